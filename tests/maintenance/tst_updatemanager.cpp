#include "maintenance/UpdateManager.h"

#include "core/CRC32.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "datamodel/SystemInfo.h"
#include "db/DB.h"
#include "fakes/DataModelFixture.h"
#include "fakes/FakeConfig.h"
#include "fakes/FakePlatform.h"
#include "fakes/FastClock.h"
#include "fakes/LogCapture.h"
#include "fakes/RecordingGui.h"
#include "fakes/SimulatedHVLink.h"
#include "hvunit/IUpdateLink.h"
#include "hvunit/TPOFUpdateLink.h"
#include "maintenance/ConfigfileManager.h"
#include "maintenance/LanguageManager.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kUsb = QStringLiteral("/media/USB");
const QString kProgram = QStringLiteral("/opt/vlf/vlf");
const QString kScratch = QStringLiteral("/home/root/mappedPaths/appdata/tmp");
const QString kLanguages = QStringLiteral("/home/root/mappedPaths/appdata/languages");
const QByteArray kElf = QByteArray("\x7F" "ELF new program", 16);

// A small catalogue standing for an installed language.
QByteArray catalogue(const char* name)
{
    QFile f(QStringLiteral(CATALOGUE_DIR "/%1.qm").arg(QLatin1String(name)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ScriptedLink : public IUpdateLink {
public:
    unsigned state = 0;
    bool rebootOk = true;
    int reboots = 0;
    unsigned getUpdateState() override { return std::exchange(state, 13u); }
    bool rebootHVUnit() override
    {
        ++reboots;
        return rebootOk;
    }
};
} // namespace

class TstUpdateManager : public QObject {
    Q_OBJECT
    std::unique_ptr<DataModelFixture> fx;
    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<RecordingGui> gui;
    std::unique_ptr<LanguageManager> languages;
    std::unique_ptr<ConfigfileManager> config;
    std::unique_ptr<UpdateManager> um;
    ScriptedLink* link = nullptr;
    int usage = 50;

    const TempRoot& root() const { return fx->root(); }
    QString path(const QString& p) const { return root().path(p); }

    // A part file on the stick with a CRC companion (the true CRC unless crc is given).
    QString part(const QString& name, const QByteArray& bytes, const QString& dir = kUsb, const char* crc = nullptr)
    {
        const QString file = dir + QLatin1Char('/') + name;
        root().writeFile(file, bytes);
        const QString companion = UpdateManager::crcFilename(file);
        root().writeFile(companion, crc ? QByteArray(crc)
                                        : QByteArray::number(getCRC32FromFile(qPrintable(path(file))), 16) + '\n');
        return path(file);
    }

    // Real tar over the members of folder; extra arguments go in front.
    bool tar(const QString& archive, const QString& folder, const QStringList& members, const QStringList& extra = {})
    {
        QDir().mkpath(QFileInfo(path(archive)).absolutePath());
        return QProcess::execute(QStringLiteral("tar"),
                                 extra + QStringList{QStringLiteral("-cf"), path(archive), QStringLiteral("-C"),
                                                     path(folder)} + members) == 0;
    }

    QList<RecordingGui::Call> messages(const QString& key) const
    {
        QList<RecordingGui::Call> out;
        for (const auto& c : gui->callsOf(QStringLiteral("showMessageDlg")))
            if (c.key == key)
                out << c;
        return out;
    }

    // What reached the window in order: message keys, closings, other operations.
    QStringList shown() const
    {
        QStringList out;
        for (const auto& c : gui->calls)
            out << (c.operation == QLatin1String("showMessageDlg") ? c.key
                    : c.operation == QLatin1String("closed")       ? QStringLiteral("closed ") + c.key
                                                                    : c.operation);
        return out;
    }

    int install(const QString& stickPath)
    {
        um->setNextUpdatePackage(updatePackage(stickPath));
        um->appStateChanged(States::Idle, States::Updating);
        return messages(QStringLiteral("UpdateSuccessful")).size() ? 0 : -1;
    }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("pevanto")); }

    void init()
    {
        fx = std::make_unique<DataModelFixture>();
        QVERIFY(fx->isValid());
        fx->dm()->setUSBState(USBState_Ready);
        QVERIFY(!root().insertStick().isEmpty());
        platform = std::make_unique<FakePlatform>();
        gui = std::make_unique<RecordingGui>();
        gui->answers.insert(QStringLiteral("StandbyWhileRebooting"), IGUI::Accepted);
        gui->answers.insert(QStringLiteral("UpdateFailed"), IGUI::Accepted);
        // A closing goes in among the calls, named after the message closed.
        connect(gui.get(), &IGUI::messageDglClosed, this, [this](QUuid id) {
            for (RecordingGui::Call c : gui->callsOf(QStringLiteral("showMessageDlg"))) {
                if (c.id == id) {
                    c.operation = QStringLiteral("closed");
                    gui->calls.append(c);
                }
            }
        });
        GlobalFuncs::setGUI(gui.get());
        GlobalFuncs::setDemo(false);
        languages = std::make_unique<LanguageManager>(false);
        config = std::make_unique<ConfigfileManager>();
        auto l = std::make_unique<ScriptedLink>();
        link = l.get();
        um = std::make_unique<UpdateManager>(languages.get(), std::move(l), config.get());
        usage = 50;
        um->setDiskUsage([this](const QString&) { return usage; });
        QVERIFY(root().writeFile(kProgram, "old program"));
    }

    void cleanup()
    {
        um.reset();
        languages.reset();
        config.reset();
        GlobalFuncs::setGUI(nullptr);
        gui.reset();
        platform.reset();
        fx.reset();
    }

    void crcCompanion_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("companion");
        QTest::addColumn<bool>("correct");
        QTest::newRow("check value") << QByteArray("123456789") << QByteArray("2DFD2D88") << true;
        QTest::newRow("a, newline") << QByteArray("a") << QByteArray("3ab551ce\n") << true;
        QTest::newRow("mismatch") << QByteArray("a") << QByteArray("3AB551CF") << false;
        QTest::newRow("not hex") << QByteArray("a") << QByteArray("3AB551CG") << false;
        QTest::newRow("above 32 bits") << QByteArray("a") << QByteArray("13AB551CE") << false;
        QTest::newRow("all zero file") << QByteArray(16, '\0') << QByteArray("0") << false;
        QTest::newRow("missing") << QByteArray("a") << QByteArray() << false;
    }

    void crcCompanion()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, companion);
        QFETCH(bool, correct);
        root().writeFile(QStringLiteral("/f/kernel-1.2.3.ldr"), content);
        if (!companion.isEmpty())
            root().writeFile(QStringLiteral("/f/kernel-1.2.3.crc"), companion);
        unsigned crc = 0;
        QCOMPARE(UpdateManager::isCRCcorrect(path(QStringLiteral("/f/kernel-1.2.3.ldr")),
                                             path(QStringLiteral("/f/kernel-1.2.3.crc")), &crc),
                 correct);
        if (content == "123456789")
            QCOMPARE(crc, 0x2DFD2D88u);
    }

    void scanTellsWhatItFound()
    {
        QVERIFY(root().pullStick());
        QVERIFY(!um->prepareUpdate());
        QCOMPARE(messages(QStringLiteral("NoUpdateDirFoundOnUsb")).size(), 1);
        QVERIFY(!root().insertStick().isEmpty());
        root().writeFile(kUsb + QStringLiteral("/application-1.img"), "no version");
        QVERIFY(!um->prepareUpdate());
        QCOMPARE(messages(QStringLiteral("NoUpdatesFoundOnUsb")).size(), 1);

        for (const char* name : {"vlf-German.tar", "x-German.tar", "pevantoapp-3.05.img", "kernel-1.2.ldr",
                                 "pevanto-Software-1.0.0.tar", "bootloader-2.0.0.ldr", "-rf.tar", "notes.txt"})
            root().writeFile(kUsb + QLatin1Char('/') + QLatin1String(name), "x");
        QVERIFY(um->prepareUpdate());
        QStringList names;
        for (const updatePackage& p : um->getUpdateList())
            names << QStringLiteral("%1:%2").arg(p.type).arg(p.name);
        QCOMPARE(names, QStringList({"1:German", "1:rf", "3:Software-1.0.0.tar", "4:bootloader-2.0.0.ldr",
                                     "5:kernel-1.2.ldr", "10:pevantoapp-3.05.img"}));
        QCOMPARE(um->getUpdateList()[0].file, path(kUsb + QStringLiteral("/x-German.tar")));
        QCOMPARE(um->getUpdateList()[2].installedVersion, fx->dm()->getVersion(3));
        // The wait message is closed again.
        QCOMPARE(gui->callsOf(QStringLiteral("closeDlg")).size(), 3);
    }

    void softwarePackageInstallsTheProgramKeepingTheOldOne()
    {
        const QString inside = QStringLiteral("/pack");
        part(QStringLiteral("application-4.3.0.img"), kElf, inside);
        part(QStringLiteral("kernel-9.0.0.ldr"), "kernel image", inside);
        QVERIFY(tar(kUsb + QStringLiteral("/x-Software-4.3.0.tar"), inside,
                    {"application-4.3.0.img", "application-4.3.0.crc", "kernel-9.0.0.ldr", "kernel-9.0.0.crc"}));
        QSignalSpy finished(um.get(), &UpdateManager::updateFinished);
        QSignalSpy hostDone(um.get(), &UpdateManager::HostUpdateFinished);
        install(path(kUsb + QStringLiteral("/x-Software-4.3.0.tar")));

        QCOMPARE(root().readFile(kProgram), kElf);
        QCOMPARE(root().readFile(kProgram + QStringLiteral(".bak")), QByteArray("old program"));
        QVERIFY(!QFileInfo::exists(path(kProgram + QStringLiteral(".new"))));
        const QFile::Permissions exec = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        QCOMPARE(QFile(path(kProgram)).permissions() & exec, exec);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toInt(), 2); // the kernel has no writer
        const auto failed = messages(QStringLiteral("UpdateFailed"));
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0].arguments, QStringList{" (0x02)"});
        QCOMPARE(failed[0].category, int(CAT_FATAL));
        // The failure is read and closed before the reboot message comes over it.
        QCOMPARE(shown().mid(shown().indexOf(QStringLiteral("UpdateFailed")), 3),
                 QStringList({"UpdateFailed", "closed UpdateFailed", "StandbyWhileRebooting"}));
        QVERIFY(QDir(path(kScratch)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
        QCOMPARE(platform->rebooter.calls, QStringList{"reboot"});
        QCOMPARE(hostDone.size(), 1);

        // Installed once: Updating again without a new choice installs nothing and leaves.
        um->appStateChanged(States::Idle, States::Updating);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(hostDone.size(), 2);
        QCOMPARE(platform->rebooter.calls.size(), 1);
    }

    void badApplicationLeavesTheOldProgram_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("crc");
        QTest::addColumn<int>("copy"); // 0 real, 1 half the bytes reported as done, 2 copy fails
        QTest::addColumn<int>("code");
        QTest::newRow("crc mismatch") << kElf << QByteArray("1234") << 0 << 1;
        QTest::newRow("not ELF") << QByteArray("#!/bin/sh\nreboot\n") << QByteArray() << 0 << 9;
        QTest::newRow("copy cut short") << kElf << QByteArray() << 1 << 2;
        QTest::newRow("copy fails") << kElf << QByteArray() << 2 << 2;
    }

    void badApplicationLeavesTheOldProgram()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, crc);
        QFETCH(int, copy);
        QFETCH(int, code);
        part(QStringLiteral("application-4.3.0.img"), bytes, kUsb, crc.isEmpty() ? nullptr : crc.constData());
        um->setFileCopier([copy](const QString& from, const QString& to) {
            QFile in(from);
            QFile out(to);
            if (copy == 2 || !in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
                return false;
            const QByteArray all = in.readAll();
            return out.write(copy == 1 ? all.left(all.size() / 2) : all) >= 0;
        });
        QCOMPARE(um->doUpdate(updatePackage(path(kUsb + QStringLiteral("/application-4.3.0.img")))), code);
        QCOMPARE(root().readFile(kProgram), QByteArray("old program"));
        QVERIFY(!QFileInfo::exists(path(kProgram + QStringLiteral(".new"))));
        QVERIFY(!QFileInfo::exists(path(kProgram + QStringLiteral(".bak"))));
    }

    // The program's copy runs off this thread: a timer here keeps ticking through it.
    void programCopyLeavesTheGuiThreadFree()
    {
        part(QStringLiteral("application-4.3.0.img"), kElf);
        QAtomicInt ticks;
        QTimer heartbeat;
        connect(&heartbeat, &QTimer::timeout, [&ticks] { ticks.ref(); });
        heartbeat.start(20);
        int ticksDuringCopy = -1;
        um->setFileCopier([&ticks, &ticksDuringCopy](const QString& from, const QString& to) {
            const int before = ticks.loadAcquire();
            QThread::msleep(600);
            ticksDuringCopy = ticks.loadAcquire() - before;
            return QFile::copy(from, to);
        });
        QCOMPARE(um->doUpdate(updatePackage(path(kUsb + QStringLiteral("/application-4.3.0.img")))), 0);
        QVERIFY2(ticksDuringCopy >= 3, qPrintable(QString::number(ticksDuringCopy)));
        QCOMPARE(root().readFile(kProgram), kElf);
    }

    void firmwareAlone_data()
    {
        QTest::addColumn<unsigned>("state");
        QTest::addColumn<bool>("rebootOk");
        QTest::addColumn<QString>("shown");
        QTest::newRow("taken") << 0u << true << "";
        QTest::newRow("unit rejects") << 17u << true << " (0x11)";
        QTest::newRow("reboot fails") << 0u << false << " (0x15)";
    }

    void firmwareAlone()
    {
        QFETCH(unsigned, state);
        QFETCH(bool, rebootOk);
        QFETCH(QString, shown);
        const QString file = part(QStringLiteral("pevantoapp-3.05.img"), QByteArray(300, 'f'));
        link->state = state;
        link->rebootOk = rebootOk;
        QList<QVariantList> sent;
        // The link answers later, from its own turn of the event loop.
        connect(um.get(), &UpdateManager::sendHVCUpdate, this, [&](QString f, int type, uint size, uint crc) {
            sent << QVariantList{f, type, size, crc};
            QTimer::singleShot(20, um.get(), &UpdateManager::finishedHVUpdate);
        });
        QSignalSpy events(um.get(), &UpdateManager::sendAppEvent);
        QSignalSpy hostDone(um.get(), &UpdateManager::HostUpdateFinished);
        install(file);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0], (QVariantList{file, 1, 300u, uint(getCRC32FromFile(qPrintable(file)))}));
        QCOMPARE(link->reboots, state == 0 ? 1 : 0);
        const bool ok = shown.isEmpty();
        QCOMPARE(events.size(), ok ? 1 : 0);
        if (ok)
            QCOMPARE(events[0][0].value<eAppEvent>(), eAppEvent::HVUpdateFinished);
        QCOMPARE(hostDone.size(), ok ? 0 : 1);
        QCOMPARE(messages(QStringLiteral("UpdateSuccessful")).size(), ok ? 1 : 0);
        if (!ok)
            QCOMPARE(messages(QStringLiteral("UpdateFailed")).value(0).arguments, QStringList{shown});
        QVERIFY(platform->rebooter.calls.isEmpty());
    }

    void firmwareReachesTheSimulatedUnit()
    {
        SimulatedHVLink sim;
        std::unique_ptr<TPOF> pof = sim.start();
        QVERIFY(pof);
        pof->setSteadyClock(&fastSteadyClock);
        stIdentification id;
        id.firmwareMajor = 1;
        id.firmwareMinor = 30;
        id.valid = true;
        sim.data->setHVIdentification(id);
        sim.sim.model().setFirmwareBehaviour(100, false);
        UpdateManager real(languages.get(), std::make_unique<TPOFUpdateLink>(pof.get()), config.get());
        connect(&real, &UpdateManager::sendHVCUpdate, pof.get(), &TPOF::sendHVCUpdate);
        connect(pof.get(), &TPOF::finishedHVUpdate, &real, &UpdateManager::finishedHVUpdate);
        QSignalSpy events(&real, &UpdateManager::sendAppEvent);
        const QString file = part(QStringLiteral("pevantoapp-3.05.img"), QByteArray(700, 'h'));
        real.setNextUpdatePackage(updatePackage(file));
        real.appStateChanged(States::Idle, States::Updating);
        QVERIFY2(sim.sharedWith().isEmpty(), qPrintable(sim.sharedWith()));
        QCOMPARE(sim.sim.model().firmwareImage(), QByteArray(700, 'h'));
        QCOMPARE(sim.sim.completeRequests().value(0),
                 QStringLiteral(">p01000002BC%1.")
                     .arg(QString::number(getCRC32FromFile(qPrintable(file)), 16).rightJustified(8, QLatin1Char('0')).toUpper())
                     .toLatin1());
        QCOMPARE(events.size(), 1);
        QCOMPARE(messages(QStringLiteral("UpdateSuccessful")).size(), 1);
        QVERIFY(platform->rebooter.calls.isEmpty());
    }

    void downgradeIsAskedByNumber_data()
    {
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QString>("offered");
        QTest::addColumn<bool>("asks");
        QTest::newRow("1.9 over 1.10") << "1.10.0" << "1.9.0" << true;
        QTest::newRow("10 over 2") << "2.0.0" << "10.0.0" << false;
        QTest::newRow("same, missing field") << "2.1" << "2.1.0" << false;
        QTest::newRow("not a number") << "2.1.0" << "2.x.0" << true;
    }

    void downgradeIsAskedByNumber()
    {
        QFETCH(QString, installed);
        QFETCH(QString, offered);
        QFETCH(bool, asks);
        root().writeFile(QStringLiteral("/etc/version"), installed.toLatin1());
        const QString name = QStringLiteral("rootfs-%1.img").arg(offered);
        const updatePackage p(part(name, "rootfs"));
        gui->answers.insert(QStringLiteral("DowngradeToOlderVersion"), IGUI::Rejected);
        QCOMPARE(um->doUpdate(p), asks ? 9 : 2);
        QCOMPARE(messages(QStringLiteral("DowngradeToOlderVersion")).size(), asks ? 1 : 0);
        if (asks)
            QCOMPARE(messages(QStringLiteral("DowngradeToOlderVersion"))[0].arguments, QStringList{name});
        // Accepted, the part goes on to its (missing) writer.
        gui->answers.insert(QStringLiteral("DowngradeToOlderVersion"), IGUI::Accepted);
        QCOMPARE(um->doUpdate(p), 2);
        // In a whole run the question is all there is until it is answered: no progress
        // says "writing" meanwhile, and a refusal writes nothing.
        for (const IGUI::CloseType answer : {IGUI::Rejected, IGUI::Accepted}) {
            gui->calls.clear();
            gui->answers.insert(QStringLiteral("DowngradeToOlderVersion"), answer);
            install(path(kUsb + QLatin1Char('/') + name));
            const QStringList first = asks ? QStringList{"DowngradeToOlderVersion", "closed DowngradeToOlderVersion"}
                                           : QStringList();
            QCOMPARE(shown().mid(0, first.size() + 1),
                     first + QStringList(answer == IGUI::Rejected && asks ? "UpdateFailed" : "requestProgressDlg"));
        }
        platform->rebooter.calls.clear();
        // Remote-controlled nobody is asked, and nothing reboots.
        gui->calls.clear();
        fx->dm()->setRemoteControlled(true);
        install(path(kUsb + QLatin1Char('/') + name));
        QVERIFY(messages(QStringLiteral("DowngradeToOlderVersion")).isEmpty());
        QVERIFY(platform->rebooter.calls.isEmpty());
    }

    void hvVersionComparesByNumber()
    {
        stIdentification id;
        id.firmwareMajor = 3;
        id.firmwareMinor = 4;
        id.valid = true;
        fx->dm()->setHVIdentification(id);
        QCOMPARE(UpdateManager::getVersion(10), QStringLiteral("3.4"));
        QVERIFY(!UpdateManager::isOlderVersion(QStringLiteral("3.04.0"), QStringLiteral("3.4")));
    }

    void secondRunWhileOneRunsIsRefused()
    {
        root().writeFile(QStringLiteral("/etc/version"), "2.0.0");
        const updatePackage p(part(QStringLiteral("rootfs-1.0.0.img"), "rootfs"));
        int second = 0;
        // The downgrade question holds the first run in its local event loop.
        QTimer::singleShot(50, this, [&] {
            second = um->performUpdate(p);
            emit gui->messageDglClosed(messages(QStringLiteral("DowngradeToOlderVersion")).value(0).id, IGUI::Rejected);
        });
        QSignalSpy finished(um.get(), &UpdateManager::updateFinished);
        QCOMPARE(um->performUpdate(p), -1);
        QCOMPARE(second, -1);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toInt(), 9);
        QCOMPARE(messages(QStringLiteral("DowngradeToOlderVersion")).size(), 1);
    }

    void appdataFailingRemoteControlledKeepsDatabaseAndLogging()
    {
        LogCapture log;
        GlobalFuncs::setLogger(LoggingCtrl::instance());
        QVERIFY(GlobalFuncs::getLogger() && GlobalFuncs::getLogger()->isRunning());
        fx->dm()->setRemoteControlled(true);
        QSignalSpy exported(um.get(), &UpdateManager::exportConfigFile);
        QCOMPARE(um->doUpdate(updatePackage(part(QStringLiteral("appdata-1.0.0.img"), "data"))), 2);
        QCOMPARE(exported.size(), 1);
        QCOMPARE(exported[0], (QVariantList{"backup", true}));
        QVERIFY(DB::getInstance()->isOpen());
        QVERIFY(GlobalFuncs::getLogger()->isRunning());
        GlobalFuncs::setLogger(nullptr);
    }

    void languageSpaceIsChecked()
    {
        root().mkdir(QStringLiteral("/lang"));
        root().writeFile(QStringLiteral("/lang/vlf-Deutsch.qm"), catalogue("vlf-de-AT"));
        QVERIFY(tar(kUsb + QStringLiteral("/vlf-Deutsch.tar"), QStringLiteral("/lang"), {"vlf-Deutsch.qm"}));
        const updatePackage p(path(kUsb + QStringLiteral("/vlf-Deutsch.tar")));
        // The file system asked is the one the catalogues are written to.
        QStringList asked;
        um->setDiskUsage([&](const QString& folder) {
            asked << folder;
            return usage;
        });
        usage = 99;
        QCOMPARE(um->doUpdate(p), 8);
        QCOMPARE(messages(QStringLiteral("NotEnoughMemoryForLanguageUpdate")).size(), 1);
        QVERIFY(!QFileInfo::exists(path(kLanguages + QStringLiteral("/vlf-Deutsch.qm"))));
        QVERIFY2(path(kLanguages).startsWith(asked.last()) && QFileInfo(asked.last()).isDir(), qPrintable(asked.last()));
        usage = 98;
        QCOMPARE(um->doUpdate(p), 0);
        QCOMPARE(root().readFile(kLanguages + QStringLiteral("/vlf-Deutsch.qm")), catalogue("vlf-de-AT"));
        QCOMPARE(um->doUpdate(p), 0);
        QCOMPARE(asked.last(), path(kLanguages));
        // Measured for real: no fonts folder here, and that is no reason to refuse.
        um->setDiskUsage(&SystemInfo::getDiskUsage);
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("/usr/share/fonts/ttf"))));
        QCOMPARE(um->doUpdate(p), 0);
    }

    void languageUpdateLoadsTheTranslatorAgain()
    {
        root().mkdir(QStringLiteral("/lang"));
        root().writeFile(QStringLiteral("/lang/vlf-Deutsch.qm"), catalogue("vlf-de-AT"));
        QVERIFY(tar(QStringLiteral("/inner/vlf-Deutsch.tar"), QStringLiteral("/lang"), {"vlf-Deutsch.qm"}));
        QVERIFY(tar(kUsb + QStringLiteral("/all-languages.tar"), QStringLiteral("/inner"), {"vlf-Deutsch.tar"}));
        fx->dm()->setCurrentLanguage(QString()); // as after a factory reset
        QSignalSpy changed(languages.get(), &LanguageManager::languageChanged);
        QSignalSpy listed(languages.get(), &LanguageManager::languageListChanged);
        install(path(kUsb + QStringLiteral("/all-languages.tar")));
        QCOMPARE(messages(QStringLiteral("UpdateSuccessful")).size(), 1);
        QCOMPARE(listed.size(), 1);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(fx->dm()->getCurrentLanguage(), QStringLiteral("English"));
        QVERIFY(platform->rebooter.calls.isEmpty());
        QVERIFY(QDir(path(kScratch)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    }

    // Each catalogue of a package is loaded where it was unpacked: one that does not load
    // replaces nothing, and the language shown stays.
    void languagePackageIsTriedFirst_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray noise(4000, 0);
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) % 251);
        QTest::newRow("sound catalogue") << catalogue("vlf-XX");
        QTest::newRow("4,000 random bytes") << noise;
        QTest::newRow("truncated") << catalogue("vlf-XX").left(40);
    }
    void languagePackageIsTriedFirst()
    {
        QFETCH(QByteArray, content);
        const bool installs = content == catalogue("vlf-XX");
        const QByteArray installed = catalogue("vlf-de-AT");
        QVERIFY(root().writeFile(kLanguages + QStringLiteral("/vlf-Deutsch.qm"), installed));
        QCOMPARE(languages->changeLanguage(QStringLiteral("Deutsch")), 0);
        QVERIFY(root().writeFile(QStringLiteral("/lang/vlf-Deutsch.qm"), content));
        QVERIFY(tar(kUsb + QStringLiteral("/vlf-Deutsch.tar"), QStringLiteral("/lang"), {"vlf-Deutsch.qm"}));
        install(path(kUsb + QStringLiteral("/vlf-Deutsch.tar")));
        QCOMPARE(root().readFile(kLanguages + QStringLiteral("/vlf-Deutsch.qm")), installs ? content : installed);
        QCOMPARE(QCoreApplication::translate("Menu", "Greeting"), QString(installs ? "XX greeting" : "Servus"));
        QCOMPARE(fx->dm()->getCurrentLanguage(), QStringLiteral("Deutsch"));
        QCOMPARE(messages(QStringLiteral("UpdateSuccessful")).size(), int(installs));
        QCOMPARE(messages(QStringLiteral("LanguageFileDamaged")).value(0).arguments,
                 installs ? QStringList() : QStringList{"vlf-Deutsch.qm"});
    }

    void hostileArchivesWriteNothing_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("member");
        QTest::newRow("..") << QStringList{"--transform", "s,^,../,"} << "x";
        QTest::newRow("absolute") << QStringList{"-P", "--transform", "s,^,/etc/,"} << "x";
        QTest::newRow("symlink") << QStringList() << "link";
        QTest::newRow("hard link") << QStringList() << "hard";
        QTest::newRow("fifo") << QStringList() << "fifo";
    }

    void hostileArchivesWriteNothing()
    {
        QFETCH(QStringList, extra);
        QFETCH(QString, member);
        const QString src = QStringLiteral("/evil");
        root().writeFile(src + QStringLiteral("/x"), "x");
        QVERIFY(QFile::link(QStringLiteral("/etc"), path(src + QStringLiteral("/link"))));
        QCOMPARE(::link(qPrintable(path(src + QStringLiteral("/x"))), qPrintable(path(src + QStringLiteral("/hard")))), 0);
        QCOMPARE(::mkfifo(qPrintable(path(src + QStringLiteral("/fifo"))), 0600), 0);
        const QStringList members = member == QLatin1String("hard") ? QStringList{"x", "hard"} : QStringList{member};
        for (const QString& archive : {QStringLiteral("/vlf-Evil.tar"), QStringLiteral("/all-languages.tar")}) {
            QVERIFY(tar(kUsb + archive, src, members, extra));
            gui->calls.clear();
            QSignalSpy finished(um.get(), &UpdateManager::updateFinished);
            install(path(kUsb + archive));
            QCOMPARE(finished.size(), 1);
            QCOMPARE(finished[0][0].toInt(), 5);
            QCOMPARE(messages(QStringLiteral("UpdateFailed")).value(0).arguments, QStringList{" (0x05)"});
            QVERIFY(!QFileInfo::exists(path(QStringLiteral("/etc/x"))));
            QVERIFY(!QFileInfo::exists(path(QStringLiteral("/x"))));
            QVERIFY(QDir(path(kLanguages)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
            QVERIFY(QDir(path(kScratch)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
        }
    }

    void configurationFileIsCheckedBeforeItReplacesAnything_data()
    {
        QTest::addColumn<QByteArray>("part");
        QTest::newRow("not XML") << QByteArray("not xml");
        QTest::newRow("7,000 levels") << FakeConfig::nestedDocument("PEVANTO", 7000);
        QTest::newRow("49,000 levels") << FakeConfig::nestedDocument("PEVANTO", 49000);
    }
    void configurationFileIsCheckedBeforeItReplacesAnything()
    {
        QFETCH(QByteArray, part);
        const QString device = config->deviceFilePath();
        QDir().mkpath(QFileInfo(device).absolutePath());
        QFile f(device);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("<configuration/>") > 0);
        f.close();
        root().writeFile(QStringLiteral("/remote/received.cfg.xml"), part);
        updatePackage p;
        p.file = path(QStringLiteral("/remote/received.cfg.xml"));
        p.type = UpdatePackage::Configuration;
        QCOMPARE(um->doUpdate(p), 2);
        QFile again(device);
        QVERIFY(again.open(QIODevice::ReadOnly));
        QCOMPARE(again.readAll(), QByteArray("<configuration/>"));
    }
};

QTEST_GUILESS_MAIN(TstUpdateManager)
#include "tst_updatemanager.moc"
