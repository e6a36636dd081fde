#include "gui/PropertySettingsViewModel.h"

#include "core/ValueConverter.h"
#include "gui/PhaseString.h"

#include <cmath>

namespace {
// Phase bits 0..2 of the phases to test.
constexpr int PhaseCount = 3;

// "%L1" in the default locale with as many decimals as the scale factor has places.
QString scaledNumber(double number, int scaleFactor)
{
    const int decimals = scaleFactor > 1 ? int(std::ceil(std::log10(double(scaleFactor)))) : 0;
    return QStringLiteral("%L1").arg(number, 0, 'f', decimals);
}
} // namespace

PropertySettingsViewModel::PropertySettingsViewModel(const QString& name, const QString& description,
                                                     const QString& unit, ValueUnit::ValueType type, QObject* parent)
    : ValueUnit(name, description, unit, type, parent)
{
}

PropertySettingsViewModel::PropertyItemType PropertySettingsViewModel::propertyItemType() const
{
    switch (type()) {
    case ValueUnit::Phases: return PhaseValue;
    case ValueUnit::Voltage:
    case ValueUnit::Time:
    case ValueUnit::VoltageFactor:
    case ValueUnit::VoltageU0:
    case ValueUnit::VoltageTest:
    case ValueUnit::Frequency:
    case ValueUnit::NumberOfLevels:
    case ValueUnit::ValuesPerLevel: return SlideValue;
    case ValueUnit::InsulationType:
    case ValueUnit::VoltageType:
    case ValueUnit::Polarity:
    case ValueUnit::BurnMode:
    case ValueUnit::RampMode:
    case ValueUnit::DutyCycle: return SingleChoiceValue;
    case ValueUnit::TanDeltaStandard: return ListValue;
    case ValueUnit::Unknown:
    default: return Unknown;
    }
}

void PropertySettingsViewModel::setConfirm(bool confirmed)
{
    if (confirmed != m_confirmed) {
        m_confirmed = confirmed;
        emit confirmChanged();
    }
    if (m_confirmed)
        m_confirmedValue = value();
}

void PropertySettingsViewModel::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    emit activeChanged();
    if (!m_active && m_confirmed && value() != m_confirmedValue)
        setConfirm(false);
}

void PropertySettingsViewModel::setValueFactor(int tenths)
{
    if (tenths == m_valueFactor)
        return;
    m_valueFactor = tenths;
    emit valueFactorChanged();
}

QString PropertySettingsViewModel::valueToString()
{
    if (value() == 0 && !zeroRepresentation().isEmpty())
        return zeroRepresentation();

    // A scale factor below 1 would divide by zero; such an item shows the plain value.
    const int scale = scaleFactor() > 0 ? scaleFactor() : 1;

    switch (type()) {
    case ValueUnit::Phases: {
        QStringList names;
        for (int phase = 0; phase < PhaseCount; ++phase) {
            if (value() & (1 << phase))
                names.append(getPhaseString(phase));
        }
        return names.isEmpty() ? QStringLiteral("---") : names.join(QLatin1Char(' '));
    }
    case ValueUnit::Voltage:
    case ValueUnit::Time:
    case ValueUnit::VoltageU0:
    case ValueUnit::VoltageTest:
    case ValueUnit::Frequency:
    case ValueUnit::NumberOfLevels:
    case ValueUnit::ValuesPerLevel:
        return scaledNumber(value() * m_valueFactor / (10.0 * scale), scale);
    case ValueUnit::VoltageFactor: {
        if (!m_connectedModel)
            return scaledNumber(double(value()) / scale, scale);
        // U0 × factor in the form U0 is entered in: the test voltage needs no conversion.
        const int u0Scale = m_connectedModel->scaleFactor() > 0 ? m_connectedModel->scaleFactor() : 1;
        const long u0 = long(1000000LL * m_connectedModel->value() / u0Scale);
        return scaledNumber(ValueConverter::multiplyVoltageByFactor(u0, 10L * value() / scale) / 1e6, scale);
    }
    case ValueUnit::InsulationType:
    case ValueUnit::VoltageType:
    case ValueUnit::Polarity:
    case ValueUnit::BurnMode:
    case ValueUnit::RampMode:
    case ValueUnit::DutyCycle:
    case ValueUnit::TanDeltaStandard:
        return value() >= 0 && value() < values().count() ? values().at(value()) : QString();
    case ValueUnit::Unknown:
    default: return QString();
    }
}
