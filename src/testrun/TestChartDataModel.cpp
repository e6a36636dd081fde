// The record store's links to the data model.
#include "testrun/TestChart.h"

#include "datamodel/DataModell.h"
#include "logging/LoggingCtrl.h"

#include <QLocale>

namespace TestChart {

bool captureTestChartData(DataModell& dm, VLF::TestData& data)
{
    return captureTestChartData<DataModell>(dm, data);
}

HistoryFormat historyFormat()
{
    HistoryFormat format;
    if (DataModell* dm = GlobalFuncs::getDM()) {
        format.timeFormat = dm->getTimeFormat();
        format.dateFormat = dm->getDateFormat();
        format.phaseNames = QStringList{dm->getPhaseName(0), dm->getPhaseName(1), dm->getPhaseName(2)};
        format.keepUnreadable = dm->isDevelopmentMode();
        return format;
    }
    // No data model (tools, early start): the locale's formats.
    const QLocale locale;
    format.timeFormat = locale.timeFormat(QLocale::ShortFormat);
    format.dateFormat = locale.dateFormat(QLocale::ShortFormat);
    format.phaseNames = QStringList{QStringLiteral("L1"), QStringLiteral("L2"), QStringLiteral("L3")};
    return format;
}

namespace detail {
void publishSavedRecord(GlobalFuncs::Path location, const stExportTestInfo& saved)
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm) {
        KLOG_WARN2("TestChart", "saveTestData", "No data model for the saved record");
        return;
    }
    if (location == GlobalFuncs::UsbMeasurements)
        dm->setExportTestInfo(saved);
    else
        dm->setHistoryTestInfo(saved);
}
} // namespace detail

} // namespace TestChart
