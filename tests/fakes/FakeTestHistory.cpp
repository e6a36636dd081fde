#include "fakes/FakeTestHistory.h"

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
    return m_saveResults.value(int(location), m_saveResult);
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

void FakeTestHistory::setSaveResult(GlobalFuncs::Path location, bool ok)
{
    QMutexLocker lock(&m_mutex);
    m_saveResults[int(location)] = ok;
}

bool FakeTestHistory::captureData(QString fileName)
{
    QMutexLocker lock(&m_mutex);
    m_captures << fileName;
    return m_captureResult;
}

QStringList FakeTestHistory::capturedNames() const
{
    QMutexLocker lock(&m_mutex);
    return m_captures;
}

void FakeTestHistory::setCaptureResult(bool ok)
{
    QMutexLocker lock(&m_mutex);
    m_captureResult = ok;
}
