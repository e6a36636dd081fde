#include "RandomOperatorDraw.h"

#include "core/GlobalFuncs.h"
#include "gui/GuiViewModel.h"
#include "gui/Settings.h"
#include "gui/TestConfiguration.h"
#include "gui/ValueUnit.h"
#include "datamodel/Statemachine.h"

#include <QDirIterator>
#include <QJSValue>
#include <QQmlContext>

#include <cmath>
#include <numeric>

namespace {

const QString kAdminPassword = QStringLiteral("Adm1n-Lock");
const QString kServicePassword = QStringLiteral("Serv1ce-Lock");

bool is(const QString& a, const char* b) { return a == QLatin1String(b); }

} // namespace

OperatorDraw::OperatorDraw(const Walk& walk, Notes& notes, OperatorHands& hands, quint32 seed)
    : m_walk(walk), m_notes(notes), m_hands(hands), m_rng(seed)
{
    // The test modes the menu offers, by group; the service procedures are no test.
    for (const MenuViewModel* group : m_walk.ui->vm()->menuEntries()) {
        if (!group->enabled() || group->mode() == OperatingModes::Calibration)
            continue;
        for (const MenuViewModel* mode : group->menuEntries())
            if (mode->enabled())
                testModes << qMakePair(int(group->mode()), int(mode->mode()));
    }
    // Seeds begin the cycle at different modes, so that a few together start every one.
    m_nextMode = testModes.isEmpty() ? 0 : int(seed % uint(testModes.size()));
    m_nextPhaseMode = int(seed % 2);
}

template <typename T>
int OperatorDraw::weighted(const QList<QPair<T, int>>& options)
{
    int at = draw(qMax(1, std::accumulate(options.cbegin(), options.cend(), 0,
                                          [](int sum, const QPair<T, int>& o) { return sum + o.second; })));
    for (int i = 0; i < options.size(); ++i)
        if ((at -= options[i].second) < 0)
            return i;
    return 0;
}

const QList<OperatorDraw::Aim>& OperatorDraw::aims()
{
    const auto step = [](const char* page, const char* controls, int appeal = 800) {
        return Step { page, QRegularExpression(QStringLiteral("^(%1)\\|").arg(QLatin1String(controls))), appeal };
    };
    // The way to a test and through it; the mode, phases, cable and comment are the plan's.
    const QList<Step> test {
        step("MainPage", "modeButton\\d+"), step("TestSelectionPage", "modeButton\\d+"),
        step("CableDataPage", "confirmButton"), step("TestConfigurationPage", "confirmButton|phaseButton\\d"),
        step("TestConfirmationPage", "rowConfirmButton\\d+|confirmButton"),
        step("MeasurementResultsPage", "returnButton|restartButton|addInfoButton"),
        step("CommentEditPage", "confirmButton"), step("DialogPage", "confirmButton"),
        step("MeasurementReducedFrequencyPage", "confirmButton")
    };
    static const QStringList measuring { "TestConfirmationPage", "MeasurementPreparationPage", "MeasurementPage" };
    static const QStringList procedures { "OutputVoltageCalibration", "CascadeCalibration", "CascadePowerEnvelope" };
    const QList<Step> procedure {
        step("MainPage", "settingsButton|modeButton4"), step("TestSelectionPage", "modeButton(17|18|22)"),
        step("SettingsPage", "serviceEntry"), step("ServiceSettings", "okButton|calibrationModeEntry"),
        step("CalibrationMenuPage", "commissioningButton"), step("CommissioningSelectionPage", "modeButton(17|18|22)"),
        step("OutputVoltageCalibration", "confirmButton"), step("CascadeCalibration", "confirmButton"),
        step("CascadePowerEnvelope", "confirmButton")
    };
    static const QList<Aim> list {
        { "a test", 25000, test, measuring, &OperatorDraw::testRuns, true },
        { "a manual ramp", 25000,
          { step("MainPage", "modeButton1"), step("TestSelectionPage", "modeButton(7|10)"),
            step("CableDataPage", "confirmButton"), step("TestConfigurationPage", "settingsButton"),
            step("TestConfigurationPage", "confirmButton", 60), step("ExtendedConfigurationPage", "confirmButton", 60),
            step("TestConfirmationPage", "rowConfirmButton\\d+|confirmButton"), step("DialogPage", "confirmButton"),
            step("MeasurementPage", "voltageButton|overviewGauge") },
          measuring, &OperatorDraw::rampChosen },
        { "a multi-phase test", 45000, test, measuring, &OperatorDraw::laterPhaseRuns, true },
        { "a restart", 30000, test, measuring, &OperatorDraw::restarted, true },
        { "a comment", 30000, test, measuring, &OperatorDraw::commented, true },
        { "the history", 10000,
          { step("MainPage", "activitiesButton"),
            step("ActivitiesPage", "activityList|expander|loadButton|folderCheckBox|shareButton"),
            step("MeasurementResultsPage", "addInfoButton|editCableButton|shareButton"),
            step("CommentEditPage", "confirmButton"), step("CableDataPage", "confirmButton"),
            step("SharePage", "usbButton"), step("DialogPage", "confirmButton") },
          {}, &OperatorDraw::historyShown },
        { "the settings", 10000,
          { step("MainPage", "settingsButton"), step("SettingsPage", "(information|system|measurement|connections)Entry") },
          {}, &OperatorDraw::settingsShown },
        { "the locks", 10000,
          { step("MainPage", "settingsButton"), step("SettingsPage", "(admin|service)Entry"),
            step("AdminSettings", "okButton|lockButton"), step("ServiceSettings", "okButton|lockButton") },
          {}, &OperatorDraw::locked },
        // Stored tests exported and deleted; imported criteria removed (three are put in place).
        { "a record export", 15000,
          { step("MainPage", "activitiesButton"), step("ActivitiesPage", "folderCheckBox|shareButton"),
            step("SharePage", "usbButton"), step("DialogPage", "confirmButton") },
          {}, &OperatorDraw::recordsExported },
        { "a record deletion", 15000,
          { step("MainPage", "activitiesButton"), step("ActivitiesPage", "folderCheckBox|deleteButton"),
            step("DialogPage", "confirmButton") },
          {}, &OperatorDraw::recordsDeleted },
        { "criteria removed", 20000,
          { step("MainPage", "settingsButton"), step("SettingsPage", "adminEntry"),
            step("AdminSettings", "okButton|tanDeltaSettingsEntry"),
            step("TanDeltaSettingsPage", "deleteStandardsButton"), step("DialogPage", "confirmButton") },
          {}, &OperatorDraw::criteriaRemoved },
        { "a procedure", 10000, procedure, procedures, &OperatorDraw::procedureRuns },
        { "a procedure to its end", 75000, procedure, procedures, &OperatorDraw::procedureSucceeded },
    };
    return list;
}

QList<OperatorInput> OperatorDraw::nextAim()
{
    const qint64 now = Walk::now();
    if (m_aimReached < 0 && (this->*aims()[m_aim].reached)()) {
        m_aimReached = now;
        // A burning ramp is watched a while: breakdowns are looked for there.
        m_aimEnd = qMin(m_aimEnd, now + (rampBurning() ? 10000 : between(1000, 3000)));
    }
    if (now < m_aimEnd)
        return {};
    // One not reached yet, those asked for first, as long as there is one; records are
    // exported or deleted once a test has left one.
    QList<int> open, possible;
    for (int i = 0; i < aims().size(); ++i)
        if (m_records > 0 || !QLatin1String(aims()[i].name).startsWith(QLatin1String("a record ")))
            possible << i;
    for (int pass = 0; pass < 2 && open.isEmpty(); ++pass)
        for (int i : qAsConst(possible))
            if (!reached.contains(QLatin1String(aims()[i].name)) && (pass || firstAims.contains(QLatin1String(aims()[i].name))))
                open << i;
    m_aim = open.isEmpty() ? possible[draw(possible.size())] : open[draw(open.size())];
    const Aim& aim = aims()[m_aim];
    m_aimStart = now;
    m_aimReached = -1;
    m_aimEnd = now + aim.ms;
    m_typedInto = nullptr;
    // The plan of its test: the aim "a test" takes the enabled modes in turn.
    m_plan = Plan();
    m_plan.burn = chance(0.5);
    m_plan.cable = chance(0.7);
    m_plan.comment = is(QLatin1String(aim.name), "a comment") || chance(0.3);
    m_plan.restart = is(QLatin1String(aim.name), "a restart") || chance(is(QLatin1String(aim.name), "a multi-phase test") ? 0.5 : 0.2);
    m_plan.finish = is(QLatin1String(aim.name), "a procedure to its end") || chance(0.3);
    m_plan.stopAtOnce = (is(QLatin1String(aim.name), "a test") || is(QLatin1String(aim.name), "a comment")) && chance(0.3);
    if (is(QLatin1String(aim.name), "a multi-phase test")) {
        static const int multi[] = { OperatingModes::TanDelta, OperatingModes::MWTStep };
        m_plan.group = OperatingModes::Diagnosis;
        m_plan.mode = multi[m_nextPhaseMode++ % 2];
        m_plan.phases = between(2, 3);
    } else if (!testModes.isEmpty()) {
        const QPair<int, int> mode = testModes[m_nextMode++ % testModes.size()];
        m_plan.group = mode.first;
        m_plan.mode = mode.second;
        m_plan.phases = between(1, 3);
    }
    // A procedure to its end: the three in turn, the output calibration (the longest, and the
    // one an aim asked for reaches only once) first.
    if (is(QLatin1String(aim.name), "a procedure to its end")) {
        static const int procedures[] = { OperatingModes::OutputCalibration, OperatingModes::CascadeCalibration,
                                          OperatingModes::CascadePowerEnvelope };
        m_plan.procedure = procedures[m_nextProcedure++ % 3];
    }
    OperatorInput start = input("aim");
    start.text = QLatin1String(aim.name);
    if (m_plan.procedure)
        start.text += QStringLiteral(" (mode %1)").arg(m_plan.procedure);
    else if (m_plan.mode)
        start.text += QStringLiteral(" (mode %1, %2 phase(s))").arg(m_plan.mode).arg(m_plan.phases);
    // The unit for what comes: a cable that discharges slowly or at once, read-back noise
    // up to +-640 V at 37 kV, a clock a little or much faster.
    OperatorInput discharge = input("unit"), noise = input("unit"), clock = input("unit");
    discharge.text = QStringLiteral("discharge");
    discharge.value = chance(0.6) ? between(2000, 15000) : 0;
    noise.text = QStringLiteral("noise");
    noise.value = chance(0.5) ? between(0, 640) * 1000 : 0;
    clock.text = QStringLiteral("clock");
    clock.value = chance(0.5) ? 30 : 60;
    QList<OperatorInput> inputs { start, discharge, noise, clock };
    // An export needs the stick; a removal imported criteria files.
    // A comment is also typed after a stick took the results.
    if ((is(QLatin1String(aim.name), "a record export") || (is(QLatin1String(aim.name), "a comment") && chance(0.5)))
        && !m_notes.stickIn) {
        OperatorInput stick = input("stick");
        stick.flag = true;
        inputs << stick;
    } else if (is(QLatin1String(aim.name), "criteria removed")) {
        inputs << input("criteria");
    }
    return inputs;
}

OperatorInput OperatorDraw::input(const char* kind) const
{
    OperatorInput in;
    in.kind = QLatin1String(kind);
    return in;
}

int OperatorDraw::pause()
{
    // Waiting for the live page to come up, to stop it at once.
    return watchingForLive() ? between(0, 50) : between(0, 400);
}

bool OperatorDraw::watchingForLive() const { return m_plan.stopAtOnce && Walk::now() - m_hvKeyAt < 5000; }

void OperatorDraw::look()
{
    if (m_walk.ui->page() != m_front) {
        m_front = m_walk.ui->page();
        m_frontAt = Walk::now();
    }
    // Only a deletion takes records from the store.
    int records = 0;
    for (QDirIterator it(GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements), { QStringLiteral("*.vlf") },
                         QDir::Files, QDirIterator::Subdirectories);
         it.hasNext(); it.next())
        ++records;
    m_deleted = m_deleted || records < m_records;
    m_records = records;
    for (const Aim& aim : aims())
        if ((this->*aim.reached)())
            reached.insert(QLatin1String(aim.name));
}

bool OperatorDraw::waitsForKey() const
{
    const QQuickItem* page = m_walk.ui->page();
    return m_walk.state() == States::WaitHVOn || (page && page->property("waitsForHvOnKey").toBool());
}

bool OperatorDraw::rampBurning() const
{
    return m_notes.rampPage && m_walk.testLive() && m_walk.dm()->burnCurrentLimiter();
}

// One input, drawn with weights that follow what is shown.
OperatorInput OperatorDraw::next()
{
    const bool live = m_walk.testLive();
    const QQuickItem* field = m_hands.focusedTextField();
    // A field is typed into once, then the operator goes on; a field of the plan at once.
    const bool wanted = field && ((is(field->objectName(), "cableNumberField") && m_plan.cable)
                                  || is(field->objectName(), "commentField"));
    const int text = !field ? 1 : field == m_typedInto ? 2 : wanted ? 200 : 30;
    // Where the aim waits (a test, a procedure) the operator mostly watches; faults and open
    // safety inputs come mostly once the test or procedure runs.
    const Aim& aim = aims()[m_aim];
    const QString shown = m_walk.shown();
    const bool procedure = m_walk.procedureRuns();
    // A page of the way with nothing to do on it is watched.
    const QList<QQuickItem*> controls = m_hands.controls();
    const bool onRoute = std::any_of(controls.cbegin(), controls.cend(), [this](QQuickItem* c) { return appeal(c, true) >= 60; });
    const bool waiting = aim.stay.contains(shown) && !live && !onRoute;
    // Off the way the operator goes back, the knob mostly left alone.
    const bool away = !aim.stay.contains(shown)
        && std::none_of(aim.route.cbegin(), aim.route.cend(), [&](const Step& s) { return shown == s.page; });
    // A marker being moved is turned; a door left open is closed again before a test.
    QObject* entry = m_hands.rampEntry();
    const bool marking = entry && entry->property("active").toBool();
    const bool opened = std::count(m_notes.open, m_notes.open + 9, true) > 0;
    // HV on, or a cable still discharging after HV OFF: the operator reaches for the door.
    const bool discharging = m_walk.state() == States::TestSoftStop;
    // A unit silent under HV: a door opened meanwhile still takes the line down.
    const bool mute = m_notes.unitMuteSince >= 0;
    const bool outputOn = m_walk.unit().outputOn() || discharging;
    // After the HV-on key the live page is waited for, then HV OFF tapped at once.
    const bool watchingLive = watchingForLive();
    if (watchingLive && shown == QLatin1String("MeasurementPreparationPage")) {
        OperatorInput in = input("wait");
        in.value = 100;
        return in;
    }
    if (watchingLive && shown == QLatin1String("MeasurementPage") && m_walk.unit().outputOn()) {
        m_plan.stopAtOnce = false;
        QQuickItem* off = m_walk.ui->find(QStringLiteral("hvOffButton"));
        if (off && Walk::now() - m_frontAt < 300)
            return inputOn("tap", off);
    }
    // A burning cable is given time for a target to be tried; the live page is watched.
    const bool burning = m_walk.state() == States::TestBurning;
    const bool watching = (live && !m_notes.rampPage) || (procedure && aim.stay.contains(shown));
    // A manual ramp not yet had is given the time for a target.
    const bool rampWanted = is(QLatin1String(aim.name), "a manual ramp") && m_aimReached < 0;
    // A procedure to be walked to its end is followed: its Confirm once offered, little else;
    // the doors stay shut (other aims open them under a procedure).
    const bool following = watching && procedure && m_plan.finish;
    if (following) {
        const OperatorInput entry = meterEntry();
        if (!entry.kind.isEmpty() && chance(0.8))
            return entry;
    }
    const QList<QPair<OperatorInput (OperatorDraw::*)(), int>> kinds {
        { &OperatorDraw::tapControl, following ? (onRoute ? 40 : 1) : waiting ? 6 : watching ? 4 : 50 },
        { &OperatorDraw::tapAnywhere, following ? 1 : 3 },
        { &OperatorDraw::turnEncoder, marking ? 50 : waiting || following ? 2 : 8 },
        { &OperatorDraw::pressKnob, field && field == m_typedInto ? 40 : waiting || away || following ? 2 : 7 },
        { &OperatorDraw::pressTwice, waiting || away || following ? 1 : 5 },
        { &OperatorDraw::typeText, text },
        { &OperatorDraw::stay, watching ? 40 : waiting ? 20 : 1 },
        { &OperatorDraw::pressHvOnKey, waitsForKey() ? 25 : 1 },
        { &OperatorDraw::switchSafetyInput, live ? 3 : opened ? 10 : following ? 0 : 1 },
        { &OperatorDraw::openWhileOn, !outputOn ? 0 : discharging || mute ? 15 : following ? 0 : rampWanted ? 2 : 6 },
        { &OperatorDraw::moveStick, 1 },
        { &OperatorDraw::injectFault, burning || following ? 1 : live || procedure ? 4 : 1 },
        { &OperatorDraw::faultUnderHv, discharging ? 40 : live && !burning ? 3 : 0 },
        { &OperatorDraw::powerCycle, m_walk.state() == States::HVUnitError && m_notes.unitMuteSince < 0 ? 20 : 0 },
    };
    return (this->*kinds[weighted(kinds)].first)();
}

OperatorInput OperatorDraw::tapControl()
{
    const QList<QQuickItem*> controls = m_hands.controls();
    if (controls.isEmpty())
        return tapAnywhere();
    const bool onRoute = std::any_of(controls.cbegin(), controls.cend(), [this](QQuickItem* c) { return appeal(c, true) >= 60; });
    QList<QPair<QQuickItem*, int>> options;
    for (QQuickItem* c : controls)
        options << qMakePair(c, appeal(c, onRoute));
    QQuickItem* control = options[weighted(options)].first;
    QQuickWindow* window = m_walk.ui->window();
    // Scrolled out of sight: the encoder brings it.
    const QPointF centre = OperatorHands::centreOf(control);
    OperatorInput in = inputOn(QRectF(0, 0, window->width(), window->height()).contains(centre) ? "tap" : "turn-to", control);
    // Mostly the operator looks at what came up before tapping on it.
    in.value = chance(0.7) ? 1 : 0;
    m_typedInto = nullptr;
    return in;
}

OperatorInput OperatorDraw::inputOn(const char* kind, const QQuickItem* control) const
{
    OperatorInput in = input(kind);
    in.target = control->objectName();
    in.type = ProgramWindow::typeName(control);
    in.text = OperatorHands::textOf(control);
    in.spot = OperatorHands::centreOf(control).toPoint();
    return in;
}

OperatorInput OperatorDraw::tapAnywhere()
{
    OperatorInput in = input("tap-anywhere");
    in.spot = QPoint(draw(m_walk.ui->window()->width()), draw(m_walk.ui->window()->height()));
    in.flag = chance(0.5);
    return in;
}

OperatorInput OperatorDraw::turnEncoder()
{
    OperatorInput in = input("turn");
    in.value = between(1, 6) * (chance(0.5) ? 1 : -1);
    return in;
}

OperatorInput OperatorDraw::pressKnob()
{
    m_typedInto = nullptr;
    return input("press");
}

OperatorInput OperatorDraw::pressTwice()
{
    OperatorInput in = input("press-twice");
    in.value = between(50, 1500);
    return in;
}

// Text with a token of its own, numbers included, so that a record tells which typing it
// came from; a password where one is asked; a calibration value within its limits or not.
OperatorInput OperatorDraw::typeText()
{
    QQuickItem* field = m_hands.focusedTextField();
    OperatorInput in = input("type");
    m_typedInto = field;
    if (!field)
        return in;
    const QString lock = m_hands.lockAsked();
    const QQuickItem* box = field->parentItem();
    if (!lock.isEmpty() && chance(0.85)) {
        in.text = lock == Settings::kAdminLock ? kAdminPassword : kServicePassword;
    } else if (is(field->objectName(), "valueField") && box && box->property("decimals").isValid() && chance(0.8)) {
        const double low = box->property("minimum").toDouble(), high = box->property("maximum").toDouble();
        const double value = chance(0.9) ? low + (qMin(high, low + 10.0) - low) * between(0, 1000) / 1000.0 : high + 1;
        in.text = QString::number(value, 'f', box->property("decimals").toInt());
    } else {
        const int token = m_notes.tokens.size() + 1;
        in.text = chance(0.3) ? QStringLiteral("%1zq%2x").arg(between(0, 600) / 10.0).arg(token)
                              : QStringLiteral("zq%1x").arg(token);
    }
    in.flag = !lock.isEmpty() || chance(0.5);
    return in;
}

OperatorInput OperatorDraw::stay()
{
    OperatorInput in = input("wait");
    in.value = between(500, 3000);
    return in;
}

OperatorInput OperatorDraw::pressHvOnKey()
{
    m_hvKeyAt = Walk::now();
    return input("hv-on-key");
}

OperatorInput OperatorDraw::switchSafetyInput()
{
    QList<int> open;
    for (int bit = 0; bit < 10; ++bit)
        if (m_notes.open[bit])
            open << bit;
    OperatorInput in = input("safety-input");
    in.value = !open.isEmpty() && chance(0.85) ? open[draw(open.size())] : draw(10);
    in.flag = !m_notes.open[in.value];
    return in;
}

// While the output is on: the emergency-off (the instrument's or the external one) or the
// interlock opened.
OperatorInput OperatorDraw::openWhileOn()
{
    static const int inputs[] = { 0, 1, 8 };
    OperatorInput in = input("safety-input");
    in.value = inputs[draw(3)];
    in.flag = true;
    in.text = in.value == 0 ? QStringLiteral("interlock") : QStringLiteral("emergency-off");
    return in;
}

OperatorInput OperatorDraw::moveStick()
{
    OperatorInput in = input("stick");
    in.flag = !m_notes.stickIn;
    return in;
}

OperatorInput OperatorDraw::injectFault()
{
    static const uint32_t errorBits[] = { HVStateBits::Overcurrent, HVStateBits::Overtemperature };
    OperatorInput in = input("fault");
    switch (rampBurning() && chance(0.5) ? 1 : draw(6)) {
    case 0:
        in.text = QStringLiteral("silence");
        in.value = between(500, 10000);
        break;
    case 1:
        in.text = QStringLiteral("breakdown");
        break;
    case 2:
        in.text = QStringLiteral("error-bit");
        in.value2 = int(errorBits[draw(2)]);
        in.value = between(1000, 10000);
        break;
    case 3:
        in.text = QStringLiteral("refused-writes");
        in.value = between(1000, 20000);
        break;
    case 4:
        in.text = QStringLiteral("garbled");
        in.value = between(500, 6000);
        break;
    default:
        in.text = QStringLiteral("busy");
        in.value = between(500, 3000);
    }
    return in;
}

// Under HV or while the cable discharges: the cable breaks down, or the unit falls silent for
// longer than the link waits (the test's stop is then owed). Half of them outlast the test's
// end and the leaving of its results too, whose stops are lost as well: then only the owed
// stop switches the output off.
OperatorInput OperatorDraw::faultUnderHv()
{
    OperatorInput in = input("fault");
    const bool breakdown = m_walk.testLive() && chance(0.5);
    in.text = breakdown ? QStringLiteral("breakdown") : QStringLiteral("silence");
    in.value = breakdown ? 0 : chance(0.5) ? between(2500, 6000) : between(10000, 20000);
    return in;
}

// A unit that keeps its error is switched off and on.
OperatorInput OperatorDraw::powerCycle()
{
    OperatorInput in = input("fault");
    in.text = QStringLiteral("power-cycle");
    in.value = between(2000, 4000);
    return in;
}

// An output calibration's page at a step that takes a reading, else null.
QQuickItem* OperatorDraw::readingPage() const
{
    QQuickItem* page = m_walk.procedurePage();
    return page && page->objectName() == QLatin1String("outputVoltageCalibration") && page->property("inputShown").toBool()
        ? page : nullptr;
}

// At an output calibration's first two steps, once its output stood at the step's level:
// what a reference meter on the output shows (the unit's output, off by up to 0.2 kV),
// entered on the spin with the knob (to it, pressed, turned, pressed). None once entered,
// or while the meter shows what the spin cannot take.
OperatorInput OperatorDraw::meterEntry()
{
    QQuickItem* page = readingPage();
    if (!page || !page->property("confirmOffered").toBool())
        return {};
    QQuickItem* spin = page->property("spin").value<QQuickItem*>();
    const int stage = page->property("stage").toInt();
    if (m_meter.page != page || m_meter.stage != stage) {
        const HvUnitModel& unit = m_walk.unit();
        const int tenths = int(std::lround(unit.outputVoltage() / 1e5)) + between(-2, 2);
        m_meter = { page, stage, unit.outputNegative() ? -tenths : tenths };
    }
    const int value = spin->property("value").toInt();
    const bool editing = spin->property("editing").toBool();
    if ((value == m_meter.tenths && !editing) || m_meter.tenths < spin->property("from").toInt()
        || m_meter.tenths > spin->property("to").toInt())
        return {};
    if (!spin->hasActiveFocus())
        return inputOn("turn-to", spin);
    if (!editing || value == m_meter.tenths)
        return pressKnob();
    OperatorInput in = input("turn");
    in.value = m_meter.tenths - value;
    return in;
}

// Outside an output calibration's first two steps always; there, once the meter's reading
// stands on the spin.
bool OperatorDraw::meterEntered() const
{
    const QQuickItem* page = readingPage();
    if (!page)
        return true;
    const QObject* spin = page->property("spin").value<QObject*>();
    return m_meter.page == page && m_meter.stage == page->property("stage").toInt()
        && spin->property("value").toInt() == m_meter.tenths && !spin->property("editing").toBool();
}

// How much the operator wants the control now: the way of the aim, back where it is not,
// now and then anything.
int OperatorDraw::appeal(const QQuickItem* control, bool onRoute) const
{
    const QString key = control->objectName() + QLatin1Char('|') + OperatorHands::textOf(control);
    const QString shown = m_walk.shown();
    static const QRegularExpression away(QStringLiteral("^(backButton|returnButton|cancelButton|leaveButton)\\|"));
    const Aim& aim = aims()[m_aim];
    const int plan = planned(control, shown);
    if (plan >= 0)
        return plan;
    // A choice made already is no way on, nor a page come to from off the way (the results
    // of a test are not those of the history).
    const QString under = m_walk.below();
    if (!control->property("checked").toBool()
        && (under.isEmpty() || std::any_of(aim.route.cbegin(), aim.route.cend(), [&](const Step& s) { return under == s.page; })))
        for (const Step& step : aim.route)
            if (shown == QLatin1String(step.page) && step.control.match(key).hasMatch())
                return step.appeal;
    if (away.match(key).hasMatch())
        return onRoute || aim.stay.contains(shown) ? 10 : 600;
    // The keys of the on-screen keyboard come with the text input.
    if (control->property("key").isValid())
        return 1;
    return control->objectName().isEmpty() ? 5 : 15;
}

// The appeal the plan of the aim gives a control; -1 where the plan has no say.
int OperatorDraw::planned(const QQuickItem* control, const QString& shown) const
{
    const QString name = control->objectName();
    const char* aim = aims()[m_aim].name;
    const bool manual = is(QLatin1String(aim), "a manual ramp");
    const bool testAim = aims()[m_aim].planned;
    const bool testRuns = DataModell::isTestRunningState(m_walk.state());
    if (testAim && is(shown, "MainPage") && name.startsWith(QLatin1String("modeButton")))
        return name == QStringLiteral("modeButton%1").arg(m_plan.group) ? 800 : 5;
    if (testAim && is(shown, "TestSelectionPage") && name.startsWith(QLatin1String("modeButton")))
        return name == QStringLiteral("modeButton%1").arg(m_plan.mode) ? 800 : 5;
    if (testAim && is(shown, "TestConfigurationPage")) {
        // The phases of the plan, first to last, before the parameters go on.
        bool phasesAsPlanned = true;
        for (int i = 0; const QQuickItem* phase = m_walk.ui->find(QStringLiteral("phaseButton%1").arg(i)); ++i)
            phasesAsPlanned = phasesAsPlanned && (i < m_plan.phases) == phase->property("checked").toBool();
        if (name.startsWith(QLatin1String("phaseButton")))
            return (name.mid(11).toInt() < m_plan.phases) != control->property("checked").toBool() ? 800 : 5;
        if (is(name, "confirmButton"))
            return phasesAsPlanned ? 800 : 5;
    }
    if (testAim && is(shown, "MeasurementResultsPage") && !m_walk.ui->page()->property("isLoadedData").toBool()) {
        const bool commented = m_notes.comment.at > m_aimStart;
        if (is(name, "addInfoButton"))
            return m_plan.comment && !commented ? 800 : 5;
        if (is(name, "restartButton"))
            return m_plan.restart && (commented || !m_plan.comment) ? 800 : 5;
        if (is(name, "returnButton"))
            return !m_plan.restart && (commented || !m_plan.comment) ? 800 : 10;
    }
    if (is(QLatin1String(aim), "criteria removed") && is(shown, "TanDeltaSettingsPage"))
        return standardMarked(control);
    if (m_plan.procedure && (is(shown, "TestSelectionPage") || is(shown, "CommissioningSelectionPage"))
        && name.startsWith(QLatin1String("modeButton")))
        return name == QStringLiteral("modeButton%1").arg(m_plan.procedure) ? 800 : 5;
    if (testAim && is(shown, "CableDataPage") && is(name, "confirmButton"))
        return !m_plan.cable || m_typedInto ? 800 : 30;
    // A procedure to its end: Confirm once offered; Cancel now and then, or to leave.
    if (m_walk.procedurePage() && (is(name, "confirmButton") || is(name, "cancelButton"))) {
        const bool offered = control->opacity() >= 1.0;
        if (is(name, "cancelButton"))
            return m_plan.finish ? 2 : 40;
        return offered && (!m_plan.finish || meterEntered()) ? 800 : 5;
    }
    if (manual && !testRuns && !is(shown, "MainPage") && !is(shown, "TestSelectionPage")) {
        // A manual ramp is had in the sine and DC tests only: from another, back. Only a
        // sine ramp burns.
        static const QRegularExpression away(QStringLiteral("^(backButton|returnButton|cancelButton|leaveButton)$"));
        const int mode = m_walk.dm()->getOperatingMode();
        if (mode != OperatingModes::DC && mode != OperatingModes::VLFSin && shown.contains(QLatin1String("Config")))
            return away.match(name).hasMatch() ? 800 : 5;
        // With the ramp manual and the burn mode as drawn (sine only) the way goes on from
        // the parameters; in the extended ones, the choices that make them so.
        if (is(shown, "TestConfigurationPage") && m_walk.ui->vm()->config()->manualRamp()
            && (mode != OperatingModes::VLFSin || m_walk.dm()->burnCurrentLimiter() == m_plan.burn))
            return is(name, "confirmButton") ? 800 : 5;
        if (name.startsWith(QLatin1String("choiceButton")))
            return name == QStringLiteral("choiceButton%1").arg(wantedChoice(control)) && !control->property("checked").toBool() ? 800 : 5;
    }
    if (manual && m_plan.burn && is(name, "modeButton7"))
        return 5;
    return -1;
}

// Of an extended parameter's row: the ramp manual, the burn mode as drawn; -1 for others.
int OperatorDraw::wantedChoice(const QQuickItem* control) const
{
    while (control && !control->objectName().startsWith(QLatin1String("extendedRow")))
        control = control->parentItem();
    const QObject* editor = control ? control->property("editor").value<QObject*>() : nullptr;
    const auto* item = editor ? qobject_cast<ValueUnit*>(editor->property("item").value<QObject*>()) : nullptr;
    return !item ? -1 : item->type() == ValueUnit::RampMode ? 1 : item->type() == ValueUnit::BurnMode ? int(m_plan.burn) : -1;
}

// --- whether an aim is reached ---------------------------------------------------------

bool OperatorDraw::testRuns() const { return m_walk.state() == States::TestRunning; }

bool OperatorDraw::laterPhaseRuns() const
{
    const int mode = m_walk.dm()->getOperatingMode();
    return testRuns() && (mode == OperatingModes::TanDelta || mode == OperatingModes::MWTStep)
        && m_walk.dm()->lastUsedPhase() > 0;
}

bool OperatorDraw::restarted() const
{
    return m_notes.restartAt >= m_aimStart && m_notes.restartAt >= 0 && Statemachine::isTestState(m_walk.state());
}

bool OperatorDraw::commented() const { return m_notes.comment.at >= m_aimStart && m_notes.comment.record.isEmpty(); }

bool OperatorDraw::rampChosen() const { return m_notes.rampChosen.size() > 1; }

bool OperatorDraw::historyShown() const
{
    return QStringList { m_walk.shown(), m_walk.below() }.contains(QLatin1String("ActivitiesPage"));
}

// On the row of a standard: an imported one marked, a built-in one (which cannot be
// removed) let go; -1 for any other control.
int OperatorDraw::standardMarked(const QQuickItem* control) const
{
    const QQuickItem* list = control->parentItem();
    while (list && list->objectName() != QLatin1String("standardList"))
        list = list->parentItem();
    const QQmlContext* row = control->inherits("QQuickMouseArea") ? qmlContext(control->parentItem()) : nullptr;
    const QObject* entry = row ? row->contextProperty(QStringLiteral("modelData")).value<QObject*>() : nullptr;
    if (!list || !entry)
        return -1;
    const int id = entry->property("value").toInt();
    const QVariantList marked = m_walk.ui->page()->property("checkedStandards").value<QJSValue>().toVariant().toList();
    return (id >= 1000) != marked.contains(id) ? 800 : 5;
}

// The outcome of an export or a removal, told to the operator.
bool OperatorDraw::told(const QStringList& starts) const
{
    QStringList shown;
    for (const GuiViewModel::Message& m : m_walk.ui->vm()->messages())
        shown << m.item->name();
    for (const GuiViewModel::Question& q : m_walk.ui->vm()->questions())
        shown << q.item->name();
    for (const QString& text : shown)
        for (const QString& start : starts)
            if (text.startsWith(start))
                return true;
    return false;
}

bool OperatorDraw::recordsExported() const
{
    return told({ QStringLiteral("Data successfully exported"), QStringLiteral("Unable to export data") });
}

bool OperatorDraw::recordsDeleted() const { return m_deleted; }

bool OperatorDraw::criteriaRemoved() const
{
    return told({ QStringLiteral("The selected standards have been removed"),
                  QStringLiteral("The selected standards could not") });
}

bool OperatorDraw::settingsShown() const
{
    return m_walk.below() == QLatin1String("SettingsPage") && !m_walk.shown().contains(QLatin1String("Settings"));
}

bool OperatorDraw::locked() const
{
    return !m_hands.lockAsked().isEmpty() && !m_walk.ui->page()->property("asking").toBool();
}

bool OperatorDraw::procedureRuns() const { return m_walk.procedureRuns(); }

bool OperatorDraw::procedureSucceeded() const
{
    const QQuickItem* page = m_walk.procedurePage();
    return page && page->property("succeeded").toBool();
}
