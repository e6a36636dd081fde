#include "fakes/FakeConfig.h"

FakeConfig::FakeConfig(const QString& rootName) : ConfigTree(rootName) {}

int FakeConfig::initialize()
{
    m_initializeCount.fetchAndAddOrdered(1);
    return m_initializeResult.loadAcquire();
}

int FakeConfig::save()
{
    m_saveCount.fetchAndAddOrdered(1);
    return m_saveResult.loadAcquire();
}
