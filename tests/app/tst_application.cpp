#include "app/Application.h"
#include "app/CheckAppState.h"
#include "config/IConfigBase.h"
#include "datamodel/DataModell.h"
#include "fakes/Artifacts.h"
#include "fakes/FakeGpioTree.h"
#include "fakes/ProgramWindow.h"
#include "fakes/SimulatedSurroundings.h"
#include "fakes/QmlWarnings.h"
#include "db/DB.h"
#include "core/GlobalFuncs.h"
#include "hvsim/HvUnitSimulator.h"
#include "gui/Gui.h"
#include "gui/Settings.h"
#include "uiapi/IGUI.h"
#include "hvunit/SCPins.h"
#include "hvunit/TCheckSafetyCircuit.h"
#include "hvunit/TPOF.h"
#include "logging/MessageCategories.h"
#include "fakes/TempRoot.h"
#include "fakes/ThreadNames.h"
#include "testrun/TTestThread.h"
#include "app/ThreadGuard.h"
#include "testrun/MeasurementManager.h"
#include "hvunit/ExtPortManager.h"
#include "remote/ConnectionManager.h"
#include "app/WatchdogManager.h"

#include <QDir>
#include <QQmlContext>
#include <QQmlExpression>
#include <QFileInfo>
#include <QFile>
#include <QImage>
#include <QQuickWindow>
#include <QScreen>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
// Names of the threads of this process as the kernel knows them.
// The menu locks: their page, a password their owner set, the factory one.
struct MenuLock {
    QString type;
    bool (Settings::*unlock)(const QString&);
    bool (Settings::*lock)();
    bool (Settings::*locked)() const;
    const char* page;
    const char* own;
    const char* factory;
};
const MenuLock kLocks[] = {
    {Settings::kAdminLock, &Settings::unlockAdminMenu, &Settings::lockAdminMenu, &Settings::isAdminMenuLocked,
     "AdminSettings", "Owner55", "VlfAdmin7"},
    {Settings::kServiceLock, &Settings::unlockServiceMenu, &Settings::lockServiceMenu, &Settings::isServiceMenuLocked,
     "ServiceSettings", "Staff66", "VlfService1"},
    {Settings::kRyxLock, &Settings::unlockRyxMenu, &Settings::lockRyxMenu, &Settings::isRyxMenuLocked,
     "ServiceSettings", "Level77", "RyxLevel42"},
};
enum Way { MenuPage, Update, Import, Criteria, FreshDatabase, OldRecord, Reset, DeleteMessages, DeleteService,
           UnlockLock, BackupRename, BlankChain, DotChain, NbspChain, LongName, OwnBackup, SettingsRename };
// From BackupRename on: the system names stick backups give at the starts that follow, the database then opened.
const struct { const char* row; QStringList names; QString opened; } kRenames[] = {
    {"stick backup renames", {"Other"}, "OTHER"}, {"stick backups via \" x\"", {" x", "Other"}, "OTHER"},
    {"stick backups via \".x\"", {".x", "Other"}, "OTHER"}, {"stick backups via no-break space", {"\u00a0x", "Other"}, "OTHER"},
    {"stick backup long multibyte name", {QString(41, QChar(0x390))}, QString(37, QChar(0x390)).toUpper()},
    {"own backup named \" x\"", {" x"}, "X"}, {"settings page renames", {}, "OTHER"}};

// Every table's rows, sorted; the passwords one key per lock; of the logs only this
// test's rows and the resets noted.
QMap<QString, QStringList> tableContents()
{
    QMap<QString, QStringList> out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lock-test"));
        db.setDatabaseName(GlobalFuncs::getDB()->filePath());
        db.open();
        for (const QString& table : db.tables()) {
            QSqlQuery q(QString::fromLatin1(table.endsWith("log") ? "SELECT message FROM %1 WHERE message LIKE "
                                                                      "'lock test%' OR message = 'Resetting Database'"
                                                                    : "SELECT * FROM %1").arg(table), db);
            while (!table.startsWith(QLatin1String("sqlite_")) && q.next()) {
                QStringList row;
                for (int i = 0; i < q.record().count(); ++i)
                    row << q.value(i).toString();
                out[table == QLatin1String("passwords") ? table + '/' + row.first() : table] << row.join('|');
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("lock-test"));
    for (QStringList& rows : out)
        rows.sort();
    return out;
}
} // namespace

class TstApplication : public QObject {
    Q_OBJECT
public:
    TstApplication(Application* app, TempRoot* root, FakeGpioTree* gpio, HvUnitSimulator* sim)
        : m_app(app), m_root(root), m_gpio(gpio), m_sim(sim)
    {
    }

private slots:
    void servicesAreInstalled()
    {
        QVERIFY(GlobalFuncs::getDM() != nullptr);
        QVERIFY(GlobalFuncs::getDB() != nullptr);
        QVERIFY(GlobalFuncs::getConfig() != nullptr);
        QVERIFY(GlobalFuncs::getLogger() != nullptr);
        QCOMPARE(GlobalFuncs::getGUI(), m_app->gui());
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("PEVANTO"));
        QVERIFY(QFile::exists(m_root->path(QStringLiteral("/home/root/mappedPaths/appdata/PEVANTO.sqlite3"))));
    }

    void workersLiveOnTheirNamedThreads()
    {
        DataModell* dm = m_app->dataModel();
        QCOMPARE(dm->thread()->objectName(), QStringLiteral("DMThread"));
        QCOMPARE(dm->getStatemachine()->thread(), dm->thread());
        QCOMPARE(m_app->hvLink()->thread()->objectName(), QStringLiteral("POFThread"));
        QCOMPARE(m_app->testWorker()->thread()->objectName(), QStringLiteral("TestThread"));
        QCOMPARE(GlobalFuncs::getMeasurementManager()->thread()->objectName(), QStringLiteral("MeasurementManagerThread"));
        QCOMPARE(m_app->connectionManager()->thread()->objectName(), QStringLiteral("ConnectionManagerThread"));
        QCOMPARE(GlobalFuncs::getConnectionManager(), static_cast<IConnectionManager*>(m_app->connectionManager()));
        QCOMPARE(m_app->extPortManager()->thread(), m_app->thread());
        QCOMPARE(m_app->gui()->thread(), m_app->thread());
        QCOMPARE(m_app->usbChecker()->thread(), m_app->thread());
        QCOMPARE(m_app->safetyCircuit()->thread(), m_app->thread());
        QCOMPARE(GlobalFuncs::getDB()->thread(), m_app->thread());
        // A started thread takes its system name only once it runs, which a loaded
        // machine may delay.
        for (const char* name : {"DMThread", "POFThread", "TestThread", "MeasurementMana", "ConnectionManag", "WatchdogThread"})
            QTRY_VERIFY2_WITH_TIMEOUT(threadNames().contains(QLatin1String(name)), name, 5000);
    }

    void guardedThreadsAreWatched()
    {
        WatchdogManager* wd = WatchdogManager::getInstance();
        QVERIFY(wd->isRunning());
        QCOMPARE(wd->guardedThreads(),
                 QStringList({QStringLiteral("GUI"), QStringLiteral("DMThread"), QStringLiteral("POFThread")}));
        const quint64 kicks = wd->kicks();
        QTRY_VERIFY_WITH_TIMEOUT(wd->kicks() > kicks, 5000);
    }

    void reachesIdleWithTheSimulatedUnit()
    {
        DataModell* dm = m_app->dataModel();
        QTRY_COMPARE_WITH_TIMEOUT(dm->getAppState(), States::Idle, 30000);
        // The link's start-up ran against the unit: time, serial number, identification,
        // temperature, each followed by a state-word read.
        QByteArray letters;
        for (const QByteArray& request : m_sim->completeRequests()) {
            if (request.size() > 1)
                letters.append(request.at(1));
        }
        QVERIFY2(letters.startsWith("zWNWIWHW"), letters.constData());
    }

    // The window comes up with the program and shows the idle instrument without a
    // single QML warning; its picture is kept for people to look at.
    void windowShowsTheIdleInstrument()
    {
        DataModell* dm = m_app->dataModel();
        QTRY_COMPARE_WITH_TIMEOUT(dm->getAppState(), States::Idle, 30000);
        auto* gui = qobject_cast<Gui*>(m_app->gui());
        QVERIFY(gui);
        QCOMPARE(gui->engine()->rootObjects().size(), 1);
        auto* window = qobject_cast<QQuickWindow*>(gui->engine()->rootObjects().first());
        QVERIFY(window);
        QTRY_VERIFY(window->isExposed());
        QTRY_COMPARE(gui->viewModel()->state(), States::Idle);
        QVERIFY(gui->viewModel()->activities()->testChart() != nullptr);
        QTest::qWait(300);
        QImage shot = window->grabWindow();
        // The software renderer on the offscreen platform hands back nothing; the screen
        // still holds what was drawn.
        if (shot.isNull())
            shot = window->screen()->grabWindow(window->winId()).toImage();
        QCOMPARE(shot.size(), QSize(800, 480));
        const QString path = artifactDir(QStringLiteral("screenshots"), QStringLiteral("tst_application"))
            + QStringLiteral("/idle.png");
        QVERIFY2(shot.save(path), qPrintable(path));
        QCOMPARE(QmlWarnings::install()->take(), QStringList());
    }

    void guiRequestsReachTheBackEnd()
    {
        DataModell* dm = m_app->dataModel();
        IGUI* gui = m_app->gui();
        const OperatingModes::OperatingMode mode = dm->getOperatingMode() == OperatingModes::VLFRect
            ? OperatingModes::VLFSin
            : OperatingModes::VLFRect;
        emit gui->changeOperatingMode(mode);
        QTRY_COMPARE(dm->getOperatingMode(), mode);

        m_sim->clearRequests();
        dm->setHVUnitParam(eHVUnitParamType_GainU, HVUnitParamUnknown);
        emit gui->refreshHVUnitParams({eHVUnitParamType_GainU});
        // The refresh is done once a later poll follows its own.
        const auto afterGains = [this] {
            const QList<QByteArray> all = m_sim->completeRequests();
            return all.mid(all.indexOf(">Q.") + 1);
        };
        QTRY_VERIFY(m_sim->completeRequests().contains(">Q.") && afterGains().count(">W.") >= 2);
        for (const QByteArray& r : afterGains())
            QVERIFY2(!r.startsWith(">K"), r.constData());
        QCOMPARE(dm->getHVUnitParam(eHVUnitParamType_GainU), quint64(m_sim->model().gainU()));

        QSignalSpy boost(gui, &IGUI::TestBoostStateChanged);
        dm->setTestBoostState(stTBState{1, 0}, true);
        QTRY_COMPARE(boost.size(), 1);
        QCOMPARE(boost.first().at(1).value<stTBState>().powerState, 1);
        dm->setTestBoostState(stTBState{0, 0}, true);
    }

    // In the window: a gain entered on the calibration page reaches the unit and shows
    // again after Refresh; the status page's Refresh reads the HV source status again.
    void calibrationPagesReachTheUnit()
    {
        QTRY_COMPARE_WITH_TIMEOUT(m_app->dataModel()->getAppState(), States::Idle, 30000);
        QCOMPARE(runInWindow(QStringLiteral("pageStack.push('qrc:/Vlf/Pages/Items/CalibrationMenuPage.qml').objectName")),
                 QVariant(QStringLiteral("calibrationMenuPage")));
        const QString gain = QStringLiteral("pageStack.currentItem.fieldOf('gainU')");
        runInWindow(QStringLiteral("pageStack.currentItem.refreshButton.clicked()"));
        QTRY_COMPARE(runInWindow(gain + QStringLiteral(".field.text")), QVariant(QStringLiteral("1.000")));
        runInWindow(QStringLiteral("(function(box) { box.field.text = '1.0512'; box.editing = true; box.accept() })(%1)")
                        .arg(gain));
        QTRY_COMPARE(m_sim->model().gainU(), uint16_t(10512));
        // The link reads the gains back once written.
        QTRY_COMPARE(m_app->dataModel()->getHVUnitParam(eHVUnitParamType_GainU), quint64(10512));

        // What the unit holds shows after Refresh, not before.
        m_sim->model().setGains(10400, m_sim->model().gainI());
        QTest::qWait(200);
        QCOMPARE(runInWindow(gain + QStringLiteral(".field.text")), QVariant(QStringLiteral("1.051")));
        runInWindow(QStringLiteral("pageStack.currentItem.refreshButton.clicked()"));
        QTRY_COMPARE(runInWindow(gain + QStringLiteral(".field.text")), QVariant(QStringLiteral("1.040")));

        // The HV source status has the unit code 12; opening the page reads it too.
        m_sim->clearRequests();
        runInWindow(QStringLiteral("pageStack.replace('qrc:/Vlf/Pages/Items/HvSourceStatusPage.qml')"));
        QTRY_VERIFY(m_sim->completeRequests().contains(QByteArray(">K0C.")));
        QTest::qWait(800);
        m_sim->clearRequests();
        runInWindow(QStringLiteral("pageStack.currentItem.refreshButton.clicked()"));
        QTRY_VERIFY(m_sim->completeRequests().contains(QByteArray(">K0C.")));
        runInWindow(QStringLiteral("pageStack.pop(null)"));
    }

    void usbStickReachesDataModelAndGui()
    {
        DataModell* dm = m_app->dataModel();
        QSignalSpy gui(m_app->gui(), &IGUI::USBStateChanged);
        QCOMPARE(dm->getUSBState(), USBState_NoStick);
        QVERIFY(!m_root->insertStick().isEmpty());
        QTRY_COMPARE(dm->getUSBState(), USBState_Ready);
        QTRY_COMPARE(gui.size(), 2);
        QCOMPARE(gui.at(0).at(1).value<eUSBState>(), USBState_Checking);
        QCOMPARE(gui.at(1).at(1).value<eUSBState>(), USBState_Ready);
        QVERIFY(m_root->pullStick());
        QTRY_COMPARE(dm->getUSBState(), USBState_NoStick);
        QCOMPARE(gui.size(), 3);
    }

    // The HV-enable line follows the application state: on only while a test runs and
    // the test boost is either unknown or reports F-Ohm and ground.
    void hvEnableFollowsTestStatesAndTestBoost()
    {
        DataModell* dm = m_app->dataModel();
        FakeGpioTree* gpio = m_gpio;
        // Only the frame's own reaction: the other listeners would start a real test.
        auto stateChange = [&](States::AppState from, States::AppState to) {
            QVERIFY(QMetaObject::invokeMethod(m_app, "onAppStateChanged", Qt::DirectConnection,
                                              Q_ARG(States::AppState, from), Q_ARG(States::AppState, to)));
        };
        stateChange(States::Idle, States::InitTest);
        QCOMPARE(gpio->lastWritten(HVEnableLine), '1');
        QVERIFY(m_app->safetyCircuit()->HVActive());
        stateChange(States::TestRunning, States::TestFinished);
        QCOMPARE(gpio->lastWritten(HVEnableLine), '0');

        dm->setTestBoostState(stTBState{2, 0x2}, true); // F-Ohm without ground
        stateChange(States::Idle, States::InitTest);
        QCOMPARE(gpio->lastWritten(HVEnableLine), '0');
        dm->setTestBoostState(stTBState{2, 0x6}, true);
        stateChange(States::InitTest, States::TestRunning);
        QCOMPARE(gpio->lastWritten(HVEnableLine), '1');
        // Ground lost during the test: the line drops without a state change.
        dm->setTestBoostState(stTBState{2, 0x2}, true);
        QTRY_COMPARE(gpio->lastWritten(HVEnableLine), '0');
        dm->setTestBoostState(stTBState{2, 0x6}, true);
        QTRY_COMPARE(gpio->lastWritten(HVEnableLine), '1');
        stateChange(States::TestRunning, States::Idle);
        QCOMPARE(gpio->lastWritten(HVEnableLine), '0');
        dm->setTestBoostState(stTBState{0, 0}, true);

        // An open input drops it, but for the one a start's wait state waits for (the
        // inputs after it then read open too) and the HV-on key.
        const struct {
            States::AppState state;
            int open;
            char line;
        } loop[] = { { States::WaitHVFree, 1, '0' },      { States::WaitHVFree, 6, '1' },
                     { States::WaitExtEmergOff, 7, '0' }, { States::WaitExtEmergOff, 8, '1' },
                     { States::WaitConfirmOn, 8, '0' },   { States::WaitConfirmOn, 9, '1' },
                     { States::TestSoftStop, 4, '0' } };
        for (const auto& row : loop) {
            stateChange(States::Idle, row.state);
            QCOMPARE(gpio->lastWritten(HVEnableLine), '1');
            gpio->setLine(safetyLineOfBit(row.open), false);
            QTRY_COMPARE(dm->getSafetyCircuitState(), SafetyCircuitBits((1u << row.open) - 1));
            QCOMPARE(gpio->lastWritten(HVEnableLine), row.line);
            gpio->setLine(safetyLineOfBit(row.open), true);
            QTRY_COMPARE(dm->getSafetyCircuitState(), SafetyCircuitBits(0x3FF));
            QCOMPARE(gpio->lastWritten(HVEnableLine), '1');
            stateChange(row.state, States::Idle);
        }
    }

    void sigusr1TriggersOneScreenshot()
    {
        QSignalSpy shots(m_app->dataModel(), &DataModell::screenshotTrigger);
        QCOMPARE(::kill(::getpid(), SIGUSR1), 0);
        QTRY_COMPARE(shots.size(), 1);
        QTest::qWait(300);
        QCOMPARE(shots.size(), 1);
    }

    // The picture of the window goes to the stick: header over the body with the open
    // question, at the window's width; without a stick the operator is told so.
    void sigusr1WritesTheScreenshotToTheStick()
    {
        ProgramWindow ui("tst_application");
        QVERIFY(ui.attach(m_app));
        GuiViewModel* vm = ui.vm();
        auto answerAll = [vm]() {
            while (!vm->questions().isEmpty())
                vm->hideQuestion(vm->questions().first().id, 0);
        };
        auto dialogShows = [&ui](const QString& text) { return ui.dialogShown() && ui.text("dialogText") == text; };
        answerAll();
        vm->setClock([]() { return QDateTime(QDate(2026, 3, 1), QTime(14, 5, 9)); });
        const QString folder = GlobalFuncs::getUsbPath(GlobalFuncs::UsbScreenshots);
        const QString file =
            folder + QStringLiteral("/Screenshot_%1_140509.png").arg(GlobalFuncs::getProjectAbbreviation());
        const QString mount = GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint);

        QCOMPARE(vm->connections()->usbState(), Qt::Unchecked);
        QCOMPARE(::kill(::getpid(), SIGUSR1), 0);
        QTRY_VERIFY(dialogShows(QStringLiteral("No USB Device found!")));
        QVERIFY(!QFileInfo::exists(mount));
        answerAll();

        QVERIFY(!m_root->insertStick().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(vm->connections()->usbState(), Qt::Checked, 10000);
        vm->showQuestion(QStringLiteral("Is the cable earthed?"));
        QTRY_VERIFY(dialogShows(QStringLiteral("Is the cable earthed?")));
        QTest::qWait(200);
        const QImage seen = ui.grab();
        QCOMPARE(::kill(::getpid(), SIGUSR1), 0);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(file), 10000);

        const QImage shot(file);
        QCOMPARE(shot.size(), QSize(800, 480));
        QVERIFY2(shot.save(artifactDir(QStringLiteral("screenshots"), QStringLiteral("tst_application"))
                           + QStringLiteral("/sigusr1-screenshot.png")),
                 "artifact");
        // The header's title side (the clock may have moved on) and the whole body.
        auto alike = [&](const QRect& area) {
            int same = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) {
                    const QColor a = shot.pixelColor(x, y), b = seen.pixelColor(x, y);
                    same += qAbs(a.red() - b.red()) <= 24 && qAbs(a.green() - b.green()) <= 24
                            && qAbs(a.blue() - b.blue()) <= 24;
                }
            return double(same) / (area.width() * area.height());
        };
        QVERIFY(alike(QRect(0, 0, 400, 48)) > 0.95);
        QVERIFY(alike(QRect(0, 48, 800, 432)) > 0.95);
        const QString note = QStringLiteral("Screenshot has been saved to USB:") + file.mid(mount.size());
        QTRY_VERIFY(dialogShows(note));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QFileInfo(file).fileName()});

        answerAll();
        vm->setClock({});
        QVERIFY(m_root->pullStick());
        QTRY_COMPARE(vm->connections()->usbState(), Qt::Unchecked);
    }

    // Every menu lock by every way in: which lock the way asked for, whether the row's lock
    // ends open with the password given (where asked, else on the menu afterwards), and
    // which tables the way changed; every other table is compared row by row.
    void menuLocks_data()
    {
        QTest::addColumn<int>("lock");
        QTest::addColumn<int>("way");
        QTest::addColumn<QString>("asks");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QStringList>("changed"); // "*": every table
        const QStringList none, record{"passwords/admin_menu"}, logs{"messagelog", "servicelog"};
        const char* names[] = {"admin", "service", "ryx"};
        for (int i = 0; i < 3; ++i) {
            const MenuLock& l = kLocks[i];
            auto row = [&](Way way, const char* name) -> QTestData& {
                return QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(names[i], name))) << i << int(way);
            };
            // The service page asks for either level while the other one is open.
            row(MenuPage, "menu page") << l.type << l.own << true << none;
            row(Update, "browser update") << kLocks[0].type << l.own << (i == 0) << none;
            row(Import, "browser import") << kLocks[1].type << l.own << (i == 1) << none;
            row(Criteria, "browser criteria file") << kLocks[0].type << l.own << (i == 0) << none;
            row(FreshDatabase, "fresh database") << "" << l.factory << true << QStringList{"*"};
            row(OldRecord, "old factory record") << "" << (i ? l.own : l.factory) << true << record;
            row(Reset, "reset") << "" << (i ? l.own : l.factory) << true << (record + QStringList{"defaultvalues"});
            row(DeleteMessages, "message log deleted") << "" << l.own << true << logs;
            row(DeleteService, "service log deleted") << "" << l.own << true << logs;
            row(UnlockLock, "unlock, lock at once") << "" << l.own << false << none;
            // After the next start under the new name the factory password opens nothing.
            for (int way = BackupRename; way <= SettingsRename; ++way)
                row(Way(way), kRenames[way - BackupRename].row) << "" << l.own << true << none;
        }
    }
    void menuLocks()
    {
        QFETCH(int, lock);
        QFETCH(int, way);
        QFETCH(QString, asks);
        QFETCH(QString, password);
        QFETCH(bool, open);
        QFETCH(QStringList, changed);
        const MenuLock& l = kLocks[lock];
        // Started: the unit identified, its temperature kept as indicator 1.
        QTRY_COMPARE_WITH_TIMEOUT(m_app->dataModel()->getAppState(), States::Idle, 30000);
        ProgramWindow ui("tst_application");
        QVERIFY(ui.attach(m_app));
        GuiViewModel* vm = ui.vm();
        Settings* settings = vm->settings();
        DB* db = GlobalFuncs::getDB();
        const QString mount = GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint);
        auto answer = [vm](int result) {
            while (!vm->questions().isEmpty())
                vm->hideQuestion(vm->questions().first().id, result);
        };
        IConfigBase* config = GlobalFuncs::getConfig();
        const QString systemName = QStringLiteral("/General/SystemName");
        // What the next start does with a changed system name.
        auto restart = [db](const QString& name = GlobalFuncs::getProjectAbbreviation().toUpper()) {
            db->release();
            qApp->setApplicationName(name);
            return db->initialize();
        };
        auto clear = [&]() {
            answer(0);
            vm->hideWaitMessage(QCoreApplication::translate("UpdateManager", "StandbyWhileRebooting"));
            runInWindow(QStringLiteral("pageStack.pop(null)"));
            if (QFileInfo(mount).isSymLink())
                QFile::remove(mount);
            if (GlobalFuncs::getSystemName() != QLatin1String("pevanto")) {
                QCOMPARE(config->setString(systemName, QStringLiteral("pevanto")), 0);
                QVERIFY(restart());
            }
        };
        clear();
        for (const MenuLock& each : kLocks) {
            (settings->*each.lock)();
            QVERIFY(db->setPassword(each.type, GlobalFuncs::encryptPassword(each.own)));
        }
        if (way == OldRecord)
            QVERIFY(db->setPassword(Settings::kAdminLock, "Tn4cQe8WuLr2HsZb:5d0c9e1f7a3b6c2e8d4f0a1b9c7e3d5f2a6b8c0e"));
        QVERIFY(db->setDefaultValue("LockTest", "Kept", "1") && db->addCableNumber("LOCK-1"));
        // Not indicator 1: the link identifies the unit once more as the program reaches Idle.
        QVERIFY(db->incStatisticParam(0x201, 1) && db->setPerformanceIndicator(2, 0, 42));
        QVERIFY(db->setVoltageSnapValues(0, {1.5, 2.5}) && db->setTanDeltaSummary(0, {{1000, 20, 3}}));
        db->queueMessage({QDateTime::currentMSecsSinceEpoch(), int(CAT_INF), "lock test " + QString::number(way)});
        QVERIFY(db->addServiceMessage("lock test service " + QString::number(way)));
        const QMap<QString, QStringList> before = tableContents();
        QVERIFY(before.value("cableNumbers").contains("LOCK-1"));

        // As the operator does it: in the menu that offers it, which is locked again after.
        auto accept = [vm, settings](void (GuiViewModel::*ask)(), const MenuLock& offering) {
            QVERIFY((settings->*offering.unlock)(QString::fromLatin1(offering.own)));
            (vm->*ask)();
            QTRY_COMPARE(vm->questions().size(), 1);
            vm->hideQuestion(vm->questions().first().id, 1);
            (settings->*offering.lock)();
        };
        QString asked;
        if (way == MenuPage) {
            const MenuLock& other = kLocks[lock == 1 ? 2 : 1];
            QVERIFY(lock == 0 || (settings->*other.unlock)(other.own));
            runInWindow(QStringLiteral("pageStack.push('qrc:/Vlf/Pages/Items/%1.qml')").arg(l.page));
        } else if (way <= Criteria) {
            const QString stick = m_root->path(QStringLiteral("/lockstick"));
            QVERIFY(QDir().mkpath(QFileInfo(mount).path()) && QFile::link(stick, mount));
            for (const char* file : {"/app.tar", "/backup.cfg.xml", "/criteria.tds"})
                QVERIFY(m_root->writeFile(QStringLiteral("/lockstick") + file, "x"));
            runInWindow(QStringLiteral("pageStack.push('qrc:/Vlf/Pages/Items/UsbBrowserPage.qml')"));
            QTRY_VERIFY(runInWindow(QStringLiteral("pageStack.currentItem.current")).toBool());
            QTRY_COMPARE(runInWindow(QStringLiteral("pageStack.currentItem.entries.length")).toInt(), 3);
            // Listed by name: the update, the configuration, the criteria file.
            runInWindow(QStringLiteral("pageStack.currentItem.open(%1)").arg(way - Update));
        } else if (way == FreshDatabase || way == OldRecord) {
            const QString file = db->filePath();
            db->release();
            QVERIFY(way == OldRecord || QFile::remove(file));
            QVERIFY(db->initialize());
        } else if (way == Reset) {
            accept(&GuiViewModel::resetToDefaultValues, kLocks[0]);
            QTRY_COMPARE(db->getPassword(Settings::kAdminLock), DB::defaultPasswordRecord(Settings::kAdminLock));
        } else if (way == DeleteMessages || way == DeleteService) {
            accept(way == DeleteMessages ? &GuiViewModel::deleteMessageLog : &GuiViewModel::deleteServiceLog, kLocks[2]);
            QTRY_COMPARE(ui.question(), QStringLiteral("Log data has been reset"));
        } else if (way == UnlockLock) {
            QVERIFY((settings->*l.unlock)(password));
            QVERIFY(!(settings->*l.locked)());
            QVERIFY((settings->*l.lock)());
            QTest::qWait(500);
        } else if (way == SettingsRename) {
            QVERIFY(settings->setConfigItemString(systemName, QStringLiteral("Other")) && restart());
        } else {
            // Backups naming other systems, each taken with the service lock open (without it the
            // name stays) and in force at the next start.
            QVERIFY(!m_root->insertStick().isEmpty());
            // Named so before names were reduced, as are its database and its backup:
            QVERIFY(way != OwnBackup || (!config->setString(systemName, " x") && restart(" X") && restart()));
            for (const QString& name : kRenames[way - BackupRename].names) {
                const QString file = QStringLiteral("/media/USB/%1_backup.cfg.xml")
                                         .arg(way == OwnBackup ? QStringLiteral(" X") : qApp->applicationName());
                QVERIFY(m_root->writeFile(file,
                                          "<configuration><key name=\"PEVANTO\"><key name=\"General\"><value name=\"SystemName\" "
                                          "type=\"string\">" + name.toUtf8() + "</value></key></key></configuration>"));
                m_app->dataModel()->unlockSystemFunction(SystemFunction::Service);
                emit m_app->usbChecker()->importConfig(CheckAppState::backupConfigFile(), true);
                QVERIFY(!QFileInfo::exists(m_root->path(file)) && restart());
            }
        }
        if (way >= BackupRename) {
            QCOMPARE(QFileInfo(db->filePath()).fileName(), kRenames[way - BackupRename].opened + ".sqlite3");
            QVERIFY(!(settings->*l.unlock)(QString::fromLatin1(l.factory)));
            db->queueMessage({QDateTime::currentMSecsSinceEpoch(), int(CAT_INF), "after the renames"});
            QVERIFY(db->flushLogQueues());
        }
        if (way <= Criteria) {
            QVERIFY2(ui.waitFor(QStringLiteral("passwordField")), qPrintable(ui.lastError()));
            const QStringList levels = runInWindow(QStringLiteral("pageStack.currentItem.levels.join()")).toString().split(',');
            asked = levels.contains(l.type) ? l.type : levels.value(0);
            QVERIFY(ui.turnTo(QStringLiteral("passwordField")));
            ui.type(password);
            QVERIFY(ui.turnToAndPress(QStringLiteral("okButton")));
            // The browser's file goes on to its question once its lock is open.
            QTest::qWait(300);
            QCOMPARE(vm->questions().size(), int(way != MenuPage && open));
            ui.shot(QStringLiteral("lock-%1-way-%2").arg(lock).arg(way));
        } else if (way != UnlockLock) {
            QCOMPARE((settings->*l.unlock)(password), open);
        }
        QCOMPARE(asked, asks);
        QCOMPARE(!(settings->*l.locked)(), open);

        QMap<QString, QStringList> after = tableContents();
        if (changed.contains("servicelog")) {
            QCOMPARE(after.take("messagelog"), QStringList());
            QStringList service = before.value("servicelog");
            service << "Resetting Database";
            service.sort();
            QCOMPARE(after.take("servicelog"), service);
        }
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            QVERIFY2(changed.contains("*") || changed.contains(it.key()) || after.value(it.key()) == it.value(),
                     qPrintable(it.key()));
        clear();
    }

private:
    // Evaluates JavaScript in the window's context.
    QVariant runInWindow(const QString& code)
    {
        auto* gui = qobject_cast<Gui*>(m_app->gui());
        QObject* window = gui ? gui->engine()->rootObjects().value(0) : nullptr;
        if (!window)
            return QVariant();
        QQmlExpression expression(qmlContext(window), window, code);
        const QVariant result = expression.evaluate();
        if (expression.hasError())
            qWarning("%s", qPrintable(expression.error().toString()));
        return result;
    }

    Application* m_app;
    TempRoot* m_root;
    FakeGpioTree* m_gpio;
    HvUnitSimulator* m_sim;
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QUICK_BACKEND", "software");
    qputenv("QT_IM_MODULE", "qtvirtualkeyboard");
    qunsetenv("CONSOLE_LOGGING");
    QmlWarnings::install();
    const QStringList threadsBefore = threadNames();
    int failures = 0;
    auto fail = [&failures](const char* what) {
        std::fprintf(stderr, "FAIL! shutdown: %s\n", what);
        ++failures;
    };

    SimulatedSurroundings around;
    FakeGpioTree& gpio = around.gpio;
    HvUnitSimulator& sim = around.sim;
    if (!around.start(false))
        return 1;

    auto app = std::make_unique<Application>(argc, argv);
    TstApplication tests(app.get(), &around.root, &gpio, &sim);
    const int rc = QTest::qExec(&tests, argc, argv);

    // Shutdown: the HV-enable line must end low, no thread of ours may survive,
    // and the last records must reach the trace file.
    app->safetyCircuit()->setHV_On();
    if (gpio.lastWritten(HVEnableLine) != '1')
        fail("HV enable could not be switched on");
    app.reset();
    sim.stop();

    if (gpio.lastWritten(HVEnableLine) != '0')
        fail("HV enable left on");
    const QStringList left = threadsLeftSince(threadsBefore);
    if (!left.isEmpty()) {
        std::fprintf(stderr, "threads left: %s\n", qPrintable(left.join(QStringLiteral(", "))));
        fail("threads left running");
    }
    QFile trace(around.root.path(QStringLiteral("/home/root/mappedPaths/appdata/trace/PEVANTO.trc")));
    const QByteArray traced = trace.open(QIODevice::ReadOnly) ? trace.readAll() : QByteArray();
    if (!traced.contains("Application::~Application: Shutdown complete"))
        fail("last records missing in the trace file");
    const QStringList qmlWarnings = QmlWarnings::install()->take();
    if (!qmlWarnings.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(qmlWarnings.join(QLatin1Char('\n'))));
        fail("QML warnings");
    }
    if (GlobalFuncs::getDM() || GlobalFuncs::getDB() || GlobalFuncs::getLogger() || GlobalFuncs::getGUI()
        || GlobalFuncs::getConnectionManager())
        fail("services still registered");
    return rc != 0 ? rc : (failures ? 1 : 0);
}

#include "tst_application.moc"
