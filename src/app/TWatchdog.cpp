#include "app/TWatchdog.h"

#include "core/Heartbeat.h"
#include "core/IWatchdogDevice.h"
#include "logging/LoggingCtrl.h"

#include <QTimer>

namespace {
// Answers come from the event loop and from waits: an older round never overwrites a newer one.
void raiseTo(std::atomic<quint64>& answered, quint64 round)
{
    quint64 current = answered.load();
    while (current < round && !answered.compare_exchange_weak(current, round)) {
    }
}
} // namespace

TWatchdog::TWatchdog(IWatchdogDevice* device, int periodMs, QObject* parent)
    : QObject(parent), m_device(device), m_periodMs(qMax(1, periodMs))
{
}

TWatchdog::~TWatchdog()
{
    finish();
    QMutexLocker lock(&m_mutex);
    for (const Guarded& g : qAsConst(m_guarded))
        Heartbeat::setAnswer(g.context, {});
}

void TWatchdog::attach(QObject* context, const QString& name)
{
    if (!context)
        return;
    QMutexLocker lock(&m_mutex);
    for (const Guarded& g : qAsConst(m_guarded)) {
        if (g.context == context)
            return;
    }
    // A new thread counts as having answered the round under way.
    auto answered = std::make_shared<std::atomic<quint64>>(m_round->load());
    m_guarded.append({context, name, answered});
    Heartbeat::setAnswer(context, [answered, round = m_round]() { raiseTo(*answered, round->load()); });
}

void TWatchdog::detach(QObject* context)
{
    QMutexLocker lock(&m_mutex);
    for (int i = 0; i < m_guarded.size(); ++i) {
        if (m_guarded.at(i).context == context) {
            m_guarded.remove(i);
            Heartbeat::setAnswer(context, {});
            return;
        }
    }
}

QStringList TWatchdog::guardedThreads() const
{
    QMutexLocker lock(&m_mutex);
    QStringList names;
    for (const Guarded& g : m_guarded)
        names << g.name;
    return names;
}

void TWatchdog::begin()
{
    if (m_timer)
        return;
    m_deviceOpen = m_device && m_device->open();
    if (!m_deviceOpen)
        KLOG_WARN2("TWatchdog", "begin",
                   "No hardware watchdog device; the thread heartbeat is checked all the same");
    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &TWatchdog::tick);
    m_timer->start(m_periodMs);
    tick();
}

void TWatchdog::finish()
{
    if (!m_timer)
        return;
    m_timer->stop();
    delete m_timer;
    m_timer = nullptr;
    if (m_deviceOpen)
        m_device->close();
    m_deviceOpen = false;
}

void TWatchdog::tick()
{
    QStringList silent;
    QMutexLocker lock(&m_mutex);
    for (const Guarded& g : qAsConst(m_guarded)) {
        if (g.answered->load() < m_round->load())
            silent << g.name;
    }
    if (silent.isEmpty()) {
        if (m_deviceOpen)
            m_device->kick();
        const quint64 n = ++m_kicks;
        if (m_missing) {
            m_missing = false;
            KLOG_INFO2("TWatchdog", "tick", "All guarded threads answer again");
        }
        emit kicked(n);
    } else {
        if (!m_missing) {
            m_missing = true;
            KLOG_ERROR2("TWatchdog", "tick",
                        QStringLiteral("No heartbeat from %1; the hardware watchdog is not reset")
                            .arg(silent.join(QStringLiteral(", "))));
        }
        emit heartbeatMissed(silent);
    }

    const quint64 round = ++*m_round;
    for (const Guarded& g : qAsConst(m_guarded)) {
        auto answered = g.answered;
        QMetaObject::invokeMethod(
            g.context, [answered, round]() { raiseTo(*answered, round); }, Qt::QueuedConnection);
    }
}
