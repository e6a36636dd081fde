#pragma once

#include "testrun/ITestHistory.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QMutex>

// Records what the test worker asks of the history controller.
class FakeTestHistory : public ITestHistory {
public:
    void clearData() override;
    bool saveData(GlobalFuncs::Path location) override;
    bool captureData(QString fileName) override;
    bool hasHistory() const override { return true; }

    int clearCount() const;
    QList<GlobalFuncs::Path> savedTo() const;
    void setSaveResult(bool ok);
    // Result of saves to this place only (others keep the general result).
    void setSaveResult(GlobalFuncs::Path location, bool ok);
    QStringList capturedNames() const;
    void setCaptureResult(bool ok);

private:
    mutable QMutex m_mutex;
    int m_clears = 0;
    QList<GlobalFuncs::Path> m_saves;
    bool m_saveResult = true;
    QHash<int, bool> m_saveResults;
    QStringList m_captures;
    bool m_captureResult = true;
};
