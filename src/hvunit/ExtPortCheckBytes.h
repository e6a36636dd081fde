#pragma once

#include <QByteArray>

// Check bytes of a write to the accessory memory: CRC-16 with the reflected polynomial
// 0xA001 seeded with the page number, stored as its complement, low byte first.
quint16 extPortCrc16(unsigned page, const QByteArray& payload);
QByteArray extPortCheckBytes(unsigned page, const QByteArray& payload);
