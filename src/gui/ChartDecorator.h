#pragma once

#include <QObject>

// Colours and fonts of the measurement graphs, published to QML as "chartDecorator".
class ChartDecorator : public QObject {
    Q_OBJECT
public:
    explicit ChartDecorator(QObject* parent = nullptr);
};
