#include "FakeTestHistory.h"

#include <QMutexLocker>

void FakeTestHistory::clearData()
{
    QMutexLocker lock(&m_mutex);
    ++m_clears;
}

bool FakeTestHistory::saveData(GlobalFuncs::Path location)
{
    QMutexLocker lock(&m_mutex);
    m_saves << location;
    return m_saveResult;
}

int FakeTestHistory::clearCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_clears;
}

QList<GlobalFuncs::Path> FakeTestHistory::savedTo() const
{
    QMutexLocker lock(&m_mutex);
    return m_saves;
}

void FakeTestHistory::setSaveResult(bool ok)
{
    QMutexLocker lock(&m_mutex);
    m_saveResult = ok;
}
