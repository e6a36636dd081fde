#include "core/CRC32.h"

#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QFile>

#include <array>

namespace {
std::array<quint32, 256> makeTable()
{
    std::array<quint32, 256> table{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : (c >> 1);
        table[i] = c;
    }
    return table;
}
} // namespace

quint32 getCRC32FromFile(const char* path)
{
    static const std::array<quint32, 256> table = makeTable();
    if (!path || !*path)
        return 0;
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly)) {
        KLOG_DEBUG2("CRC32", "getCRC32FromFile", QStringLiteral("Cannot open %1").arg(file.fileName()));
        return 0;
    }
    quint32 crc = 0;
    char block[1024];
    for (;;) {
        const qint64 n = file.read(block, sizeof block);
        if (n < 0) {
            KLOG_DEBUG2("CRC32", "getCRC32FromFile", QStringLiteral("Cannot read %1").arg(file.fileName()));
            return 0;
        }
        if (n == 0)
            break;
        for (qint64 i = 0; i < n; ++i)
            crc = table[(static_cast<quint8>(block[i]) ^ crc) & 0xFFu] ^ (crc >> 8);
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    }
    return crc;
}
