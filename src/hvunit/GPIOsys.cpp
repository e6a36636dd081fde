#include "hvunit/GPIOsys.h"

#include "core/FsRoot.h"
#include "logging/LoggingCtrl.h"

#include <QFile>
#include <QtGlobal>

#include <fcntl.h>
#include <fstream>
#include <unistd.h>

GPIOsys::GPIOsys()
{
    KLOG_CAT2(CAT_METHOD, "METHOD", "GPIOsys", "GPIOsys", "Using sysfs GPIO");
}

GPIOsys::~GPIOsys()
{
    for (PinData& pin : m_pins) {
        if (pin.valueFd >= 0) {
            ::close(pin.valueFd);
            pin.valueFd = -1;
        }
        writeAttribute(sysfsFile(QStringLiteral("unexport")), QString::number(pin.line));
    }
}

QString GPIOsys::sysfsFile(const QString& name)
{
    return FsRoot::path(QStringLiteral("/sys/class/gpio/")) + name;
}

QString GPIOsys::attributeFile(int line, const QString& attribute)
{
    return sysfsFile(QStringLiteral("gpio%1/%2").arg(line).arg(attribute));
}

QString GPIOsys::valueFile(int line) { return attributeFile(line, QStringLiteral("value")); }

bool GPIOsys::writeAttribute(const QString& path, const QString& text)
{
    std::ofstream out(QFile::encodeName(path).constData(), std::ios::out | std::ios::trunc);
    out << text.toStdString();
    out.close();
    return !out.fail() && !out.bad();
}

GPIOsys::PinData* GPIOsys::find(int line)
{
    for (PinData& pin : m_pins) {
        if (pin.line == line)
            return &pin;
    }
    return nullptr;
}

bool GPIOsys::cfg_io_pin(int line, int type)
{
    PinData* pin = find(line);
    if (!pin) {
        // The export result shows up later as a value file that cannot be opened.
        writeAttribute(sysfsFile(QStringLiteral("export")), QString::number(line));
        m_pins.push_back(PinData{line, -1});
        pin = &m_pins.back();
    }
    const bool output = type != 0;
    writeAttribute(attributeFile(line, QStringLiteral("direction")),
                   output ? QStringLiteral("out") : QStringLiteral("in"));

    if (pin->valueFd >= 0) {
        ::close(pin->valueFd);
        pin->valueFd = -1;
    }
    const QByteArray valuePath = QFile::encodeName(attributeFile(line, QStringLiteral("value")));
    pin->valueFd = ::open(valuePath.constData(), (output ? O_WRONLY : O_RDONLY) | O_DSYNC | O_CLOEXEC);
    return pin->valueFd >= 0;
}

int GPIOsys::get_pin(int line)
{
    const PinData* pin = find(line);
    if (!pin) {
        qWarning("gpio idx not found");
        return -1;
    }
    if (pin->valueFd < 0) {
        qWarning("gpio value_fd < 0");
        return -1;
    }
    if (::lseek(pin->valueFd, 0, SEEK_SET) < 0) {
        qWarning("gpio seek error");
        return -1;
    }
    char c = 0;
    if (::read(pin->valueFd, &c, 1) != 1) {
        qWarning("gpio read error");
        return -1;
    }
    return c == '1' ? 1 : 0;
}

bool GPIOsys::set_pin(int line, bool value)
{
    const PinData* pin = find(line);
    if (!pin) {
        qWarning("gpio idx not found");
        return false;
    }
    const char c = value ? '1' : '0';
    if (::write(pin->valueFd, &c, 1) != 1) {
        qWarning("gpio write error");
        return false;
    }
    return true;
}
