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

QByteArray FakeConfig::nestedDocument(const QString& root, int levels)
{
    return "<configuration><key name=\"" + root.toUtf8() + "\">" + QByteArray("<key name=\"k\">").repeated(levels) +
           QByteArray("</key>").repeated(levels) + "</key></configuration>";
}
