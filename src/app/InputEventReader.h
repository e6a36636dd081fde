#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

// Reads the Linux input-event records of one device file (a system path, resolved below
// the file-system root). A missing or vanished device is logged once and looked for again
// now and then; the program goes on without it. Each wake-up takes at most a few buffers
// of records, so a device that never runs dry cannot hold the thread.
class InputEventReader : public QObject {
    Q_OBJECT
public:
    explicit InputEventReader(const QString& devicePath, QObject* parent = nullptr);
    ~InputEventReader() override;

    // Opens the device now; false when it is not there (a later attempt follows).
    bool start();
    bool isOpen() const { return m_fd >= 0; }
    QString devicePath() const { return m_devicePath; }
    void setRetryInterval(int ms) { m_retry.setInterval(ms); }

signals:
    void inputEvent(quint16 type, quint16 code, qint32 value);

private:
    bool open();
    void close();
    void onReadable();

    QString m_devicePath;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_pending;
    QTimer m_retry;
    bool m_missingLogged = false;
};
