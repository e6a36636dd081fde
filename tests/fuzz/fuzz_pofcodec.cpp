#include "fuzz/FuzzDriver.h"
#include "hvunit/POFCodec.h"

#include <cstring>

// Input: the expected command letter, a byte for the capacity, then the content of a
// received reply. The same bytes also describe request fields (width, sign, value).
namespace {

unsigned long long lowDigits(unsigned long long v, int width)
{
    return width >= 16 ? v : v & ((1ull << (4 * width)) - 1);
}

bool replies(char code, int capacity, const QByteArray& content)
{
    POFCodec::Reply r;
    const bool accepted = POFCodec::filterReply(code, content.constData(), content.size(), &r);
    if (accepted) {
        FUZZ_CHECK(content.size() >= POFCodec::ReplyOverhead + 2 && content.size() <= POFCodec::MaxReplyLength);
        FUZZ_CHECK(content.at(0) == code);
        FUZZ_CHECK(r.data == content.constData() + 1 && r.dataCount == content.size() - POFCodec::ReplyOverhead);
        FUZZ_CHECK(POFCodec::hexToValue(r.crc, 4) == POFCodec::crc16(r.data, r.dataCount));
    }
    unsigned long long values[4] = { 1, 2, 3, 4 };
    int count = -1;
    if (POFCodec::parseValues(code, r.data, r.dataCount, values, capacity, &count)) {
        FUZZ_CHECK(r.dataCount == POFCodec::replyDigits(code));
        FUZZ_CHECK(count >= 1 && count <= capacity);
    } else {
        FUZZ_CHECK(count == -1);
    }
    // What the unit would send for these data is always taken back.
    const QByteArray data = content.mid(1);
    if (data.size() >= 2 && data.size() + POFCodec::ReplyOverhead <= POFCodec::MaxReplyLength) {
        const QByteArray sent = POFCodec::replyContent(code, data);
        FUZZ_CHECK(POFCodec::filterReply(code, sent.constData(), sent.size(), &r));
        FUZZ_CHECK(r.dataCount == data.size() && memcmp(r.data, data.constData(), size_t(data.size())) == 0);
    }
    return accepted;
}

bool requests(char code, const QByteArray& bytes)
{
    QVector<POFCodec::Field> fields;
    for (int at = 0; at + 9 <= bytes.size() && fields.size() < 6; at += 9) {
        POFCodec::Field f;
        f.width = quint8(bytes.at(at)) % 20;
        f.isSigned = quint8(bytes.at(at)) & 0x80;
        memcpy(&f.value, bytes.constData() + at + 1, 8);
        fields << f;
    }
    const QByteArray frame = POFCodec::request(code, fields);
    if (frame.isEmpty())
        return false;
    FUZZ_CHECK(frame.size() <= POFCodec::MaxRequestLength);
    FUZZ_CHECK(frame.at(0) == '>' && frame.at(1) == code && frame.endsWith('.'));
    int at = 2;
    for (const POFCodec::Field& f : fields) {
        FUZZ_CHECK(f.width > 0);
        // Digits beyond 16 lead with zeros; the value sits in the last 16.
        const int extra = qMax(0, f.width - 16);
        for (int i = 0; i < extra; ++i)
            FUZZ_CHECK(frame.at(at + i) == '0');
        FUZZ_CHECK(POFCodec::hexToValue(frame.constData() + at + extra, f.width - extra)
                   == lowDigits(f.value, f.width - extra));
        if (f.isSigned && f.width < 16) {
            // The digits read back as two's complement give the value itself.
            const int bits = 4 * f.width;
            const long long raw = static_cast<long long>(lowDigits(f.value, f.width));
            const long long back = raw >= (1ll << (bits - 1)) ? raw - (1ll << bits) : raw;
            FUZZ_CHECK(back == static_cast<long long>(f.value));
        } else if (f.width < 16) {
            FUZZ_CHECK(f.value == lowDigits(f.value, f.width));
        }
        at += f.width;
    }
    FUZZ_CHECK(at + 1 == frame.size());
    return !fields.isEmpty();
}

bool target(const QByteArray& input)
{
    if (input.size() < 2)
        return false;
    const char code = input.at(0);
    const int capacity = quint8(input.at(1)) % 5;
    const QByteArray content = input.mid(2);
    const bool reply = replies(code, capacity, content);
    const bool request = requests(code, content);
    const int first = qMin(16, content.size());
    const int second = qMin(16, content.size() - first);
    POFCodec::writeRequest(code, POFCodec::hexToValue(content.constData(), first),
                           POFCodec::hexToValue(content.constData() + first, second));
    return reply || request;
}
} // namespace

int main(int argc, char** argv) { return fuzzMain(argc, argv, "fuzz_pofcodec", target); }
