#include "config/ConfigAccessXML.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"
#include "fakes/DataModelFixture.h"
#include "fakes/FakePlatform.h"
#include "gui/GuiViewModel.h"
#include "gui/Settings.h"

#include <QDomDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSignalSpy>
#include <QTimeZone>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {
// A store that cannot tell the read-only flag of one key.
class UnsureConfig : public FakeConfig {
public:
    int isReadOnly(const QString& key, bool& readOnly) override
    {
        if (key == QLatin1String("/Editor/Unsure"))
            return CFG_IO_ERROR;
        return FakeConfig::isReadOnly(key, readOnly);
    }
};

// Entries as the language manager makes them: flags by absolute path below folder.
QVariantList languages(const QStringList& pairs, const QString& folder = QStringLiteral("/nowhere"))
{
    QVariantList list;
    for (int i = 0; i + 1 < pairs.size(); i += 2)
        list << QVariantMap{{QStringLiteral("name"), pairs.at(i)}, {QStringLiteral("native"), pairs.at(i + 1)},
                            {QStringLiteral("flag"), folder + QLatin1Char('/') + pairs.at(i) + "_flag.png"}};
    return list;
}
} // namespace

// The settings view model over a real data model, database and the fake platform.
class TstSettings : public QObject {
    Q_OBJECT
    std::unique_ptr<DataModelFixture> m_fixture;
    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<Settings> m_settings;

    DataModell* dm() const { return m_fixture->dm(); }

private slots:
    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        m_platform = std::make_unique<FakePlatform>();
        m_settings = std::make_unique<Settings>();
        // As the root view model and the host wire it.
        connect(m_settings.get(), &Settings::unlockSystemFunction, dm(), &DataModell::unlockSystemFunction);
    }
    void cleanup()
    {
        m_settings.reset();
        m_platform.reset();
        m_fixture.reset();
    }

    void formatIndexIsHeldToTheList_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("date");
        QTest::newRow("7") << 7 << "hh:mm:ss AP" << "MM/dd/yyyy";
        QTest::newRow("-3") << -3 << "HH:mm:ss" << "dd.MM.yyyy";
        QTest::newRow("1") << 1 << "hh:mm:ss AP" << "MM/dd/yyyy";
    }
    void formatIndexIsHeldToTheList()
    {
        QFETCH(int, index);
        QFETCH(QString, time);
        QFETCH(QString, date);
        QCOMPARE(m_settings->timeFormatItems().size(), 2);
        const QString otherTime = time == "HH:mm:ss" ? "hh:mm:ss AP" : "HH:mm:ss";
        const QString otherDate = date == "dd.MM.yyyy" ? "MM/dd/yyyy" : "dd.MM.yyyy";
        dm()->setTimeFormat(otherTime);
        dm()->setDateFormat(otherDate);
        // A format the list does not offer is not taken.
        dm()->setTimeFormat(QStringLiteral("H.mm"));
        dm()->setDateFormat(QStringLiteral("yyyy-MM-dd"));
        QCOMPARE(m_settings->timeFormatString(), otherTime);
        QCOMPARE(m_settings->dateFormatString(), otherDate);
        QSignalSpy timeChanged(m_settings.get(), &Settings::timeFormatChanged);
        QSignalSpy dateChanged(m_settings.get(), &Settings::dateFormatChanged);
        m_settings->setTimeFormat(index);
        m_settings->setDateFormat(index);
        QCOMPARE(m_settings->timeFormatString(), time);
        QCOMPARE(m_settings->dateFormatString(), date);
        QCOMPARE(m_settings->dateTimeFormatString(), date + ' ' + time);
        m_settings->setTimeFormat(index); // unchanged
        m_settings->setDateFormat(index);
        QCOMPARE(timeChanged.size(), 1);
        QCOMPARE(dateChanged.size(), 1);
    }

    void languageFollowsTheList()
    {
        QCOMPARE(m_settings->language(), dm()->getCurrentLanguage()); // no list yet
        QSignalSpy change(m_settings.get(), &Settings::changeLanguage);
        QSignalSpy listChanged(m_settings.get(), &Settings::languagesChanged);
        dm()->setCurrentLanguage(QStringLiteral("English"));
        const QString folder = m_fixture->root().root();
        QVERIFY(m_fixture->root().writeFile(QStringLiteral("/German_flag.png"), QByteArray("png")));
        const QVariantList list = languages({"English", "English", "German", "Deutsch"}, folder);
        m_settings->languageListChanged(list);
        QCOMPARE(listChanged.size(), 1);
        const QList<IconListViewItem*> items = m_settings->languageItems();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items.at(1)->name(), QStringLiteral("Deutsch"));
        QCOMPARE(items.at(1)->icon(), QUrl::fromLocalFile(folder + "/German_flag.png").toString());
        QVERIFY(items.at(1)->icon().startsWith("file:///") && !items.at(1)->icon().startsWith("file:////"));
        QCOMPARE(items.at(0)->icon(), QString()); // no flag file
        m_settings->languageListChanged(list);
        QCOMPARE(listChanged.size(), 1);
        QCOMPARE(m_settings->languageItems(), items);

        m_settings->setLanguage(QStringLiteral("Klingon"));
        m_settings->setLanguage(QStringLiteral("English"));
        QCOMPARE(change.size(), 0);
        m_settings->setLanguage(QStringLiteral("Deutsch"));
        QCOMPARE(change.size(), 1);
        QCOMPARE(change.first().first().toString(), QStringLiteral("German"));

        // A new list lets the old items go only after QML has had the change.
        QPointer<IconListViewItem> old = items.first();
        m_settings->languageListChanged(languages({"English", "English (UK)"}));
        QCOMPARE(m_settings->language(), QStringLiteral("English (UK)"));
        QVERIFY(old);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!old);
    }

    void tanDeltaLevels_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("readBack");
        QTest::newRow("truncated") << 1.25 << true << 1.2;
        QTest::newRow("zero") << 0.0 << true << 0.0;
        QTest::newRow("largest") << 6553.5 << true << 6553.5;
        QTest::newRow("too large") << 6553.6 << false << 1.0;
        QTest::newRow("negative") << -0.5 << false << 1.0;
        QTest::newRow("nan") << std::nan("") << false << 1.0;
    }
    void tanDeltaLevels()
    {
        QFETCH(double, value);
        QFETCH(bool, accepted);
        QFETCH(double, readBack);
        QCOMPARE(m_settings->getTanDeltaLevel(1), 1.0);
        QCOMPARE(m_settings->setTanDeltaLevel(1, value), accepted);
        QCOMPARE(m_settings->getTanDeltaLevel(1), readBack);
        if (accepted)
            QCOMPARE(dm()->getDefaultVoltageFactor(1), static_cast<unsigned short>(std::lround(readBack * 10)));
    }

    void themeStoresOnlyAChange()
    {
        QSignalSpy changed(m_settings.get(), &Settings::themeChanged);
        m_settings->setTheme(0);
        QCOMPARE(changed.size(), 0);
        QVERIFY(!m_fixture->config()->exists(QStringLiteral("/Settings/Theme")));
        m_settings->setTheme(1);
        QCOMPARE(m_settings->theme(), 1);
        QCOMPARE(changed.size(), 1);
        // A store that refuses still tells the window.
        QCOMPARE(m_fixture->config()->setReadOnly(QStringLiteral("/Settings/Theme"), true), 0);
        m_settings->setTheme(0);
        QCOMPARE(m_settings->theme(), 1);
        QCOMPARE(changed.size(), 2);
    }

    void timeZonesByOffsetInTheSystemsOrder()
    {
        const QList<IconListViewItem*> items = m_settings->timeZoneItems();
        const QList<QByteArray> ids = QTimeZone::availableTimeZoneIds();
        QCOMPARE(items.size(), ids.size());
        const QDateTime now = QDateTime::currentDateTime();
        for (int i = 1; i < items.size(); ++i) {
            const int before = items.at(i - 1)->value().toInt();
            const int offset = items.at(i)->value().toInt();
            QVERIFY2(before <= offset, qPrintable(items.at(i)->name()));
            if (before == offset) {
                QVERIFY(ids.indexOf(items.at(i - 1)->name().toUtf8()) < ids.indexOf(items.at(i)->name().toUtf8()));
            }
            // Allow for a zone changing its offset while the test runs.
            QVERIFY(qAbs(QTimeZone(items.at(i)->name().toUtf8()).offsetFromUtc(now) - offset) <= 3600);
        }
    }

    void platformValuesReachTheFakes()
    {
        QVERIFY(m_settings->setDateTime(1767225600, 3600)); // 2026-01-01 00:00 UTC
        QCOMPARE(m_platform->clock.systemTimes.size(), 1);
        QCOMPARE(m_platform->clock.systemTimes.first().toSecsSinceEpoch(), 1767225600LL);
        QCOMPARE(m_platform->clock.systemTimes.first().offsetFromUtc(), 3600);
        QCOMPARE(m_platform->clock.hardwareTimes.size(), 1);
        m_platform->clock.result = false;
        QVERIFY(!m_settings->setDateTime(1767225600, 0));

        QSignalSpy brightness(m_settings.get(), &Settings::brightnessChanged);
        m_settings->setBrightness(40);
        QCOMPARE(m_platform->backlight.values, QList<int>{40});
        QCOMPARE(m_settings->brightness(), 40);
        QCOMPARE(brightness.size(), 1);
        QCOMPARE(brightness.first().first().toInt(), 40);
    }

    void insulationListEnabledFirst()
    {
        QSignalSpy changed(m_settings.get(), &Settings::insulationsChanged);
        QVERIFY(m_settings->toggleInsulationState(TanDelta::evaluation::PILC));
        QCOMPARE(changed.size(), 1);
        QVERIFY(!dm()->isInsulationEnabled(TanDelta::evaluation::PILC));
        QList<IconListViewItem*> items = m_settings->insulationItems();
        QCOMPARE(items.size(), dm()->getAllInsulationTypes().size());
        QCOMPARE(items.last()->value().toInt(), int(TanDelta::evaluation::PILC));
        QVERIFY(items.last()->icon().isEmpty());
        QCOMPARE(items.first()->icon(), QStringLiteral("qrc:/icons/confirm.svg"));
        QVERIFY(!items.first()->name().isEmpty());
        // Rebuilt on every read; the items of the last read stay until the event loop runs.
        QPointer<IconListViewItem> old = items.first();
        m_settings->insulationItems();
        QVERIFY(old);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!old);
    }

    void passwordRecordsAndLocks()
    {
        QVERIFY(m_settings->unlockServiceMenu(QStringLiteral("VlfService1")));
        QVERIFY(!m_settings->isServiceMenuLocked());
        // A Ryx password opens only the Ryx menu.
        QVERIFY(!m_settings->unlockServiceMenu(QStringLiteral("RyxLevel42")));
        QVERIFY(m_settings->lockServiceMenu());
        QVERIFY(m_settings->lockServiceMenu()); // already locked
        QVERIFY(m_settings->unlockRyxMenu(QStringLiteral("RyxLevel42")));
        QVERIFY(!m_settings->isRyxMenuLocked());
        QVERIFY(m_settings->isServiceMenuLocked());
        QVERIFY(!m_settings->unlockRyxMenu(QString()));

        DB* db = DB::getInstance();
        QVERIFY(m_settings->setAdminPassword(QStringLiteral("Secret")));
        const QString first = db->getPassword(QStringLiteral("admin_menu"));
        QVERIFY(m_settings->setAdminPassword(QStringLiteral("Secret")));
        const QString second = db->getPassword(QStringLiteral("admin_menu"));
        QCOMPARE(first.size(), 57);
        QCOMPARE(second.size(), 57);
        QVERIFY(first.left(16) != second.left(16));
        QVERIFY(first.mid(17) != second.mid(17));
        QVERIFY(GlobalFuncs::checkPassword(QStringLiteral("Secret"), first));
        QVERIFY(GlobalFuncs::checkPassword(QStringLiteral("Secret"), second));

        QVERIFY(!m_settings->setAdminPassword(QString()));
        QVERIFY(!m_settings->setAdminPassword(QStringLiteral("Abcd")));
        QCOMPARE(db->getPassword(QStringLiteral("admin_menu")), second);
        QVERIFY(!m_settings->unlockAdminMenu(QString()));
        QVERIFY(!m_settings->unlockAdminMenu(QStringLiteral("Abcd")));
        QVERIFY(m_settings->isAdminMenuLocked());
        QVERIFY(m_settings->unlockAdminMenu(QStringLiteral("Secret")));
        QVERIFY(!m_settings->isAdminMenuLocked());
        QVERIFY(m_settings->lockAdminMenu());
    }

    void configItemsDescribeTheStore()
    {
        UnsureConfig config;
        QDomDocument doc;
        QVERIFY(doc.setContent(QByteArrayLiteral(
            "<configuration><key name=\"PEVANTO\"><key name=\"Editor\">"
            "<value name=\"Zeta\" type=\"string\">z</value>"
            "<value name=\"Bin\" type=\"binary\">0100</value>"
            "<value name=\"Flag\" type=\"bool\">true</value>"
            "<value name=\"Ratio\" type=\"double\">0.5</value>"
            "<value name=\"Free\" type=\"long\">-7</value>"
            "<value name=\"Volume\" type=\"long\" min=\"0\" max=\"10\" step=\"2\" readonly=\"true\">4</value>"
            "<value name=\"Unsure\" type=\"string\">u</value>"
            "<key name=\"Group\"><value name=\"Inner\" type=\"long\">1</value></key>"
            "</key></key></configuration>")));
        QVERIFY(config.replaceDocument(doc));
        GlobalFuncs::setConfig(&config);
        const QVariantList items = m_settings->configItems(QStringLiteral("/Editor"));
        QStringList names;
        QMap<QString, QJsonObject> byName;
        for (const QVariant& item : items) {
            const QJsonObject o = item.toJsonObject();
            names << o.value("name").toString();
            byName.insert(names.last(), o);
        }
        QCOMPARE(names, QStringList({"Bin", "Flag", "Free", "Group", "Ratio", "Unsure", "Volume", "Zeta"}));
        QCOMPARE(byName["Bin"].value("value").toVariant(), QVariant(1.0));
        QCOMPARE(byName["Flag"].value("value"), QJsonValue(true));
        QCOMPARE(byName["Free"].value("value").toDouble(), -7.0);
        QVERIFY(!byName["Free"].contains("range"));
        QVERIFY(!byName["Ratio"].contains("range"));
        QCOMPARE(byName["Volume"].value("range").toObject(), QJsonObject({{"min", 0}, {"max", 10}, {"step", 2}}));
        QCOMPARE(byName["Volume"].value("readOnly"), QJsonValue(true));
        QCOMPARE(byName["Zeta"].value("readOnly"), QJsonValue(false));
        QCOMPARE(byName["Unsure"].value("readOnly"), QJsonValue(true));
        QCOMPARE(byName["Group"].value("type").toInt(), -1);
        QVERIFY(!byName["Group"].contains("value"));
        QCOMPARE(m_settings->configItems(QStringLiteral("/Editor/Group")).size(), 1);
        QVERIFY(m_settings->configItems(QStringLiteral("/Nowhere")).isEmpty());

        QSignalSpy written(m_settings.get(), &Settings::settingsValueChanged);
        QVERIFY(m_settings->setConfigItemLong(QStringLiteral("/Editor/Free"), 12));
        QVERIFY(m_settings->setConfigItemDouble(QStringLiteral("/Editor/Ratio"), 0.25));
        QVERIFY(m_settings->setConfigItemString(QStringLiteral("/Editor/Zeta"), QStringLiteral("y")));
        QVERIFY(m_settings->setConfigItemBool(QStringLiteral("/Editor/Flag"), false));
        QCOMPARE(written.size(), 4);
        QCOMPARE(written.first().first().toString(), QStringLiteral("/Editor/Free"));
        // Refused: read-only, wrong type, missing key, not a number.
        QVERIFY(!m_settings->setConfigItemLong(QStringLiteral("/Editor/Volume"), 6));
        QVERIFY(!m_settings->setConfigItemLong(QStringLiteral("/Editor/Zeta"), 6));
        QVERIFY(!m_settings->setConfigItemString(QStringLiteral("/Editor/Missing"), QStringLiteral("x")));
        QVERIFY(!m_settings->setConfigItemDouble(QStringLiteral("/Editor/Ratio"), std::nan("")));
        QVERIFY(!m_settings->setConfigItemDouble(QStringLiteral("/Editor/Ratio"), HUGE_VAL));
        QCOMPARE(written.size(), 4);
        QVERIFY(!config.exists(QStringLiteral("/Editor/Missing")));
        double ratio = 0;
        QCOMPARE(config.queryDouble(QStringLiteral("/Editor/Ratio"), ratio), 0);
        QCOMPARE(ratio, 0.25);
        GlobalFuncs::setConfig(m_fixture->config());
    }

    // What the editor and the theme write is in the file: the configuration read from it
    // again, as at the next start, has it. Values the knob and the charts cannot work
    // with are refused on write and read as the default.
    void settingsSurviveARestart_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QVariant>("afterRestart");
        QTest::newRow("theme") << "/Settings/Theme" << QVariant(1) << true << QVariant(1);
        QTest::newRow("double-click") << "/Settings/DblClickTimeMs" << QVariant(400) << true << QVariant(400);
        QTest::newRow("double-click negative") << "/Settings/DblClickTimeMs" << QVariant(-1) << false << QVariant(250);
        // The file holds 0: read as the default.
        QTest::newRow("graph interval") << "/Settings/GraphUpdateIntervallMs" << QVariant(0) << false << QVariant(100);
        QTest::newRow("screenshots") << "/General/ScreenshotFunction" << QVariant(true) << true << QVariant(true);
        QTest::newRow("system name") << "/General/SystemName" << QVariant("../x") << true << QVariant("../x x");
        QTest::newRow("control character") << "/General/SystemName" << QVariant("a\tb") << false << QVariant("Bay Bay");
    }
    void settingsSurviveARestart()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(bool, accepted);
        QFETCH(QVariant, afterRestart);
        QVERIFY(m_fixture->root().writeFile("/c/PEVANTO.cfg.xml",
            "<configuration><key name=\"PEVANTO\"><key name=\"General\"><value name=\"ScreenshotFunction\" "
            "type=\"bool\">false</value><value name=\"SystemName\" type=\"string\">Bay</value></key><key name="
            "\"Settings\"><value name=\"DblClickTimeMs\" type=\"long\">250</value><value name=\"GraphUpdate"
            "IntervallMs\" type=\"long\">0</value></key></key></configuration>"));
        auto restart = [this]() {
            auto config = std::make_unique<ConfigAccessXML>(m_fixture->root().path("/c"), QStringLiteral("PEVANTO"));
            GlobalFuncs::setConfig(config->initialize() == 1 ? config.get() : nullptr);
            return config;
        };
        auto config = restart();
        if (key == QLatin1String("/Settings/Theme"))
            m_settings->setTheme(value.toInt());
        else if (value.type() == QVariant::String)
            QCOMPARE(m_settings->setConfigItemString(key, value.toString()), accepted);
        else if (value.type() == QVariant::Bool)
            QCOMPARE(m_settings->setConfigItemBool(key, value.toBool()), accepted);
        else
            QCOMPARE(m_settings->setConfigItemLong(key, value.toInt()), accepted);
        config = restart();
        const QMap<QString, QVariant> read{
            {"/Settings/Theme", m_settings->theme()},
            {"/Settings/DblClickTimeMs", m_settings->dblClickTime()},
            {"/Settings/GraphUpdateIntervallMs", m_settings->graphUpdateIntervall()},
            {"/General/ScreenshotFunction", m_settings->screenshotsEnabled()},
            {"/General/SystemName", GlobalFuncs::getSystemName() + ' ' + GlobalFuncs::getProjectAbbreviation()},
        };
        QCOMPARE(read.value(key), afterRestart);
        GlobalFuncs::setConfig(m_fixture->config());
    }

    void screenshotSwitchFromTheEditorNotifies()
    {
        GuiViewModel vm;
        Settings* settings = vm.settings();
        QVERIFY(!settings->screenshotsEnabled());
        QVERIFY(m_fixture->config()->exists(QStringLiteral("/General/ScreenshotFunction")));
        QSignalSpy notified(settings, &Settings::screenshotsEnabledChanged);
        QVERIFY(settings->setConfigItemBool(QStringLiteral("/General/ScreenshotFunction"), true));
        QCOMPARE(notified.size(), 1);
        QVERIFY(settings->screenshotsEnabled());
    }
};

QTEST_MAIN(TstSettings)
#include "tst_settings.moc"
