#include "core/SystemClock.h"

#include "core/FsRoot.h"
#include "logging/LoggingCtrl.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/rtc.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <unistd.h>

bool SystemClock::setSystemTime(const QDateTime& time)
{
    if (!time.isValid()) {
        KLOG_ERROR2("SystemClock", "setSystemTime", QStringLiteral("Invalid time"));
        return false;
    }
    if (!FsRoot::isRealRoot()) {
        KLOG_WARN2("SystemClock", "setSystemTime", QStringLiteral("Not on the instrument, clock left alone"));
        return false;
    }
    const qint64 ms = time.toMSecsSinceEpoch();
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(ms / 1000);
    tv.tv_usec = static_cast<suseconds_t>((ms % 1000) * 1000);
    if (::settimeofday(&tv, nullptr) != 0) {
        KLOG_ERROR2("SystemClock", "setSystemTime", QStringLiteral("settimeofday: %1").arg(std::strerror(errno)));
        return false;
    }
    return true;
}

bool SystemClock::setHardwareClock(const QDateTime& time)
{
    if (!time.isValid()) {
        KLOG_ERROR2("SystemClock", "setHardwareClock", QStringLiteral("Invalid time"));
        return false;
    }
    const QDateTime utc = time.toUTC();
    rtc_time rt{};
    rt.tm_sec = utc.time().second();
    rt.tm_min = utc.time().minute();
    rt.tm_hour = utc.time().hour();
    rt.tm_mday = utc.date().day();
    rt.tm_mon = utc.date().month() - 1;
    rt.tm_year = utc.date().year() - 1900;
    rt.tm_isdst = 0;
    const QByteArray device = QFile::encodeName(FsRoot::path(QStringLiteral("/dev/rtc0")));
    const int fd = ::open(device.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        KLOG_ERROR2("SystemClock", "setHardwareClock",
                    QStringLiteral("Can't open %1: %2").arg(QFile::decodeName(device), std::strerror(errno)));
        return false;
    }
    const bool ok = ::ioctl(fd, RTC_SET_TIME, &rt) == 0;
    if (!ok)
        KLOG_ERROR2("SystemClock", "setHardwareClock", QStringLiteral("RTC_SET_TIME: %1").arg(std::strerror(errno)));
    ::close(fd);
    return ok;
}
