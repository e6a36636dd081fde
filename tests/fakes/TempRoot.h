#pragma once

#include <QString>
#include <QTemporaryDir>

// A temporary file-system root for one test: every system path lands below it.
class TempRoot {
public:
    TempRoot();
    ~TempRoot();

    bool isValid() const { return m_dir.isValid(); }
    QString root() const { return m_dir.path(); }
    // Absolute system path below this root; creates missing parent folders when asked.
    QString path(const QString& absolutePath) const;
    bool mkdir(const QString& absolutePath) const;
    bool writeFile(const QString& absolutePath, const QByteArray& content) const;
    QByteArray readFile(const QString& absolutePath) const;

    // The simulated USB stick: inserting it links the mount point to the folder "/stick"
    // below this root, which holds the stick's contents (created when missing); pulling
    // it removes the link and keeps the contents. insertStick returns the contents'
    // folder, empty when something else is at the mount point.
    QString insertStick() const;
    bool pullStick() const;

private:
    QTemporaryDir m_dir;
};
