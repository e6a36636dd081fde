#include "WindowOperator.h"

#include "app/Application.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "fakes/FakeGpioTree.h"
#include "fakes/QmlWarnings.h"
#include "fakes/TempRoot.h"
#include "gui/Gui.h"
#include "hvsim/HvUnitSimulator.h"
#include "hvunit/SCPins.h"
#include "core/NumberString.h"

#include <QDate>
#include <QDir>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QTest>

// A step made of checks: the test stops where the step failed.
#define STEP(call)                                                                                                     \
    do {                                                                                                               \
        call;                                                                                                          \
        if (QTest::currentTestFailed())                                                                                \
            return;                                                                                                    \
    } while (false)

namespace {
QList<int> safetyLines()
{
    QList<int> lines;
    for (const SCPin& pin : SCPins)
        lines << pin.line;
    return lines;
}

QString modeButton(OperatingModes::OperatingMode mode)
{
    return QStringLiteral("modeButton%1").arg(int(mode));
}
} // namespace

// The acceptance test of the user interface: whole tests run by an operator who only
// works the window (taps, the encoder, the keys) and the HV unit's "HV on" key, against
// the real program with the simulated unit on a pseudo-terminal, every safety input
// closed and a temporary file-system root. The unit reports a short test time and runs
// its measurement clock fast, so each test takes seconds.
class TstWorkflow : public QObject {
    Q_OBJECT
public:
    TstWorkflow(Application* app, TempRoot* root, HvUnitSimulator* sim) : m_app(app), m_root(root), m_sim(sim) {}

private:
    DataModell* dm() const { return m_app->dataModel(); }

    // From the main page through the menu to the configuration page of a mode.
    void chooseMode(OperatingModes::OperatingMode group, OperatingModes::OperatingMode mode, const QString& cable)
    {
        WindowOperator& op = *m_op;
        QVERIFY2(op.waitForPage(QStringLiteral("MainPage")), qPrintable(op.lastError()));
        QVERIFY2(op.tap(modeButton(group)), qPrintable(op.lastError()));
        QVERIFY2(op.waitForPage(QStringLiteral("TestSelectionPage")), qPrintable(op.lastError()));
        shot(QStringLiteral("selection"));
        QVERIFY2(op.turnToAndPress(modeButton(mode)), qPrintable(op.lastError()));
        QVERIFY2(op.waitForPage(QStringLiteral("CableDataPage")), qPrintable(op.lastError()));
        QQuickItem* field = op.waitFor(QStringLiteral("cableNumberField"));
        QVERIFY(field);
        QTRY_VERIFY(field->hasActiveFocus());
        QTest::keyClick(op.window(), Qt::Key_A, Qt::ControlModifier);
        op.type(cable);
        QTRY_COMPARE(field->property("text").toString(), cable);
        shot(QStringLiteral("cable"));
        QVERIFY2(op.turnToAndPress(QStringLiteral("confirmButton")), qPrintable(op.lastError()));
        QVERIFY2(op.waitForPage(QStringLiteral("TestConfigurationPage")), qPrintable(op.lastError()));
    }

    // Edits the active parameter's slider by the encoder: press, turn, press.
    void turnSlider(int steps)
    {
        WindowOperator& op = *m_op;
        QVERIFY2(op.turnTo(QStringLiteral("valueSlider")), qPrintable(op.lastError()));
        op.press();
        op.turn(steps);
        op.press();
    }

    void confirmParameter()
    {
        QVERIFY2(m_op->turnToAndPress(QStringLiteral("confirmButton")), qPrintable(m_op->lastError()));
    }

    // Once the test started, the unit waits for its HV on key, which the operator presses.
    void switchHvOn()
    {
        WindowOperator& op = *m_op;
        QVERIFY2(op.waitForPage(QStringLiteral("MeasurementPreparationPage"), 20000), qPrintable(op.lastError()));
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::WaitHVOn, 20000);
        shot(QStringLiteral("preparation"));
        m_sim->model().pressHvOn();
    }

    // Return on the results page takes them and leads back to the test's configuration;
    // Back from there to the main page.
    void leaveResults()
    {
        QVERIFY2(m_op->turnToAndPress(QStringLiteral("returnButton")), qPrintable(m_op->lastError()));
        QVERIFY2(m_op->waitForPage(QStringLiteral("TestConfigurationPage")), qPrintable(m_op->lastError()));
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::Idle, 10000);
        STEP(backToMainPage());
    }

    void backToMainPage()
    {
        for (int i = 0; i < 5 && m_op->shownType() != QLatin1String("MainPage"); ++i) {
            const QString from = m_op->shownType();
            QVERIFY2(m_op->tap(QStringLiteral("backButton")), qPrintable(m_op->lastError()));
            QTRY_VERIFY(m_op->shownType() != from);
        }
        QVERIFY2(m_op->waitForPage(QStringLiteral("MainPage")), qPrintable(m_op->lastError()));
    }

    void shot(const QString& name)
    {
        QVERIFY2(m_op->screenshot(QStringLiteral("%1-%2").arg(m_workflow, name)), qPrintable(name));
    }

private slots:
    void initTestCase()
    {
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::Idle, 30000);
        auto* gui = qobject_cast<Gui*>(m_app->gui());
        QVERIFY(gui);
        auto* window = qobject_cast<QQuickWindow*>(gui->engine()->rootObjects().value(0));
        QVERIFY(window);
        window->requestActivate();
        QTRY_VERIFY(window->isExposed() && window->isActive());
        m_op = std::make_unique<WindowOperator>(window);
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getSafetyCircuitState(), SafetyCircuitBits(0x3FF), 5000);
        m_sim->model().setRampMs(300);
        m_sim->model().setTanDelta(1500, 0);
    }

    void init()
    {
        QmlWarnings::install()->take();
        // Each workflow starts where an operator finds the idle instrument.
        QVERIFY2(m_op->waitForPage(QStringLiteral("MainPage"), 2000) && dm()->getAppState() == States::Idle,
                 "an earlier workflow did not end on the main page");
    }

    void cleanup()
    {
        // What the operator saw where it went wrong.
        if (QTest::currentTestFailed())
            m_op->screenshot(m_workflow + QStringLiteral("-failed"));
        const QStringList warnings = QmlWarnings::install()->take();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
    }

    void sineTestFromTheMenu()
    {
        m_workflow = QStringLiteral("sine");
        WindowOperator& op = *m_op;
        // A one-minute test whose minute the unit's clock runs through in three seconds.
        m_sim->model().setTestDurationMs(60000);
        m_sim->model().setClockScale(20);
        shot(QStringLiteral("main"));
        STEP(chooseMode(OperatingModes::Withstand, OperatingModes::VLFSin, QStringLiteral("K-0815")));
        shot(QStringLiteral("configuration"));
        STEP(confirmParameter()); // phases
        STEP(turnSlider(5));
        QTRY_COMPARE(op.text(QStringLiteral("valueText")), QStringLiteral("7.6"));
        STEP(confirmParameter()); // voltage
        STEP(turnSlider(-59));
        QTRY_COMPARE(op.text(QStringLiteral("valueText")), QStringLiteral("1"));
        STEP(confirmParameter()); // time
        STEP(switchHvOn());
        QVERIFY2(op.waitForPage(QStringLiteral("MeasurementPage"), 20000), qPrintable(op.lastError()));
        // Live values: the gauge leaves zero and the remaining time counts.
        QTRY_VERIFY_WITH_TIMEOUT(op.text(QStringLiteral("overviewGauge")).contains(QStringLiteral("kV"))
                                     && !op.text(QStringLiteral("overviewGauge")).contains(QStringLiteral(" 0.0 kV")),
                                 10000);
        QVERIFY(op.shows(QStringLiteral("Test running")));
        shot(QStringLiteral("measurement"));

        QVERIFY2(op.waitForPage(QStringLiteral("MeasurementResultsPage"), 20000), qPrintable(op.lastError()));
        QTRY_COMPARE(op.text(QStringLiteral("verdictText")), QStringLiteral("Test passed"));
        // The time as run, to the unit's last sample.
        const QStringList shown = op.texts();
        QVERIFY2(shown.indexOf(QRegularExpression(QStringLiteral("^01:0[0-3]$"))) >= 0,
                 qPrintable(shown.join(QLatin1Char('|'))));
        QVERIFY(op.texts().contains(QStringLiteral("7.6")));
        shot(QStringLiteral("results"));
        STEP(leaveResults());
    }

    // Three phases one after the other: after each, a fresh confirmation page asks for the
    // next phase to be connected.
    void threePhaseTanDeltaTest()
    {
        m_workflow = QStringLiteral("tandelta");
        WindowOperator& op = *m_op;
        m_sim->model().setTestDurationMs(0);
        // A period of ten seconds passes in a fifth of a second.
        m_sim->model().setClockScale(50);
        STEP(chooseMode(OperatingModes::Diagnosis, OperatingModes::TanDelta, QStringLiteral("K-TD3")));
        for (int phase = 0; phase < 3; ++phase) {
            QQuickItem* button = op.waitFor(QStringLiteral("phaseButton%1").arg(phase));
            QVERIFY(button);
            if (!button->property("checked").toBool())
                QVERIFY(op.tap(QStringLiteral("phaseButton%1").arg(phase)));
            QTRY_VERIFY(button->property("checked").toBool());
        }
        shot(QStringLiteral("configuration"));
        STEP(confirmParameter()); // phases
        STEP(confirmParameter()); // insulation
        STEP(confirmParameter()); // voltage U0

        // Each phase of the cable has its own losses: below, between and above the
        // standard's bounds at U0.
        const QList<quint32> tanDelta = {800, 7000, 60000};
        for (int phase = 0; phase < 3; ++phase) {
            QVERIFY2(op.waitForPage(QStringLiteral("TestConfirmationPage"), 20000), qPrintable(op.lastError()));
            QTRY_VERIFY(op.shows(QStringLiteral("Switch the high voltage on for phase L%1").arg(phase + 1)));
            QVERIFY(op.shows(phase == 0 ? QStringLiteral("Connect to phase L1")
                                        : QStringLiteral("L%1 done, reconnect to phase L%2").arg(phase).arg(phase + 1)));
            shot(QStringLiteral("confirmation-L%1").arg(phase + 1));
            // Rows confirmed for an earlier phase stay confirmed.
            for (int row = 0; QQuickItem* button = op.find(QStringLiteral("rowConfirmButton%1").arg(row)); ++row) {
                if (button->isEnabled())
                    QVERIFY2(op.turnToAndPress(button->objectName()), qPrintable(op.lastError()));
            }
            m_sim->model().setTanDelta(tanDelta.at(phase), 0);
            STEP(switchHvOn());
            QVERIFY2(op.waitForPage(QStringLiteral("MeasurementPage"), 20000), qPrintable(op.lastError()));
            if (phase == 0)
                shot(QStringLiteral("measurement"));
            QTRY_VERIFY_WITH_TIMEOUT(dm()->getAppState() != States::TestRunning, 30000);
        }
        QVERIFY2(op.waitForPage(QStringLiteral("MeasurementResultsPage"), 20000), qPrintable(op.lastError()));
        // The verdicts stand once the last phase's results are taken.
        QVERIFY2(op.waitFor(QStringLiteral("returnButton"), 20000), qPrintable(op.lastError()));
        const QStringList verdicts = {op.text(QStringLiteral("phaseResult0")), op.text(QStringLiteral("phaseResult1")),
                                      op.text(QStringLiteral("phaseResult2"))};
        QCOMPARE(verdicts, QStringList({QStringLiteral("no action required"), QStringLiteral("further study advised"),
                                        QStringLiteral("action required")}));
        shot(QStringLiteral("results"));
        m_sim->model().setClockScale(1);
        STEP(leaveResults());
    }

    // The cable breaks down during a sine test: the burning ends with HV off, and the
    // result names the voltage of the breakdown.
    void breakdownDuringSineTest()
    {
        m_workflow = QStringLiteral("breakdown");
        WindowOperator& op = *m_op;
        m_sim->model().setTestDurationMs(600000);
        m_sim->model().setClockScale(1);
        STEP(chooseMode(OperatingModes::Withstand, OperatingModes::VLFSin, QStringLiteral("K-0816")));
        for (int i = 0; i < 3; ++i)
            STEP(confirmParameter());
        STEP(switchHvOn());
        QVERIFY2(op.waitForPage(QStringLiteral("MeasurementPage"), 20000), qPrintable(op.lastError()));
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::TestRunning, 10000);
        QTest::qWait(1000);
        m_sim->model().triggerBreakdown();
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::TestBurning, 10000);
        shot(QStringLiteral("burning"));
        QVERIFY2(op.turnToAndPress(QStringLiteral("hvOffButton")), qPrintable(op.lastError()));
        QVERIFY2(op.waitForPage(QStringLiteral("MeasurementResultsPage"), 20000), qPrintable(op.lastError()));
        QTRY_COMPARE(op.text(QStringLiteral("verdictText")), QStringLiteral("Test Failed"));
        const QString voltage = NumberString::voltage(dm()->getFaultValues().faultVoltage).first;
        QTRY_VERIFY2(op.text(QStringLiteral("resultDetail")).contains(QStringLiteral("Breakdown detected at ") + voltage),
                     qPrintable(op.text(QStringLiteral("resultDetail")) + QStringLiteral(" / ") + voltage));
        shot(QStringLiteral("results"));
        STEP(leaveResults());
    }

private:
    Application* m_app;
    TempRoot* m_root;
    HvUnitSimulator* m_sim;
    std::unique_ptr<WindowOperator> m_op;
    QString m_workflow;
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QUICK_BACKEND", "software");
    qputenv("QT_IM_MODULE", "qtvirtualkeyboard");
    qunsetenv("CONSOLE_LOGGING");
    QmlWarnings::install();

    TempRoot root;
    FakeGpioTree gpio(safetyLines(), {HVEnableLine});
    HvUnitSimulator sim;
    // The unit switches its output on only while the program holds the HV-enable line.
    sim.model().setHvEnableProbe([&gpio] { return gpio.lastWritten(HVEnableLine) == '1'; });
    if (!sim.start()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    qputenv("SERIAL_COMDEVICE", sim.slavePath().toLocal8Bit());

    auto app = std::make_unique<Application>(argc, argv);
    TstWorkflow tests(app.get(), &root, &sim);
    const int rc = QTest::qExec(&tests, argc, argv);
    app.reset();
    sim.stop();
    return rc;
}

#include "tst_workflow.moc"
