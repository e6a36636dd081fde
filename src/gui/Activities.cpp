#include "gui/Activities.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"

Activities::Activities(QObject* parent) : QObject(parent) {}

void Activities::setTestChart(TTestChart* chart)
{
    if (chart == m_testChart)
        return;
    m_testChart = chart;
    emit testChartChanged();
}

void Activities::setMeasurementComment(const QString&, const QString&)
{
    // Written to the opened record once the history opens records.
}

QStringList Activities::cableNumbers(const QString& filter) const
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getCableNumbers(filter) : QStringList();
}
