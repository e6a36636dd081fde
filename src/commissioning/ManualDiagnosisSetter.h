#pragma once

#include "commissioning/CommissioningValues.h"
#include "commissioning/RangeSetterView.h"

namespace Commissioning {

class CommissioningViewModel;

// A row of the manual diagnosis over one field of the view model's cascade setting: the
// cascade voltage (tenths of a kV, shown in kV) or a PWM value (percent). The machine gets
// the setting only when the page confirms it.
class ManualDiagnosisSetter : public RangeSetterView {
    Q_OBJECT
public:
    ManualDiagnosisSetter(QString name, CommissioningViewModel* viewModel, qint16 CascadeSetting::*field,
                          CascadeSetting* setting, QObject* parent = nullptr);
    ~ManualDiagnosisSetter() override;

    double from() const override;
    double to() const override;
    double value() const override;
    // Outside the range, or not a number, is held to the range (NaN gives 0); the part
    // below the row's step is dropped, toward zero.
    void setValue(double const& value) override;
    QString name() const override;
    double increment() override;
    int precision() override;

private:
    bool isVoltage() const { return m_field == &CascadeSetting::voltage; }
    double scale() const { return isVoltage() ? 10.0 : 1.0; }

    QString m_name;
    CommissioningViewModel* m_viewModel;
    qint16 CascadeSetting::*m_field;
    CascadeSetting* m_setting;
};

} // namespace Commissioning
