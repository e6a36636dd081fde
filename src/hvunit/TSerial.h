#pragma once

#include <QMutex>
#include <QString>

#include <atomic>
#include <functional>

class QElapsedTimer;

// The serial line to the HV unit: byte-wise send with echo check, one reply frame
// between '<' and '.', and the raw firmware stream. Recovers from line trouble by
// closing and reopening the device. Knows nothing of commands.
class TSerial {
public:
    TSerial();
    ~TSerial();
    TSerial(const TSerial&) = delete;
    TSerial& operator=(const TSerial&) = delete;

    bool Open_Port();
    int Close_Port();
    bool SendChar(char c);
    int ReceiveEcho(char expected);
    int SendString(const char* chars, int length, int timeoutMs);
    int ReceiveString(char* buffer, int bufferSize);
    bool SendFile(const QString& path, int expectedSize);
    void ResetHVCcom(QElapsedTimer& clock);

    // Device path: SERIAL_COMDEVICE, else the default device below the file-system root.
    static QString devicePath();
    int descriptor() const { return m_fd; }

    // Steady milliseconds of a send's time-out and of the pause of a reset
    // (Heartbeat::now unless replaced while no transaction runs); an echo's and a reply's
    // limits stay on real time.
    void setSteadyClock(std::function<qint64()> nowMs) { m_steady = std::move(nowMs); }
    qint64 steadyNow() const { return m_steady(); }

    // Tells whether the link is already known to be down (suppresses repeated records).
    void setComErrorQuery(std::function<bool()> query) { m_comErrorQuery = std::move(query); }

    // True while SendFile runs on the calling thread (its event processing must not
    // start a transaction on the same line).
    bool fileTransferOnThisThread() const;

    enum : int { NoEcho = -10, LineError = -20, Overflow = -30, BadArgument = -40 };
    static constexpr int EchoTimeoutMs = 30;
    static constexpr int FrameTimeoutMs = 2999;
    static constexpr int ResetWaitMs = 60;

private:
    void flushInput();
    void sleepMs(int ms);

    QElapsedTimer* m_clock;
    int m_fd = -1;
    int m_openErrno = 0; // last open failure logged
    bool m_resetFailureLogged = false;
    QMutex m_transferMutex;
    QMutex m_byteMutex;
    std::function<bool()> m_comErrorQuery;
    std::function<qint64()> m_steady;
    std::atomic<void*> m_fileTransferThread{nullptr};
};
