#pragma once

#include <QColor>
#include <QObject>

class QQuickItem;
namespace QtCharts {
class QAbstractAxis;
}

// Restyles what a QML chart view does not expose: the plot-area background and the grid
// colour of an axis. Published to QML as "chartDecorator"; it keeps no state.
class ChartDecorator : public QObject {
    Q_OBJECT
public:
    explicit ChartDecorator(QObject* parent = nullptr);

    Q_INVOKABLE void setPlotAreaBackground(QQuickItem* item, const QColor& color);
    // A vertical gradient over the plot area: colour 1 at the top, colour 2 at
    // gradientColor2Pos (0..1), colour 3 at the bottom.
    Q_INVOKABLE void setPlotAreaGradient(QQuickItem* item, double gradientColor2Pos, const QColor& gradientColor1,
                                         const QColor& gradientColor2, const QColor& gradientColor3);
    Q_INVOKABLE void setGridLineColor(QtCharts::QAbstractAxis* axis, const QColor& color);
};
