#include "RandomOperatorDraw.h"
#include "RandomOperatorRules.h"

#include "app/Application.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"
#include "fakes/Artifacts.h"
#include "fakes/QmlWarnings.h"
#include "gui/Calibration.h"
#include "gui/Settings.h"
#include "hvunit/TPOF.h"

#include <QDateTime>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace {

// By hand: --seed N --minutes M (one run of that seed; --aims A,B: those first, and to be
// reached), --replay FILE (the inputs of a run again); in the suite the fixed row below.
struct Options {
    bool byHand = false, verbose = false;
    quint32 seed = 0;
    int seconds = 0;
    QString replay;
    QStringList aims;
} g_options;

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
// safety inputs, the stick, faults and settings of the unit) and checks after each, and
// every 100 ms while it waits, the rules that must hold whatever was done. Every input is
// written to a file that replays the run; a broken rule ends the run with that file's
// path, the last inputs and what the rule saw.
class TstRandomOperator : public QObject {
    Q_OBJECT
public:
    TstRandomOperator(Application* app, SimulatedSurroundings* around)
        : m_ui("tst_randomoperator", &around->gpio, &around->sim.model()), m_hands(m_walk, m_notes, m_log),
          m_rules(m_walk, m_notes)
    {
        m_walk.app = app;
        m_walk.around = around;
        m_walk.ui = &m_ui;
    }

private:
    DataModell* dm() const { return m_walk.dm(); }
    HvUnitModel& unit() const { return m_walk.unit(); }

    // The rules once, then what the page shows; false once one broke.
    bool holds()
    {
        m_broken = m_rules.check();
        m_hands.notePage();
        m_pages.insert(m_walk.shown());
        if (m_draw)
            m_draw->look();
        return m_broken.isEmpty();
    }
    // Waits until then, the rules checked every 100 ms; false once one broke.
    bool waitUntil(qint64 end)
    {
        bool held = true;
        while (held && Walk::now() < end) {
            const qint64 before = Walk::now();
            QTest::qWait(int(qMin<qint64>(100, end - Walk::now())));
            m_rules.noteStall(Walk::now() - before - 100);
            held = holds();
        }
        return held;
    }
    void perform(const OperatorInput& input) { m_hands.perform(input); }
    // A replayed input on the window finds what it was drawn on: the page, and the control it
    // taps. The others (the unit, the safety inputs, the stick, waits) go by the clock.
    bool ready(const OperatorInput& input) const
    {
        static const QStringList onWindow { "tap", "turn-to", "tap-anywhere", "turn", "press", "press-twice", "type" };
        if (!onWindow.contains(input.kind))
            return true;
        if (m_walk.shown() != input.shown)
            return false;
        if (input.target.isEmpty() || (input.kind != QLatin1String("tap") && input.kind != QLatin1String("turn-to")))
            return true;
        const QList<QQuickItem*> controls = m_hands.controls();
        return std::any_of(controls.cbegin(), controls.cend(), [&](QQuickItem* c) { return c->objectName() == input.target; });
    }

private slots:
    void initTestCase()
    {
        // The product's double-click, guard and hold times, as the instrument starts with them.
        const int dblClickTime = dm()->dblClickTime();
        QVERIFY(m_ui.attach(m_walk.app));
        m_ui.useOperatorTimes();
        auto* guard = m_ui.window()->property("inputGuard").value<InputGuard*>();
        QTRY_COMPARE(guard->guardTime(), qMax(dblClickTime, int(InputGuard::MinimumGuardMs)));
        // The service page asks one password for both of its levels (the service and the ryx lock).
        for (const auto& lock : { qMakePair(Settings::kAdminLock, QStringLiteral("Adm1n-Lock")),
                                  qMakePair(Settings::kServiceLock, QStringLiteral("Serv1ce-Lock")),
                                  qMakePair(Settings::kRyxLock, QStringLiteral("Serv1ce-Lock")) })
            QVERIFY(GlobalFuncs::getDB()->setPassword(lock.first, GlobalFuncs::encryptPassword(lock.second)));
        QmlWarnings::install()->take();
        // Service staff may calibrate: the unit's settings word leaves tan delta calibration off.
        unit().setParameter(TPOF::getPOFParamCode(eHVUnitParamType_HvSinParameterVlfSettings), 0);
        TPOF* link = m_walk.app->hvLink();
        QMetaObject::invokeMethod(link, [link] { link->refreshHVUnitParams(QList<eHVUnitParamType>()); });
        QTRY_VERIFY_WITH_TIMEOUT(!m_ui.vm()->calibration()->tanDeltaCalib(), 10000);
        // A test runs its course in seconds: a short ramp, a fast measurement clock, two
        // values a tan delta step.
        unit().setRampMs(300);
        unit().setClockScale(30);
        dm()->setNumberOfValues(2);
        m_rules.start();
    }

    void run_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("replay");
        // The aims a row must reach; empty by hand.
        QTest::addColumn<QStringList>("aims");
        if (!g_options.replay.isEmpty())
            QTest::newRow("replay") << 0u << 0 << g_options.replay << QStringList();
        else if (g_options.byHand)
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(g_options.seed)))
                << g_options.seed << g_options.seconds << QString() << g_options.aims;
        else
            QTest::newRow("seed 31") << 31u << 55 << QString()
                                     << QStringList { "a test", "a manual ramp", "the history", "the settings", "the locks",
                                                      "a procedure" };
    }
    void run()
    {
        QFETCH(quint32, seed);
        QFETCH(int, seconds);
        QFETCH(QString, replay);
        QFETCH(QStringList, aims);
        QList<OperatorInput> inputs;
        if (!replay.isEmpty()) {
            QString error;
            inputs = InputLog::read(replay, &error);
            QVERIFY2(!inputs.isEmpty(), qPrintable(error));
        }
        const QString name = replay.isEmpty() ? QStringLiteral("seed-%1").arg(seed) : QStringLiteral("replay");
        QVERIFY(m_log.open(artifactDir(QStringLiteral("inputs"), QStringLiteral("tst_randomoperator")),
                           QStringLiteral("%1-%2-%3.jsonl")
                                      .arg(name, QDateTime::currentDateTime().toString("yyyyMMdd-hhmmss"))
                                      .arg(QCoreApplication::applicationPid())));
        std::printf("inputs of this run: %s\n", qPrintable(m_log.path()));
        m_log.verbose = g_options.verbose;
        m_walk.start = Walk::now();
        bool held = holds();
        if (replay.isEmpty()) {
            m_draw.reset(new OperatorDraw(m_walk, m_notes, m_hands, seed));
            m_draw->firstAims = aims;
            // Inputs drawn one after the other, aims among them; after each the rules are
            // checked, then every 100 ms of a wait. A slow machine (the sanitizers' build)
            // gets up to a minute more for the aims still open.
            const auto due = [&] {
                const bool aimsOpen = std::any_of(aims.cbegin(), aims.cend(),
                                                  [&](const QString& aim) { return !m_draw->reached.contains(aim); });
                return m_walk.since() < (seconds + (aimsOpen ? 60 : 0)) * 1000LL;
            };
            while (held && due()) {
                for (const OperatorInput& aim : m_draw->nextAim())
                    perform(aim);
                const OperatorInput input = m_draw->next();
                perform(input);
                held = holds() && waitUntil(Walk::now() + m_draw->pause() + (input.kind == QLatin1String("wait") ? input.value : 0));
            }
        } else {
            // At the times they were drawn, each on its control; then 10 s for what follows. A
            // program slower than the one that drew them (a loaded machine) is waited for, up
            // to 3 s an input, until the page and control are there; the inputs after it shift.
            // Three inputs in a row not found means the replay went another way: it goes on by
            // the clock.
            qint64 lag = 0;
            int missed = 0;
            for (int i = 0; held && i < inputs.size(); ++i) {
                held = waitUntil(m_walk.start + inputs.at(i).at + lag);
                const qint64 due = Walk::now();
                while (held && missed < 3 && !ready(inputs.at(i)) && Walk::now() - due < 3000)
                    held = waitUntil(Walk::now() + 50);
                lag += Walk::now() - due;
                missed = ready(inputs.at(i)) ? 0 : missed + 1;
                if (held) {
                    perform(inputs.at(i));
                    held = holds();
                }
            }
            held = held && waitUntil(Walk::now() + 10000);
        }
        std::printf("%s: %d inputs drawn\n  inputs: %s\n  aims reached: %s\n  pages reached (%d): %s\n"
                    "  test modes started: %s\n  procedures started: %s\n  faults injected: %s\n  rules checked: %lld\n"
                    "  records checked: %lld\n  unit readings compared: %lld\n  output calibrations checked: %lld\n",
                    qPrintable(name), std::accumulate(m_hands.drawn.cbegin(), m_hands.drawn.cend(), 0),
                    qPrintable(counted(m_hands.drawn)), m_draw ? qPrintable(joined(m_draw->reached)) : "",
                    int(m_pages.size()), qPrintable(joined(m_pages)), qPrintable(joined(m_rules.modes)),
                    qPrintable(joined(m_rules.procedures)), qPrintable(counted(m_hands.faults)), m_rules.checked,
                    m_rules.recordsChecked, m_rules.readingsCompared, m_rules.calibrationsChecked);
        if (!held) {
            std::printf("BROKEN %s: %s\nreplay: %s --replay %s\nlast inputs:\n  %s\n", qPrintable(name), qPrintable(m_broken),
                        qPrintable(QCoreApplication::applicationFilePath()), qPrintable(m_log.path()),
                        qPrintable(m_log.last().join(QLatin1String("\n  "))));
            m_ui.shot(QStringLiteral("broken"));
            QFAIL(qPrintable(m_broken));
        }
        QStringList missed;
        for (const QString& aim : aims)
            if (!m_draw->reached.contains(aim))
                missed << aim;
        QVERIFY2(missed.isEmpty(), qPrintable(QStringLiteral("aims not reached: %1").arg(missed.join(QLatin1String(", ")))));
    }

private:
    Walk m_walk;
    ProgramWindow m_ui;
    Notes m_notes;
    InputLog m_log;
    OperatorHands m_hands;
    WorldRules m_rules;
    std::unique_ptr<OperatorDraw> m_draw;
    QSet<QString> m_pages;
    QString m_broken;
};

int main(int argc, char** argv)
{
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--verbose") {
            g_options.verbose = true;
        } else if ((arg == "--seed" || arg == "--minutes" || arg == "--replay" || arg == "--aims") && i + 1 < argc) {
            g_options.byHand = true;
            const QByteArray value(argv[++i]);
            if (arg == "--seed")
                g_options.seed = value.toUInt();
            else if (arg == "--replay")
                g_options.replay = QString::fromLocal8Bit(value);
            else if (arg == "--aims")
                g_options.aims = QString::fromLocal8Bit(value).split(QLatin1Char(','));
            else
                g_options.seconds = int(value.toDouble() * 60);
        } else {
            rest.push_back(argv[i]);
        }
    }
    if (g_options.byHand) {
        g_options.seconds = g_options.seconds > 0 ? g_options.seconds : 60;
        // A run by hand may take longer than a test function is given.
        const int seconds = g_options.replay.isEmpty() ? g_options.seconds + 120 : 4 * 3600;
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number(seconds * 1000));
    }
    int restCount = int(rest.size());
    return runInProgram<TstRandomOperator>(restCount, rest.data());
}

#include "tst_randomoperator.moc"
