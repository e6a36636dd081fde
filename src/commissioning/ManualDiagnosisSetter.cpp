#include "commissioning/ManualDiagnosisSetter.h"

#include "commissioning/CommissioningViewModel.h"

#include <cmath>

namespace Commissioning {

ManualDiagnosisSetter::ManualDiagnosisSetter(QString name, CommissioningViewModel* viewModel,
                                             qint16 CascadeSetting::*field, CascadeSetting* setting, QObject* parent)
    : RangeSetterView(parent), m_name(std::move(name)), m_viewModel(viewModel), m_field(field), m_setting(setting)
{
}

ManualDiagnosisSetter::~ManualDiagnosisSetter() = default;

double ManualDiagnosisSetter::from() const { return isVoltage() ? -42.0 : 0.0; }

double ManualDiagnosisSetter::to() const { return isVoltage() ? 42.0 : 100.0; }

double ManualDiagnosisSetter::value() const { return (m_setting->*m_field) / scale(); }

void ManualDiagnosisSetter::setValue(double const& value)
{
    double v = std::isnan(value) ? 0.0 : std::min(to(), std::max(from(), value));
    // 12.3 kV times ten is not exactly 123 in binary; a hair toward the sign keeps it there.
    v = std::trunc(v * scale() + std::copysign(1e-9, v));
    m_setting->*m_field = static_cast<qint16>(v);
    if (m_viewModel)
        emit m_viewModel->manualParameterConfirmable();
}

QString ManualDiagnosisSetter::name() const { return m_name; }

double ManualDiagnosisSetter::increment() { return isVoltage() ? 0.1 : 1.0; }

int ManualDiagnosisSetter::precision() { return isVoltage() ? 1 : 0; }

} // namespace Commissioning
