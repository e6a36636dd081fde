#include "remote/UsbBrowser.h"

#include <QDir>

UsbBrowser::UsbBrowser(const QString& mountPoint) : m_mountPoint(QDir::cleanPath(mountPoint)), m_folder(m_mountPoint)
{
}

bool UsbBrowser::isOnStick(const QString& canonicalPath) const
{
    return !m_root.isEmpty() && !canonicalPath.isEmpty()
        && (canonicalPath == m_root || canonicalPath.startsWith(m_root + QLatin1Char('/')));
}

void UsbBrowser::open(const QString& path)
{
    m_root = QFileInfo(m_mountPoint).canonicalFilePath();
    m_present = !m_root.isEmpty() && QFileInfo(m_root).isDir();
    m_entries.clear();
    if (!m_present) {
        m_root.clear();
        m_folder = m_mountPoint;
        return;
    }

    QString target;
    if (path.isEmpty())
        target = m_root;
    else if (path == QLatin1String("."))
        target = m_folder;
    else if (path == QLatin1String(".."))
        target = m_folder + QStringLiteral("/..");
    else if (QDir::isRelativePath(path))
        target = m_folder + QLatin1Char('/') + path;
    else
        target = path;
    // Compared as canonical paths, so neither ".." nor a link can lead off the stick.
    const QFileInfo info(target);
    const QString canonical = info.canonicalFilePath();
    m_folder = info.isDir() && isOnStick(canonical) ? canonical : m_root;

    if (m_folder != m_root)
        m_entries.append({QStringLiteral(".."), QFileInfo(m_folder).absolutePath(), UsbEntry::ParentFolder});
    const QFileInfoList list = QDir(m_folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot,
                                                            QDir::DirsFirst | QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : list) {
        UsbEntry::Type type = typeOf(entry);
        if (entry.isSymLink() && !isOnStick(entry.canonicalFilePath()))
            type = UsbEntry::Unusable;
        // The import takes configurations only from the top of the stick.
        else if (type == UsbEntry::ConfigFile && m_folder != m_root)
            type = UsbEntry::File;
        m_entries.append({entry.fileName(), entry.absoluteFilePath(), type});
    }
}

UsbEntry UsbBrowser::current() const
{
    QString shown = QStringLiteral("USB");
    if (!m_root.isEmpty() && m_folder.startsWith(m_root + QLatin1Char('/')))
        shown += m_folder.mid(m_root.size());
    return {shown, m_folder, UsbEntry::CurrentFolder};
}

UsbEntry::Type UsbBrowser::typeOf(const QFileInfo& info)
{
    if (!info.isReadable())
        return UsbEntry::Unusable;
    if (info.isDir())
        return UsbEntry::Folder;
    const QString name = info.fileName().toLower();
    auto endsWith = [&name](const char* suffix) { return name.endsWith(QLatin1String(suffix)); };
    if (endsWith(".cfg.xml"))
        return UsbEntry::ConfigFile;
    if (endsWith(".tar") || endsWith(".ldr") || endsWith(".img"))
        return UsbEntry::UpdatePackage;
    if (endsWith(".tds"))
        return UsbEntry::TanDeltaStandard;
    if (endsWith(".log"))
        return UsbEntry::LogFile;
    if (endsWith(".pdf"))
        return UsbEntry::Document;
    return UsbEntry::File;
}
