#include "RandomOperatorInputs.h"

#include "commissioning/CommissioningStages.h"
#include "core/GlobalFuncs.h"
#include "db/DB.h"
#include "fakes/SafetyLines.h"
#include "gui/Settings.h"
#include "tandelta/TanDeltaCriteriaFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <cmath>

namespace {

const QString kAdminPassword = QStringLiteral("Adm1n-Lock");
const QString kServicePassword = QStringLiteral("Serv1ce-Lock");

bool named(const QQuickItem* item, const char* name) { return item && item->objectName() == QLatin1String(name); }

QStringList textsIn(QQuickItem* item)
{
    QStringList out;
    if (!item || !item->isVisible())
        return out;
    const QString text = OperatorHands::textOf(item);
    if (!text.isEmpty())
        out << text;
    for (QQuickItem* child : item->childItems())
        out << textsIn(child);
    return out;
}

// The peak of a voltage shown as "12.5 kV", with "RMS" or "PEAK" beside it; 0 for none.
double peakKv(const QStringList& shown)
{
    static const QRegularExpression kv(QStringLiteral("(-?\\d+(?:\\.\\d+)?) kV"));
    double value = 0;
    bool rms = false;
    for (const QString& text : shown) {
        const auto match = kv.match(text);
        if (match.hasMatch())
            value = qAbs(match.captured(1).toDouble());
        rms = rms || text.compare(QLatin1String("RMS"), Qt::CaseInsensitive) == 0;
    }
    return rms ? value * M_SQRT2 : value;
}

void collectControls(QQuickItem* root, QList<QQuickItem*>& out, const QRectF& covered = QRectF())
{
    if (!root || !root->isVisible() || !root->isEnabled() || !(root->width() > 0 && root->height() > 0 && root->opacity() > 0))
        return;
    if ((root->inherits("QQuickAbstractButton") || root->inherits("QQuickMouseArea") || root->inherits("QQuickTextInput")
         || root->property("vlfNavigationClient").value<QObject*>()
         || (root->property("key").isValid() && root->property("weight").isValid()))
        && !covered.contains(OperatorHands::centreOf(root)))
        out << root;
    for (QQuickItem* child : root->childItems())
        collectControls(child, out, covered);
}

} // namespace

OperatorHands::OperatorHands(const Walk& walk, Notes& notes, InputLog& log) : m_walk(walk), m_notes(notes), m_log(log) {}

QPointF OperatorHands::centreOf(const QQuickItem* item)
{
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
}

QList<QQuickItem*> OperatorHands::controls() const
{
    QQuickWindow* window = m_walk.ui->window();
    // What the keyboard covers takes no tap; its keys do.
    QQuickItem* keyboard = m_walk.ui->keyboardShown() ? window->property("keyboard").value<QQuickItem*>() : nullptr;
    const QRectF covered = keyboard ? keyboard->mapRectToScene(QRectF(0, 0, keyboard->width(), keyboard->height())) : QRectF();
    QList<QQuickItem*> out;
    collectControls(m_walk.ui->shown(), out, covered);
    collectControls(window->property("headerBar").value<QQuickItem*>(), out, covered);
    collectControls(keyboard, out);
    return out;
}

QQuickItem* OperatorHands::focusedTextField() const
{
    QQuickItem* item = m_walk.ui->window()->activeFocusItem();
    return item && item->inherits("QQuickTextInput") && item->isVisible() ? item : nullptr;
}

QString OperatorHands::lockOf(const QQuickItem* page)
{
    static const QHash<QString, QString> locks { { "adminSettingsPage", Settings::kAdminLock },
                                                 { "serviceSettingsPage", Settings::kServiceLock } };
    return page ? locks.value(page->objectName()) : QString();
}

QString OperatorHands::lockAsked() const { return lockOf(m_walk.ui->shown()); }

QQuickItem* OperatorHands::resolve(const OperatorInput& input) const
{
    QQuickItem* best = nullptr;
    qreal nearest = 0;
    for (QQuickItem* c : controls()) {
        const bool same = !input.target.isEmpty()
            ? c->objectName() == input.target
            : c->objectName().isEmpty() && ProgramWindow::typeName(c) == input.type && textOf(c) == input.text;
        const qreal distance = (centreOf(c) - QPointF(input.spot)).manhattanLength();
        if (same && (!best || distance < nearest)) {
            best = c;
            nearest = distance;
        }
    }
    return best;
}

// The control a tap on this spot lands on: of those that hold it, the last collected, which
// is drawn over the others.
QQuickItem* OperatorHands::controlAt(const QPoint& spot) const
{
    QQuickItem* hit = nullptr;
    for (QQuickItem* c : controls())
        if (c->mapRectToScene(QRectF(0, 0, c->width(), c->height())).contains(spot))
            hit = c;
    return hit;
}

// A tap on a spot, not aimed at a control: what it lands on is confirmed as by any tap.
void OperatorHands::tapSpot(const QPoint& spot, bool touch)
{
    if (QQuickItem* control = controlAt(spot))
        beforeAction(control);
    m_walk.ui->tapAt(spot, touch);
}

void OperatorHands::perform(OperatorInput input)
{
    input.at = m_walk.since();
    input.shown = m_walk.shown();
    const qint64 now = Walk::now();
    if (input.kind != QLatin1String("aim")) {
        m_notes.lastInputAt = now;
        ++drawn[input.kind];
    }
    if (input.kind == QLatin1String("fault"))
        ++faults[input.text];
    ProgramWindow& ui = *m_walk.ui;
    const QString& kind = input.kind;
    if (kind == QLatin1String("tap") || kind == QLatin1String("turn-to")) {
        tap(input, kind == QLatin1String("turn-to"));
    } else if (kind == QLatin1String("tap-anywhere")) {
        m_log.write(input);
        tapSpot(input.spot, input.flag);
    } else if (kind == QLatin1String("turn")) {
        m_log.write(input);
        turn(input.value);
    } else if (kind == QLatin1String("press") || kind == QLatin1String("press-twice")) {
        QQuickItem* focus = ui.window()->activeFocusItem();
        input.target = focus ? focus->objectName() : QString();
        m_log.write(input);
        beforeAction(focus);
        if (kind == QLatin1String("press")) {
            ui.press();
        } else {
            // The second press acts on what the first left in focus.
            ui.pressTwice(input.value, true, [&] {
                QQuickItem* second = ui.window()->activeFocusItem();
                if (second != focus)
                    beforeAction(second);
            });
        }
    } else if (kind == QLatin1String("type")) {
        type(input);
    } else {
        m_log.write(input);
        if (kind == QLatin1String("hv-on-key"))
            m_walk.unit().pressHvOn();
        else if (kind == QLatin1String("safety-input"))
            switchSafetyInput(input.value, input.flag);
        else if (kind == QLatin1String("stick") && input.flag)
            m_walk.around->root.insertStick();
        else if (kind == QLatin1String("stick"))
            m_walk.around->root.pullStick();
        else if (kind == QLatin1String("fault"))
            injectFault(input);
        else if (kind == QLatin1String("unit"))
            setUnit(input);
        else if (kind == QLatin1String("criteria"))
            putCriteria();
        if (kind == QLatin1String("stick"))
            m_notes.stickIn = input.flag;
    }
}

// A tap on the control, or, scrolled out of sight, the encoder turned to it and pressed.
void OperatorHands::tap(OperatorInput& input, bool byKnob)
{
    // A patient operator looks at what came up first.
    if (input.value && m_walk.ui->waitOutGuard())
        QCoreApplication::processEvents();
    QPointer<QQuickItem> control = resolve(input);
    if (control)
        input.spot = centreOf(control).toPoint();
    m_log.write(input);
    if (!control) {
        // Gone since it was drawn: the spot takes the tap.
        if (!byKnob)
            tapSpot(input.spot, false);
        return;
    }
    for (int i = 0; byKnob && i < 40 && control && !control->hasActiveFocus(); ++i) {
        stepTarget(1);
        m_walk.ui->turn(1);
    }
    // Its list rebuilt while the knob turned (a stick taken out): the operator lost it.
    if (!control)
        return;
    beforeAction(control);
    if (byKnob)
        m_walk.ui->press();
    else
        m_walk.ui->tapOn(control);
}

void OperatorHands::turn(int steps)
{
    m_notes.knobTurnedAt = Walk::now();
    for (int i = 0; i < qAbs(steps); ++i) {
        stepTarget(steps > 0 ? 1 : -1);
        m_walk.ui->turn(steps > 0 ? 1 : -1);
    }
}

void OperatorHands::type(OperatorInput& input)
{
    QQuickItem* field = focusedTextField();
    input.target = field ? field->objectName() : QString();
    m_log.write(input);
    if (!field)
        return;
    // A reset may have given the factory password back: the test sets its own.
    DB* db = GlobalFuncs::getDB();
    const QString lock = lockAsked();
    if (!lock.isEmpty() && (input.text == kAdminPassword || input.text == kServicePassword)
        && !GlobalFuncs::checkPassword(input.text, db->getPassword(lock)))
        db->setPassword(lock, GlobalFuncs::encryptPassword(input.text));
    static const QRegularExpression token(QStringLiteral("zq(\\d+)x"));
    const auto match = token.match(input.text);
    if (match.hasMatch()) {
        const QString name = field->objectName();
        const bool comment = name == QLatin1String("commentField");
        const bool recorded = m_walk.shown() != QLatin1String("CommentEditPage") || !m_walk.pageBelow()
            || m_walk.pageBelow()->property("recorded").toBool();
        m_notes.tokens[match.captured(1).toInt()]
            = comment ? (recorded ? "comment" : "comment without record")
                      : name == QLatin1String("cableNumberField") ? "cable" : "elsewhere";
    }
    for (const QString& l : { Settings::kAdminLock, Settings::kServiceLock })
        if (GlobalFuncs::checkPassword(input.text, db->getPassword(l)))
            m_notes.rightTypedAt[l] = Walk::now();
    // A calibration value counts once the page takes it.
    QQuickItem* box = field->parentItem();
    QQuickItem* page = m_walk.ui->page();
    if (named(field, "valueField") && named(page, "calibrationMenuPage") && box && !box->property("watched").isValid()) {
        box->setProperty("watched", true);
        const QVariantList rows = page->property("rows").toList();
        for (const QVariant& row : rows) {
            const QString property = row.toList().value(1).toString();
            QVariant found;
            QMetaObject::invokeMethod(page, "fieldOf", Q_RETURN_ARG(QVariant, found), Q_ARG(QVariant, property));
            if (found.value<QQuickItem*>() != box)
                continue;
            connect(box, SIGNAL(entered(double)), this, SLOT(onCalibrationEntered(double)));
            box->setProperty("calibrationProperty", property);
        }
    }
    if (input.flag)
        m_walk.ui->retype(input.text);
    else
        m_walk.ui->type(input.text);
}

void OperatorHands::onCalibrationEntered(double value)
{
    const QString property = sender()->property("calibrationProperty").toString();
    m_notes.calibrationTyped << Notes::Typed { property, value, Walk::now() };
}

void OperatorHands::switchSafetyInput(int bit, bool open)
{
    m_notes.open[bit] = open;
    (open ? m_notes.openedAt : m_notes.closedAt)[bit] = Walk::now();
    m_walk.around->gpio.setLine(safetyLineOfBit(bit), !open);
}

void OperatorHands::injectFault(const OperatorInput& input)
{
    HvUnitModel& unit = m_walk.unit();
    const QString& fault = input.text;
    const int ms = input.value;
    if (fault == QLatin1String("silence") || fault == QLatin1String("garbled")) {
        mute(ms, fault == QLatin1String("silence") ? HvUnitSimulator::Fault::Silence : HvUnitSimulator::Fault::BadCrc);
    } else if (fault == QLatin1String("power-cycle")) {
        // Off for a while, then back without the errors it had.
        mute(ms, HvUnitSimulator::Fault::Silence);
        QTimer::singleShot(ms, this, [this] { m_walk.unit().clearError(~0u); });
    } else if (fault == QLatin1String("breakdown")) {
        const States::AppState state = m_walk.state();
        if (state >= States::WaitHVOn && DataModell::isTestRunningState(state)) {
            m_walk.around->sim.clearRequests();
            ++m_notes.breakdowns;
        }
        unit.triggerBreakdown();
    } else if (fault == QLatin1String("error-bit")) {
        const uint32_t bit = uint32_t(input.value2);
        unit.triggerError(bit);
        QTimer::singleShot(ms, this, [this, bit] {
            m_walk.unit().clearError(bit);
            // A unit left in its error is switched off and on.
            if (m_walk.state() == States::HVUnitError)
                mute(3000, HvUnitSimulator::Fault::Silence);
        });
    } else if (fault == QLatin1String("refused-writes") || fault == QLatin1String("busy")) {
        m_notes.writesRefusedUntil = qMax(m_notes.writesRefusedUntil, Walk::now() + ms);
        if (fault == QLatin1String("busy")) {
            unit.holdBusy(ms);
            return;
        }
        unit.setGainWriteBehaviour(200, true, false);
        QTimer::singleShot(ms, this, [this] {
            if (Walk::now() >= m_notes.writesRefusedUntil - 5)
                m_walk.unit().setGainWriteBehaviour(200, false, false);
        });
    }
}

// No good answer from the unit for a while: silence, or replies that do not check.
void OperatorHands::mute(int ms, HvUnitSimulator::Fault fault)
{
    m_walk.around->sim.setFault(fault);
    if (m_notes.mutes++ == 0)
        m_notes.unitMuteSince = Walk::now();
    QTimer::singleShot(ms, this, [this] {
        if (--m_notes.mutes > 0)
            return;
        m_walk.around->sim.clearFault();
        m_notes.unitMuteSince = -1;
        m_notes.unitBackAt = Walk::now();
    });
}

// Imported criteria files, as ones imported earlier would lie: one of the built-in tables
// under three names of their own. With the two built-in ones the list's middle row, where
// a tap on the list lands, is one that can be removed.
void OperatorHands::putCriteria()
{
    QFile builtIn(QStringLiteral(":/tanDeltaStandards/2Uo.tds"));
    const QByteArray content = builtIn.open(QIODevice::ReadOnly) ? builtIn.readAll() : QByteArray();
    const QString folder = TanDelta::evaluation::criteriaFolderPath();
    for (int n = 7; n <= 9 && !content.isEmpty() && QDir().mkpath(folder); ++n) {
        QFile file(QStringLiteral("%1/Utility %2.tds").arg(folder).arg(n));
        const QByteArray name = "\"name\": \"Utility " + QByteArray::number(n) + "\", \"former\"";
        if (!file.exists() && file.open(QIODevice::WriteOnly))
            file.write(QByteArray(content).replace("\"name\"", name));
    }
}

void OperatorHands::setUnit(const OperatorInput& input)
{
    HvUnitModel& unit = m_walk.unit();
    if (input.text == QLatin1String("discharge"))
        unit.setDischargeMs(input.value);
    else if (input.text == QLatin1String("noise"))
        unit.setVoltageNoise(uint32_t(input.value));
    if (input.text == QLatin1String("noise"))
        m_notes.noiseKv = input.value / 1e6;
    else if (input.text == QLatin1String("clock"))
        unit.setClockScale(input.value);
}

// Before a tap or press on a control: what the operator sees and confirms with it.
void OperatorHands::beforeAction(QQuickItem* control)
{
    const QString name = control ? control->objectName() : QString();
    const QString shown = m_walk.shown();
    ProgramWindow& ui = *m_walk.ui;
    const qint64 now = Walk::now();
    if (shown == QLatin1String("TestConfigurationPage") && name == QLatin1String("confirmButton")) {
        // The voltages on the parameters' buttons, as the operator reads them.
        double highest = 0;
        for (int i = 0; QQuickItem* button = ui.find(QStringLiteral("parameterButton%1").arg(i)); ++i)
            highest = qMax(highest, peakKv(textsIn(button)));
        m_notes.confirmedKv = highest;
    } else if (shown == QLatin1String("TestConfirmationPage") && name.startsWith(QLatin1String("rowConfirmButton"))) {
        // The levels of a step test.
        for (const QString& level : ui.text(QStringLiteral("levelsText")).split(QLatin1Char('\n')))
            m_notes.confirmedKv = qMax(m_notes.confirmedKv, peakKv({ level.section(QLatin1String("   "), 1), QStringLiteral("RMS") }));
        // The phase the operator says is connected.
        QQuickItem* row = ui.find(QStringLiteral("confirmationRow%1").arg(name.mid(16)));
        QObject* status = ui.page()->property("startStatus").value<QObject*>();
        if (control->isEnabled() && row && !row->property("isLevels").toBool() && status)
            m_notes.connected = { ui.page(), status->property("phaseName").toString() };
    } else if (shown == QLatin1String("CalibrationMenuPage")) {
        m_notes.handWriteAt = now;
    } else if (shown == QLatin1String("CommissioningSelectionPage") && name.startsWith(QLatin1String("modeButton"))) {
        m_notes.entryTappedAt = now;
    }
    // A stop as the operator reads it: HV OFF, STOP, or Cancel on a procedure's page (not on a
    // dialog over it); the program's own marking of its stopping controls is not asked.
    const bool procedureCancel = name == QLatin1String("cancelButton") && !ui.dialogShown() && m_walk.procedurePage();
    const bool stop = procedureCancel || name == QLatin1String("hvOffButton") || name == QLatin1String("stopButton");
    if (control && stop && (m_walk.unit().outputOn() || (procedureCancel && m_walk.lineHigh())))
        m_notes.stops << Notes::Stop { now, name };
    if (procedureCancel)
        m_notes.abortAt = now;
    if (name == QLatin1String("restartButton"))
        m_notes.restartAt = now;
}

void OperatorHands::notePage()
{
    ProgramWindow& ui = *m_walk.ui;
    QQuickItem* page = ui.page();
    const QString type = ProgramWindow::typeName(page);
    if (page != m_watched && (type == QLatin1String("CableDataPage") || type == QLatin1String("CommentEditPage")
                              || named(page, "outputVoltageCalibration"))) {
        m_watched = page;
        confirmedOn(page);
    }
    if (type != QLatin1String("MeasurementPage") || !page->property("manualRamp").toBool() || page == m_notes.rampPage)
        return;
    m_notes.rampPage = page;
    m_notes.rampChosen = { 0 };
    m_notes.rampTenths = 0;
    connect(rampEntry(), SIGNAL(activeChanged()), this, SLOT(onRampEntry()));
}

// What a page's Confirm takes, by any way it is given (a tap, the knob, the keyboard's
// Enter): the cable number of the next test or of a stored one, a comment, a procedure's
// reading.
void OperatorHands::confirmedOn(QQuickItem* page)
{
    QQuickItem* button = page->property("confirmButton").value<QQuickItem*>();
    QPointer<QQuickItem> field = page->property("field").value<QQuickItem*>();
    // The stored test the page was opened for, if from a stored test's results.
    QQuickItem* opener = m_walk.pageBelow();
    const QObject* measurement = opener ? opener->property("measurement").value<QObject*>() : nullptr;
    const QString record = opener && opener->property("isLoadedData").toBool() && measurement
        ? measurement->property("filepath").toString() : QString();
    const QString type = ProgramWindow::typeName(page);
    if (type == QLatin1String("OutputVoltageCalibration")) {
        // A confirmation goes out when the page starts waiting for it to be taken; the
        // readings are this run's.
        m_notes.readingAt.clear();
        m_notes.confirmedStage = -1;
        connect(page, SIGNAL(waitingChanged()), this, SLOT(onProcedureConfirm()));
        return;
    }
    if (!button)
        return;
    connect(button, SIGNAL(clicked()), this, SLOT(onConfirm()));
    button->setProperty("confirmsFor", record);
    button->setProperty("confirmsField", QVariant::fromValue<QObject*>(field.data()));
}

void OperatorHands::onConfirm()
{
    QObject* button = sender();
    const auto* field = button->property("confirmsField").value<QObject*>();
    if (!field)
        return;
    const QString record = button->property("confirmsFor").toString();
    const QString text = field->property("text").toString();
    if (field->objectName() == QLatin1String("cableNumberField")) {
        if (record.isEmpty()) {
            m_notes.cable = text.trimmed();
            m_notes.cableConfirmed = true;
        }
        else
            m_notes.recordCable = { text.trimmed(), record, Walk::now() };
    } else {
        m_notes.comment = { text, record, Walk::now() };
    }
}

void OperatorHands::onProcedureConfirm()
{
    QObject* page = sender();
    if (!page->property("waiting").toBool())
        return;
    const int stage = page->property("stage").toInt();
    m_notes.confirmedStage = stage;
    if (page->property("inputShown").toBool())
        m_notes.readingAt[stage] = page->property("spin").value<QObject*>()->property("value").toInt() / 10.0;
}

// The manual ramp's target as the operator's clicks chose it: from the last target chosen
// on the page (0.0 first) in steps of 0.1 kV within the range, from 0 straight to 1 kV and
// back.
QObject* OperatorHands::rampEntry() const
{
    return m_notes.rampPage ? m_notes.rampPage->property("entry").value<QObject*>() : nullptr;
}

int OperatorHands::rampTenths(bool low) const
{
    const double range = rampEntry()->property("range").toDouble();
    return qRound((low ? qMin(0.0, range) : qMax(0.0, range)) * 10);
}

void OperatorHands::stepTarget(int direction)
{
    QObject* entry = rampEntry();
    QQuickItem* focus = m_walk.ui->window()->activeFocusItem();
    if (!entry || !entry->property("active").toBool() || !focus
        || (focus->objectName() != QLatin1String("voltageButton") && focus->objectName() != QLatin1String("overviewGauge")))
        return;
    int& tenths = m_notes.rampTenths;
    int next = tenths + direction;
    if (tenths == 0)
        next = 10 * direction;
    else if (qAbs(tenths) == 10 && qAbs(next) < 10)
        next = 0;
    if (next >= rampTenths(true) && next <= rampTenths(false))
        tenths = next;
}

// The target entry of a manual ramp opens or closes.
void OperatorHands::onRampEntry()
{
    QObject* entry = rampEntry();
    if (entry->property("active").toBool()) {
        const int start = qBound(rampTenths(true), m_notes.rampChosen.last(), rampTenths(false));
        m_notes.rampTenths = qAbs(start) < 10 ? 0 : start;
    } else if (entry->property("open").toBool() && m_notes.rampTenths != m_notes.rampChosen.last()) {
        m_notes.rampChosen << m_notes.rampTenths;
    }
}
