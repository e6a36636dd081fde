#pragma once

#include <QObject>
#include <QString>
#include <QVector>

#include <optional>

// One criterion of one phase as the tan delta results page draws it: a bar of bands
// between the ticks, with the phase's value marked on it. Tan delta in units of 1e-3.
// Its owner fills it before handing it out; afterwards it does not change.
class TanDeltaCriterionItemViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString name READ name CONSTANT)
    Q_PROPERTY(QString subname READ subname CONSTANT)
    Q_PROPERTY(bool hasNegativeTicks READ hasNegativeTicks CONSTANT)
    Q_PROPERTY(QVector<qreal> ticks READ ticks CONSTANT)
    Q_PROPERTY(bool hasValue READ hasValue CONSTANT)
    Q_PROPERTY(double value READ value CONSTANT)
public:
    explicit TanDeltaCriterionItemViewModel(QObject* parent = nullptr);

    QString name() const { return m_name; }
    QString subname() const { return m_subname; }
    bool hasNegativeTicks() const;
    QVector<qreal> ticks() const { return m_ticks; }
    bool hasValue() const { return m_value.has_value(); }
    double value() const { return m_value.value_or(0.0); }

    void setName(const QString& name) { m_name = name; }
    void setSubname(const QString& subname) { m_subname = subname; }
    void setValue(const std::optional<double>& value) { m_value = value; }
    // Band edges as plain tan delta numbers; the bar gets an outer band on either side.
    void setTicks(const QVector<double>& edges);

private:
    QString m_name;
    QString m_subname;
    QVector<double> m_ticks;
    std::optional<double> m_value;
};
