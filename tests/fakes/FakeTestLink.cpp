#include "fakes/FakeTestLink.h"

#include <QMutexLocker>

namespace {
QString codeText(TPOF::eCommandCode code) { return QString(QChar(char(code))); }
} // namespace

void FakeTestLink::record(const QString& call)
{
    QMutexLocker lock(&m_mutex);
    m_calls << call;
}

int FakeTestLink::GetValue(TPOF::eCommandCode code, unsigned long long* values, unsigned short capacity,
                           unsigned short* count, bool, const QList<unsigned long long>*)
{
    record(QStringLiteral("GetValue(%1)").arg(codeText(code)));
    QMutexLocker lock(&m_mutex);
    QList<Reply>& queued = m_queuedReplies[int(code)];
    const Reply reply = queued.isEmpty() ? m_replies.value(int(code), Reply{ -100, {} }) : queued.takeFirst();
    if (reply.rc != 0)
        return reply.rc;
    unsigned short n = 0;
    for (unsigned long long v : reply.values) {
        if (n >= capacity)
            break;
        values[n++] = v;
    }
    if (count)
        *count = n;
    return 0;
}

int FakeTestLink::SetValue(TPOF::eCommandCode code, unsigned long long value1, unsigned long long value2)
{
    QString call = QStringLiteral("SetValue(%1,%2").arg(codeText(code)).arg(value1);
    if (value2 != 0)
        call += QStringLiteral(",%1").arg(value2);
    record(call + QLatin1Char(')'));
    QMutexLocker lock(&m_mutex);
    auto it = m_setFailures.find(int(code));
    if (it == m_setFailures.end())
        return 0;
    if (--it->first > 0)
        return 0;
    const int rc = it->second;
    m_setFailures.erase(it);
    return rc;
}

bool FakeTestLink::GetHVState()
{
    record(QStringLiteral("GetHVState"));
    std::function<void()> hook;
    bool result = true;
    {
        QMutexLocker lock(&m_mutex);
        hook = m_onHVState;
        if (!m_hvStates.isEmpty())
            result = m_hvStates.takeFirst();
    }
    if (hook)
        hook();
    return result;
}

bool FakeTestLink::StartTest()
{
    record(QStringLiteral("StartTest"));
    QMutexLocker lock(&m_mutex);
    return m_startTest;
}

int FakeTestLink::StopTest(SKP_Pevanto_StopFlags flags)
{
    record(QStringLiteral("StopTest(%1)").arg(int(flags)));
    return 0;
}

bool FakeTestLink::StartLoadDetection()
{
    record(QStringLiteral("StartLoadDetection"));
    QMutexLocker lock(&m_mutex);
    return m_startLoadDetection;
}

int FakeTestLink::GetParameter(eHVUnitParamType type, unsigned long long* value)
{
    record(QStringLiteral("GetParameter(%1)").arg(int(type)));
    QMutexLocker lock(&m_mutex);
    const Reply reply = m_parameterReplies.value(int(type), Reply{ -100, {} });
    if (reply.rc == 0 && value && !reply.values.isEmpty())
        *value = reply.values.first();
    return reply.rc;
}

int FakeTestLink::SetParameter(eHVUnitParamType type, unsigned long long value)
{
    record(QStringLiteral("SetParameter(%1,%2)").arg(int(type)).arg(value));
    QMutexLocker lock(&m_mutex);
    return m_setParameter;
}

QStringList FakeTestLink::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

QStringList FakeTestLink::commands() const
{
    QStringList out;
    for (const QString& c : calls()) {
        if (c != QLatin1String("GetHVState"))
            out << c;
    }
    return out;
}

int FakeTestLink::count(const QString& call) const { return calls().count(call); }

void FakeTestLink::clearCalls()
{
    QMutexLocker lock(&m_mutex);
    m_calls.clear();
}

void FakeTestLink::setReply(TPOF::eCommandCode code, const Reply& reply)
{
    QMutexLocker lock(&m_mutex);
    m_replies.insert(int(code), reply);
}

void FakeTestLink::queueReply(TPOF::eCommandCode code, const Reply& reply)
{
    QMutexLocker lock(&m_mutex);
    m_queuedReplies[int(code)].append(reply);
}

void FakeTestLink::failSetValue(TPOF::eCommandCode code, int rc, int nth)
{
    QMutexLocker lock(&m_mutex);
    m_setFailures.insert(int(code), qMakePair(nth, rc));
}

void FakeTestLink::queueHVStates(const QList<bool>& results)
{
    QMutexLocker lock(&m_mutex);
    m_hvStates = results;
}

void FakeTestLink::setOnHVState(std::function<void()> hook)
{
    QMutexLocker lock(&m_mutex);
    m_onHVState = std::move(hook);
}

void FakeTestLink::setStartTestResult(bool ok)
{
    QMutexLocker lock(&m_mutex);
    m_startTest = ok;
}

void FakeTestLink::setStartLoadDetectionResult(bool ok)
{
    QMutexLocker lock(&m_mutex);
    m_startLoadDetection = ok;
}

void FakeTestLink::setParameterResult(int rc)
{
    QMutexLocker lock(&m_mutex);
    m_setParameter = rc;
}

void FakeTestLink::setParameterReply(eHVUnitParamType type, const Reply& reply)
{
    QMutexLocker lock(&m_mutex);
    m_parameterReplies.insert(int(type), reply);
}

bool FakeTestLink::GetTemperature(int* degrees)
{
    record(QStringLiteral("GetTemperature"));
    QMutexLocker lock(&m_mutex);
    if (!m_temperatureOk)
        return false;
    if (degrees)
        *degrees = m_temperature;
    return true;
}

void FakeTestLink::setTemperature(int degrees, bool ok)
{
    QMutexLocker lock(&m_mutex);
    m_temperature = degrees;
    m_temperatureOk = ok;
}
