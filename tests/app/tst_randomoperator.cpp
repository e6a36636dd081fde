#include "app/Application.h"
#include "app/WatchdogManager.h"
#include "commissioning/InputTakeover.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"
#include "fakes/ProgramWindow.h"
#include "fakes/QmlWarnings.h"
#include "fakes/SimulatedSurroundings.h"
#include "gui/Calibration.h"
#include "gui/Settings.h"
#include "gui/TestConfiguration.h"
#include "gui/ValueUnit.h"
#include "hvunit/HvEnableRule.h"
#include "hvunit/OwedUnitWrites.h"
#include "hvunit/TPOF.h"
#include "hvunit/SCPins.h"
#include "testrun/TestChart.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPointer>
#include <QQuickItem>
#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <functional>
#include <numeric>
#include <random>

namespace {

// By hand: --seed N --minutes M (one run of that seed); in the suite the fixed rows below.
struct Options {
    bool byHand = false, verbose = false;
    quint32 seed = 0;
    int seconds = 0;
} g_options;

qint64 now() { return InputGuard::now(); }

const QString kAdminPassword = QStringLiteral("Adm1n-Lock");
const QString kServicePassword = QStringLiteral("Serv1ce-Lock");
// Text typed into fields carries a token of its own, so that a record's comment tells
// which typing it came from.
const QRegularExpression kToken(QStringLiteral("zq(\\d+)x"));

QPointF centreOf(const QQuickItem* item) { return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)); }
QString joined(const QSet<QString>& names) { return QStringList(names.values()).join(QLatin1String(", ")); }
QString counted(const QMap<QString, int>& counts)
{
    QString out;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        out += QStringLiteral("%1 %2, ").arg(it.key()).arg(it.value());
    return out;
}

} // namespace

// A random operator and technician at the instrument: from a seed it draws input after
// input (taps on the controls shown or anywhere, the encoder, text, the unit's HV-on key,
// safety inputs, the stick, faults of the unit) and checks after each, and every 100 ms
// while it waits, the rules that must hold whatever was done. A broken rule ends the run
// with the seed, the last inputs and what the rule saw.
class TstRandomOperator : public QObject {
    Q_OBJECT
public:
    TstRandomOperator(Application* app, SimulatedSurroundings* around)
        : m_app(app), m_around(around), m_ui("tst_randomoperator", &around->gpio, &around->sim.model())
    {
    }

private:
    using Self = TstRandomOperator;
    DataModell* dm() const { return m_app->dataModel(); }
    HvUnitModel& unit() const { return m_around->sim.model(); }
    InputGuard* guard() const { return m_ui.window()->property("inputGuard").value<InputGuard*>(); }
    bool rampBurning() const { return m_rampPage && testLive() && dm()->burnCurrentLimiter(); }
    bool testLive() const { return dm()->getAppState() == States::TestRunning || dm()->getAppState() == States::TestBurning; }

    // --- the draw ----------------------------------------------------------------------

    int draw(int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(m_rng)); }
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }
    template <typename T>
    int weighted(const QList<QPair<T, int>>& options)
    {
        int at = draw(qMax(1, std::accumulate(options.cbegin(), options.cend(), 0,
                                              [](int sum, const QPair<T, int>& o) { return sum + o.second; })));
        for (int i = 0; i < options.size(); ++i)
            if ((at -= options[i].second) < 0)
                return i;
        return 0;
    }

    void note(const QString& input)
    {
        const qint64 at = now() - m_runStart;
        m_inputs << QStringLiteral("%1.%2 s %3 (%4)").arg(at / 1000).arg(at / 100 % 10).arg(input, m_ui.shownType());
        if (g_options.verbose)
            std::printf("%s\n", qPrintable(m_inputs.last()));
        if (m_inputs.size() > 50)
            m_inputs.removeFirst();
        const QString kind = input.section(QLatin1Char(' '), 0, 0);
        if (kind == QLatin1String("fault"))
            ++m_faults[input.section(QLatin1Char(' '), 1, 1)];
        if (kind != QLatin1String("aim"))
            ++m_drawn[kind];
    }

    // One input, drawn with weights that follow what is shown, so that a run reaches the
    // tests, the manual ramp, the history, the settings, the locks and the procedures.
    void drawInput()
    {
        const bool live = testLive();
        const bool waitsForKey
            = dm()->getAppState() == States::WaitHVOn || m_ui.headline() == QLatin1String("HVOn betätigen");
        const QQuickItem* field = focusedTextField();
        // A field is typed into once, then the operator goes on.
        const int text = !field ? 1 : field == m_typedInto ? 2 : 30;
        // Where the aim waits (a test, a procedure) the operator mostly watches; faults and
        // open safety inputs come mostly once the test or procedure runs.
        const Aim& aim = aims()[m_aim];
        const QString shown = m_ui.shownType();
        const bool waiting = aim.stay.contains(shown) && !live;
        // Off the way the operator goes back, the knob mostly left alone.
        const bool away = !aim.stay.contains(shown)
            && std::none_of(aim.route.cbegin(), aim.route.cend(), [&](const Step& s) { return shown == s.page; });
        // A marker being moved is turned; a door left open is closed again before a test.
        const bool marking = rampEntry() && rampEntry()->property("active").toBool();
        const bool opened = std::count(m_open, m_open + 9, true) > 0;
        // A burning cable is given time for a target to be tried.
        const bool burning = dm()->getAppState() == States::TestBurning;
        const QList<QPair<void (Self::*)(), int>> kinds {
            { &Self::tapControl, waiting ? 6 : 50 },       { &Self::tapAnywhere, 3 },
            { &Self::turnEncoder, marking ? 50 : waiting ? 2 : 8 }, { &Self::pressKnob, waiting || away ? 2 : 7 },
            { &Self::pressTwice, waiting || away ? 1 : 5 },        { &Self::typeText, text },
            { &Self::pressHvOnKey, waitsForKey ? 25 : 1 }, { &Self::switchSafetyInput, live ? 4 : opened ? 10 : 1 },
            { &Self::moveStick, 1 },                       { &Self::injectFault, burning ? 1 : live || m_procedure ? 5 : 1 },
        };
        (this->*kinds[weighted(kinds)].first)();
    }

    // --- what the operator is after ----------------------------------------------------

    // For a while the operator is after one aim: on each page of the way the controls (by
    // object name and text) that lead there, and the pages to stay on; elsewhere the
    // operator goes back. An aim is followed until it is reached and a few seconds more,
    // or for its time.
    struct Step {
        const char* page;
        QRegularExpression control;
        int appeal;
    };
    struct Aim {
        const char* name;
        int ms;
        QList<Step> route;
        QStringList stay;
        std::function<bool(const Self&)> reached;
    };
    enum { ManualRampAim = 1, ProcedureAim = 5 };
    static const QList<Aim>& aims()
    {
        const auto step = [](const char* page, const char* controls, int appeal = 800) {
            return Step { page, QRegularExpression(QStringLiteral("^(%1)\\|").arg(QLatin1String(controls))), appeal };
        };
        using T = const Self&;
        static const QStringList measuring { "TestConfirmationPage", "MeasurementPreparationPage", "MeasurementPage" };
        static const QList<Aim> list {
            { "a test", 20000,
              { step("MainPage", "modeButton[123]"), step("TestSelectionPage", "modeButton\\d+"),
                step("CableDataPage", "confirmButton"), step("TestConfigurationPage", "confirmButton"),
                step("TestConfirmationPage", "rowConfirmButton\\d+|confirmButton"),
                step("MeasurementResultsPage", "addInfoButton"), step("CommentEditPage", "confirmButton"),
                step("DialogPage", "confirmButton") },
              measuring, [](T t) { return t.dm()->getAppState() == States::TestRunning; } },
            { "a manual ramp", 25000,
              { step("MainPage", "modeButton1"), step("TestSelectionPage", "modeButton(7|10)"),
                step("CableDataPage", "confirmButton"), step("TestConfigurationPage", "settingsButton"),
                step("TestConfigurationPage", "confirmButton", 60), step("ExtendedConfigurationPage", "confirmButton", 60),
                step("TestConfirmationPage", "rowConfirmButton\\d+|confirmButton"),
                step("DialogPage", "confirmButton"), step("MeasurementPage", "voltageButton|overviewGauge") },
              measuring, [](T t) { return t.m_rampChosen.size() > 1; } },
            { "the history", 10000,
              { step("MainPage", "activitiesButton"),
                step("ActivitiesPage", "activityList|expander|loadButton|folderCheckBox|shareButton"),
                step("MeasurementResultsPage", "addInfoButton|editCableButton|shareButton"),
                step("CommentEditPage", "confirmButton"), step("CableDataPage", "confirmButton"),
                step("SharePage", "usbButton"), step("DialogPage", "confirmButton") },
              {}, [](T t) { return QStringList { t.m_ui.shownType(), t.below() }.contains(QLatin1String("ActivitiesPage")); } },
            { "the settings", 10000,
              { step("MainPage", "settingsButton"), step("SettingsPage", "(information|system|measurement|connections)Entry") },
              {}, [](T t) { return t.below() == QLatin1String("SettingsPage") && !t.m_ui.shownType().contains(QLatin1String("Settings")); } },
            { "the locks", 10000,
              { step("MainPage", "settingsButton"), step("SettingsPage", "(admin|service)Entry"),
                step("AdminSettings", "okButton|lockButton"), step("ServiceSettings", "okButton|lockButton") },
              {}, [](T t) { return !t.lockAsked().isEmpty() && !t.m_ui.page()->property("asking").toBool(); } },
            { "a procedure", 10000,
              { step("MainPage", "settingsButton|modeButton4"), step("TestSelectionPage", "modeButton(17|18|22)"),
                step("SettingsPage", "serviceEntry"), step("ServiceSettings", "okButton|calibrationModeEntry"),
                step("CalibrationMenuPage", "commissioningButton"),
                step("CommissioningSelectionPage", "modeButton(17|18|22)"),
                step("OutputVoltageCalibration", "confirmButton|spin"), step("CascadeCalibration", "confirmButton"),
                step("CascadePowerEnvelope", "confirmButton") },
              { "OutputVoltageCalibration", "CascadeCalibration", "CascadePowerEnvelope" },
              [](T t) { return t.m_procedure || aims()[ProcedureAim].stay.contains(t.m_ui.shownType()); } },
        };
        return list;
    }
    QQuickItem* stackPage(int index) const
    {
        QQuickItem* page = nullptr;
        QMetaObject::invokeMethod(m_ui.stack(), "get", Q_RETURN_ARG(QQuickItem*, page), Q_ARG(int, index));
        return page;
    }
    QString below() const { return m_ui.depth() > 1 ? ProgramWindow::typeName(stackPage(m_ui.depth() - 2)) : QString(); }
    // How much the operator wants the control now: the way of the aim, back where it is
    // not, now and then anything.
    int appeal(const QQuickItem* control, bool onRoute) const
    {
        const QString key = control->objectName() + QLatin1Char('|') + control->property("text").toString();
        const QString shown = m_ui.shownType();
        static const QRegularExpression away(QStringLiteral("^(backButton|returnButton|cancelButton|leaveButton)\\|"));
        // Only a sine ramp burns.
        if (m_aim == ManualRampAim && m_burn && control->objectName() == QLatin1String("modeButton7"))
            return 5;
        if (m_aim == ManualRampAim && shown != QLatin1String("MainPage") && shown != QLatin1String("TestSelectionPage")
            && !DataModell::isTestRunningState(dm()->getAppState())) {
            // A manual ramp is had in the sine and DC tests only: from another, back.
            const int mode = dm()->getOperatingMode();
            if (mode != OperatingModes::DC && mode != OperatingModes::VLFSin && shown.contains(QLatin1String("Config")))
                return away.match(key).hasMatch() ? 800 : 5;
            // With the ramp manual and the burn mode as drawn (sine only) the way goes on
            // from the parameters; in the extended ones, the choices that make them so.
            if (shown == QLatin1String("TestConfigurationPage") && m_ui.vm()->config()->manualRamp()
                && (mode != OperatingModes::VLFSin || dm()->burnCurrentLimiter() == m_burn))
                return control->objectName() == QLatin1String("confirmButton") ? 800 : 5;
            if (control->objectName().startsWith(QLatin1String("choiceButton")))
                return control->objectName() == QStringLiteral("choiceButton%1").arg(wantedChoice(control))
                        && !control->property("checked").toBool() ? 800 : 5;
        }
        // A choice made already is no way on, nor a page come to from off the way (the
        // results of a test are not those of the history).
        const QString under = below();
        const QList<Step>& route = aims()[m_aim].route;
        if (!control->property("checked").toBool()
            && (under.isEmpty() || std::any_of(route.cbegin(), route.cend(), [&](const Step& s) { return under == s.page; })))
            for (const Step& step : route)
                if (shown == QLatin1String(step.page) && step.control.match(key).hasMatch())
                    return step.appeal;
        if (away.match(key).hasMatch())
            return onRoute || aims()[m_aim].stay.contains(shown) ? 10 : 600;
        // The keys of the on-screen keyboard come with the text input.
        if (control->property("key").isValid())
            return 1;
        return control->objectName().isEmpty() ? 5 : 15;
    }

    // Of an extended parameter's row: the ramp manual, the burn mode as drawn; -1 for others.
    int wantedChoice(const QQuickItem* control) const
    {
        while (control && !control->objectName().startsWith(QLatin1String("extendedRow")))
            control = control->parentItem();
        const QObject* editor = control ? control->property("editor").value<QObject*>() : nullptr;
        const auto* item = editor ? qobject_cast<ValueUnit*>(editor->property("item").value<QObject*>()) : nullptr;
        return !item ? -1 : item->type() == ValueUnit::RampMode ? 1 : item->type() == ValueUnit::BurnMode ? int(m_burn) : -1;
    }

    // --- inputs ------------------------------------------------------------------------

    // The enabled, visible controls under root whose middle is not covered: buttons, mouse
    // areas, text fields, what the encoder reaches and the keys of the on-screen keyboard.
    static void collectControls(QQuickItem* root, QList<QQuickItem*>& out, const QRectF& covered = QRectF())
    {
        if (!root || !root->isVisible() || !root->isEnabled() || !(root->width() > 0 && root->height() > 0 && root->opacity() > 0))
            return;
        if ((root->inherits("QQuickAbstractButton") || root->inherits("QQuickMouseArea") || root->inherits("QQuickTextInput")
             || root->property("vlfNavigationClient").value<QObject*>()
             || (root->property("key").isValid() && root->property("weight").isValid()))
            && !covered.contains(centreOf(root)))
            out << root;
        for (QQuickItem* child : root->childItems())
            collectControls(child, out, covered);
    }
    QQuickItem* focusedTextField() const
    {
        QQuickItem* item = m_ui.window()->activeFocusItem();
        return item && item->inherits("QQuickTextInput") && item->isVisible() ? item : nullptr;
    }
    void tapControl()
    {
        QQuickWindow* window = m_ui.window();
        // What the keyboard covers takes no tap; its keys do.
        QQuickItem* keyboard = m_ui.keyboardShown() ? window->property("keyboard").value<QQuickItem*>() : nullptr;
        const QRectF covered = keyboard ? keyboard->mapRectToScene(QRectF(0, 0, keyboard->width(), keyboard->height())) : QRectF();
        QList<QQuickItem*> controls;
        collectControls(m_ui.shown(), controls, covered);
        collectControls(window->property("headerBar").value<QQuickItem*>(), controls, covered);
        collectControls(keyboard, controls);
        if (controls.isEmpty())
            return tapAnywhere();
        const bool onRoute
            = std::any_of(controls.cbegin(), controls.cend(), [this](QQuickItem* c) { return appeal(c, true) >= 60; });
        QList<QPair<QQuickItem*, int>> options;
        for (QQuickItem* c : controls)
            options << qMakePair(c, appeal(c, onRoute));
        QQuickItem* control = options[weighted(options)].first;
        const QString name = control->objectName().isEmpty() ? QString::fromLatin1(control->metaObject()->className())
                                                             : control->objectName();
        // Scrolled out of sight: the encoder brings it.
        const bool offScreen = !QRectF(0, 0, window->width(), window->height()).contains(centreOf(control));
        note(QString::fromLatin1(offScreen ? "turn-to %1 and press" : "tap %1").arg(name));
        for (int i = 0; offScreen && i < 40 && !control->hasActiveFocus(); ++i)
            turnOnce(1);
        m_typedInto = nullptr;
        beforeAction(control);
        if (offScreen)
            m_ui.press();
        else
            m_ui.tapOn(control);
    }
    void tapAnywhere()
    {
        const QPoint spot(draw(m_ui.window()->width()), draw(m_ui.window()->height()));
        const bool touch = chance(0.5);
        note(QStringLiteral("tap-anywhere %1,%2%3").arg(spot.x()).arg(spot.y()).arg(touch ? " touch" : ""));
        m_ui.tapAt(spot, touch);
    }
    void turnOnce(int direction)
    {
        stepTarget(direction);
        m_ui.turn(direction);
    }
    void turnEncoder()
    {
        const int steps = between(1, 6) * (chance(0.5) ? 1 : -1);
        note(QStringLiteral("turn %1").arg(steps));
        for (int i = 0; i < qAbs(steps); ++i)
            turnOnce(steps > 0 ? 1 : -1);
    }
    void pressKnob()
    {
        note(QStringLiteral("press"));
        m_typedInto = nullptr;
        beforeAction(m_ui.window()->activeFocusItem());
        m_ui.press();
    }
    void pressTwice()
    {
        const int gap = between(50, 1500);
        note(QStringLiteral("press-twice %1 ms").arg(gap));
        beforeAction(m_ui.window()->activeFocusItem());
        m_ui.pressTwice(gap);
    }
    void typeText()
    {
        QQuickItem* field = focusedTextField();
        if (!field)
            return note(QStringLiteral("type nowhere"));
        QString text;
        DB* db = GlobalFuncs::getDB();
        const QString lock = lockAsked();
        if (!lock.isEmpty() && chance(0.6)) {
            text = lock == Settings::kAdminLock ? kAdminPassword : kServicePassword;
            // A reset may have given the factory password back: the test sets its own.
            if (!GlobalFuncs::checkPassword(text, db->getPassword(lock)))
                db->setPassword(lock, GlobalFuncs::encryptPassword(text));
        } else {
            const int token = m_tokens.size() + 1;
            text = chance(0.3) ? QString::number(between(0, 600) / 10.0) : QStringLiteral("zq%1x").arg(token);
            // Where it goes: a comment (of a test with a record or without one) or elsewhere.
            const bool comment = field->objectName() == QLatin1String("commentField");
            m_tokens[token] = !comment ? "elsewhere" : m_resultsWithoutRecord ? "comment without record" : "comment";
        }
        const bool replace = !lock.isEmpty() || chance(0.5);
        note(QStringLiteral("type \"%1\"%2 into %3").arg(text, replace ? " (replacing)" : "", field->objectName()));
        for (const QString& l : { Settings::kAdminLock, Settings::kServiceLock })
            if (GlobalFuncs::checkPassword(text, db->getPassword(l)))
                m_rightTypedAt[l] = now();
        if (replace)
            m_ui.retype(text);
        else
            m_ui.type(text);
        m_typedInto = field;
    }
    void pressHvOnKey()
    {
        note(QStringLiteral("hv-on-key"));
        unit().pressHvOn();
    }
    void switchSafetyInput()
    {
        QList<int> open;
        for (int bit = 0; bit < 10; ++bit)
            if (m_open[bit])
                open << bit;
        const int bit = !open.isEmpty() && chance(0.7) ? open[draw(open.size())] : draw(10);
        m_open[bit] = !m_open[bit];
        note(QStringLiteral("safety-input %1 %2").arg(bit).arg(m_open[bit] ? "open" : "closed"));
        if (m_open[bit] && bit < 9)
            m_openedAt = now();
        m_around->gpio.setLine(safetyLineOfBit(bit), !m_open[bit]);
    }
    void moveStick()
    {
        m_stickIn = !m_stickIn;
        note(QStringLiteral("stick %1").arg(m_stickIn ? "in" : "out"));
        if (m_stickIn)
            m_around->root.insertStick();
        else
            m_around->root.pullStick();
    }
    void injectFault()
    {
        static const uint32_t errorBits[] = { HVStateBits::Overcurrent, HVStateBits::Overtemperature };
        int ms = 0;
        uint32_t bit = 0;
        switch (rampBurning() && chance(0.5) ? 1 : draw(5)) {
        case 0:
            ms = between(500, 10000);
            note(QStringLiteral("fault silence %1 ms").arg(ms));
            silence(ms);
            break;
        case 1:
            note(QStringLiteral("fault breakdown"));
            if (dm()->getAppState() >= States::WaitHVOn && DataModell::isTestRunningState(dm()->getAppState())) {
                m_around->sim.clearRequests();
                m_breakdown = true;
            }
            unit().triggerBreakdown();
            break;
        case 2:
            bit = errorBits[draw(2)];
            ms = between(1000, 10000);
            note(QStringLiteral("fault error-bit %1 for %2 ms").arg(bit, 0, 16).arg(ms));
            unit().triggerError(bit);
            QTimer::singleShot(ms, this, [this, bit] {
                unit().clearError(bit);
                // A unit left in its error is switched off and on.
                if (dm()->getAppState() == States::HVUnitError)
                    silence(3000);
            });
            break;
        case 3:
            ms = between(1000, 20000);
            note(QStringLiteral("fault refused-writes %1 ms").arg(ms));
            unit().setGainWriteBehaviour(200, true, false);
            QTimer::singleShot(ms, this, [this] { unit().setGainWriteBehaviour(200, false, false); });
            break;
        default:
            ms = between(500, 3000);
            note(QStringLiteral("fault busy %1 ms").arg(ms));
            unit().holdBusy(ms);
        }
    }

    void silence(int ms)
    {
        m_around->sim.setFault(HvUnitSimulator::Fault::Silence);
        ++m_silences;
        QTimer::singleShot(ms, this, [this] {
            if (--m_silences == 0)
                m_around->sim.clearFault();
        });
    }

    // --- what the operator confirms, kept from the inputs ------------------------------

    // Before a tap or press on a control: what the operator sees and confirms with it.
    void beforeAction(QQuickItem* control)
    {
        const QString name = control ? control->objectName() : QString();
        const QString shown = m_ui.shownType();
        if (shown == QLatin1String("TestConfigurationPage") && name == QLatin1String("confirmButton")) {
            // The voltages on the parameters' buttons, as the operator reads them.
            double highest = 0;
            for (int i = 0; QQuickItem* button = m_ui.find(QStringLiteral("parameterButton%1").arg(i)); ++i)
                highest = qMax(highest, peakKv(texts(button)));
            m_confirmedKv = highest;
        } else if (shown == QLatin1String("TestConfirmationPage") && name.startsWith(QLatin1String("rowConfirmButton"))) {
            // The levels of a step test.
            for (const QString& level : m_ui.text(QStringLiteral("levelsText")).split(QLatin1Char('\n')))
                m_confirmedKv = qMax(m_confirmedKv, peakKv({ level.section(QLatin1String("   "), 1), QStringLiteral("RMS") }));
        } else if (m_procedure && name == QLatin1String("confirmButton")) {
            m_confirmedAt << m_ui.headline();
        } else if (shown == QLatin1String("CalibrationMenuPage")) {
            m_handWriteAt = now();
        }
    }
    static QStringList texts(QQuickItem* item)
    {
        QStringList out;
        if (!item || !item->isVisible())
            return out;
        const QString text = item->property("text").toString();
        if (!text.isEmpty())
            out << text;
        for (QQuickItem* child : item->childItems())
            out << texts(child);
        return out;
    }
    // The peak of a voltage shown as "12.5 kV", with "RMS" or "PEAK" beside it; 0 for none.
    static double peakKv(const QStringList& shown)
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
    // Which lock the page asks the password of; empty when none.
    static QString lockOf(const QQuickItem* page)
    {
        static const QHash<QString, QString> locks { { "adminSettingsPage", Settings::kAdminLock },
                                                     { "serviceSettingsPage", Settings::kServiceLock } };
        return locks.value(page->objectName());
    }
    QString lockAsked() const { return lockOf(m_ui.shown()); }

    // The manual ramp's target as the operator's clicks chose it: from the last target
    // chosen on the page (0.0 first) in steps of 0.1 kV within the range, from 0 straight
    // to 1 kV and back.
    QObject* rampEntry() const { return m_rampPage ? m_rampPage->property("entry").value<QObject*>() : nullptr; }
    int rampTenths(bool low) const
    {
        const double range = rampEntry()->property("range").toDouble();
        return qRound((low ? qMin(0.0, range) : qMax(0.0, range)) * 10);
    }
    void stepTarget(int direction)
    {
        QObject* entry = rampEntry();
        QQuickItem* focus = m_ui.window()->activeFocusItem();
        if (!entry || !entry->property("active").toBool() || !focus
            || (focus->objectName() != QLatin1String("voltageButton") && focus->objectName() != QLatin1String("overviewGauge")))
            return;
        int next = m_rampTenths + direction;
        if (m_rampTenths == 0)
            next = 10 * direction;
        else if (qAbs(m_rampTenths) == 10 && qAbs(next) < 10)
            next = 0;
        if (next >= rampTenths(true) && next <= rampTenths(false))
            m_rampTenths = next;
    }

    // --- rules -------------------------------------------------------------------------

    // The program runs and answers: no heartbeat missed, no QML warning, no long stall.
    QString programAnswers()
    {
        if (!m_missed.isEmpty())
            return QStringLiteral("watchdog heartbeat missed by %1").arg(m_missed.join(QLatin1String(", ")));
        const QStringList warnings = QmlWarnings::install()->take();
        if (!warnings.isEmpty())
            return QStringLiteral("QML warnings: %1").arg(warnings.join(QLatin1Char('\n')));
        return m_stall > 2000 ? QStringLiteral("the GUI thread did not answer for %1 ms").arg(m_stall) : QString();
    }

    // The HV-enable line is high only in a test state or while a procedure holds it, with
    // the test boost allowing it and, once the HV is on (or for a procedure), with the
    // safety circuit closed; low within 1 s otherwise.
    QString hvEnableLine()
    {
        const States::AppState state = dm()->getAppState();
        // From when this rule saw the state: its queued notice may come later.
        if (state != m_seenState) {
            m_seenState = state;
            m_stateAt = now();
        }
        const bool procedure = m_app->safetyCircuit()->commissioningHoldsHvEnable();
        const bool hvOn = state >= States::WaitHVOn && state <= States::TestSoftStop;
        // The tenth input is the HV-on key, no part of the circuit.
        const bool closed = std::count(m_open, m_open + 9, true) == 0;
        const bool allowed = (DataModell::isTestRunningState(state) || procedure)
            && hvEnableAllowed(true, dm()->getTestBoostState()) && (closed || !(hvOn || procedure));
        if (!m_around->hvEnable())
            m_highSince = -1;
        else if (m_highSince < 0)
            m_highSince = now();
        if (m_highSince < 0 || allowed)
            m_notAllowedSince = -1;
        else if (m_notAllowedSince < 0)
            m_notAllowedSince = qMin(now(), closed ? m_stateAt : qMax(m_openedAt, m_stateAt));
        const qint64 high = now() - qMax(m_highSince, m_notAllowedSince);
        if (m_notAllowedSince < 0 || high <= 1000)
            return QString();
        QStringList open;
        for (int bit = 0; bit < 10; ++bit)
            if (m_open[bit])
                open << QString::number(bit);
        return QStringLiteral("HV-enable line high for %1 ms in state %2, procedure holding it: %3, safety inputs "
                              "open: [%4], test boost %5/%6")
            .arg(high).arg(QLatin1String(States::stateName(state))).arg(procedure).arg(open.join(QLatin1Char(',')))
            .arg(dm()->getTestBoostState().powerState).arg(dm()->getTestBoostState().stateWord);
    }

    // The unit's set points: never above its maximum; in a test never above the voltage
    // the operator confirmed; in a manual ramp only the targets the operator's clicks
    // chose; none once the unit has told of a breakdown.
    QString setPoints()
    {
        const States::AppState state = dm()->getAppState();
        // Those sent since the last look while the ramp was live are the ramp's, if it ended since.
        const bool ramp = m_rampWasLive || (m_rampPage && testLive());
        m_rampWasLive = m_rampPage && testLive();
        for (const HvUnitModel::Command& c : unit().takeCommandLog()) {
            if (c.letter != 'u')
                continue;
            const double kv = qAbs(int32_t(uint32_t(c.value1))) / 1e6;
            const QString seen = QStringLiteral("set point %1 kV in state %2").arg(kv).arg(QLatin1String(States::stateName(state)));
            if (kv > m_unitMaxKv)
                return QStringLiteral("%1, above the unit's %2 kV").arg(seen).arg(m_unitMaxKv);
            // A procedure started while a finished test waits for its confirmation is no test.
            if (m_testLimitKv > 0 && DataModell::isTestRunningState(state) && kv > m_testLimitKv + 0.15)
                return QStringLiteral("%1, above the %2 kV (peak) the operator confirmed").arg(seen).arg(m_testLimitKv);
            if (ramp && !m_rampChosen.contains(qRound(kv * 10))) {
                QStringList chosen;
                for (int t : qAsConst(m_rampChosen))
                    chosen << QString::number(t / 10.0, 'f', 1);
                return QStringLiteral("%1 in a manual ramp whose operator chose %2 kV").arg(seen, chosen.join(QLatin1String(", ")));
            }
        }
        if (!m_breakdown)
            return QString();
        // The first state word read after the breakdown told the program of it.
        qint64 told = -1;
        for (const HvUnitSimulator::Request& r : m_around->sim.requests()) {
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
    QString guardHolds() { return m_ghost; }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        const int key = type == QEvent::KeyPress ? static_cast<QKeyEvent*>(event)->key() : 0;
        if (!m_ui.window()
            || !(type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick || type == QEvent::TouchBegin
                 || key == Qt::Key_Return || key == Qt::Key_Enter))
            return false;
        if (watched == m_ui.window()) {
            // Before the window's own filters see it.
            m_pressAt = now();
            m_pressAge = m_pressAt - m_frontAt;
        } else if (auto* control = m_pressAt > 0 ? qobject_cast<QQuickItem*>(watched) : nullptr) {
            // It went past the window to a control.
            if (m_pressAge < guard()->guardTime() - 5 && m_ghost.isEmpty() && !InputGuard::isStopping(control))
                m_ghost = QStringLiteral("a press or tap reached \"%1\" (%2) %3 ms after %4 came to the front")
                              .arg(watched->objectName(), ProgramWindow::typeName(watched)).arg(m_pressAge).arg(m_frontName);
            m_pressAt = 0;
        }
        return false;
    }

    // The unit's gains and calibration words.
    QString unitValues() const
    {
        QString words;
        for (eHVUnitParamType word : { eHVUnitParamType_GainU_HVP, eHVUnitParamType_OffsetU_HVP,
                                       eHVUnitParamType_GainU_HVN, eHVUnitParamType_OffsetU_HVN })
            words += QStringLiteral(" %1").arg(unit().parameter(TPOF::getPOFParamCode(word)), 0, 16);
        return QStringLiteral("gains %1/%2, calibration words%3").arg(unit().gainU()).arg(unit().gainI()).arg(words);
    }
    // Outside a procedure the unit keeps the gains and calibration words of the last
    // procedure that ended with a confirmed write (or a value the operator entered on the
    // calibration page), or those it had before; what the program owes it may lag.
    QString unitCalibration()
    {
        const bool running = !Commissioning::inputsFreeFor(m_app->safetyCircuit(), nullptr);
        if (running && !m_procedure) {
            m_confirmedAt.clear();
            m_procedureSucceeded = false;
            m_procedures.insert(m_ui.page()->objectName());
        } else if (!running && m_procedure) {
            m_procedureEndedAt = now();
            m_keepsNew = m_procedureSucceeded || m_confirmedAt.contains(QStringLiteral("Bestätigung -37kV"));
        }
        m_procedure = running;
        if (running)
            return QString();
        const QString values = unitValues();
        if (values == m_reference)
            return QString();
        const bool settling = now() - m_procedureEndedAt < 5000;
        if ((m_keepsNew && settling) || now() - m_handWriteAt < 3000)
            m_reference = values;
        else if (!settling && !m_app->hvLink()->owedWrites()->owes())
            return QStringLiteral("the unit holds %1 outside a procedure, not %2").arg(values, m_reference);
        return QString();
    }

    // Every record reads back and has its row in the history; a comment is in the record
    // it was typed for only.
    QString records()
    {
        QMap<int, QString> holders;
        QSet<QString> present;
        QDirIterator it(GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements), { QStringLiteral("*.vlf") }, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo file(it.next());
            const QString path = file.absoluteFilePath();
            present.insert(path);
            Record& seen = m_records[path];
            const QPair<qint64, qint64> version(file.size(), file.lastModified().toMSecsSinceEpoch());
            if (seen.version != version) {
                TestChart::VLF::TestData data;
                if (!TestChart::loadTestData(path, &data))
                    return QStringLiteral("record %1 does not read back").arg(path);
                const auto rows = TestChart::activityEntryList(file.absolutePath());
                if (std::none_of(rows.cbegin(), rows.cend(), [&](const auto& row) { return row.path == path; }))
                    return QStringLiteral("record %1 has no row in the history").arg(path);
                seen = { version, TestChart::VLF::info(data, 1, 25) };
            }
            for (auto match = kToken.globalMatch(seen.comment); match.hasNext();) {
                const int token = match.next().captured(1).toInt();
                const QString target = m_tokens.value(token, QStringLiteral("by nobody"));
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

    // A locked menu (its page, what was opened from it, the procedures behind the service
    // lock) shows only once its password was typed since it was locked.
    QString locks()
    {
        QStringList stack;
        QString lock;
        for (int i = 0, depth = m_ui.depth(); i < depth; ++i) {
            QQuickItem* page = stackPage(i);
            if (!page)
                continue;
            // A lock's page counts once its menu shows, or something was opened from it.
            const QObject* menu = page->property("menu").value<QObject*>();
            const bool menuShown = i < depth - 1 || (menu && menu->property("visible").toBool());
            if (!lockOf(page).isEmpty()) {
                if (menuShown)
                    lock = lockOf(page);
            } else if (page->objectName() == QLatin1String("calibrationMenuPage") || page->property("showsProcedureErrors").isValid()
                       || ProgramWindow::typeName(page) == QLatin1String("CommissioningSelectionPage")) {
                lock = Settings::kServiceLock;
            }
            stack << page->objectName();
        }
        if (lock.isEmpty() && m_ui.shownType() == QLatin1String("MainPage")
            && m_ui.find(QStringLiteral("modeButton%1").arg(int(OperatingModes::Calibration))))
            lock = Settings::kServiceLock;
        if (lock.isEmpty() || m_rightTypedAt.value(lock, -1) > m_lockedAt.value(lock))
            return QString();
        return QStringLiteral("the menu behind %1 shows (%2), its password not typed since it was locked")
            .arg(lock, stack.join(QLatin1String(" > ")));
    }

    // --- the run -----------------------------------------------------------------------

    // Every rule once; the first that breaks ends the run.
    bool rulesHold()
    {
        static const QList<QPair<const char*, QString (Self::*)()>> rules {
            { "the program answers", &Self::programAnswers }, { "the HV-enable line", &Self::hvEnableLine },
            { "the set points", &Self::setPoints },           { "the guard time", &Self::guardHolds },
            { "the unit's calibration", &Self::unitCalibration }, { "the records", &Self::records },
            { "the locks", &Self::locks },
        };
        for (const auto& rule : rules) {
            ++m_checked;
            const QString broken = (this->*rule.second)();
            if (!broken.isEmpty()) {
                m_broken = QStringLiteral("%1: %2").arg(QLatin1String(rule.first), broken);
                return false;
            }
        }
        notePage();
        return true;
    }
    // What the page shown tells: a test without a record, a procedure's success, a manual ramp.
    void notePage()
    {
        const QString type = m_ui.shownType();
        QQuickItem* page = m_ui.page();
        m_pages.insert(type);
        if (type == QLatin1String("MeasurementResultsPage"))
            m_resultsWithoutRecord = m_ui.shows(QStringLiteral("No results were stored for this test"));
        if (m_procedure && m_ui.headline() == QLatin1String("Erfolgreiche Kalibrierung"))
            m_procedureSucceeded = true;
        if (type != QLatin1String("MeasurementPage") || !page->property("manualRamp").toBool() || page == m_rampPage)
            return;
        m_rampPage = page;
        m_rampChosen = { 0 };
        m_rampTenths = 0;
        connect(rampEntry(), SIGNAL(activeChanged()), this, SLOT(onRampEntry()));
    }
    void onStateChanged(States::AppState, States::AppState to)
    {
        if (to == States::InitTest)
            m_modes.insert(TestChart::operatingModeName(dm()->getOperatingMode()));
        if (to == States::InitTest || to == States::Idle) {
            m_testLimitKv = to == States::InitTest ? m_confirmedKv : 0;
            m_breakdown = false;
        }
    }
    void onLockChanged()
    {
        for (const QString& lock : { Settings::kAdminLock, Settings::kServiceLock }) {
            const bool locked = Settings::isLocked(lock);
            if (locked && !m_locked.value(lock))
                m_lockedAt[lock] = now();
            m_locked[lock] = locked;
        }
    }

public slots:
    // The target entry of a manual ramp opens or closes.
    void onRampEntry()
    {
        QObject* entry = rampEntry();
        if (entry->property("active").toBool()) {
            const int start = qBound(rampTenths(true), m_rampChosen.last(), rampTenths(false));
            m_rampTenths = qAbs(start) < 10 ? 0 : start;
        } else if (entry->property("open").toBool() && m_rampTenths != m_rampChosen.last()) {
            m_rampChosen << m_rampTenths;
        }
    }

private slots:
    void initTestCase()
    {
        // The product's double-click, guard and hold times, as the instrument starts with them.
        const int dblClickTime = dm()->dblClickTime();
        QVERIFY(m_ui.attach(m_app));
        m_ui.useOperatorTimes();
        QTRY_COMPARE(guard()->guardTime(), qMax(dblClickTime, int(InputGuard::MinimumGuardMs)));
        // The service page asks one password for both of its levels (the service and the ryx lock).
        for (const auto& lock : { qMakePair(Settings::kAdminLock, kAdminPassword), qMakePair(Settings::kServiceLock, kServicePassword),
                                  qMakePair(Settings::kRyxLock, kServicePassword) })
            QVERIFY(GlobalFuncs::getDB()->setPassword(lock.first, GlobalFuncs::encryptPassword(lock.second)));
        connect(WatchdogManager::getInstance(), &WatchdogManager::heartbeatMissed, this,
                [this](const QStringList& threads) { m_missed << threads; });
        connect(dm(), &DataModell::appStateChanged, this, &Self::onStateChanged);
        connect(dm(), &DataModell::adminMenuLockedChanged, this, &Self::onLockChanged);
        connect(dm(), &DataModell::serviceMenuLockedChanged, this, &Self::onLockChanged);
        onLockChanged();
        connect(guard(), &InputGuard::frontChanged, this, [this] {
            m_frontAt = now();
            m_frontName = ProgramWindow::typeName(guard()->front());
        });
        qApp->installEventFilter(this);
        m_reference = unitValues();
        m_unitMaxKv = unit().identification().maxRmsKV * M_SQRT2;
        QmlWarnings::install()->take();
        // Service staff may calibrate: the unit's settings word leaves tan delta calibration off.
        unit().setParameter(TPOF::getPOFParamCode(eHVUnitParamType_HvSinParameterVlfSettings), 0);
        TPOF* link = m_app->hvLink();
        QMetaObject::invokeMethod(link, [link] { link->refreshHVUnitParams(QList<eHVUnitParamType>()); });
        QTRY_VERIFY_WITH_TIMEOUT(!m_ui.vm()->calibration()->tanDeltaCalib(), 10000);
        // A test runs its course in seconds: a short ramp, a fast measurement clock.
        unit().setRampMs(300);
        unit().setClockScale(30);
    }

    void run_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("seconds");
        if (g_options.byHand)
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(g_options.seed))) << g_options.seed << g_options.seconds;
        else
            QTest::newRow("seed 31") << 31u << 55;
    }
    void run()
    {
        QFETCH(quint32, seed);
        QFETCH(int, seconds);
        m_rng.seed(seed);
        m_runStart = now();
        bool holds = rulesHold();
        // Aims drawn one after the other; after each input the rules are checked, then
        // every 100 ms of a wait.
        qint64 aimEnd = 0;
        while (holds && now() - m_runStart < seconds * 1000LL) {
            // An aim is reached on the way to another too.
            for (const Aim& aim : aims())
                if (aim.reached(*this))
                    m_aimsReached.insert(QLatin1String(aim.name));
            if (m_aimReached < 0 && aims()[m_aim].reached(*this)) {
                m_aimReached = now();
                // A burning ramp is watched a while: breakdowns are looked for there.
                aimEnd = qMin(aimEnd, now() + (rampBurning() ? 10000 : between(1000, 3000)));
            }
            if (now() >= aimEnd) {
                // One not reached yet, as long as there is one.
                QList<int> next;
                for (int i = 0; i < aims().size(); ++i)
                    if (!m_aimsReached.contains(QLatin1String(aims()[i].name)))
                        next << i;
                m_aim = next.isEmpty() ? draw(aims().size()) : next[draw(next.size())];
                m_burn = chance(0.5);
                m_aimReached = -1;
                aimEnd = now() + aims()[m_aim].ms;
                note(QStringLiteral("aim %1").arg(QLatin1String(aims()[m_aim].name)));
            }
            drawInput();
            holds = rulesHold();
            for (const qint64 end = now() + (holds ? between(0, 400) : 0); holds && now() < end;) {
                const qint64 before = now();
                QTest::qWait(int(qMin<qint64>(100, end - now())));
                m_stall = qMax(m_stall, now() - before - 100);
                holds = rulesHold();
            }
        }
        std::printf("seed %u: %d inputs drawn\n  inputs: %s\n  aims reached: %s\n  pages reached (%d): %s\n"
                    "  test modes started: %s\n  procedures started: %s\n  faults injected: %s\n  rules checked: %lld\n",
                    seed, std::accumulate(m_drawn.cbegin(), m_drawn.cend(), 0), qPrintable(counted(m_drawn)),
                    qPrintable(joined(m_aimsReached)), int(m_pages.size()), qPrintable(joined(m_pages)),
                    qPrintable(joined(m_modes)), qPrintable(joined(m_procedures)), qPrintable(counted(m_faults)), m_checked);
        if (!holds) {
            std::printf("BROKEN with seed %u: %s\nlast inputs:\n  %s\n", seed, qPrintable(m_broken),
                        qPrintable(m_inputs.join(QLatin1String("\n  "))));
            m_ui.shot(QStringLiteral("broken"));
            QFAIL(qPrintable(m_broken));
        }
    }

private:
    Application* m_app;
    SimulatedSurroundings* m_around;
    ProgramWindow m_ui;
    std::mt19937 m_rng;
    int m_aim = 0;
    qint64 m_aimReached = -1, m_runStart = 0;

    // What was done and reached.
    QStringList m_inputs;
    QMap<QString, int> m_drawn, m_faults;
    QSet<QString> m_pages, m_aimsReached, m_modes, m_procedures;
    qint64 m_checked = 0;
    QString m_broken;

    // The surroundings as the operator left them, and what was typed where.
    bool m_open[10] = {};
    qint64 m_openedAt = 0;
    bool m_stickIn = false, m_breakdown = false, m_burn = false, m_procedure = false, m_resultsWithoutRecord = false;
    int m_silences = 0;
    QPointer<QQuickItem> m_typedInto;
    QMap<int, QString> m_tokens;
    QMap<QString, qint64> m_rightTypedAt;

    // What the operator confirmed.
    double m_confirmedKv = 0, m_testLimitKv = 0; // the latter of the test under way
    QPointer<QQuickItem> m_rampPage;
    QList<int> m_rampChosen; // tenths of a kV
    int m_rampTenths = 0;
    bool m_rampWasLive = false;
    QStringList m_confirmedAt; // the headlines of a procedure's page where Confirm was given
    qint64 m_handWriteAt = 0;

    // What the rules saw.
    QStringList m_missed;
    qint64 m_stall = 0, m_stateAt = 0, m_notAllowedSince = -1, m_highSince = -1;
    States::AppState m_seenState = States::None;
    double m_unitMaxKv = 0;
    qint64 m_frontAt = 0, m_pressAt = 0, m_pressAge = 0;
    QString m_frontName, m_ghost;
    QString m_reference;
    qint64 m_procedureEndedAt = 0;
    bool m_procedureSucceeded = false, m_keepsNew = false;
    struct Record {
        QPair<qint64, qint64> version { -1, -1 };
        QString comment;
    };
    QHash<QString, Record> m_records;
    QMap<QString, bool> m_locked;
    QMap<QString, qint64> m_lockedAt;
};

int main(int argc, char** argv)
{
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--verbose") {
            g_options.verbose = true;
        } else if ((arg == "--seed" || arg == "--minutes") && i + 1 < argc) {
            g_options.byHand = true;
            const QByteArray value(argv[++i]);
            if (arg == "--seed")
                g_options.seed = value.toUInt();
            else
                g_options.seconds = int(value.toDouble() * 60);
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (g_options.byHand) {
        g_options.seconds = g_options.seconds > 0 ? g_options.seconds : 60;
        // A run by hand may take longer than a test function is given.
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number((g_options.seconds + 120) * 1000));
    }
    int restCount = int(rest.size());
    return runInProgram<TstRandomOperator>(restCount, rest.data());
}

#include "tst_randomoperator.moc"
