#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariantList>

// One adjustable test parameter as the editors show it: an integer in scaled units
// (shown number × scale factor) or the index of a choice text, kept inside its range.
class ValueUnit : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString name READ name NOTIFY nameChanged)
    Q_PROPERTY(QString description READ description NOTIFY descriptionChanged)
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged)
    Q_PROPERTY(QString unit READ unit NOTIFY unitChanged)
    Q_PROPERTY(QString unitHint READ unitHint NOTIFY unitHintChanged)
    Q_PROPERTY(int minimum READ minimum NOTIFY minimumChanged)
    Q_PROPERTY(int maximum READ maximum NOTIFY maximumChanged)
    Q_PROPERTY(int scaleFactor READ scaleFactor NOTIFY scaleFactorChanged)
    Q_PROPERTY(QVariantList ticks READ ticks NOTIFY ticksChanged)
    Q_PROPERTY(QString zeroRepresentation READ zeroRepresentation NOTIFY zeroRepresentationChanged)
    Q_PROPERTY(QStringList values READ values NOTIFY valuesChanged)
    Q_PROPERTY(ValueType type READ type NOTIFY typeChanged)
    // Follows the value: a binding must not keep a stale infinity mark.
    Q_PROPERTY(bool isInfinity READ isInfinity NOTIFY valueChanged)
    Q_PROPERTY(bool visible READ visible NOTIFY visibleChanged)
public:
    enum ValueType : int {
        Unknown = 0,
        Phases = 1,
        Voltage = 2,
        Time = 3,
        InsulationType = 4,
        VoltageType = 5,
        VoltageFactor = 6,
        VoltageU0 = 7,
        VoltageTest = 8,
        Polarity = 9,
        Frequency = 10,
        BurnMode = 11,
        RampMode = 12,
        DutyCycle = 13,
        NumberOfLevels = 14,
        ValuesPerLevel = 15,
        TanDeltaStandard = 16,
    };
    Q_ENUM(ValueType)

    explicit ValueUnit(QObject* parent = nullptr);
    ValueUnit(const QString& name, const QString& description, const QString& unit, ValueType type,
              QObject* parent = nullptr);

    // Value (first) and unit (second), the form the number formatters deliver.
    ValueUnit& operator=(const QPair<int, QString>& valueAndUnit);
    // Name, description, value and unit only; range, ticks and type stay.
    ValueUnit& operator=(const ValueUnit& other);

    QString name() const { return m_name; }
    QString description() const { return m_description; }
    int value() const { return m_value; }
    QString unit() const { return m_unit; }
    QString unitHint() const { return m_unitHint; }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int scaleFactor() const { return m_scaleFactor; }
    QVariantList ticks() const { return m_ticks; }
    QString zeroRepresentation() const { return m_zeroRepresentation; }
    QStringList values() const { return m_values; }
    ValueType type() const { return m_type; }
    bool visible() const { return m_visible; }
    // A test time of 0 runs without limit.
    bool isInfinity() const;

    void setName(const QString& name);
    void setDescription(const QString& description);
    void setValue(int value);
    void setUnit(const QString& unit);
    void setUnitHint(const QString& unitHint);
    void setMinimum(int minimum);
    void setMaximum(int maximum);
    void setScaleFactor(int scaleFactor);
    void setZeroRepresentation(const QString& text);
    void setVisible(bool visible);
    // The value becomes an index into the list: the range is set to 0..count-1.
    void setStringValues(const QStringList& values);
    // Entries are rounded to integers as qRound does.
    void setTicks(const QList<QVariant>& ticks);

signals:
    void nameChanged();
    void descriptionChanged();
    void valueChanged();
    void unitChanged();
    void unitHintChanged();
    void minimumChanged();
    void maximumChanged();
    void scaleFactorChanged();
    void ticksChanged();
    void zeroRepresentationChanged();
    void valuesChanged();
    void typeChanged();
    void visibleChanged();

private:
    QString m_name;
    QString m_description;
    int m_value = 0;
    QString m_unit;
    QString m_unitHint;
    int m_minimum = 0;
    int m_maximum = 4000;
    int m_scaleFactor = 1;
    QVariantList m_ticks;
    QString m_zeroRepresentation;
    ValueType m_type = Unknown;
    QStringList m_values;
    bool m_visible = true;
};
