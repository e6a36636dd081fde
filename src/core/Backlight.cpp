#include "core/Backlight.h"

#include "core/FsRoot.h"
#include "logging/LoggingCtrl.h"

#include <QDir>
#include <QFile>
#include <QtGlobal>

QString Backlight::deviceDir()
{
    const QDir dir(FsRoot::path(QStringLiteral("/sys/class/backlight")));
    const QStringList entries = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    return entries.isEmpty() ? QString() : dir.filePath(entries.first());
}

long long Backlight::readNumber(const QString& file, bool* ok)
{
    QFile f(file);
    *ok = false;
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return f.readLine(64).trimmed().toLongLong(ok);
}

int Backlight::brightness() const
{
    const QString dir = deviceDir();
    if (dir.isEmpty())
        return -1;
    bool okMax = false;
    bool okCur = false;
    const long long max = readNumber(dir + QStringLiteral("/max_brightness"), &okMax);
    const long long cur = readNumber(dir + QStringLiteral("/brightness"), &okCur);
    if (!okMax || !okCur || max <= 0)
        return -1;
    return static_cast<int>(qBound(0LL, (cur * 100 + max / 2) / max, 100LL));
}

bool Backlight::setBrightness(int percent)
{
    const QString dir = deviceDir();
    if (dir.isEmpty()) {
        KLOG_ERROR2("Backlight", "setBrightness", QStringLiteral("No backlight device"));
        return false;
    }
    bool ok = false;
    const long long max = readNumber(dir + QStringLiteral("/max_brightness"), &ok);
    if (!ok || max <= 0) {
        KLOG_ERROR2("Backlight", "setBrightness", QStringLiteral("Can't read max_brightness of %1").arg(dir));
        return false;
    }
    const long long value = (static_cast<long long>(qBound(0, percent, 100)) * max + 50) / 100;
    QFile f(dir + QStringLiteral("/brightness"));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered | QIODevice::ExistingOnly)) {
        KLOG_ERROR2("Backlight", "setBrightness", QStringLiteral("Can't open %1").arg(f.fileName()));
        return false;
    }
    const QByteArray text = QByteArray::number(value) + '\n';
    if (f.write(text) != text.size()) {
        KLOG_ERROR2("Backlight", "setBrightness", QStringLiteral("Can't write %1").arg(f.fileName()));
        return false;
    }
    return true;
}
