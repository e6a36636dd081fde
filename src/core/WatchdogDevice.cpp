#include "core/WatchdogDevice.h"

#include "core/FsRoot.h"
#include "logging/LoggingCtrl.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
// Any byte but 'V' kicks; 'V' announces an orderly close.
constexpr char kKick = '\0';
constexpr char kMagicClose = 'V';
} // namespace

WatchdogDevice::~WatchdogDevice() { close(); }

bool WatchdogDevice::open()
{
    QMutexLocker lock(&m_mutex);
    if (m_fd >= 0)
        return true;
    const QByteArray device = QFile::encodeName(FsRoot::path(QStringLiteral("/dev/watchdog")));
    m_fd = ::open(device.constData(), O_WRONLY | O_CLOEXEC);
    if (m_fd < 0) {
        KLOG_ERROR2("WatchdogDevice", "open",
                    QStringLiteral("Can't open %1: %2").arg(QFile::decodeName(device), std::strerror(errno)));
        return false;
    }
    return true;
}

bool WatchdogDevice::isOpen() const
{
    QMutexLocker lock(&m_mutex);
    return m_fd >= 0;
}

bool WatchdogDevice::kick()
{
    QMutexLocker lock(&m_mutex);
    return writeByte(kKick);
}

void WatchdogDevice::close()
{
    QMutexLocker lock(&m_mutex);
    if (m_fd < 0)
        return;
    if (!writeByte(kMagicClose))
        KLOG_ERROR2("WatchdogDevice", "close", QStringLiteral("Magic close failed, the board may reset"));
    ::close(m_fd);
    m_fd = -1;
}

bool WatchdogDevice::writeByte(char c)
{
    if (m_fd < 0)
        return false;
    ssize_t n;
    do {
        n = ::write(m_fd, &c, 1);
    } while (n < 0 && errno == EINTR);
    if (n != 1) {
        KLOG_ERROR2("WatchdogDevice", "write", QStringLiteral("write: %1").arg(std::strerror(errno)));
        return false;
    }
    return true;
}
