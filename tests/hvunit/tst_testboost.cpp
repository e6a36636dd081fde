#include "hvunit/ExtPortCheckBytes.h"
#include "hvunit/ExtPortManager.h"
#include "fakes/FakeW1Tree.h"
#include "core/GlobalFuncs.h"
#include "hvunit/HvEnableRule.h"
#include "fakes/LogCapture.h"
#include "hvunit/OneWireManager.h"
#include "fakes/RecordingGui.h"
#include "fakes/TempRoot.h"
#include "hvunit/TestBoostDeviceList.h"
#include "hvunit/TestBoostManagerExtPort.h"
#include "hvunit/TestBoostManagerVirtual.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
const QString Switch = QStringLiteral("29-0000004c2a1b");
const QString Memory = QStringLiteral("1c-000000ab12cd");
const stOneWireDevice MemoryDev{0x1C, QStringLiteral("000000ab12cd")};

// Logical inputs of the internal switch.
constexpr quint8 Ready = 1 << 0;
constexpr quint8 HVEnable = 1 << 1;
constexpr quint8 FOhm = 1 << 2;
constexpr quint8 Ground = 1 << 3;
constexpr quint8 AllInputs = Ready | HVEnable | FOhm | Ground;

// What the supervisor published, kept by the test while the supervisor owns the model.
struct ModelData {
    stTBState state;
    stTBData data;
    OperatingModes::OperatingMode mode = OperatingModes::VLFCosRect;
    bool remote = false;
    QList<stTBState> published;
    int dataWrites = 0;
};

class FakeModel : public TestBoostModel {
public:
    explicit FakeModel(ModelData* d) : m_d(d) {}
    stTBState testBoostState() const override { return m_d->state; }
    void setTestBoostState(const stTBState& state, bool force) override
    {
        if (state == m_d->state && !force)
            return;
        m_d->state = state;
        m_d->published << state;
    }
    stTBData testBoostData() const override { return m_d->data; }
    void setTestBoostData(const stTBData& data) override
    {
        m_d->data = data;
        ++m_d->dataWrites;
    }
    OperatingModes::OperatingMode operatingMode() const override { return m_d->mode; }
    bool isTestBoostOpMode() const override { return OperatingModes::getInstance()->isTestBoostMode(m_d->mode); }
    bool isRemoteControlled() const override { return m_d->remote; }

private:
    ModelData* m_d;
};

bool sameState(const stTBState& a, const stTBState& b) { return a == b; }
} // namespace

class TstTestBoost : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qRegisterMetaType<stExtPortDevice>();
        GlobalFuncs::setGUI(&m_gui);
    }
    void cleanupTestCase() { GlobalFuncs::setGUI(nullptr); }

    void init()
    {
        m_gui.calls.clear();
        m_d = ModelData();
        m_root = std::make_unique<TempRoot>();
        m_tree = std::make_unique<FakeW1Tree>();
        m_tree->addSwitch(Switch, quint8(~AllInputs));
        m_tree->addMemory(Memory);
        m_tree->putAccessory(Memory, "2012295", "12345678901");
        m_tree->setSlaves({Switch, Memory});
        m_port = std::make_unique<ExtPortManager>();
        m_port->oneWireManager()->updateDeviceList();
        m_tb = std::make_unique<TestBoostManagerExtPort>(m_port.get(), std::make_unique<FakeModel>(&m_d));
        connect(m_tb.get(), &TestBoostManager::showMessageDlg, &m_gui,
                qOverload<MessageCategories, const QString&, const QString&, bool, bool>(&IGUI::showMessageDlg));
    }
    void cleanup()
    {
        m_tb.reset();
        m_port.reset();
        m_tree.reset();
        m_root.reset();
    }

    void errorTextsAndDeviceTable()
    {
        QCOMPARE(makeErrMsg(QStringLiteral("No powersupply"), 4, QStringLiteral("power")),
                 QStringLiteral("No powersupply after 4 power errors!"));
        QCOMPARE(testBoostDeviceRow(QStringLiteral("128311042000")), 0);
        QCOMPARE(testBoostDeviceRow(QStringLiteral("128311062000")), 1);
        QCOMPARE(testBoostDeviceRow(QStringLiteral("2012295")), 2);
        QCOMPARE(testBoostDeviceRow(QStringLiteral("2012295 ")), -1);
        QCOMPARE(testBoostDeviceRow(QString()), -1);
        QCOMPARE(deviceList[0].maxVoltage, 40000000);
        QCOMPARE(deviceList[0].minCapacitance, qint16(170));
    }

    void knownAccessoryPublishesItsLimitsAndStartsThePoll()
    {
        QSignalSpy spy(m_port.get(), &ExtPortManager::detectedExtPortDevice);
        m_port->isExtPortDeviceConnected();
        QVERIFY(spy.wait(3000));
        QVERIFY(m_tb->isPolling());
        QCOMPARE(m_tb->pollInterval(), 100);

        const stTBData& data = m_d.data;
        QCOMPARE(data.identifier, QStringLiteral("2012295"));
        QCOMPARE(data.serialNumber, QStringLiteral("12345678901"));
        QCOMPARE(data.productionDate, QDateTime(QDate(2020, 1, 15), QTime(10, 30)));
        QCOMPARE(data.maintenanceDate, QDateTime(QDate(2023, 6, 30), QTime(8, 0)));
        QCOMPARE(data.minVoltage, 3000000);
        QCOMPARE(data.maxVoltage, 60000000);
        QCOMPARE(data.furtherLimit, 600);
        QCOMPARE(data.minRequiredCapacitance, 130);
        QCOMPARE(data.ignitionPulse, 1);
        QVERIFY(data.configValid);
        // OWRDY active, HVENA inactive.
        QCOMPARE(pioLines(), 0x2);

        // The running poll reads the port and publishes a powered accessory.
        QTRY_VERIFY_WITH_TIMEOUT(sameState(m_d.state, stTBState{2, 7}), 3000);
        QVERIFY(m_gui.calls.isEmpty());
    }

    void configurationDecidesTheIgnitionSetting_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<int>("ignition");
        QTest::addColumn<bool>("valid");
        QTest::newRow("0") << QByteArray("000") << 0 << true;
        QTest::newRow("1") << QByteArray("001") << 1 << true;
        QTest::newRow("other") << QByteArray("002") << -1 << false;
        QTest::newRow("empty") << QByteArray("00") << -1 << false;
        QTest::newRow("version 1") << QByteArray("011") << 0 << false;
    }
    void configurationDecidesTheIgnitionSetting()
    {
        QFETCH(QByteArray, config);
        QFETCH(int, ignition);
        QFETCH(bool, valid);
        m_tree->putAccessory(Memory, "128311042000", "12345678901", config);
        attach();
        QCOMPARE(m_d.data.ignitionPulse, ignition);
        QCOMPARE(m_d.data.configValid, valid);
        QCOMPARE(m_d.data.maxVoltage, 40000000);
        QCOMPARE(m_d.data.minRequiredCapacitance, 170);
    }

    void unknownAccessoryShowsDialogAndStartsNoPoll()
    {
        m_tree->putAccessory(Memory, "128311042001", "12345678901");
        stExtPortDevice dev = readRecord();
        m_tb->detectedExtPortDevice(dev, true);
        QVERIFY(!m_tb->isPolling());
        QCOMPARE(m_d.dataWrites, 0);
        QVERIFY(m_d.published.isEmpty());
        const QList<RecordingGui::Call> dialogs = m_gui.callsOf(QStringLiteral("showMessageDlg"));
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(dialogs[0].category, int(CAT_ERR));
        QCOMPARE(dialogs[0].context, QStringLiteral("Testboost"));
        QCOMPARE(dialogs[0].key, QStringLiteral("UnknownTestBoostDevice"));

        m_tb->detectedExtPortDevice(dev, false);
        QCOMPARE(m_gui.calls.size(), 1);
        QVERIFY(m_d.published.isEmpty());
    }

    void removalStopsThePollAndPublishesNothingKnown()
    {
        attach();
        m_tb->checkTestBoostState();
        QVERIFY(sameState(m_d.state, stTBState{2, 7}));
        m_tb->detectedExtPortDevice(readRecord(), false);
        QVERIFY(!m_tb->isPolling());
        QVERIFY(sameState(m_d.state, stTBState{0, 0}));
    }

    void stateWordFromTheInputs()
    {
        attach();
        setInputs(Ready | Ground | FOhm, true);
        m_tb->checkTestBoostState();
        QVERIFY(sameState(m_d.state, stTBState{2, 6}));
        setInputs(Ready | HVEnable, true);
        m_tb->checkTestBoostState();
        QVERIFY(sameState(m_d.state, stTBState{2, 1}));
        setInputs(AllInputs, false);
        m_tb->checkTestBoostState();
        QVERIFY(sameState(m_d.state, stTBState{1, 7}));
        setInputs(Ground, true);
        m_tb->checkTestBoostState();
        QVERIFY(sameState(m_d.state, stTBState{1, 4}));
    }

    void quickStateChangesAreLogged()
    {
        LogCapture log;
        attach();
        m_tb->checkTestBoostState(); // first change after a quiet time: not logged
        QVERIFY(log.delivered(QStringLiteral("stateCounter: 3 oldState: 0x000 newState: 0x027!")).isEmpty());
        setInputs(Ready | FOhm | HVEnable, true);
        m_tb->checkTestBoostState();
        QCOMPARE(log.delivered(QStringLiteral("stateCounter: 0 oldState: 0x027 newState: 0x023!")).size(), 1);
        for (int poll = 0; poll < 3; ++poll)
            m_tb->checkTestBoostState();
        setInputs(AllInputs, false);
        m_tb->checkTestBoostState();
        QVERIFY(log.delivered(QStringLiteral("stateCounter: 3 oldState: 0x023 newState: 0x017!")).isEmpty());
    }

    void readyStateReplacesOnlyThePowerState()
    {
        attach();
        m_tb->checkTestBoostState();
        m_tb->setTestBoostReadyState(TestBoostManagerExtPort::TBReady_NoPower);
        QVERIFY(sameState(m_d.state, stTBState{1, 7}));
        const int published = m_d.published.size();
        m_tb->setTestBoostReadyState(TestBoostManagerExtPort::TBReady_NoPower);
        QCOMPARE(m_d.published.size(), published);
    }

    void powerLostDuringATest()
    {
        LogCapture log;
        attach();
        startTest();
        setInputs(AllInputs, false);
        QSignalSpy errors(m_tb.get(), &TestBoostManager::testBoostError);
        const QString noPower = QStringLiteral("No powersupply after 4 power errors!");
        for (int poll = 1; poll <= 3; ++poll) {
            m_tb->checkTestBoostState();
            QVERIFY(log.delivered(noPower).isEmpty());
        }
        m_tb->checkTestBoostState();
        const QList<LoggingData> records = log.delivered(noPower);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].category, int(CAT_MEAS));
        QCOMPARE(records[0].file, QStringLiteral("TestBoostManagerExtPort"));
        QCOMPARE(records[0].function, QStringLiteral("checkTestBoostState"));
        for (int poll = 5; poll <= 8; ++poll)
            m_tb->checkTestBoostState();
        QCOMPARE(errors.count(), 0);
        m_tb->checkTestBoostState();
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), 2);
        QCOMPARE(log.delivered(QStringLiteral("Failed after 9 power errors!")).size(), 1);
        m_tb->checkTestBoostState();
        QCOMPARE(errors.count(), 2);
        QVERIFY(sameState(m_d.state, stTBState{1, 7}));

        setInputs(AllInputs, true);
        m_tb->checkTestBoostState();
        QCOMPARE(errors.count(), 2);
        QCOMPARE(log.delivered(QStringLiteral("Recovered after 10 power errors!")).size(), 1);
        QVERIFY(sameState(m_d.state, stTBState{2, 7}));
    }

    void powerLostOutsideATestRaisesNothing_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("mode");
        QTest::newRow("idle") << int(States::Idle) << int(OperatingModes::VLFCosRect);
        QTest::newRow("test ready") << int(States::TestReadyToRun) << int(OperatingModes::DAC);
        QTest::newRow("running, no test-boost mode") << int(States::TestRunning) << int(OperatingModes::VLFSin);
    }
    void powerLostOutsideATestRaisesNothing()
    {
        QFETCH(int, state);
        QFETCH(int, mode);
        LogCapture log;
        attach();
        m_d.mode = OperatingModes::OperatingMode(mode);
        m_tb->appStateChanged(States::Idle, States::AppState(state));
        setInputs(Ready | Ground, false);
        QSignalSpy errors(m_tb.get(), &TestBoostManager::testBoostError);
        for (int poll = 1; poll <= 12; ++poll)
            m_tb->checkTestBoostState();
        QCOMPARE(errors.count(), 0);
        QVERIFY(log.delivered(QStringLiteral("No powersupply after 4 power errors!")).isEmpty());
        QVERIFY(log.delivered(QStringLiteral("Bad state after 4 stateword errors!")).isEmpty());
        QVERIFY(sameState(m_d.state, stTBState{1, 4}));
    }

    void failedReadsOfAKnownAccessoryNeverPublishNothingKnown()
    {
        attach();
        m_tb->checkTestBoostState();
        QVERIFY(sameState(m_d.state, stTBState{2, 7}));
        QFile::remove(m_tree->deviceFile(Switch, QStringLiteral("state")));
        m_port->checkPIOPortState();

        m_tb->checkTestBoostState();
        m_tb->checkTestBoostState();
        QVERIFY(sameState(m_d.state, stTBState{2, 7}));
        QCOMPARE(m_tb->pollInterval(), 1000);
        m_tb->checkTestBoostState();
        // "No power", so the HV-enable rule keeps the line off during a test.
        QVERIFY(sameState(m_d.state, stTBState{1, 0}));
        QVERIFY(!hvEnableAllowed(true, m_d.state));
        for (int poll = 0; poll < 5; ++poll)
            m_tb->checkTestBoostState();
        QVERIFY(sameState(m_d.state, stTBState{1, 0}));
        QCOMPARE(m_tb->pollInterval(), 1000);

        m_tree->setSwitchState(Switch, quint8(~AllInputs));
        m_port->checkPIOPortState();
        m_tb->checkTestBoostState();
        QVERIFY(sameState(m_d.state, stTBState{2, 7}));
        QCOMPARE(m_tb->pollInterval(), 100);
    }

    void communicationFailuresDuringATest()
    {
        LogCapture log;
        attach();
        startTest();
        m_tb->checkTestBoostState();
        QFile::remove(m_tree->deviceFile(Switch, QStringLiteral("state")));
        m_port->checkPIOPortState();
        QSignalSpy errors(m_tb.get(), &TestBoostManager::testBoostError);
        const QString noConnection = QStringLiteral("No connection after 3 communication errors!");
        for (int poll = 1; poll <= 3; ++poll)
            m_tb->checkTestBoostState();
        QVERIFY(log.delivered(noConnection).isEmpty());
        m_tb->checkTestBoostState();
        QCOMPARE(log.delivered(noConnection).size(), 1);
        for (int poll = 5; poll <= 8; ++poll)
            m_tb->checkTestBoostState();
        QCOMPARE(errors.count(), 0);
        m_tb->checkTestBoostState();
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), 1);
        QCOMPARE(log.delivered(QStringLiteral("Failed after 8 communication errors!")).size(), 1);

        m_tree->setSwitchState(Switch, quint8(~AllInputs));
        m_port->checkPIOPortState();
        // The recovering poll still counts as the 10th attempt before it reads.
        m_tb->checkTestBoostState();
        QCOMPARE(errors.count(), 2);
        QCOMPARE(log.delivered(QStringLiteral("Recovered after 9 communication errors!")).size(), 1);
        m_tb->checkTestBoostState();
        QCOMPARE(errors.count(), 2);
    }

    void badStateWordDuringATest()
    {
        LogCapture log;
        attach();
        startTest();
        setInputs(Ready | FOhm | HVEnable, true); // ground contact missing
        QSignalSpy errors(m_tb.get(), &TestBoostManager::testBoostError);
        for (int poll = 1; poll <= 3; ++poll)
            m_tb->checkTestBoostState();
        QVERIFY(log.delivered(QStringLiteral("Bad state after 4 stateword errors!")).isEmpty());
        m_tb->checkTestBoostState();
        QCOMPARE(log.delivered(QStringLiteral("Bad state after 4 stateword errors!")).size(), 1);
        for (int poll = 5; poll <= 8; ++poll)
            m_tb->checkTestBoostState();
        QCOMPARE(errors.count(), 0);
        m_tb->checkTestBoostState();
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), 3);
        QCOMPARE(log.delivered(QStringLiteral("Failed after 9 stateword errors!")).size(), 1);
        QVERIFY(sameState(m_d.state, stTBState{2, 3}));

        setInputs(AllInputs, true);
        m_tb->checkTestBoostState();
        QCOMPARE(log.delivered(QStringLiteral("Recovered after 9 stateword errors!")).size(), 1);
        QCOMPARE(errors.count(), 1);
    }

    void remoteControlSwitchesHVENAOnAGroundedAccessory()
    {
        m_tree->putAccessory(Memory, "2012295", "12345678901", "000"); // ignition 0
        attach();
        setInputs(Ready | Ground | FOhm, true);

        m_tb->checkTestBoostState(); // not remote controlled
        QCOMPARE(pioLines(), 0x2);

        m_d.remote = true;
        m_d.mode = OperatingModes::DAC; // DAC without ignition: left off
        m_tb->checkTestBoostState();
        QCOMPARE(pioLines(), 0x2);

        m_d.mode = OperatingModes::VLFCosRect;
        m_tb->checkTestBoostState();
        QCOMPARE(pioLines(), 0x0);
    }

    void operatingModeDecidesHVENA()
    {
        m_tree->putAccessory(Memory, "2012295", "12345678901", "000"); // ignition 0
        attach();
        setInputs(Ready | Ground | FOhm, false);
        m_tb->checkTestBoostState();
        m_tb->operatingModeChanged(OperatingModes::VLFCosRect); // no power: nothing
        QCOMPARE(pioLines(), 0x2);

        setInputs(Ready | Ground | FOhm, true);
        m_tb->checkTestBoostState();
        m_tb->operatingModeChanged(OperatingModes::VLFCosRect);
        QCOMPARE(pioLines(), 0x0);
        m_tb->operatingModeChanged(OperatingModes::Withstand); // a menu group
        QCOMPARE(pioLines(), 0x2);

        setInputs(AllInputs, true);
        m_tb->checkTestBoostState();
        m_tb->operatingModeChanged(OperatingModes::VLFCosRect); // word 7, not DAC: nothing
        QCOMPARE(pioLines(), 0x2);
        m_tb->operatingModeChanged(OperatingModes::DAC); // word 7, DAC without ignition
        QCOMPARE(pioLines(), 0x0);
    }

    void safetyCircuitChangePollsOnlyAPoweredAccessory()
    {
        attach();
        setInputs(AllInputs, false);
        m_tb->checkTestBoostState();
        QVERIFY(sameState(m_d.state, stTBState{1, 7}));
        setInputs(AllInputs, true);
        m_tb->safetyCircuitChanged();
        QVERIFY(sameState(m_d.state, stTBState{1, 7}));
        m_tb->checkTestBoostState();
        setInputs(Ready | FOhm, true);
        m_tb->safetyCircuitChanged();
        QVERIFY(sameState(m_d.state, stTBState{2, 2}));
    }

    void testRunningOnlyInTestStatesOfTestBoostModes()
    {
        for (int s = 0; s < States::StateCount; ++s) {
            m_tb->appStateChanged(States::Idle, States::AppState(s));
            const bool expected = s == States::TestRunning || s == States::TestBurning;
            QCOMPARE(m_tb->isTestRunning(), expected);
        }
        m_d.mode = OperatingModes::VLFSin;
        m_tb->appStateChanged(States::TestReadyToRun, States::TestRunning);
        QVERIFY(!m_tb->isTestRunning());
        m_d.mode = OperatingModes::DAC;
        QVERIFY(m_tb->isTestRunning());
    }

    void maintenanceDateUpdate()
    {
        attach();
        const QByteArray before = m_tree->memory(Memory);
        const QDateTime when(QDate(2026, 12, 7), QTime(4, 30));

        m_tb->updateTBDate(ExtPortDate_Production, when);
        QCOMPARE(m_tree->memory(Memory), before);
        QVERIFY(m_gui.calls.isEmpty());

        m_tb->updateTBDate(ExtPortDate_Maintenance, when);
        const QByteArray after = m_tree->memory(Memory);
        QCOMPARE(after.mid(160, 15), QByteArray("\x1D" "DM202612070430"));
        QCOMPARE(after.mid(190, 2), extPortCheckBytes(5, after.mid(160, 30)));
        QCOMPARE(m_d.data.maintenanceDate, when);
        QVERIFY(m_gui.hasMessage(QStringLiteral("Testboost"), QStringLiteral("MaintDateSuccessfullySet")));
        QCOMPARE(m_gui.calls.last().category, int(CAT_INF));

        QFile::remove(m_tree->deviceFile(Memory, QStringLiteral("eeprom")));
        m_tb->updateTBDate(ExtPortDate_Maintenance, when.addDays(1));
        QVERIFY(m_gui.hasMessage(QStringLiteral("Testboost"), QStringLiteral("UnableToSetMaintDate")));
        QCOMPARE(m_gui.calls.last().category, int(CAT_ERR));
        QCOMPARE(m_d.data.maintenanceDate, when);
    }

    void virtualTestBoostPublishesFixedData()
    {
        ModelData d;
        TestBoostManagerVirtual tb(std::make_unique<FakeModel>(&d));
        QVERIFY(sameState(d.state, stTBState{2, 7}));
        QCOMPARE(d.data.identifier, QStringLiteral("128311062000"));
        QCOMPARE(d.data.serialNumber, QStringLiteral("00000000000"));
        QCOMPARE(d.data.productionDate, QDateTime(QDate(2019, 9, 2), QTime(12, 0), Qt::LocalTime));
        QCOMPARE(d.data.maintenanceDate, QDateTime(QDate(2019, 9, 2), QTime(12, 0), Qt::LocalTime));
        QCOMPARE(d.data.ignitionPulse, 1);
        QVERIFY(d.data.configValid);
        QCOMPARE(d.data.minVoltage, 3000000);
        QCOMPARE(d.data.maxVoltage, 60000000);
        QCOMPARE(d.data.furtherLimit, 600);
        QCOMPARE(d.data.minRequiredCapacitance, 130);

        QSignalSpy errors(&tb, &TestBoostManager::testBoostError);
        tb.appStateChanged(States::Idle, States::TestRunning);
        tb.safetyCircuitChanged();
        tb.operatingModeChanged(OperatingModes::DAC);
        tb.updateTBDate(ExtPortDate_Maintenance, QDateTime::currentDateTime());
        QCOMPARE(errors.count(), 0);
        QCOMPARE(d.published.size(), 1);
    }

    void hvEnableRuleThroughEveryState_data()
    {
        QTest::addColumn<int>("power");
        QTest::addColumn<int>("word");
        QTest::addColumn<bool>("allowed");
        // No accessory known: the instrument runs without it.
        for (int w = 0; w < 8; ++w)
            QTest::addRow("power 0 word %d", w) << 0 << w << true;
        // Known accessory: ground (bit 2) and F-Ohm (bit 1) are both needed.
        for (int p = 1; p <= 2; ++p) {
            for (int w = 0; w < 8; ++w)
                QTest::addRow("power %d word %d", p, w) << p << w << (w == 6 || w == 7);
        }
    }
    void hvEnableRuleThroughEveryState()
    {
        QFETCH(int, power);
        QFETCH(int, word);
        QFETCH(bool, allowed);
        QCOMPARE(hvEnableAllowed(true, stTBState{power, word}), allowed);
        QVERIFY(!hvEnableAllowed(false, stTBState{power, word}));
    }

    void hvEnableLineFollowsThePublishedStates()
    {
        // The states the supervisor publishes over an accessory's life, with the line
        // a running test gets for each.
        QVERIFY(hvEnableAllowed(true, m_d.state)); // nothing plugged in
        attach();
        setInputs(AllInputs, false);
        m_tb->checkTestBoostState();
        QVERIFY(hvEnableAllowed(true, m_d.state)); // {1, 7}
        setInputs(AllInputs, true);
        m_tb->checkTestBoostState();
        QVERIFY(hvEnableAllowed(true, m_d.state)); // {2, 7}
        setInputs(Ready | FOhm | HVEnable, true);
        m_tb->checkTestBoostState();
        QVERIFY(!hvEnableAllowed(true, m_d.state)); // ground lost
        setInputs(Ready | Ground | HVEnable, true);
        m_tb->checkTestBoostState();
        QVERIFY(!hvEnableAllowed(true, m_d.state)); // F-Ohm lost
        QFile::remove(m_tree->deviceFile(Switch, QStringLiteral("state")));
        m_port->checkPIOPortState();
        for (int poll = 0; poll < 3; ++poll)
            m_tb->checkTestBoostState();
        QVERIFY(!hvEnableAllowed(true, m_d.state)); // unreadable
        m_tb->detectedExtPortDevice(readRecord(), false);
        QVERIFY(hvEnableAllowed(true, m_d.state)); // removed
        QCOMPARE(m_d.published.size(), 6);
    }

private:
    stExtPortDevice readRecord() const
    {
        stExtPortDevice dev;
        dev.oneWireDevice = MemoryDev;
        dev.identifier = m_port->getDeviceID(MemoryDev);
        dev.serialNumber = m_port->getDeviceSN(MemoryDev);
        dev.productionDate = m_port->getDeviceProdDate(MemoryDev);
        dev.maintenanceDate = m_port->getDeviceMaintDate(MemoryDev);
        const QPair<int, QByteArray> config = m_port->getDeviceConfig(MemoryDev);
        dev.configVersion = config.first;
        dev.configData = config.second;
        dev.reported = true;
        return dev;
    }

    // Announces the accessory as the port would; the test drives the polls itself.
    void attach()
    {
        m_tb->detectedExtPortDevice(readRecord(), true);
        QVERIFY(m_tb->isPolling());
        m_tb->enableCheckTBState(false);
        setInputs(AllInputs, true);
    }

    // The accessory's two output lines as written (active low): bit 0 OWRDY, bit 1 HVENA.
    int pioLines() const
    {
        const QByteArray raw = m_tree->read(m_tree->deviceFile(Memory, QStringLiteral("pio")));
        return raw.size() == 1 ? (quint8(raw.at(0)) & 0x3) : -1;
    }

    void setInputs(quint8 logical, bool power)
    {
        m_tree->setSwitchState(Switch, quint8(~logical));
        m_tree->setStatusControl(Switch, power ? 0x80 : 0x00);
        m_port->getPortControlStatus();
        m_port->checkPIOPortState();
    }

    void startTest()
    {
        m_d.mode = OperatingModes::VLFCosRect;
        m_tb->appStateChanged(States::TestReadyToRun, States::TestRunning);
        QVERIFY(m_tb->isTestRunning());
    }

    RecordingGui m_gui;
    ModelData m_d;
    std::unique_ptr<TempRoot> m_root;
    std::unique_ptr<FakeW1Tree> m_tree;
    std::unique_ptr<ExtPortManager> m_port;
    std::unique_ptr<TestBoostManagerExtPort> m_tb;
};

QTEST_GUILESS_MAIN(TstTestBoost)
#include "tst_testboost.moc"
