#include "testrun/UnreadableRecords.h"

#include <QMutexLocker>

UnreadableRecords::Version UnreadableRecords::versionOf(const QFileInfo& file)
{
    return Version{file.size(), file.lastModified()};
}

bool UnreadableRecords::contains(const QFileInfo& file) const
{
    QMutexLocker lock(&m_lock);
    const auto it = m_files.constFind(file.absoluteFilePath());
    return it != m_files.constEnd() && *it == versionOf(file);
}

bool UnreadableRecords::add(const QFileInfo& file)
{
    const Version version = versionOf(file);
    QMutexLocker lock(&m_lock);
    Version& known = m_files[file.absoluteFilePath()];
    if (known == version)
        return false;
    known = version;
    return true;
}
