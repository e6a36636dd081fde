#include "app/InputEventReader.h"

#include "core/FsRoot.h"
#include "logging/LoggingCtrl.h"

#include <QSocketNotifier>

#include <linux/input.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
const char* const kClass = "InputEventReader";
constexpr int kRetryMs = 5000;
constexpr int kReadsPerWakeUp = 4;
} // namespace

InputEventReader::InputEventReader(const QString& devicePath, QObject* parent)
    : QObject(parent), m_devicePath(devicePath)
{
    m_retry.setInterval(kRetryMs);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, [this]() {
        if (!open())
            m_retry.start();
    });
}

InputEventReader::~InputEventReader() { close(); }

bool InputEventReader::start()
{
    if (isOpen())
        return true;
    if (open())
        return true;
    m_retry.start();
    return false;
}

bool InputEventReader::open()
{
    const QByteArray file = FsRoot::path(m_devicePath).toLocal8Bit();
    m_fd = ::open(file.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        if (!m_missingLogged) {
            m_missingLogged = true;
            KLOG_WARN2(kClass, "open",
                       QStringLiteral("Input device %1 not available (%2); touch only")
                           .arg(m_devicePath, QString::fromLocal8Bit(std::strerror(errno))));
        }
        return false;
    }
    if (m_missingLogged)
        KLOG_INFO2(kClass, "open", QStringLiteral("Input device %1 is back").arg(m_devicePath));
    m_missingLogged = false;
    m_pending.clear();
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InputEventReader::onReadable);
    return true;
}

void InputEventReader::close()
{
    if (m_notifier) {
        m_notifier->setEnabled(false);
        delete m_notifier;
        m_notifier = nullptr;
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_pending.clear();
}

void InputEventReader::onReadable()
{
    char buffer[64 * sizeof(input_event)];
    // A few buffers a wake-up: a device that never runs dry leaves the thread's other
    // events their turn, and the notifier comes back for the rest.
    for (int reads = 0; reads < kReadsPerWakeUp; ++reads) {
        const ssize_t got = ::read(m_fd, buffer, sizeof(buffer));
        if (got > 0) {
            // A pipe may split a record; the rest follows with the next read.
            m_pending.append(buffer, int(got));
            int used = 0;
            while (m_pending.size() - used >= int(sizeof(input_event))) {
                input_event ev;
                std::memcpy(&ev, m_pending.constData() + used, sizeof(ev));
                used += int(sizeof(ev));
                emit inputEvent(ev.type, ev.code, ev.value);
                if (m_fd < 0)
                    return;
            }
            m_pending.remove(0, used);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // End of file or a device error (unplugged): stop watching it, or the notifier
        // would fire without end.
        KLOG_WARN2(kClass, "read",
                   QStringLiteral("Input device %1 lost (%2)")
                       .arg(m_devicePath, got == 0 ? QStringLiteral("closed")
                                                   : QString::fromLocal8Bit(std::strerror(errno))));
        m_missingLogged = true;
        close();
        m_retry.start();
        return;
    }
}
