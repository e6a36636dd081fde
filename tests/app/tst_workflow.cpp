#include "app/Application.h"
#include "core/GlobalFuncs.h"
#include "core/NumberString.h"
#include "datamodel/DataModell.h"
#include "fakes/LogRecorder.h"
#include "fakes/ProgramWindow.h"
#include "fakes/QmlWarnings.h"
#include "fakes/SimulatedSurroundings.h"
#include "fakes/Step.h"
#include "gui/InputGuard.h"
#include "gui/TestMeasurement.h"
#include "logging/LoggingCtrl.h"
#include "testrun/TestChart.h"
#include "testrun/TestData.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <time.h>

// One step of the operator on the window; a failed one says what the window showed.
#define UI(call) QVERIFY2(m_ui.call, qPrintable(m_ui.lastError()))

// The acceptance test of the user interface: whole tests run by an operator who only
// works the window (taps, the encoder, the keys) and the HV unit's "HV on" key, against
// the real program with the simulated unit on a pseudo-terminal, every safety input
// closed and a temporary file-system root. The unit reports a short test time and runs
// its measurement clock fast, so each test takes seconds.
class TstWorkflow : public QObject {
    Q_OBJECT
public:
    TstWorkflow(Application* app, SimulatedSurroundings* around) : m_app(app), m_around(around) {}

private:
    DataModell* dm() const { return m_app->dataModel(); }
    HvUnitModel& unit() const { return m_around->sim.model(); }

    // From the main page through the menu to the configuration page of a mode.
    void chooseMode(OperatingModes::OperatingMode group, OperatingModes::OperatingMode mode, const QString& cable)
    {
        UI(waitForPage("MainPage"));
        UI(tap(QStringLiteral("modeButton%1").arg(int(group))));
        UI(waitForPage("TestSelectionPage"));
        shot("selection");
        UI(turnToAndPress(QStringLiteral("modeButton%1").arg(int(mode))));
        UI(waitForPage("CableDataPage"));
        QQuickItem* field = m_ui.waitFor("cableNumberField");
        QVERIFY(field);
        QTRY_VERIFY(field->hasActiveFocus());
        m_ui.retype(cable);
        QTRY_COMPARE(field->property("text").toString(), cable);
        shot("cable");
        UI(turnToAndPress("confirmButton"));
        UI(waitForPage("TestConfigurationPage"));
    }

    // Edits the active parameter's slider by the encoder (press, turn, press), checks the
    // value shown and confirms it unless told not to.
    void setParameter(int steps, const QString& shown, bool confirm = true)
    {
        UI(turnTo("valueSlider"));
        m_ui.press();
        m_ui.turn(steps);
        m_ui.press();
        QTRY_COMPARE(m_ui.text("valueText"), shown);
        if (confirm)
            UI(turnToAndPress("confirmButton"));
    }

    // Once the test started, the unit waits for its HV on key, which the operator presses;
    // the measurement follows.
    void switchHvOn()
    {
        UI(waitForPage("MeasurementPreparationPage", 20000));
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::WaitHVOn, 20000);
        shot("preparation");
        unit().pressHvOn();
        UI(waitForPage("MeasurementPage", 20000));
    }

    // The unit's error cleared, it is switched off and on: a page that started in the error
    // has gone, and no start is left behind it.
    void unitBackWithoutError()
    {
        unit().clearError(HVStateBits::Overcurrent);
        m_around->sim.setFault(HvUnitSimulator::Fault::Silence);
        QTRY_VERIFY_WITH_TIMEOUT(dm()->getHVUnitState().comError, 10000);
        m_around->sim.clearFault();
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::Idle, 10000);
        UI(waitForPage("TestConfigurationPage"));
        QTest::qWait(1000);
        QCOMPARE(dm()->getAppState(), States::Idle);
        QVERIFY(!unit().outputOn());
    }

    // The unit falls silent; the program tells it has lost it.
    void silenceUnit()
    {
        m_log->clear();
        m_around->sim.setFault(HvUnitSimulator::Fault::Silence);
        QVERIFY(m_log->waitFor([](const LoggingData& r) { return r.text == "Communication with the HV unit lost"; }, 10000));
    }

    // From a tan delta phase's confirmation the operator goes back, confirms the test's
    // configuration again and the rows it asks, from L1.
    void configureFromL1()
    {
        UI(tap("cancelButton"));
        UI(waitForPage("TestConfigurationPage"));
        while (m_ui.shownType() == QLatin1String("TestConfigurationPage"))
            UI(turnToAndPress("confirmButton"));
        UI(waitForPage("TestConfirmationPage"));
        QTRY_VERIFY(m_ui.shows("Connect to phase L1"));
        for (const QString button : {"rowConfirmButton0", "rowConfirmButton1"})
            UI(turnToAndPress(button));
    }

    // Every remaining-time text of the next test, from its first sample on.
    void followCountdown()
    {
        m_countdown.clear();
        m_countdownEnds.clear();
        TestMeasurement* measure = m_ui.vm()->measure();
        QObject::disconnect(measure, &TestMeasurement::remainingTextChanged, this, nullptr);
        connect(measure, &TestMeasurement::remainingTextChanged, this,
                [this, measure] { m_countdown << measure->remainingText(); });
        connect(measure, &TestMeasurement::remainingTextChanged, this,
                [this, measure] { m_countdownEnds << qint64(measure->currentTime()) + measure->remainingTime(); });
    }

    // A target by the VOLTAGE key: press, turn (the marker stays on the trace's voltage
    // axis), press; the unit has it at once.
    void chooseTarget(int clicks, qint64 millivolts)
    {
        UI(turnTo("voltageButton"));
        m_ui.press();
        m_ui.turn(clicks);
        QPointer<QQuickItem> marker = m_ui.find("traceTarget");
        auto plot = [marker] { return marker->property("chart").value<QObject*>()->property("plotArea").toRectF(); };
        QTRY_VERIFY(marker && plot().contains(marker->x(), marker->y()));
        m_ui.press();
        QTRY_COMPARE_WITH_TIMEOUT(unit().setVoltage(), millivolts, 1000);
    }

    // What the unit was told with one command since the log was cleared: 't' the minutes
    // of each test, 'u' the set points in mV.
    QList<quint64> sent(char command) const
    {
        QList<quint64> out;
        for (const HvUnitModel::Command& c : unit().commandLog())
            if (c.letter == command)
                out << c.value1;
        return out;
    }

    // The start went through InitTest to the unit, which waits for its HV on key; HV off.
    void startedThenHvOff()
    {
        UI(waitForPage("MeasurementPreparationPage", 20000));
        UI(turnToAndPress("hvOffButton"));
        UI(waitForPage("MeasurementResultsPage", 20000));
        STEP(leaveResults());
    }

    void resultsRead(const QString& verdict)
    {
        UI(waitForPage("MeasurementResultsPage", 20000));
        QTRY_COMPARE(m_ui.text("verdictText"), verdict);
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

    static QByteArray readAll(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static TestChart::VLF::TestData load(const QString& path)
    {
        TestChart::VLF::TestData data;
        return TestChart::loadTestData(path, &data) ? data : TestChart::VLF::TestData();
    }

    // With the knob on the first folder: open it, turn to its first test and select it.
    void selectFirstTest(const QString& cable)
    {
        UI(waitForPage("ActivitiesPage"));
        QTRY_VERIFY(m_ui.shows(cable));
        shot("history");
        QTRY_VERIFY(m_ui.find("activityList") && m_ui.find("activityList")->hasActiveFocus());
        m_ui.press();
        m_ui.turn(1);
        m_ui.press();
        QVERIFY2(m_ui.waitFor("loadButton", 5000), "one test is selected");
    }

    // The history shows today's folder with the cable; its first test opens in the results.
    void openStoredTest(const QString& cable)
    {
        UI(tap("activitiesButton"));
        STEP(selectFirstTest(cable));
        QVERIFY2(m_ui.shows(QLocale().toString(QDate::currentDate(), dm()->getDateFormat())),
                 qPrintable(m_ui.texts().join(QLatin1Char('|'))));
        shot("history-selected");
        UI(tap("loadButton"));
        UI(waitForPage("MeasurementResultsPage"));
    }

    // Return on the results page takes them and leads back to the test's configuration;
    // Back from there to the main page. Tapped twice in a hurry, the second tap falls where
    // the configuration has its Back, and is dropped.
    void leaveResults(bool hurried = false)
    {
        if (hurried)
            m_ui.useOperatorTimes();
        QVERIFY2(hurried ? m_ui.tapTwice("returnButton", 300) : m_ui.turnToAndPress("returnButton"),
                 qPrintable(m_ui.lastError()));
        m_ui.useQuickTimes();
        UI(waitForPage("TestConfigurationPage"));
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::Idle, 10000);
        STEP(backToMain());
    }
    void backToMain()
    {
        for (int i = 0; i < 5 && m_ui.shownType() != QLatin1String("MainPage"); ++i) {
            const QString from = m_ui.shownType();
            UI(tap("backButton"));
            QTRY_VERIFY(m_ui.shownType() != from);
        }
        UI(waitForPage("MainPage"));
    }

    void shot(const QString& name) { m_ui.shot(m_workflow + QLatin1Char('-') + name); }

    // HV off 0.25 s after the live page came up, within the window's guard time: tapped, or
    // pressed twice with the knob 0.1 s apart. The unit stops within 1 s.
    void hvOffAtOnce(bool knob)
    {
        InputGuard* guard = m_ui.guard();
        // Held five times as long: a loaded machine's late press still falls within it.
        guard->setTimeScale(5);
        QTest::qWait(int(qMax<qint64>(0, guard->frontSince() + 250 - InputGuard::now())));
        QVERIFY(InputGuard::now() < guard->frontSince() + guard->guardTime());
        QElapsedTimer since;
        since.start();
        if (knob)
            m_ui.pressTwice(100, false);
        else
            UI(tapOn(m_ui.find("hvOffButton")));
        QVERIFY(QTest::qWaitFor([this] { return !unit().outputOn(); }, 5000));
        QVERIFY2(since.elapsed() < 1000, qPrintable(QStringLiteral("the unit stopped %1 ms after HV off").arg(since.elapsed())));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_ui.attach(m_app));
        GlobalFuncs::getLogger()->addSink(m_log->makeSink());
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getSafetyCircuitState(), SafetyCircuitBits(0x3FF), 5000);
        unit().setRampMs(300);
        unit().setTanDelta(1500, 0);
    }

    void init()
    {
        QmlWarnings::install()->take();
        // Each workflow starts where an operator finds the idle instrument.
        QVERIFY2(m_ui.waitForPage("MainPage", 2000) && dm()->getAppState() == States::Idle,
                 "an earlier workflow did not end on the main page");
    }

    void cleanup()
    {
        // What the operator saw where it went wrong.
        if (QTest::currentTestFailed())
            shot("failed");
        m_ui.useQuickTimes();
        const QStringList warnings = QmlWarnings::install()->take();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
    }

    void sineTestFromTheMenu()
    {
        m_workflow = QStringLiteral("sine");
        // A one-minute test whose minute the unit's clock runs through in three seconds;
        // the unit counts its ramp in the duration it reports, as a real one may.
        unit().setTestDurationMs(0);
        unit().setReportedRampMs(1400);
        unit().setClockScale(20);
        unit().clearCommandLog();
        shot("main");
        STEP(chooseMode(OperatingModes::Withstand, OperatingModes::VLFSin, "K-0814"));
        shot("configuration");
        UI(turnToAndPress("confirmButton")); // phases
        STEP(setParameter(5, "7.6"));
        STEP(setParameter(-59, "1"));
        followCountdown();
        STEP(switchHvOn());
        // Live values: the gauge leaves zero and the remaining time counts.
        QTRY_VERIFY_WITH_TIMEOUT(m_ui.text("overviewGauge").contains(QStringLiteral("kV"))
                                     && !m_ui.text("overviewGauge").contains(QStringLiteral(" 0.0 kV")),
                                 10000);
        QVERIFY(m_ui.shows("Test running"));
        shot("measurement");
        // The time as run, to the unit's last sample: a minute, counted down once.
        const QRegularExpression oneMinute(QStringLiteral("^01:0[0-3]$"));
        const QRegularExpression aMinuteLeft(QStringLiteral("^(00:5\\d|01:0[01]) min left$"));
        STEP(resultsRead("Test passed"));
        QVERIFY2(m_ui.texts().indexOf(oneMinute) >= 0, qPrintable(m_ui.texts().join(QLatin1Char('|'))));
        QVERIFY2(m_countdown.value(0).contains(aMinuteLeft), qPrintable(m_countdown.join(QLatin1Char('|'))));
        shot("results");
        // A remark on the test just run, confirmed by Enter on the keyboard, is its record's alone.
        UI(tap("addInfoButton"));
        UI(waitForPage("CommentEditPage"));
        QTRY_VERIFY(m_ui.find("commentField")->hasActiveFocus());
        m_ui.type("Sleeve K1 wet");
        m_ui.press();
        UI(waitForPage("MeasurementResultsPage"));
        const QString first = records().value(0);
        QTRY_COMPARE_WITH_TIMEOUT(TestChart::VLF::info(load(first), 1, 25).trimmed(), QStringLiteral("Sleeve K1 wet"),
                                  10000);
        const QByteArray firstBytes = readAll(first);
        STEP(leaveResults());

        // The same settings again on the next cable: the unit is told one minute again.
        STEP(chooseMode(OperatingModes::Withstand, OperatingModes::VLFSin, "K-0815"));
        UI(turnToAndPress("confirmButton")); // phases
        UI(turnToAndPress("confirmButton")); // voltage
        QTRY_COMPARE(m_ui.text("valueText"), QStringLiteral("1"));
        UI(turnToAndPress("confirmButton"));
        followCountdown();
        STEP(switchHvOn());
        STEP(resultsRead("Test passed"));
        const QStringList live = m_ui.texts();
        QVERIFY2(live.indexOf(oneMinute) >= 0, qPrintable(live.join(QLatin1Char('|'))));
        QVERIFY2(m_countdown.value(0).contains(aMinuteLeft), qPrintable(m_countdown.join(QLatin1Char('|'))));
        QVERIFY(live.contains(QStringLiteral("7.6")));
        QCOMPARE(m_ui.vm()->results()->comment(), QString());
        QCOMPARE(sent('t'), QList<quint64>({1, 1}));
        shot("second-results");
        STEP(leaveResults());

        // The stick comes in once the results were taken, so the record stays in the
        // instrument until the operator exports it.
        QVERIFY(!m_around->root.insertStick().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getUSBState(), USBState_Ready, 10000);
        const QStringList stored = records();
        QCOMPARE(stored.size(), 2);
        QCOMPARE(readAll(first), firstBytes);
        // The history opens the newest first.
        const QString record = stored.last();
        QCOMPARE(TestChart::VLF::info(load(record), 1, 25).trimmed(), QString());

        STEP(openStoredTest("K-0815"));
        // The stored test reads as the live one did.
        QTRY_COMPARE(m_ui.text("verdictText"), QStringLiteral("Test passed"));
        QStringList loaded;
        for (const QString& text : m_ui.texts())
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
        shot("stored-results");

        // A comment reaches the record file; the page starts from the record's own (none).
        UI(tap("addInfoButton"));
        UI(waitForPage("CommentEditPage"));
        QTRY_VERIFY(m_ui.find("commentField")->hasActiveFocus());
        QCOMPARE(m_ui.find("commentField")->property("text").toString(), QString());
        m_ui.type("Joint 3 renewed");
        shot("comment");
        UI(turnToAndPress("confirmButton"));
        UI(waitForPage("MeasurementResultsPage"));
        QTRY_COMPARE_WITH_TIMEOUT(TestChart::VLF::info(load(record), 1, 25), QStringLiteral("Joint 3 renewed"), 10000);

        // Shared to the stick.
        UI(tap("shareButton"));
        UI(waitForPage("SharePage"));
        shot("share");
        UI(tap("usbButton"));
        const QString exported = GlobalFuncs::getUsbPath(GlobalFuncs::UsbMeasurements) + QLatin1Char('/')
            + QFileInfo(record).dir().dirName() + QLatin1Char('/') + QFileInfo(record).fileName();
        UI(waitForDialog(20000));
        QTRY_VERIFY_WITH_TIMEOUT(m_ui.shows("Data successfully exported to USB:"), 20000);
        shot("exported");
        UI(tap("confirmButton"));
        QVERIFY(QFile::exists(exported));
        QCOMPARE(TestChart::VLF::info(load(exported), 1, 25), QStringLiteral("Joint 3 renewed"));
        UI(tap("backButton"));
        UI(turnToAndPress("returnButton"));

        // Deleted after the question: the file and its row are gone.
        STEP(selectFirstTest("K-0815"));
        UI(tap("deleteButton"));
        UI(waitForDialog());
        QVERIFY(m_ui.shows("Delete measurements"));
        shot("delete-question");
        UI(tap("confirmButton"));
        UI(waitForPage("ActivitiesPage"));
        QTRY_VERIFY(!QFile::exists(record));
        QVERIFY(!m_ui.shows("K-0815"));
        shot("deleted");
        UI(tap("returnButton"));
        UI(waitForPage("MainPage"));
        QVERIFY(m_around->root.pullStick());
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getUSBState(), USBState_NoStick, 10000);
    }

    // As scripts/run.sh runs the program: the GPIO tree its preparation laid below the root,
    // the unit pressing its HV-on key by itself; nobody touches the unit here.
    void sineTestOnTheRunRoot()
    {
        if (m_around->prepareScript.isEmpty())
            QSKIP("the run script's root: tst_workflow --run-root");
        m_workflow = QStringLiteral("runroot");
        unit().setTestDurationMs(60000);
        unit().setClockScale(20);
        unit().setHvOnKeyDelayMs(300);
        STEP(chooseMode(OperatingModes::Withstand, OperatingModes::VLFSin, "K-RUN"));
        UI(turnToAndPress("confirmButton")); // phases
        UI(turnToAndPress("confirmButton")); // voltage
        STEP(setParameter(-59, "1"));
        UI(waitForPage("MeasurementPage", 30000));
        QVERIFY(m_around->hvEnable());
        shot("measurement");
        STEP(resultsRead("Test passed"));
        const QStringList stored = records();
        QCOMPARE(stored.size(), 1);
        QCOMPARE(TestChart::cableNumber(load(stored.first())), QStringLiteral("K-RUN"));
        STEP(leaveResults());
    }

    // Three phases one after the other: after each, a fresh confirmation page asks for the
    // next phase to be connected. A phase ended before its result (HV off, the unit's link
    // lost) ends the sequence: the results of the phases measured, one record, and the
    // instrument takes the next test. A restart asks every confirmation again.
    void threePhaseTanDeltaTest_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("endPhase"); // the phase whose end ends the sequence; 3: none
        QTest::addColumn<QString>("end");
        QTest::addColumn<QStringList>("expected"); // the phases' verdicts
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("result"); // of the record's last run
        const QString none = QStringLiteral("Phase not measured"), cut = QStringLiteral("Evaluation not possible");
        QTest::newRow("whole") << int(OperatingModes::TanDelta) << 3 << QString()
                               << QStringList{"no action required", "further study advised", "action required"}
                               << QString() << int(eTestResult_FinishedSuccess);
        QTest::newRow("hv off in L1") << int(OperatingModes::TanDelta) << 0 << "hv off" << QStringList{cut, none, none}
                                      << "Test interupted by user" << int(eTestResult_CancelledByOp);
        QTest::newRow("hv off in L2") << int(OperatingModes::TanDelta) << 1 << "hv off"
                                      << QStringList{"no action required", cut, none} << "Test interupted by user"
                                      << int(eTestResult_CancelledByOp);
        // Stopped while the unit waits for its output: nothing of L2 was measured.
        QTest::newRow("hv off before L2 ran") << int(OperatingModes::TanDelta) << 1 << "hv off before output"
                                              << QStringList{"no action required", none, none}
                                              << "Test interupted by user" << int(eTestResult_FinishedSuccess);
        QTest::newRow("step test link lost in L1") << int(OperatingModes::MWTStep) << 0 << "lost link"
                                                   << QStringList{cut, none, none}
                                                   << "Communication error with the HV unit!"
                                                   << int(eTestResult_ComErrorHVUnit);
        // The unit falls silent while L2 is connected: L2's start ends the sequence there.
        QTest::newRow("unit lost before L2") << int(OperatingModes::TanDelta) << 1 << "unit lost" << QStringList()
                                             << QString() << int(eTestResult_FinishedSuccess);
        // L1 run to its end, the unit silent as the cable discharges; meanwhile the next
        // phase's page cancelled and the test configured again.
        QTest::newRow("configured as L1 ends") << int(OperatingModes::TanDelta) << 0 << "configured" << QStringList()
                                               << QString() << int(eTestResult_FinishedSuccess);
        // While L2 waits the test is configured again: L1 measured afresh is a record of its own.
        QTest::newRow("configured while L2 waits") << int(OperatingModes::TanDelta) << 1 << "configured again"
                                                   << QStringList() << QString() << int(eTestResult_FinishedSuccess);
    }
    void threePhaseTanDeltaTest()
    {
        QFETCH(int, mode);
        QFETCH(int, endPhase);
        QFETCH(QString, end);
        QFETCH(QStringList, expected);
        QFETCH(QString, reason);
        QFETCH(int, result);
        const bool whole = endPhase == 3;
        m_workflow = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
        unit().setTestDurationMs(0);
        // A period of ten seconds passes in a fifth of a second; two values a step.
        unit().setClockScale(50);
        dm()->setNumberOfValues(2);

        // First a look at the monitored step test: U0 confirmed at its top (the withstand
        // level 3.0 × U0 ends it), then lowered on the page but not confirmed, and a factor
        // of 5.0 asked. The data model keeps what the confirmed U0 allows; the note names
        // that limit and the tile shows the kept factor.
        STEP(chooseMode(OperatingModes::Diagnosis, OperatingModes::MWTStep, "K-TD3"));
        UI(turnToAndPress("confirmButton")); // phases
        UI(turnToAndPress("confirmButton")); // insulation
        STEP(setParameter(70, "14.1")); // from 7.1
        UI(turnToAndPress("parameterButton2"));
        STEP(setParameter(-107, "3.4", false));
        UI(turnToAndPress("parameterButton3"));
        STEP(setParameter(20, "17.0")); // 3.0 to 5.0 × U0
        UI(waitForDialog());
        QVERIFY2(m_ui.shows(QStringLiteral("The factor was set to 3.0: with U0 at 14.1 kV the highest level, 3.0 × U0, "
                                           "reaches the maximum of 42.4 kV.")),
                 qPrintable(m_ui.texts().join(QLatin1Char('|'))));
        shot("factor-limited");
        UI(tap("confirmButton"));
        UI(waitForPage("TestConfigurationPage"));
        QTRY_VERIFY2(m_ui.shows("10.2 kV"), qPrintable(m_ui.texts().join(QLatin1Char('|'))));
        QCOMPARE(dm()->getVoltageFactor(VoltageType_Factor), 30);
        STEP(backToMain());

        STEP(chooseMode(OperatingModes::Diagnosis, OperatingModes::OperatingMode(mode), "K-TD3"));
        for (int phase = 0; phase < 3; ++phase) {
            const QString name = QStringLiteral("phaseButton%1").arg(phase);
            QQuickItem* button = m_ui.waitFor(name);
            QVERIFY(button);
            if (!button->property("checked").toBool())
                UI(tap(name));
            QTRY_VERIFY(button->property("checked").toBool());
        }
        shot("configuration");
        UI(turnToAndPress("confirmButton")); // phases
        UI(turnToAndPress("confirmButton")); // insulation
        // U0 at the top of its range, where the page says the highest level ends it.
        QQuickItem* slider = m_ui.waitFor("valueSlider");
        QVERIFY(slider);
        QVERIFY2(m_ui.shows("U0 ends at"), qPrintable(m_ui.texts().join(QLatin1Char('|'))));
        const int top = slider->property("to").toInt();
        shot("highest-u0");
        unit().clearCommandLog();
        STEP(setParameter(top - slider->property("value").toInt(), QString::number(top / 10.0, 'f', 1)));
        // The step test's factor and time as they stand.
        while (m_ui.shownType() == QLatin1String("TestConfigurationPage"))
            UI(turnToAndPress("confirmButton"));
        const QStringList before = records();

        // Each phase of the cable has its own losses: below, between and above the
        // standard's bounds at U0.
        const QList<quint32> tanDelta = {800, 7000, 60000};
        for (int phase = 0; phase < 3; ++phase) {
            UI(waitForPage("TestConfirmationPage", 20000));
            QTRY_VERIFY(m_ui.shows(QStringLiteral("Switch the high voltage on for phase L%1").arg(phase + 1)));
            QVERIFY(m_ui.shows(phase == 0 ? QStringLiteral("Connect to phase L1")
                                          : QStringLiteral("L%1 done, reconnect to phase L%2").arg(phase).arg(phase + 1)));
            shot(QStringLiteral("confirmation-L%1").arg(phase + 1));
            if (phase == endPhase && end == QLatin1String("unit lost")) {
                STEP(silenceUnit());
            }
            if (phase == endPhase && end == QLatin1String("configured again")) {
                STEP(configureFromL1());
                STEP(switchHvOn());
                // The first sequence's record keeps its one run; the new L1 is stored apart.
                QTRY_COMPARE_WITH_TIMEOUT(records().size(), before.size() + 2, 30000);
                for (const QString& record : records().mid(before.size()))
                    QCOMPARE(TestChart::VLF::info(load(record), 0, 11).toInt(), 1);
                return;
            }
            // Rows confirmed for an earlier phase stay confirmed.
            for (int row = 0; QQuickItem* button = m_ui.find(QStringLiteral("rowConfirmButton%1").arg(row)); ++row) {
                if (button->isEnabled())
                    UI(turnToAndPress(button->objectName()));
            }
            if (phase == endPhase && end == QLatin1String("unit lost")) {
                // No page says "started" over an instrument that left the sequence; L1 is stored.
                UI(waitForPage("TestConfigurationPage", 10000));
                m_around->sim.clearFault();
                QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::Idle, 20000);
                QCOMPARE(records().size(), before.size() + 1);
                STEP(backToMain());
                return;
            }
            unit().setTanDelta(tanDelta.at(phase), 0);
            if (phase == endPhase && end == QLatin1String("hv off before output")) {
                UI(waitForPage("MeasurementPreparationPage", 20000));
                QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::WaitHVOn, 20000);
                UI(turnToAndPress("hvOffButton"));
                break;
            }
            const bool configured = phase == endPhase && end == QLatin1String("configured");
            if (configured)
                unit().setDischargeMs(5000); // the soft stop lasts
            STEP(switchHvOn());
            QTRY_VERIFY(m_ui.texts().contains(QStringLiteral("L%1").arg(phase + 1))); // the phase item
            if (configured) {
                QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::TestSoftStop, 30000);
                STEP(silenceUnit());
                UI(waitForPage("TestConfirmationPage", 10000));
                STEP(configureFromL1());
                unit().setDischargeMs(0);
                m_around->sim.clearFault();
                // L1 is stored; the test configured starts afresh from L1 once the last one is left.
                QTRY_COMPARE_WITH_TIMEOUT(records().size(), before.size() + 1, 20000);
                QCOMPARE(TestChart::VLF::info(load(records().last()), 1, 28).toInt(), result);
                UI(waitForPage("MeasurementPreparationPage", 20000));
                QCOMPARE(dm()->tanDeltaPhaseToMeasure(), 0);
                STEP(startedThenHvOff());
                QCOMPARE(records().size(), before.size() + 1);
                return;
            }
            if (phase == 0)
                shot("measurement");
            if (phase == endPhase) {
                // Ended after its first value, well before its last.
                unit().setClockScale(5);
                QTRY_VERIFY_WITH_TIMEOUT(dm()->beginPeriodicMeasurementValues() != dm()->endPeriodicMeasurementValues(),
                                         10000);
                if (end == QLatin1String("lost link"))
                    m_around->sim.setFault(HvUnitSimulator::Fault::Silence);
                else
                    UI(turnToAndPress("hvOffButton"));
                break;
            }
            QTRY_VERIFY_WITH_TIMEOUT(dm()->getAppState() != States::TestRunning, 30000);
        }
        UI(waitForPage("MeasurementResultsPage", 30000));
        m_around->sim.clearFault();
        // The verdicts stand once the results are taken.
        UI(waitFor("returnButton", 20000));
        auto verdicts = [this] {
            return QStringList({m_ui.text("phaseResult0"), m_ui.text("phaseResult1"), m_ui.text("phaseResult2")});
        };
        QCOMPARE(verdicts(), expected);
        const QStringList live = verdicts();
        // One record: the phases measured, a run each, the last one's result the reason.
        const QStringList stored = records();
        QCOMPARE(stored.size(), before.size() + 1);
        const TestChart::VLF::TestData data = load(stored.last());
        const int runs = whole ? 3 : endPhase + (end == QLatin1String("hv off before output") ? 0 : 1);
        QCOMPARE(TestChart::VLF::info(data, 0, 17).toInt(), (1 << runs) - 1);
        QCOMPARE(TestChart::VLF::info(data, 0, 11).toInt(), runs);
        QCOMPARE(TestChart::VLF::info(data, runs, 28).toInt(), result);
        shot("results");
        unit().setClockScale(1);
        if (!whole) {
            QTRY_VERIFY2(m_ui.shows(reason), qPrintable(m_ui.texts().join(QLatin1Char('|'))));
            STEP(leaveResults());
            // The history shows the record as the results did.
            STEP(openStoredTest("K-TD3"));
            QTRY_COMPARE(verdicts(), live);
            UI(tap("returnButton"));
            UI(waitForPage("ActivitiesPage"));
            UI(tap("returnButton"));
            UI(waitForPage("MainPage"));
            // The instrument takes the next test, of another mode.
            STEP(chooseMode(OperatingModes::Withstand, OperatingModes::VLFSin, "K-TD5"));
            UI(turnToAndPress("confirmButton")); // phases
            UI(turnToAndPress("confirmButton")); // voltage
            UI(turnToAndPress("confirmButton")); // time
            STEP(startedThenHvOff());
            return;
        }

        // Every level the unit was given stays within the maximum.
        const long maximum = dm()->getVoltageRange(OperatingModes::Unknown).second;
        qint64 highest = 0;
        for (const HvUnitModel::Command& c : unit().commandLog())
            if (c.letter == 'u')
                highest = qMax(highest, qint64(c.value1));
        QVERIFY2(highest <= maximum && highest > maximum * 0.98, qPrintable(QStringLiteral("%1 %2").arg(highest).arg(maximum)));

        // Restarted: whatever is connected is L3, so every confirmation is asked again from
        // L1, and nothing starts before they are given.
        m_log->clear();
        unit().clearCommandLog();
        UI(tap("restartButton"));
        UI(waitForPage("TestConfirmationPage"));
        QTRY_VERIFY(m_ui.shows("Connect to phase L1"));
        // The last test is left: the unit is stopped once more.
        QTRY_COMPARE(sent('x').size(), 1);
        unit().clearCommandLog();
        shot("restart");
        QTest::qWait(1000);
        QCOMPARE(m_log->count(QStringLiteral("StartTest")), 0);
        QVERIFY(unit().commandLog().isEmpty());
        for (int row = 0; row < 2; ++row) {
            const QString button = QStringLiteral("rowConfirmButton%1").arg(row);
            QCOMPARE(m_ui.find(button)->property("text").toString(), QStringLiteral("Confirm"));
            UI(turnToAndPress(button));
        }
        STEP(startedThenHvOff());

        // The history opens the record with the same verdicts.
        STEP(openStoredTest("K-TD3"));
        QTRY_COMPARE(verdicts(), live);
        shot("stored-results");

        // The test moves to another cable: the field starts with its number.
        const QString record = records().last();
        UI(tap("editCableButton"));
        UI(waitForPage("CableDataPage"));
        QTRY_COMPARE(m_ui.text("cableNumberField"), QStringLiteral("K-TD3"));
        m_ui.retype("K-TD4");
        UI(turnToAndPress("confirmButton"));
        UI(waitForPage("MeasurementResultsPage"));
        QTRY_COMPARE_WITH_TIMEOUT(TestChart::cableNumber(load(record)), QStringLiteral("K-TD4"), 10000);
        UI(turnToAndPress("returnButton"));
        UI(waitForPage("ActivitiesPage"));
        QTRY_VERIFY(m_ui.shows("K-TD4"));
        QVERIFY(!m_ui.shows("K-TD3"));
        shot("history-moved");
        UI(tap("returnButton"));
        UI(waitForPage("MainPage"));
    }

    // Tests the operator ends with HV off: in the burning after a breakdown, while running,
    // in the load detection or before the HV on key in the preparation (no record is left
    // then). The result names no HV-source error that was never read; the unit got the
    // voltage the operator entered. A manual ramp (a range entered) runs at the operator's
    // targets until the unit can no longer be read or the cable breaks down, counting down to
    // the unit's end. After a breakdown and in the load detection HV off (on the touch
    // screen) and Return are tapped twice, 300 ms apart: the second tap never takes what came
    // up under it.
    void testEndedWithHvOff_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("voltage"); // entered; empty: as offered
        // "breakdown" (burn mode off), "burning" (on), "running", "load detection", "preparation",
        // "read failure", "soft stop opening" / "soft stop silence", "emergency off" (open at the
        // start, then as "running"), "tapped at once" or "pressed twice at once" (HV off right
        // after the live page came up), "silent start" (the unit falls silent as the test
        // starts; the operator leaves the page and starts again, then as "preparation"), "error
        // start" (started while the unit reports an error; it is switched off and on without it,
        // the operator starts again, then as "preparation"), "error restart" (as "preparation",
        // its results' restart tapped while the unit reports an error; the unit as in "error
        // start", the operator goes home)
        QTest::addColumn<QString>("end");
        const int withstand = OperatingModes::Withstand;
        QTest::newRow("breakdown") << withstand << int(OperatingModes::DC) << QString() << "breakdown";
        QTest::newRow("hv off") << withstand << int(OperatingModes::VLFSin) << QString() << "running";
        QTest::newRow("emergency off at start") << withstand << int(OperatingModes::VLFSin) << QString() << "emergency off";
        QTest::newRow("load detection") << withstand << int(OperatingModes::VLFSin) << QString() << "load detection";
        QTest::newRow("no record") << withstand << int(OperatingModes::VLFSin) << QString() << "preparation";
        QTest::newRow("sheath test") << int(OperatingModes::SheathFault) << int(OperatingModes::SheathTest) << "2.0"
                                     << "preparation";
        // Pulsed at the frequency chosen from the mode's own range (0.25 to 1.00 Hz).
        QTest::newRow("pinpointing") << int(OperatingModes::SheathFault) << int(OperatingModes::SheathPinpointing)
                                     << QString() << "running";
        QTest::newRow("dc manual ramp") << withstand << int(OperatingModes::DC) << "25.0" << "read failure";
        QTest::newRow("manual ramp breakdown") << withstand << int(OperatingModes::VLFSin) << "25.0" << "breakdown";
        QTest::newRow("manual ramp burning") << withstand << int(OperatingModes::VLFSin) << "25.0" << "burning";
        // HV off, then in the soft stop (the cable discharging for 5 s) an input opens or the unit falls silent.
        QTest::newRow("soft stop opening") << withstand << int(OperatingModes::VLFSin) << "25.0" << "soft stop opening";
        QTest::newRow("soft stop silence") << withstand << int(OperatingModes::VLFSin) << "25.0" << "soft stop silence";
        QTest::newRow("hv off tapped at once") << withstand << int(OperatingModes::VLFSin) << QString() << "tapped at once";
        QTest::newRow("hv off pressed twice at once") << withstand << int(OperatingModes::VLFSin) << QString()
                                                      << "pressed twice at once";
        QTest::newRow("start again after a silent start") << withstand << int(OperatingModes::VLFSin) << QString()
                                                          << "silent start";
        QTest::newRow("start again after the unit's error") << withstand << int(OperatingModes::VLFSin) << QString()
                                                            << "error start";
        QTest::newRow("restart in the unit's error") << withstand << int(OperatingModes::VLFSin) << QString()
                                                     << "error restart";
    }
    void testEndedWithHvOff()
    {
        QFETCH(int, group);
        QFETCH(int, mode);
        QFETCH(QString, voltage);
        QFETCH(QString, end);
        const bool openAtStart = end == QLatin1String("emergency off");
        if (openAtStart)
            end = QStringLiteral("running");
        const bool silentStart = end == QLatin1String("silent start");
        const bool errorStart = end == QLatin1String("error start");
        if (silentStart || errorStart)
            end = QStringLiteral("preparation");
        const bool restartInError = end == QLatin1String("error restart");
        if (restartInError)
            end = QStringLiteral("preparation");
        const bool hurried = end == QLatin1String("burning") || end == QLatin1String("load detection");
        const bool atOnce = end.endsWith(QLatin1String(" at once"));
        m_workflow = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
        const bool softStop = end.startsWith(QLatin1String("soft stop"));
        const bool manualRamp = !voltage.isEmpty() && end != QLatin1String("preparation") && !softStop;
        const bool dc = mode == OperatingModes::DC, burnMode = end == QLatin1String("burning");
        const bool pinpointing = mode == OperatingModes::SheathPinpointing;
        // The DC ramp's 2 minutes run ten times faster.
        unit().setTestDurationMs(dc ? 120000 : 600000);
        unit().setClockScale(dc ? 10 : 1);
        // Burn mode is stored per mode; an earlier rectangular test had it on.
        dm()->changeOperatingMode(OperatingModes::VLFRect);
        dm()->setBurnCurrentLimiter(true);
        STEP(chooseMode(OperatingModes::OperatingMode(group), OperatingModes::OperatingMode(mode), "K-0816"));
        if (manualRamp || pinpointing) {
            UI(tap("settingsButton"));
            UI(waitForPage("ExtendedConfigurationPage"));
            if (pinpointing) {
                // From the mode's lowest, 0.25 Hz, up to 0.50 Hz.
                QQuickItem* row = m_ui.find(QStringLiteral("extendedRow0"));
                QTRY_COMPARE(ProgramWindow::findIn(row, "valueText")->property("text").toString(), QStringLiteral("0.25"));
                QVERIFY(m_ui.turnTo(ProgramWindow::findIn(row, "valueSlider")));
                m_ui.press();
                m_ui.turn(25);
                m_ui.press();
                QTRY_COMPARE(ProgramWindow::findIn(row, "valueText")->property("text").toString(), QStringLiteral("0.50"));
            }
            // Ramp: Auto, Manual; burn mode: Off, On.
            for (int row : !manualRamp ? QList<int>() : burnMode ? QList<int>{3, 4} : QList<int>{dc ? 1 : 3}) {
                QVERIFY(m_ui.turnTo(ProgramWindow::findIn(m_ui.find(QStringLiteral("extendedRow%1").arg(row)),
                                                          "choiceButton1")));
                m_ui.press();
            }
            shot("extended");
            UI(turnToAndPress("confirmButton"));
            UI(waitForPage("TestConfigurationPage"));
        }
        if (mode != OperatingModes::SheathTest && !pinpointing)
            UI(turnToAndPress("confirmButton")); // phases
        QTRY_VERIFY(!m_ui.text("valueText").isEmpty());
        if (voltage.isEmpty())
            UI(turnToAndPress("confirmButton"));
        else
            STEP(setParameter(qRound((voltage.toDouble() - m_ui.text("valueText").toDouble()) * 10), voltage));
        // The simulated unit times its load detection from the program's start of it, not
        // from the HV-on key: stopped before the key, it never finishes, however slowly the
        // operator reaches HV off.
        // Pinpointing has none to run: the unit reports it finished at once.
        unit().setLoadDetectionMs(end == QLatin1String("preparation") ? 600000
                                  : end == QLatin1String("load detection") ? 5000
                                  : pinpointing ? 0 : 300);
        const QByteArray lineBefore = m_around->gpio.value(HVEnableLine);
        if (openAtStart) {
            m_around->gpio.setLine(safetyLineOfBit(1), false);
            QTRY_COMPARE(dm()->getSafetyCircuitState(), SafetyCircuitBits(0x001));
            unit().clearCommandLog();
        }
        if (silentStart)
            m_around->sim.setFault(HvUnitSimulator::Fault::Silence);
        if (errorStart) {
            unit().triggerError(HVStateBits::Overcurrent);
            QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::HVUnitError, 10000);
        }
        UI(turnToAndPress("confirmButton")); // time
        if (errorStart) {
            // The start is dropped in the unit's error; once the unit is back without it, the
            // page that asked it has gone and the next start is taken.
            UI(waitForPage("TestConfirmationPage"));
            QTRY_VERIFY(m_ui.page()->property("started").toBool());
            STEP(unitBackWithoutError());
            UI(turnToAndPress("confirmButton")); // time
        }
        if (silentStart) {
            // The start ends with the unit's error, left through TestFinished while the unit is
            // started again; a start pressed meanwhile on a fresh page is taken once it answers.
            QTRY_VERIFY_WITH_TIMEOUT(dm()->getAppState() == States::TestFinished || dm()->getAppState() == States::Starting,
                                     10000);
            if (m_ui.shownType() == QLatin1String("TestConfirmationPage"))
                UI(tap("cancelButton"));
            UI(waitForPage("TestConfigurationPage"));
            UI(turnToAndPress("confirmButton")); // time
            UI(waitForPage("TestConfirmationPage"));
            QTRY_VERIFY(m_ui.page()->property("started").toBool());
            m_around->sim.clearFault();
        }
        const QStringList before = records();
        const QByteArray lastRecord = before.isEmpty() ? QByteArray() : readAll(before.last());
        if (!openAtStart)
            unit().clearCommandLog();
        if (end == QLatin1String("preparation") || end == QLatin1String("load detection")) {
            UI(waitForPage("MeasurementPreparationPage", 20000));
            QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::WaitHVOn, 20000);
            if (end == QLatin1String("load detection")) {
                unit().pressHvOn();
                QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::WaitLoadDetect, 10000);
            }
            if (!voltage.isEmpty())
                QTRY_VERIFY2(m_ui.texts().contains(voltage), qPrintable(m_ui.texts().join(QLatin1Char('|'))));
            shot("preparation");
        } else {
            if (openAtStart) {
                // The start waits with the line low and the unit told its parameters only;
                // the page names the input. Closed, the test runs on.
                QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::WaitHVFree, 10000);
                QTRY_VERIFY_WITH_TIMEOUT(m_ui.shows("Safety circuit open: Emergency off"), 5000);
                QTest::qWait(1000);
                QVERIFY(!m_around->gpio.value(HVEnableLine).mid(lineBefore.size()).contains('1'));
                for (const HvUnitModel::Command& c : unit().commandLog())
                    QVERIFY2(QByteArray("sxzumftb").contains(c.letter), qPrintable(QString(QChar(c.letter))));
                shot("input-open");
                m_around->gpio.setLine(safetyLineOfBit(1), true);
            }
            followCountdown();
            unit().setDischargeMs(softStop ? 5000 : 0);
            if (atOnce)
                m_ui.useOperatorTimes();
            STEP(switchHvOn());
            if (atOnce) {
                STEP(hvOffAtOnce(end.startsWith(QLatin1String("pressed"))));
            } else {
                QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::TestRunning, 10000);
                // The header's burn sign says what the unit was sent.
                QCOMPARE(bool(ProgramWindow::findIn(m_ui.window()->contentItem(), "burnIcon")), bool(unit().burnFlags() & 1));
                if (pinpointing) {
                    QCOMPARE(unit().setFrequency(), quint64(500));
                    UI(tap("tab0")); // the overview: it opens on the trace
                    QTRY_VERIFY2(m_ui.texts().contains(QStringLiteral("0.50")), qPrintable(m_ui.texts().join(QLatin1Char('|'))));
                }
                QTest::qWait(1000);
                // A second as run by the unit's clock, which a loaded machine may read late.
                QTRY_VERIFY(dm()->getLastMeasurementValues().timeStamp >= 1000);
            }
            if (manualRamp) {
                // The gauge ends at the range (peak); the unit waits at the mode's lowest voltage,
                // the marker at 0.0, from which 61 clicks are 7.0 kV; then 5.0 kV by 20 clicks.
                QObject* tab = m_ui.page()->property("overviewTab").value<QObject*>();
                QTRY_COMPARE(qRound(tab->property("gauge").value<QObject*>()->property("fullScale").toDouble() * 10),
                             qRound(voltage.toDouble() * (dc ? 10 : 10 * M_SQRT2)));
                // Set at the initialisation and the start; a write whose answer came late under
                // load is sent again, the same value.
                const QList<quint64> lowest = sent('u');
                QVERIFY2(lowest.size() >= 2 && lowest.count(1000) == lowest.size(),
                         qPrintable(QString::number(lowest.size()) + QStringLiteral(" set points, not all 1 kV")));
                QCOMPARE(unit().burnFlags() & 1, int(burnMode));
                STEP(chooseTarget(61, 7000000));
                QVERIFY(m_log->waitFor([](const LoggingData& r) { return r.text == "Setting nominal voltage to 7000 V."; },
                                       1000));
                STEP(chooseTarget(-20, 5000000));
                const QList<quint64> targets = sent('u');
                STEP(chooseTarget(0, 5000000)); // nothing new
                QTest::qWait(100);
                QCOMPARE(sent('u'), targets);
                // Where the countdown put the end, in the unit's time.
                for (qint64 at : qAsConst(m_countdownEnds))
                    QVERIFY2(qAbs(at - qint64(dm()->getTestTimeUsed().milliseconds)) <= 2000,
                             qPrintable(QString::number(at)));
            }
            if (end == QLatin1String("burning") || end == QLatin1String("breakdown")) {
                const QList<quint64> targets = sent('u');
                unit().triggerBreakdown();
                QElapsedTimer sinceBreakdown;
                sinceBreakdown.start();
                if (!burnMode) {
                    // Without burn mode the unit is off for good: no countdown, the results at once.
                    UI(waitForPage("MeasurementResultsPage", 10000));
                    QVERIFY2(sinceBreakdown.elapsed() <= 2000, qPrintable(QString::number(sinceBreakdown.elapsed())));
                } else {
                    QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::TestBurning, 10000);
                    QTest::qWait(2000);
                    QCOMPARE(dm()->getAppState(), States::TestBurning); // the cable burns for its minute
                }
                // No target for a faulted cable: the key is gone, the gauge takes none.
                if (manualRamp && burnMode) {
                    QTRY_VERIFY(!m_ui.find("voltageButton"));
                    UI(tap("tab0"));
                    UI(tap("overviewGauge"));
                    m_ui.turn(10);
                    UI(tap("overviewGauge"));
                }
                QTest::qWait(100);
                QCOMPARE(sent('u'), targets);
            }
            shot(end);
        }
        if (!voltage.isEmpty() && !manualRamp) // the sine's RMS as its peak
            QCOMPARE(unit().setVoltage(), qRound64(voltage.toDouble() * 1000000 * (softStop ? M_SQRT2 : 1.0)));
        if (end == QLatin1String("read failure")) {
            // The worker stops the unit; neither a queued target nor the voltage it puts
            // back after the test raises it again.
            const QList<quint64> targets = sent('u');
            unit().setReadBroken('U', true);
            UI(waitForPage("MeasurementResultsPage", 20000));
            unit().setReadBroken('U', false);
            QCOMPARE(unit().commandLog().last().letter, 'x');
            QCOMPARE(sent('u'), targets);
        } else if (end != QLatin1String("breakdown")) {
            if (hurried)
                m_ui.useOperatorTimes();
            QVERIFY2(atOnce || (hurried ? m_ui.tapTwice("hvOffButton", 300, true) : m_ui.turnToAndPress("hvOffButton")),
                     qPrintable(m_ui.lastError()));
            m_ui.useQuickTimes();
            if (softStop) {
                QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::TestSoftStop, 5000);
                QVERIFY(m_around->hvEnable());
                m_log->clear();
                if (end == QLatin1String("soft stop opening"))
                    m_around->gpio.setLine(safetyLineOfBit(4), false);
                else
                    m_around->sim.setFault(HvUnitSimulator::Fault::Silence);
                QVERIFY(end.endsWith(QLatin1String("opening"))
                        || m_log->waitFor([](const LoggingData& r) { return r.text == "Communication with the HV unit lost"; },
                                          10000));
                QTRY_VERIFY_WITH_TIMEOUT(!m_around->hvEnable(), 1000);
                m_around->gpio.setLine(safetyLineOfBit(4), true);
                m_around->sim.clearFault();
                unit().setDischargeMs(0);
            }
            UI(waitForPage("MeasurementResultsPage", 20000));
        }
        unit().setLoadDetectionMs(pinpointing ? 0 : 300);
        QTRY_VERIFY(m_ui.find("verdictText")); // the results are taken
        auto detailRight = [this, end] {
            const QString detail = m_ui.text("resultDetail");
            if (end == QLatin1String("read failure"))
                return !detail.isEmpty();
            if (end != QLatin1String("burning") && end != QLatin1String("breakdown"))
                return detail.isEmpty();
            const QString at = NumberString::voltage(dm()->getFaultValues().faultVoltage).first;
            return detail.startsWith(QStringLiteral("Breakdown detected at ") + at) && !detail.contains("<small>");
        };
        QTRY_VERIFY2(detailRight(), qPrintable(m_ui.text("resultDetail")));
        if (end == QLatin1String("preparation") || end == QLatin1String("load detection")) {
            // The operator's stop before the output came on reads as one after it; in the
            // load detection the code names the unit's state too.
            QTRY_COMPARE(m_ui.text("verdictText"), QStringLiteral("Test interupted by user"));
            const QString code = m_ui.text("codeLine");
            QVERIFY2(code == "#02.10 " || (end == QLatin1String("load detection") && code.startsWith("#02.10 [")),
                     qPrintable(code));
        } else if (end != QLatin1String("read failure") && !atOnce) {
            // The time as run, a second or more: the unit's samples after the stop keep it.
            const QRegularExpression ranSeconds(QStringLiteral("^00:(0[1-9]|[1-5]\\d)$"));
            QVERIFY2(m_ui.texts().indexOf(ranSeconds) >= 0, qPrintable(m_ui.texts().join(QLatin1Char('|'))));
        }
        if (pinpointing) {
            // The results and the record keep the frequency the unit got.
            QVERIFY2(m_ui.texts().contains(QStringLiteral("0.50")), qPrintable(m_ui.texts().join(QLatin1Char('|'))));
            QCOMPARE(TestChart::VLF::info(load(records().last()), 1, 16), QStringLiteral("500")); // as used
        }
        if (end == QLatin1String("preparation") && mode == OperatingModes::VLFSin) {
            // Nothing was stored: no comment, and none reaches the last test's record.
            QVERIFY(m_ui.shows("No results were stored for this test"));
            QVERIFY(!m_ui.find("addInfoButton")->isEnabled());
            m_ui.vm()->results()->setComment(QStringLiteral("Not this test"));
            QTest::qWait(200);
            QCOMPARE(records(), before);
            QVERIFY(!lastRecord.isEmpty());
            QCOMPARE(readAll(before.last()), lastRecord);
        }
        if (restartInError) {
            unit().triggerError(HVStateBits::Overcurrent);
            QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::HVUnitError, 10000);
            // Its page may already have gone as refused, when the unit's word comes back.
            UI(tap("restartButton"));
            STEP(unitBackWithoutError());
            UI(tap("backButton"));
            UI(waitForPage("TestSelectionPage"));
            UI(tap("backButton"));
            return;
        }
        if (manualRamp) {
            // The results, the record and the history name the highest target the unit had.
            const QStringList shown = m_ui.texts();
            QVERIFY2(shown.value(shown.indexOf(QStringLiteral("Voltage")) + 1) == (dc ? "7.0" : "4.9"), // RMS
                     qPrintable(shown.join(QLatin1Char('|'))));
            const QString record = records().last();
            QCOMPARE(TestChart::VLF::info(load(record), 0, 13), QStringLiteral("7000000"));
            QStringList history;
            for (const ActivityTypes::stActivityEntry& row : TestChart::activityEntryList(QFileInfo(record).absolutePath()))
                history << (row.path == record ? row.voltage : QString());
            QVERIFY2(history.contains(QStringLiteral("7.0 kV")), qPrintable(history.join(QLatin1Char('|'))));
            dm()->setVoltageRampMode(VoltageRampMode_Auto);
            dm()->setBurnCurrentLimiter(false);
        }
        shot("results");
        if (end == QLatin1String("running") && !openAtStart) {
            // Restarted from its results, the test is followed to its new results again.
            const int stored = records().size();
            const QString verdict = m_ui.text("verdictText");
            UI(tap("restartButton"));
            STEP(switchHvOn());
            UI(turnToAndPress("hvOffButton"));
            STEP(resultsRead(verdict));
            QCOMPARE(records().size(), stored + 1);
        }
        STEP(leaveResults(hurried));
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
        unit().setTestDurationMs(0);
        unit().setClockScale(1);
        STEP(chooseMode(OperatingModes::Withstand, OperatingModes::VLFSin, "K-BENCH"));
        UI(turnToAndPress("confirmButton"));
        UI(turnToAndPress("confirmButton"));
        STEP(setParameter(minutes - 60, QString::number(minutes)));
        STEP(switchHvOn());
        QTRY_COMPARE_WITH_TIMEOUT(dm()->getAppState(), States::TestRunning, 10000);
        auto cpuSeconds = [] {
            timespec t {};
            clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
            return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
        };
        const double cpuStart = cpuSeconds();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(QTest::qWaitFor([&] { return m_ui.shownType() != QLatin1String("MeasurementPage"); },
                                (minutes + 2) * 60000));
        const double cpu = cpuSeconds() - cpuStart;
        const double shownMinutes = double(clock.elapsed()) / 60000.0;
        std::printf("measurement page shown %.2f min: CPU %.2f s, %.2f s per minute (%.1f %% of one core)\n",
                    shownMinutes, cpu, cpu / shownMinutes, cpu / shownMinutes / 60.0 * 100.0);
        STEP(resultsRead("Test passed"));
        STEP(leaveResults());
    }

private:
    Application* m_app;
    SimulatedSurroundings* m_around;
    ProgramWindow m_ui {m_around->prepareScript.isEmpty() ? "tst_workflow" : "tst_workflow_runroot"};
    QString m_workflow;
    QStringList m_countdown;
    QList<qint64> m_countdownEnds;
    std::shared_ptr<LogRecorder> m_log = std::make_shared<LogRecorder>();
};

int main(int argc, char** argv)
{
    // "--run-root": below a root laid by the run script's preparation.
    QString prepareScript;
    if (argc > 1 && qstrcmp(argv[1], "--run-root") == 0) {
        prepareScript = QStringLiteral(PREPARE_ROOT_SCRIPT);
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    return runInProgram<TstWorkflow>(argc, argv, prepareScript);
}

#include "tst_workflow.moc"
