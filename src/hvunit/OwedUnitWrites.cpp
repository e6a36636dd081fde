#include "hvunit/OwedUnitWrites.h"

#include "hvunit/TPOF.h"

#include "core/GlobalFuncs.h"
#include "gui/api/IGUI.h"
#include "logging/LoggingCtrl.h"

namespace {
constexpr const char* kClass = "OwedUnitWrites";

void tellOperator(MessageCategories category, const char* key)
{
    if (IGUI* gui = GlobalFuncs::getGUI())
        gui->showMessageDlg(category, QStringLiteral("Commissioning"), QString::fromLatin1(key), false, false);
}
} // namespace

OwedUnitWrites::OwedUnitWrites(TPOF* pof) : QObject(pof), m_pof(pof)
{
    // Queued: the link reports from inside its poll, where no new transaction belongs.
    connect(pof, &TPOF::sendAppEvent, this, &OwedUnitWrites::linkEvent, Qt::QueuedConnection);
}

OwedUnitWrites::~OwedUnitWrites()
{
    // The link is gone (the program closes) while the unit was silent.
    if (owes())
        KLOG_ERROR2(kClass, "~OwedUnitWrites",
                    QStringLiteral("Could not be written to the HV unit before the link closed: %1")
                        .arg(owed().join(QStringLiteral("; "))));
}

void OwedUnitWrites::setStopOwed(bool owed)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopOwed = owed;
}

bool OwedUnitWrites::stopOwed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopOwed;
}

void OwedUnitWrites::owe(QString const& what, Write write)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_values.push_back({ what, std::move(write) });
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
    for (const Values& v : m_values)
        out << v.what;
    return out;
}

bool OwedUnitWrites::writeOwed()
{
    if (!owes())
        return true;
    const QStringList what = owed();
    bool written = false;
    try {
        written = writeAll();
    } catch (...) {
        KLOG_ERROR2(kClass, "writeOwed", "Writing what the HV unit is owed failed with an exception");
    }
    if (!written)
        return false;
    KLOG_INFO2(kClass, "writeOwed", QStringLiteral("Written to the HV unit: %1").arg(what.join(QStringLiteral("; "))));
    m_failureTold = false;
    tellOperator(CAT_INF, "OwedUnitWritesDone");
    return true;
}

bool OwedUnitWrites::writeAll()
{
    // The output must not come back with the line: the stop goes before anything else.
    if (stopOwed()) {
        if (m_pof->StopTest(SKP_StopFlags_None) != TPOF::Ok)
            return false;
        setStopOwed(false);
    }
    for (;;) {
        Write write;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_values.empty())
                return true;
            write = m_values.front().write;
        }
        if (!write(*m_pof))
            return false;
        // Only this thread takes values out; others only append.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_values.erase(m_values.begin());
    }
}

void OwedUnitWrites::linkEvent(eAppEvent event)
{
    if (event != eAppEvent::HVUnitInitialized || !owes())
        return;
    if (writeOwed() || m_failureTold)
        return;
    m_failureTold = true;
    KLOG_ERROR2(kClass, "linkEvent",
                QStringLiteral("Could not be written to the HV unit; tried again when the link is up: %1")
                    .arg(owed().join(QStringLiteral("; "))));
    tellOperator(CAT_ERR, "OwedUnitWritesFailed");
}
