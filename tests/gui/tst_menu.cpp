#include "commissioning/CommissioningViewModel.h"
#include "datamodel/DataModell.h"
#include "fakes/DataModelFixture.h"
#include "fakes/FakeConfig.h"
#include "gui/DialogQueue.h"
#include "gui/GuiViewModel.h"
#include "gui/MainMenu.h"
#include "gui/MenuViewModel.h"
#include "gui/RestartMeasurement.h"
#include "gui/TestControl.h"
#include "gui/TestMeasurement.h"

#include <QSignalSpy>
#include <QtTest>

using M = OperatingModes;

namespace {
quint64 bits(std::initializer_list<M::OperatingMode> modes)
{
    quint64 mask = 0;
    for (M::OperatingMode m : modes)
        mask |= quint64(1) << int(m);
    return mask;
}

bool on(M::OperatingMode mode) { return M::getInstance()->isModeEnabled(mode); }

QList<M::OperatingMode> modesOf(const QList<MenuViewModel*>& nodes)
{
    QList<M::OperatingMode> out;
    for (MenuViewModel* n : nodes)
        out << n->mode();
    return out;
}

const QList<M::OperatingMode> kCalibrationGroup = {
    M::Calibration, M::SafetyCircuitCheck, M::OutputCalibration, M::CascadeCalibration,
    M::VoltageWaveformCheck, M::TanDCalibration, M::MaxCapacityLoad, M::CascadePowerEnvelope,
    M::LongDurationTest, M::SinusDiagnosis, M::ManualDiagnosis};
} // namespace

// The main menu's tree and enabling and the test control, alone and in the root view model.
class TstMenu : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<DataModelFixture> m_fixture;

    DataModell* dm() const { return m_fixture->dm(); }

    void setMask(quint64 mask)
    {
        stIdentification id;
        id.operatingModeMask = mask;
        id.valid = true;
        dm()->setHVIdentification(id);
    }

    void toIdle()
    {
        dm()->receiveAppEvent(eAppEvent::MainsOn);
        dm()->receiveAppEvent(eAppEvent::HVUnitInitialized);
        QCOMPARE(dm()->getAppState(), States::Idle);
    }

    static QList<int> events(const QSignalSpy& spy)
    {
        QList<int> out;
        for (const QList<QVariant>& args : spy)
            out << int(args.at(0).value<eAppEvent>());
        return out;
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
    }
    void cleanup() { m_fixture.reset(); }

    void everyCandidateHasItsNodeUnderItsGroup()
    {
        MainMenu menu;
        QSignalSpy changed(&menu, &MainMenu::entriesChanged);
        menu.build();
        menu.build();
        QCOMPARE(changed.size(), 1);
        // Every candidate has its node under its parent group, ordered by priority.
        QCOMPARE(modesOf(menu.entries()),
                 (QList<M::OperatingMode>{M::Withstand, M::Diagnosis, M::SheathFault, M::Calibration}));
        MenuViewModel* withstand = menu.find(M::Withstand);
        QCOMPARE(modesOf(withstand->menuEntries()),
                 (QList<M::OperatingMode>{M::DC, M::VLFSin, M::VLFRect, M::VLFCosRect}));
        QCOMPARE(menu.find(M::TanDelta), menu.find(M::Diagnosis)->menuEntries().first());
        QCOMPARE(menu.find(M::Decay), nullptr); // not a candidate
        QCOMPARE(withstand->icon(), QStringLiteral("qrc:/icons/mode_withstand.svg"));
        QCOMPARE(withstand->focusIcon(), QStringLiteral("qrc:/icons/mode_withstand_focus.svg"));
        QCOMPARE(menu.find(M::DC)->detailedDescription(), QStringLiteral("DC withstand test"));
        QCOMPARE(withstand->subMenuText(), QStringLiteral("SelectWithstandTest"));

        QSignalSpy retranslated(menu.find(M::DC), &MenuViewModel::languageChanged);
        emit menu.languageChanged();
        QCOMPARE(retranslated.size(), 1);
    }

    void commissioningOpensTheCalibrationGroupWhateverTheRule()
    {
        MainMenu menu;
        menu.build();
        const auto onlyDc = [](M::OperatingMode mode) { return mode == M::DC; };
        menu.enable(onlyDc, true);
        QVERIFY(on(M::DC) && on(M::Calibration) && on(M::SafetyCircuitCheck) && on(M::ManualDiagnosis));
        QVERIFY(!on(M::VLFSin) && !on(M::SheathPinpointing));
        menu.enable(onlyDc, false);
        QVERIFY(on(M::DC) && !on(M::Calibration) && !on(M::SafetyCircuitCheck) && !on(M::ManualDiagnosis));
        // A node once built stays; only an enabled mode's is handed out by add.
        QCOMPARE(menu.add(M::VLFSin), nullptr);
        QVERIFY(menu.find(M::VLFSin));
        QCOMPARE(menu.add(M::DC), menu.find(M::DC));
    }

    void treeFollowsTheIdentificationMask()
    {
        GuiViewModel vm;
        QSignalSpy menuChanged(&vm, &GuiViewModel::menuEntriesChanged);
        QSignalSpy tanDeltaShown(vm.getMenuEntry(M::TanDelta), &MenuViewModel::enabledChanged);
        setMask(bits({M::DC, M::VLFSin, M::MWTSingle, M::SheathTest, M::SheathPinpointing}));
        QCOMPARE(menuChanged.size(), 1);
        QVERIFY(!tanDeltaShown.isEmpty());
        QVERIFY(!vm.getMenuEntry(M::TanDelta)->enabled()); // no bit 11
        QVERIFY(vm.getMenuEntry(M::MWTSingle)->enabled());
        QVERIFY(on(M::Diagnosis) && on(M::DC) && !on(M::VLFRect));
        QVERIFY(!on(M::Calibration) && !on(M::SafetyCircuitCheck));
        // The test-boost mode needs the booster even with its bit.
        setMask(bits({M::VLFCosRect, M::SheathTest}));
        QVERIFY(!on(M::VLFCosRect) && !on(M::Withstand) && !on(M::Diagnosis));
        // A parent goes once its last child goes.
        QVERIFY(on(M::SheathFault));
        setMask(bits({M::DC}));
        QVERIFY(!on(M::SheathFault) && !vm.getMenuEntry(M::SheathFault)->enabled());

        // A forced mode is shown without its bit.
        m_fixture->config()->setLong(QStringLiteral("/Device/ForcedOperatingModes"), long(bits({M::TanDelta})));
        vm.initMenu();
        QVERIFY(on(M::TanDelta) && on(M::Diagnosis));
        // Forcing the calibration group too (a hand edit) is refused whole: it keeps its lock.
        ConfigTree::holdKeysTo(nullptr);
        m_fixture->config()->setLong(QStringLiteral("/Device/ForcedOperatingModes"), -1);
        DisplaySettings::holdConfigurationToBounds();
        vm.initMenu();
        QVERIFY(!on(M::TanDelta) && !on(M::Calibration) && !on(M::SafetyCircuitCheck));
    }

    void commissioningOpensTheCalibrationGroup()
    {
        GuiViewModel vm;
        // The bundle holds a token instead of machines: its use count shows whether it is kept.
        auto token = std::make_shared<int>(0);
        int built = 0;
        vm.commissioning()->takeCalibrationMachinesFactory([&token, &built]() {
            ++built;
            Commissioning::MachineBundle bundle;
            bundle.outputCalibration = std::shared_ptr<Commissioning::OutputCalibrationMachine>(token, nullptr);
            return bundle;
        });
        setMask(bits({M::DC}));
        QSignalSpy switched(&vm, &GuiViewModel::commissioningEnabledChanged);
        vm.enableCommissioning(true);
        for (M::OperatingMode mode : kCalibrationGroup)
            QVERIFY2(on(mode), qPrintable(M::getInstance()->getModeName(mode)));
        QVERIFY(!on(M::TanDelta));
        QCOMPARE(modesOf(vm.getMenuEntry(M::Calibration)->menuEntries()), kCalibrationGroup.mid(1));
        QCOMPARE(built, 1);
        QCOMPARE(token.use_count(), 2L);
        vm.enableCommissioning(false);
        QCOMPARE(token.use_count(), 1L);
        for (M::OperatingMode mode : kCalibrationGroup)
            QVERIFY(!on(mode));
        QVERIFY(on(M::DC));
        QCOMPARE(switched.size(), 2);
        QVERIFY(!vm.commissioningEnabled());
    }

    void equalPrioritiesKeepTheirOrder()
    {
        MenuViewModel parent;
        auto add = [&parent](M::OperatingMode mode) {
            auto* node = new MenuViewModel(&parent);
            node->setMode(mode);
            parent.addMenuEntry(node);
        };
        // Priority numbers: VLFSin 2, DC 1, TanDelta 1, SheathTest 1, Decay 6, MWTSingle 2.
        add(M::VLFSin);
        add(M::DC);
        add(M::Decay);
        add(M::TanDelta);
        add(M::MWTSingle);
        add(M::SheathTest);
        QCOMPARE(modesOf(parent.menuEntries()), (QList<M::OperatingMode>{M::DC, M::TanDelta, M::SheathTest,
                                                                          M::VLFSin, M::MWTSingle, M::Decay}));
    }

    void startAbortConfirmAndAcknowledge()
    {
        GuiViewModel vm;
        QSignalSpy sent(&vm, &GuiViewModel::sendAppEvent);
        QSignalSpy actions(&vm, &GuiViewModel::PerformExternalAction);
        QSignalSpy measureReset(vm.measure(), &TestMeasurement::measureParametersChanged);
        vm.startTest();
        QCOMPARE(measureReset.size(), 1);
        QCOMPARE(actions.size(), 1);
        QCOMPARE(actions.first().first().toString(), QStringLiteral("StartMode"));
        QVERIFY(sent.isEmpty());

        vm.confirmTestResults();
        vm.userAcknowledged();
        QCOMPARE(events(sent), (QList<int>{8, 26}));
        sent.clear();

        // Without confirmation the results page waits for the operator.
        toIdle();
        dm()->receiveAppEvent(eAppEvent::StartTest);
        vm.abortTest(false);
        emit dm()->appStateChanged(States::TestFinalizing, States::TestDataTransferred);
        QCOMPARE(events(sent), (QList<int>{10}));
        QVERIFY(!vm.abortConfirmationArmed());
    }

    void abortWithConfirmationIsArmedOnlyForARunningTest()
    {
        GuiViewModel vm;
        QSignalSpy sent(&vm, &GuiViewModel::sendAppEvent);
        toIdle();
        // In Idle there is nothing to abort: nothing may confirm the next test later.
        vm.abortTest();
        vm.abortTest(true);
        QVERIFY(!vm.abortConfirmationArmed());
        emit dm()->appStateChanged(States::TestFinalizing, States::TestDataTransferred);
        QCOMPARE(events(sent), (QList<int>{10, 10}));
        sent.clear();

        // During a test: pressed twice, confirmed once when the data is transferred.
        dm()->receiveAppEvent(eAppEvent::StartTest);
        QVERIFY(DataModell::isTestRunningState(dm()->getAppState()));
        vm.abortTest();
        vm.abortTest();
        QVERIFY(vm.abortConfirmationArmed());
        emit dm()->appStateChanged(States::TestSoftStop, States::TestFinalizing);
        emit dm()->appStateChanged(States::TestFinalizing, States::TestDataTransferred);
        emit dm()->appStateChanged(States::TestFinalizing, States::TestDataTransferred);
        QCOMPARE(events(sent), (QList<int>{10, 10, 8}));
        QVERIFY(!vm.abortConfirmationArmed());

        // An abort that ends in Idle disarms without confirming.
        sent.clear();
        vm.abortTest();
        emit dm()->appStateChanged(States::WaitHVFree, States::Idle);
        emit dm()->appStateChanged(States::TestFinalizing, States::TestDataTransferred);
        QCOMPARE(events(sent), (QList<int>{10}));
    }

    void restartConfirmsWaitsForIdleAndStartsOnce()
    {
        GuiViewModel vm;
        QSignalSpy sent(&vm, &GuiViewModel::sendAppEvent);
        QSignalSpy actions(&vm, &GuiViewModel::PerformExternalAction);

        // In Idle: started at once, and the object is gone.
        toIdle();
        vm.restartTest();
        QCOMPARE(actions.size(), 1);
        QVERIFY(sent.isEmpty());
        QTRY_VERIFY(!vm.restartPending());
        QVERIFY(vm.findChildren<RestartMeasurement*>().isEmpty());

        // After a test: 8 first, the start on Idle; pressed twice, one start.
        actions.clear();
        dm()->receiveAppEvent(eAppEvent::StartTest);
        emit dm()->appStateChanged(States::TestFinalizing, States::TestFinished);
        vm.restartTest();
        vm.restartTest();
        QVERIFY(vm.restartPending());
        emit dm()->appStateChanged(States::TestFinalizing, States::TestFinished);
        QCOMPARE(events(sent), (QList<int>{8}));
        QVERIFY(actions.isEmpty());
        emit dm()->appStateChanged(States::TestFinished, States::Idle);
        emit dm()->appStateChanged(States::TestFinished, States::Idle);
        QCOMPARE(actions.size(), 1);
        QCOMPARE(actions.first().first().toString(), QStringLiteral("StartMode"));
        QTRY_VERIFY(!vm.restartPending());
        emit dm()->appStateChanged(States::TestFinished, States::Idle);
        QCOMPARE(actions.size(), 1);

        // The page's start before Idle is the restart's one start; an abort takes it back.
        for (bool aborted : {false, true}) {
            actions.clear();
            vm.restartTest();
            vm.startTest();
            if (aborted)
                vm.abortTest(false);
            QVERIFY(actions.isEmpty());
            emit dm()->appStateChanged(States::TestFinished, States::Idle);
            QCOMPARE(actions.size(), aborted ? 0 : 1);
            QTRY_VERIFY(!vm.restartPending());
        }
    }

    // A start pressed while a failed start is left waits for Idle; one pressed as a tan delta
    // phase ends is the next phase's page's and confirms nothing (the sequence goes on).
    void startWhileAFailedStartIsLeft()
    {
        // The results waiting in TestFinished, or copied to the stick (TestDataTransferred).
        for (int left : {0, 1, 2}) {
            const bool phaseWaiting = left == 1;
            GuiViewModel vm;
            QSignalSpy sent(&vm, &GuiViewModel::sendAppEvent);
            QSignalSpy actions(&vm, &GuiViewModel::PerformExternalAction);
            toIdle();
            dm()->receiveAppEvent(eAppEvent::StartTest);
            dm()->receiveAppEvent(eAppEvent::HVUnitErrorDetected);
            if (left == 2) {
                dm()->receiveAppEvent(eAppEvent::ExportData);
                dm()->receiveAppEvent(eAppEvent::DataReady);
            }
            QCOMPARE(dm()->getAppState(), left == 2 ? States::TestDataTransferred : States::TestFinished);
            dm()->changeOperatingMode(phaseWaiting ? OperatingModes::TanDelta : OperatingModes::VLFSin);
            dm()->setPhasesToTest(IPhaseSelect::L1 | IPhaseSelect::L3);
            dm()->startCurrentPhase();
            vm.startTest();
            QCOMPARE(events(sent), phaseWaiting ? QList<int>() : QList<int>{8});
            QCOMPARE(actions.size(), phaseWaiting ? 1 : 0);
            dm()->receiveAppEvent(eAppEvent::TestResultConfirmed);
            QCOMPARE(actions.size(), 1);
            dm()->resetCurrentPhase();
            dm()->changeOperatingMode(OperatingModes::VLFSin);
        }
    }

    void hvOffFaultsCannotBeRejectedAndStartTheUnitOnce()
    {
        TestMeasurement measure;
        DialogQueue dialogs;
        TestControl control(measure, dialogs);
        QSignalSpy sent(&control, &TestControl::sendAppEvent);
        control.onOutputOffsetToBig();
        QCOMPARE(dialogs.questions().size(), 1);
        const DialogQueue::Question offset = dialogs.questions().at(0);
        QCOMPARE(offset.item->icon(), QStringLiteral("qrc:/icons/warning.svg"));
        QCOMPARE(offset.acceptText, QStringLiteral("OK"));
        QVERIFY(offset.rejectText.isEmpty());
        QCOMPARE(dialogs.questionButtonText(offset.id, 0), QString());

        control.onHvOvertemperatureDetected();
        control.onHvOvertemperatureDetected(); // the same fault again joins its question
        QCOMPARE(dialogs.questions().size(), 2);
        const DialogQueue::Question heat = dialogs.questions().at(0);
        QCOMPARE(heat.item->icon(), QStringLiteral("qrc:/icons/temperature.svg"));

        dialogs.hideQuestion(heat.id, 1);
        QCOMPARE(events(sent), (QList<int>{5}));
        emit dialogs.questionAnswered(heat.id, 1); // a late repeat is not acted on
        dialogs.hideQuestion(offset.id, 0);
        QCOMPARE(events(sent), (QList<int>{5}));
    }
};

QTEST_MAIN(TstMenu)
#include "tst_menu.moc"
