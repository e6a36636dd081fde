#include "app/DataModelTestBoostModel.h"
#include "fakes/DataModelFixture.h"
#include "datamodel/DataModell.h"
#include "hvunit/ExtPortManager.h"
#include "fakes/FakeW1Tree.h"
#include "core/GlobalFuncs.h"
#include "hvunit/HvEnableRule.h"
#include "hvunit/OneWireManager.h"
#include "hvunit/TestBoostManagerExtPort.h"
#include "hvunit/TestBoostManagerVirtual.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
const QString Switch = QStringLiteral("29-0000004c2a1b");
const QString Memory = QStringLiteral("1c-000000ab12cd");
} // namespace

// The test boost over the real data model: what it publishes is what the frame reads.
class TstTestBoostDataModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("tsttb"));
        registerInstrumentTypes();
        qRegisterMetaType<stExtPortDevice>();
    }

    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        m_dm = m_fixture->dm();

        m_tree = std::make_unique<FakeW1Tree>();
        m_tree->addSwitch(Switch, 0xF0); // all four inputs active
        m_tree->addMemory(Memory);
        m_tree->putAccessory(Memory, "128311062000", "12345678901");
        m_tree->setSlaves({Switch, Memory});
    }

    void cleanup()
    {
        m_tree.reset();
        m_dm = nullptr;
        m_fixture.reset();
    }

    void accessoryReachesTheDataModel()
    {
        ExtPortManager port;
        TestBoostManagerExtPort tb(&port, std::make_unique<DataModelTestBoostModel>());
        QVERIFY(announce(port));

        QCOMPARE(m_dm->getTestBoostData().identifier, QStringLiteral("128311062000"));
        QCOMPARE(m_dm->getTestBoostData().maxVoltage, 60000000);
        port.getPortControlStatus();
        tb.checkTestBoostState();
        QCOMPARE(m_dm->getTestBoostState(), (stTBState{2, 7}));

        m_dm->changeOperatingMode(OperatingModes::VLFCosRect);
        tb.appStateChanged(States::TestReadyToRun, States::TestRunning);
        QVERIFY(tb.isTestRunning());
        m_dm->changeOperatingMode(OperatingModes::VLFSin);
        QVERIFY(!tb.isTestRunning());

        m_tree->setSlaves({Switch});
        port.oneWireManager()->updateDeviceList();
        port.isExtPortDeviceConnected();
        QCOMPARE(m_dm->getTestBoostState(), (stTBState{0, 0}));
        QVERIFY(!tb.isPolling());
    }

    void emulationKeepsAPresentAccessory()
    {
        m_fixture->config()->setBoolean(QStringLiteral("/Device/VLFBoosterEmulation"), true);
        ExtPortManager port;
        TestBoostManagerExtPort tb(&port, std::make_unique<DataModelTestBoostModel>());
        QVERIFY(announce(port));
        m_tree->setSwitchState(Switch, 0xFF); // nothing active, no power
        m_tree->setStatusControl(Switch, 0x00);
        port.getPortControlStatus();
        port.checkPIOPortState();
        tb.checkTestBoostState();
        QCOMPARE(m_dm->getTestBoostState(), (stTBState{2, 7}));
        QVERIFY(hvEnableAllowed(true, m_dm->getTestBoostState()));
    }

    void virtualTestBoostFillsTheDataModel()
    {
        TestBoostManagerVirtual tb(std::make_unique<DataModelTestBoostModel>());
        QCOMPARE(m_dm->getTestBoostState(), (stTBState{2, 7}));
        QCOMPARE(m_dm->getTestBoostData().identifier, QStringLiteral("128311062000"));
        QCOMPARE(m_dm->getTestBoostData().ignitionPulse, 1);
    }

    void withoutADataModelNothingIsKnown()
    {
        DataModell::destroyInstance();
        m_dm = nullptr;
        QVERIFY(!GlobalFuncs::getDM());
        ExtPortManager port;
        TestBoostManagerExtPort tb(&port, std::make_unique<DataModelTestBoostModel>());
        QVERIFY(announce(port));
        tb.checkTestBoostState(); // must not crash
        QVERIFY(!tb.isTestRunning());
    }

private:
    // Lets the port find and announce the accessory.
    static bool announce(ExtPortManager& port)
    {
        port.oneWireManager()->updateDeviceList();
        QSignalSpy found(&port, &ExtPortManager::detectedExtPortDevice);
        port.isExtPortDeviceConnected();
        return found.wait(3000);
    }

    std::unique_ptr<DataModelFixture> m_fixture;
    std::unique_ptr<FakeW1Tree> m_tree;
    DataModell* m_dm = nullptr;
};

QTEST_GUILESS_MAIN(TstTestBoostDataModel)
#include "tst_testboostdatamodel.moc"
