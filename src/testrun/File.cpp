#include "testrun/File.h"

#include <QFile>

#include <zlib.h>

#include <cstring>

namespace TestChart {
namespace VLF {

namespace {
const char kMagic[] = "VLFTestData";
const char kInfoTag[] = "Info";
const char kMeasureTag[] = "Measure";
const char kPeriodicTag[] = "Periodic";
const qint16 kVersion = 1;
constexpr int kTextKeyUtf16 = 42;

// Smallest encoded size of one entry: every number takes at least one byte.
constexpr int kMinInfoEntry = 3;
constexpr int kMinMeasureEntry = 4;
constexpr int kMinPeriodicEntry = 5;
constexpr int kCheckWordSize = 4;
constexpr qint64 kInfoPrefix = 64 * 1024;

// The check word of a section (RFC 1950 Adler-32).
class Adler32 {
public:
    void add(const char* bytes, int size)
    {
        if (size > 0)
            m_sum = adler32(m_sum, reinterpret_cast<const Bytef*>(bytes), static_cast<uInt>(size));
    }
    quint32 value() const { return static_cast<quint32>(m_sum); }

private:
    uLong m_sum = adler32(0L, Z_NULL, 0);
};

quint64 zigZag(qint64 v)
{
    return (static_cast<quint64>(v) << 1) ^ static_cast<quint64>(v >> 63);
}

qint64 unZigZag(quint64 z)
{
    return static_cast<qint64>((z >> 1) ^ (~(z & 1) + 1));
}

// Seven bits a byte, lowest first; the top bit says another byte follows.
inline void putVarUInt(char*& out, quint64 value)
{
    while (value >= 0x80) {
        *out++ = char((value & 0x7F) | 0x80);
        value >>= 7;
    }
    *out++ = char(value);
}

// A 32-bit number takes at most five bytes once zig-zagged.
constexpr int kMaxNumberSize = 5;

inline void putNumber(char*& out, qint32 v) { putVarUInt(out, zigZag(v)); }

inline void putBE32(char*& out, quint32 v)
{
    *out++ = char(v >> 24);
    *out++ = char(v >> 16);
    *out++ = char(v >> 8);
    *out++ = char(v);
}

inline void putBytes(char*& out, const char* bytes, int size)
{
    memcpy(out, bytes, size_t(size));
    out += size;
}

// Differences wrap in 32-bit two's complement, both ways.
qint32 wrapSub(qint32 a, qint32 b) { return static_cast<qint32>(static_cast<quint32>(a) - static_cast<quint32>(b)); }
qint32 wrapAdd(qint32 a, qint32 b) { return static_cast<qint32>(static_cast<quint32>(a) + static_cast<quint32>(b)); }
} // namespace

// Bounded cursor over the bytes of a file: nothing is ever read past the end.
// The bytes may be the first part of a longer file: what lies beyond them is told
// apart from a fault (short()).
class File::Reader {
public:
    Reader(const QByteArray& bytes, qint64 fileSize) : m_bytes(bytes), m_fileSize(qMax<qint64>(fileSize, bytes.size())) {}

    // What the whole file still holds, for the plausibility of counts.
    qint64 remaining() const { return m_fileSize - m_pos; }
    int pos() const { return m_pos; }
    const char* at(int pos) const { return m_bytes.constData() + pos; }
    bool isShort() const { return m_short; }

    bool take(int n, const char** out)
    {
        if (!available(n))
            return false;
        *out = m_bytes.constData() + m_pos;
        m_pos += n;
        return true;
    }
    bool byte(quint8& out)
    {
        if (!available(1))
            return false;
        out = static_cast<quint8>(m_bytes.at(m_pos++));
        return true;
    }
    bool be32(quint32& out)
    {
        const char* p = nullptr;
        if (!take(4, &p))
            return false;
        const auto* u = reinterpret_cast<const unsigned char*>(p);
        out = (quint32(u[0]) << 24) | (quint32(u[1]) << 16) | (quint32(u[2]) << 8) | quint32(u[3]);
        return true;
    }
    bool be16(qint16& out)
    {
        const char* p = nullptr;
        if (!take(2, &p))
            return false;
        const auto* u = reinterpret_cast<const unsigned char*>(p);
        out = static_cast<qint16>((quint16(u[0]) << 8) | quint16(u[1]));
        return true;
    }
    bool expect(const char* text, int size)
    {
        const char* p = nullptr;
        return take(size, &p) && memcmp(p, text, size) == 0;
    }

private:
    bool available(int n)
    {
        if (n >= 0 && n <= m_bytes.size() - m_pos)
            return true;
        m_short = n >= 0 && n <= remaining();
        return false;
    }

    const QByteArray& m_bytes;
    const qint64 m_fileSize;
    int m_pos = 0;
    bool m_short = false;
};

qint64 File::varIntRead(Reader& stream, bool& ok)
{
    quint64 z = 0;
    for (int i = 0; i < 10; ++i) {
        quint8 b = 0;
        if (!stream.byte(b)) {
            ok = false;
            return 0;
        }
        z |= quint64(b & 0x7F) << (7 * i);
        if (!(b & 0x80)) {
            ok = true;
            return unZigZag(z);
        }
    }
    // More than ten bytes cannot be a 64-bit number.
    ok = false;
    return 0;
}

QByteArray File::encode(const TestData& data)
{
    // Every number goes straight into one buffer sized for the worst case.
    qint64 bound = 11 + 2 + (4 + 4 + 4) + (7 + 4 + 4) + (8 + 4 + 4);
    for (const TestData::Info& e : data.info)
        bound += 3 * kMaxNumberSize + qint64(e.value.size()) * (e.key == kTextKeyUtf16 ? 2 : 1);
    bound += qint64(data.measure.size()) * 4 * kMaxNumberSize;
    bound += qint64(data.periodic.size()) * 5 * kMaxNumberSize;
    QByteArray out(int(bound), Qt::Uninitialized);
    char* const begin = out.data();
    char* p = begin;
    putBytes(p, kMagic, 11);
    *p++ = char(kVersion >> 8);
    *p++ = char(kVersion & 0xFF);

    auto checkWord = [&p](const char* start) {
        Adler32 sum;
        sum.add(start, int(p - start));
        putBE32(p, sum.value());
    };

    putBytes(p, kInfoTag, 4);
    putBE32(p, quint32(data.info.size()));
    const char* start = p;
    for (const TestData::Info& e : data.info) {
        putNumber(p, e.group);
        putNumber(p, e.key);
        const int n = e.value.size();
        if (e.key == kTextKeyUtf16) {
            putNumber(p, n * 2);
            for (const QChar c : e.value) {
                const ushort u = c.unicode();
                *p++ = char(u & 0xFF);
                *p++ = char(u >> 8);
            }
        } else {
            putNumber(p, n);
            for (const QChar c : e.value) // characters outside Latin-1 become '?'
                *p++ = c.unicode() > 0xFF ? '?' : char(c.unicode());
        }
    }
    checkWord(start);

    putBytes(p, kMeasureTag, 7);
    putBE32(p, quint32(data.measure.size()));
    start = p;
    TestData::Measure prevM;
    for (const TestData::Measure& e : data.measure) {
        putNumber(p, wrapSub(e.run, prevM.run));
        putNumber(p, wrapSub(e.timestamp, prevM.timestamp));
        putNumber(p, wrapSub(e.voltage, prevM.voltage));
        putNumber(p, wrapSub(e.current, prevM.current));
        prevM = e;
    }
    checkWord(start);

    putBytes(p, kPeriodicTag, 8);
    putBE32(p, quint32(data.periodic.size()));
    start = p;
    TestData::Periodic prevP;
    for (const TestData::Periodic& e : data.periodic) {
        putNumber(p, wrapSub(e.run, prevP.run));
        putNumber(p, wrapSub(e.timestamp, prevP.timestamp));
        putNumber(p, wrapSub(e.voltage, prevP.voltage));
        putNumber(p, wrapSub(e.amperage, prevP.amperage));
        putNumber(p, wrapSub(e.tanDelta, prevP.tanDelta));
        prevP = e;
    }
    checkWord(start);
    out.resize(int(p - begin));
    return out;
}

bool File::decode(const QByteArray& bytes, TestData& data, bool all, bool wholeFile)
{
    return decode(bytes, bytes.size(), data, all, wholeFile, nullptr);
}

bool File::decode(const QByteArray& bytes, qint64 fileSize, TestData& data, bool all, bool wholeFile,
                  bool* needMore)
{
    Reader in(bytes, fileSize);
    const bool ok = decode(in, data, all);
    if (needMore)
        *needMore = !ok && in.isShort();
    return ok && (!wholeFile || in.remaining() == 0);
}

bool File::decode(Reader& in, TestData& data, bool all)
{
    if (!in.expect(kMagic, 11))
        return false;
    qint16 version = 0;
    if (!in.be16(version) || version != kVersion)
        return false;

    // Reads a section's tag and count; refuses counts the rest of the file cannot hold.
    auto header = [&in](const char* tag, int tagSize, int minEntry, int& count) {
        quint32 raw = 0;
        if (!in.expect(tag, tagSize) || !in.be32(raw))
            return false;
        count = static_cast<qint32>(raw);
        return count >= 0 && qint64(count) * minEntry <= in.remaining() - kCheckWordSize;
    };
    auto checkWord = [&in](int start) {
        Adler32 sum;
        sum.add(in.at(start), in.pos() - start);
        quint32 stored = 0;
        return in.be32(stored) && stored == sum.value();
    };
    auto number = [&in](qint32& out) {
        bool ok = false;
        out = static_cast<qint32>(varIntRead(in, ok));
        return ok;
    };

    int count = 0;
    if (!header(kInfoTag, 4, kMinInfoEntry, count))
        return false;
    int start = in.pos();
    data.info.reserve(data.info.size() + count);
    for (int i = 0; i < count; ++i) {
        TestData::Info e;
        qint32 length = 0;
        const char* p = nullptr;
        if (!number(e.group) || !number(e.key) || !number(length) || !in.take(length, &p))
            return false;
        if (e.key == kTextKeyUtf16) {
            const int units = length / 2;
            e.value.resize(units);
            QChar* dst = e.value.data();
            const auto* u = reinterpret_cast<const unsigned char*>(p);
            for (int k = 0; k < units; ++k)
                dst[k] = QChar(ushort(u[2 * k] | (u[2 * k + 1] << 8)));
        } else {
            const void* nul = memchr(p, 0, size_t(length));
            const int n = nul ? int(static_cast<const char*>(nul) - p) : length;
            e.value = QString::fromLatin1(p, n);
        }
        data.info.append(e);
    }
    if (!checkWord(start))
        return false;
    if (!all)
        return true;

    if (!header(kMeasureTag, 7, kMinMeasureEntry, count))
        return false;
    start = in.pos();
    data.measure.reserve(data.measure.size() + count);
    TestData::Measure m;
    for (int i = 0; i < count; ++i) {
        qint32 d[4];
        for (qint32& v : d) {
            if (!number(v))
                return false;
        }
        m.run = wrapAdd(m.run, d[0]);
        m.timestamp = wrapAdd(m.timestamp, d[1]);
        m.voltage = wrapAdd(m.voltage, d[2]);
        m.current = wrapAdd(m.current, d[3]);
        data.measure.append(m);
    }
    if (!checkWord(start))
        return false;

    if (!header(kPeriodicTag, 8, kMinPeriodicEntry, count))
        return false;
    start = in.pos();
    data.periodic.reserve(data.periodic.size() + count);
    TestData::Periodic p;
    for (int i = 0; i < count; ++i) {
        qint32 d[5];
        for (qint32& v : d) {
            if (!number(v))
                return false;
        }
        p.run = wrapAdd(p.run, d[0]);
        p.timestamp = wrapAdd(p.timestamp, d[1]);
        p.voltage = wrapAdd(p.voltage, d[2]);
        p.amperage = wrapAdd(p.amperage, d[3]);
        p.tanDelta = wrapAdd(p.tanDelta, d[4]);
        data.periodic.append(p);
    }
    return checkWord(start);
}

bool File::write(const QString& path, const TestData& data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = encode(data);
    const bool written = file.write(bytes) == bytes.size();
    const bool flushed = file.flush();
    file.close();
    return written && flushed;
}

bool File::read(const QString& path, TestData& data, bool all)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size > MaxRecordSize)
        return false;
    if (all)
        return decode(file.readAll(), size, data, true, false, nullptr);
    // The info section sits at the front: listing a store need not load the samples. The
    // file is read further only while the section reaches past what was read.
    QByteArray bytes;
    for (qint64 want = kInfoPrefix;; want *= 2) {
        const QByteArray more = file.read(want - bytes.size());
        if (more.isEmpty() && bytes.size() < size)
            return false;
        bytes += more;
        TestData info;
        bool needMore = false;
        const bool ok = decode(bytes, size, info, false, false, &needMore);
        if (ok || !needMore || bytes.size() >= size) {
            data.info += info.info;
            return ok;
        }
    }
}

bool File::verify(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() > MaxRecordSize)
        return false;
    const QByteArray bytes = file.readAll();
    TestData scratch;
    return decode(bytes, scratch, true, true);
}

} // namespace VLF
} // namespace TestChart
