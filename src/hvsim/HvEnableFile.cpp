#include "hvsim/HvEnableFile.h"

#include <QFile>

std::function<bool()> hvEnableFromFile(const QString& valueFile)
{
    return [valueFile] {
        QFile f(valueFile);
        if (!f.open(QIODevice::ReadOnly) || f.size() == 0 || !f.seek(f.size() - 1))
            return false;
        char last = 0;
        return f.getChar(&last) && last == '1';
    };
}
