#include "app/DMhvStateSubscriber.h"
#include "commissioning/CommissioningViewModel.h"
#include "commissioning/OutputCalibrationMachine.h"
#include "fakes/ProgramWindow.h"
#include "fakes/QmlWarnings.h"
#include "fakes/SimulatedSurroundings.h"
#include "hvunit/TPOF.h"

#include <QQuickItem>
#include <QTest>

#include <cstring>
#include <stdexcept>

// The output calibration as the operator runs it: the encoder in the program's window,
// the HV-on key on the simulated unit, the HV-enable line on the fake GPIO tree.
class TstOutputCalibrationPage : public QObject {
    Q_OBJECT
public:
    TstOutputCalibrationPage(Application* app, FakeGpioTree* gpio, HvUnitModel* unit)
        : m_app(app), m_gpio(gpio), m_unit(unit)
    {
    }

private:
    Application* m_app;
    FakeGpioTree* m_gpio;
    HvUnitModel* m_unit;
    ProgramWindow m_ui { "tst_outputcalibrationpage" };
    QQuickWindow* m_window = nullptr;
    QStringList m_headlines; // every head line the procedure's pages showed, in order

    GuiViewModel* vm() const { return m_ui.vm(); }
    QQuickItem* page() const { return m_ui.page(); }
    int depth() const { return m_ui.depth(); }
    QQuickItem* item(const char* name) const { return m_ui.item(name); }
    QString headline() const { return m_ui.headline(); }
    bool hvEnable() const { return m_gpio->lastWritten(HVEnableLine) == '1'; }

    void shot(const QString& name) { m_ui.shot(name); }
    bool turnTo(QQuickItem* target) { return m_ui.turnTo(target); }
    void press() { m_ui.press(); }
    // From the main page through the Calibration group, or from the group's page, to the
    // procedure's page.
    bool openThePage()
    {
        if (!m_ui.turnToEntry(OperatingModes::Calibration, OperatingModes::OutputCalibration))
            return false;
        press();
        return depth() == 3 && page()->objectName() == QLatin1String("outputVoltageCalibration");
    }
    bool reach(const QString& text)
    {
        if (QTest::qWaitFor([&] { return headline() == text; }, 10000))
            return true;
        qWarning() << "head line:" << headline();
        return false;
    }
    bool confirm()
    {
        QQuickItem* button = item("confirmButton");
        if (!QTest::qWaitFor([button] { return button->isEnabled() && button->isVisible(); }, 10000)
            || !turnTo(button))
            return false;
        press();
        return true;
    }
    // The frame has the line, the inputs and the HV states back.
    void checkHandedBack()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!hvEnable(), 8000);
        QTRY_VERIFY(!m_app->safetyCircuit()->commissioningHoldsHvEnable());
        QTRY_VERIFY(!m_unit->outputOn());
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
        QVERIFY(m_ui.attach(m_app));
        m_window = m_ui.window();
        // Each page the stack shows reports its head lines.
        connect(m_ui.stack(), SIGNAL(currentItemChanged()), this, SLOT(followPage()));
        m_unit->setRampMs(0);
        m_unit->setGains(9870, 10120);
        QmlWarnings::install()->take();
        // As the calibration page of the unlocked service menu does.
        QVERIFY(vm()->settings()->unlockServiceMenu(QStringLiteral("VlfService1")));
        vm()->enableCommissioning(true);
    }
    void cleanup() { QCOMPARE(QmlWarnings::install()->take(), QStringList()); }

public slots:
    void followPage()
    {
        QQuickItem* current = page();
        if (!current || current->objectName() != QLatin1String("outputVoltageCalibration"))
            return;
        m_headlines << current->property("headline").toString();
        connect(current, SIGNAL(headlineChanged()), this, SLOT(noteHeadline()));
    }
    void noteHeadline()
    {
        if (auto* current = qobject_cast<QQuickItem*>(sender()))
            m_headlines << current->property("headline").toString();
    }

private slots:
    void wholeCalibrationThroughThePage()
    {
        m_headlines.clear();
        QVERIFY(openThePage());
        shot(QStringLiteral("wait"));
        QVERIFY(reach(QStringLiteral("HVOn betätigen")));
        QVERIFY(hvEnable());
        QVERIFY(!item("confirmButton")->isVisible());
        shot(QStringLiteral("hv-on"));
        m_unit->pressHvOn();

        QVERIFY(reach(QStringLiteral("Kalibrierung -37kV")));
        QQuickItem* spin = item("spin");
        QVERIFY(spin->isVisible());
        QCOMPARE(spin->property("from").toInt(), -410);
        QCOMPARE(spin->property("to").toInt(), -330);
        QCOMPARE(spin->property("displayText").toString(), QStringLiteral("-37.0 kV"));
        QTRY_VERIFY(page()->property("measured").toString().startsWith(QStringLiteral("-37.0 kV")));
        shot(QStringLiteral("minus37"));
        QVERIFY(confirm());

        // +37.2 kV read on the meter: two steps up on the knob.
        QVERIFY(reach(QStringLiteral("Kalibrierung +37kV")));
        QCOMPARE(spin->property("from").toInt(), 330);
        QCOMPARE(spin->property("to").toInt(), 410);
        QVERIFY(turnTo(spin));
        press();
        QTest::keyClick(m_window, Qt::Key_Right);
        QTest::keyClick(m_window, Qt::Key_Right);
        press();
        QCOMPARE(spin->property("displayText").toString(), QStringLiteral("37.2 kV"));
        shot(QStringLiteral("plus37"));
        QVERIFY(confirm());

        QVERIFY(reach(QStringLiteral("Bestätigung +37kV")));
        QTRY_COMPARE(page()->property("gains").toString(), QStringLiteral("GainU: 1.003   GainI: 1.012"));
        QCOMPARE(m_unit->gainU(), 10027); // (37.2 + 37.0) / 74 in units of 1/10000
        shot(QStringLiteral("confirm-plus"));
        QVERIFY(confirm());
        QVERIFY(reach(QStringLiteral("Bestätigung -37kV")));
        shot(QStringLiteral("confirm-minus"));
        QVERIFY(confirm());

        QVERIFY(reach(QStringLiteral("Kalibrierung erfolgreich beendet")));
        QCOMPARE(page()->property("headlineColor").value<QColor>(), QColor(QStringLiteral("#2E9E4F")));
        shot(QStringLiteral("done"));
        QCOMPARE(m_headlines,
                 QStringList({ "Warte", "HVOn betätigen", "Kalibrierung -37kV", "Kalibrierung +37kV",
                               "Bestätigung +37kV", "Bestätigung -37kV", "Kalibrierung erfolgreich beendet" }));
        checkHandedBack();
        QCOMPARE(m_unit->gainU(), 10027);
        QCOMPARE(m_unit->gainI(), 10120);
        QCOMPARE(m_app->dataModel()->commissioningConfig().type, 2);
        QVERIFY(confirm()); // now it closes the page
        QTRY_COMPARE(depth(), 2);
    }

    void injectedFailureClosesThePageWithItsText()
    {
        Commissioning::OutputCalibrationMachine* machine = vm()->commissioning()->machines().outputCalibration.get();
        // Set while the machine is idle; it reads the probe only in a run.
        machine->setFaultProbe([](const char* point) {
            if (std::strcmp(point, "DCState::tick") == 0)
                throw std::runtime_error("probe");
        });
        QVERIFY(openThePage());
        QVERIFY(reach(QStringLiteral("HVOn betätigen")));
        m_unit->pressHvOn();
        QTRY_VERIFY_WITH_TIMEOUT(depth() == 2, 10000);
        const QString text = QStringLiteral("Die Prozedur wurde nach einem internen Fehler abgebrochen: probe");
        QTRY_VERIFY(!vm()->questions().isEmpty());
        QCOMPARE(vm()->questions().first().item->name(), text);
        shot(QStringLiteral("failure"));
        checkHandedBack();
        QTRY_COMPARE_WITH_TIMEOUT(m_unit->gainU(), 10027, 8000);
        vm()->hideQuestion(vm()->questions().first().id, 1);
        QTRY_COMPARE(m_window->property("dialogLayer").value<QQuickItem*>()->property("depth").toInt(), 0);
        QMetaObject::invokeMethod(machine, [machine] { machine->setFaultProbe(nullptr); }, Qt::BlockingQueuedConnection);
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
        QTRY_VERIFY(depth() < 3);
        checkHandedBack();
        QTRY_COMPARE_WITH_TIMEOUT(m_unit->gainU(), 10027, 8000);

        QVERIFY(vm()->settings()->unlockServiceMenu(QStringLiteral("VlfService1")));
        vm()->enableCommissioning(true);
        QVERIFY(openThePage());
        QVERIFY(reach(QStringLiteral("HVOn betätigen")));
        QVERIFY(hvEnable());
        QVERIFY(turnTo(item("cancelButton")));
        press();
        QTRY_COMPARE(depth(), 2);
        checkHandedBack();
    }
};

int main(int argc, char** argv)
{
    return runInProgram<TstOutputCalibrationPage>(argc, argv);
}

#include "tst_outputcalibrationpage.moc"
