// The record store's links to the data model.
#include "TestChart.h"

#include <QLocale>

namespace TestChart {

// Locale defaults; the data model's own formats and phase names take their place
// once it is registered with GlobalFuncs.
HistoryFormat historyFormat()
{
    HistoryFormat format;
    const QLocale locale;
    format.timeFormat = locale.timeFormat(QLocale::ShortFormat);
    format.dateFormat = locale.dateFormat(QLocale::ShortFormat);
    format.phaseNames = QStringList{QStringLiteral("L1"), QStringLiteral("L2"), QStringLiteral("L3")};
    return format;
}

namespace detail {
void publishSavedRecord(GlobalFuncs::Path, const stExportTestInfo&) {}
} // namespace detail

} // namespace TestChart
