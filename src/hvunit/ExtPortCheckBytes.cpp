#include "hvunit/ExtPortCheckBytes.h"

quint16 extPortCrc16(unsigned page, const QByteArray& payload)
{
    quint16 crc = quint16(page);
    for (const char c : payload) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

QByteArray extPortCheckBytes(unsigned page, const QByteArray& payload)
{
    const quint16 stored = quint16(~extPortCrc16(page, payload));
    QByteArray bytes(2, '\0');
    bytes[0] = char(stored & 0xFF);
    bytes[1] = char(stored >> 8);
    return bytes;
}
