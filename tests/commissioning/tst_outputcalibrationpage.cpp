#include "app/DMhvStateSubscriber.h"
#include "commissioning/CommissioningViewModel.h"
#include "commissioning/OutputCalibrationMachine.h"
#include "commissioning/TimerScale.h"
#include "fakes/ProgramWindow.h"
#include "fakes/QmlWarnings.h"
#include "fakes/SimulatedSurroundings.h"
#include "hvunit/TPOF.h"

#include <QQuickItem>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <stdexcept>

// The output calibration as the operator runs it: the encoder in the program's window,
// the HV-on key on the simulated unit, the HV-enable line on the fake GPIO tree.
class TstOutputCalibrationPage : public QObject {
    Q_OBJECT
public:
    TstOutputCalibrationPage(Application* app, SimulatedSurroundings* around)
        : m_app(app), m_around(around), m_gpio(&around->gpio), m_unit(&around->sim.model()),
          m_ui("tst_outputcalibrationpage", m_gpio, m_unit)
    {
    }

private:
    Application* m_app;
    SimulatedSurroundings* m_around;
    FakeGpioTree* m_gpio;
    HvUnitModel* m_unit;
    ProgramWindow m_ui;

    GuiViewModel* vm() const { return m_ui.vm(); }
    QQuickItem* page() const { return m_ui.page(); }
    QQuickItem* item(const char* name) const { return m_ui.item(name); }
    bool openThePage()
    {
        return m_ui.openPage(OperatingModes::Calibration, OperatingModes::OutputCalibration, "outputVoltageCalibration");
    }
    bool reach(const QString& text) { return m_ui.reached(text, 10000); }
    // Once the step's output stood at its level the page offers Confirm.
    bool offered() { return QTest::qWaitFor([this] { return page()->property("confirmOffered").toBool(); }, 5000); }
    // A step begins with the knob on its action: a press confirms it once offered.
    bool confirmWithoutTurning()
    {
        if (!QTest::qWaitFor([this] { return item("confirmButton")->hasActiveFocus(); }, 5000) || !offered())
            return false;
        m_ui.press();
        return true;
    }
    // The frame has the line, the inputs and the HV states back.
    void checkHandedBack()
    {
        m_ui.checkHandedBack();
        QTRY_VERIFY(dynamic_cast<DMhvStateSubscriber*>(m_app->hvLink()->sub().get()));
        DataModell* dm = m_app->dataModel();
        QVERIFY(m_gpio->setLine(safetyLineOfBit(3), false));
        QTRY_VERIFY(!dm->getSafetyCircuitState().test(3));
        QVERIFY(m_gpio->setLine(safetyLineOfBit(3), true));
        QTRY_VERIFY(dm->getSafetyCircuitState().test(3));
    }

private slots:
    void initTestCase()
    {
        // A step's output settles in a tenth of its second.
        Commissioning::setTimerScale(0.1);
        QVERIFY(m_ui.attach(m_app));
        m_unit->setRampMs(0);
        m_unit->setGains(9870, 10120);
        QmlWarnings::install()->take();
        // As the calibration page of the unlocked service menu does.
        QVERIFY(vm()->settings()->unlockServiceMenu(QStringLiteral("VlfService1")));
        vm()->enableCommissioning(true);
    }
    void cleanup()
    {
        m_ui.useQuickTimes();
        QCOMPARE(QmlWarnings::install()->take(), QStringList());
    }

    void wholeCalibrationThroughThePage()
    {
        QVERIFY(openThePage());
        m_ui.shot(QStringLiteral("wait"));
        QVERIFY(reach(QStringLiteral("HVOn betätigen")));
        QVERIFY(m_ui.hvEnable());
        QVERIFY(!item("confirmButton")->isVisible());
        m_ui.shot(QStringLiteral("hv-on"));
        // The output rises through the step's range in 0.9 s, 36 readings here.
        m_unit->setRampMs(8000);
        m_unit->pressHvOn();

        QVERIFY(reach(QStringLiteral("Kalibrierung -37kV")));
        QVERIFY(!m_ui.keyboardShown());
        QTRY_VERIFY(item("confirmButton")->hasActiveFocus());
        QQuickItem* spin = item("spin");
        QVERIFY(spin->isVisible());
        QCOMPARE(spin->property("from").toInt(), -410);
        QCOMPARE(spin->property("to").toInt(), -330);
        QCOMPARE(spin->property("displayText").toString(), QStringLiteral("-37.0 kV"));
        // In the range but still moving: the page says why Confirm is held back.
        QTRY_COMPARE_WITH_TIMEOUT(m_ui.text("confirmReason"),
                                  QStringLiteral("Der Messwert streut: die Mittelwerte zweier Sekunden liegen mehr "
                                                 "als 0.3 kV auseinander."),
                                  15000);
        m_ui.shot(QStringLiteral("minus37-settling"));
        m_unit->setRampMs(0);
        QTRY_VERIFY(page()->property("measured").toString().startsWith(QStringLiteral("-37.0 kV")));
        QVERIFY(offered());
        QVERIFY(!m_ui.find(QStringLiteral("confirmReason")));
        m_ui.shot(QStringLiteral("minus37"));
        QVERIFY(m_ui.confirm());

        // +37.2 kV read on the meter: two steps up on the knob.
        QVERIFY(reach(QStringLiteral("Kalibrierung +37kV")));
        QCOMPARE(spin->property("from").toInt(), 330);
        QCOMPARE(spin->property("to").toInt(), 410);
        QVERIFY(m_ui.turnTo(spin));
        m_ui.press();
        QTest::keyClick(m_ui.window(), Qt::Key_Right);
        QTest::keyClick(m_ui.window(), Qt::Key_Right);
        m_ui.press();
        QCOMPARE(spin->property("displayText").toString(), QStringLiteral("37.2 kV"));
        m_ui.shot(QStringLiteral("plus37"));
        QVERIFY(offered());
        QVERIFY(m_ui.confirm());

        QVERIFY(reach(QStringLiteral("Bestätigung +37kV")));
        QTRY_COMPARE(page()->property("gains").toString(), QStringLiteral("GainU: 1.003   GainI: 1.012"));
        QCOMPARE(m_unit->gainU(), 10027); // (37.2 + 37.0) / 74 in units of 1/10000
        m_ui.shot(QStringLiteral("confirm-plus"));
        QVERIFY(confirmWithoutTurning());
        QVERIFY(reach(QStringLiteral("Bestätigung -37kV")));
        m_ui.shot(QStringLiteral("confirm-minus"));
        QVERIFY(confirmWithoutTurning());

        QVERIFY(reach(QStringLiteral("Kalibrierung erfolgreich beendet")));
        QCOMPARE(m_ui.headlineColor(), QColor(QStringLiteral("#2E9E4F")));
        m_ui.shot(QStringLiteral("done"));
        QCOMPARE(m_ui.trail("headline"),
                 QStringList({ "Warte", "HVOn betätigen", "Kalibrierung -37kV", "Kalibrierung +37kV",
                               "Bestätigung +37kV", "Bestätigung -37kV", "Kalibrierung erfolgreich beendet" }));
        // Never offered as a step begins: each step's output settled first.
        QStringList offers = m_ui.trail("confirmOffered");
        offers.erase(std::unique(offers.begin(), offers.end()), offers.end());
        QCOMPARE(offers, QStringList({ "false", "true", "false", "true", "false", "true", "false", "true", "false", "true" }));
        checkHandedBack();
        QCOMPARE(m_unit->gainU(), 10027);
        QCOMPARE(m_unit->gainI(), 10120);
        QCOMPARE(m_app->dataModel()->commissioningConfig().type, 2);
        QVERIFY(m_ui.confirm()); // now it closes the page
        QTRY_COMPARE(m_ui.depth(), 2);
    }

    // A failed run closes the page with its text, readable with no keyboard over it, and gives
    // everything back: a fault inside the procedure; the unit falling silent in a step (the
    // value stale and Confirm withdrawn as soon as the line is low, the gains owed in the
    // header until they are written, not a moment longer); a fault word that names no
    // condition (the word itself).
    void failureClosesThePageWithItsText_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("text"); // the dialog's start
        QTest::newRow("internal") << "failure" << "Die Prozedur wurde nach einem internen Fehler abgebrochen: probe";
        QTest::newRow("silent unit") << "silent" << QCoreApplication::translate("ErrorMessages", "ComErrorHVUnit");
        QTest::newRow("fault word") << "dsp-error" << "DSP Fehler: Zustandswort 0x0001";
    }
    void failureClosesThePageWithItsText()
    {
        QFETCH(QString, failure);
        QFETCH(QString, text);
        Commissioning::OutputCalibrationMachine* machine = vm()->commissioning()->machines().outputCalibration.get();
        // Set while the machine is idle; it reads the probe only in a run.
        if (failure == "failure")
            machine->setFaultProbe([](const char* point) {
                if (std::strcmp(point, "DCState::tick") == 0)
                    throw std::runtime_error("probe");
            });
        const auto owedShown = [this] {
            const QString told = QStringLiteral("Die Verstärkungen des HV-Geräts konnten nicht wiederhergestellt werden");
            const auto& m = vm()->messages();
            return std::any_of(m.cbegin(), m.cend(), [&told](const auto& e) { return e.item->name() == told; });
        };
        QVERIFY(openThePage());
        QVERIFY(reach(QStringLiteral("HVOn betätigen")));
        m_unit->pressHvOn();
        QVERIFY(failure == "failure" || (reach(QStringLiteral("Kalibrierung -37kV")) && offered()));
        if (failure == "silent") {
            m_around->sim.failNext(-1);
            QTRY_VERIFY_WITH_TIMEOUT(!m_ui.hvEnable(), 3000);
            QTRY_VERIFY_WITH_TIMEOUT(page()->property("stale").toBool(), 300);
            QVERIFY(!page()->property("confirmOffered").toBool());
            QCOMPARE(m_ui.text("confirmReason"), QStringLiteral("Das HV-Gerät antwortet nicht."));
            QVERIFY(m_ui.text("measuredValue").endsWith(QStringLiteral("(veraltet)")));
        } else if (failure == "dsp-error") {
            m_unit->setStateBits(1u << 16);
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_ui.depth() == 2, 10000);
        QVERIFY(m_ui.waitForDialog());
        const QString told = m_ui.question();
        QVERIFY2(failure == "dsp-error" ? told.startsWith(text) : told == text, qPrintable(told));
        QVERIFY(m_ui.shows(told) && !m_ui.keyboardShown());
        m_ui.shot(failure);
        if (failure == "silent") {
            QTRY_VERIFY(owedShown());
            m_ui.answer();
            m_ui.shot(QStringLiteral("gains-owed"));
            m_around->sim.clearFault();
        }
        m_unit->setStateBits(0);
        checkHandedBack();
        QTRY_COMPARE_WITH_TIMEOUT(m_unit->gainU(), 10027, 8000);
        QTRY_VERIFY_WITH_TIMEOUT(!owedShown(), 2000);
        if (failure != "silent")
            m_ui.answer();
        QMetaObject::invokeMethod(machine, [machine] { machine->setFaultProbe(nullptr); }, Qt::BlockingQueuedConnection);
    }

    // Cancel pressed twice at every stage: the second press falls on the list's entry, which
    // got the knob back, and starts nothing again. Pressed where the knob was as the first
    // step began (0.4 s after the HV-on key, the step taking the knob to Confirm): the press
    // was meant for Cancel, and the unit gets its stop.
    void doublePressOnCancel_data()
    {
        QTest::addColumn<int>("steps"); // confirmed before Cancel; -1: before the HV-on key
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<bool>("asStepBegins");
        QTest::newRow("waiting for HV on") << -1 << 300 << false;
        for (int steps = 0; steps < 4; ++steps)
            QTest::addRow("step %d", steps + 1) << steps << (steps % 2 ? 300 : 700) << false;
        QTest::newRow("waiting for HV on, 100 ms") << -1 << 100 << false;
        QTest::newRow("step 1, 100 ms") << 0 << 100 << false;
        QTest::newRow("0.4 s after the HV-on key") << 0 << 300 << true;
    }
    void doublePressOnCancel()
    {
        QFETCH(int, steps);
        QFETCH(int, gapMs);
        QFETCH(bool, asStepBegins);
        const quint16 gainU = m_unit->gainU(), gainI = m_unit->gainI();
        QVERIFY(openThePage());
        QVERIFY(reach(QStringLiteral("HVOn betätigen")));
        const QStringList heads = { "Kalibrierung -37kV", "Kalibrierung +37kV", "Bestätigung +37kV",
                                    "Bestätigung -37kV" };
        if (asStepBegins) {
            // Cancel, the page's only control while it waits, holds the knob.
            m_ui.useOperatorTimes();
            QTRY_VERIFY(item("cancelButton")->hasActiveFocus());
            m_ui.waitOutGuard();
        }
        if (steps >= 0)
            m_unit->pressHvOn();
        for (int step = 0; step < steps; ++step)
            QVERIFY(reach(heads[step]) && offered() && m_ui.confirm());
        QVERIFY(steps < 0 || reach(heads[steps]));
        m_ui.useOperatorTimes();
        const qint64 pressed = InputGuard::now();
        QVERIFY(!asStepBegins || (m_unit->outputOn() && !item("cancelButton")->hasActiveFocus()));
        QVERIFY2(m_ui.cancelTwice(gapMs, [&] { return m_unit->gainU() == gainU && m_unit->gainI() == gainI; },
                                  !asStepBegins),
                 qPrintable(m_ui.lastError()));
        const auto log = m_unit->commandLog();
        QVERIFY(std::any_of(log.cbegin(), log.cend(), [pressed](const HvUnitModel::Command& c) {
            return c.letter == 's' && c.atMs >= pressed && c.atMs <= pressed + 1000;
        }));
        checkHandedBack();
    }

    // Switched off in the middle of a run (the service menu locked): the page goes, the run
    // ends safely, and a run after switching on again works.
    void commissioningSwitchedOffMidRun()
    {
        QVERIFY(openThePage());
        QVERIFY(reach(QStringLiteral("HVOn betätigen")));
        m_unit->pressHvOn();
        QVERIFY(reach(QStringLiteral("Kalibrierung -37kV")));
        QVERIFY(m_unit->outputOn());
        QVERIFY(vm()->settings()->lockServiceMenu());
        QVERIFY(!vm()->commissioningEnabled());
        QTRY_VERIFY(m_ui.depth() < 3);
        checkHandedBack();
        QTRY_COMPARE_WITH_TIMEOUT(m_unit->gainU(), 10027, 8000);

        QVERIFY(vm()->settings()->unlockServiceMenu(QStringLiteral("VlfService1")));
        vm()->enableCommissioning(true);
        QVERIFY(openThePage());
        QVERIFY(reach(QStringLiteral("HVOn betätigen")));
        QVERIFY(m_ui.hvEnable());
        QVERIFY(m_ui.turnTo(item("cancelButton")));
        m_ui.press();
        QTRY_COMPARE(m_ui.depth(), 2);
        checkHandedBack();
    }
};

int main(int argc, char** argv)
{
    return runInProgram<TstOutputCalibrationPage>(argc, argv);
}

#include "tst_outputcalibrationpage.moc"
