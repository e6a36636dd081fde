#include "commissioning/CommissioningViewModel.h"

#include "commissioning/BurnInMachine.h"
#include "commissioning/CascadeCalibrationMachine.h"
#include "commissioning/CascadePowerMachine.h"
#include "commissioning/DiagnoseManualMachine.h"
#include "commissioning/DiagnoseSinusMachine.h"
#include "commissioning/ManualDiagnosisSetter.h"
#include "commissioning/MaxCapacityLoadMachine.h"
#include "commissioning/OutputCalibrationMachine.h"
#include "commissioning/SafetyTestMachine.h"
#include "commissioning/ServiceBitViewImplementation.h"
#include "commissioning/TanDCalibrationMachine.h"
#include "commissioning/TanDValidationTable.h"
#include "commissioning/VoltageWaveformMachine.h"
#include "core/GlobalFuncs.h"
#include "core/Pimpl.h"
#include "datamodel/DataModell.h"
#include "uiapi/OwnedItemList.h"
#include "uiapi/SafetyCircuitView.h"
#include "logging/LoggingCtrl.h"

#include <QList>

#include <cmath>
#include <exception>
#include <utility>

namespace Commissioning {

namespace {
const char* const kClass = "CommissioningViewModel";
constexpr CommissioningType kOutputCalibrationType = 2;

// The largest settings value while the unit has not identified itself: every smaller
// double is a whole number that rounds exactly.
constexpr unsigned long long kUnknownUnitMaximum = 1ull << 53;

// The unsigned settings value of a shown value, held to what the unit can do: negative or
// not a number gives 0, above the unit's maximum the maximum.
unsigned long long toSettingsValue(double value, double scale, unsigned long long maximum)
{
    const double scaled = value * scale;
    if (!(scaled > 0.0))
        return 0;
    // Before rounding: llround has no result for the largest doubles.
    if (scaled >= double(maximum))
        return maximum;
    // Rounded: 4.35 Hz is 4349.999... thousandths in binary.
    return static_cast<unsigned long long>(std::llround(scaled));
}

// The unit as it identified itself; not valid before that.
stIdentification unitIdentification()
{
    DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getHVIdentification() : stIdentification();
}

struct ServiceBitName {
    ServiceBit bit;
    const char* name;
};
const ServiceBitName kLoadDetection { 8, "LoadDetection" };
const ServiceBitName kOvervoltage { 0, "OvervoltageDetection" };
const ServiceBitName kOvercurrent { 1, "OvercurrentDetection" };
const ServiceBitName kBreakdown { 2, "BreakdownDetection" };
const ServiceBitName kCTol { 3, "CTolDetection" };

QList<ServiceBitName> serviceBitsOf(DiagnoseSinusStage stage)
{
    switch (stage) {
    case DiagnoseSinusIdle: return { kLoadDetection, kOvervoltage, kOvercurrent, kBreakdown, kCTol };
    case DiagnoseSinusSinus: return { kOvervoltage, kOvercurrent, kBreakdown, kCTol };
    default: return {};
    }
}

} // namespace

struct CommissioningViewModel::Data {
    QObject* owner = nullptr;
    OwnedItemList<SafetyCircuitView> safetyCircuitViews;
    OwnedItemList<ServiceBitView> serviceBitViews;
    MachineBundle machines;
    DiagnoseSinusStage sinusStage = DiagnoseSinusIdle;
    OwnedItemList<RangeSetterView> manualDiagnosisSetters;
    TemperatureValues temperatures;
    bool temperaturesValid = false;
    CascadeSetting cascade;
    std::function<MachineBundle()> factory;
    TanDValidationTable validationTable;
    TanDCalibrationValues tanDCalibration { 1.0, 0.0, 1.0, 0.0 };
    // Of the machines held now, so that machines built anew do not report twice.
    QList<QMetaObject::Connection> connections;
};

CommissioningViewModel::CommissioningViewModel(QObject* owner, QObject* parent)
    : QObject(parent), m(Pimpl::create<Data>())
{
    m->owner = owner;
    registerCommissioningTypes();
}

CommissioningViewModel::~CommissioningViewModel()
{
    disconnectMachines();
}

QObject* CommissioningViewModel::owner() const { return m->owner; }

const MachineBundle& CommissioningViewModel::machines() const { return m->machines; }

void CommissioningViewModel::takeCalibrationMachinesFactory(std::function<MachineBundle()> factory)
{
    m->factory = std::move(factory);
}

void CommissioningViewModel::createMachines()
{
    if (!m->factory) {
        KLOG_WARN2(kClass, "createMachines", "No commissioning machines available");
        return;
    }
    try {
        setMachineBundle(m->factory());
    } catch (const std::exception& e) {
        KLOG_ERROR2(kClass, "createMachines",
                    QStringLiteral("The commissioning machines could not be built: %1").arg(QString::fromUtf8(e.what())));
    } catch (...) {
        KLOG_ERROR2(kClass, "createMachines", "The commissioning machines could not be built");
    }
}

void CommissioningViewModel::clearMachines() { setMachineBundle(MachineBundle()); }

void CommissioningViewModel::setMachineBundle(MachineBundle const& bundle)
{
    disconnectMachines();
    // The views share the sine diagnosis machine: they must not keep the old one alive.
    dropServiceBitViews();
    m->sinusStage = DiagnoseSinusIdle;
    m->machines = bundle;
    connectMachines();
    connectSafetyViews();
    emit serviceBitViewsChanged();
    emit diagnoseSinusVoltageChanged();
    emit diagnoseSinusFrequencyChanged();
}

void CommissioningViewModel::disconnectMachines()
{
    for (const QMetaObject::Connection& c : qAsConst(m->connections))
        QObject::disconnect(c);
    m->connections.clear();
}

void CommissioningViewModel::connectMachines()
{
    const MachineBundle& b = m->machines;
    QList<QMetaObject::Connection>& c = m->connections;
    // The machines emit on their own thread; every relay reaches the pages on this one.
    const auto q = Qt::QueuedConnection;

    if (auto* o = b.outputCalibration.get()) {
        c << connect(o, &OutputCalibrationMachine::measurementUpdate, this,
                     [this](int voltage, int current) { emit measurementUpdate(voltage, current); }, q);
        c << connect(o, &OutputCalibrationMachine::machineEvent, this, &CommissioningViewModel::outputMachineEvent, q);
        c << connect(o, &OutputCalibrationMachine::outputReading, this, &CommissioningViewModel::outputReading, q);
        c << connect(o, &OutputCalibrationMachine::calibrationUpdate, this,
                     [this](double gainU, double gainI) { emit calibrationUpdate(int(gainU), int(gainI)); }, q);
        c << connect(o, &OutputCalibrationMachine::errorMessage, this, &CommissioningViewModel::errorDescription, q);
    }
    if (auto* o = b.cascadeCalibration.get()) {
        c << connect(o, &OutputMachine::measurementUpdate, this, &CommissioningViewModel::measurementUpdate, q);
        c << connect(o, &CascadeMachine::cascadeUpdate, this, &CommissioningViewModel::cascadeUpdate, q);
        c << connect(o, &CascadeCalibrationMachine::cascadeMachineEvent, this,
                     &CommissioningViewModel::cascadeMachineEvent, q);
        c << connect(o, &CascadeCalibrationMachine::cascadeCalibrationError, this,
                     &CommissioningViewModel::errorDescription, q);
        c << connect(o, &CascadeCalibrationMachine::cascadeCalibrationSummary, this,
                     &CommissioningViewModel::cascadeCalibrationSummary, q);
    }
    if (auto* o = b.voltageWaveform.get()) {
        c << connect(o, &VoltageWaveformMachine::measurementUpdate, this,
                     &CommissioningViewModel::timedMeasurementUpdate, q);
        c << connect(o, &VoltageWaveformMachine::errorDescription, this, &CommissioningViewModel::errorDescription, q);
        c << connect(o, &VoltageWaveformMachine::enteredState, this, &CommissioningViewModel::enteredWaveformState, q);
    }
    if (auto* o = b.safetyTest.get()) {
        c << connect(o, &SafetyTestMachine::errorDescription, this, &CommissioningViewModel::errorDescription, q);
        c << connect(o, &SafetyTestMachine::enteredState, this, &CommissioningViewModel::enteredSafetyStage, q);
    }
    if (auto* o = b.cascadePower.get()) {
        c << connect(o, &OutputMachine::measurementUpdate, this, &CommissioningViewModel::measurementUpdate, q);
        c << connect(o, &CascadeMachine::cascadeUpdate, this, &CommissioningViewModel::cascadeUpdate, q);
        c << connect(o, &CascadePowerMachine::enteredStage, this, &CommissioningViewModel::enteredCascadePowerStage, q);
        c << connect(o, &CascadePowerMachine::error, this, &CommissioningViewModel::errorDescription, q);
    }
    if (auto* o = b.burnIn.get()) {
        c << connect(o, &BurnInMachine::enteredStage, this, &CommissioningViewModel::enteredBurinInStage, q);
        c << connect(o, &BurnInMachine::error, this, &CommissioningViewModel::errorDescription, q);
        c << connect(o, &BurnInMachine::measurementUpdate, this, &CommissioningViewModel::timedMeasurementUpdate, q);
        c << connect(o, &BurnInMachine::cascadeUpdate, this, &CommissioningViewModel::cascadeUpdate, q);
    }
    if (auto* o = b.diagnoseSinus.get()) {
        // The stage first: a page told of it reads the views of that stage.
        c << connect(o, &DiagnoseSinusMachine::enteredStage, this,
                     [this](DiagnoseSinusStage stage) {
                         m->sinusStage = stage;
                         emit serviceBitViewsChanged();
                     },
                     q);
        c << connect(o, &DiagnoseSinusMachine::enteredStage, this, &CommissioningViewModel::enteredDiagnoseSinusStage, q);
        c << connect(o, &DiagnoseSinusMachine::measurementUpdate, this,
                     [this](int voltage, int current) { emit measurementUpdate(voltage, current); }, q);
        c << connect(o, &DiagnoseSinusMachine::errorMessage, this, &CommissioningViewModel::errorDescription, q);
        if (SinusDiagnoseSettings* settings = o->settingsHandler().get()) {
            c << connect(settings, &SinusDiagnoseSettings::voltageChanged, this,
                         &CommissioningViewModel::diagnoseSinusVoltageChanged);
            c << connect(settings, &SinusDiagnoseSettings::frequencyChanged, this,
                         &CommissioningViewModel::diagnoseSinusFrequencyChanged);
        }
    }
    if (auto* o = b.diagnoseManual.get()) {
        c << connect(o, &DiagnoseManualMachine::enteredStage, this, &CommissioningViewModel::enteredDiagnoseManualStage, q);
        c << connect(o, &DiagnoseManualMachine::measurementUpdate, this,
                     [this](int voltage, int current) { emit measurementUpdate(voltage, current); }, q);
        c << connect(o, &DiagnoseManualMachine::cascadeUpdate, this, &CommissioningViewModel::cascadeUpdate, q);
        c << connect(o, &DiagnoseManualMachine::errorMessage, this, &CommissioningViewModel::errorDescription, q);
        c << connect(o, &DiagnoseManualMachine::temperatures, this,
                     [this](TemperatureValues const& values) {
                         m->temperatures = values;
                         m->temperaturesValid = true;
                         emit powerTemperaturesChanged();
                     },
                     q);
    }
    if (auto* o = b.maxCapacityLoad.get()) {
        c << connect(o, &MaxCapacityLoadMachine::enteredStage, this, &CommissioningViewModel::maxCapcityLoadStage, q);
        c << connect(o, &MaxCapacityLoadMachine::measurementUpdate, this,
                     [this](int voltage, int current) { emit measurementUpdate(voltage, current); }, q);
        c << connect(o, &MaxCapacityLoadMachine::errorMessage, this, &CommissioningViewModel::errorDescription, q);
    }
    if (auto* o = b.tanDCalibration.get()) {
        c << connect(o, &TanDCalibrationMachine::enteredStage, this, &CommissioningViewModel::tanDCalibrationStage, q);
        c << connect(o, &TanDCalibrationMachine::measurementUpdate, this,
                     [this](int voltage, int current) { emit measurementUpdate(voltage, current); }, q);
        c << connect(o, &TanDCalibrationMachine::periodicUpdate, this, &CommissioningViewModel::periodicUpdate, q);
        c << connect(o, &TanDCalibrationMachine::errorMessage, this, &CommissioningViewModel::errorDescription, q);
        c << connect(o, &TanDCalibrationMachine::calibrationResults, this,
                     [this](TanDCalibrationValues const& values) {
                         m->tanDCalibration = values;
                         emit tanDCalibrationChanged();
                     },
                     q);
        c << connect(o, &TanDCalibrationMachine::calibrationResults, this,
                     &CommissioningViewModel::tanDCalibrationResult, q);
        c << connect(o, &TanDCalibrationMachine::validationResult, this,
                     [this](TanDStepStestResult const& result) {
                         m->validationTable.result(result);
                         emit tanDValidationChanged();
                     },
                     q);
    }
}

void CommissioningViewModel::connectSafetyViews()
{
    SafetyTestMachine* machine = m->machines.safetyTest.get();
    if (!machine)
        return;
    for (SafetyCircuitView* view : m->safetyCircuitViews.items())
        m->connections << connect(machine, &SafetyTestMachine::safetyState, view,
                                  &SafetyCircuitView::onSafetyCircuitChanged, Qt::QueuedConnection);
}

void CommissioningViewModel::dropServiceBitViews()
{
    m->serviceBitViews.replace({}, [] {});
}

QQmlListProperty<SafetyCircuitView> CommissioningViewModel::safetyCircuitViews()
{
    if (m->safetyCircuitViews.isEmpty()) {
        for (int pin = 0; pin < SafetyPinCount; ++pin)
            m->safetyCircuitViews.append(new SafetyCircuitView(eSafetyPin(pin), this));
        connectSafetyViews();
    }
    // A constant list: the page reads it once.
    return m->safetyCircuitViews.property(this, [] {});
}

QQmlListProperty<ServiceBitView> CommissioningViewModel::serviceBitViews()
{
    QList<ServiceBitView*> views;
    const std::shared_ptr<DiagnoseSinusMachine>& machine = m->machines.diagnoseSinus;
    const std::shared_ptr<SinusDiagnoseSettings> settings = machine ? machine->settingsHandler() : nullptr;
    if (settings) {
        for (const ServiceBitName& bit : serviceBitsOf(m->sinusStage)) {
            auto* view = new ServiceBitViewImplementation(QString::fromLatin1(bit.name), settings, machine, bit.bit, this);
            connect(settings.get(), &SinusDiagnoseSettings::serviceBitsChanged, view, &ServiceBitView::setChanged);
            views << view;
        }
    }
    // Announcing a change here would only make the page read, and rebuild, once more.
    m->serviceBitViews.replace(views, [] {});
    return m->serviceBitViews.property(this, [] {});
}

double CommissioningViewModel::sinusVoltage() const
{
    const auto& machine = m->machines.diagnoseSinus;
    const auto settings = machine ? machine->settingsHandler() : nullptr;
    return settings ? settings->Voltage() / 1000000.0 : 0.0;
}

void CommissioningViewModel::setSinusVoltage(double const& kilovolts)
{
    const auto& machine = m->machines.diagnoseSinus;
    const auto settings = machine ? machine->settingsHandler() : nullptr;
    if (!has(settings.get(), "setSinusVoltage"))
        return;
    const stIdentification id = unitIdentification();
    settings->takeVoltage(
        toSettingsValue(kilovolts, 1000000.0, id.valid ? qMax(0, id.maxVoltagePeak) : kUnknownUnitMaximum));
}

double CommissioningViewModel::sinusFrequency() const
{
    const auto& machine = m->machines.diagnoseSinus;
    const auto settings = machine ? machine->settingsHandler() : nullptr;
    return settings ? settings->frequency() / 1000.0 : 0.0;
}

void CommissioningViewModel::setSinusFrequency(double const& hertz)
{
    const auto& machine = m->machines.diagnoseSinus;
    const auto settings = machine ? machine->settingsHandler() : nullptr;
    if (!has(settings.get(), "setSinusFrequency"))
        return;
    const stIdentification id = unitIdentification();
    settings->takeFrequency(toSettingsValue(hertz, 1000.0, id.valid ? id.maxFrequency : kUnknownUnitMaximum));
}

QStringList CommissioningViewModel::powerTemperatures() const
{
    if (!m->temperaturesValid)
        return {};
    const TemperatureValues& t = m->temperatures;
    return {
        QStringLiteral("DSP %1°C, Schalter: positive A %2°C, negative B %3°C")
            .arg(t.dsp)
            .arg(t.switchPositiveA)
            .arg(t.switchNegativeB),
        QStringLiteral("Leistungselektronik:"),
        QStringLiteral("Umgebung: %1°C, PFC: %2°C").arg(t.ambient).arg(t.pfc),
        QStringLiteral("Tiefsetzsteller: positive %1°C, negative %2°C").arg(t.buckPositive).arg(t.buckNegative),
        QStringLiteral("Wechselrichter: positive %1°C, negative %2°C").arg(t.inverterPositive).arg(t.inverterNegative),
        QStringLiteral("TP1: %1°C, TP2: %2°C").arg(t.tp1).arg(t.tp2),
    };
}

QQmlListProperty<RangeSetterView> CommissioningViewModel::manualDiagnosisParameters()
{
    if (m->manualDiagnosisSetters.isEmpty()) {
        auto& rows = m->manualDiagnosisSetters;
        rows.append(new ManualDiagnosisSetter(QStringLiteral("Kaskaden-\nspannung"), this, &CascadeSetting::voltage,
                                              &m->cascade, this));
        rows.append(new ManualDiagnosisSetter(QStringLiteral("PWM A"), this, &CascadeSetting::pwmA, &m->cascade, this));
        rows.append(new ManualDiagnosisSetter(QStringLiteral("PWM B"), this, &CascadeSetting::pwmB, &m->cascade, this));
    }
    return m->manualDiagnosisSetters.property(this, [this] { emit manualDiagnosisParametersChanged(); });
}

QAbstractTableModel* CommissioningViewModel::tanDValidation() const { return &m->validationTable; }

TanDCalibrationValues CommissioningViewModel::tanDCalibration() const { return m->tanDCalibration; }

bool CommissioningViewModel::has(const void* machine, const char* command) const
{
    if (machine)
        return true;
    KLOG_WARN2(kClass, command, "Commissioning is switched off: no machine to address");
    return false;
}

void CommissioningViewModel::startSafetyCircuits()
{
    if (has(m->machines.safetyTest.get(), "startSafetyCircuits"))
        m->machines.safetyTest->receiveEvent(Start);
}

void CommissioningViewModel::stopSafetyCircuits()
{
    if (has(m->machines.safetyTest.get(), "stopSafetyCircuits"))
        m->machines.safetyTest->receiveEvent(Abort);
}

void CommissioningViewModel::startOutputCalibration()
{
    if (!has(m->machines.outputCalibration.get(), "startOutputCalibration"))
        return;
    if (DataModell* dm = GlobalFuncs::getDM()) {
        CommissioningCfg cfg = dm->commissioningConfig();
        cfg.type = kOutputCalibrationType;
        dm->setCommissioningConfig(cfg);
    }
    m->machines.outputCalibration->queueEvent(OutputCalibrationMachine::Event(Start));
}

void CommissioningViewModel::abortOutputCalibration()
{
    if (has(m->machines.outputCalibration.get(), "abortOutputCalibration"))
        m->machines.outputCalibration->queueEvent(OutputCalibrationMachine::Event(Abort));
}

void CommissioningViewModel::confirmCalibrationStep()
{
    if (has(m->machines.outputCalibration.get(), "confirmCalibrationStep"))
        m->machines.outputCalibration->queueEvent(OutputCalibrationMachine::Event(Confirm));
}

void CommissioningViewModel::setCalibrationVoltage(double val)
{
    if (has(m->machines.outputCalibration.get(), "setCalibrationVoltage"))
        m->machines.outputCalibration->receiveVoltage(val);
}

void CommissioningViewModel::startCascadeCalibration()
{
    if (has(m->machines.cascadeCalibration.get(), "startCascadeCalibration"))
        m->machines.cascadeCalibration->receiveEvent(Start);
}

void CommissioningViewModel::abortCascadeCalibration()
{
    if (has(m->machines.cascadeCalibration.get(), "abortCascadeCalibration"))
        m->machines.cascadeCalibration->receiveEvent(Abort);
}

void CommissioningViewModel::startWaveformTest()
{
    if (has(m->machines.voltageWaveform.get(), "startWaveformTest"))
        m->machines.voltageWaveform->receiveEvent(Start);
}

void CommissioningViewModel::abortWaveformTest()
{
    if (has(m->machines.voltageWaveform.get(), "abortWaveformTest"))
        m->machines.voltageWaveform->receiveEvent(Abort);
}

void CommissioningViewModel::startCascadePowerEnvelope()
{
    if (has(m->machines.cascadePower.get(), "startCascadePowerEnvelope"))
        m->machines.cascadePower->receiveEvent(Start);
}

void CommissioningViewModel::abortCascadePowerEnvelope()
{
    if (has(m->machines.cascadePower.get(), "abortCascadePowerEnvelope"))
        m->machines.cascadePower->receiveEvent(Abort);
}

void CommissioningViewModel::startBurnIn()
{
    if (has(m->machines.burnIn.get(), "startBurnIn"))
        m->machines.burnIn->receiveEvent(Start);
}

void CommissioningViewModel::stopBurnIn()
{
    if (has(m->machines.burnIn.get(), "stopBurnIn"))
        m->machines.burnIn->receiveEvent(Abort);
}

void CommissioningViewModel::endBurnInPart()
{
    if (has(m->machines.burnIn.get(), "endBurnInPart"))
        m->machines.burnIn->receiveEvent(NextMeasurement);
}

void CommissioningViewModel::setBurnInDuration(int minutesSinus, int minutesDC)
{
    if (has(m->machines.burnIn.get(), "setBurnInDuration"))
        m->machines.burnIn->setDurations(minutesSinus, minutesDC);
}

void CommissioningViewModel::startDiagnoseSinus()
{
    if (has(m->machines.diagnoseSinus.get(), "startDiagnoseSinus"))
        m->machines.diagnoseSinus->receiveEvent(Start);
}

void CommissioningViewModel::stopDiagnoseSinus()
{
    if (has(m->machines.diagnoseSinus.get(), "stopDiagnoseSinus"))
        m->machines.diagnoseSinus->receiveEvent(Abort);
}

void CommissioningViewModel::controlManualDiagnosis(UserEvent event)
{
    if (has(m->machines.diagnoseManual.get(), "controlManualDiagnosis"))
        m->machines.diagnoseManual->receiveEvent(event);
}

void CommissioningViewModel::sendCascadeParameters()
{
    if (has(m->machines.diagnoseManual.get(), "sendCascadeParameters"))
        m->machines.diagnoseManual->setCascade(m->cascade);
}

void CommissioningViewModel::controlMaxCapacityLoad(UserEvent event)
{
    if (has(m->machines.maxCapacityLoad.get(), "controlMaxCapacityLoad"))
        m->machines.maxCapacityLoad->receiveEvent(event);
}

void CommissioningViewModel::controlTanDCalibration(UserEvent event)
{
    if (has(m->machines.tanDCalibration.get(), "controlTanDCalibration"))
        m->machines.tanDCalibration->receiveEvent(event);
}

} // namespace Commissioning
