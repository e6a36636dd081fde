#include "core/CRC32.h"

#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QFile>

#include <boost/crc.hpp>

quint32 getCRC32FromFile(const char* path)
{
    if (!path || !*path)
        return 0;
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly)) {
        KLOG_DEBUG2("CRC32", "getCRC32FromFile", QStringLiteral("Cannot open %1").arg(file.fileName()));
        return 0;
    }
    // The reflected 0x04C11DB7 (table 0xEDB88320), register from 0, no final inversion.
    boost::crc_optimal<32, 0x04C11DB7, 0, 0, true, true> crc;
    char block[1024];
    for (;;) {
        const qint64 n = file.read(block, sizeof block);
        if (n < 0) {
            KLOG_DEBUG2("CRC32", "getCRC32FromFile", QStringLiteral("Cannot read %1").arg(file.fileName()));
            return 0;
        }
        if (n == 0)
            break;
        crc.process_bytes(block, static_cast<std::size_t>(n));
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    }
    return crc.checksum();
}
