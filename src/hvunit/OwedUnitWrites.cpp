#include "hvunit/OwedUnitWrites.h"

#include "core/GlobalFuncs.h"
#include "core/TransObject.h"
#include "gui/api/IGUI.h"
#include "logging/LoggingCtrl.h"

#include <algorithm>

namespace {
constexpr const char* kClass = "OwedUnitWrites";
// How often what is owed is tried again while the link is up.
constexpr int kRetryMs = 500;

void tellOperator(MessageCategories category, const char* key)
{
    if (IGUI* gui = GlobalFuncs::getGUI())
        gui->showMessageDlg(category, QStringLiteral("Commissioning"), QString::fromLatin1(key), false, false);
}
} // namespace

OwedUnitWrites::OwedUnitWrites(TPOF* pof) : QObject(pof), m_pof(pof), m_retry(this)
{
    // Queued: the link reports from inside its poll, where no new transaction belongs.
    connect(pof, &TPOF::sendAppEvent, this, &OwedUnitWrites::linkEvent, Qt::QueuedConnection);
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &OwedUnitWrites::retry);
}

OwedUnitWrites::~OwedUnitWrites()
{
    // The link is gone (the program closes) while the unit was silent.
    if (owes())
        KLOG_ERROR2(kClass, "~OwedUnitWrites",
                    QStringLiteral("Could not be written to the HV unit before the link closed: %1")
                        .arg(owed().join(QStringLiteral("; "))));
}

OwedUnitWrites::Unit OwedUnitWrites::unitNow() const
{
    return { m_pof->unitSerial(), m_pof->unitHardwareId() };
}

void OwedUnitWrites::setStopOwed(bool owed)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopOwed = owed;
    }
    if (owed)
        QMetaObject::invokeMethod(&m_retry, qOverload<>(&QTimer::start));
}

bool OwedUnitWrites::stopOwed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopOwed;
}

bool OwedUnitWrites::write(Values const& values)
{
    if (values.gains && m_pof->writeGainCalibration(*values.gains) != TPOF::Ok)
        return false;
    QList<eHVUnitParamType> types;
    for (const auto& p : values.parameters) {
        if (m_pof->SetParameter(p.first, p.second) != TPOF::Ok)
            return false;
        types << p.first;
    }
    // The views were told the run's values; they get these.
    if (!types.isEmpty())
        m_pof->refreshHVUnitParams(types);
    return true;
}

void OwedUnitWrites::owe(Values values)
{
    // Refused by a unit that answers (busy, or it kept another value) or lost with the link.
    KLOG_ERROR2(kClass, "owe",
                (m_pof->linkUp() ? QStringLiteral("%1 not taken by the HV unit; written as soon as it takes them")
                                 : QStringLiteral("%1 could not be written, the HV unit is silent; written when it answers again"))
                    .arg(values.what));
    Owed owed { std::move(values), unitNow(), QUuid::createUuid() };
    if (!owed.values.told.isEmpty())
        if (IGUI* gui = GlobalFuncs::getGUI())
            gui->holdMessage(owed.id, CAT_ERR, TransObject(QStringLiteral("Commissioning"), owed.values.told));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_values.push_back(std::move(owed));
    }
    QMetaObject::invokeMethod(&m_retry, qOverload<>(&QTimer::start));
}

bool OwedUnitWrites::owes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopOwed || !m_values.empty();
}

QStringList OwedUnitWrites::owed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QStringList out;
    if (m_stopOwed)
        out << QStringLiteral("a stop");
    for (const Owed& o : m_values)
        out << o.values.what;
    return out;
}

bool OwedUnitWrites::writeOwed()
{
    if (!owes())
        return true;
    const QStringList before = owed();
    bool written = false;
    try {
        written = writeAll(unitNow());
    } catch (...) {
        KLOG_ERROR2(kClass, "writeOwed", "Writing what the HV unit is owed failed with an exception");
    }
    const QStringList after = owed();
    if (after.size() < before.size()) {
        QStringList done = before;
        for (const QString& what : after)
            done.removeOne(what);
        KLOG_INFO2(kClass, "writeOwed", QStringLiteral("Written to the HV unit: %1").arg(done.join(QStringLiteral("; "))));
        m_failureTold = false;
        tellOperator(CAT_INF, "OwedUnitWritesDone");
    }
    return written;
}

bool OwedUnitWrites::writeAll(Unit const& unit)
{
    // The output must not come back with the line: the stop goes before anything else.
    if (stopOwed()) {
        if (m_pof->StopTest(SKP_StopFlags_None) != TPOF::Ok)
            return false;
        setStopOwed(false);
    }
    for (;;) {
        Owed next;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const auto it = std::find_if(m_values.begin(), m_values.end(), [&unit](Owed const& o) { return o.unit == unit; });
            if (it == m_values.end())
                return true;
            next = *it;
        }
        if (!write(next.values))
            return false;
        if (!next.values.told.isEmpty())
            if (IGUI* gui = GlobalFuncs::getGUI())
                gui->closeDlg(next.id, IGUI::Accepted);
        // Only this thread takes values out; others only append.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_values.erase(std::find_if(m_values.begin(), m_values.end(), [&next](Owed const& o) { return o.id == next.id; }));
    }
}

void OwedUnitWrites::linkEvent(eAppEvent event)
{
    if (event != eAppEvent::HVUnitInitialized || !owes())
        return;
    if (!writeOwed())
        notWritten("linkEvent");
}

bool OwedUnitWrites::owesThisUnit() const
{
    const Unit unit = unitNow();
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopOwed || std::any_of(m_values.begin(), m_values.end(), [&unit](Owed const& o) { return o.unit == unit; });
}

void OwedUnitWrites::retry()
{
    // What another unit is owed waits for that one; the link's next report brings it.
    if (!owesThisUnit()) {
        m_retry.stop();
        return;
    }
    // Not in a test or a procedure (whose set-up writes it first), not during an update,
    // not while the unit is busy: a busy unit drops what it is sent.
    if (!m_pof->linkUp() || !m_pof->dataModel()->isIdle() || m_pof->updateInProgress() || m_pof->sub()->drivesOutput()
        || !m_pof->GetHVState() || (m_pof->sub()->getHVUnitState().state & HVStateBits::Busy))
        return;
    if (!writeOwed())
        notWritten("retry");
}

void OwedUnitWrites::notWritten(const char* where)
{
    m_retry.start();
    if (m_failureTold)
        return;
    m_failureTold = true;
    KLOG_ERROR2(kClass, where,
                QStringLiteral("Could not be written to the HV unit; tried again: %1").arg(owed().join(QStringLiteral("; "))));
    tellOperator(CAT_ERR, "OwedUnitWritesFailed");
}
