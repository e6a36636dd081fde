#include "fakes/FakeConfig.h"

#include <QTest>
#include <QThread>

#include <climits>
#include <vector>

class TestConfigTree : public QObject {
    Q_OBJECT
private slots:
    void typeNumbersAsTheEditorReadsThem()
    {
        QCOMPARE(int(CVT_GROUP), -1);
        QCOMPARE(int(CVT_NONE), 0);
        QCOMPARE(int(CVT_BINARY), 1);
        QCOMPARE(int(CVT_STRING), 2);
        QCOMPARE(int(CVT_LONG), 3);
        QCOMPARE(int(CVT_DOUBLE), 4);
        QCOMPARE(int(CVT_BOOL), 5);
    }

    void typedValuesReadBack()
    {
        FakeConfig cfg;
        QCOMPARE(cfg.setDouble("/Cal/Gain", -0.125), 0);
        QCOMPARE(cfg.setLong("/Cal/Offset", LONG_MIN), 0);
        QCOMPARE(cfg.setString("/General/SystemName", QStringLiteral("pevanto µ")), 0);
        QCOMPARE(cfg.setBinary("/Cal/Blob", QByteArray("\x00\x01\xff", 3)), 0);
        QCOMPARE(cfg.setBoolean("/General/ScreenshotFunction", true), 0);

        double d = 0;
        long l = 0;
        QString s;
        QByteArray b;
        bool flag = false;
        QCOMPARE(cfg.queryDouble("/Cal/Gain", d), 0);
        QCOMPARE(d, -0.125);
        QCOMPARE(cfg.queryLong("/Cal/Offset", l), 0);
        QCOMPARE(l, LONG_MIN);
        QCOMPARE(cfg.queryString("/General/SystemName", s), 0);
        QCOMPARE(s, QStringLiteral("pevanto µ"));
        QCOMPARE(cfg.queryBinary("/Cal/Blob", b), 0);
        QCOMPARE(b, QByteArray("\x00\x01\xff", 3));
        QCOMPARE(cfg.queryBoolean("/General/ScreenshotFunction", flag), 0);
        QVERIFY(flag);

        // Overwriting keeps the entry, does not add a second one.
        QCOMPARE(cfg.setBoolean("/General/ScreenshotFunction", false), 0);
        QCOMPARE(cfg.queryBoolean("/General/ScreenshotFunction", flag), 0);
        QVERIFY(!flag);
        QMap<QString, ConfigValueTypes> keys;
        QCOMPARE(cfg.subkeys("/General", keys), 0);
        QCOMPARE(keys.size(), 2);
    }

    void subkeysInNameOrderWithGroups()
    {
        FakeConfig cfg;
        QCOMPARE(cfg.setLong("/Zeta/a", 1), 0);
        QCOMPARE(cfg.setString("/Alpha", QStringLiteral("x")), 0);
        QCOMPARE(cfg.setBoolean("/Mid/b", true), 0);
        QCOMPARE(cfg.setDouble("/Beta", 1.5), 0);
        QCOMPARE(cfg.setBinary("/Gamma", QByteArray("\x01")), 0);
        QCOMPARE(cfg.setLong("/Delta", 4), 0);

        QMap<QString, ConfigValueTypes> keys;
        QCOMPARE(cfg.subkeys("", keys), 0);
        QCOMPARE(keys.keys(), QStringList({"Alpha", "Beta", "Delta", "Gamma", "Mid", "Zeta"}));
        QCOMPARE(keys.value("Zeta"), CVT_GROUP);
        QCOMPARE(keys.value("Mid"), CVT_GROUP);
        QCOMPARE(keys.value("Alpha"), CVT_STRING);
        QCOMPARE(keys.value("Beta"), CVT_DOUBLE);
        QCOMPARE(keys.value("Gamma"), CVT_BINARY);
        QCOMPARE(keys.value("Delta"), CVT_LONG);

        QMap<QString, ConfigValueTypes> again;
        again.insert("stale", CVT_LONG);
        QCOMPARE(cfg.subkeys("/", again), 0);
        QCOMPARE(again, keys);
        QCOMPARE(cfg.subkeys("/Zeta", again), 0);
        QCOMPARE(again.keys(), QStringList({"a"}));

        QCOMPARE(cfg.subkeys("/Nope", again), int(IConfigBase::CFG_NOT_FOUND));
        QVERIFY(again.isEmpty());
        QCOMPARE(cfg.subkeys("/Alpha", again), int(IConfigBase::CFG_WRONG_TYPE));
    }

    void readOnlyEntriesRejectEveryWrite()
    {
        FakeConfig cfg;
        QCOMPARE(cfg.setLong("/HW/SerialLength", 11, 1, 20, 1), 0);
        QCOMPARE(cfg.setDouble("/HW/Factor", 2.5), 0);
        QCOMPARE(cfg.setString("/HW/Name", QStringLiteral("unit")), 0);
        QCOMPARE(cfg.setBoolean("/HW/Flag", true), 0);
        QCOMPARE(cfg.setBinary("/HW/Blob", QByteArray("ab")), 0);
        for (const char* key : {"/HW/SerialLength", "/HW/Factor", "/HW/Name", "/HW/Flag", "/HW/Blob"})
            QCOMPARE(cfg.setReadOnly(key, true), 0);
        const QByteArray before = cfg.toXml();

        const int ro = IConfigBase::CFG_READ_ONLY;
        QCOMPARE(cfg.setLong("/HW/SerialLength", 12), ro);
        QCOMPARE(cfg.setLong("/HW/SerialLength", 12, 0, 100, 1), ro);
        QCOMPARE(cfg.setDouble("/HW/Factor", 3.0), ro);
        QCOMPARE(cfg.setString("/HW/Name", QStringLiteral("other")), ro);
        QCOMPARE(cfg.setBoolean("/HW/Flag", false), ro);
        QCOMPARE(cfg.setBinary("/HW/Blob", QByteArray("cd")), ro);
        QCOMPARE(cfg.toXml(), before);

        bool readOnly = false;
        QCOMPARE(cfg.isReadOnly("/HW/Name", readOnly), 0);
        QVERIFY(readOnly);
        QCOMPARE(cfg.isReadOnly("/HW", readOnly), 0);
        QVERIFY(!readOnly);
        QCOMPARE(cfg.isReadOnly("/HW/Missing", readOnly), int(IConfigBase::CFG_NOT_FOUND));
    }

    void limitsOfLongs()
    {
        FakeConfig cfg;
        QCOMPARE(cfg.setLong("/Test/Voltage", 20000, 1000, 62000, 100), 0);
        long min = 0;
        long max = 0;
        unsigned long step = 0;
        QCOMPARE(cfg.getLongRanges("/Test/Voltage", min, max, step), 0);
        QCOMPARE(min, 1000L);
        QCOMPARE(max, 62000L);
        QCOMPARE(step, 100UL);

        const QByteArray before = cfg.toXml();
        QCOMPARE(cfg.setLong("/Test/Voltage", 62001), int(IConfigBase::CFG_OUT_OF_LIMITS));
        QCOMPARE(cfg.setLong("/Test/Voltage", 999, 0, 0, 0), int(IConfigBase::CFG_OUT_OF_LIMITS));
        // New limits that exclude the value are refused as a whole.
        QCOMPARE(cfg.setLong("/Test/Voltage", 70000, 0, 65000, 1), int(IConfigBase::CFG_OUT_OF_LIMITS));
        QCOMPARE(cfg.setLong("/Test/Voltage", 5, 10, 1, 1), int(IConfigBase::CFG_OUT_OF_LIMITS));
        QCOMPARE(cfg.toXml(), before);

        // All zero keeps the limits the key has.
        QCOMPARE(cfg.setLong("/Test/Voltage", 62000, 0, 0, 0), 0);
        QCOMPARE(cfg.getLongRanges("/Test/Voltage", min, max, step), 0);
        QCOMPARE(min, 1000L);
        QCOMPARE(max, 62000L);
        QCOMPARE(step, 100UL);
        long v = 0;
        QCOMPARE(cfg.queryLong("/Test/Voltage", v), 0);
        QCOMPARE(v, 62000L);

        // Limits given replace the old ones.
        QCOMPARE(cfg.setLong("/Test/Voltage", 70000, 0, 80000, 500), 0);
        QCOMPARE(cfg.getLongRanges("/Test/Voltage", min, max, step), 0);
        QCOMPARE(min, 0L);
        QCOMPARE(max, 80000L);
        QCOMPARE(step, 500UL);

        QCOMPARE(cfg.setLong("/Test/Free", -5), 0);
        QCOMPARE(cfg.getLongRanges("/Test/Free", min, max, step), int(IConfigBase::CFG_NO_LIMITS));
        QCOMPARE(cfg.getLongRanges("/Test/Missing", min, max, step), int(IConfigBase::CFG_NOT_FOUND));

        // A refused new key leaves no trace, not even its group.
        QCOMPARE(cfg.setLong("/NewGroup/k", 50, 0, 10, 1), int(IConfigBase::CFG_OUT_OF_LIMITS));
        QVERIFY(!cfg.exists("/NewGroup"));
    }

    void limitsOfDoublesAndListsOfStrings()
    {
        FakeConfig cfg;
        QCOMPARE(cfg.setDouble("/T/Factor", 0.5, 0.1, 2.0, 0.1), 0);
        QCOMPARE(cfg.setDouble("/T/Factor", 2.01), int(IConfigBase::CFG_OUT_OF_LIMITS));
        QCOMPARE(cfg.setDouble("/T/Factor", 2.0), 0);
        double d = 0;
        QCOMPARE(cfg.queryDouble("/T/Factor", d), 0);
        QCOMPARE(d, 2.0);

        QCOMPARE(cfg.setString("/T/Unit", QStringLiteral("kV"), QStringLiteral("kV;V")), 0);
        QCOMPARE(cfg.setString("/T/Unit", QStringLiteral("mV")), int(IConfigBase::CFG_OUT_OF_LIMITS));
        QCOMPARE(cfg.setString("/T/Unit", QStringLiteral("V"), QString()), 0);
        // Text the file cannot carry is refused; line breaks and tabs are well-formed.
        QCOMPARE(cfg.setString("/T/Note", QStringLiteral("a\x01b")), int(IConfigBase::CFG_OUT_OF_LIMITS));
        QCOMPARE(cfg.setString("/T/Note", QString(QChar(0xD800))), int(IConfigBase::CFG_OUT_OF_LIMITS));
        QCOMPARE(cfg.setString("/T/Note", QStringLiteral("a\tb\nc \U0001F600")), 0);
        QString s;
        QCOMPARE(cfg.queryString("/T/Unit", s), 0);
        QCOMPARE(s, QStringLiteral("V"));
    }

    void wrongTypesMissingKeysAndBadPaths()
    {
        FakeConfig cfg;
        QCOMPARE(cfg.setString("/G/Name", QStringLiteral("n")), 0);
        const QByteArray before = cfg.toXml();
        const int wrong = IConfigBase::CFG_WRONG_TYPE;
        QCOMPARE(cfg.setLong("/G/Name", 1), wrong);
        QCOMPARE(cfg.setLong("/G", 1), wrong);            // a group
        QCOMPARE(cfg.setLong("/G/Name/Sub", 1), wrong);   // below a value
        QCOMPARE(cfg.toXml(), before);

        long l = 7;
        double d = 7;
        bool b = false;
        QByteArray bin;
        QCOMPARE(cfg.queryLong("/G/Name", l), wrong);
        QCOMPARE(l, 7L);
        QCOMPARE(cfg.queryDouble("/G/Name", d), wrong);
        QCOMPARE(cfg.queryBoolean("/G/Name", b), wrong);
        QCOMPARE(cfg.queryBinary("/G/Name", bin), wrong);
        QCOMPARE(cfg.queryLong("/G", l), wrong);

        QString s = QStringLiteral("old");
        QCOMPARE(cfg.queryString("/G/Missing", s, QStringLiteral("fallback")), int(IConfigBase::CFG_NOT_FOUND));
        QCOMPARE(s, QStringLiteral("fallback"));
        QCOMPARE(cfg.queryLong("/G/Missing", l), int(IConfigBase::CFG_NOT_FOUND));
        QCOMPARE(cfg.queryLong("/G/Name/Deeper", l), int(IConfigBase::CFG_NOT_FOUND));

        const int bad = IConfigBase::CFG_BAD_KEY;
        QCOMPARE(cfg.setLong("", 1), bad);
        QCOMPARE(cfg.setLong("/", 1), bad);
        QCOMPARE(cfg.setLong("/G//x", 1), bad);
        QCOMPARE(cfg.queryLong("//", l), bad);
        // A path deeper than a file may nest: the save would write what no load takes.
        QCOMPARE(cfg.setLong(QStringLiteral("/G").repeated(15), 1), bad);
        QVERIFY(cfg.exists("/G/Name"));
        QVERIFY(cfg.exists("G/Name"));
        QVERIFY(cfg.exists("/G/"));
        QVERIFY(!cfg.exists("/G/name")); // names are case-sensitive
        QCOMPARE(cfg.toXml(), before);
        QCOMPARE(cfg.setLong(QStringLiteral("/G").repeated(13) + "/Deepest", 1), 0);
    }

    void queryEnsureLongCreatesOnlyWhenMissing()
    {
        FakeConfig cfg;
        long v = 42;
        QCOMPARE(cfg.queryEnsureLong("/Stats/Count", v, 0, 100, 1), 0);
        QCOMPARE(v, 42L);
        long read = 0;
        QCOMPARE(cfg.queryLong("/Stats/Count", read), 0);
        QCOMPARE(read, 42L);
        long min = 0;
        long max = 0;
        unsigned long step = 0;
        QCOMPARE(cfg.getLongRanges("/Stats/Count", min, max, step), 0);
        QCOMPARE(max, 100L);

        long other = 7;
        QCOMPARE(cfg.queryEnsureLong("/Stats/Count", other), 0);
        QCOMPARE(other, 42L);
    }

    void binaryReadsAsBoolean()
    {
        FakeConfig cfg;
        QCOMPARE(cfg.setBinary("/B/Zero", QByteArray(3, '\0')), 0);
        QCOMPARE(cfg.setBinary("/B/One", QByteArray("\x00\x01", 2)), 0);
        QCOMPARE(cfg.setBinary("/B/Empty", QByteArray()), 0);
        bool v = true;
        QCOMPARE(cfg.queryBoolean("/B/Zero", v), 0);
        QVERIFY(!v);
        QCOMPARE(cfg.queryBoolean("/B/One", v), 0);
        QVERIFY(v);
        QCOMPARE(cfg.queryBoolean("/B/Empty", v), 0);
        QVERIFY(!v);
        QByteArray bytes("x");
        QCOMPARE(cfg.queryBinary("/B/Empty", bytes), 0);
        QVERIFY(bytes.isEmpty());
    }

    void concurrentReadersAndWriters()
    {
        FakeConfig cfg;
        std::vector<QThread*> threads;
        for (int t = 0; t < 4; ++t) {
            threads.push_back(QThread::create([&cfg, t] {
                const QString key = QStringLiteral("/Threads/T%1").arg(t);
                QMap<QString, ConfigValueTypes> keys;
                for (long i = 0; i < 2000; ++i) {
                    cfg.setLong(key, i);
                    long v = -1;
                    cfg.queryLong(key, v);
                    cfg.subkeys("/Threads", keys);
                }
            }));
            threads.back()->start();
        }
        for (QThread* th : threads) {
            QVERIFY(th->wait(30000));
            delete th;
        }
        QMap<QString, ConfigValueTypes> keys;
        QCOMPARE(cfg.subkeys("/Threads", keys), 0);
        QCOMPARE(keys.size(), 4);
        for (int t = 0; t < 4; ++t) {
            long v = -1;
            QCOMPARE(cfg.queryLong(QStringLiteral("/Threads/T%1").arg(t), v), 0);
            QCOMPARE(v, 1999L);
        }
    }

    void fakeCountsInitialiseAndSave()
    {
        FakeConfig cfg;
        cfg.setSaveResult(IConfigBase::CFG_IO_ERROR);
        QCOMPARE(cfg.save(), int(IConfigBase::CFG_IO_ERROR));
        QCOMPARE(cfg.initialize(), 1);
        QCOMPARE(cfg.saveCount(), 1);
        QCOMPARE(cfg.initializeCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestConfigTree)
#include "tst_configtree.moc"
