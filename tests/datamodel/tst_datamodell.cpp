#include "fakes/FakeConfig.h"
#include "fakes/FakeConnectionManager.h"
#include "fakes/LogCapture.h"
#include "fakes/TempRoot.h"
#include "core/GlobalFuncs.h"
#include "config/ConfigAccessXML.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

using namespace States;
using E = eAppEvent;
using M = OperatingModes;

namespace {
constexpr quint32 kRunning = HVStateBits::OutputOn | HVStateBits::TestVoltageOn;

SafetyCircuitBits bits(std::initializer_list<int> set)
{
    SafetyCircuitBits b;
    for (int i : set)
        b.set(size_t(i));
    return b;
}

// Every key the program reads, the type it is read as ('l'ong, 'b'ool, 's'tring; 'u' a text
// nobody reads, bounded only in its length), the lowest
// and highest value its pages write (two within the bounds where no page writes it), one
// outside them (none where only the length bounds it) and whether a device path is outside.
struct KeyCase {
    const char* key;
    char type;
    QString low, high;
    const char* outside;
    bool path = true;
};
const KeyCase kKeys[] = {
    {"/Settings/DblClickTimeMs", 'l', "0", "1000", "1001"},
    {"/Settings/GraphUpdateIntervallMs", 'l', "50", "2000", "49"},
    {"/Settings/TextScrollSpeed", 'l', "1", "100", "0"}, {"/Device/ForcedOperatingModes", 'l', "0", "2048", "-1"},
    {"/HV Identification/HvGeneratorCharacteristics", 'l', "0", "1", "2"}, {"/Settings/Theme", 'l', "0", "1", "2"},
    {"/HV Identification/TanDeltaMinimum", 'l', "0", "4294", "4295"}, {"/Settings/DisplayType", 'l', "0", "255", "256"},
    {"/Settings/TimeFormat", 's', "HH:mm:ss", "hh:mm:ss AP", "00:00:00", false},
    {"/Settings/DateFormat", 's', "dd.MM.yyyy", "MM/dd/yyyy", "01.01.2000", false},
    {"/General/SystemName", 's', "p", QString(64, 'n'), "", false},
    {"/General/NobodyReads", 'u', "", QString(4096, 'u'), nullptr, false},
    {"/Settings/ExportPath", 's', "f", QString(100, 'f'), "../x"},
    {"/General/PhaseNames/Phase3", 's', "C", "ABCDEFGHIJ", "", false},
    {"/Device/SerialNumber", 's', "00000000000", "99999999999", "1234567890a"},
    {"/Device/HardwareId", 's', "", QString(64, 'h'), nullptr, false},
    {"/Connections/DeviceName", 's', "n", QString(64, 'n'), "", false},
    {"/Connections/AdHocSsid", 's', "s", QString(16, QChar(0xE4)), "ääääääääääääääääää", false},
    {"/Device/EncoderDevice", 's', "/dev/input/null", "/dev/input/zero", "/dev/input/none"},
};
const char* const kBoolKeys[] = {"/HV Identification/TanDeltaPercisionExt", "/General/ScreenshotFunction",
                                 "/Settings/SmoothScrolling", "/Settings/Insulations/3", "/Device/VLFBoosterEmulation",
                                 "/Device/ShuntSwitching", "/Device/DevelopmentCosRectType",
                                 "/HV Identification/NominalVoltageSupported", "/General/DevelopmentMode"};

SafetyCircuitBits allClosed()
{
    SafetyCircuitBits b;
    b.set();
    return b;
}
} // namespace

class TstDataModell : public QObject {
    Q_OBJECT

    std::unique_ptr<TempRoot> m_root;
    std::unique_ptr<FakeConfig> m_config;
    DataModell* m_dm = nullptr;

    void startModel()
    {
        m_dm = DataModell::getInstance();
        m_dm->initialize();
    }

    void restartModel()
    {
        DataModell::destroyInstance();
        startModel();
    }

    void feed(std::initializer_list<E> events)
    {
        for (E e : events)
            m_dm->receiveAppEvent(e);
    }

    // Runs the queued events the model sent itself.
    void settle() { QCoreApplication::processEvents(); QCoreApplication::processEvents(); }

    void walkToRunning()
    {
        feed({E::MainsOn, E::HVUnitInitialized, E::StartTest, E::ExtEmergOffClosed, E::HVOn, E::HVOutputOn,
              E::LoadDetectionFinished, E::FrequencyUnmodified, E::TestStarted});
        QCOMPARE(m_dm->getAppState(), TestRunning);
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("tstdm"));
        registerInstrumentTypes();
    }

    void init()
    {
        m_root = std::make_unique<TempRoot>();
        QVERIFY(m_root->isValid());
        m_config = std::make_unique<FakeConfig>();
        GlobalFuncs::setConfig(m_config.get());
        QVERIFY(DB::getInstance()->initialize());
        DB::getInstance()->registerGlobally();
        startModel();
    }

    void cleanup()
    {
        DataModell::destroyInstance();
        m_dm = nullptr;
        DB::destroyInstance();
        GlobalFuncs::setDB(nullptr);
        GlobalFuncs::setConfig(nullptr);
        m_config.reset();
        m_root.reset();
    }

    void registersItselfAsTheModel() { QCOMPARE(GlobalFuncs::getDM(), m_dm); }

    void testSettingsSurviveRestart()
    {
        m_dm->changeOperatingMode(M::VLFSin);
        m_dm->setVoltageType(VoltageType_PEAK);
        m_dm->setVoltageToTest(25000000);
        m_dm->setMinutesToTest(30);
        m_dm->setSecondsToTest(15);
        m_dm->setFrequencyToTest(50);
        m_dm->setPhasesToTest(5);
        m_dm->setCableNumber(QStringLiteral("K-17"));
        m_dm->setTestComment(QStringLiteral("  joint 4  "));
        m_dm->changeOperatingMode(M::DC);
        m_dm->setVoltagePolarity(VoltagePolarity_Negative);
        m_dm->setVoltageToTest(40000000);
        m_dm->changeOperatingMode(M::VLFSin);

        restartModel();
        QCOMPARE(m_dm->getOperatingMode(), M::VLFSin);
        QCOMPARE(m_dm->getVoltageType(), VoltageType_PEAK);
        QCOMPARE(m_dm->getVoltageToTest(), 25000000L);
        QCOMPARE(int(m_dm->getMinutesToTest()), 30);
        QCOMPARE(int(m_dm->getSecondsToTest()), 15);
        QCOMPARE(m_dm->getFrequencyToTest(), 50ul);
        QCOMPARE(m_dm->phasesToTest(), 5);
        QCOMPARE(m_dm->getCableNumber(), QStringLiteral("K-17"));
        QCOMPARE(m_dm->getTestComment(), QStringLiteral("joint 4").leftJustified(30));
        // Values of another mode come back with that mode.
        m_dm->changeOperatingMode(M::DC);
        QCOMPARE(m_dm->getVoltagePolarity(), VoltagePolarity_Negative);
        QCOMPARE(m_dm->getVoltageToTest(), 40000000L);
    }

    void displaySettingsSurviveRestart()
    {
        // The first start wrote every default, the insulations' too, in one save.
        QCOMPARE(m_config->saveCount(), 1);
        QVERIFY(m_config->exists(QStringLiteral("/Settings/Insulations/7")));
        // The real configuration file this time, read again after the restart.
        const QString dir = m_root->path("/home/root/mappedPaths/config");
        QVERIFY(QDir().mkpath(dir));
        auto xml = std::make_unique<ConfigAccessXML>(dir, QStringLiteral("TSTDM"));
        GlobalFuncs::setConfig(xml.get());
        restartModel();
        // Missing keys are created with their defaults.
        QVERIFY(xml->exists(QStringLiteral("/Settings/DblClickTimeMs")));
        QCOMPARE(m_dm->dblClickTime(), 250);
        QCOMPARE(m_dm->exportFolder(), QStringLiteral("Pevanto"));
        QCOMPARE(m_dm->getPhaseName(1), QStringLiteral("L2"));

        QSignalSpy dbl(m_dm, &DataModell::dblClickTimeChanged);
        QSignalSpy names(m_dm, &DataModell::phaseNameChanged);
        m_dm->setDblClickTime(400);
        m_dm->setDblClickTime(400);
        QCOMPARE(dbl.count(), 1);
        m_dm->setGraphUpdateIntervall(500);
        m_dm->setTimeFormat(QStringLiteral("HH:mm:ss"));
        m_dm->setDateFormat(QStringLiteral("dd.MM.yyyy"));
        m_dm->setPhaseName(2, QStringLiteral("Blue"));
        m_dm->setPhaseName(3, QStringLiteral("Nope"));
        m_dm->setPhaseName(-1, QStringLiteral("Nope"));
        QCOMPARE(names.count(), 1);
        m_dm->setTanDeltaPrecision(6);
        m_dm->setCurrentLanguage(QStringLiteral("Deutsch"));

        DataModell::destroyInstance();
        GlobalFuncs::setConfig(nullptr);
        xml = std::make_unique<ConfigAccessXML>(dir, QStringLiteral("TSTDM"));
        QCOMPARE(xml->initialize(), 1);
        GlobalFuncs::setConfig(xml.get());
        startModel();
        QCOMPARE(m_dm->dblClickTime(), 400);
        QCOMPARE(m_dm->graphUpdateIntervall(), 500);
        QCOMPARE(m_dm->getTimeFormat(), QStringLiteral("HH:mm:ss"));
        QCOMPARE(m_dm->getDateFormat(), QStringLiteral("dd.MM.yyyy"));
        QCOMPARE(m_dm->getPhaseName(2), QStringLiteral("Blue"));
        QCOMPARE(m_dm->getPhaseName(3), QString());
        QCOMPARE(m_dm->getTanDeltaPrecision(), 6);
        QCOMPARE(m_dm->getCurrentLanguage(), QStringLiteral("Deutsch"));
        DataModell::destroyInstance();
        GlobalFuncs::setConfig(m_config.get());
        startModel();
    }

    // Setters from a worker thread store through the database's thread; meanwhile that
    // thread reads the settings. Nothing may wait for the other.
    void settersFromAnotherThreadDoNotBlockReaders()
    {
        m_dm->changeOperatingMode(M::VLFSin);
        m_dm->setVoltageType(VoltageType_PEAK);
        std::atomic<bool> done{false};
        QThread* worker = QThread::create([this, &done] {
            for (int i = 1; i <= 40; ++i) {
                m_dm->setVoltageToTest(1000000L * i);
                m_dm->setMinutesToTest(static_cast<unsigned short>(i));
            }
            done = true;
        });
        worker->start();
        QElapsedTimer clock;
        clock.start();
        while (!done && clock.elapsed() < 20000) {
            m_dm->getVoltageToTest();
            m_dm->getMinutesToTest();
            QCoreApplication::processEvents();
        }
        QVERIFY2(done, "a setter waited for a reader");
        QVERIFY(worker->wait(5000));
        delete worker;
        QCOMPARE(m_dm->getVoltageToTest(), 40000000L);
        restartModel();
        QCOMPARE(m_dm->getVoltageToTest(), 40000000L); // the last value written is the one kept
        QCOMPARE(int(m_dm->getMinutesToTest()), 40);
    }

    void testCommentIsTrimmedPaddedAndCut()
    {
        m_dm->setTestComment(QStringLiteral("   short  "));
        QCOMPARE(m_dm->getTestComment(), QStringLiteral("short                         "));
        m_dm->setTestComment(QStringLiteral(" 0123456789012345678901234567890123456789 "));
        QCOMPARE(m_dm->getTestComment(), QStringLiteral("012345678901234567890123456789"));
        m_dm->setTestComment(QString());
        QCOMPARE(m_dm->getTestComment(), QString(30, QLatin1Char(' ')));
    }

    void exportFolderStaysOnTheStick()
    {
        QSignalSpy spy(m_dm, &DataModell::exportFolderChanged);
        m_dm->setExportFolder(QStringLiteral("/media/USB/Tests/2026"));
        QCOMPARE(m_dm->exportFolder(), QStringLiteral("Tests/2026"));
        m_dm->setExportFolder(QStringLiteral("USB/../../etc/./x"));
        QCOMPARE(m_dm->exportFolder(), QStringLiteral("etc/x"));
        m_dm->setExportFolder(QStringLiteral("/../.."));
        QCOMPARE(m_dm->exportFolder(), QStringLiteral("etc/x")); // nothing left: refused
        QCOMPARE(spy.count(), 2);
    }

    // What the program writes passes; a value outside the bounds, whatever brought it, reads
    // as the reader's default with one line and is gone. An import drops it with one line too.
    void valuesOutsideTheirBoundsReadAsTheDefault_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"factory configuration", "lowest a page writes", "highest a page writes", "too long",
                                 "out of range", "wrong type", "a device path", "control character"})
            QTest::newRow(kind) << QString(kind);
    }
    void valuesOutsideTheirBoundsReadAsTheDefault()
    {
        QFETCH(QString, kind);
        QDomDocument first; // what the first start wrote, as an export copies it
        QVERIFY(first.setContent(m_config->toXml()) && m_config->replaceDocument(first));
        QCOMPARE(m_config->dropOutOfBounds(), 0);
        QVERIFY(m_config->exists("/Device/VLFBoosterEmulation") && m_config->exists("/Settings/Insulations/7"));
        const bool within = kind.contains("page");
        // "/dev/input" is the machine's /dev here: a character device is below it.
        QVERIFY(m_root->mkdir("/dev") && QFile::link("/dev", m_root->path("/dev/input")));
        QList<KeyCase> keys(std::begin(kKeys), std::end(kKeys));
        for (const char* key : kBoolKeys)
            keys << KeyCase{key, 'b', "false", "true", "2"};
        LogCapture log;
        int placed = 0;
        for (const KeyCase& k : keys) {
            if (k.type == 'u' && kind != "too long" && !within)
                continue;
            const QString key = k.key;
            QString type = k.type == 'l' ? "long" : k.type == 'b' ? "bool" : "string";
            QString text = kind.startsWith("lowest") ? k.low : k.high;
            if (kind == "too long")
                text = k.type == 'l' || k.type == 'b' ? text.repeated(200) : text + QString(260, 'x');
            else if (kind == "out of range" && k.outside)
                text = QString::fromUtf8(k.outside);
            else if (kind == "wrong type") {
                type = k.type == 'l' ? "string" : "long";
                text = k.type == 'l' ? text : "5";
            } else if (kind == "a device path" && k.path)
                text = "/dev/zero";
            else if (kind == "control character")
                text = text.left(1) + QChar(0x80) + text.mid(1);
            else if (!within)
                continue;
            QStringList groups = key.split('/', Qt::SkipEmptyParts);
            QString xml = QString("<value name=\"%1\" type=\"%2\">%3</value>").arg(groups.takeLast(), type, text);
            for (auto g = groups.crbegin(); g != groups.crend(); ++g)
                xml = QString("<key name=\"%1\">%2</key>").arg(*g, xml);
            QDomDocument doc;
            QVERIFY(doc.setContent("<configuration><key name=\"PEVANTO\">" + xml + "</key></configuration>"));
            QVERIFY(m_config->replaceDocument(doc.cloneNode().toDocument()));
            long l = -7;
            bool b = false;
            QString str;
            k.type == 'l' ? m_config->queryLong(key, l)
                          : k.type == 'b' ? m_config->queryBoolean(key, b) : m_config->queryString(key, str, "default");
            const QString read = k.type == 'l' ? QString::number(l) : k.type == 'b' ? (b ? "true" : "false") : str;
            QCOMPARE(read, within ? text : k.type == 'l' ? "-7" : k.type == 'b' ? "false" : "default");
            QCOMPARE(m_config->exists(key), within);
            QVERIFY(m_config->replaceDocument(doc));
            QCOMPARE(m_config->dropOutOfBounds(), within ? 0 : 1);
            ++placed;
        }
        const auto lines = log.deliveredWhere([](const LoggingData& r) { return r.text.contains(" refused ("); });
        QCOMPARE(lines.size(), within ? 0 : 2 * placed);
    }

    void emulatedTestBoostStoresTwoSeven()
    {
        QSignalSpy spy(m_dm, &DataModell::TestBoostStateChanged);
        m_dm->setTestBoostState(stTBState{1, 3});
        QCOMPARE(m_dm->getTestBoostState(), (stTBState{1, 3}));
        m_dm->setTestBoostState(stTBState{1, 3});
        QCOMPARE(spy.count(), 1); // unchanged and not forced: nothing
        m_dm->setTestBoostState(stTBState{1, 3}, true);
        QCOMPARE(spy.count(), 2);

        m_config->setBoolean(QStringLiteral("/Device/VLFBoosterEmulation"), true);
        m_dm->setTestBoostState(stTBState{0, 0});
        QCOMPARE(m_dm->getTestBoostState(), (stTBState{2, 7}));
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.last().at(0).value<stTBState>(), (stTBState{1, 3}));
        QCOMPARE(spy.last().at(1).value<stTBState>(), (stTBState{2, 7}));
    }

    void risingSafetyBitsGiveEventsOnce()
    {
        QSignalSpy states(m_dm, &DataModell::appStateChanged);
        feed({E::MainsOn, E::HVUnitInitialized, E::StartTest});
        QCOMPARE(m_dm->getAppState(), InitTest);
        m_dm->setSafetyCircuitState(bits({0, 1, 2, 6}));
        settle();
        QCOMPARE(m_dm->getAppState(), WaitExtEmergOff);
        m_dm->setSafetyCircuitState(bits({0, 1, 2, 6})); // no edge
        m_dm->setSafetyCircuitState(bits({0, 1, 2, 6, 8}));
        settle();
        QCOMPARE(m_dm->getAppState(), WaitConfirmOn);
        m_dm->setSafetyCircuitState(bits({0, 1, 2, 6, 8, 9}));
        settle();
        QCOMPARE(m_dm->getAppState(), WaitHVOn);
        QCOMPARE(states.count(), 6);
        // Releasing the HV-on button is no opening of the circuit.
        m_dm->setSafetyCircuitState(bits({0, 1, 2, 6, 8}));
        settle();
        QCOMPARE(m_dm->getAppState(), WaitHVOn);
        QVERIFY(!m_dm->safetyCircuitErrorOccurred());
    }

    void allThreeSafetyEdgesAtOnceWalkInOrder()
    {
        feed({E::MainsOn, E::HVUnitInitialized, E::StartTest});
        QSignalSpy states(m_dm, &DataModell::appStateChanged);
        m_dm->setSafetyCircuitState(bits({6, 8, 9}));
        settle();
        QCOMPARE(states.count(), 3);
        QCOMPARE(states.at(0).at(1).value<AppState>(), WaitExtEmergOff);
        QCOMPARE(states.at(1).at(1).value<AppState>(), WaitConfirmOn);
        QCOMPARE(states.at(2).at(1).value<AppState>(), WaitHVOn);
    }

    // A running test ended by the unit's fault bits, the lost link, the operator, the time or
    // an opened safety circuit: the state it goes to, its result, and the cause kept with it.
    void runningTestEndsWithItsResult_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<int>("value"); // the fault bits, the input opened or the event
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("result");
        QTest::newRow("overcurrent and overtemperature")
            << "word" << int(HVStateBits::Overcurrent | HVStateBits::Overtemperature) << int(TestFinalizing)
            << int(eTestResult_OvertemperatureDetected);
        QTest::newRow("link lost") << "link" << 0 << int(TestFinalizing) << int(eTestResult_ComErrorHVUnit);
        QTest::newRow("cancelled") << "event" << int(E::TestCanceledUser) << int(TestSoftStop)
                                   << int(eTestResult_CancelledByOp);
        QTest::newRow("time up") << "event" << int(E::TestTimeUp) << int(TestSoftStop) << int(eTestResult_FinishedSuccess);
        QTest::newRow("emergency off pressed") << "input" << 1 << int(TestSoftStop)
                                               << int(eTestResult_SafetyCircuitNotClosed);
    }
    void runningTestEndsWithItsResult()
    {
        QFETCH(QString, cause);
        QFETCH(int, value);
        QFETCH(int, state);
        QFETCH(int, result);
        m_dm->setSafetyCircuitState(allClosed());
        walkToRunning();
        settle();
        QSignalSpy overtemp(m_dm, &DataModell::hvOvertemperatureDetected);
        SafetyCircuitBits open = allClosed();
        if (cause == "word" || cause == "link")
            m_dm->setHVUnitState(stHVUnitState(cause == "link", quint64(value)));
        else if (cause == "input")
            m_dm->setSafetyCircuitState(open.reset(size_t(value)));
        else
            feed({E(value)});
        settle();
        QCOMPARE(int(m_dm->getAppState()), state);
        QCOMPARE(int(m_dm->getTestResult()), result);
        QCOMPARE(overtemp.count(), cause == "word" ? 1 : 0);
        QCOMPARE(m_dm->hvStateOk(), cause != "word" && cause != "link");
        QCOMPARE(m_dm->getHvUnitStateOfTestResult(), cause == "word" ? quint64(value) : 0);
        QCOMPARE(m_dm->safetyCircuitErrorOccurred(), cause == "input");
        if (cause == "input") {
            QCOMPARE(m_dm->getLastSafetyCircuitError(), open);
            QCOMPARE(m_dm->getSafetyCircuitStateOfTestResult(), open);
        }
        // A new test starts without the old error.
        m_dm->resetTestData();
        QVERIFY(!m_dm->safetyCircuitErrorOccurred());
    }

    void linkLostAndBack()
    {
        feed({E::MainsOn, E::HVUnitInitialized});
        QSignalSpy states(m_dm, &DataModell::appStateChanged);
        QSignalSpy hv(m_dm, &DataModell::HVStateChanged);
        m_dm->setHVUnitState(stHVUnitState(true, 0));
        m_dm->setHVUnitState(stHVUnitState(true, 0));
        m_dm->setHVUnitState(stHVUnitState(true, 0x1234));
        settle();
        QCOMPARE(states.count(), 1);
        QCOMPARE(m_dm->getAppState(), HVUnitError);
        QCOMPARE(hv.count(), 1);
        QVERIFY(!m_dm->hvStateOk());
        QVERIFY(m_dm->getLastHVUnitErrorState().comError);

        m_dm->setHVUnitState(stHVUnitState(false, 0));
        m_dm->setHVUnitState(stHVUnitState(false, 0));
        settle();
        QCOMPARE(hv.count(), 2);
        QVERIFY(m_dm->hvStateOk());
        QCOMPARE(m_dm->getAppState(), HVUnitError); // the HV link's own event brings it back
        feed({E::HVUnitInitialized});
        QCOMPARE(m_dm->getAppState(), Idle);
        QCOMPARE(states.count(), 2);
        m_dm->resetTestData();
        QCOMPARE(m_dm->getLastHVUnitErrorState(), stHVUnitState());
    }

    // The link lost while the record is being stored: nothing cuts the storing short,
    // and the confirmation leads to the start of the unit, not to Idle.
    void hvUnitErrorAtTheEndOfATestRestartsTheUnitAfterTheConfirmation()
    {
        walkToRunning();
        feed({E::TestAborted});
        QCOMPARE(m_dm->getAppState(), TestFinalizing);
        m_dm->setHVUnitState(stHVUnitState(true, 0));
        settle();
        QCOMPARE(m_dm->getAppState(), TestFinalizing);
        feed({E::TestFinalized, E::HistoryReady});
        QCOMPARE(m_dm->getAppState(), TestFinished);
        m_dm->setHVUnitState(stHVUnitState(false, 0)); // back before the confirmation: restarted all the same
        feed({E::TestResultConfirmed});
        QCOMPARE(m_dm->getAppState(), Starting);
        feed({E::HVUnitInitialized});
        QCOMPARE(m_dm->getAppState(), Idle);

        // Lost while running and still down at the confirmation.
        walkToRunningAgain();
        m_dm->setHVUnitState(stHVUnitState(true, 0));
        settle();
        feed({E::TestFinalized, E::HistoryReady, E::TestResultConfirmed});
        QCOMPARE(m_dm->getAppState(), Starting);

        // A fault bit standing at the confirmation does the same; a breakdown does not.
        m_dm->setHVUnitState(stHVUnitState(false, 0));
        feed({E::HVUnitInitialized});
        walkToRunningAgain();
        m_dm->setHVUnitState(stHVUnitState(false, kRunning | HVStateBits::Overtemperature));
        settle();
        feed({E::TestFinalized, E::HistoryReady, E::TestResultConfirmed});
        QCOMPARE(m_dm->getAppState(), Starting);
        m_dm->setHVUnitState(stHVUnitState(false, 0));
        feed({E::HVUnitInitialized});
        walkToRunningAgain();
        m_dm->setHVUnitState(stHVUnitState(false, kRunning | HVStateBits::Breakdown));
        settle();
        QCOMPARE(m_dm->getAppState(), TestFinalizing); // sent burn mode off: the test ends at once
        feed({E::TestFinalized, E::HistoryReady, E::TestResultConfirmed});
        QCOMPARE(m_dm->getAppState(), Idle);
    }

    void unconfirmedParametersTimeOutWithTheirOwnResult()
    {
        m_dm->getStatemachine()->setStateTimeout(WaitForConfirmation, 30);
        feed({E::MainsOn, E::HVUnitInitialized, E::StartTest, E::ExtEmergOffClosed, E::HVOn, E::HVOutputOn,
              E::LoadDetectionFinished, E::FrequencyModified});
        QCOMPARE(m_dm->getAppState(), WaitForConfirmation);
        QTRY_COMPARE(m_dm->getAppState(), TestFinalizing);
        QCOMPARE(m_dm->getTestResult(), eTestResult_TimeoutWaitingAckTestParam);
    }

    void breakdownWhileRunningBurns()
    {
        walkToRunning();
        m_dm->setBurnModeSent(true);
        QSignalSpy states(m_dm, &DataModell::appStateChanged);
        // The test worker reads the fault values on the change, from its own thread:
        // the result must already be there when the change is announced.
        QList<eTestResult> seen;
        const QMetaObject::Connection watch = connect(m_dm, &DataModell::HVStateChanged, this,
            [&] { seen << m_dm->getTestResult(); }, Qt::DirectConnection);
        m_dm->setHVUnitState(stHVUnitState(false, kRunning | HVStateBits::Breakdown));
        disconnect(watch);
        QCOMPARE(seen, QList<eTestResult>({ eTestResult_BreakdownDetected }));
        m_dm->setHVUnitState(stHVUnitState(false, kRunning | HVStateBits::Breakdown));
        settle();
        QCOMPARE(m_dm->getAppState(), TestBurning);
        QCOMPARE(states.count(), 1);
        QCOMPARE(m_dm->getTestResult(), eTestResult_BreakdownDetected);
        // Further breakdowns while burning change nothing.
        m_dm->setHVUnitState(stHVUnitState(false, kRunning));
        m_dm->setHVUnitState(stHVUnitState(false, kRunning | HVStateBits::Breakdown));
        settle();
        QCOMPARE(m_dm->getAppState(), TestBurning);
        feed({E::TestTimeUp});
        QCOMPARE(m_dm->getAppState(), TestSoftStop);
        QCOMPARE(m_dm->getTestResult(), eTestResult_BreakdownDetected); // the cause stays
    }

    void faultInIdleLeadsToHvUnitError()
    {
        feed({E::MainsOn, E::HVUnitInitialized});
        QSignalSpy offset(m_dm, &DataModell::outputOffsetToBig);
        m_dm->setHVUnitState(stHVUnitState(false, HVStateBits::OutputOffset));
        settle();
        QCOMPARE(m_dm->getAppState(), HVUnitError);
        QCOMPARE(offset.count(), 1);
        QCOMPARE(m_dm->getTestResult(), eTestResult_Unknown); // no test, no result
    }

    void stateWordMovesTheWaitingStates()
    {
        m_dm->changeOperatingMode(M::VLFSin);
        feed({E::MainsOn, E::HVUnitInitialized, E::StartTest, E::ExtEmergOffClosed, E::HVOn});
        QCOMPARE(m_dm->getAppState(), WaitHVOn);
        m_dm->setHVUnitState(stHVUnitState(false, HVStateBits::OutputOn));
        settle();
        QCOMPARE(m_dm->getAppState(), WaitLoadDetect);
        m_dm->setHVUnitState(stHVUnitState(false, HVStateBits::OutputOn | HVStateBits::LoadDetectionFinished));
        settle();
        QCOMPARE(m_dm->getAppState(), WaitForEffTestParameters);
        feed({E::FrequencyUnmodified});
        m_dm->setHVUnitState(stHVUnitState(false, kRunning | HVStateBits::LoadDetectionFinished));
        settle();
        QCOMPARE(m_dm->getAppState(), TestRunning);
        QSignalSpy nominal(m_dm, &DataModell::nominalVoltageReached);
        m_dm->setHVUnitState(stHVUnitState(false, kRunning | HVStateBits::NominalVoltageReached));
        QCOMPARE(nominal.count(), 1);
        QVERIFY(nominal.first().first().toBool());
        QVERIFY(m_dm->isNominalVoltageReached());
    }

    void conditionsAlreadyMetOnEntry()
    {
        // Output already on when HV on is confirmed; a sheath test has no load detection.
        m_dm->changeOperatingMode(M::SheathTest);
        m_dm->setHVUnitState(stHVUnitState(false, HVStateBits::OutputOn));
        feed({E::MainsOn, E::HVUnitInitialized, E::StartTest, E::ExtEmergOffClosed, E::HVOn});
        settle();
        settle();
        QCOMPARE(m_dm->getAppState(), WaitForEffTestParameters);
    }

    void timeoutEndsTheWaitWithItsResult()
    {
        m_dm->getStatemachine()->setStateTimeout(WaitHVOn, 30);
        QSignalSpy countdown(m_dm, &DataModell::updateTimeoutTime);
        feed({E::MainsOn, E::HVUnitInitialized, E::StartTest, E::ExtEmergOffClosed});
        QCOMPARE(countdown.count(), 1); // WaitConfirmOn's own time-out starts at once
        QCOMPARE(countdown.last().first().toUInt(), 60000u);
        feed({E::HVOn});
        QCOMPARE(countdown.last().first().toUInt(), 30u);
        QTRY_COMPARE(m_dm->getAppState(), TestFinalizing);
        QCOMPARE(countdown.last().first().toUInt(), 0u);
        QCOMPARE(m_dm->getTestResult(), eTestResult_TimeoutHVGenNotStarted);
    }

    void badInputIsRefused()
    {
        m_dm->changeOperatingMode(M::VLFSin);
        m_dm->changeOperatingMode(static_cast<M::OperatingMode>(-3));
        m_dm->changeOperatingMode(static_cast<M::OperatingMode>(99));
        QCOMPARE(m_dm->getOperatingMode(), M::VLFSin);
        QCOMPARE(m_dm->getHVUnitParam(static_cast<eHVUnitParamType>(-1)), HVUnitParamUnknown);
        QCOMPARE(m_dm->getHVUnitParam(static_cast<eHVUnitParamType>(36)), HVUnitParamUnknown);
        m_dm->setHVUnitParam(static_cast<eHVUnitParamType>(400), 5);
        m_dm->setHVUnitParam(eHVUnitParamType_GainU, 10000);
        QCOMPARE(m_dm->getHVUnitParam(eHVUnitParamType_GainU), quint64(10000));
        QCOMPARE(m_dm->getHVUnitParam(eHVUnitParamType_GainI), HVUnitParamUnknown);
        QVERIFY(!m_dm->getTestTime(static_cast<eTestTimes>(7)).isValid());
        QCOMPARE(m_dm->getSystemFunctions()->getFuncName(static_cast<SystemFunction::eSysFunc>(-1)),
                 QStringLiteral("Unknown function"));
        QCOMPARE(m_dm->getSystemFunctions()->getFuncName(SystemFunction::ExportConfiguration),
                 QStringLiteral("ExportConfiguration"));
        QCOMPARE(m_dm->getTanDeltaSummary(3).size(), 0);
        QCOMPARE(m_dm->getTanDeltaSummary(-1).size(), 0);
        QVERIFY(!m_dm->setSerialNumber(QStringLiteral("12345")));
        QVERIFY(!m_dm->setSerialNumber(QStringLiteral("1234567890a")));
        QVERIFY(m_dm->setSerialNumber(QStringLiteral("12345678901")));
        QCOMPARE(m_dm->getSerialNumber(), QStringLiteral("12345678901"));
        m_dm->setLastUsedPhase(5);
        QCOMPARE(m_dm->lastUsedPhase(), -1);
        QCOMPARE(m_dm->getVersion(3), QStringLiteral("0.00"));
        QCOMPARE(m_dm->getVersion(11), QStringLiteral("0.00"));
    }

    void voltageIsBoundToTheModeRange()
    {
        m_dm->changeOperatingMode(M::SheathTest);
        m_dm->setVoltageToTest(90000000);
        QCOMPARE(m_dm->getVoltageToTest(), m_dm->getVoltageRange().second);
        m_dm->setVoltageToTest(20000000);
        stIdentification id;
        id.maxVoltagePeak = 15000000;
        id.maxFrequency = 100;
        id.valid = true;
        m_dm->setHVIdentification(id);
        QCOMPARE(m_dm->getVoltageToTest(), 15000000L); // bound again to what the unit can do
        m_dm->setVoltageToTest(90000000);
        QCOMPARE(m_dm->getVoltageToTest(), 15000000L);

        // The factor type stores U0; the test voltage is U0 times the factor.
        m_dm->changeOperatingMode(M::VLFSin);
        m_dm->setVoltageType(VoltageType_Factor);
        m_dm->setVoltageFactor(20);
        m_dm->setVoltageToTest(5000000); // 5 kV RMS U0
        QCOMPARE(m_dm->getVoltageToTest(), 2 * ValueConverterPeak(5000000));
        m_dm->setVoltageFactor(100); // would exceed the unit's 15 kV
        QVERIFY(m_dm->getVoltageToTest() <= 15000000);
    }

    void setIpTakesOnlyPlainAddressesForTheWiredConnection_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("managerResult");
        QTest::addColumn<bool>("expected");
        const QString eth = QStringLiteral("Wired connection 1");
        QTest::newRow("plain") << eth << "192.168.10.20" << true << true;
        QTest::newRow("edges") << eth << "0.0.0.255" << true << true;
        QTest::newRow("manager fails") << eth << "10.0.0.1" << false << false;
        QTest::newRow("wireless name") << "Office" << "10.0.0.1" << true << false;
        QTest::newRow("one number") << eth << "1" << true << false;
        QTest::newRow("short form") << eth << "127.1" << true << false;
        QTest::newRow("leading zero") << eth << "010.0.0.1" << true << false;
        QTest::newRow("256") << eth << "10.0.0.256" << true << false;
        QTest::newRow("five parts") << eth << "10.0.0.1.2" << true << false;
        QTest::newRow("trailing newline") << eth << "10.0.0.1\n" << true << false;
        QTest::newRow("blank") << eth << " 10.0.0.1" << true << false;
        QTest::newRow("ipv6") << eth << "fe80::1" << true << false;
        QTest::newRow("empty") << eth << "" << true << false;
    }

    void setIpTakesOnlyPlainAddressesForTheWiredConnection()
    {
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(bool, managerResult);
        QFETCH(bool, expected);
        QVERIFY(!m_dm->setIp(QStringLiteral("Wired connection 1"), QStringLiteral("10.0.0.1"))); // none registered

        FakeConnectionManager manager;
        manager.setWired(QStringLiteral("Wired connection 1"), QStringLiteral("10.0.0.9"));
        manager.setWirelessAddress(QStringLiteral("Office"), QStringLiteral("172.16.0.4"));
        manager.setResult(managerResult);
        GlobalFuncs::setConnectionManager(&manager);
        const bool result = m_dm->setIp(name, address);
        GlobalFuncs::setConnectionManager(nullptr);
        QCOMPARE(result, expected);
        // Only a well-formed address for the wired connection reaches the manager.
        const bool reaches = expected || (!managerResult && name == QLatin1String("Wired connection 1"));
        QCOMPARE(manager.addressesSet(), reaches ? QStringList{address} : QStringList());
    }

    void menuLocks()
    {
        QVERIFY(m_dm->serviceMenuLocked());
        QSignalSpy service(m_dm, &DataModell::serviceMenuLockedChanged);
        m_dm->unlockSystemFunction(SystemFunction::Service);
        QVERIFY(!m_dm->serviceMenuLocked());
        m_dm->lockSystemFunction(SystemFunction::Service);
        m_dm->lockSystemFunction(SystemFunction::Service);
        QVERIFY(m_dm->serviceMenuLocked());
        QCOMPARE(service.count(), 2);
    }

    void tanDeltaPhaseSequence()
    {
        m_dm->changeOperatingMode(M::TanDelta);
        m_dm->setPhasesToTest(IPhaseSelect::L1 | IPhaseSelect::L3);
        QVERIFY(m_dm->getPhaseSelect()->isPhaseSelected(IPhaseSelect::L3));
        QVERIFY(!m_dm->getPhaseSelect()->isPhaseSelected(IPhaseSelect::L2));
        m_dm->startCurrentPhase();
        QCOMPARE(m_dm->tanDeltaPhaseIndex(), 0);
        QVERIFY(m_dm->isTanDeltaWaiting());
        QVERIFY(!m_dm->isTanDeltaFinished());
        m_dm->startCurrentPhase();
        QCOMPARE(m_dm->tanDeltaPhaseIndex(), 2);
        QCOMPARE(m_dm->lastUsedPhase(), 2);
        QVERIFY(!m_dm->isTanDeltaWaiting());
        QVERIFY(m_dm->isTanDeltaFinished());
        m_dm->resetCurrentPhase();
        QCOMPARE(m_dm->tanDeltaPhaseIndex(), -1);
        m_dm->changeOperatingMode(M::VLFSin);
        QCOMPARE(m_dm->tanDeltaPhaseIndex(), -1);
    }

    void periodicValuesGiveStepStatistics()
    {
        m_dm->setPeriodicMeasurementValues({10000, 5, 4000, 100});
        m_dm->setPeriodicMeasurementValues({12000, 5, 6000, 200});
        m_dm->setPeriodicMeasurementValues({12000, 5, TanDeltaNone, 300}); // leakage reading: no tan delta
        m_dm->voltageStepUp();
        m_dm->setPeriodicMeasurementValues({20000, 5, 8000, 400});
        m_dm->changeOperatingMode(M::TanDelta);
        m_dm->setPhasesToTest(1);
        m_dm->startCurrentPhase();
        const QVector<TanDeltaMeasurementValues> s = m_dm->getTanDeltaSummary(0);
        QCOMPARE(s.size(), 2);
        QCOMPARE(s[0].avgTanDelta, 5000u);
        QCOMPARE(s[0].stdDevTanDelta, qint64(1000));
        QCOMPARE(s[0].voltage, qint64(11000));
        QCOMPARE(s[1].avgTanDelta, 8000u);
        QCOMPARE(s[1].stdDevTanDelta, qint64(0));
        int n = 0;
        for (auto it = m_dm->beginPeriodicMeasurementValues(); it != m_dm->endPeriodicMeasurementValues(); ++it)
            ++n;
        QCOMPARE(n, 4);
    }

    void samplesAndReset()
    {
        QVERIFY(!m_dm->getLastMeasurementValues().localTime.isValid());
        QVERIFY(!m_dm->hasMeasurementValues());
        QSignalSpy spy(m_dm, &DataModell::updateMeasurementValues);
        m_dm->setMeasurementValues({100, QDateTime(), -30000, -7});
        m_dm->setMeasurementValues({200, QDateTime(), 20000, 9});
        QCOMPARE(spy.count(), 2);
        QVERIFY(spy.first().first().value<stMeasurementValues>().localTime.isValid());
        QCOMPARE(m_dm->getLastMeasurementValues().timeStamp, 200u);
        QCOMPARE(m_dm->getPeakValues(), qMakePair(30000L, qint64(9)));
        m_dm->setFaultValues({1000, 5000, 12});
        m_dm->setTestTime(TestTime_Start, QDateTime::currentDateTime());
        m_dm->setCapacitanceLoad(500);
        m_dm->changeOperatingMode(M::VLFSin);
        QCOMPARE(m_dm->getCapacitanceLoad(), 500ul);
        m_dm->changeOperatingMode(M::SheathTest);
        QCOMPARE(m_dm->getCapacitanceLoad(), 0ul); // no load detection in this mode
        m_dm->resetTestData();
        QVERIFY(!m_dm->hasMeasurementValues());
        QCOMPARE(m_dm->getFaultValues(), stFaultValues());
        QVERIFY(!m_dm->getTestTime(TestTime_Start).isValid());
        m_dm->changeOperatingMode(M::VLFSin);
        QCOMPARE(m_dm->getCapacitanceLoad(), 0ul);
    }

    void freeMeasurementsNeverDividesByZero()
    {
        QCOMPARE(SystemInfo::freeMeasurements(1000000, 0), qint64(10));
        QCOMPARE(SystemInfo::freeMeasurements(1000, 5000), qint64(10));
        QCOMPARE(SystemInfo::freeMeasurements(0, 100), qint64(10));
        QCOMPARE(SystemInfo::freeMeasurements(1000000, 1000), qint64(900)); // 1000 - 20 -> 980 -> 900
        QCOMPARE(SystemInfo::getFreeMeasurements(m_root->path("/does/not/exist"), 1000), qint64(0));
        QVERIFY(SystemInfo::getFreeMeasurements(m_root->root(), 1) >= 10);
        QCOMPARE(SystemInfo::getDiskUsage(m_root->path("/does/not/exist")), 100);
        const int used = SystemInfo::getDiskUsage(m_root->root());
        QVERIFY(used >= 0 && used <= 100);
    }

    void versionsFromTheSystemFiles()
    {
        m_root->writeFile("/proc/version", "Linux version 5.10.72-vlf (gcc) #1 SMP\n");
        m_root->writeFile("/etc/version", "2.3.1\n");
        QCOMPARE(m_dm->getVersion(SystemInfo::Kernel), QStringLiteral("5.10.72-vlf"));
        QCOMPARE(m_dm->getVersion(SystemInfo::Rootfs), QStringLiteral("2.3.1"));
        QCOMPARE(m_dm->getVersion(SystemInfo::Application), QStringLiteral("4.2.0"));
        QVERIFY(m_dm->getVersion(SystemInfo::Application, true).startsWith(QStringLiteral("4.2.0 (")));
        QCOMPARE(m_dm->getHVCVersion(), QStringLiteral("0.00"));
        stIdentification id;
        id.firmwareMajor = 3;
        id.firmwareMinor = 26;
        id.maxVoltageRMS = 45000000;
        id.valid = true;
        m_dm->setHVIdentification(id);
        QCOMPARE(m_dm->getVersion(SystemInfo::HVController), QStringLiteral("3.26"));
        QCOMPARE(int(m_dm->getPevantoType()), 45);
        QCOMPARE(m_dm->getTanDeltaPrecision(), 4);
    }

private:
    static long ValueConverterPeak(long rms) { return long(qRound(rms * 1.4142135623730951)); }

    void walkToRunningAgain()
    {
        feed({E::StartTest, E::ExtEmergOffClosed, E::HVOn, E::HVOutputOn, E::LoadDetectionFinished,
              E::FrequencyUnmodified, E::TestStarted});
        QCOMPARE(m_dm->getAppState(), TestRunning);
    }
};

QTEST_GUILESS_MAIN(TstDataModell)
#include "tst_datamodell.moc"
