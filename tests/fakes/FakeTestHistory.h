#pragma once

#include "ITestHistory.h"

#include <QList>
#include <QMutex>

// Records what the test worker asks of the history controller.
class FakeTestHistory : public ITestHistory {
public:
    void clearData() override;
    bool saveData(GlobalFuncs::Path location) override;

    int clearCount() const;
    QList<GlobalFuncs::Path> savedTo() const;
    void setSaveResult(bool ok);

private:
    mutable QMutex m_mutex;
    int m_clears = 0;
    QList<GlobalFuncs::Path> m_saves;
    bool m_saveResult = true;
};
