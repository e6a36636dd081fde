#pragma once

#include "hvunit/ITestLink.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QStringList>

#include <functional>

// A scripted HV link for the test worker. Every call is recorded as a short text in
// call order ("StopTest(0)", "SetValue(u,12000)", "SetParameter(18,1)", "GetValue(C)",
// "GetParameter(29)", "GetHVState", "StartTest", "StartLoadDetection"). Results are
// good unless a test scripts otherwise.
class FakeTestLink : public ITestLink {
public:
    struct Reply {
        int rc = 0;
        QList<unsigned long long> values;
    };

    int GetValue(TPOF::eCommandCode code, unsigned long long* values, unsigned short capacity,
                 unsigned short* count, bool longBudget = false,
                 const QList<unsigned long long>* payload = nullptr) override;
    int SetValue(TPOF::eCommandCode code, unsigned long long value1 = 0, unsigned long long value2 = 0) override;
    bool GetHVState() override;
    bool StartTest() override;
    int StopTest(SKP_Pevanto_StopFlags flags) override;
    bool StartLoadDetection() override;
    int GetParameter(eHVUnitParamType type, unsigned long long* value) override;
    int SetParameter(eHVUnitParamType type, unsigned long long value) override;
    bool GetTemperature(int* degrees) override;

    // All calls in order, and the same without the state polls.
    QStringList calls() const;
    QStringList commands() const;
    int count(const QString& call) const;
    void clearCalls();

    // Reply of GetValue for a command; kept for every later read of that command.
    void setReply(TPOF::eCommandCode code, const Reply& reply);
    // One-off replies of a command, answered in order before the kept one.
    void queueReply(TPOF::eCommandCode code, const Reply& reply);
    // Result of the n-th (1-based, counted from now) SetValue of a command.
    void failSetValue(TPOF::eCommandCode code, int rc, int nth = 1);
    // Results of the next state polls, in order; afterwards polls succeed.
    void queueHVStates(const QList<bool>& results);
    // Called on every state poll before it answers (e.g. to move the data model on).
    void setOnHVState(std::function<void()> hook);
    void setStartTestResult(bool ok);
    void setStartLoadDetectionResult(bool ok);
    void setParameterResult(int rc);
    void setParameterReply(eHVUnitParamType type, const Reply& reply);
    // Temperature reads answer this (or fail); recorded as "GetTemperature".
    void setTemperature(int degrees, bool ok = true);

private:
    void record(const QString& call);

    mutable QMutex m_mutex;
    QStringList m_calls;
    QHash<int, Reply> m_replies;
    QHash<int, QList<Reply>> m_queuedReplies;
    QHash<int, QPair<int, int>> m_setFailures; // code -> (remaining writes before the failure, rc)
    QList<bool> m_hvStates;
    std::function<void()> m_onHVState;
    bool m_startTest = true;
    bool m_startLoadDetection = true;
    int m_setParameter = 0;
    QHash<int, Reply> m_parameterReplies;
    int m_temperature = 25;
    bool m_temperatureOk = true;
};
