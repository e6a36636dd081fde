#include "hvunit/TSerial.h"

#include "core/FsRoot.h"
#include "core/Heartbeat.h"
#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr const char* kClass = "TSerial";
}

TSerial::TSerial() : m_clock(new QElapsedTimer), m_steady(&Heartbeat::now)
{
    Open_Port();
}

TSerial::~TSerial()
{
    if (m_fd >= 0)
        Close_Port();
    delete m_clock;
}

QString TSerial::devicePath()
{
    const QByteArray env = qgetenv("SERIAL_COMDEVICE");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    return FsRoot::path(QStringLiteral("/dev/ttyUSB0"));
}

bool TSerial::Open_Port()
{
    const QByteArray dev = QFile::encodeName(devicePath());
    m_fd = ::open(dev.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_SYNC);
    if (m_fd < 0) {
        // The cause once per kind of failure; the retries would repeat it endlessly.
        const int err = errno;
        if (err != m_openErrno) {
            m_openErrno = err;
            KLOG_ERROR2(kClass, "Open_Port",
                        QStringLiteral("Can't open %1: %2").arg(QFile::decodeName(dev), QString::fromLocal8Bit(std::strerror(err))));
        }
        return false;
    }
    m_openErrno = 0;

    termios tio {};
    if (tcgetattr(m_fd, &tio) == 0) {
        cfsetispeed(&tio, B115200);
        cfsetospeed(&tio, B115200);
        tio.c_oflag &= ~ONLCR;
        tio.c_cflag &= ~(CSIZE | CSTOPB | PARENB);
        tio.c_cflag |= CS8 | CREAD | CLOCAL;
        tio.c_lflag &= ~(ICANON | ECHO | ECHOE | ISIG);
        tcsetattr(m_fd, TCSANOW, &tio);
    }
    return true;
}

int TSerial::Close_Port()
{
    if (m_fd < 0)
        return -1;
    while (tcflush(m_fd, TCIOFLUSH) < 0 && errno == EINTR) {
    }
    const int rc = ::close(m_fd);
    m_fd = -1;
    return rc;
}

void TSerial::flushInput()
{
    if (m_fd < 0)
        return;
    while (tcflush(m_fd, TCIFLUSH) < 0 && errno == EINTR) {
    }
}

void TSerial::sleepMs(int ms) { Heartbeat::sleep(ms, m_steady); }

bool TSerial::SendChar(char c)
{
    QMutexLocker lock(&m_byteMutex);
    if (m_fd < 0)
        return false;
    ssize_t n;
    do {
        n = ::write(m_fd, &c, 1);
    } while (n < 0 && errno == EINTR);
    return n == 1;
}

int TSerial::ReceiveEcho(char expected)
{
    QMutexLocker lock(&m_byteMutex);
    QElapsedTimer deadline;
    deadline.start();
    auto readOne = [this](char& c) {
        if (m_fd < 0)
            return false;
        return ::read(m_fd, &c, 1) == 1;
    };
    for (;;) {
        Heartbeat::alive();
        const bool late = deadline.elapsed() >= EchoTimeoutMs;
        pollfd p { m_fd, POLLIN, 0 };
        const int r = ::poll(&p, 1, late ? 0 : 1);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return LineError;
        }
        if (r > 0 && (p.revents & (POLLERR | POLLNVAL)))
            return LineError;
        char c = 0;
        if (r > 0 && readOne(c)) {
            if (c == 0 && !late)
                continue;
            if (c != 0)
                return c == expected ? 0 : LineError;
        }
        if (late)
            return NoEcho;
    }
}

int TSerial::SendString(const char* chars, int length, int timeoutMs)
{
    if (!chars || length <= 0)
        return BadArgument;
    QMutexLocker lock(&m_transferMutex);
    m_clock->start();
    const qint64 start = m_steady();
    int result = 0;
    for (;;) {
        flushInput();
        result = length;
        for (int i = 0; i < length; ++i) {
            if (!SendChar(chars[i])) {
                result = LineError;
                break;
            }
            const int echo = ReceiveEcho(chars[i]);
            if (echo != 0) {
                result = echo;
                break;
            }
        }
        if (result == length)
            return length;
        ResetHVCcom(*m_clock);
        if (m_steady() - start > timeoutMs)
            break;
    }
    if (!m_comErrorQuery || !m_comErrorQuery())
        KLOG_DEBUG2(kClass, "SendString", QStringLiteral("ComError: %1").arg(result));
    return result;
}

int TSerial::ReceiveString(char* buffer, int bufferSize)
{
    if (!buffer || bufferSize < 1) {
        KLOG_DEBUG2(kClass, "ReceiveString",
                    QStringLiteral("IntError: buffer = %1, buffersize = %2")
                        .arg(quintptr(buffer), 0, 16)
                        .arg(bufferSize));
        return BadArgument;
    }
    QMutexLocker lock(&m_transferMutex);
    m_clock->start();
    bool inFrame = false;
    int count = 0;
    auto overflow = [&]() {
        KLOG_DEBUG2(kClass, "ReceiveString", "Buffer Overflow");
        ResetHVCcom(*m_clock);
        return int(Overflow);
    };
    auto timeout = [&]() {
        ResetHVCcom(*m_clock);
        KLOG_DEBUG2(kClass, "ReceiveString", "SerialTimeout");
        return int(NoEcho);
    };
    while (m_clock->elapsed() <= FrameTimeoutMs) {
        Heartbeat::alive();
        pollfd p { m_fd, POLLIN, 0 };
        const int r = ::poll(&p, 1, EchoTimeoutMs);
        if (r <= 0 || !(p.revents & POLLIN)) {
            if (r < 0 && errno == EINTR)
                continue;
            ResetHVCcom(*m_clock);
            continue;
        }
        char c = 0;
        const ssize_t n = ::read(m_fd, &c, 1);
        if (n < 0) {
            std::perror("read()");
            KLOG_DEBUG2(kClass, "ReceiveString",
                        QStringLiteral("Nothing to read, Elapsed = %1").arg(m_clock->elapsed()));
            continue;
        }
        if (n == 0) {
            // End of file: the other side hung up; treat like silence.
            ResetHVCcom(*m_clock);
            continue;
        }
        if (c == '<') {
            inFrame = true;
            if (count >= bufferSize)
                return overflow();
            continue;
        }
        if (!inFrame)
            continue;
        if (c == '.') {
            if (count >= bufferSize)
                return overflow();
            if (m_clock->elapsed() > FrameTimeoutMs)
                return timeout();
            return count;
        }
        buffer[count++] = c;
        if (count >= bufferSize)
            return overflow();
    }
    return timeout();
}

void TSerial::ResetHVCcom(QElapsedTimer& clock)
{
    // The clock is the caller's deadline; the reset must not restart it.
    Q_UNUSED(clock)
    sleepMs(ResetWaitMs);
    const bool closed = (m_fd < 0) || Close_Port() == 0;
    const bool opened = Open_Port();
    if (closed && opened) {
        m_resetFailureLogged = false;
        return;
    }
    // Once until the port works again: a missing device is retried every poll and
    // would otherwise flood the trace file and the message log.
    if (!m_resetFailureLogged) {
        m_resetFailureLogged = true;
        KLOG_ERROR2(kClass, "ResetHVCcom",
                    "Unable to reinitialize serial port interface after communication error");
    }
}

bool TSerial::fileTransferOnThisThread() const
{
    return m_fileTransferThread.load() == QThread::currentThread();
}

bool TSerial::SendFile(const QString& path, int expectedSize)
{
    QMutexLocker lock(&m_transferMutex);
    m_fileTransferThread = QThread::currentThread();
    struct Clear {
        std::atomic<void*>& t;
        ~Clear() { t = nullptr; }
    } clear { m_fileTransferThread };

    flushInput();
    const int in = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (in < 0) {
        sleepMs(ResetWaitMs);
        return false;
    }
    sleepMs(6);
    long long written = 0;
    char buf[1];
    for (;;) {
        const ssize_t r = ::read(in, buf, 1);
        if (r == 0)
            break;
        if (r < 0) {
            if (errno == EINTR)
                continue;
            ::close(in);
            sleepMs(ResetWaitMs);
            return false;
        }
        bool ok = false;
        for (int attempt = 0; attempt < 25 && !ok; ++attempt) {
            if (attempt > 0)
                sleepMs(16);
            ok = m_fd >= 0 && ::write(m_fd, buf, 1) == 1;
        }
        if (!ok) {
            ::close(in);
            sleepMs(ResetWaitMs);
            return false;
        }
        ++written;
        if (written % 100 == 0)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents
                                            | QEventLoop::ExcludeSocketNotifiers);
    }
    ::close(in);
    if (m_fd < 0 || tcdrain(m_fd) < 0)
        std::fprintf(stderr, "Update: Clear output buffer error\n");
    if (written == expectedSize) {
        sleepMs(6);
        return true;
    }
    sleepMs(ResetWaitMs);
    return false;
}
