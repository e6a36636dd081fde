#include "datamodel/OperatingModes.h"
#include "hvunit/POFCodec.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace POFCodec;

namespace {
// Accepts content and parses it as a reply to code; the values, or empty when refused.
QList<unsigned long long> decode(char code, const QByteArray& content, int capacity = 3)
{
    Reply r;
    if (!filterReply(code, content.constData(), content.size(), &r))
        return {};
    unsigned long long v[3] = {};
    int n = 0;
    if (!parseValues(code, r.data, r.dataCount, v, capacity, &n))
        return {};
    QList<unsigned long long> out;
    for (int i = 0; i < n; ++i)
        out << v[i];
    return out;
}
} // namespace

class TestPOFCodec : public QObject {
    Q_OBJECT

private slots:
    void startUpSequenceFrames()
    {
        QCOMPARE(dateTimeRequest(QDateTime(QDate(2024, 3, 1), QTime(9, 5, 7))), QByteArray(">z010307E8090507."));
        QCOMPARE(dateTimeRequest(QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58))), QByteArray(">z1F0C07CF173B3A."));
        QCOMPARE(request('N'), QByteArray(">N."));
        QCOMPARE(request('I'), QByteArray(">I."));
        QCOMPARE(readRequest('H'), QByteArray(">H."));
        QCOMPARE(readRequest('W'), QByteArray(">W."));
        QCOMPARE(readRequest('K', { 24 }), QByteArray(">K18."));
        QCOMPARE(readRequest('R', { 1 }), QByteArray(">R0000000000000001."));
        // Texts are no value reads; writes are no reads at all.
        QCOMPARE(readRequest('I'), QByteArray());
        QCOMPARE(readRequest('u'), QByteArray());
        QCOMPARE(textDigits('I'), 80);
        QCOMPARE(textDigits('N'), 25);
        QCOMPARE(textDigits('W'), -1);
    }

    void writeFrames_data()
    {
        QTest::addColumn<char>("code");
        QTest::addColumn<qulonglong>("v1");
        QTest::addColumn<qulonglong>("v2");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("voltage") << 'u' << 37000000ull << 0ull << QByteArray(">u02349340.");
        QTest::newRow("negative voltage") << 'u' << qulonglong(-5000ll) << 0ull << QByteArray(">uFFFFEC78.");
        QTest::newRow("burn+shunt") << 'b' << 0x101ull << 0ull << QByteArray(">b81.");
        QTest::newRow("burn 2") << 'b' << 0x2ull << 0ull << QByteArray(">b02.");
        QTest::newRow("burn 3") << 'b' << 0x3ull << 0ull << QByteArray(">b00.");
        QTest::newRow("parameter") << 'k' << 35ull << 399ull << QByteArray(">k23000000000000018F.");
        QTest::newRow("gains") << 'q' << 10000ull << 10000ull << QByteArray(">q27102710.");
        QTest::newRow("frequency") << 'f' << 100ull << 0ull << QByteArray(">f00000064.");
        QTest::newRow("minutes") << 't' << 60ull << 0ull << QByteArray(">t003C.");
        QTest::newRow("i") << 'i' << 0x1122334455667788ull << 0ull << QByteArray(">i1122334455667788.");
        QTest::newRow("start") << 'r' << 5ull << 0ull << QByteArray(">r.");
        QTest::newRow("stop ack") << 'x' << 0ull << 0ull << QByteArray(">x.");
        QTest::newRow("mode sine") << 'm' << qulonglong('s') << 0ull << QByteArray(">m73.");
        QTest::newRow("mode none") << 'm' << 0ull << 0ull << QByteArray(">m00.");
        QTest::newRow("read") << 'W' << 0ull << 0ull << QByteArray();
        QTest::newRow("firmware") << 'p' << 1ull << 0ull << QByteArray();
        QTest::newRow("date") << 'z' << 0ull << 0ull << QByteArray();
    }

    void writeFrames()
    {
        QFETCH(char, code);
        QFETCH(qulonglong, v1);
        QFETCH(qulonglong, v2);
        QFETCH(QByteArray, expected);
        QCOMPARE(writeRequest(code, v1, v2), expected);
    }

    void modeCharacters()
    {
        QCOMPARE(modeCharacter(OperatingModes::VLFRect, 0, 0), 'r');
        QCOMPARE(modeCharacter(OperatingModes::VLFCosRect, 0, 0), 'y');
        QCOMPARE(modeCharacter(OperatingModes::VLFCosRect, 1, 0), 'e');
        QCOMPARE(modeCharacter(OperatingModes::VLFCosRect, 2, 0), 'c');
        QCOMPARE(modeCharacter(OperatingModes::VLFCosRect, 3, 0), char(0));
        QCOMPARE(modeCharacter(OperatingModes::DC, 0, 0), '+');
        QCOMPARE(modeCharacter(OperatingModes::DC, 0, 1), '-');
        QCOMPARE(modeCharacter(OperatingModes::DAC, 0, 1), 'd');
        QCOMPARE(modeCharacter(OperatingModes::MWTStep, 0, 0), 's');
        QCOMPARE(modeCharacter(OperatingModes::Decay, 0, 0), 'Y');
        QCOMPARE(modeCharacter(OperatingModes::SheathPinpointing, 0, 0), 'p');
        QCOMPARE(modeCharacter(OperatingModes::SafetyCircuitCheck, 0, 0), char(0));
    }

    void fieldsTooWideAreRefused()
    {
        // Unsigned fields take what their digits hold, nothing more.
        QCOMPARE(writeRequest('f', 0xFFFFFFFFull), QByteArray(">fFFFFFFFF."));
        QCOMPARE(writeRequest('f', 0x100000000ull), QByteArray());
        QCOMPARE(writeRequest('t', 0x10000ull), QByteArray());
        QCOMPARE(writeRequest('q', 0x10000ull, 1), QByteArray());
        QCOMPARE(writeRequest('q', 1, 0x10000ull), QByteArray());
        QCOMPARE(writeRequest('k', 0x100ull, 1), QByteArray());
        QCOMPARE(readRequest('K', { 0x100 }), QByteArray());
        // Signed: two's complement within the field's own range.
        QCOMPARE(writeRequest('u', qulonglong(-0x80000000ll)), QByteArray(">u80000000."));
        QCOMPARE(writeRequest('u', 0x7FFFFFFFull), QByteArray(">u7FFFFFFF."));
        QCOMPARE(writeRequest('u', qulonglong(-0x80000001ll)), QByteArray());
        QCOMPARE(writeRequest('u', 0x80000000ull), QByteArray()); // would read as negative
        QCOMPARE(writeRequest('u', 0x100000000ull), QByteArray());
        QCOMPARE(request('u', { { qulonglong(-1ll), 2, true } }), QByteArray(">uFF."));
        QCOMPARE(request('u', { { qulonglong(-129ll), 2, true } }), QByteArray());
        // 16-digit fields hold every value; the frame itself has a length limit.
        QCOMPARE(request('i', { { ~0ull, 16 } }), QByteArray(">iFFFFFFFFFFFFFFFF."));
        QCOMPARE(request('i', { { 0, 16 }, { 0, 13 } }).size(), MaxRequestLength);
        QCOMPARE(request('i', { { 0, 16 }, { 0, 14 } }), QByteArray());
        QCOMPARE(request('i', { { 0, 0 } }), QByteArray());
    }

    void firmwareAnnouncement()
    {
        QCOMPARE(firmwareRequest(1, 1000, 0xCAFE), QByteArray(">p01000003E80000CAFE."));
        QCOMPARE(firmwareRequest(2, 300, 0x1234), QByteArray(">p020000012C00001234."));
        QCOMPARE(firmwareRequest(2, 0xFFFFFFFFu, 0xFFFFFFFFu), QByteArray(">p02FFFFFFFFFFFFFFFF."));
        QCOMPARE(firmwareRequest(3, 10, 0x1234), QByteArray());
        QCOMPARE(firmwareRequest(0, 10, 0x1234), QByteArray());
        QCOMPARE(firmwareRequest(1, 0, 5), QByteArray());
        QCOMPARE(firmwareRequest(1, 5, 0), QByteArray());
    }

    void checksumAndHexDigits()
    {
        QCOMPARE(crc16("123456789", 9), quint16(0x29B1));
        QCOMPARE(crc16("", 0), quint16(0xFFFF));
        QCOMPARE(crc16(nullptr, 5), quint16(0xFFFF));
        QCOMPARE(crc16("00001000", 8), quint16(0xA133));
        QVERIFY(checkCrc16("00001000", 8, "A133"));
        QVERIFY(checkCrc16("00001000", 8, "a133"));
        QVERIFY(!checkCrc16("00001000", 8, "A134"));
        QVERIFY(!checkCrc16("00001000", 8, "A13"));   // the terminator is no digit
        QVERIFY(!checkCrc16("00001000", 8, " 133")); // a partly converted field
        QVERIFY(!checkCrc16("00001000", 8, nullptr));

        QCOMPARE(hexToValue("ffFFffFFffFFffFF", 16), ~0ull);
        QCOMPARE(hexToValue("12G4", 4), 4ull);
        QCOMPARE(hexToValue("1", 0), 0ull);
        QCOMPARE(hexToValue("00000000000000001", 17), 0ull);
        char buf[5] = {};
        QCOMPARE(valueToHex(0xABCDEull, buf, 4), 4);
        QCOMPARE(QByteArray(buf), QByteArray("BCDE"));
        QCOMPARE(valueToHex(1, buf, 0), 0);
    }

    void repliesAreParsed()
    {
        QCOMPARE(decode('W', "W00001000A133"), QList<unsigned long long>{ 0x1000 });
        QCOMPARE(decode('W', "W00001000a133"), QList<unsigned long long>{ 0x1000 });
        QCOMPARE(replyContent('W', "00001000"), QByteArray("W00001000A133"));
        QCOMPARE(decode('H', replyContent('H', "FB")), QList<unsigned long long>{ 0xFB });
        QCOMPARE(decode('Q', replyContent('Q', "27100001")), (QList<unsigned long long>{ 10000, 1 }));
        QCOMPARE(decode('K', replyContent('K', "18FFFFFFFFFFFFFFFE")), (QList<unsigned long long>{ 0x18, ~1ull }));
        // Signed 32-bit fields come back sign-extended; the others do not.
        QCOMPARE(decode('V', replyContent('V', "FFE17B80FFFFFFFF")),
                 (QList<unsigned long long>{ qulonglong(-2000000ll), 0xFFFFFFFFull }));
        QCOMPARE(decode('M', replyContent('M', "80000000" "FFFFFFFFFFFFFFFF" "FFFFFFFF")),
                 (QList<unsigned long long>{ qulonglong(-0x80000000ll), ~0ull, 0xFFFFFFFFull }));
    }

    void badRepliesAreRefused_data()
    {
        QTest::addColumn<char>("code");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<bool>("frameOk");
        QTest::newRow("wrong checksum") << 'W' << QByteArray("W00001000A134") << 1 << false;
        QTest::newRow("wrong letter") << 'V' << QByteArray("W00001000A133") << 2 << false;
        QTest::newRow("short") << 'H' << replyContent('H', "F") << 1 << false;
        QTest::newRow("letter only") << 'W' << QByteArray("W") << 1 << false;
        QTest::newRow("empty") << 'W' << QByteArray() << 1 << false;
        QTest::newRow("too long") << 'W' << replyContent('W', QByteArray(124, '0')) << 1 << false;
        QTest::newRow("digits for another code") << 'C' << replyContent('C', "0000100") << 1 << true;
        QTest::newRow("one digit more") << 'W' << replyContent('W', "000010000") << 1 << true;
        QTest::newRow("capacity 1 for two") << 'K' << replyContent('K', "180000000000000001") << 1 << true;
        QTest::newRow("capacity 2 for three") << 'U' << replyContent('U', QByteArray(32, '1')) << 2 << true;
        QTest::newRow("no value read") << 'N' << replyContent('N', QByteArray(25, 'A')) << 3 << true;
    }

    void badRepliesAreRefused()
    {
        QFETCH(char, code);
        QFETCH(QByteArray, content);
        QFETCH(int, capacity);
        QFETCH(bool, frameOk);
        Reply r;
        QCOMPARE(filterReply(code, content.constData(), content.size(), &r), frameOk);
        if (!frameOk)
            return; // a refused frame is never parsed
        unsigned long long v[3] = { 7, 7, 7 };
        int n = 99;
        QVERIFY(!parseValues(code, r.data, r.dataCount, v, capacity, &n));
        QCOMPARE(n, 99);
        QCOMPARE(v[0], 7ull);
    }

    void garbageIsNeverAccepted()
    {
        // Random content with the right letter and length: the checksum refuses it.
        QRandomGenerator rng(7);
        int refused = 0;
        for (int round = 0; round < 2000; ++round) {
            QByteArray junk(13, 0);
            for (char& c : junk)
                c = char(rng.bounded(256));
            junk[0] = 'W';
            Reply r;
            if (!filterReply('W', junk.constData(), junk.size(), &r))
                ++refused;
            QCOMPARE(r.dataCount, 8);
        }
        QCOMPARE(refused, 2000);
    }
};

QTEST_GUILESS_MAIN(TestPOFCodec)
#include "tst_POFCodec.moc"
