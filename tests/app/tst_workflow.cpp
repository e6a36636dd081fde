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

#include <QDate>
#include <QDir>
#include <QQuickWindow>
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

    void init() { QmlWarnings::install()->take(); }

    void cleanup()
    {
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
        STEP(confirmParameter()); // voltage
        STEP(turnSlider(-59));
        STEP(confirmParameter()); // time
        STEP(switchHvOn());
        QVERIFY2(op.waitForPage(QStringLiteral("MeasurementPage"), 20000), qPrintable(op.lastError()));
        QTRY_VERIFY_WITH_TIMEOUT(dm()->getAppState() == States::TestRunning, 10000);
        shot(QStringLiteral("measurement"));
        QVERIFY2(op.waitForPage(QStringLiteral("MeasurementResultsPage"), 20000), qPrintable(op.lastError()));
        shot(QStringLiteral("results"));
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
