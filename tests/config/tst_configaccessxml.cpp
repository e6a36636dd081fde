#include "config/ConfigAccessXML.h"
#include "fakes/FakeConfig.h"
#include "config/ConfigShape.h"

#include <QCoreApplication>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <cmath>

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

QByteArray fileWithSystemName(const QString& app, const QString& name)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<configuration>\n"
                          " <key name=\"%1\">\n  <key name=\"General\">\n"
                          "   <value name=\"SystemName\" type=\"string\">%2</value>\n"
                          "  </key>\n </key>\n</configuration>\n")
        .arg(app, name)
        .toUtf8();
}

QString systemName(IConfigBase& cfg)
{
    QString s;
    cfg.queryString("/General/SystemName", s);
    return s;
}

// Store whose final rename fails, as on a full or failing medium.
class FailingRename : public ConfigAccessXML {
public:
    using ConfigAccessXML::ConfigAccessXML;
    int renames = 0;

protected:
    bool replaceFile(const QString&, const QString&) override
    {
        ++renames;
        return false;
    }
};
} // namespace

class TestConfigAccessXML : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("vlftest")); }

    void fileIsNamedAfterTheApplication()
    {
        QTemporaryDir dir;
        ConfigAccessXML cfg(dir.path() + "/cfg");
        QCOMPARE(cfg.filePath(), dir.path() + "/cfg/VLFTEST.cfg.xml");
        QCOMPARE(cfg.initialize(), 0);
        QCOMPARE(cfg.setString("/General/SystemName", "pevanto"), 0);
        QCOMPARE(cfg.save(), 0);
        QVERIFY(QFile::exists(dir.path() + "/cfg/VLFTEST.cfg.xml"));
        QVERIFY(!QFile::exists(cfg.newFilePath()));
    }

    void documentLayoutForValidationAndTreeWalk()
    {
        QTemporaryDir dir;
        ConfigAccessXML cfg(dir.path(), "PEVANTO");
        QCOMPARE(cfg.setString("/General/SystemName", "pevanto"), 0);
        QCOMPARE(cfg.setLong("/General/Volume", 5, 0, 10, 1), 0);
        QCOMPARE(cfg.save(), 0);

        QDomDocument doc;
        QVERIFY(doc.setContent(readAll(dir.path() + "/PEVANTO.cfg.xml")));
        // The document element's first child is the key named after the application.
        const QDomElement app = doc.documentElement().firstChild().toElement();
        QCOMPARE(app.tagName(), QStringLiteral("key"));
        QCOMPARE(app.attribute("name"), QStringLiteral("PEVANTO"));
        const QDomElement general = app.firstChildElement();
        QCOMPARE(general.tagName(), QStringLiteral("key"));
        QCOMPARE(general.attribute("name"), QStringLiteral("General"));
        const QDomElement name = general.firstChildElement();
        QCOMPARE(name.tagName(), QStringLiteral("value"));
        QCOMPARE(name.attribute("name"), QStringLiteral("SystemName"));
        QCOMPARE(name.attribute("type"), QStringLiteral("string"));
        QCOMPARE(name.text(), QStringLiteral("pevanto"));
        const QDomElement volume = name.nextSiblingElement();
        QCOMPARE(volume.attribute("type"), QStringLiteral("long"));
        QCOMPARE(volume.attribute("min"), QStringLiteral("0"));
        QCOMPARE(volume.attribute("max"), QStringLiteral("10"));
        QCOMPARE(volume.attribute("step"), QStringLiteral("1"));
        QCOMPARE(volume.text(), QStringLiteral("5"));
    }

    void typedTreeSurvivesSaveAndReload()
    {
        QTemporaryDir dir;
        {
            ConfigAccessXML cfg(dir.path());
            QCOMPARE(cfg.setDouble("/Cal/Gain", 0.1), 0);
            QCOMPARE(cfg.setDouble("/Cal/Tiny", -1.5e-300, -1, 1, 0.25), 0);
            QCOMPARE(cfg.setLong("/Cal/Offset", LONG_MIN), 0);
            QCOMPARE(cfg.setLong("/Test/Voltage", 20000, 1000, 62000, 100), 0);
            QCOMPARE(cfg.setString("/General/SystemName", QStringLiteral("Prüfgerät <1> & \"2\"\n")), 0);
            QCOMPARE(cfg.setString("/General/Unit", "kV", "kV;V"), 0);
            QCOMPARE(cfg.setBinary("/Cal/Blob", QByteArray("\x00\x7f\xff", 3)), 0);
            QCOMPARE(cfg.setBoolean("/General/ScreenshotFunction", true), 0);
            QCOMPARE(cfg.setBoolean("/Deep/A/B/C", false), 0);
            QCOMPARE(cfg.setReadOnly("/Cal/Offset", true), 0);
            QCOMPARE(cfg.save(), 0);
        }
        ConfigAccessXML cfg(dir.path());
        QCOMPARE(cfg.initialize(), 1);
        QCOMPARE(cfg.loadedFrom(), cfg.filePath());

        double d = 0;
        QCOMPARE(cfg.queryDouble("/Cal/Gain", d), 0);
        QCOMPARE(d, 0.1);
        QCOMPARE(cfg.queryDouble("/Cal/Tiny", d), 0);
        QCOMPARE(d, -1.5e-300);
        QCOMPARE(cfg.setDouble("/Cal/Tiny", 1.5), int(IConfigBase::CFG_OUT_OF_LIMITS));
        long l = 0;
        QCOMPARE(cfg.queryLong("/Cal/Offset", l), 0);
        QCOMPARE(l, LONG_MIN);
        bool readOnly = false;
        QCOMPARE(cfg.isReadOnly("/Cal/Offset", readOnly), 0);
        QVERIFY(readOnly);
        long min = 0;
        long max = 0;
        unsigned long step = 0;
        QCOMPARE(cfg.getLongRanges("/Test/Voltage", min, max, step), 0);
        QCOMPARE(min, 1000L);
        QCOMPARE(max, 62000L);
        QCOMPARE(step, 100UL);
        QCOMPARE(systemName(cfg), QStringLiteral("Prüfgerät <1> & \"2\"\n"));
        QCOMPARE(cfg.setString("/General/Unit", "A"), int(IConfigBase::CFG_OUT_OF_LIMITS));
        QByteArray b;
        QCOMPARE(cfg.queryBinary("/Cal/Blob", b), 0);
        QCOMPARE(b, QByteArray("\x00\x7f\xff", 3));
        bool flag = false;
        QCOMPARE(cfg.queryBoolean("/General/ScreenshotFunction", flag), 0);
        QVERIFY(flag);
        QCOMPARE(cfg.queryBoolean("/Deep/A/B/C", flag), 0);
        QVERIFY(!flag);

        QMap<QString, ConfigValueTypes> keys;
        QCOMPARE(cfg.subkeys("", keys), 0);
        QCOMPARE(keys.keys(), QStringList({"Cal", "Deep", "General", "Test"}));
        QCOMPARE(cfg.subkeys("/Cal", keys), 0);
        QCOMPARE(keys.keys(), QStringList({"Blob", "Gain", "Offset", "Tiny"}));
        QCOMPARE(keys.value("Blob"), CVT_BINARY);
        QCOMPARE(keys.value("Gain"), CVT_DOUBLE);
        QCOMPARE(keys.value("Offset"), CVT_LONG);
    }

    void subkeysSortedWhateverTheFileOrder()
    {
        QTemporaryDir dir;
        QVERIFY(writeAll(dir.path() + "/VLFTEST.cfg.xml",
                         "<configuration><key name=\"VLFTEST\">"
                         "<value name=\"zeta\" type=\"bool\">true</value>"
                         "<key name=\"beta\"><value name=\"x\" type=\"long\">1</value></key>"
                         "<value name=\"alpha\" type=\"double\">1.5</value>"
                         "<value name=\"untyped\">?</value>"
                         "<!-- a comment kept on save -->"
                         "</key></configuration>"));
        ConfigAccessXML cfg(dir.path());
        QCOMPARE(cfg.initialize(), 1);
        QMap<QString, ConfigValueTypes> keys;
        QCOMPARE(cfg.subkeys("/", keys), 0);
        QCOMPARE(keys.keys(), QStringList({"alpha", "beta", "untyped", "zeta"}));
        QCOMPARE(keys.value("beta"), CVT_GROUP);
        QCOMPARE(keys.value("untyped"), CVT_NONE);
        QCOMPARE(keys.value("zeta"), CVT_BOOL);
        QCOMPARE(cfg.save(), 0);
        QVERIFY(readAll(cfg.filePath()).contains("a comment kept on save"));
    }

    void rejectedWritesChangeNothingOnDisk()
    {
        QTemporaryDir dir;
        QVERIFY(writeAll(dir.path() + "/VLFTEST.cfg.xml",
                         "<configuration><key name=\"VLFTEST\"><key name=\"HW\">"
                         "<value name=\"Serial\" type=\"string\" readonly=\"true\">12345678901</value>"
                         "<value name=\"Volume\" type=\"long\" min=\"0\" max=\"10\" step=\"1\">5</value>"
                         "</key></key></configuration>"));
        ConfigAccessXML cfg(dir.path());
        QCOMPARE(cfg.initialize(), 1);
        QCOMPARE(cfg.setString("/HW/Serial", "99999999999"), int(IConfigBase::CFG_READ_ONLY));
        QCOMPARE(cfg.setLong("/HW/Volume", 11), int(IConfigBase::CFG_OUT_OF_LIMITS));
        QCOMPARE(cfg.setLong("/HW/Volume", -1, 0, 0, 0), int(IConfigBase::CFG_OUT_OF_LIMITS));
        QCOMPARE(cfg.save(), 0);

        ConfigAccessXML reread(dir.path());
        QCOMPARE(reread.initialize(), 1);
        QString serial;
        QCOMPARE(reread.queryString("/HW/Serial", serial), 0);
        QCOMPARE(serial, QStringLiteral("12345678901"));
        long volume = 0;
        QCOMPARE(reread.queryLong("/HW/Volume", volume), 0);
        QCOMPARE(volume, 5L);
    }

    void failedRenameLeavesThePreviousFileIntact()
    {
        QTemporaryDir dir;
        {
            ConfigAccessXML first(dir.path());
            QCOMPARE(first.setString("/General/SystemName", "before"), 0);
            QCOMPARE(first.save(), 0);
        }
        const QByteArray previous = readAll(dir.path() + "/VLFTEST.cfg.xml");
        QVERIFY(!previous.isEmpty());

        FailingRename cfg(dir.path());
        QCOMPARE(cfg.initialize(), 1);
        QCOMPARE(cfg.setString("/General/SystemName", "after"), 0);
        QCOMPARE(cfg.save(), int(IConfigBase::CFG_IO_ERROR));
        QCOMPARE(cfg.renames, 1);
        QCOMPARE(readAll(cfg.filePath()), previous);
        QVERIFY(!QFile::exists(cfg.newFilePath()));

        ConfigAccessXML reread(dir.path());
        QCOMPARE(reread.initialize(), 1);
        QCOMPARE(systemName(reread), QStringLiteral("before"));
    }

    void unwritableNewFileLeavesThePreviousFileIntact()
    {
        QTemporaryDir dir;
        ConfigAccessXML cfg(dir.path());
        QCOMPARE(cfg.setString("/General/SystemName", "before"), 0);
        QCOMPARE(cfg.save(), 0);
        const QByteArray previous = readAll(cfg.filePath());
        // Something in the way of the new file (also what a full disk looks like to save).
        QVERIFY(QDir().mkpath(cfg.newFilePath() + "/blocker"));
        QCOMPARE(cfg.setString("/General/SystemName", "after"), 0);
        QCOMPARE(cfg.save(), int(IConfigBase::CFG_IO_ERROR));
        QCOMPARE(readAll(cfg.filePath()), previous);
    }

    void backupKeepsThePreviousVersion()
    {
        QTemporaryDir dir;
        ConfigAccessXML cfg(dir.path());
        QCOMPARE(cfg.setString("/General/SystemName", "one"), 0);
        QCOMPARE(cfg.save(), 0);
        QCOMPARE(cfg.setString("/General/SystemName", "two"), 0);
        QCOMPARE(cfg.save(), 0);
        QVERIFY(readAll(cfg.backupFilePath()).contains(">one<"));
        QVERIFY(readAll(cfg.filePath()).contains(">two<"));
    }

    void initialiseChoosesTheBestCandidate_data()
    {
        QTest::addColumn<QByteArray>("main");
        QTest::addColumn<QByteArray>("backup");
        QTest::addColumn<QByteArray>("unfinished");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("chosen"); // "main", "bak", "new" or "" for none
        QTest::addColumn<QString>("name");

        const QByteArray good = fileWithSystemName("VLFTEST", "main");
        const QByteArray bak = fileWithSystemName("VLFTEST", "bak");
        const QByteArray fresh = fileWithSystemName("VLFTEST", "new");
        QByteArray truncated = good.left(good.size() / 2);
        const QByteArray wrongLayout = "<configuration><value name=\"VLFTEST\"/></configuration>";

        QTest::newRow("file good") << good << bak << fresh << 1 << "main" << "main";
        QTest::newRow("file truncated") << truncated << bak << fresh << 1 << "bak" << "bak";
        QTest::newRow("file empty") << QByteArray("") << bak << QByteArray() << 1 << "bak" << "bak";
        QTest::newRow("first child not a key") << wrongLayout << bak << QByteArray() << 1 << "bak" << "bak";
        QTest::newRow("only an unfinished save") << QByteArray() << QByteArray() << fresh << 1 << "new" << "new";
        QTest::newRow("unfinished save truncated") << QByteArray() << QByteArray() << truncated << 0 << ""
                                                   << "in memory";
        QTest::newRow("nothing usable") << truncated << wrongLayout << QByteArray("junk") << 0 << ""
                                        << "in memory";
        const auto deep = [](int levels) { return FakeConfig::nestedDocument("VLFTEST", levels); };
        QTest::newRow("file 17 levels deep") << deep(15) << bak << fresh << 1 << "bak" << "bak";
        QTest::newRow("file 49,000 levels deep") << deep(49000) << QByteArray() << fresh << 1 << "new" << "new";
        QByteArray crowded = good;
        crowded.replace("</key>\n </key>", QByteArray("<value name=\"x\" type=\"bool\">1</value>")
                                                  .repeated(ConfigShape::maxElements()) + "</key>\n </key>");
        QTest::newRow("file of too many elements") << crowded << bak << fresh << 1 << "bak" << "bak";
        QByteArray longValue = good;
        QTest::newRow("file with a value of 4097 bytes")
            << longValue.replace(">main<", ">" + QByteArray(4097, 'm') + "<") << bak << fresh << 1 << "bak" << "bak";
        QByteArray typed = good;
        QTest::newRow("file with a document type")
            << typed.replace("<configuration>", "<!DOCTYPE configuration [<!ENTITY n \"x\">]><configuration>") << bak
            << fresh << 1 << "bak" << "bak";
        QTest::newRow("file and backup 7,000 levels deep") << deep(7000) << deep(7000) << QByteArray() << 0 << ""
                                                           << "in memory";
    }

    void initialiseChoosesTheBestCandidate()
    {
        QFETCH(QByteArray, main);
        QFETCH(QByteArray, backup);
        QFETCH(QByteArray, unfinished);
        QFETCH(int, result);
        QFETCH(QString, chosen);
        QFETCH(QString, name);

        QTemporaryDir dir;
        ConfigAccessXML cfg(dir.path());
        // Empty data means no such file, except for the explicit "file empty" row.
        if (!main.isNull())
            QVERIFY(writeAll(cfg.filePath(), main));
        if (!backup.isEmpty())
            QVERIFY(writeAll(cfg.backupFilePath(), backup));
        if (!unfinished.isEmpty())
            QVERIFY(writeAll(cfg.newFilePath(), unfinished));

        QCOMPARE(cfg.setString("/General/SystemName", "in memory"), 0);
        QCOMPARE(cfg.initialize(), result);
        QCOMPARE(systemName(cfg), name);
        const QString expected = chosen == "main" ? cfg.filePath()
            : chosen == "bak"                     ? cfg.backupFilePath()
            : chosen == "new"                     ? cfg.newFilePath()
                                                  : QString();
        QCOMPARE(cfg.loadedFrom(), expected);
        // A broken file is replaced by the one taken; with none taken both are kept aside.
        if (!main.isNull() && chosen != "main")
            QCOMPARE(readAll(cfg.filePath()), chosen == "bak" ? backup : chosen == "new" ? unfinished : QByteArray());
        QStringList aside;
        if (!result && !main.isNull())
            aside << cfg.filePath() + ".refused";
        if (!result && !backup.isEmpty())
            aside << cfg.backupFilePath() + ".refused";
        QCOMPARE(cfg.keptAside(), aside);
        for (const QString& file : aside)
            QCOMPARE(readAll(file), file.contains(".bak") ? backup : main);
    }

    void blankStringsSurviveReload()
    {
        QTemporaryDir dir;
        {
            ConfigAccessXML cfg(dir.path());
            QCOMPARE(cfg.setString("/S/Blanks", "   "), 0);
            QCOMPARE(cfg.setString("/S/Padded", " x "), 0);
            QCOMPARE(cfg.setString("/S/Empty", ""), 0);
            QCOMPARE(cfg.save(), 0);
        }
        ConfigAccessXML cfg(dir.path());
        QCOMPARE(cfg.initialize(), 1);
        QString s;
        QCOMPARE(cfg.queryString("/S/Blanks", s), 0);
        QCOMPARE(s, QStringLiteral("   "));
        QCOMPARE(cfg.queryString("/S/Padded", s), 0);
        QCOMPARE(s, QStringLiteral(" x "));
        QCOMPARE(cfg.queryString("/S/Empty", s, "default"), 0);
        QCOMPARE(s, QString());
    }

    void saveWithoutInitialiseKeepsTheUnreadFileAsBackup()
    {
        QTemporaryDir dir;
        ConfigAccessXML cfg(dir.path());
        const QByteArray existing = fileWithSystemName("VLFTEST", "unread");
        QVERIFY(writeAll(cfg.filePath(), existing));
        QCOMPARE(cfg.setString("/General/SystemName", "fresh"), 0);
        QCOMPARE(cfg.save(), 0);
        QCOMPARE(readAll(cfg.backupFilePath()), existing);
    }

    void brokenFileDoesNotReplaceAGoodBackup()
    {
        QTemporaryDir dir;
        ConfigAccessXML cfg(dir.path());
        const QByteArray bak = fileWithSystemName("VLFTEST", "bak");
        QVERIFY(writeAll(cfg.filePath(), "<configuration><key name="));
        QVERIFY(writeAll(cfg.backupFilePath(), bak));
        QCOMPARE(cfg.initialize(), 1);
        QCOMPARE(cfg.setString("/General/SystemName", "repaired"), 0);
        QCOMPARE(cfg.save(), 0);
        QCOMPARE(readAll(cfg.backupFilePath()), bak);
        QVERIFY(readAll(cfg.filePath()).contains(">repaired<"));
    }

    // Whatever the loaded file declared, a save writes UTF-8 and says so, so the
    // next start reads the same texts and the change just saved.
    void savedFileLoadsAgainWhateverItsDeclaration_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray body = QByteArrayLiteral("<configuration>\n <key name=\"VLFTEST\">\n  <key name=\"General\">\n"
                                                  "   <value name=\"SystemName\" type=\"string\">old</value>\n"
                                                  "   <value name=\"Text\" type=\"string\">");
        const QByteArray tail = QByteArrayLiteral("</value>\n  </key>\n </key>\n</configuration>\n");
        // Latin-1 bytes for the A umlaut; the other two cannot be written in it.
        QTest::newRow("ISO-8859-1") << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n" + body
                                                  + "\xC4&#8364;&#937;" + tail);
        QTest::newRow("unwritable name") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-'\"?>\n" + body
                                                       + QStringLiteral("\u00C4\u20AC\u03A9").toUtf8() + tail);
        QTest::newRow("no declaration") << QByteArray(body + QStringLiteral("\u00C4\u20AC\u03A9").toUtf8() + tail);
    }

    void savedFileLoadsAgainWhateverItsDeclaration()
    {
        QFETCH(QByteArray, content);
        const QString special = QStringLiteral("\u00C4\u20AC\u03A9");
        QTemporaryDir dir;
        {
            ConfigAccessXML cfg(dir.path());
            QVERIFY(writeAll(cfg.filePath(), content));
            QCOMPARE(cfg.initialize(), 1);
            QString text;
            QCOMPARE(cfg.queryString("/General/Text", text), 0);
            QCOMPARE(text, special);
            QCOMPARE(cfg.setString("/General/SystemName", "new " + special), 0);
            QCOMPARE(cfg.save(), 0);
            QCOMPARE(cfg.save(), 0);
        }
        ConfigAccessXML cfg(dir.path());
        QCOMPARE(cfg.initialize(), 1);
        QCOMPARE(cfg.loadedFrom(), cfg.filePath());
        QCOMPARE(systemName(cfg), "new " + special);
        QString text;
        QCOMPARE(cfg.queryString("/General/Text", text), 0);
        QCOMPARE(text, special);
        QVERIFY(readAll(cfg.filePath()).startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<configuration>"));
    }
};

QTEST_GUILESS_MAIN(TestConfigAccessXML)
#include "tst_configaccessxml.moc"
