#include "fakes/FakeGpioTree.h"

#include "core/FsRoot.h"

#include <QDir>
#include <QFile>

FakeGpioTree::FakeGpioTree(const QList<int>& inputs, const QList<int>& outputs, char value)
{
    QDir().mkpath(gpioDir());
    QFile(gpioDir() + QStringLiteral("/export")).open(QIODevice::WriteOnly | QIODevice::Truncate);
    QFile(gpioDir() + QStringLiteral("/unexport")).open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (int line : inputs + outputs) {
        QDir().mkpath(gpioDir() + QStringLiteral("/gpio%1").arg(line));
        QFile dir(gpioDir() + QStringLiteral("/gpio%1/direction").arg(line));
        if (dir.open(QIODevice::WriteOnly | QIODevice::Truncate))
            dir.write("in\n");
        setValue(line, inputs.contains(line) ? QByteArray(1, value) + '\n' : QByteArray());
    }
}

QString FakeGpioTree::gpioDir() { return FsRoot::path(QStringLiteral("/sys/class/gpio")); }

QString FakeGpioTree::valuePath(int line) const { return gpioDir() + QStringLiteral("/gpio%1/value").arg(line); }

bool FakeGpioTree::setValue(int line, const QByteArray& content) const
{
    QFile f(valuePath(line));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(content) == content.size();
}

QByteArray FakeGpioTree::read(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

QByteArray FakeGpioTree::value(int line) const { return read(valuePath(line)); }

char FakeGpioTree::lastWritten(int line) const
{
    const QByteArray v = value(line);
    return v.isEmpty() ? 0 : v.back();
}

QByteArray FakeGpioTree::direction(int line) const
{
    return read(gpioDir() + QStringLiteral("/gpio%1/direction").arg(line));
}

QByteArray FakeGpioTree::exported() const { return read(gpioDir() + QStringLiteral("/export")); }

QByteArray FakeGpioTree::unexported() const { return read(gpioDir() + QStringLiteral("/unexport")); }
