#include "hvunit/POFCodec.h"

#include "datamodel/OperatingModes.h"

#include <boost/crc.hpp>

namespace POFCodec {

namespace {
int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool fits(const Field& f)
{
    if (f.width <= 0)
        return false;
    if (f.width >= 16)
        return true;
    const unsigned long long limit = 1ull << (4 * f.width);
    if (!f.isSigned)
        return f.value < limit;
    // A positive value with the field's sign bit set would reach the unit as a negative one.
    const long long s = static_cast<long long>(f.value);
    const long long half = static_cast<long long>(limit / 2);
    return s >= -half && s < half;
}

unsigned long long signExtend32(unsigned long long v)
{
    return static_cast<unsigned long long>(static_cast<long long>(static_cast<qint32>(static_cast<quint32>(v))));
}
} // namespace

unsigned long long hexToValue(const char* chars, int count)
{
    if (!chars || count <= 0 || count > 16)
        return 0;
    unsigned long long value = 0;
    int shift = 0;
    for (int i = count - 1; i >= 0; --i) {
        const int d = hexDigit(chars[i]);
        if (d < 0)
            break;
        value |= static_cast<unsigned long long>(d) << shift;
        shift += 4;
    }
    return value;
}

int valueToHex(unsigned long long value, char* buffer, int width)
{
    static const char digits[] = "0123456789ABCDEF";
    if (!buffer || width <= 0)
        return 0;
    for (int i = width - 1; i >= 0; --i) {
        buffer[i] = digits[value & 0xF];
        value >>= 4;
    }
    return width;
}

quint16 crc16(const char* data, int length)
{
    boost::crc_optimal<16, 0x1021, 0xFFFF, 0, false, false> crc;
    if (data && length > 0)
        crc.process_bytes(data, std::size_t(length));
    return crc.checksum();
}

bool checkCrc16(const char* data, int length, const char* crc)
{
    if (!crc)
        return false;
    // All four must be digits: a partly converted field could match by chance.
    for (int i = 0; i < 4; ++i)
        if (hexDigit(crc[i]) < 0)
            return false;
    return hexToValue(crc, 4) == crc16(data, length);
}

QByteArray request(char code, const QVector<Field>& fields)
{
    QByteArray out;
    out.reserve(MaxRequestLength);
    out.append('>');
    out.append(code);
    for (const Field& f : fields) {
        if (!fits(f) || out.size() + f.width + 1 > MaxRequestLength)
            return QByteArray();
        const int at = out.size();
        out.resize(at + f.width);
        valueToHex(f.value, out.data() + at, f.width);
    }
    out.append('.');
    return out;
}

QByteArray readRequest(char code, const QList<unsigned long long>& payload)
{
    if (replyDigits(code) < 0)
        return QByteArray();
    QVector<Field> fields;
    for (unsigned long long v : payload)
        fields.append({ v, code == 'K' ? 2 : 16, false });
    return request(code, fields);
}

QByteArray writeRequest(char code, unsigned long long value1, unsigned long long value2)
{
    switch (code) {
    case 'b': {
        // Shunt switching in the second byte, burn-mode code in the lowest.
        unsigned long long flags = 0;
        if (((value1 >> 8) & 0xFF) == 1)
            flags |= 0x80;
        if ((value1 & 0xFF) == 1)
            flags |= 0x01;
        else if ((value1 & 0xFF) == 2)
            flags |= 0x02;
        return request(code, { { flags, 2 } });
    }
    case 'f':
        return request(code, { { value1, 8 } });
    case 'i':
        return request(code, { { value1, 16 } });
    case 'k':
        return request(code, { { value1, 2 }, { value2, 16 } });
    case 'm':
        return request(code, { { value1, 2 } });
    case 'q':
        return request(code, { { value1, 4 }, { value2, 4 } });
    case 't':
        return request(code, { { value1, 4 } });
    case 'u':
        return request(code, { { value1, 8, true } });
    case 'l':
    case 'o':
    case 'r':
    case 's':
    case 'x':
    case 'y':
        return request(code);
    default:
        return QByteArray();
    }
}

QByteArray dateTimeRequest(const QDateTime& now)
{
    const QDate d = now.date();
    const QTime t = now.time();
    auto u = [](int v) { return static_cast<unsigned long long>(v); };
    return request('z', { { u(d.day()), 2 }, { u(d.month()), 2 }, { u(d.year()), 4 },
                          { u(t.hour()), 2 }, { u(t.minute()), 2 }, { u(t.second()), 2 } });
}

QByteArray firmwareRequest(int type, unsigned size, unsigned crc)
{
    // Without a size or a CRC the unit could not check what it receives.
    if ((type != 1 && type != 2) || size == 0 || crc == 0)
        return QByteArray();
    return request('p', { { static_cast<unsigned long long>(type), 2 }, { size, 8 }, { crc, 8 } });
}

char modeCharacter(int operatingMode, int cosRectType, int polarity)
{
    switch (operatingMode) {
    case OperatingModes::VLFRect: return 'r';
    case OperatingModes::VLFCosRect:
        return cosRectType == 0 ? 'y' : cosRectType == 1 ? 'e' : cosRectType == 2 ? 'c' : 0;
    case OperatingModes::DC: return polarity == 0 ? '+' : '-';
    case OperatingModes::DAC: return polarity == 0 ? 'D' : 'd';
    case OperatingModes::SheathTest: return 't';
    case OperatingModes::VLFSin:
    case OperatingModes::TanDelta:
    case OperatingModes::MWTSingle:
    case OperatingModes::MWTStep: return 's';
    case OperatingModes::Decay: return 'Y';
    case OperatingModes::SheathPinpointing: return 'p';
    default: return 0;
    }
}

int replyDigits(char code)
{
    switch (code) {
    case 'C':
    case 'F':
    case 'P':
    case 'Q':
    case 'W':
        return 8;
    case 'H':
        return 2;
    case 'K':
        return 18;
    case 'R':
    case 'V':
        return 16;
    case 'L':
    case 'M':
    case 'U':
        return 32;
    default:
        return -1;
    }
}

int textDigits(char code)
{
    return code == 'I' ? 80 : code == 'N' ? 25 : -1;
}

bool filterReply(char expected, const char* content, int length, Reply* reply)
{
    if (!content || !reply)
        return false;
    *reply = Reply();
    // Fewer than two data characters fit no command.
    if (length < ReplyOverhead + 2 || length > MaxReplyLength)
        return false;
    if (content[0] != expected)
        return false;
    reply->data = content + 1;
    reply->dataCount = length - ReplyOverhead;
    reply->crc = reply->data + reply->dataCount;
    return checkCrc16(reply->data, reply->dataCount, reply->crc);
}

bool parseValues(char code, const char* d, int dataCount, unsigned long long* values, int capacity, int* count)
{
    const int digits = replyDigits(code);
    if (digits < 0 || !d || dataCount != digits || !values || !count)
        return false;
    switch (code) {
    case 'K':
        if (capacity < 2)
            return false;
        values[0] = hexToValue(d, 2);
        values[1] = hexToValue(d + 2, 16);
        *count = 2;
        return true;
    case 'Q':
        if (capacity < 2)
            return false;
        values[0] = hexToValue(d, 4);
        values[1] = hexToValue(d + 4, 4);
        *count = 2;
        return true;
    case 'V':
        if (capacity < 2)
            return false;
        values[0] = signExtend32(hexToValue(d, 8));
        values[1] = hexToValue(d + 8, 8);
        *count = 2;
        return true;
    case 'L':
    case 'M':
    case 'U':
        if (capacity < 3)
            return false;
        values[0] = signExtend32(hexToValue(d, 8));
        values[1] = hexToValue(d + 8, 16);
        values[2] = hexToValue(d + 24, 8);
        *count = 3;
        return true;
    default:
        if (capacity < 1)
            return false;
        values[0] = hexToValue(d, digits);
        *count = 1;
        return true;
    }
}

QByteArray replyContent(char code, const QByteArray& data)
{
    QByteArray out;
    out.reserve(data.size() + ReplyOverhead);
    out.append(code);
    out.append(data);
    const int at = out.size();
    out.resize(at + 4);
    valueToHex(crc16(data.constData(), data.size()), out.data() + at, 4);
    return out;
}

} // namespace POFCodec
