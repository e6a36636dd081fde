#include "RandomOperatorRules.h"

#include "RandomOperatorInputs.h"

#include "app/WatchdogManager.h"
#include "commissioning/CommissioningStages.h"
#include "core/GlobalFuncs.h"
#include "datamodel/Statemachine.h"
#include "fakes/QmlWarnings.h"
#include "gui/FixedValueUnit.h"
#include "gui/Settings.h"
#include "hvunit/HvEnableRule.h"
#include "hvunit/OwedUnitWrites.h"
#include "hvunit/SCPins.h"
#include "hvunit/TPOF.h"
#include "testrun/TestChart.h"
#include "uiapi/SafetyPin.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QKeyEvent>
#include <QRegularExpression>

#include <cmath>

namespace {

const QRegularExpression kToken(QStringLiteral("zq(\\d+)x"));
// The link's own time-out for a unit that gives no good answer: the state word's attempts,
// each within the longer budget, after a poll period.
constexpr qint64 kLinkTimeoutMs = TPOF::Attempts * TPOF::LongBudgetMs + TPOF::PollPeriodMs;
// The safety circuit takes an input's state once three polls 50 ms apart agree on it.
constexpr qint64 kPollMs = 50, kPollsToSettle = 3;
// No procedure's stage.
constexpr int kNoStage = -100;

bool named(const QObject* o, const char* name) { return o && o->objectName() == QLatin1String(name); }

QString kv(double value) { return QString::number(value, 'f', 2); }

// A voltage as the page writes it ("12.3", "12,3", "-4.0"); NaN for none.
double shownKv(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("(-?\\d+(?:[.,]\\d+)?)"));
    const auto match = number.match(text);
    return match.hasMatch() ? match.captured(1).replace(QLatin1Char(','), QLatin1Char('.')).toDouble() : std::nan("");
}


} // namespace

WorldRules::WorldRules(const Walk& walk, const Notes& notes) : m_walk(walk), m_notes(notes) {}

void WorldRules::start()
{
    connect(WatchdogManager::getInstance(), &WatchdogManager::heartbeatMissed, this,
            [this](const QStringList& threads) { m_missed << threads; });
    DataModell* dm = m_walk.dm();
    connect(dm, &DataModell::appStateChanged, this, &WorldRules::onStateChanged);
    const auto onLock = [this] {
        for (const QString& lock : { Settings::kAdminLock, Settings::kServiceLock }) {
            const bool locked = Settings::isLocked(lock);
            if (locked && !m_locked.value(lock))
                m_lockedAt[lock] = Walk::now();
            m_locked[lock] = locked;
        }
    };
    connect(dm, &DataModell::adminMenuLockedChanged, this, onLock);
    connect(dm, &DataModell::serviceMenuLockedChanged, this, onLock);
    onLock();
    auto* guard = m_walk.ui->window()->property("inputGuard").value<InputGuard*>();
    connect(guard, &InputGuard::frontChanged, this, [this, guard] {
        m_frontAt = Walk::now();
        m_frontName = ProgramWindow::typeName(guard->front());
    });
    qApp->installEventFilter(this);
    m_reference = unitValues();
    m_unitMaxKv = m_walk.unit().identification().maxRmsKV * M_SQRT2;
    m_line = m_walk.around->gpio.value(HVEnableLine);
    connect(&m_pollProbe, &QTimer::timeout, this, [this] {
        const qint64 now = Walk::now();
        m_probeTicks << now;
        while (now - m_probeTicks.first() > 5000)
            m_probeTicks.removeFirst();
    });
    m_pollProbe.start(int(kPollMs));
}

QString WorldRules::check()
{
    m_commands = m_walk.unit().takeCommandLog();
    static const QList<QPair<const char*, QString (WorldRules::*)()>> rules {
        { "the program answers", &WorldRules::programAnswers },
        { "the line", &WorldRules::hvEnableLine },
        { "the stops", &WorldRules::stops },
        { "the unit", &WorldRules::unitOutput },
        { "the set points", &WorldRules::setPoints },
        { "the guard time", &WorldRules::guardHolds },
        { "the unit's calibration", &WorldRules::unitCalibration },
        { "the calibration", &WorldRules::calibration },
        { "the records", &WorldRules::records },
        { "the typed texts", &WorldRules::tokens },
        { "the screen", &WorldRules::screen },
        { "the pages", &WorldRules::pages },
        { "the phases", &WorldRules::phases },
        { "the countdown", &WorldRules::countdown },
        { "commissioning", &WorldRules::commissioning },
        { "the locks", &WorldRules::locks },
    };
    for (const auto& rule : rules) {
        ++checked;
        const QString broken = (this->*rule.second)();
        if (!broken.isEmpty())
            return QStringLiteral("%1: %2").arg(QLatin1String(rule.first), broken);
    }
    return QString();
}

// --- the program and the line ---------------------------------------------------------

// The program runs and answers: no heartbeat missed, no QML warning, no nested event loop
// but the allowed ones, no long stall.
QString WorldRules::programAnswers()
{
    if (!m_missed.isEmpty())
        return QStringLiteral("watchdog heartbeat missed by %1").arg(m_missed.join(QLatin1String(", ")));
    const QStringList warnings = QmlWarnings::install()->take();
    if (!warnings.isEmpty())
        return QStringLiteral("QML warnings: %1").arg(warnings.join(QLatin1Char('\n')));
    const QStringList loops = m_walk.ui->nestedLoopsRefused();
    if (!loops.isEmpty())
        return QStringLiteral("a nested event loop on the GUI thread at %1").arg(loops.join(QLatin1String("; ")));
    return m_stall > 2000 ? QStringLiteral("the GUI thread did not answer for %1 ms").arg(m_stall) : QString();
}

int WorldRules::awaitedInput(States::AppState state)
{
    if (state == States::InitTest || state == States::WaitHVFree)
        return SafetyPin_HVClearanceCtrl;
    return state == States::WaitExtEmergOff ? SafetyPin_ExtEmergencyOff : SafetyPin_HvOn;
}

QString WorldRules::openInputs() const
{
    QStringList open;
    for (int bit = 0; bit < 10; ++bit)
        if (m_notes.open[bit])
            open << QString::number(bit);
    return open.join(QLatin1Char(','));
}

// An opening shorter than this may have fallen between the polls: three poll periods, each
// as long as the probe's longest from a second before it to its end; a second always counts.
qint64 WorldRules::shortestSeenOpening(qint64 from, qint64 to) const
{
    qint64 period = kPollMs, last = -1;
    for (const qint64 tick : m_probeTicks) {
        if (last >= 0 && tick >= from - 1000 && last <= to)
            period = qMax(period, tick - last);
        last = tick;
    }
    if (last >= 0 && last <= to)
        period = qMax(period, Walk::now() - last);
    return qMin<qint64>(kPollsToSettle * period, 1000);
}

bool WorldRules::unitMuteWithin(qint64 from, qint64 to) const
{
    return (m_notes.unitMuteSince >= 0 && m_notes.unitMuteSince <= to) || m_notes.unitBackAt >= from;
}

// The HV-enable line's file reads low within 1 s of a safety input opening the polls could
// see, in every state (but for the input a start's wait state waits for, and those after
// it), and once the unit gave no good answer for the link's time-out and 1 s more.
// Otherwise it is high only in a test state or while a procedure holds it, with the test
// boost allowing it and the safety inputs the state needs closed.
QString WorldRules::hvEnableLine()
{
    const qint64 now = Walk::now();
    const States::AppState state = m_walk.state();
    const QByteArray before = m_line;
    m_line = m_walk.around->gpio.value(HVEnableLine);
    const bool high = m_line.endsWith('1');
    for (int bit = 0; bit < SafetyPin_HvOn; ++bit) {
        if (m_notes.openedAt[bit] <= m_seenOpenings[bit])
            continue;
        m_seenOpenings[bit] = m_notes.openedAt[bit];
        if (bit < awaitedInput(state))
            m_openings << Opening { bit, m_notes.openedAt[bit], int(before.size()) };
    }
    for (auto it = m_openings.begin(); it != m_openings.end();) {
        const bool lowAtOpening = it->from == 0 || before.at(it->from - 1) == '0';
        const bool droppedSince = m_line.indexOf('0', it->from) >= 0;
        const qint64 closedAt = m_notes.closedAt[it->input];
        const bool brief = !m_notes.open[it->input] && closedAt - it->at < shortestSeenOpening(it->at, closedAt);
        if (lowAtOpening || droppedSince || brief) {
            it = m_openings.erase(it);
            continue;
        }
        if (now - it->at > 1000)
            return QStringLiteral("the HV-enable line still high %1 ms after safety input %2 opened (state %3)")
                .arg(now - it->at).arg(it->input).arg(QLatin1String(States::stateName(state)));
        ++it;
    }
    if (m_notes.unitMuteSince >= 0 && now - m_notes.unitMuteSince > kLinkTimeoutMs + 1000 && high)
        return QStringLiteral("the HV-enable line high %1 ms after the unit's last answer (the link's time-out %2 ms), "
                              "state %3")
            .arg(now - m_notes.unitMuteSince).arg(kLinkTimeoutMs).arg(QLatin1String(States::stateName(state)));

    const bool procedure = m_walk.app->safetyCircuit()->commissioningHoldsHvEnable();
    // The tenth input is the HV-on key, no part of the circuit; a procedure needs them all.
    const int needed = procedure ? int(SafetyPin_HvOn) : awaitedInput(state);
    const bool closed = std::count(m_notes.open, m_notes.open + needed, true) == 0;
    const bool allowed = (DataModell::isTestRunningState(state) || procedure)
        && hvEnableAllowed(true, m_walk.dm()->getTestBoostState()) && closed;
    if (!high)
        m_highSince = -1;
    else if (m_highSince < 0)
        m_highSince = now;
    if (m_highSince < 0 || allowed)
        m_notAllowedSince = -1;
    else if (m_notAllowedSince < 0)
        m_notAllowedSince = now;
    const qint64 highFor = now - qMax(m_highSince, m_notAllowedSince);
    if (m_notAllowedSince < 0 || highFor <= 1000)
        return QString();
    return QStringLiteral("HV-enable line high for %1 ms in state %2, procedure holding it: %3, safety inputs "
                          "open: [%4], test boost %5/%6")
        .arg(highFor).arg(QLatin1String(States::stateName(state))).arg(procedure).arg(openInputs())
        .arg(m_walk.dm()->getTestBoostState().powerState).arg(m_walk.dm()->getTestBoostState().stateWord);
}

// A press, double press or tap on HV OFF, STOP or a procedure's Cancel while the unit's
// output was on gets the unit's stop within 1 s, unless the unit gave no good answer then.
QString WorldRules::stops()
{
    const qint64 now = Walk::now();
    for (; m_stopsSeen < m_notes.stops.size(); ++m_stopsSeen)
        m_pendingStops << m_notes.stops.at(m_stopsSeen);
    for (auto it = m_pendingStops.begin(); it != m_pendingStops.end();) {
        const qint64 at = it->at;
        const bool stopped = std::any_of(m_commands.cbegin(), m_commands.cend(), [at](const HvUnitModel::Command& c) {
            return (c.letter == 's' || c.letter == 'o') && c.atMs >= at;
        });
        if (stopped || (now - at > 1000 && unitMuteWithin(at, at + 1000))) {
            it = m_pendingStops.erase(it);
            continue;
        }
        if (now - at > 1000)
            return QStringLiteral("no stop reached the unit %1 ms after %2 was pressed (state %3, output %4)")
                .arg(now - at).arg(it->control, QLatin1String(States::stateName(m_walk.state())))
                .arg(m_walk.unit().outputOn() ? "on" : "off");
        ++it;
    }
    return QString();
}

// Outside a test (from its start to its end) and a procedure the unit's output is off
// within 2 s, once the unit answers.
QString WorldRules::unitOutput()
{
    const qint64 now = Walk::now();
    const States::AppState state = m_walk.state();
    const bool test = state >= States::InitTest && state <= States::TestFinalizing;
    const bool excused = test || m_walk.procedureRuns() || m_notes.unitMuteSince >= 0 || now - m_notes.unitBackAt < 3000;
    if (!m_walk.unit().outputOn() || excused) {
        m_outputSince = -1;
        return QString();
    }
    if (m_outputSince < 0)
        m_outputSince = now;
    if (now - m_outputSince <= 2000)
        return QString();
    return QStringLiteral("the unit's output on for %1 ms in state %2 with no procedure running (line %3)")
        .arg(now - m_outputSince).arg(QLatin1String(States::stateName(state))).arg(m_walk.lineHigh() ? "high" : "low");
}

// The unit's set points: never above its maximum; in a test never above the voltage the
// operator confirmed; in a manual ramp only the targets the operator's clicks chose; none
// once the unit has told of a breakdown.
QString WorldRules::setPoints()
{
    const States::AppState state = m_walk.state();
    // Those sent since the last look while the ramp was live are the ramp's, if it ended since.
    const bool ramp = m_rampWasLive || (m_notes.rampPage && m_walk.testLive());
    m_rampWasLive = m_notes.rampPage && m_walk.testLive();
    for (const HvUnitModel::Command& c : qAsConst(m_commands)) {
        if (c.letter != 'u')
            continue;
        const double setKv = qAbs(int32_t(uint32_t(c.value1))) / 1e6;
        const QString seen = QStringLiteral("set point %1 kV in state %2").arg(setKv).arg(QLatin1String(States::stateName(state)));
        if (setKv > m_unitMaxKv)
            return QStringLiteral("%1, above the unit's %2 kV").arg(seen).arg(m_unitMaxKv);
        // A procedure started while a finished test waits for its confirmation is no test.
        if (m_testLimitKv > 0 && DataModell::isTestRunningState(state) && setKv > m_testLimitKv + 0.15)
            return QStringLiteral("%1, above the %2 kV (peak) the operator confirmed").arg(seen).arg(m_testLimitKv);
        if (ramp && !m_notes.rampChosen.contains(qRound(setKv * 10))) {
            QStringList chosen;
            for (int t : m_notes.rampChosen)
                chosen << QString::number(t / 10.0, 'f', 1);
            return QStringLiteral("%1 in a manual ramp whose operator chose %2 kV").arg(seen, chosen.join(QLatin1String(", ")));
        }
    }
    if (m_notes.breakdowns == m_breakdownsBefore)
        return QString();
    // The first state word read after the breakdown told the program of it.
    qint64 told = -1;
    for (const HvUnitSimulator::Request& r : m_walk.around->sim.requests()) {
        if (told < 0 && r.complete && r.bytes.startsWith(">W"))
            told = r.endMs;
        else if (told >= 0 && r.complete && r.bytes.startsWith(">u") && r.startMs > told)
            return QStringLiteral("set point %1 reached the unit %2 ms after it reported a breakdown")
                .arg(QString::fromLatin1(r.bytes)).arg(r.startMs - told);
    }
    return QString();
}

// A press or tap never acts on what came to the front less than the guard time before,
// unless it only stops something.
bool WorldRules::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    const int key = type == QEvent::KeyPress ? static_cast<QKeyEvent*>(event)->key() : 0;
    QQuickWindow* window = m_walk.ui->window();
    if (!window
        || !(type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick || type == QEvent::TouchBegin
             || key == Qt::Key_Return || key == Qt::Key_Enter))
        return false;
    if (watched == window) {
        // Before the window's own filters see it.
        m_pressAt = Walk::now();
        m_pressAge = m_pressAt - m_frontAt;
    } else if (auto* control = m_pressAt > 0 ? qobject_cast<QQuickItem*>(watched) : nullptr) {
        // It went past the window to a control.
        const int guardMs = window->property("inputGuard").value<InputGuard*>()->guardTime();
        if (m_pressAge < guardMs - 5 && m_ghost.isEmpty() && !InputGuard::isStopping(control))
            m_ghost = QStringLiteral("a press or tap reached \"%1\" (%2) %3 ms after %4 came to the front")
                          .arg(watched->objectName(), ProgramWindow::typeName(watched)).arg(m_pressAge).arg(m_frontName);
        m_pressAt = 0;
    }
    return false;
}

// --- calibration ------------------------------------------------------------------------

// The unit's gains and calibration words.
QString WorldRules::unitValues() const
{
    const HvUnitModel& unit = m_walk.unit();
    QString words;
    for (eHVUnitParamType word : { eHVUnitParamType_GainU_HVP, eHVUnitParamType_OffsetU_HVP, eHVUnitParamType_GainU_HVN,
                                   eHVUnitParamType_OffsetU_HVN })
        words += QStringLiteral(" %1").arg(unit.parameter(TPOF::getPOFParamCode(word)), 0, 16);
    return QStringLiteral("gains %1/%2, calibration words%3").arg(unit.gainU()).arg(unit.gainI()).arg(words);
}

// Within 5 s of a procedure's end: its success may still reach its page, its values the unit.
bool WorldRules::settling(qint64 now) const { return now - m_procedureEndedAt < 5000; }

// Outside a procedure the unit keeps the gains and calibration words of the last procedure
// that ended with a confirmed write (or a value the operator entered on the calibration
// page), or those it had before; what the program owes it may lag.
QString WorldRules::unitCalibration()
{
    const qint64 now = Walk::now();
    const bool running = m_walk.procedureRuns();
    QQuickItem* page = m_walk.procedurePage();
    if (running && !m_procedure) {
        m_keepsNew = false;
        if (page)
            procedures.insert(page->objectName());
    } else if (!running && m_procedure) {
        m_procedureEndedAt = now;
    }
    // A procedure keeps its values once it showed its success, or the output calibration
    // once its last step was confirmed; the success may reach the page just after the
    // procedure let the inputs go.
    if ((running || settling(now)) && page && (page->property("succeeded").toBool()
                            || (named(page, "outputVoltageCalibration") && m_notes.confirmedStage == Commissioning::Step4)))
        m_keepsNew = true;
    m_procedure = running;
    if (running)
        return QString();
    const QString values = unitValues();
    if (values == m_reference)
        return QString();
    if ((m_keepsNew && settling(now)) || now - m_notes.handWriteAt < 3000)
        m_reference = values;
    else if (!settling(now) && !m_walk.app->hvLink()->owedWrites()->owes())
        return QStringLiteral("the unit holds %1 outside a procedure, not %2").arg(values, m_reference);
    return QString();
}

// After a confirmed output calibration the unit's U gain is within 0.5 % of the one the
// two readings give ((+reading - -reading) / 74 kV); a value typed on the calibration page
// while the unit takes writes reads back from the unit as typed.
QString WorldRules::calibration()
{
    const qint64 now = Walk::now();
    HvUnitModel& unit = m_walk.unit();
    const bool owes = m_walk.app->hvLink()->owedWrites()->owes();
    const qint64 writable = qMax(m_notes.writesRefusedUntil, m_notes.unitMuteSince >= 0 ? now : m_notes.unitBackAt);
    QQuickItem* page = m_walk.procedurePage();
    const bool running = m_walk.procedureRuns();
    // A procedure changes the gains: what was typed before no longer counts.
    if (running)
        m_typed.clear();
    // Its success may reach the page just after the procedure let the inputs go.
    if ((running || settling(now)) && named(page, "outputVoltageCalibration")
        && page->property("succeeded").toBool() && page != m_calibratedPage
        && m_notes.readingAt.contains(Commissioning::Step1) && m_notes.readingAt.contains(Commissioning::Step2)) {
        const double span = m_notes.readingAt.value(Commissioning::Step2) - m_notes.readingAt.value(Commissioning::Step1);
        m_calibrated = { span / 74.0 * 10000.0, now };
        m_calibratedPage = page;
    }
    if (running)
        return QString();
    if (m_calibrated.at >= 0 && !settling(now) && now - writable > 5000 && !owes) {
        const Calibrated c = m_calibrated;
        m_calibrated = Calibrated();
        ++calibrationsChecked;
        if (qAbs(unit.gainU() - c.gain) > c.gain * 0.005)
            return QStringLiteral("the unit's U gain is %1 after an output calibration whose readings give %2 "
                                  "(-%3 kV, +%4 kV)")
                .arg(unit.gainU()).arg(qRound(c.gain)).arg(m_notes.readingAt.value(Commissioning::Step1))
                .arg(m_notes.readingAt.value(Commissioning::Step2));
    }
    for (; m_typedSeen < m_notes.calibrationTyped.size(); ++m_typedSeen) {
        const Notes::Typed& t = m_notes.calibrationTyped.at(m_typedSeen);
        // A later value for the same field replaces the earlier.
        for (Expected& e : m_typed)
            e.settled = e.settled || e.typed.property == t.property;
        // Typed while the unit took no writes: the program says the write failed.
        m_typed << Expected { t, t.at <= writable };
    }
    static const QHash<QString, eHVUnitParamType> fixedPoint {
        { "gainPFC", eHVUnitParamType_GainPFC },       { "gainHvpU", eHVUnitParamType_GainU_HVP },
        { "offsetHvpU", eHVUnitParamType_OffsetU_HVP }, { "gainHvnU", eHVUnitParamType_GainU_HVN },
        { "offsetHvnU", eHVUnitParamType_OffsetU_HVN }, { "gainHvpI", eHVUnitParamType_GainI_HVP },
        { "offsetHvpI", eHVUnitParamType_OffsetI_HVP }, { "gainHvnI", eHVUnitParamType_GainI_HVN },
        { "offsetHvnI", eHVUnitParamType_OffsetI_HVN },
    };
    for (Expected& e : m_typed) {
        if (e.settled)
            continue;
        const QString& property = e.typed.property;
        double held = 0;
        if (property == QLatin1String("gainU") || property == QLatin1String("gainI")) {
            held = (property == QLatin1String("gainU") ? unit.gainU() : unit.gainI()) / 10000.0;
        } else if (fixedPoint.contains(property)) {
            held = int16_t(uint16_t(unit.parameter(TPOF::getPOFParamCode(fixedPoint.value(property))))) / 4096.0;
        } else {
            e.settled = true;
            continue;
        }
        // Within half the last decimal shown and half a step of the unit's word.
        if (qAbs(held - e.typed.value) <= 0.0005 + 1 / 8192.0) {
            e.settled = true;
            continue;
        }
        ++readingsCompared;
        const qint64 due = qMax(e.typed.at, writable) + 10000;
        if (now > due && !owes)
            return QStringLiteral("%1 typed as %2 on the calibration page %3 ms ago, the unit holds %4")
                .arg(property).arg(e.typed.value).arg(now - e.typed.at).arg(held);
    }
    return QString();
}

// --- records ------------------------------------------------------------------------------

QSet<QString> WorldRules::recordFiles() const
{
    QSet<QString> files;
    QDirIterator it(GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements), { QStringLiteral("*.vlf") }, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files.insert(QFileInfo(it.next()).absoluteFilePath());
    return files;
}

void WorldRules::onStateChanged(States::AppState from, States::AppState to)
{
    const qint64 now = Walk::now();
    int askedPhase = -1;
    if (to == States::InitTest) {
        modes.insert(TestChart::operatingModeName(m_walk.dm()->getOperatingMode()));
        // The page that started the test: the phase it asked to be connected, if any.
        QQuickItem* page = m_walk.ui->page();
        QObject* status = page ? page->property("startStatus").value<QObject*>() : nullptr;
        const QObject* row = page ? page->property("phaseRow").value<QObject*>() : nullptr;
        const bool asks = ProgramWindow::typeName(page) == QLatin1String("TestConfirmationPage") && row && status;
        m_startPhase = asks ? status->property("phaseName").toString() : QString();
        m_phaseConfirmed = asks && m_notes.connected.page == page;
        askedPhase = asks ? row->property("value").toInt() : -1;
    }
    if (to == States::InitTest || to == States::Idle) {
        m_testLimitKv = to == States::InitTest ? m_notes.confirmedKv : 0;
        m_breakdownsBefore = m_notes.breakdowns;
    }
    // A start from a phase's confirmation goes on with the sequence, unless it is a test of
    // another mode, one started afresh from the main menu, or one whose confirmation asks for
    // a phase not after the last (configured anew, its phases begin again).
    const int mode = m_walk.dm()->getOperatingMode();
    const bool nextPhase = from == States::WaitPhaseConnect && mode == m_sequence.mode && !m_sequence.mainMenuSince
        && (askedPhase < 0 || askedPhase > m_sequence.phase);
    if (to == States::InitTest && !nextPhase) {
        // A new sequence: what the store held before it, what the operator confirmed for it.
        Sequence s;
        s.before = recordFiles();
        if (m_sequenceOpen && !m_sequence.checked) {
            m_sequence.after = s.before;
            if (m_sequence.endedAt < 0)
                m_sequence.endedAt = m_sequence.phaseEndedAt;
            m_ended << m_sequence;
        }
        s.mode = mode;
        s.serial = m_sequence.serial + 1;
        s.cable = m_notes.cable;
        s.cableConfirmed = m_notes.cableConfirmed;
        s.kv = m_notes.confirmedKv;
        s.manual = m_walk.ui->vm()->config()->manualRamp();
        m_sequence = s;
        m_sequenceOpen = true;
    }
    if (to == States::InitTest) {
        m_sequence.endedAt = -1;
        if (askedPhase >= 0)
            m_sequence.phase = askedPhase;
    }
    // It ends with its results, or back in Idle before them; a phase to come goes on.
    if (m_sequenceOpen && m_sequence.endedAt < 0
        && (to == States::TestFinished || (to == States::Idle && from != States::TestFinished
                                           && from != States::TestDataTransferred)))
        m_sequence.endedAt = now;
    if (to == States::WaitPhaseConnect) {
        m_sequence.phaseEndedAt = m_sequence.endedAt;
        m_sequence.endedAt = -1;
        m_sequence.mainMenuSince = false;
    }
}

// Every test sequence that reached HV on and whose results page does not say that nothing
// was stored adds exactly one record within 5 s of its end, with the cable number confirmed
// for it, the voltage confirmed for it (a test at one level) and no comment until one is
// confirmed for it; the results page's voltage is the record's. A comment or cable number
// confirmed for a record is in it within 5 s.
QString WorldRules::records()
{
    const QString broken = sequenceRecord();
    return broken.isEmpty() ? editedRecords() : broken;
}

QString WorldRules::sequenceRecord()
{
    const qint64 now = Walk::now();
    Sequence& s = m_sequence;
    if (!m_sequenceOpen)
        return QString();
    if (s.endedAt < 0 && m_walk.unit().outputOn())
        s.hvOn = true;
    if (m_walk.state() == States::WaitPhaseConnect && m_walk.shown() == QLatin1String("MainPage"))
        s.mainMenuSince = true;
    if (!s.checked)
        s.seen += recordFiles();
    // The results page of the sequence, as the operator reads it.
    QQuickItem* page = m_walk.ui->page();
    if (s.endedAt >= 0 && ProgramWindow::typeName(page) == QLatin1String("MeasurementResultsPage")
        && !page->property("isLoadedData").toBool() && !page->property("waiting").toBool()) {
        s.resultsShown = true;
        const QObject* status = ProgramWindow::findIn(page, QStringLiteral("resultStatus"));
        s.nothingStored = status && status->property("text").toString().contains(QLatin1String("No results were stored"));
        for (const QVariant& item : page->property("shownTestParameters").toList()) {
            const auto* unit = qobject_cast<FixedValueUnit*>(item.value<QObject*>());
            if (unit && unit->type() == FixedValueUnit::Voltage) {
                s.resultsVoltage = unit->value();
                s.resultsHint = unit->unitHint();
            }
        }
    }
    // One superseded by the next before its time: what the store held when the next began.
    for (Sequence& ended : m_ended) {
        // Its results confirmed unseen by a start kept for Idle: whether they said that nothing
        // was stored, nobody read.
        if (!ended.resultsShown)
            continue;
        const QString broken = storedRecord(ended, ended.after);
        if (!broken.isEmpty())
            return broken;
    }
    m_ended.clear();
    return now - s.endedAt > 5000 ? storedRecord(s, recordFiles()) : QString();
}

QString WorldRules::storedRecord(Sequence& s, const QSet<QString>& after)
{
    const qint64 now = Walk::now();
    if (s.endedAt < 0 || !s.hvOn || s.nothingStored || s.checked)
        return QString();
    s.checked = true;
    ++recordsChecked;
    const QSet<QString> added = (after + s.seen) - s.before;
    if (added.size() != 1)
        return QStringLiteral("%1 records added by a test sequence that reached HV on, %2 ms after its end: %3")
            .arg(added.size()).arg(now - s.endedAt).arg(QStringList(added.values()).join(QLatin1String(", ")));
    s.record = *added.cbegin();
    m_sequenceRecords.insert(s.serial, s.record);
    TestChart::VLF::TestData data;
    // The operator may have deleted it already.
    if (!TestChart::loadTestData(s.record, &data))
        return QFileInfo::exists(s.record) ? QStringLiteral("record %1 does not read back").arg(s.record) : QString();
    const QString cable = TestChart::cableNumber(data);
    if (s.cableConfirmed && cable != s.cable)
        return QStringLiteral("record %1 holds the cable number \"%2\", the operator confirmed \"%3\"")
            .arg(s.record, cable, s.cable);
    // The record keeps its comment field padded.
    const QString comment = TestChart::VLF::info(data, 1, 25).trimmed();
    if (!comment.isEmpty() && m_notes.comment.at < s.endedAt)
        return QStringLiteral("record %1 holds the comment \"%2\", none was confirmed for it").arg(s.record, comment);
    const int mode = int(TestChart::VLF::info(data, 0, 12).toInt());
    const double stored = TestChart::VLF::info(data, 0, 13).toDouble() / 1e6;
    const bool oneLevel = !s.manual && mode != OperatingModes::TanDelta && mode != OperatingModes::MWTStep;
    if (oneLevel && s.kv > 0 && qAbs(qAbs(stored) - s.kv) > 0.15)
        return QStringLiteral("record %1 holds the test voltage %2 kV (peak), the operator confirmed %3 kV")
            .arg(s.record, kv(stored), kv(s.kv));
    if (s.resultsShown && !s.resultsVoltage.isEmpty()) {
        const bool rms = s.resultsHint.compare(QLatin1String("RMS"), Qt::CaseInsensitive) == 0;
        const double expected = qAbs(stored) / (rms ? M_SQRT2 : 1.0);
        if (qAbs(shownKv(s.resultsVoltage) - expected) > 0.051)
            return QStringLiteral("the results page shows %1 kV %2, record %3 holds %4 kV (peak)")
                .arg(s.resultsVoltage, s.resultsHint, s.record, kv(stored));
    }
    return QString();
}

// A comment or a cable number confirmed since: in its record within 5 s.
QString WorldRules::editedRecords()
{
    const qint64 now = Walk::now();
    const Sequence& s = m_sequence;
    for (const Notes::Edit* edit : { &m_notes.comment, &m_notes.recordCable }) {
        const bool comment = edit == &m_notes.comment;
        if (edit->at <= m_editsSeen[comment])
            continue;
        m_editsSeen[comment] = edit->at;
        const int sequence = edit->record.isEmpty() && s.endedAt >= 0 && edit->at > s.endedAt ? s.serial : 0;
        // A later one for the same record replaces the one before.
        m_edits.erase(std::remove_if(m_edits.begin(), m_edits.end(),
                                     [&](const Edit& e) {
                                         return e.comment == comment && e.edit.record == edit->record && e.sequence == sequence;
                                     }),
                      m_edits.end());
        m_edits << Edit { *edit, comment, sequence };
    }
    for (auto it = m_edits.begin(); it != m_edits.end();) {
        const Notes::Edit edit = it->edit;
        // Of the test just run: the record its sequence added, once found; of one the next
        // test superseded, the record it was found to add.
        const bool earlier = it->sequence && it->sequence != s.serial;
        const bool found = !edit.record.isEmpty()
            || (earlier ? m_sequenceRecords.contains(it->sequence) : s.checked || !s.hvOn || s.nothingStored);
        if (now - edit.at < 5000 || (!found && now - edit.at < 15000)) {
            ++it;
            continue;
        }
        const QString path = !edit.record.isEmpty() ? edit.record
            : earlier                               ? m_sequenceRecords.value(it->sequence)
            : edit.at > s.endedAt                   ? s.record
                                                    : QString();
        const bool comment = it->comment;
        const QString text = edit.text.trimmed();
        it = m_edits.erase(it);
        TestChart::VLF::TestData data;
        // Deleted meanwhile, or a test without record.
        if (path.isEmpty() || !TestChart::loadTestData(path, &data))
            continue;
        const QString held = comment ? TestChart::VLF::info(data, 1, 25).trimmed() : TestChart::cableNumber(data);
        if (held != text)
            return QStringLiteral("record %1 holds the %2 \"%3\" %4 ms after \"%5\" was confirmed for it")
                .arg(path, comment ? "comment" : "cable number", held).arg(now - edit.at).arg(text);
    }
    return QString();
}

// Every record reads back and has its row in the history; a typed token is only in the
// record it was typed for, and only in a comment or a cable number typed there.
QString WorldRules::tokens()
{
    QMap<int, QString> holders;
    QSet<QString> present;
    QDirIterator it(GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements), { QStringLiteral("*.vlf") }, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo file(it.next());
        const QString path = file.absoluteFilePath();
        const QPair<qint64, qint64> version(file.size(), file.lastModified().toMSecsSinceEpoch());
        if (m_records.value(path).version != version) {
            TestChart::VLF::TestData data;
            QString broken;
            if (!TestChart::loadTestData(path, &data))
                broken = QStringLiteral("record %1 does not read back").arg(path);
            const auto rows = broken.isEmpty() ? TestChart::activityEntryList(file.absolutePath())
                                               : ActivityTypes::ActivityEntryList();
            if (broken.isEmpty() && std::none_of(rows.cbegin(), rows.cend(), [&](const auto& row) { return row.path == path; }))
                broken = QStringLiteral("record %1 has no row in the history").arg(path);
            // A deletion running beside the check may take it while it is read.
            if (!broken.isEmpty() && !QFileInfo::exists(path))
                continue;
            if (!broken.isEmpty())
                return broken;
            m_records[path] = { version, TestChart::VLF::info(data, 1, 25) };
        }
        present.insert(path);
        const Record& seen = m_records[path];
        for (auto match = kToken.globalMatch(seen.comment); match.hasNext();) {
            const int token = match.next().captured(1).toInt();
            const QString target = m_notes.tokens.value(token, QStringLiteral("by nobody"));
            if (target != QLatin1String("comment"))
                return QStringLiteral("record %1 holds the comment \"%2\" typed %3").arg(path, seen.comment, target);
            if (holders.contains(token))
                return QStringLiteral("records %1 and %2 both hold the comment \"zq%3x\"").arg(holders[token], path).arg(token);
            holders[token] = path;
        }
    }
    for (auto r = m_records.begin(); r != m_records.end();)
        r = present.contains(r.key()) ? std::next(r) : m_records.erase(r);
    return QString();
}

// --- the screen and the pages -------------------------------------------------------------

// In a running test at its level the live page's voltage is within 0.1 kV and the unit's
// noise of the unit's output, as the unit measures it with its gain.
QString WorldRules::screen()
{
    HvUnitModel& unit = m_walk.unit();
    QQuickItem* page = m_walk.ui->page();
    const uint32_t word = unit.stateWord();
    if (m_walk.state() != States::TestRunning || !unit.outputOn() || !m_walk.lineHigh()
        || !(word & HVStateBits::NominalVoltageReached)
        || ProgramWindow::typeName(page) != QLatin1String("MeasurementPage") || page->property("currentTab").toInt() != 0
        || m_notes.unitMuteSince >= 0 || Walk::now() - m_notes.unitBackAt < 2000) {
        m_screenSteadySince = -1;
        return QString();
    }
    // At the level of one set point for a second: the page follows the unit's samples.
    const int64_t setPoint = unit.setVoltage();
    if (setPoint != m_screenSetPoint || m_screenSteadySince < 0 || m_screenNoise != m_notes.noiseKv) {
        m_screenSetPoint = setPoint;
        m_screenNoise = m_notes.noiseKv;
        m_screenSteadySince = Walk::now();
    }
    if (Walk::now() - m_screenSteadySince < 1000)
        return QString();
    QObject* gauge = page->property("overviewTab").value<QObject*>();
    gauge = gauge ? gauge->property("gauge").value<QObject*>() : nullptr;
    QObject* text = gauge ? gauge->property("valueText").value<QObject*>() : nullptr;
    if (!text)
        return QString();
    const QString shown = text->property("text").toString();
    const int mode = m_walk.dm()->getOperatingMode();
    const bool negative = unit.outputNegative();
    // The gauge shows the unit's reading as it comes, the amplitude in the sine modes too.
    const double measured = unit.outputVoltage() * unit.gainU() / 10000.0 / 1e6 * (negative ? -1 : 1);
    const double noise = m_notes.noiseKv;
    ++readingsCompared;
    if (qAbs(shownKv(shown) - measured) <= 0.1 + noise + 0.05)
        return QString();
    return QStringLiteral("the live page shows \"%1\", the unit's output is %2 kV as the unit reads it (noise +-%3 kV), "
                          "mode %4")
        .arg(shown, kv(measured), kv(noise)).arg(mode);
}

// In a test state for more than 2 s the page under any dialog is that test's page; within
// 5 s of a sequence's end its results page is shown (or, a phase to come, the next phase's
// confirmation); a start the confirmation page shows reaches InitTest; no state with a
// time-out outlasts it, and TestFinished not 30 s without its results page shown.
QString WorldRules::pages()
{
    const qint64 now = Walk::now();
    const States::AppState state = m_walk.state();
    if (state != m_pageState) {
        m_pageState = state;
        m_pageStateAt = now;
    }
    QQuickItem* page = m_walk.ui->page();
    const QString type = ProgramWindow::typeName(page);
    const QString name = QLatin1String(States::stateName(state));
    const qint64 inState = now - m_pageStateAt;
    if (Statemachine::isTestState(state) && inState > 2000) {
        static const QStringList starting { "TestConfirmationPage" };
        static const QStringList preparing { "MeasurementPreparationPage", "MeasurementReducedFrequencyPage" };
        static const QStringList running { "MeasurementPage" };
        const QStringList& expected = state <= States::WaitConfirmOn ? starting
            : state <= States::TestReadyToRun                     ? preparing
            : state == States::TestSoftStop                       ? preparing + running
                                                                  : running;
        // A page left by a Cancel goes before the state does.
        if (expected.contains(type))
            m_wrongPageSince = -1;
        else if (m_wrongPageSince < 0)
            m_wrongPageSince = now;
        if (m_wrongPageSince >= 0 && now - m_wrongPageSince > 1000)
            return QStringLiteral("%1 shown in state %2 for %3 ms, not %4")
                .arg(type, name).arg(now - m_wrongPageSince).arg(expected.join(QLatin1String(" or ")));
    } else {
        m_wrongPageSince = -1;
    }
    // The end of a sequence: its results, or the next phase's confirmation.
    const Sequence& s = m_sequence;
    if (m_sequenceOpen && s.endedAt >= 0 && s.hvOn) {
        if (type == QLatin1String("MeasurementResultsPage") || type == QLatin1String("TestConfirmationPage"))
            m_resultsSeenFor = s.endedAt;
        else if (m_resultsSeenFor != s.endedAt && now - s.endedAt > 5000 && state != States::Idle)
            return QStringLiteral("%1 shown %2 ms after a test sequence ended (state %3), no results")
                .arg(type).arg(now - s.endedAt).arg(name);
    }
    // A start shown on the confirmation page, given where a test may start (not while the
    // unit is in its error), reaches the test's first state; a test that then ended at once
    // (the unit lost as it began) keeps its page until the test is left, not into Idle.
    const bool started = type == QLatin1String("TestConfirmationPage") && page->property("started").toBool();
    if (started && Statemachine::isTestState(state))
        m_startReachedBy = page;
    const bool starting = started && !Statemachine::isTestState(state)
        && (page != m_startReachedBy || state == States::Idle);
    if (!starting) {
        m_startSeen = -1;
    } else if (m_startSeen < 0 || state == States::Starting) {
        // A unit started again after its error: the start waits for the Idle that follows.
        m_startSeen = now;
        m_startAllowed = state == States::Idle || state == States::TestFinished || state == States::WaitPhaseConnect
            || state == States::TestDataTransferred || state == States::Starting;
    }
    if (state == States::HVUnitError)
        m_startAllowed = false;
    if (m_startSeen >= 0 && m_startAllowed && now - m_startSeen > 5000)
        return QStringLiteral("the confirmation page shows a start %1 ms old, the state is %2").arg(now - m_startSeen).arg(name);
    for (const Statemachine::StateTimeout& t : Statemachine::defaultTimeouts())
        if (t.state == state && inState > qint64(t.ms) + 3000)
            return QStringLiteral("state %1 for %2 ms, its time-out is %3 ms").arg(name).arg(inState).arg(t.ms);
    if (state != States::TestFinished || type == QLatin1String("MeasurementResultsPage"))
        m_resultsNotShownSince = -1;
    else if (m_resultsNotShownSince < 0)
        m_resultsNotShownSince = now;
    if (m_resultsNotShownSince >= 0 && now - m_resultsNotShownSince > 30000)
        return QStringLiteral("TestFinished for %1 ms with %2 shown, not the results").arg(now - m_resultsNotShownSince).arg(type);
    return QString();
}

// A test that asks which phase is connected drives the unit only once the operator confirmed
// that phase on the page that started it; its preparation and live pages name no other phase.
QString WorldRules::phases()
{
    QQuickItem* page = m_walk.ui->page();
    const QString type = ProgramWindow::typeName(page);
    const States::AppState state = m_walk.state();
    const QString name = QLatin1String(States::stateName(state));
    const bool test = state >= States::InitTest && state <= States::TestFinalizing && !m_walk.procedureRuns();
    const bool on = m_walk.unit().outputOn(), cameOn = on && !m_phaseOutputOn;
    m_phaseOutputOn = on;
    if (m_startPhase.isEmpty() || !test)
        return QString();
    if (cameOn && !m_phaseConfirmed)
        return QStringLiteral("the unit's output came on in state %1 for phase %2, whose connection the operator did "
                              "not confirm on the page that started the test")
            .arg(name, m_startPhase);
    // The parameters as the overview lists them; the other tabs may show earlier phases.
    const bool overview = type == QLatin1String("MeasurementPreparationPage")
        || (type == QLatin1String("MeasurementPage") && page->property("currentTab").toInt() == 0);
    if (!overview || m_walk.ui->dialogShown() || state > States::TestBurning)
        return QString();
    const QStringList shown = m_walk.ui->texts();
    for (int phase = 0; phase < 3; ++phase) {
        const QString other = m_walk.dm()->getPhaseName(phase);
        if (other.isEmpty() || other == m_startPhase)
            continue;
        const QRegularExpression word(QStringLiteral("(?<!\\w)%1(?!\\w)").arg(QRegularExpression::escape(other)));
        for (const QString& text : shown)
            if (word.match(text).hasMatch())
                return QStringLiteral("%1 shows \"%2\" in state %3, the operator connected phase %4")
                    .arg(type, text, name, m_startPhase);
    }
    return QString();
}

// The burning minute is counted down only for a unit told to burn: without burn mode a
// breakdown switches its output off for good.
QString WorldRules::countdown()
{
    const qint64 now = Walk::now();
    if (m_walk.state() != States::TestBurning) {
        m_burningSince = -1;
        return QString();
    }
    if (m_burningSince < 0)
        m_burningSince = now;
    if (now - m_burningSince <= 1000 || (m_walk.unit().burnFlags() & 1))
        return QString();
    return QStringLiteral("%1 counts a burning cable down %2 ms after its breakdown, the unit was sent burn mode off")
        .arg(m_walk.shown()).arg(now - m_burningSince);
}

// An offered Confirm stays offered until it is pressed or its step ends; no procedure is set
// up within 3 s of a procedure's Cancel unless the knob turned or an entry was tapped since.
QString WorldRules::commissioning()
{
    const qint64 now = Walk::now();
    QQuickItem* page = m_walk.procedurePage();
    QQuickItem* confirm = page ? page->property("confirmButton").value<QQuickItem*>() : nullptr;
    if (named(page, "outputVoltageCalibration") && confirm) {
        const int stage = page->property("stage").toInt();
        const bool offered = confirm->isVisible() && confirm->opacity() >= 1.0;
        const bool pressed = page->property("waiting").toBool();
        const bool mute = unitMuteWithin(now - 3000, now);
        if (offered)
            m_offeredStage = stage;
        else if (m_offeredStage == stage && !pressed && !mute && !page->property("done").toBool())
            return QStringLiteral("Confirm was offered in stage %1 and is not any more").arg(stage);
        if (pressed || stage != m_offeredStage)
            m_offeredStage = offered ? stage : kNoStage;
    } else {
        m_offeredStage = kNoStage;
    }
    const qint64 abort = m_notes.abortAt;
    if (abort < 0 || now - abort > 3000 || m_notes.knobTurnedAt > abort || m_notes.entryTappedAt > abort)
        return QString();
    // The one cancelled may still be ending in the first second, or until its stop to a unit
    // that does not answer has waited out the link.
    const qint64 ending = unitMuteWithin(abort, now) ? kLinkTimeoutMs + 1000 : 1000;
    if (now - abort > ending && m_walk.procedureRuns())
        return QStringLiteral("a procedure runs %1 ms after a procedure's Cancel (line %2), the knob not turned, no "
                              "entry tapped")
            .arg(now - abort).arg(m_walk.lineHigh() ? "high" : "low");
    return QString();
}

// A locked menu (its page, what was opened from it, the procedures behind the service
// lock) shows only once its password was typed since it was locked.
QString WorldRules::locks()
{
    QStringList stack;
    QString lock;
    ProgramWindow& ui = *m_walk.ui;
    for (int i = 0, depth = ui.depth(); i < depth; ++i) {
        QQuickItem* page = m_walk.stackPage(i);
        if (!page)
            continue;
        // A lock's page counts once its menu shows, or something was opened from it.
        const QObject* menu = page->property("menu").value<QObject*>();
        const bool menuShown = i < depth - 1 || (menu && menu->property("visible").toBool());
        if (!OperatorHands::lockOf(page).isEmpty()) {
            if (menuShown)
                lock = OperatorHands::lockOf(page);
        } else if (page->objectName() == QLatin1String("calibrationMenuPage") || page->property("showsProcedureErrors").isValid()
                   || ProgramWindow::typeName(page) == QLatin1String("CommissioningSelectionPage")) {
            lock = Settings::kServiceLock;
        }
        stack << page->objectName();
    }
    if (lock.isEmpty() && ui.shownType() == QLatin1String("MainPage")
        && ui.find(QStringLiteral("modeButton%1").arg(int(OperatingModes::Calibration))))
        lock = Settings::kServiceLock;
    if (lock.isEmpty() || m_notes.rightTypedAt.value(lock, -1) > m_lockedAt.value(lock))
        return QString();
    return QStringLiteral("the menu behind %1 shows (%2), its password not typed since it was locked")
        .arg(lock, stack.join(QLatin1String(" > ")));
}
