#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class TTestChart;

// The history of stored tests. The record store is not owned; it is handed in once the
// application has created it.
class Activities : public QObject {
    Q_OBJECT
public:
    explicit Activities(QObject* parent = nullptr);

    TTestChart* testChart() const { return m_testChart; }
    // The stored cable numbers that contain the filter, for the completion of a cable number.
    Q_INVOKABLE QStringList cableNumbers(const QString& filter) const;

public slots:
    void setTestChart(TTestChart* chart);
    // The comment of a stored record changed on the results page; an empty path names
    // no record.
    void setMeasurementComment(const QString& absoluteFilename, const QString& comment);

signals:
    void testChartChanged();

private:
    TTestChart* m_testChart = nullptr;
};
