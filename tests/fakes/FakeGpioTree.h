#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A sysfs GPIO tree ("/sys/class/gpio") below the current file-system root, made of
// plain files: export, unexport and gpioN/{direction,value} for the given lines.
// A one-shot attribute write truncates, so such a file holds the last value written;
// writes to an open value file go on at its position, so an output's value file holds
// every value written to it in order.
class FakeGpioTree {
public:
    // Creates the tree: inputs reading value, outputs with an empty value file.
    explicit FakeGpioTree(const QList<int>& inputs, const QList<int>& outputs = {}, char value = '1');

    static QString gpioDir();
    QString valuePath(int line) const;

    // Rewrites an input line in place (the same file, so an open descriptor sees it).
    bool setValue(int line, const QByteArray& content) const;
    bool setLine(int line, bool high) const { return setValue(line, high ? "1\n" : "0\n"); }
    QByteArray value(int line) const;
    // Last character written to an output's value file; 0 when nothing was written.
    char lastWritten(int line) const;
    QByteArray direction(int line) const;
    QByteArray exported() const;
    QByteArray unexported() const;

private:
    static QByteArray read(const QString& path);
};
