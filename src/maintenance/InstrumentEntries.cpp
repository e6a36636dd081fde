#include "maintenance/InstrumentEntries.h"

#include "config/ConfigTree.h"
#include "logging/LoggingCtrl.h"

#include <QDomNamedNodeMap>
#include <QStringList>

namespace {
const char* const kClass = "InstrumentEntries";

// What a reader sees of an entry: its kind, type and text.
QString shown(const QDomElement& e)
{
    return e.isNull() ? QStringLiteral("(none)") : e.attribute(QStringLiteral("type")) + QLatin1Char(' ') + e.text();
}

// The entry whole: its kind, flags and limits too.
QString whole(const QDomElement& e)
{
    QStringList attributes;
    const QDomNamedNodeMap map = e.attributes();
    for (int i = 0; i < map.count(); ++i)
        attributes << map.item(i).nodeName() + QLatin1Char('=') + map.item(i).nodeValue();
    attributes.sort();
    return e.isNull() ? QString() : e.tagName() + attributes.join(QLatin1Char(' ')) + QLatin1Char('>') + e.text();
}
} // namespace

InstrumentEntries::InstrumentEntries(ConfigTree* store, bool serviceOpen, bool serialFromFile)
    : m_store(store), m_serviceOpen(serviceOpen), m_serialFromFile(serialFromFile)
{
    for (const ConfigKeys::Row* row = ConfigKeys::begin(); store && row != ConfigKeys::end(); ++row) {
        if (row->holder != ConfigKeys::Holder::Anyone) {
            const QString key = QLatin1String(row->key);
            m_entries << Entry{key, row->holder, store->entryCopy(key, m_copies)};
        }
    }
}

int InstrumentEntries::keep()
{
    int refused = 0;
    if (!m_store)
        return 0;
    QDomDocument imported;
    for (const Entry& e : qAsConst(m_entries)) {
        const QDomElement now = m_store->entryCopy(e.key, imported);
        if (whole(now) == whole(e.copy))
            continue;
        const bool serial = e.key == QLatin1String(ConfigKeys::SerialNumber);
        const bool open = e.holder != ConfigKeys::Holder::Instrument && (m_serviceOpen || (serial && m_serialFromFile));
        if (open) {
            const QString text = QStringLiteral("%1 set by the imported configuration: %2 (was %3)")
                                     .arg(e.key, shown(now), shown(e.copy));
            KLOG_INFO2(kClass, "keep", text);
            LoggingCtrl::logService(text);
            continue;
        }
        const bool kept = m_store->restoreEntry(e.key, e.copy) == IConfigBase::CFG_OK;
        // A value the import's bounds dropped before was counted there.
        if (now.isNull() && kept)
            continue;
        refused += !now.isNull();
        KLOG_WARN2(kClass, "keep",
                   QStringLiteral("%1 is the instrument's own: the imported value is not taken%2")
                       .arg(e.key, kept ? QString() : QStringLiteral(", nor can it be kept")));
    }
    return refused;
}
