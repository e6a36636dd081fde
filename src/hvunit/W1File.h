#pragma once

#include <QByteArray>
#include <QString>

// One file of the w1 sysfs tree, opened without buffering. Attribute files are opened
// truncating for their one-shot writes; the accessory memory is written in place.
// Missing files are never created.
class W1File {
public:
    enum Mode {
        ReadOnly,
        WriteAttribute, // truncating
        WriteInPlace,   // no truncation: the bytes around the write stay
    };

    explicit W1File(const QString& path) : m_path(path) {}
    ~W1File() { close(); }
    W1File(const W1File&) = delete;
    W1File& operator=(const W1File&) = delete;

    bool open(Mode mode);
    bool seek(qint64 offset);
    // Reads up to size bytes (repeating short reads); appends them to out.
    // Returns the number read, -1 on error.
    qint64 read(QByteArray& out, qint64 size);
    // One write call; returns what the call returned.
    qint64 write(const QByteArray& data);
    void close();

    const QString& path() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
};
