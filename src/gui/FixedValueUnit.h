#pragma once

#include <QObject>
#include <QPair>
#include <QString>

// A read-only parameter of the side panels: a value already formatted to text, with
// its unit. The type chooses the shown name and icon.
class FixedValueUnit : public QObject {
    Q_OBJECT
    // Name and infinity mark depend on the value text, so they follow its changes.
    Q_PROPERTY(QString name READ name NOTIFY valueChanged)
    Q_PROPERTY(QString value READ value NOTIFY valueChanged)
    Q_PROPERTY(QString unit READ unit NOTIFY unitChanged)
    Q_PROPERTY(QString unitHint READ unitHint NOTIFY unitHintChanged)
    Q_PROPERTY(QString icon READ icon CONSTANT)
    Q_PROPERTY(bool isInfinity READ isInfinity NOTIFY valueChanged)
public:
    enum ValueType : int {
        Unknown = 0,
        Resistance = 1,
        Capacitance = 2,
        Frequency = 3,
        Leakage = 4,
        Current = 5,
        MaxCurrent = 6,
        TanDelta = 7,
        Phase = 8,
        Voltage = 9,
        VoltageU0 = 10,
        Range = 11,
        TestTime = 12,
        DutyCycle = 13,
        Levels = 14,
        Insulation = 15,
    };
    Q_ENUM(ValueType)

    explicit FixedValueUnit(ValueType type, QObject* parent = nullptr);
    FixedValueUnit(ValueType type, const QString& value, const QString& unit, QObject* parent = nullptr);
    FixedValueUnit(ValueType type, const QString& value, const QString& unit, const QString& unitHint,
                   QObject* parent = nullptr);

    // Value text (first) and unit (second), as the number formatters deliver them.
    FixedValueUnit& operator=(const QPair<QString, QString>& valueAndUnit);
    // Type, value and unit; the unit hint stays.
    FixedValueUnit& operator=(const FixedValueUnit& other);

    ValueType type() const { return m_type; }
    QString name() const;
    QString value() const { return m_value; }
    QString unit() const { return m_unit; }
    QString unitHint() const { return m_unitHint; }
    QString icon() const;
    // A test time of "0" or no time at all runs without limit.
    bool isInfinity() const;

    void setType(ValueType type) { m_type = type; }
    void setValue(const QString& value);
    void setUnit(const QString& unit);
    void setUnitHint(const QString& unitHint);

signals:
    void valueChanged();
    void unitChanged();
    void unitHintChanged();

private:
    ValueType m_type = Unknown;
    QString m_value;
    QString m_unit;
    QString m_unitHint;
};
