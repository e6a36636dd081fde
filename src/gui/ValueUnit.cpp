#include "gui/ValueUnit.h"

#include <QtGlobal>

#include <cmath>
#include <limits>

namespace {
// Stores and signals only on a change.
template <typename T, typename Signal>
void assign(ValueUnit* self, T& field, const T& value, Signal signal)
{
    if (field == value)
        return;
    field = value;
    emit(self->*signal)();
}

int roundTick(const QVariant& tick)
{
    const double d = tick.toDouble();
    if (std::isnan(d))
        return 0;
    // qRound of a number outside int is undefined; a tick from QML may be anything.
    constexpr double lo = std::numeric_limits<int>::min() + 1.0;
    constexpr double hi = std::numeric_limits<int>::max();
    return qRound(qBound(lo, d, hi - 0.5));
}
} // namespace

ValueUnit::ValueUnit(QObject* parent) : QObject(parent) {}

ValueUnit::ValueUnit(const QString& name, const QString& description, const QString& unit, ValueType type,
                     QObject* parent)
    : QObject(parent), m_name(name), m_description(description), m_unit(unit), m_type(type)
{
}

ValueUnit& ValueUnit::operator=(const QPair<int, QString>& valueAndUnit)
{
    setValue(valueAndUnit.first);
    setUnit(valueAndUnit.second);
    return *this;
}

ValueUnit& ValueUnit::operator=(const ValueUnit& other)
{
    if (this == &other)
        return *this;
    setName(other.m_name);
    setDescription(other.m_description);
    setValue(other.m_value);
    setUnit(other.m_unit);
    return *this;
}

bool ValueUnit::isInfinity() const { return m_type == Time && m_value < 1; }

void ValueUnit::setName(const QString& name) { assign(this, m_name, name, &ValueUnit::nameChanged); }

void ValueUnit::setDescription(const QString& description)
{
    assign(this, m_description, description, &ValueUnit::descriptionChanged);
}

void ValueUnit::setValue(int value)
{
    int bounded = qMin(value, m_maximum);
    if (bounded < m_minimum)
        bounded = m_minimum;
    assign(this, m_value, bounded, &ValueUnit::valueChanged);
}

void ValueUnit::setUnit(const QString& unit) { assign(this, m_unit, unit, &ValueUnit::unitChanged); }

void ValueUnit::setUnitHint(const QString& unitHint)
{
    assign(this, m_unitHint, unitHint, &ValueUnit::unitHintChanged);
}

void ValueUnit::setMinimum(int minimum)
{
    if (minimum == m_minimum)
        return;
    m_minimum = minimum;
    emit minimumChanged();
    if (m_value < m_minimum)
        setValue(m_minimum);
}

void ValueUnit::setMaximum(int maximum)
{
    if (maximum == m_maximum)
        return;
    m_maximum = maximum;
    emit maximumChanged();
    if (m_value > m_maximum)
        setValue(m_maximum);
}

void ValueUnit::setScaleFactor(int scaleFactor)
{
    assign(this, m_scaleFactor, scaleFactor, &ValueUnit::scaleFactorChanged);
}

void ValueUnit::setZeroRepresentation(const QString& text)
{
    assign(this, m_zeroRepresentation, text, &ValueUnit::zeroRepresentationChanged);
}

void ValueUnit::setVisible(bool visible) { assign(this, m_visible, visible, &ValueUnit::visibleChanged); }

void ValueUnit::setStringValues(const QStringList& values)
{
    if (values == m_values)
        return;
    m_values = values;
    emit valuesChanged();
    setMinimum(0);
    setMaximum(m_values.count() - 1);
}

void ValueUnit::setTicks(const QList<QVariant>& ticks)
{
    QVariantList rounded;
    rounded.reserve(ticks.size());
    for (const QVariant& tick : ticks)
        rounded.append(roundTick(tick));
    assign(this, m_ticks, rounded, &ValueUnit::ticksChanged);
}
