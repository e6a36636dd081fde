#include "gui/ChartDecorator.h"

#include <QAbstractAxis>
#include <QBrush>
#include <QChart>
#include <QGraphicsScene>
#include <QLinearGradient>
#include <QQuickItem>

using namespace QtCharts;

namespace {
// The charts drawn in the scene a chart view keeps among its descendants.
QList<QChart*> chartsOf(QQuickItem* item)
{
    QList<QChart*> charts;
    auto* scene = item ? item->findChild<QGraphicsScene*>() : nullptr;
    if (!scene)
        return charts;
    const QList<QGraphicsItem*> items = scene->items();
    for (QGraphicsItem* graphicsItem : items) {
        if (graphicsItem->isWidget()) {
            if (auto* chart = qobject_cast<QChart*>(static_cast<QGraphicsWidget*>(graphicsItem)))
                charts << chart;
        }
    }
    return charts;
}

void setPlotAreaBrush(QQuickItem* item, const QBrush& brush)
{
    for (QChart* chart : chartsOf(item)) {
        chart->setPlotAreaBackgroundBrush(brush);
        chart->setPlotAreaBackgroundVisible(true);
    }
}
} // namespace

ChartDecorator::ChartDecorator(QObject* parent) : QObject(parent) {}

void ChartDecorator::setPlotAreaBackground(QQuickItem* item, const QColor& color)
{
    setPlotAreaBrush(item, QBrush(color));
}

void ChartDecorator::setPlotAreaGradient(QQuickItem* item, double gradientColor2Pos, const QColor& gradientColor1,
                                         const QColor& gradientColor2, const QColor& gradientColor3)
{
    QLinearGradient gradient(QPointF(0, 0), QPointF(0, 1));
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    gradient.setColorAt(0.0, gradientColor1);
    gradient.setColorAt(qBound(0.0, gradientColor2Pos, 1.0), gradientColor2);
    gradient.setColorAt(1.0, gradientColor3);
    setPlotAreaBrush(item, QBrush(gradient));
}

void ChartDecorator::setGridLineColor(QAbstractAxis* axis, const QColor& color)
{
    if (!axis)
        return;
    axis->setGridLineColor(color);
    axis->setMinorGridLineColor(color);
}
