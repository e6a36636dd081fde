#include "hvunit/OwedUnitWrites.h"

#include "logging/LoggingCtrl.h"

#include <algorithm>

namespace {
constexpr const char* kClass = "OwedUnitWrites";
// How often what is owed is tried again while the link is up.
constexpr int kRetryMs = 500;
// The longest wait between two writes to a unit that refuses them.
constexpr qint64 kLongestRetryMs = 60000;

// Values a program gone meanwhile could not give back, as the operator reads them once
// written: the output calibration's gains or the cascade calibration's words.
TransObject restoredText(OwedValues const& v)
{
    const QString context = QStringLiteral("Commissioning");
    if (v.gains)
        return TransObject(context, QStringLiteral("OwedUnitWritesGainsRestored"),
                           { QString::number(v.gains->gainU), QString::number(v.gains->gainI) });
    QStringList words;
    for (const auto& p : v.parameters)
        words << QStringLiteral("0x%1").arg(p.second, 0, 16);
    return TransObject(context, QStringLiteral("OwedUnitWritesWordsRestored"), { words.join(QLatin1Char('/')) });
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

void OwedUnitWrites::holdHeader(Owed& owed)
{
    owed.held = !owed.values.told.isEmpty();
    if (owed.held)
        emit holdMessage(owed.id, CAT_ERR, TransObject(QStringLiteral("Commissioning"), owed.values.told));
}

void OwedUnitWrites::releaseHeader(QUuid const& id)
{
    emit closeDlg(id, IGUI::Accepted);
}

// Queued to the GUI thread, never waited for: a link thread waiting for the GUI thread
// polls no unit and hangs a GUI thread that waits for the link.
void OwedUnitWrites::tellOperator(MessageCategories category, const char* key)
{
    emit showMessageDlg(category, TransObject(QStringLiteral("Commissioning"), QString::fromLatin1(key)), false, false);
}

void OwedUnitWrites::keepIn(QString const& path)
{
    m_file = OwedFile(path);
    const OwedFile::Found found = m_file.read();
    std::vector<Owed> loaded;
    QStringList what;
    // A run that drove the output did not end: the unit may still run it.
    if (found.content.stop)
        what << QStringLiteral("a stop");
    for (const OwedFile::Entry& entry : found.content.entries) {
        Owed owed { entry.values, { entry.serial, entry.hardwareId }, QUuid::createUuid() };
        what << owed.values.what + QStringLiteral(" (HV unit ") + owed.unit.serial + QLatin1Char(')');
        owed.held = !owed.values.told.isEmpty();
        owed.fromBefore = true;
        loaded.push_back(owed);
    }
    // The file's log lines name them.
    QList<TransObject> warnings;
    if (!found.refused.isEmpty())
        warnings << TransObject(QStringLiteral("Commissioning"), QStringLiteral("OwedUnitWritesRefused"),
                                { OwedFile::nameFirst(found.refused, 3) });
    if (!found.keptAside.isEmpty())
        warnings << TransObject(QStringLiteral("Commissioning"), QStringLiteral("OwedUnitWritesFileKeptAside"),
                                { found.keptAside });
    if (!what.isEmpty())
        KLOG_WARN2(kClass, "keepIn", QStringLiteral("Still owed from before the start: %1").arg(what.join(QStringLiteral("; "))));
    // Told once the event loop runs: the program connects the user interface after this.
    QMetaObject::invokeMethod(this, [this, loaded, warnings] {
        for (Owed owed : loaded)
            holdHeader(owed);
        for (const TransObject& warning : warnings)
            emit holdMessage(QUuid::createUuid(), CAT_WARN, warning);
    }, Qt::QueuedConnection);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopFromBefore = found.content.stop && !m_stopOwed;
        m_stopOwed = m_stopOwed || found.content.stop;
        m_values.insert(m_values.begin(), loaded.begin(), loaded.end());
    }
    // What was dropped or refused stays in the log, not in the file.
    if (!found.dropped.isEmpty() || !found.refused.isEmpty())
        save();
}

bool OwedUnitWrites::save()
{
    std::lock_guard<std::mutex> fileLock(m_fileMutex);
    OwedFile::Content content;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const Owed& o : m_values)
            content.entries.push_back({ o.values, o.unit.serial, o.unit.hardwareId });
        content.stop = m_stopOwed || m_driving;
    }
    return m_file.write(content);
}

void OwedUnitWrites::startRetry()
{
    // On the link's clock, so a faster one passes the waits faster.
    QMetaObject::invokeMethod(this, [this] { m_retry.start(kRetryMs / std::max(1, m_pof->steadyRate())); });
}

qint64 OwedUnitWrites::now() const
{
    return m_pof->steadyMs();
}

void OwedUnitWrites::setStopOwed(bool owed)
{
    setStop(owed, false);
}

void OwedUnitWrites::stopFound()
{
    setStop(true, true);
}

void OwedUnitWrites::setStop(bool owed, bool unasked)
{
    bool changed = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        changed = (m_stopOwed || m_driving) != (owed || m_driving);
        // One a procedure owes stays the procedure's.
        m_stopUnasked = owed && unasked && (m_stopUnasked || !m_stopOwed);
        m_stopOwed = owed;
    }
    if (changed)
        save();
    if (owed)
        startRetry();
}

bool OwedUnitWrites::stopOwed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopOwed;
}

void OwedUnitWrites::setDriving(bool driving)
{
    bool changed = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        changed = (m_stopOwed || m_driving) != (m_stopOwed || driving);
        m_driving = driving;
    }
    if (changed)
        save();
}

bool OwedUnitWrites::writeStop()
{
    if (!stopOwed())
        return true;
    if (m_pof->StopTest(SKP_StopFlags_None) != TPOF::Ok)
        return false;
    bool fromBefore = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::swap(fromBefore, m_stopFromBefore);
    }
    setStopOwed(false);
    if (fromBefore)
        m_restored << TransObject(QStringLiteral("Commissioning"), QStringLiteral("OwedUnitWritesStopRestored"));
    return true;
}

OwedUnitWrites::Outcome OwedUnitWrites::write(Values const& values)
{
    const auto outcome = [this](int rc) {
        if (rc == TPOF::Ok)
            return Outcome::Written;
        if (rc == TPOF::ErrBusy)
            return Outcome::Unsure;
        return rc == TPOF::ErrLink || !m_pof->linkUp() ? Outcome::Lost : Outcome::Refused;
    };
    // A busy unit drops what it is sent: nothing goes before it is free.
    if (m_pof->GetHVState() && (m_pof->sub()->getHVUnitState().state & HVStateBits::Busy))
        return Outcome::Unsure;
    if (values.gains) {
        const Outcome gains = outcome(m_pof->writeGainCalibration(*values.gains));
        if (gains != Outcome::Written)
            return gains;
    }
    QList<eHVUnitParamType> types;
    for (const auto& p : values.parameters) {
        const Outcome parameter = outcome(m_pof->SetParameter(p.first, p.second));
        if (parameter != Outcome::Written)
            return parameter;
        types << p.first;
    }
    // The views were told the run's values; they get these.
    if (!types.isEmpty())
        m_pof->refreshHVUnitParams(types);
    return Outcome::Written;
}

bool OwedUnitWrites::holds(Values const& values)
{
    if (values.gains) {
        // Read into the data model, so the views show what the unit holds.
        IHVDataModel* data = m_pof->dataModel();
        if (!m_pof->ExecCmd(TPOF::CMD_GetGains) || data->getHVUnitParam(eHVUnitParamType_GainU) != values.gains->gainU
            || data->getHVUnitParam(eHVUnitParamType_GainI) != values.gains->gainI)
            return false;
    }
    QList<eHVUnitParamType> types;
    for (const auto& p : values.parameters) {
        unsigned long long value = 0;
        if (m_pof->GetParameter(p.first, &value) != TPOF::Ok || value != p.second)
            return false;
        types << p.first;
    }
    if (!types.isEmpty())
        m_pof->refreshHVUnitParams(types);
    return true;
}

bool OwedUnitWrites::keep(QUuid const& id, Values values)
{
    Owed kept { std::move(values), unitNow(), id };
    kept.kept = true;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_values.push_back(kept);
    }
    if (save())
        return true;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_values.erase(std::remove_if(m_values.begin(), m_values.end(), [&id](Owed const& o) { return o.id == id; }),
                   m_values.end());
    return false;
}

void OwedUnitWrites::drop(QUuid const& id)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = std::find_if(m_values.begin(), m_values.end(), [&id](Owed const& o) { return o.id == id && o.kept; });
        if (it == m_values.end())
            return;
        m_values.erase(it);
    }
    save();
}

void OwedUnitWrites::owe(QUuid const& id, Outcome outcome)
{
    Owed owed;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = std::find_if(m_values.begin(), m_values.end(), [&id](Owed const& o) { return o.id == id && o.kept; });
        if (it == m_values.end())
            return;
        it->kept = false;
        it->sent = outcome == Outcome::Unsure;
        owed = *it;
    }
    if (outcome == Outcome::Unsure) {
        // Not known to have failed: the operator hears of them only if the unit, once free,
        // does not take them.
        KLOG_WARN2(kClass, "owe",
                   QStringLiteral("%1 not confirmed, the HV unit is busy; read back and written as soon as it is free")
                       .arg(owed.values.what));
        startRetry();
        return;
    }
    KLOG_ERROR2(kClass, "owe",
                QString::fromLatin1(outcome == Outcome::Lost
                                        ? "%1 could not be written, the HV unit is silent; written when it answers again"
                                        : "%1 not taken by the HV unit; written as soon as it takes them")
                    .arg(owed.values.what));
    holdOwedHeader(owed);
    if (outcome == Outcome::Refused)
        refused();
    startRetry();
}

void OwedUnitWrites::holdOwedHeader(Owed owed)
{
    holdHeader(owed);
    std::lock_guard<std::mutex> lock(m_mutex);
    for (Owed& o : m_values)
        if (o.id == owed.id)
            o.held = owed.held;
}

void OwedUnitWrites::refused()
{
    // 0.5 s, 1 s, 2 s and so on up to a minute: over a minute of refusals at most eight writes.
    m_nextWrite = now() + std::min(qint64(kRetryMs) << std::min(m_refusals, 8), kLongestRetryMs);
    ++m_refusals;
}

bool OwedUnitWrites::owes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopOwed || std::any_of(m_values.begin(), m_values.end(), [](Owed const& o) { return !o.kept; });
}

QStringList OwedUnitWrites::owed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QStringList out;
    if (m_stopOwed)
        out << QStringLiteral("a stop");
    for (const Owed& o : m_values)
        if (!o.kept)
            out << o.values.what;
    return out;
}

bool OwedUnitWrites::writeOwed()
{
    if (!owes())
        return true;
    const Unit unit = unitNow();
    tellOtherUnits(unit);
    const QStringList before = owed();
    bool unasked = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        unasked = m_stopUnasked;
    }
    const int restoredBefore = m_restored.size();
    bool written = false;
    try {
        written = writeAll(unit);
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
        // A stop to a unit found running is only logged: no procedure of the operator's owed
        // it. What a program gone owed is told in a notice of its own.
        const bool restoredOnly = done.size() <= m_restored.size() - restoredBefore;
        if (!(unasked && done == QStringList { QStringLiteral("a stop") }) && !restoredOnly)
            tellOperator(CAT_INF, "OwedUnitWritesDone");
    }
    tellRestored();
    return written;
}

void OwedUnitWrites::tellRestored()
{
    if (m_restored.isEmpty())
        return;
    // Read once the operator is there: the calibration did not finish.
    emit showMessageListDlg(CAT_WARN, m_restored, false, true);
    m_restored.clear();
}

bool OwedUnitWrites::writeAll(Unit const& unit)
{
    // The output must not come back with the line: the stop goes before anything else.
    if (!writeStop())
        return false;
    bool all = true, any = false;
    for (;;) {
        Owed next;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const auto it = std::find_if(m_values.begin(), m_values.end(),
                                         [&unit](Owed const& o) { return o.unit == unit && !o.kept; });
            if (it == m_values.end())
                break;
            next = *it;
        }
        // Sent to a unit that stayed busy: it may hold them by now.
        const Outcome outcome = next.sent && holds(next.values) ? Outcome::Written : write(next.values);
        if (outcome != Outcome::Written) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                for (Owed& o : m_values)
                    if (o.id == next.id)
                        o.sent = outcome == Outcome::Unsure;
            }
            // Known now not to be in the unit: the header says so until they are.
            if (outcome != Outcome::Unsure && !next.held)
                holdOwedHeader(next);
            if (outcome == Outcome::Refused)
                refused();
            all = false;
            break;
        }
        m_refusals = 0;
        if (next.held)
            releaseHeader(next.id);
        if (next.fromBefore)
            m_restored << restoredText(next.values);
        {
            // Only this thread takes values out; others only append.
            std::lock_guard<std::mutex> lock(m_mutex);
            m_values.erase(std::find_if(m_values.begin(), m_values.end(), [&next](Owed const& o) { return o.id == next.id; }));
        }
        any = true;
    }
    // Once after the writes, not after each.
    if (any)
        save();
    return all;
}

void OwedUnitWrites::linkEvent(eAppEvent event)
{
    if (event != eAppEvent::HVUnitInitialized)
        return;
    if (owes() && !writeOwed())
        notWritten("linkEvent");
    // The stop the start-up sent for a program gone.
    tellRestored();
}

bool OwedUnitWrites::owesThisUnit() const
{
    const Unit unit = unitNow();
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopOwed
        || std::any_of(m_values.begin(), m_values.end(), [&unit](Owed const& o) { return o.unit == unit && !o.kept; });
}

void OwedUnitWrites::retry()
{
    // What another unit is owed waits for that one; the link's next report brings it.
    if (!owesThisUnit()) {
        m_retry.stop();
        return;
    }
    // Not before a unit that refused is due again; not in a test or a procedure (whose
    // set-up writes it first), not during an update, not while the unit is busy: a busy
    // unit drops what it is sent.
    if (now() < m_nextWrite || !m_pof->linkUp() || !m_pof->dataModel()->isIdle() || m_pof->updateInProgress()
        || m_pof->sub()->drivesOutput() || !m_pof->GetHVState() || (m_pof->sub()->getHVUnitState().state & HVStateBits::Busy))
        return;
    if (!writeOwed())
        notWritten("retry");
}

void OwedUnitWrites::tellOtherUnits(Unit const& now)
{
    // Until the unit has said which it is, nothing can be told.
    if (now.serial.isEmpty())
        return;
    std::vector<Owed> others;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (Owed& o : m_values) {
            if (o.kept || o.unit == now || o.unit.serial.isEmpty() || m_otherUnitsTold.contains(o.unit.serial + o.unit.hardwareId))
                continue;
            others.push_back(o);
            o.held = false;
        }
    }
    for (const Owed& o : others) {
        if (o.held)
            releaseHeader(o.id);
        if (m_otherUnitsTold.contains(o.unit.serial + o.unit.hardwareId))
            continue;
        m_otherUnitsTold << o.unit.serial + o.unit.hardwareId;
        KLOG_ERROR2(kClass, "tellOtherUnits",
                    QStringLiteral("Owed to the HV unit %1 (%2), not to the one connected (%3 %4): its calibration may be "
                                   "wrong until it is connected again")
                        .arg(o.unit.serial, o.unit.hardwareId, now.serial, now.hardwareId));
        // The serial number alone may be the same for both.
        emit showMessageDlg(CAT_WARN,
                            TransObject(QStringLiteral("Commissioning"), QStringLiteral("OwedUnitWritesOtherUnit"),
                                        { o.unit.serial, o.unit.hardwareId, now.serial, now.hardwareId }),
                            false, false);
    }
}

void OwedUnitWrites::notWritten(const char* where)
{
    startRetry();
    if (m_failureTold)
        return;
    m_failureTold = true;
    KLOG_ERROR2(kClass, where,
                QStringLiteral("Could not be written to the HV unit; tried again: %1").arg(owed().join(QStringLiteral("; "))));
    // Says what is still owed: a stop sent meanwhile is not.
    bool values = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        values = std::any_of(m_values.begin(), m_values.end(), [](Owed const& o) { return !o.kept; });
    }
    tellOperator(CAT_ERR, !stopOwed() ? "OwedUnitWritesValuesFailed" : values ? "OwedUnitWritesFailed" : "OwedUnitWritesStopFailed");
}
