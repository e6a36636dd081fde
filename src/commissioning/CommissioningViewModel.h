#pragma once

#include "commissioning/CommissioningValues.h"
#include "commissioning/MachineBundle.h"

#include <QAbstractTableModel>
#include <QObject>
#include <QQmlListProperty>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class RangeSetterView;
class SafetyCircuitView;
class ServiceBitView;

namespace Commissioning {

// The one object the commissioning pages talk to ("guiViewModel.commissioning"): keeps the
// ten machines while commissioning is enabled, turns the pages' buttons into events of
// the right machine and hands the machines' stages, values and errors to the pages.
// Lives on the GUI thread; the machines live on the HV link's.
class CommissioningViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QQmlListProperty<SafetyCircuitView> safetyCircuitViews READ safetyCircuitViews CONSTANT)
    Q_PROPERTY(QQmlListProperty<ServiceBitView> serviceBitViews READ serviceBitViews NOTIFY serviceBitViewsChanged)
    Q_PROPERTY(double sinusVoltage READ sinusVoltage WRITE setSinusVoltage NOTIFY diagnoseSinusVoltageChanged)
    Q_PROPERTY(double sinusFrequency READ sinusFrequency WRITE setSinusFrequency NOTIFY diagnoseSinusFrequencyChanged)
    Q_PROPERTY(QStringList powerTemperatures READ powerTemperatures NOTIFY powerTemperaturesChanged)
    Q_PROPERTY(QQmlListProperty<RangeSetterView> manualDiagnosisParameters READ manualDiagnosisParameters
                   NOTIFY manualDiagnosisParametersChanged)
    Q_PROPERTY(QAbstractTableModel* tanDValidation READ tanDValidation NOTIFY tanDValidationChanged)
    Q_PROPERTY(Commissioning::TanDCalibrationValues tanDCalibration READ tanDCalibration NOTIFY tanDCalibrationChanged)
public:
    // owner is the root view model (not owned; the user interface sits above this layer).
    explicit CommissioningViewModel(QObject* owner, QObject* parent = nullptr);
    ~CommissioningViewModel() override;

    QObject* owner() const;
    const MachineBundle& machines() const;

    void takeCalibrationMachinesFactory(std::function<MachineBundle()> factory);
    // Takes these machines in place of the ones held before and listens to them.
    void setMachineBundle(MachineBundle const& bundle);

    QQmlListProperty<SafetyCircuitView> safetyCircuitViews();
    // Built afresh on every read for the sine diagnosis' current stage; the views of the
    // read before are deleted later, as QML may still hold them.
    QQmlListProperty<ServiceBitView> serviceBitViews();
    double sinusVoltage() const;
    // Negative or not a number gives 0.
    void setSinusVoltage(double const& kilovolts);
    double sinusFrequency() const;
    void setSinusFrequency(double const& hertz);
    QStringList powerTemperatures() const;
    QQmlListProperty<RangeSetterView> manualDiagnosisParameters();
    QAbstractTableModel* tanDValidation() const;
    TanDCalibrationValues tanDCalibration() const;

    // Commands of the pages. Without machines (commissioning off) they are only logged.
    Q_INVOKABLE void startSafetyCircuits();
    Q_INVOKABLE void stopSafetyCircuits();
    Q_INVOKABLE void startOutputCalibration();
    Q_INVOKABLE void abortOutputCalibration();
    Q_INVOKABLE void confirmCalibrationStep();
    Q_INVOKABLE void setCalibrationVoltage(double val);
    Q_INVOKABLE void startCascadeCalibration();
    Q_INVOKABLE void abortCascadeCalibration();
    Q_INVOKABLE void startWaveformTest();
    Q_INVOKABLE void abortWaveformTest();
    Q_INVOKABLE void startCascadePowerEnvelope();
    Q_INVOKABLE void abortCascadePowerEnvelope();
    Q_INVOKABLE void startBurnIn();
    Q_INVOKABLE void stopBurnIn();
    Q_INVOKABLE void endBurnInPart();
    Q_INVOKABLE void setBurnInDuration(int minutesSinus, int minutesDC);
    Q_INVOKABLE void startDiagnoseSinus();
    Q_INVOKABLE void stopDiagnoseSinus();
    Q_INVOKABLE void controlManualDiagnosis(Commissioning::UserEvent event);
    Q_INVOKABLE void sendCascadeParameters();
    Q_INVOKABLE void controlMaxCapacityLoad(Commissioning::UserEvent event);
    Q_INVOKABLE void controlTanDCalibration(Commissioning::UserEvent event);

public slots:
    // Without a factory, or when it fails, nothing is built: this runs from a QML
    // property write, where an exception would end the program.
    void createMachines();
    void clearMachines();

signals:
    void measurementUpdate(double voltage, double current);
    void timedMeasurementUpdate(double voltage, double current, int millisecond);
    void cascadeUpdate(double voltageA, double VoltageB, double currentA, double currentB);
    void errorDescription(QString message);
    void outputMachineEvent(Commissioning::OutputCalibrationStage event);
    void outputReading(Commissioning::OutputReading reading);
    void calibrationUpdate(int gainU, int gainI);
    void cascadeMachineEvent(Commissioning::CascadeCalibrationStage stage);
    void cascadeCalibrationSummary(Commissioning::CascadeCalibrationValues before,
                                   Commissioning::CascadeCalibrationValues after,
                                   Commissioning::CascadeCalibrationResult calibration, bool success);
    void enteredWaveformState(Commissioning::WaveformCheckStage stage);
    void enteredSafetyStage(Commissioning::SafetyTestStage stage);
    void enteredCascadePowerStage(Commissioning::CascadePowerStage stage);
    void enteredBurinInStage(Commissioning::BurnInStage stage);
    void enteredDiagnoseSinusStage(Commissioning::DiagnoseSinusStage stage);
    void enteredDiagnoseManualStage(Commissioning::DiagnoseManualStage stage);
    void maxCapcityLoadStage(Commissioning::CommissioningStage stage);
    void tanDCalibrationStage(Commissioning::TanDCalibrationStage stage);
    void periodicUpdate(Commissioning::PeriodicValues values);
    void tanDCalibrationResult(Commissioning::TanDCalibrationValues values);
    void diagnoseSinusVoltageChanged();
    void diagnoseSinusFrequencyChanged();
    void serviceBitViewsChanged();
    void powerTemperaturesChanged();
    void manualParameterConfirmable();
    void manualDiagnosisParametersChanged();
    void tanDValidationChanged();
    void tanDCalibrationChanged();

private:
    void connectMachines();
    void disconnectMachines();
    void connectSafetyViews();
    void dropServiceBitViews();
    // Logs a command that finds no machine; true when there is one.
    bool has(const void* machine, const char* command) const;

    struct Data;
    std::unique_ptr<Data, std::function<void(Data*)>> m;
};

} // namespace Commissioning
