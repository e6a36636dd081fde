#include "datamodel/DataModell.h"
#include "db/DB.h"
#include "fakes/DataModelFixture.h"
#include "gui/GuiViewModel.h"
#include "commissioning/CommissioningViewModel.h"
#include "commissioning/MachineBundle.h"

#include <QSignalSpy>
#include <QtTest>

// The root view model over a real data model: the properties the main window binds to
// and what it asks of the data model.
class TstGuiViewModel : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<DataModelFixture> m_fixture;
    QDateTime m_now;

    std::unique_ptr<GuiViewModel> makeViewModel()
    {
        auto vm = std::make_unique<GuiViewModel>();
        vm->setClock([this]() { return m_now; });
        return vm;
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        m_now = QDateTime(QDate(2026, 3, 1), QTime(12, 0, 0));
    }
    void cleanup() { m_fixture.reset(); }

    void propertiesFollowTheDataModel()
    {
        DataModell* dm = m_fixture->dm();
        auto vm = makeViewModel();

        // The mode string is empty while no mode is chosen.
        QCOMPARE(dm->getOperatingMode(), OperatingModes::None);
        QCOMPARE(vm->getModeString(), QString());

        dm->setHVUnitState(stHVUnitState(false, 0x00010000));
        QVERIFY(vm->isHvOn());
        dm->setHVUnitState(stHVUnitState(false, 0x00000001));
        QVERIFY(!vm->isHvOn());

        dm->setTestBoostState(stTBState{3, 7}, true);
        QCOMPARE(vm->testBoostState(), Qt::Unchecked);
        dm->setTestBoostState(stTBState{2, 0x2}, true);
        QCOMPARE(vm->testBoostState(), Qt::Checked);
        dm->setTestBoostState(stTBState{1, 0x1}, true);
        QCOMPARE(vm->testBoostState(), Qt::PartiallyChecked);

        // A state change must reach bindings on the state.
        QSignalSpy state(vm.get(), &GuiViewModel::stateChanged);
        dm->receiveAppEvent(eAppEvent::MainsOn);
        QTRY_VERIFY(state.size() >= 1);
        QCOMPARE(vm->state(), dm->getAppState());

        QSignalSpy cable(vm.get(), &GuiViewModel::cableNumberChanged);
        vm->setCableNumber(QStringLiteral("K-17"));
        vm->setCableNumber(QStringLiteral("K-17"));
        QCOMPARE(cable.size(), 1);
        // After a reset to default values the page still offers K-17; confirmed, the record gets it.
        dm->setTestSettingsDefault();
        vm->setCableNumber(QStringLiteral("K-17"));
        QCOMPARE(dm->getCableNumber(), QStringLiteral("K-17"));
        QCOMPARE(cable.size(), 1);
        QCOMPARE(vm->getCableNumbersLength(QStringLiteral(" K-1 ")), dm->getCableNumbers(QStringLiteral("K-1")).size());

        dm->setRemoteControlled(true, QStringLiteral("Service PC"));
        QVERIFY(vm->remoteControlled());
        QCOMPARE(vm->peerName(), QStringLiteral("Service PC"));
        dm->setRemoteControlled(false);
    }

    void modeStringNamesTheModeWithItsPolarity()
    {
        DataModell* dm = m_fixture->dm();
        auto vm = makeViewModel();
        dm->changeOperatingMode(OperatingModes::DC);
        QTRY_COMPARE(dm->getOperatingMode(), OperatingModes::DC);
        const QString name = vm->getModeString();
        QVERIFY(!name.isEmpty());
        const OpModeParameters* params = dm->getSettingParameters(OperatingModes::DC);
        if (params && params->isParameterEnabled(OpModeParameters::Polarity))
            QVERIFY(name.endsWith(QLatin1Char('+')) || name.endsWith(QLatin1Char('-')));
        QSignalSpy mode(vm.get(), &GuiViewModel::modeChanged);
        vm->onVoltagePolarityChanged();
        QCOMPARE(mode.size(), 1);
        QCOMPARE(mode.first().first().value<OperatingModes::OperatingMode>(), OperatingModes::DC);
    }

    void boosterEmulationSettingEnablesCosineRectangular()
    {
        auto vm = makeViewModel();
        DataModell* dm = m_fixture->dm();
        stIdentification id;
        id.operatingModeMask = quint64(1) << OperatingModes::VLFCosRect;
        dm->setHVIdentification(id);
        FakeConfig* config = m_fixture->config();
        // The emulated booster reads as present; the menu's enabling is run again with it.
        config->setBoolean(QStringLiteral("/Device/VLFBoosterEmulation"), true);
        dm->setTestBoostState(stTBState{0, 0}, true);
        QSignalSpy boost(vm.get(), &GuiViewModel::testBoostStateChanged);
        emit vm->settingsValueChanged(QStringLiteral("/Device/VLFBoosterEmulation"));
        QVERIFY(OperatingModes::getInstance()->isModeEnabled(OperatingModes::VLFCosRect));
        config->setBoolean(QStringLiteral("/Device/VLFBoosterEmulation"), false);
        dm->setTestBoostState(stTBState{0, 0}, true);
        emit vm->settingsValueChanged(QStringLiteral("/Device/VLFBoosterEmulation"));
        QVERIFY(!OperatingModes::getInstance()->isModeEnabled(OperatingModes::VLFCosRect));
        QCOMPARE(boost.size(), 3);
        emit vm->settingsValueChanged(QStringLiteral("/Device/Other"));
        QCOMPARE(boost.size(), 3);
    }

    // The database deletes every cable number that contains the text: an empty text
    // would wipe the whole list.
    void emptyCableNumberDeletesNothing()
    {
        DataModell* dm = m_fixture->dm();
        dm->addCableNumber(QStringLiteral("A-1"));
        dm->addCableNumber(QStringLiteral("B-2"));
        auto vm = makeViewModel();
        vm->deleteCableNumberFromDB(QStringLiteral("   "));
        vm->deleteCableNumberFromDB(QString());
        QCOMPARE(dm->getCableNumbers().size(), 2);
        vm->deleteCableNumberFromDB(QStringLiteral("A-1"));
        QCOMPARE(dm->getCableNumbers(), QStringList({QStringLiteral("B-2")}));
    }

    // A record keeps Latin-1 text: a comment beyond it is refused with a warning.
    void commentsTheRecordCannotHoldAreRefused()
    {
        auto vm = makeViewModel();
        QVERIFY(vm->acceptsComment(QStringLiteral("Muffe 3 erneuert, \u00B1 0,5 m")));
        QVERIFY(vm->messages().isEmpty());
        QVERIFY(!vm->acceptsComment(QStringLiteral("Joint \u03A9 3")));
        QCOMPARE(vm->messages().size(), 1);
        QCOMPARE(vm->messages().first().item->name(), QStringLiteral("CommentNotStorable"));
    }

    // Enabling commissioning builds the machines through the factory; without one it
    // only says so instead of ending the program.
    void commissioningMachinesComeFromTheFactory()
    {
        auto vm = makeViewModel();
        Commissioning::CommissioningViewModel* c = vm->commissioning();
        QSignalSpy enabled(vm.get(), &GuiViewModel::commissioningEnabledChanged);
        vm->enableCommissioning(true);
        QVERIFY(vm->commissioningEnabled());
        QVERIFY(!c->machines().safetyTest);

        int built = 0;
        c->takeCalibrationMachinesFactory([&built]() {
            ++built;
            return Commissioning::MachineBundle();
        });
        vm->enableCommissioning(true);
        QCOMPARE(built, 1);
        vm->enableCommissioning(false);
        QCOMPARE(built, 1);
        QVERIFY(!vm->commissioningEnabled());
        QCOMPARE(enabled.size(), 3);
    }
};

QTEST_MAIN(TstGuiViewModel)
#include "tst_guiviewmodel.moc"
