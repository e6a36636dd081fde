#pragma once

#include <QtGlobal>

// CRC-32 of a whole file as the update packages carry it: the reflected table of
// polynomial 0xEDB88320, register starting at 0 and no final inversion (so it is
// not the common CRC-32). Pending events are processed after every 1024-byte block.
// Returns 0 when the file cannot be read; callers treat 0 as "no CRC".
quint32 getCRC32FromFile(const char* path);
