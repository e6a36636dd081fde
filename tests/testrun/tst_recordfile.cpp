#include "testrun/File.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

using namespace TestChart::VLF;

namespace {
QByteArray hex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

QByteArray section(const char* tag, quint32 count, const QByteArray& entries, quint32 check)
{
    QByteArray out(tag);
    for (quint32 v : {count}) {
        out.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
    }
    out.append(entries);
    out.append(char(check >> 24)).append(char(check >> 16)).append(char(check >> 8)).append(char(check));
    return out;
}

const QByteArray kHead = QByteArray("VLFTestData") + hex("0001");

// Every kind of entry, with the extremes a number can take and text in all three forms.
TestData mixedRecord()
{
    TestData d;
    quint32 x = 12345;
    auto next = [&x] { x = x * 1103515245u + 12345u; return qint32(x); };
    insert(d, 0, 1, QStringLiteral("Cable 7"));
    insert(d, 0, 42, QString::fromUtf8("Kabel \xc3\xa4\xe2\x82\xac \xe6\xb8\xac"));
    insert(d, 1, 25, QString::fromUtf8("Non-Latin \xe2\x82\xac and \xc3\xa9"));
    insert(d, -7, 2147483647, QString());
    insert(d, -2147483647 - 1, -1, QString(300, QLatin1Char('x')));
    for (int i = 0; i < 3000; ++i) {
        const qint32 big = (i % 97 == 0) ? (i % 2 ? 2147483647 : -2147483647 - 1) : next() >> (i % 31);
        insert(d, i * 100, next() >> 20, big, next() >> (i % 17));
    }
    for (int i = 0; i < 300; ++i)
        insert(d, i, i * 10000, next(), next() >> 8, i % 5 ? next() >> 12 : -1);
    return d;
}
} // namespace

class TstRecordFile : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QByteArray writeAndLoad(const TestData& data)
    {
        const QString p = path(QStringLiteral("w.vlf"));
        if (!File::write(p, data))
            return QByteArray();
        QFile f(p);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    void store(const QString& name, const QByteArray& bytes)
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), qint64(bytes.size()));
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void recordOperations()
    {
        TestData d;
        QVERIFY(info(d, 0, 11).isNull());
        update(d, 0, 11, QStringLiteral("5")); // never adds
        QVERIFY(d.info.isEmpty());
        insert(d, 0, 11, QStringLiteral("1"));
        insert(d, 0, 11, qint64(-7));
        insert(d, 1, 36, std::numeric_limits<qint64>::min());
        QCOMPARE(info(d, 0, 11), QStringLiteral("1")); // first one wins
        update(d, 0, 11, QStringLiteral("2"));
        QCOMPARE(d.info.at(0).value, QStringLiteral("2"));
        QCOMPARE(d.info.at(1).value, QStringLiteral("-7"));
        QCOMPARE(info(d, 1, 36), QStringLiteral("-9223372036854775808"));
        insert(d, 1, 2, 3, 4);
        insert(d, 1, 2, 3, 4, 5);
        QCOMPARE(d.measure.size(), 1);
        QCOMPARE(d.periodic.at(0).tanDelta, 5);
        clear(d);
        QVERIFY(d.info.isEmpty() && d.measure.isEmpty() && d.periodic.isEmpty());
    }

    void emptyRecordIs56Bytes()
    {
        const QByteArray expected = kHead + section("Info", 0, {}, 1) + section("Measure", 0, {}, 1)
            + section("Periodic", 0, {}, 1);
        QCOMPARE(expected.size(), 56);
        QCOMPARE(writeAndLoad(TestData()), expected);
        QCOMPARE(File::encode(TestData()), expected);
        QVERIFY(File::verify(path(QStringLiteral("w.vlf"))));
    }

    void wholeFileByteForByte()
    {
        TestData d;
        insert(d, 0, 12, QStringLiteral("3"));
        insert(d, 1, 100, 5000, -20);
        insert(d, 1, 200, 5000, -25);
        insert(d, 1, 100, 5000, -20, 0);

        const QByteArray expected = kHead + section("Info", 1, hex("00 18 02 33"), 0x0083004E)
            + section("Measure", 2, hex("02 c8 01 90 4e 27 00 c8 01 00 09"), 0x12B202A3)
            + section("Periodic", 1, hex("02 c8 01 90 4e 27 00"), 0x084201D1);
        QCOMPARE(writeAndLoad(d), expected);

        TestData back;
        QVERIFY(File::read(path(QStringLiteral("w.vlf")), back, true));
        QVERIFY(back == d);
        QVERIFY(File::verify(path(QStringLiteral("w.vlf"))));

        // Read does not clear: a second read appends.
        QVERIFY(File::read(path(QStringLiteral("w.vlf")), back, false));
        QCOMPARE(back.info.size(), 2);
        QCOMPARE(back.measure.size(), 2);
    }

    // The encoder's output as it stood before it wrote into one buffer: same length, same hash.
    void mixedRecordKeepsItsBytes()
    {
        const QByteArray bytes = File::encode(mixedRecord());
        QCOMPARE(bytes.size(), 37550);
        QCOMPARE(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(),
                 QByteArray("984ac7c855392d6038a8353e20b6738f7c97c421e50348fcdfc53ddba08b0621"));
        // Characters outside Latin-1 were '?' already: read back, the record encodes the same.
        TestData back;
        QVERIFY(File::decode(bytes, back, true, true));
        QCOMPARE(File::encode(back), bytes);
    }

    void numberCoding()
    {
        // Values chosen so each field's difference shows one coding rule.
        TestData d;
        insert(d, 64, -65, -1, 0);
        const QByteArray bytes = File::encode(d);
        QVERIFY(bytes.contains(section("Measure", 1, hex("80 01 81 01 01 00"), 0)
                                   .chopped(4)));

        // A difference of -4,000,000,000 wraps to 294,967,296.
        TestData w;
        insert(w, 0, 2000000000, 0, 0);
        insert(w, 0, -2000000000, 0, 0);
        QVERIFY(File::encode(w).contains(hex("00 80 d0 ac f3 0e 00 00 00 80 e0 a6 99 02 00 00")));

        // Extremes of the 32-bit fields.
        TestData x;
        insert(x, 0, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(), 0);
        QVERIFY(File::encode(x).contains(hex("00 ff ff ff ff 0f fe ff ff ff 0f 00")));

        for (const TestData* t : {&d, &w, &x}) {
            store(QStringLiteral("n.vlf"), File::encode(*t));
            TestData back;
            QVERIFY(File::read(path(QStringLiteral("n.vlf")), back, true));
            QVERIFY(back == *t);
        }
    }

    void wrappingExtremesRoundTrip()
    {
        const qint32 mn = std::numeric_limits<qint32>::min();
        const qint32 mx = std::numeric_limits<qint32>::max();
        TestData d;
        insert(d, 0, 0, 0, 0);
        insert(d, -1, mx, mn, mx);
        insert(d, mn, mn, mx, mn);
        insert(d, mx, 0, -1, 1);
        insert(d, 1, mx, mn, 0, mx);
        insert(d, 1, mn, mx, -1, mn);
        insert(d, 2, 0, 0, mx, 1000000);
        store(QStringLiteral("x.vlf"), File::encode(d));
        TestData back;
        QVERIFY(File::read(path(QStringLiteral("x.vlf")), back, true));
        QVERIFY(back == d);
    }

    void textCoding()
    {
        const QString text = QStringLiteral("Ab\u20ac");
        TestData d;
        insert(d, 0, 42, text);
        insert(d, 0, 34, text);
        const QByteArray bytes = File::encode(d);
        QCOMPARE(bytes.mid(21, 15), hex("00 54 0c 41 00 62 00 ac 20  00 44 06 41 62 3f"));

        // NUL: key 42 keeps it, other keys end at it; Latin-1 comes back as written.
        TestData n;
        const QString withNul = QStringLiteral("Pr\u00fcfung") + QChar(0) + QStringLiteral("x\u20ac");
        insert(n, 0, 42, withNul);
        insert(n, 1, 25, withNul);
        insert(n, 0, 34, QStringLiteral("Pr\u00fcfung \u00e9\u00ff"));
        store(QStringLiteral("t.vlf"), File::encode(n));
        TestData back;
        QVERIFY(File::read(path(QStringLiteral("t.vlf")), back, true));
        QCOMPARE(info(back, 0, 42), withNul);
        QCOMPARE(info(back, 1, 25), QStringLiteral("Pr\u00fcfung"));
        QCOMPARE(info(back, 0, 34), QStringLiteral("Pr\u00fcfung \u00e9\u00ff"));
        TestData first;
        QVERIFY(File::read(path(QStringLiteral("w2.vlf")), first, true) == false); // missing file
        store(QStringLiteral("d.vlf"), bytes);
        QVERIFY(File::read(path(QStringLiteral("d.vlf")), first, false));
        QCOMPARE(info(first, 0, 42), text);
        QCOMPARE(info(first, 0, 34), QStringLiteral("Ab?"));
    }

    void randomRecordsRoundTrip()
    {
        QRandomGenerator rng(4711);
        for (int round = 0; round < 40; ++round) {
            TestData d;
            const int ni = int(rng.bounded(30));
            for (int i = 0; i < ni; ++i) {
                // Key 42 carries any UTF-16 text, the others Latin-1 without NUL.
                const bool wide = i % 3 == 0;
                const int key = wide ? 42 : int(rng.bounded(41));
                QString s;
                const int len = int(rng.bounded(20));
                for (int k = 0; k < len; ++k)
                    s.append(QChar(ushort(wide ? rng.bounded(0x10000) : 1 + rng.bounded(0xFF))));
                insert(d, qint32(rng.generate()), key, s);
            }
            const int nm = int(rng.bounded(500));
            for (int i = 0; i < nm; ++i)
                insert(d, qint32(rng.generate()), qint32(rng.generate()), qint32(rng.generate()),
                       qint32(rng.generate()));
            const int np = int(rng.bounded(200));
            for (int i = 0; i < np; ++i)
                insert(d, qint32(rng.bounded(4)), i * 100, qint32(rng.generate()), qint32(rng.generate()),
                       qint32(rng.generate()));
            QVERIFY(File::write(path(QStringLiteral("r.vlf")), d));
            QVERIFY(File::verify(path(QStringLiteral("r.vlf"))));
            TestData back;
            QVERIFY(File::read(path(QStringLiteral("r.vlf")), back, true));
            QVERIFY2(back == d, qPrintable(QStringLiteral("round %1").arg(round)));
        }
    }

    void truncatedFile()
    {
        TestData d;
        insert(d, 0, 12, QStringLiteral("3"));
        insert(d, 1, 25, QStringLiteral("comment"));
        for (int i = 0; i < 50; ++i)
            insert(d, 1, i * 100, 5000 + i, -i);
        insert(d, 1, 100, 5000, -20, 7);
        const QByteArray whole = File::encode(d);
        const int measureTag = whole.indexOf("Measure");
        QVERIFY(measureTag > 0);

        // Cut inside the measure entries, at the periodic tag, and one byte short.
        for (int cut : {measureTag + 20, int(whole.indexOf("Periodic")) + 3, whole.size() - 1}) {
            store(QStringLiteral("cut.vlf"), whole.left(cut));
            TestData all;
            QVERIFY2(!File::read(path(QStringLiteral("cut.vlf")), all, true), qPrintable(QString::number(cut)));
            QVERIFY(!File::verify(path(QStringLiteral("cut.vlf"))));
            TestData infoOnly;
            QVERIFY(File::read(path(QStringLiteral("cut.vlf")), infoOnly, false));
            QCOMPARE(info(infoOnly, 1, 25), QStringLiteral("comment"));
        }
        // Cut inside the info section: even the info read fails.
        store(QStringLiteral("cut.vlf"), whole.left(measureTag - 6));
        TestData infoOnly;
        QVERIFY(!File::read(path(QStringLiteral("cut.vlf")), infoOnly, false));
        store(QStringLiteral("cut.vlf"), whole.left(10));
        QVERIFY(!File::read(path(QStringLiteral("cut.vlf")), infoOnly, false));
    }

    void hugeAndNegativeCounts()
    {
        // A count of 0x7FFFFFFF with no data behind it fails at once and adds nothing.
        for (quint32 count : {0x7FFFFFFFu, 0xFFFFFFFFu, 2u}) {
            QByteArray bad = kHead + QByteArray("Info");
            bad.append(char(count >> 24)).append(char(count >> 16)).append(char(count >> 8)).append(char(count));
            bad.append(hex("00 18 02 33 00 83 00 4e"));
            store(QStringLiteral("huge.vlf"), bad);
            TestData d;
            QElapsedTimer t;
            t.start();
            QVERIFY(!File::read(path(QStringLiteral("huge.vlf")), d, false));
            QVERIFY(d.info.size() <= 1);
            QVERIFY(t.elapsed() < 5000);
        }
        // The same for the sample sections.
        QByteArray bad = kHead + section("Info", 0, {}, 1) + QByteArray("Measure") + hex("7fffffff 00 00 00 00");
        store(QStringLiteral("huge.vlf"), bad);
        TestData d;
        QVERIFY(!File::read(path(QStringLiteral("huge.vlf")), d, true));
        QVERIFY(d.measure.size() <= 1);
    }

    void malformedFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("infoReadable");
        QTest::addColumn<bool>("allReadable");

        const QByteArray info = section("Info", 1, hex("00 18 02 33"), 0x0083004E);
        const QByteArray measure = section("Measure", 0, {}, 1);
        const QByteArray periodic = section("Periodic", 0, {}, 1);
        const QByteArray good = kHead + info + measure + periodic;
        QTest::newRow("good") << good << true << true;

        QByteArray magic = good;
        magic[0] = 'X';
        QTest::newRow("magic") << magic << false << false;
        QTest::newRow("version 2") << QByteArray("VLFTestData") + hex("0002") + info + measure + periodic << false
                                   << false;
        QTest::newRow("info tag") << kHead + section("Inf0", 1, hex("00 18 02 33"), 0x0083004E) + measure + periodic
                                  << false << false;
        QTest::newRow("measure tag") << kHead + info + section("Messure", 0, {}, 1) + periodic << true << false;
        QTest::newRow("periodic tag") << kHead + info + measure + section("Periodik", 0, {}, 1) << true << false;
        QTest::newRow("info check word") << kHead + section("Info", 1, hex("00 18 02 33"), 0x0083004F) + measure
                + periodic << false << false;
        QTest::newRow("info value flipped") << kHead + section("Info", 1, hex("00 18 02 34"), 0x0083004E) + measure
                + periodic << false << false;
        QTest::newRow("measure check word") << kHead + info + section("Measure", 0, {}, 0) + periodic << true
                                            << false;
        QTest::newRow("periodic check word")
            << kHead + info + measure + section("Periodic", 1, hex("02 02 02 02 02"), 0x00000001) << true << false;
        QTest::newRow("value longer than file") << kHead + QByteArray("Info") + hex("00000001 00 18 7e 33 00000000")
                                                << false << false;
        QTest::newRow("negative length") << kHead + section("Info", 1, hex("00 18 01"), 0x0032001A) + measure
                + periodic << false << false;
        QTest::newRow("number of eleven bytes")
            << kHead + section("Info", 1, hex("ff ff ff ff ff ff ff ff ff ff 01 18 00"), 0) + measure + periodic
            << false << false;
        // A well-formed record as large as the limit is read; one byte more is refused unread.
        TestData largest;
        insert(largest, 1, 25, QString());
        for (qint64 missing = File::MaxRecordSize; missing != 0;
             missing = File::MaxRecordSize - File::encode(largest).size()) {
            if (missing > 0)
                largest.info[0].value += QString(int(missing), QLatin1Char('x'));
            else
                largest.info[0].value.chop(int(-missing));
        }
        QTest::newRow("as large as the limit") << File::encode(largest) << true << true;
        largest.info[0].value += QLatin1Char('x');
        QTest::newRow("one byte over the limit") << File::encode(largest) << false << false;
    }

    void malformedFilesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, infoReadable);
        QFETCH(bool, allReadable);
        store(QStringLiteral("bad.vlf"), bytes);
        TestData a;
        QCOMPARE(File::read(path(QStringLiteral("bad.vlf")), a, false), infoReadable);
        TestData b;
        QCOMPARE(File::read(path(QStringLiteral("bad.vlf")), b, true), allReadable);
        QCOMPARE(File::verify(path(QStringLiteral("bad.vlf"))), allReadable);
    }

    void everySingleByteChangeIsCaught()
    {
        TestData d;
        insert(d, 0, 12, QStringLiteral("3"));
        insert(d, 0, 42, QStringLiteral("K\u20ac1"));
        insert(d, 1, 25, QStringLiteral("Pr\u00fcfung"));
        for (int i = 0; i < 20; ++i)
            insert(d, 1, i * 100, 5000 - i * 7, -i);
        for (int i = 0; i < 5; ++i)
            insert(d, 1, i * 1000, 7000, 12 + i, 1500 - i);
        const QByteArray good = File::encode(d);
        QRandomGenerator rng(99);
        for (int pos = 0; pos < good.size(); ++pos) {
            QByteArray bad = good;
            bad[pos] = char(bad.at(pos) ^ char(1 + rng.bounded(255)));
            store(QStringLiteral("flip.vlf"), bad);
            QVERIFY2(!File::verify(path(QStringLiteral("flip.vlf"))), qPrintable(QString::number(pos)));
            TestData any;
            QVERIFY(!File::read(path(QStringLiteral("flip.vlf")), any, true));
            QVERIFY(any.measure.size() <= d.measure.size() && any.periodic.size() <= d.periodic.size());
        }
    }

    void verifyRefusesTrailingBytes()
    {
        store(QStringLiteral("tail.vlf"), File::encode(TestData()) + QByteArray(1, '\0'));
        TestData d;
        QVERIFY(File::read(path(QStringLiteral("tail.vlf")), d, true));
        QVERIFY(!File::verify(path(QStringLiteral("tail.vlf"))));
        QVERIFY(!File::verify(path(QStringLiteral("missing.vlf"))));
    }

    void largeInfoSectionReadInfoOnly()
    {
        // An info section larger than the first block read still comes back whole.
        TestData d;
        for (int i = 0; i < 3000; ++i)
            insert(d, 1, i, QString(40, QChar('a' + i % 26)));
        for (int i = 0; i < 20000; ++i)
            insert(d, 1, i * 100, i, -i);
        store(QStringLiteral("big.vlf"), File::encode(d));
        TestData back;
        QVERIFY(File::read(path(QStringLiteral("big.vlf")), back, false));
        QCOMPARE(back.info, d.info);
        QVERIFY(back.measure.isEmpty());
    }

    void writeFailsOnUnopenableFile()
    {
        QVERIFY(!File::write(path(QStringLiteral("no/such/folder/x.vlf")), TestData()));
        QVERIFY(!QFile::exists(path(QStringLiteral("no/such/folder/x.vlf"))));
    }
};

QTEST_GUILESS_MAIN(TstRecordFile)
#include "tst_recordfile.moc"
