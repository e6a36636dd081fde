#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QVector>

// The HV unit's line protocol without the line: request frames, hex fields, the
// reply checksum and the values of a reply. Plain functions; TPOF runs the
// transactions on top of them.
namespace POFCodec {

// Longest request frame the unit takes.
constexpr int MaxRequestLength = 32;
// Reply content (between '<' and '.') the receiver keeps: letter, data, checksum.
constexpr int MaxReplyLength = 128;
// Letter and four checksum digits around the data of a reply.
constexpr int ReplyOverhead = 5;

// One payload field: its value written as `width` upper-case hex digits.
struct Field {
    unsigned long long value = 0;
    int width = 0;
    // Negative values go as two's complement in the field's lowest digits.
    bool isSigned = false;
};

// Hex digits (count 1 to 16) to a value, read from the right; a character that is
// no hex digit ends the number. 0 for a null pointer or a count outside 1..16.
unsigned long long hexToValue(const char* chars, int count);
// The lowest `width` hex digits of value, most significant first; returns width.
int valueToHex(unsigned long long value, char* buffer, int width);

// CRC-16 of the reply data: polynomial 0x1021, start 0xFFFF, no reflection, no final XOR.
quint16 crc16(const char* data, int length);
// True when the four characters at crc are hex digits (either case) naming crc16(data).
bool checkCrc16(const char* data, int length, const char* crc);

// '>', code, the fields, '.'. Empty when a value does not fit its field or the frame
// would be longer than MaxRequestLength.
QByteArray request(char code, const QVector<Field>& fields = {});
// A value read: each payload value in 2 digits for 'K', 16 for any other code.
// Empty for a code that is no value read, or a payload value too wide.
QByteArray readRequest(char code, const QList<unsigned long long>& payload = {});
// A write command with its one or two values ('m' takes the mode character as value1;
// 'z' and 'p' have their own builders). Empty for any other code or a value too wide.
QByteArray writeRequest(char code, unsigned long long value1 = 0, unsigned long long value2 = 0);
// 'z' with the local date and time.
QByteArray dateTimeRequest(const QDateTime& now);
// 'p': announces a firmware image of type 1 or 2 with its size and CRC-32; empty for
// another type, a size of 0 or a CRC of 0.
QByteArray firmwareRequest(int type, unsigned size, unsigned crc);

// The mode character of 'm' for an operating mode, the subscriber's cos-rectangular
// type and voltage polarity; 0 for a mode the unit does not know.
char modeCharacter(int operatingMode, int cosRectType, int polarity);

// Data characters the reply of a value read carries; -1 for any other code.
int replyDigits(char code);
// Data characters of a text read ('I', 'N'); -1 for any other code.
int textDigits(char code);

// Where the parts of an accepted reply lie within the received content.
struct Reply {
    const char* data = nullptr;
    int dataCount = 0;
    const char* crc = nullptr;
};

// Accepts received content (without '<' and '.'): the expected letter first, at least
// two data characters, at most MaxReplyLength in all, and a matching checksum. The
// parts are set whenever the frame is long enough, even if the checksum fails.
bool filterReply(char expected, const char* content, int length, Reply* reply);
// The values of a value read's data: exactly replyDigits(code) characters and a
// capacity for all values. Sets count; false leaves values and count untouched.
bool parseValues(char code, const char* data, int dataCount, unsigned long long* values, int capacity,
                 int* count);

// The content of a reply as the unit sends it (letter, data, checksum); for the
// simulated unit and tests.
QByteArray replyContent(char code, const QByteArray& data);

} // namespace POFCodec
