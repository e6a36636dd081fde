#include "WindowOperator.h"

#include "app/Application.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "fakes/FakeGpioTree.h"
#include "fakes/SimulatedSurroundings.h"
#include "fakes/Step.h"
#include "fakes/QmlWarnings.h"
#include "fakes/TempRoot.h"
#include "gui/Gui.h"
#include "hvsim/HvUnitSimulator.h"
#include "hvunit/SCPins.h"
#include "core/NumberString.h"
#include "testrun/TestChart.h"
#include "testrun/TestData.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <time.h>

namespace {

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

    // The record files of today in the instrument's store.
    static QStringList records()
    {
        const QDir day(GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements) + QLatin1Char('/')
                       + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
        QStringList out;
        for (const QString& name : day.entryList({QStringLiteral("*.vlf")}, QDir::Files, QDir::Name))
            out << day.absoluteFilePath(name);
        return out;
    }

    static QString storedComment(const QString& path)
    {
        TestChart::VLF::TestData data;
        return TestChart::loadTestData(path, &data) ? TestChart::VLF::info(data, 1, 25) : QStringLiteral("<unreadable>");
    }

    static QString storedCableNumber(const QString& path)
    {
        TestChart::VLF::TestData data;
        return TestChart::loadTestData(path, &data) ? TestChart::cableNumber(data) : QStringLiteral("<unreadable>");
    }

    void openHistory()
    {
        QVERIFY2(m_op->tap(QStringLiteral("activitiesButton")), qPrintable(m_op->lastError()));
        QVERIFY2(m_op->waitForPage(QStringLiteral("ActivitiesPage")), qPrintable(m_op->lastError()));
    }

    // With the knob on the first folder: open it, turn to its first test and select it.
    void selectFirstTest()
    {
        WindowOperator& op = *m_op;
        QTRY_VERIFY(op.find(QStringLiteral("activityList")) && op.find(QStringLiteral("activityList"))->hasActiveFocus());
        op.press();
        op.turn(1);
        op.press();
        QVERIFY2(op.waitFor(QStringLiteral("loadButton"), 5000), "one test is selected");
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
        const QStringList live = op.texts();
        shot(QStringLiteral("results"));
        STEP(leaveResults());

        // The stick comes in once the results were taken, so the record stays in the
        // instrument until the operator exports it.
        QVERIFY(m_root->writeFile(QStringLiteral("/media/USB/notes.txt"), "x"));
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getUSBState(), USBState_Ready, 10000);
        const QStringList stored = records();
        QCOMPARE(stored.size(), 1);
        const QString record = stored.first();

        STEP(openHistory());
        QVERIFY2(op.shows(QLocale().toString(QDate::currentDate(), dm()->getDateFormat())),
                 qPrintable(op.texts().join(QLatin1Char('|'))));
        QVERIFY(op.shows(QStringLiteral("K-0815")));
        shot(QStringLiteral("history"));
        STEP(selectFirstTest());
        shot(QStringLiteral("history-selected"));
        QVERIFY2(op.tap(QStringLiteral("loadButton")), qPrintable(op.lastError()));
        QVERIFY2(op.waitForPage(QStringLiteral("MeasurementResultsPage")), qPrintable(op.lastError()));
        // The stored test reads as the live one did.
        QTRY_COMPARE(op.text(QStringLiteral("verdictText")), QStringLiteral("Test passed"));
        QStringList loaded;
        for (const QString& text : op.texts())
            loaded << text.trimmed();
        for (const QString& text : {QStringLiteral("2.00"), QStringLiteral("500"), QStringLiteral("0.10"),
                                    QStringLiteral("L1")}) {
            QVERIFY2(live.contains(text), qPrintable(text));
            QVERIFY2(loaded.contains(text), qPrintable(text + QStringLiteral(": ") + loaded.join(QLatin1Char('|'))));
        }
        // The record keeps the peak of the voltage the live page showed as RMS.
        const double rms = live.value(live.indexOf(QStringLiteral("Voltage")) + 1).toDouble();
        const double peak = loaded.value(loaded.indexOf(QStringLiteral("Voltage")) + 1).toDouble();
        QVERIFY2(qAbs(peak - rms * M_SQRT2) < 0.1, qPrintable(QStringLiteral("%1 %2").arg(rms).arg(peak)));
        shot(QStringLiteral("stored-results"));

        // A comment reaches the record file.
        QVERIFY2(op.tap(QStringLiteral("addInfoButton")), qPrintable(op.lastError()));
        QVERIFY2(op.waitForPage(QStringLiteral("CommentEditPage")), qPrintable(op.lastError()));
        QTRY_VERIFY(op.find(QStringLiteral("commentField"))->hasActiveFocus());
        op.type(QStringLiteral("Joint 3 renewed"));
        shot(QStringLiteral("comment"));
        QVERIFY2(op.turnToAndPress(QStringLiteral("confirmButton")), qPrintable(op.lastError()));
        QVERIFY2(op.waitForPage(QStringLiteral("MeasurementResultsPage")), qPrintable(op.lastError()));
        QTRY_COMPARE_WITH_TIMEOUT(storedComment(record), QStringLiteral("Joint 3 renewed"), 10000);

        // Shared to the stick.
        QVERIFY2(op.tap(QStringLiteral("shareButton")), qPrintable(op.lastError()));
        QVERIFY2(op.waitForPage(QStringLiteral("SharePage")), qPrintable(op.lastError()));
        shot(QStringLiteral("share"));
        QVERIFY2(op.tap(QStringLiteral("usbButton")), qPrintable(op.lastError()));
        const QString exported = GlobalFuncs::getUsbPath(GlobalFuncs::UsbMeasurements) + QLatin1Char('/')
            + QFileInfo(record).dir().dirName() + QLatin1Char('/') + QFileInfo(record).fileName();
        QVERIFY2(op.waitForDialog(20000), qPrintable(op.lastError()));
        QTRY_VERIFY_WITH_TIMEOUT(op.shows(QStringLiteral("Data successfully exported to USB:")), 20000);
        shot(QStringLiteral("exported"));
        QVERIFY2(op.tap(QStringLiteral("confirmButton")), qPrintable(op.lastError()));
        QVERIFY(QFile::exists(exported));
        QCOMPARE(storedComment(exported), QStringLiteral("Joint 3 renewed"));
        QVERIFY2(op.tap(QStringLiteral("backButton")), qPrintable(op.lastError()));
        QVERIFY2(op.turnToAndPress(QStringLiteral("returnButton")), qPrintable(op.lastError()));

        // Deleted after the question: the file and its row are gone.
        QVERIFY2(op.waitForPage(QStringLiteral("ActivitiesPage")), qPrintable(op.lastError()));
        QTRY_VERIFY(op.shows(QStringLiteral("K-0815")));
        STEP(selectFirstTest());
        QVERIFY2(op.tap(QStringLiteral("deleteButton")), qPrintable(op.lastError()));
        QVERIFY2(op.waitForDialog(), qPrintable(op.lastError()));
        QVERIFY(op.shows(QStringLiteral("Delete measurements")));
        shot(QStringLiteral("delete-question"));
        QVERIFY2(op.tap(QStringLiteral("confirmButton")), qPrintable(op.lastError()));
        QVERIFY2(op.waitForPage(QStringLiteral("ActivitiesPage")), qPrintable(op.lastError()));
        QTRY_VERIFY(!QFile::exists(record));
        QVERIFY(!op.shows(QStringLiteral("K-0815")));
        shot(QStringLiteral("deleted"));
        QVERIFY2(op.tap(QStringLiteral("returnButton")), qPrintable(op.lastError()));
        QVERIFY2(op.waitForPage(QStringLiteral("MainPage")), qPrintable(op.lastError()));
        QVERIFY(QDir(m_root->path(QStringLiteral("/media/USB"))).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getUSBState(), USBState_NoStick, 10000);
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

        // The history opens the record with the same verdicts.
        STEP(openHistory());
        QTRY_VERIFY(op.shows(QStringLiteral("K-TD3")));
        STEP(selectFirstTest());
        QVERIFY2(op.tap(QStringLiteral("loadButton")), qPrintable(op.lastError()));
        QVERIFY2(op.waitForPage(QStringLiteral("MeasurementResultsPage")), qPrintable(op.lastError()));
        QTRY_COMPARE(QStringList({op.text(QStringLiteral("phaseResult0")), op.text(QStringLiteral("phaseResult1")),
                                  op.text(QStringLiteral("phaseResult2"))}),
                     verdicts);
        shot(QStringLiteral("stored-results"));

        // The test moves to another cable: the field starts with its number.
        const QString record = records().last();
        QVERIFY2(op.tap(QStringLiteral("editCableButton")), qPrintable(op.lastError()));
        QVERIFY2(op.waitForPage(QStringLiteral("CableDataPage")), qPrintable(op.lastError()));
        QTRY_COMPARE(op.text(QStringLiteral("cableNumberField")), QStringLiteral("K-TD3"));
        QTest::keyClick(op.window(), Qt::Key_A, Qt::ControlModifier);
        op.type(QStringLiteral("K-TD4"));
        QVERIFY2(op.turnToAndPress(QStringLiteral("confirmButton")), qPrintable(op.lastError()));
        QVERIFY2(op.waitForPage(QStringLiteral("MeasurementResultsPage")), qPrintable(op.lastError()));
        QTRY_COMPARE_WITH_TIMEOUT(storedCableNumber(record), QStringLiteral("K-TD4"), 10000);
        QVERIFY2(op.turnToAndPress(QStringLiteral("returnButton")), qPrintable(op.lastError()));
        QVERIFY2(op.waitForPage(QStringLiteral("ActivitiesPage")), qPrintable(op.lastError()));
        QTRY_VERIFY(op.shows(QStringLiteral("K-TD4")));
        QVERIFY(!op.shows(QStringLiteral("K-TD3")));
        shot(QStringLiteral("history-moved"));
        QVERIFY2(op.tap(QStringLiteral("returnButton")), qPrintable(op.lastError()));
        QVERIFY2(op.waitForPage(QStringLiteral("MainPage")), qPrintable(op.lastError()));
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

    // Run by hand, skipped in the suite:
    //   VLF_BENCH_MINUTES=10 QTEST_FUNCTION_TIMEOUT=1200000 /usr/bin/time -v tst_workflow benchmarkSineTest
    // A sine test on the unit's real clock, started from the window; prints the program's
    // CPU time per minute while the measurement page is shown.
    void benchmarkSineTest()
    {
        const int minutes = qEnvironmentVariableIntValue("VLF_BENCH_MINUTES");
        if (minutes <= 0 || minutes > 60)
            QSKIP("benchmark: set VLF_BENCH_MINUTES (1 to 60)");
        m_workflow = QStringLiteral("benchmark");
        WindowOperator& op = *m_op;
        m_sim->model().setTestDurationMs(0);
        m_sim->model().setClockScale(1);
        STEP(chooseMode(OperatingModes::Withstand, OperatingModes::VLFSin, QStringLiteral("K-BENCH")));
        STEP(confirmParameter());
        STEP(confirmParameter());
        STEP(turnSlider(minutes - 60));
        QTRY_COMPARE(op.text(QStringLiteral("valueText")), QString::number(minutes));
        STEP(confirmParameter());
        STEP(switchHvOn());
        QVERIFY2(op.waitForPage(QStringLiteral("MeasurementPage"), 20000), qPrintable(op.lastError()));
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::TestRunning, 10000);
        auto cpuSeconds = [] {
            timespec t {};
            clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
            return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
        };
        const double cpuStart = cpuSeconds();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(QTest::qWaitFor([&] { return op.shownType() != QLatin1String("MeasurementPage"); },
                                (minutes + 2) * 60000));
        const double cpu = cpuSeconds() - cpuStart;
        const double shownMinutes = double(clock.elapsed()) / 60000.0;
        std::printf("measurement page shown %.2f min: CPU %.2f s, %.2f s per minute (%.1f %% of one core)\n",
                    shownMinutes, cpu, cpu / shownMinutes, cpu / shownMinutes / 60.0 * 100.0);
        QVERIFY2(op.waitForPage(QStringLiteral("MeasurementResultsPage"), 20000), qPrintable(op.lastError()));
        QTRY_COMPARE(op.text(QStringLiteral("verdictText")), QStringLiteral("Test passed"));
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

    SimulatedSurroundings around;
    if (!around.start(true))
        return 1;

    auto app = std::make_unique<Application>(argc, argv);
    TstWorkflow tests(app.get(), &around.root, &around.sim);
    const int rc = QTest::qExec(&tests, argc, argv);
    app.reset();
    around.sim.stop();
    return rc;
}

#include "tst_workflow.moc"
