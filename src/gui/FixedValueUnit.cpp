#include "gui/FixedValueUnit.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {
struct TypeText {
    const char* key;
    const char* icon;
};

// By FixedValueUnit::ValueType; anything outside is shown as the last row.
constexpr TypeText kTypes[] = {
    {QT_TRANSLATE_NOOP("TestParameters", "Insulation"), "qrc:/icons/skull.svg"},
    {QT_TRANSLATE_NOOP("TestParameters", "Resistance"), "qrc:/icons/resistor.svg"},
    {QT_TRANSLATE_NOOP("TestParameters", "Capacitance"), "qrc:/icons/capacitor.svg"},
    {QT_TRANSLATE_NOOP("TestParameters", "Frequency"), "qrc:/icons/frequency.svg"},
    {QT_TRANSLATE_NOOP("TestParameters", "Leakage"), "qrc:/icons/I_RMS.svg"},
    {QT_TRANSLATE_NOOP("TestParameters", "Current"), "qrc:/icons/I.svg"},
    {QT_TRANSLATE_NOOP("TestParameters", "MaxCurrent"), "qrc:/icons/I_MAX.svg"},
    {QT_TRANSLATE_NOOP("TestParameters", "TanDelta"), "qrc:/icons/tandelta.svg"},
    {QT_TRANSLATE_NOOP("TestParameters", "Phase"), "qrc:/icons/skull.svg"},
    {QT_TRANSLATE_NOOP("TestParameters", "Voltage"), "qrc:/icons/U.svg"},
    {QT_TRANSLATE_NOOP("TestParameters", "VoltageU0"), "qrc:/icons/U.svg"},
    {QT_TRANSLATE_NOOP("TestParameters", "Range"), "qrc:/icons/U.svg"},
    {QT_TRANSLATE_NOOP("TestParameters", "TestTime"), "qrc:/icons/clock.svg"},
    {QT_TRANSLATE_NOOP("TestParameters", "DutyCycle"), "qrc:/icons/skull.svg"},
    {QT_TRANSLATE_NOOP("TestParameters", "Levels"), "qrc:/icons/skull.svg"},
    {QT_TRANSLATE_NOOP("TestParameters", "Insulation"), "qrc:/icons/skull.svg"},
};
constexpr int kTypeCount = int(sizeof(kTypes) / sizeof(kTypes[0]));

const TypeText& typeText(FixedValueUnit::ValueType type)
{
    const int t = int(type);
    return kTypes[t >= 0 && t < kTypeCount ? t : kTypeCount - 1];
}
} // namespace

FixedValueUnit::FixedValueUnit(ValueType type, QObject* parent) : QObject(parent), m_type(type) {}

FixedValueUnit::FixedValueUnit(ValueType type, const QString& value, const QString& unit, QObject* parent)
    : QObject(parent), m_type(type), m_value(value), m_unit(unit)
{
}

FixedValueUnit::FixedValueUnit(ValueType type, const QString& value, const QString& unit, const QString& unitHint,
                               QObject* parent)
    : QObject(parent), m_type(type), m_value(value), m_unit(unit), m_unitHint(unitHint)
{
}

FixedValueUnit& FixedValueUnit::operator=(const QPair<QString, QString>& valueAndUnit)
{
    setValue(valueAndUnit.first);
    setUnit(valueAndUnit.second);
    return *this;
}

FixedValueUnit& FixedValueUnit::operator=(const FixedValueUnit& other)
{
    if (this == &other)
        return *this;
    setType(other.m_type);
    setValue(other.m_value);
    setUnit(other.m_unit);
    return *this;
}

QString FixedValueUnit::name() const
{
    // Several phase names are listed with blanks between them.
    if (m_type == Phase && m_value.contains(QLatin1Char(' ')))
        return QCoreApplication::translate("Menu", "Phases");
    return QCoreApplication::translate("TestParameters", typeText(m_type).key);
}

QString FixedValueUnit::icon() const { return QString::fromLatin1(typeText(m_type).icon); }

bool FixedValueUnit::isInfinity() const
{
    if (m_type != TestTime)
        return false;
    static const QRegularExpression nonDigit(QStringLiteral("\\D"));
    return m_value.toInt(nullptr, 10) < 1 && !m_value.contains(nonDigit);
}

void FixedValueUnit::setValue(const QString& value)
{
    if (value == m_value)
        return;
    m_value = value;
    emit valueChanged();
}

void FixedValueUnit::setUnit(const QString& unit)
{
    if (unit == m_unit)
        return;
    m_unit = unit;
    emit unitChanged();
}

void FixedValueUnit::setUnitHint(const QString& unitHint)
{
    if (unitHint == m_unitHint)
        return;
    m_unitHint = unitHint;
    emit unitHintChanged();
}
