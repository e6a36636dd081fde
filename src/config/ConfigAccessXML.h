#pragma once

#include "config/ConfigTree.h"

#include <QMutex>
#include <QString>

// The configuration store of the instrument: the tree of ConfigTree kept in the file
// "<APP>.cfg.xml" of the configuration directory.
//
// save() never leaves a broken file behind: it writes "<APP>.cfg.xml.new", flushes it to
// the disk and renames it over the file. Before that the file last known good is kept as
// "<APP>.cfg.xml.bak". initialize() takes the first of file, backup and unfinished new
// file that is well-formed, within ConfigShape's bounds and has the layout of a
// configuration file. A broken file is replaced by the backup taken; when none can be
// taken the broken file and backup are kept aside as "<name>.refused".
class ConfigAccessXML : public ConfigTree {
public:
    // appName: the name of the file and of its top key; empty means the application
    // name in upper case at construction.
    explicit ConfigAccessXML(const QString& configDirectory, const QString& appName = QString());
    ~ConfigAccessXML() override;

    // 1 when a configuration was loaded; 0 when no candidate file could be used,
    // in which case the configuration held in memory is left as it was.
    int initialize() override;
    // CFG_OK, or CFG_IO_ERROR with the previous file untouched.
    int save() override;

    QString filePath() const;
    QString backupFilePath() const;
    QString newFilePath() const;
    // The file the configuration was last loaded from (empty when none).
    QString loadedFrom() const;
    // The files the last initialize() kept aside, each as it is named now.
    QStringList keptAside() const;

protected:
    // Moves a written file over the target in one step.
    virtual bool replaceFile(const QString& from, const QString& to);

private:
    bool writeNewFile(const QByteArray& content);
    void refreshBackup();

    QString m_directory;
    QString m_appName;
    mutable QMutex m_fileMutex; // one load or save at a time
    QString m_loadedFrom;
    QStringList m_keptAside;
    bool m_fileKnownGood = false;
};
