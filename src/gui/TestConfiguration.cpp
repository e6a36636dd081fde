#include "gui/TestConfiguration.h"

#include "core/DutyCycleStrings.h"
#include "core/GlobalFuncs.h"
#include "core/TransObject.h"
#include "datamodel/DataModell.h"
#include "datamodel/TestSettings.h"
#include "gui/ConfigurationChoices.h"
#include "uiapi/IGUI.h"
#include "logging/LoggingCtrl.h"
#include "tandelta/TanDeltaStandard.h"
#include "tandelta/TanDeltaStrings.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>

namespace {
const char* const kClass = "TestConfiguration";
using M = OperatingModes;
using P = OpModeParameters;

constexpr int VoltageScale = 10;
constexpr int PhaseCount = 3;

QString tp(const char* key) { return QCoreApplication::translate("TestParameters", key); }
QString tc(const char* key) { return QCoreApplication::translate("TestConfiguration", key); }
QString kiloVolt() { return QCoreApplication::translate("Units", "kV", "unit kilo volt"); }

// Scaled limits must not lose a step to the binary representation of a tenth.
int truncated(double value) { return int(std::floor(value + 1e-9)); }

// The mode's highest voltage in the voltage type's form, kV to one decimal.
double maximumShown(const DataModell& dm)
{
    return qRound(dm.voltageInTypeForm(dm.getVoltageRange().second) / 100000.0) / 10.0;
}

QString voltageTypeName(int type)
{
    switch (type) {
    case VoltageType_RMS: return tp("RMS");
    case VoltageType_PEAK: return tp("PEAK");
    case VoltageType_Factor: return tp("Factor");
    default: return QCoreApplication::translate("Dialog", "Unknown");
    }
}

// The choice text back to its voltage type; None for any other text.
eVoltageType voltageTypeFromString(const QString& text)
{
    for (eVoltageType type : {VoltageType_RMS, VoltageType_PEAK, VoltageType_Factor})
        if (text == voltageTypeName(type))
            return type;
    return VoltageType_None;
}

QList<eVoltageType> supportedVoltageTypes(M::OperatingMode mode)
{
    const int bits = M::getInstance()->getSupportedVoltageTypes(mode);
    QList<eVoltageType> types;
    for (eVoltageType type : {VoltageType_RMS, VoltageType_PEAK, VoltageType_Factor})
        if (bits & type)
            types.append(type);
    return types;
}

// "RMS" or "PEAK" beside the kV of the test voltage; nothing where RMS is not offered.
QString voltageUnitHint(const DataModell& dm, int type)
{
    if (!dm.isVoltageTypeRMSSupported(dm.getOperatingMode()))
        return QString();
    return type == VoltageType_PEAK ? tp("PEAK") : tp("RMS");
}

void setRange(ValueUnit* item, int minimum, int maximum)
{
    // Set in the order that never lets the minimum pass the maximum.
    if (minimum > item->maximum()) {
        item->setMaximum(maximum);
        item->setMinimum(minimum);
    } else {
        item->setMinimum(minimum);
        item->setMaximum(maximum);
    }
}

// The first three snap values (kV) as slider ticks in the item's scaled units.
void setSnapTicks(ValueUnit* item, const QList<double>& kiloVolts)
{
    QList<QVariant> ticks;
    for (int i = 0; i < kiloVolts.size() && i < 3; ++i)
        ticks.append(kiloVolts.at(i) * item->scaleFactor());
    item->setTicks(ticks);
}

// The factor's whole scale, before a U0 narrows it.
void setFactorRange(const DataModell& dm, ValueUnit* item)
{
    const QPair<int, int> limits = dm.voltageFactorRange(0);
    setRange(item, limits.first, limits.second);
}
} // namespace

QVector<unsigned short> getVoltageFactors(const DataModell& dm)
{
    QVector<unsigned short> factors = dm.getVoltageFactorList();
    const int steps = int(dm.getVoltageSteps());
    if (factors.size() > steps)
        factors.resize(qMax(0, steps));
    return factors;
}

TestConfiguration::TestConfiguration(QObject* parent) : QObject(parent)
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return;
    // The data model lives on its own thread: these arrive queued, in order.
    connect(dm, &DataModell::appStateChanged, this, &TestConfiguration::appStateChanged);
    connect(dm, &DataModell::testTimeChanged, this, &TestConfiguration::testTimeChanged);
    connect(dm, &DataModell::phasesToTestChanged, this, &TestConfiguration::updatePhases);
    connect(dm, &DataModell::voltageRangeChanged, this, &TestConfiguration::manualRampChanged);
    connect(dm, &DataModell::voltageStepsChanged, this, &TestConfiguration::updateVoltageInput);
    connect(dm, &DataModell::voltageSnapValuesChanged, this, &TestConfiguration::updateVoltageInput);
}

TestConfiguration::~TestConfiguration() = default;

QQmlListProperty<PropertySettingsViewModel> TestConfiguration::mainParametersProperty()
{
    return m_mainParameters.property(this);
}

QQmlListProperty<PropertySettingsViewModel> TestConfiguration::secondaryParametersProperty()
{
    return m_secondaryParameters.property(this);
}

QQmlListProperty<PropertyConfirmationViewModel> TestConfiguration::confirmationsProperty()
{
    return m_confirmations.property(this);
}

bool TestConfiguration::manualRamp() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm && dm->getVoltageRampMode() == VoltageRampMode_Manual;
}

int TestConfiguration::testTime() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getSecondsToTest() + 60 * dm->getMinutesToTest() : 0;
}

M::OperatingMode TestConfiguration::currentMode() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getOperatingMode() : m_mode;
}

bool TestConfiguration::isSheathMode() const
{
    const M::OperatingMode mode = currentMode();
    return mode == M::SheathTest || mode == M::SheathPinpointing;
}

bool TestConfiguration::isSinglePhaseTestMode() const { return m_mode == M::TanDelta || m_mode == M::MWTStep; }

bool TestConfiguration::isMwtPhaseVisible() const { return m_mode == M::MWTStep; }

// ---------------------------------------------------------------------------
// Lists
// ---------------------------------------------------------------------------

void TestConfiguration::onOperationModeChange(M::OperatingMode mode)
{
    const M* modes = M::getInstance();
    KLOG_DEBUG2(kClass, "onOperationModeChange",
                QStringLiteral("operation mode changed from %1 to %2").arg(modes->getModeName(m_mode), modes->getModeName(mode)));
    if (mode == m_mode)
        return;
    // These tests run without a time limit.
    if (mode == M::TanDelta || mode == M::SheathPinpointing) {
        if (DataModell* dm = GlobalFuncs::getDM())
            dm->setMinutesToTest(0);
    }
    m_mode = mode;
    updateParameters();
}

void TestConfiguration::updateParameters()
{
    updateMainParameters();
    updateSecondaryParameters();
    updateValuesFromModel();
}

PropertySettingsViewModel* TestConfiguration::addItem(QList<PropertySettingsViewModel*>& list, const QString& name,
                                                      const QString& description, const QString& unit,
                                                      ValueUnit::ValueType type)
{
    auto* item = new PropertySettingsViewModel(name, description, unit, type, this);
    list.append(item);
    return item;
}

void TestConfiguration::replaceItems(OwnedItemList<PropertySettingsViewModel>& list,
                                     const QList<PropertySettingsViewModel*>& items, void (TestConfiguration::*notify)())
{
    // The old items linger until QML has let go of them; they must not drive this model.
    for (PropertySettingsViewModel* item : list.items())
        disconnect(item, nullptr, this, nullptr);
    list.replace(items, [this, notify]() { emit(this->*notify)(); });
}

void TestConfiguration::updateMainParameters()
{
    QList<PropertySettingsViewModel*> items;
    DataModell* dm = GlobalFuncs::getDM();
    // Unknown would stand for the data model's mode, not for the one these lists are for.
    const P* set = dm && m_mode != M::Unknown ? dm->getPrimaryParameters(m_mode) : nullptr;
    if (set) {
        if (set->isParameterEnabled(P::Phases)) {
            auto* item = addItem(items, QCoreApplication::translate("Menu", "Phases"), tc("MarkPhases"), QString(),
                                     ValueUnit::Phases);
            setRange(item, 0, 7);
            connect(item, &ValueUnit::valueChanged, this, &TestConfiguration::updateConfirmEnabled);
        }
        if (set->isParameterEnabled(P::Insulation)) {
            auto* item = addItem(items, tp("Insulation"), tc("SelectInsulationType"), QString(), ValueUnit::InsulationType);
            QStringList texts;
            const auto choices = insulationChoices(*dm);
            for (TanDelta::evaluation::eInsulationType type : choices.ids())
                texts << TanDelta::strings::insulationTypeToText(type, nullptr);
            item->setStringValues(texts);
            connect(item, &ValueUnit::valueChanged, this, &TestConfiguration::updateConfirmEnabled);
        }
        if (set->isParameterEnabled(P::Voltage) || set->isParameterEnabled(P::VoltageU0))
            createVoltageItems(*dm, items);
        if (set->isParameterEnabled(P::TestTime)) {
            auto* item = addItem(items, tp("TestTime"), tc("AdjustTestTime"),
                                     QCoreApplication::translate("Units", "min", "unit minutes"), ValueUnit::Time);
            setRange(item, 0, M::getInstance()->maxTestTime(m_mode));
            item->setTicks(M::getInstance()->testTimeTicks(m_mode));
        }
        if (set->isParameterEnabled(P::DutyCycle)) {
            auto* item = addItem(items, tp("DutyCycle"), tc("SelectDutyCycle"), QString(), ValueUnit::DutyCycle);
            QStringList texts;
            for (int cycle = DutyCycle_1_4; cycle <= DutyCycle_05_1; ++cycle)
                texts << strings::dutyCycleToName(cycle);
            item->setStringValues(texts);
        }
        for (PropertySettingsViewModel* item : qAsConst(items))
            connect(item, &PropertySettingsViewModel::activeChanged, this, &TestConfiguration::updateConfirmEnabled);
        if (!items.isEmpty())
            items.first()->setActive(true);
    }
    replaceItems(m_mainParameters, items, &TestConfiguration::mainParametersChanged);
    updateConfirmEnabled();
}

void TestConfiguration::createVoltageItems(DataModell& dm, QList<PropertySettingsViewModel*>& items)
{
    const int type = dm.getVoltageType();
    if (m_mode == M::MWTStep) {
        auto* u0 = addItem(items, tp("VoltageU0"), tc("AdjustNominalVoltage"), kiloVolt(), ValueUnit::VoltageU0);
        u0->setScaleFactor(VoltageScale);
        u0->setMinimum(0);
        auto* factor = addItem(items, tp("TestVoltage"), tc("AdjustVoltageFactor"), kiloVolt(), ValueUnit::VoltageFactor);
        factor->setScaleFactor(VoltageScale);
        setFactorRange(dm, factor);
        factor->setConnectedModel(u0);
        const QString hint = type == VoltageType_RMS ? tp("RMS") : tp("PEAK");
        u0->setUnitHint(hint);
        factor->setUnitHint(hint);
        // The factor item shows U0 × factor: it changes with U0.
        connect(u0, &ValueUnit::valueChanged, factor, [factor]() { emit factor->valueChanged(); });
        connect(u0, &ValueUnit::valueChanged, this, &TestConfiguration::updateVoltageRange);
        return;
    }
    auto* item = addItem(items, tp("Voltage"), tc("AdjustTestVoltage").arg(voltageUnitHint(dm, type)), kiloVolt(),
                             ValueUnit::Voltage);
    item->setScaleFactor(VoltageScale);
    item->setValueFactor(dm.getVoltageFactor(eVoltageType(type)));
    item->setUnitHint(voltageUnitHint(dm, type));
}

void TestConfiguration::updateSecondaryParameters()
{
    QList<PropertySettingsViewModel*> items;
    DataModell* dm = GlobalFuncs::getDM();
    const P* set = dm && m_mode != M::Unknown ? dm->getSettingParameters(m_mode) : nullptr;
    if (set) {
        if (set->isParameterEnabled(P::Frequency)) {
            auto* item = addItem(items, tp("Frequency"), tc("AdjustFrequency"),
                                          QCoreApplication::translate("Units", "Hz"), ValueUnit::Frequency);
            item->setScaleFactor(100);
            // The mode's own range in 0.01 Hz; from 0 ("Auto") where the unit picks the
            // frequency in its load detection.
            const QPair<unsigned long, unsigned long> range = dm->frequencyRange(m_mode);
            setRange(item, M::getInstance()->loadDetection(m_mode) ? 0 : int(range.first / 10), int(range.second / 10));
            item->setZeroRepresentation(tp("Auto"));
        }
        if (set->isParameterEnabled(P::VoltageType)) {
            auto* item = addItem(items, tp("VoltageInput"), tc("SelectVoltageInputType"), QString(),
                                          ValueUnit::VoltageType);
            QStringList texts;
            for (eVoltageType type : supportedVoltageTypes(m_mode))
                texts << voltageTypeName(type);
            item->setStringValues(texts);
            connect(item, &ValueUnit::valueChanged, this, [this]() {
                applyFactorVisibility();
                updateVoltageInput();
                emit voltageTypeChanged();
                updateVoltageInputPrameter();
            });
        }
        if (set->isParameterEnabled(P::VoltageFactor) && m_mode != M::MWTStep) {
            auto* item = addItem(items, tp("FactorU0"), tc("AdjustVoltageFactor"), QString(), ValueUnit::VoltageFactor);
            item->setScaleFactor(VoltageScale);
            setFactorRange(*dm, item);
            connect(item, &ValueUnit::valueChanged, this, [this]() {
                updateVoltageInput();
                emit voltageFactorChanged();
            });
        }
        if (set->isParameterEnabled(P::Polarity)) {
            auto* item = addItem(items, tp("Polarity"), tc("SelectPolarityType"), QString(), ValueUnit::Polarity);
            item->setStringValues({tp("DC+"), tp("DC-")});
        }
        if (set->isParameterEnabled(P::RampMode)) {
            auto* item = addItem(items, tp("RampMode"), QString(), QString(), ValueUnit::RampMode);
            item->setStringValues({tp("RampAuto"), tp("RampManual")});
        }
        if (set->isParameterEnabled(P::Levels)) {
            auto* item = addItem(items, tp("NumberLevels"), tc("AdjustNumberOfLevels"), QString(),
                                          ValueUnit::NumberOfLevels);
            setRange(item, 1, TestSettings::MaxVoltageSteps);
            connect(item, &ValueUnit::valueChanged, this, &TestConfiguration::updateVoltageInput);
        }
        if (set->isParameterEnabled(P::ValuesPerLevel)) {
            auto* item = addItem(items, tp("ValuesLevels"), tc("AdjustValuesPerLevels"), QString(),
                                          ValueUnit::ValuesPerLevel);
            setRange(item, 5, 20);
        }
        if (set->isParameterEnabled(P::EvaluationStandard)) {
            auto* item = addItem(items, tp("Standard"), tc("SelectStandard"), QString(), ValueUnit::TanDeltaStandard);
            QStringList texts;
            const auto choices = standardChoices();
            for (TanDelta::evaluation::eEvaluationStandard id : choices.ids())
                texts << TanDelta::strings::evaluationStandardToText(id, nullptr);
            item->setStringValues(texts);
            item->setValue(choices.indexOf(dm->getEvaluationStandard()));
        }
        // Offered only by units that can burn.
        if (set->isParameterEnabled(P::BurnMode) && (dm->getHVIdentification().supportFlags & 0x01)) {
            auto* item = addItem(items, tp("BurnMode"), tc("SelectBurnMode"), QString(), ValueUnit::BurnMode);
            item->setStringValues({tp("Off"), tp("On")});
        }
    }
    replaceItems(m_secondaryParameters, items, &TestConfiguration::secondaryParametersChanged);
    applyFactorVisibility();
}

void TestConfiguration::applyFactorVisibility()
{
    PropertySettingsViewModel* factor = findItem(m_secondaryParameters.items(), ValueUnit::VoltageFactor);
    if (factor)
        factor->setVisible(chosenVoltageType() == VoltageType_Factor);
}

int TestConfiguration::chosenVoltageType() const
{
    if (PropertySettingsViewModel* item = findItem(m_secondaryParameters.items(), ValueUnit::VoltageType))
        return voltageTypeFromString(item->valueToString());
    const DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getVoltageType() : VoltageType_None;
}

PropertySettingsViewModel* TestConfiguration::findItem(const QList<PropertySettingsViewModel*>& list,
                                                       ValueUnit::ValueType type) const
{
    for (PropertySettingsViewModel* item : list)
        if (item->type() == type)
            return item;
    return nullptr;
}

void TestConfiguration::setConfigurationParameterValue(ValueUnit::ValueType type, int value)
{
    if (PropertySettingsViewModel* item = findItem(m_mainParameters.items(), type)) {
        item->setValue(value);
        emit mainParametersChanged();
    }
    if (PropertySettingsViewModel* item = findItem(m_secondaryParameters.items(), type)) {
        item->setValue(value);
        emit secondaryParametersChanged();
    }
}

void TestConfiguration::updateValuesFromModel()
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return;
    setConfigurationParameterValue(ValueUnit::VoltageType, supportedVoltageTypes(m_mode).indexOf(dm->getVoltageType()));
    applyFactorVisibility();
    setConfigurationParameterValue(ValueUnit::VoltageFactor, dm->getVoltageFactor(VoltageType_Factor));
    setConfigurationParameterValue(ValueUnit::Polarity, dm->getVoltagePolarity());
    setConfigurationParameterValue(ValueUnit::BurnMode, dm->burnCurrentLimiter() ? 1 : 0);
    setConfigurationParameterValue(ValueUnit::RampMode, qMax(0, rampModeChoices().indexOf(dm->getVoltageRampMode())));
    setConfigurationParameterValue(ValueUnit::DutyCycle, dm->getDutyCycle());
    setConfigurationParameterValue(ValueUnit::Frequency, int(dm->getFrequencyToTest() / 10));
    setConfigurationParameterValue(ValueUnit::Time, dm->getMinutesToTest());
    setConfigurationParameterValue(ValueUnit::InsulationType, insulationChoices(*dm).indexOf(dm->getCableInsulation()));
    setConfigurationParameterValue(ValueUnit::NumberOfLevels, int(dm->getVoltageSteps()));
    setConfigurationParameterValue(ValueUnit::ValuesPerLevel, int(dm->getNumberOfValues()));
    setConfigurationParameterValue(ValueUnit::TanDeltaStandard, standardChoices().indexOf(dm->getEvaluationStandard()));

    bool anyActive = false;
    for (const PropertySettingsViewModel* item : m_mainParameters.items())
        anyActive = anyActive || item->isActive();
    if (!anyActive && !m_mainParameters.isEmpty())
        m_mainParameters.at(0)->setActive(true);

    updateVoltageInput();
    updatePhases();
}

void TestConfiguration::updatePhases()
{
    const DataModell* dm = GlobalFuncs::getDM();
    PropertySettingsViewModel* item = findItem(m_mainParameters.items(), ValueUnit::Phases);
    if (!dm || !item)
        return;
    const IPhaseSelect* select = dm->getPhaseSelect();
    int bits = 0;
    for (IPhaseSelect::Phases phase : {IPhaseSelect::L1, IPhaseSelect::L2, IPhaseSelect::L3})
        if (select->isPhaseSelected(phase))
            bits |= phase;
    item->setValue(bits);
}

void TestConfiguration::updateConfirmEnabled()
{
    bool enabled = true;
    for (const PropertySettingsViewModel* item : m_mainParameters.items()) {
        if (item->isActive() && item->type() == ValueUnit::Phases && item->value() == 0)
            enabled = false;
    }
    if (enabled == m_confirmEnabled)
        return;
    m_confirmEnabled = enabled;
    emit confirmEnabledChanged();
}

// ---------------------------------------------------------------------------
// Confirming and writing back
// ---------------------------------------------------------------------------

void TestConfiguration::reset()
{
    for (PropertySettingsViewModel* item : m_mainParameters.items()) {
        item->setConfirm(false);
        item->setActive(false);
    }
    if (!m_mainParameters.isEmpty())
        m_mainParameters.at(0)->setActive(true);
}

bool TestConfiguration::confirmParameter()
{
    for (PropertySettingsViewModel* item : m_mainParameters.items()) {
        if (!item->isActive())
            continue;
        item->setConfirm(true);
        item->setActive(false);
        setParameterToDataModel(item->type(), item->value(), item->scaleFactor());
        break;
    }
    for (PropertySettingsViewModel* item : m_mainParameters.items()) {
        if (!item->isConfirmed()) {
            item->setActive(true);
            return false;
        }
    }
    if (DataModell* dm = GlobalFuncs::getDM())
        dm->newSequenceConfigured();
    updateConfirmations(true);
    return true;
}

void TestConfiguration::confirmExtendedParameter()
{
    for (PropertySettingsViewModel* item : m_secondaryParameters.items())
        if (item->visible())
            setParameterToDataModel(item->type(), item->value(), item->scaleFactor());
}

void TestConfiguration::setParametersToDataModel()
{
    for (PropertySettingsViewModel* item : m_mainParameters.items())
        setParameterToDataModel(item->type(), item->value(), item->scaleFactor());
}

void TestConfiguration::setParameterToDataModel(ValueUnit::ValueType type, int value, int scale)
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return;
    switch (type) {
    case ValueUnit::Phases:
        dm->setPhasesToTest(value);
        break;
    case ValueUnit::Voltage:
    case ValueUnit::VoltageU0:
    case ValueUnit::VoltageTest: {
        const long millivolts = scale != 0 ? long(1000000LL * value / scale) : 0;
        // The unit starts a manual ramp and a sheath test at the range, any other test
        // at the voltage: the entry goes where the test takes it from.
        if (isSheathMode() || manualRamp())
            dm->setVoltageRangeToTest(dm->peakTestVoltage(millivolts));
        if (!manualRamp() || isSheathMode())
            dm->setVoltageToTest(millivolts);
        break;
    }
    case ValueUnit::Time:
        dm->setMinutesToTest(static_cast<unsigned short>(scale != 0 ? value / scale : value));
        break;
    case ValueUnit::InsulationType:
        if (const auto type = insulationChoices(*dm).idAt(value))
            dm->setCableInsulation(*type);
        break;
    case ValueUnit::VoltageType:
        writeVoltageType(*dm);
        break;
    case ValueUnit::VoltageFactor:
        writeVoltageFactor(*dm, value);
        break;
    case ValueUnit::Polarity:
        dm->setVoltagePolarity(value == 1 ? VoltagePolarity_Negative : VoltagePolarity_Positive);
        break;
    case ValueUnit::Frequency:
        dm->setFrequencyToTest(10 * value);
        break;
    case ValueUnit::BurnMode:
        dm->setBurnCurrentLimiter(value == 1);
        break;
    case ValueUnit::RampMode: {
        const auto chosen = rampModeChoices().idAt(value);
        // Off reads as Auto: only another choice replaces it.
        if (!chosen || (*chosen == VoltageRampMode_Auto && dm->getVoltageRampMode() == VoltageRampMode_Off))
            break;
        dm->setVoltageRampMode(*chosen);
        // The data model announces no ramp change of its own; the voltage item now stands
        // for the range or the voltage.
        emit manualRampChanged();
        updateVoltageInput();
        break;
    }
    case ValueUnit::DutyCycle:
        dm->setDutyCycle(eDutyCycle(value));
        break;
    case ValueUnit::NumberOfLevels:
        dm->setVoltageSteps(unsigned(qMax(0, value)));
        break;
    case ValueUnit::ValuesPerLevel:
        dm->setNumberOfValues(unsigned(qMax(0, value)));
        break;
    case ValueUnit::TanDeltaStandard:
        if (const auto id = standardChoices().idAt(value))
            dm->setEvaluationStandard(*id);
        break;
    case ValueUnit::Unknown:
    default:
        break;
    }
}

void TestConfiguration::writeVoltageType(DataModell& dm)
{
    const int chosen = chosenVoltageType();
    if (!findItem(m_secondaryParameters.items(), ValueUnit::VoltageType) || chosen == VoltageType_None
        || chosen == dm.getVoltageType())
        return;
    const eVoltageType type = eVoltageType(chosen);
    if (PropertySettingsViewModel* item = findItem(m_mainParameters.items(), ValueUnit::Voltage))
        item->setUnitHint(voltageUnitHint(dm, type));
    // Kept for the next start; the data model keeps the test voltage in the new form.
    dm.setVoltageType(type, true);
}

void TestConfiguration::writeVoltageFactor(DataModell& dm, int value)
{
    dm.setVoltageFactor(value);
    const int kept = dm.getVoltageFactor(VoltageType_Factor);
    // The tile shows what the data model kept, not what was asked.
    setConfigurationParameterValue(ValueUnit::VoltageFactor, kept);
    updateVoltageRange();
    IGUI* gui = GlobalFuncs::getGUI();
    if (kept == value || !gui)
        return;
    const QLocale locale;
    const double u0 = convertVoltage(dm.getVoltageToTest());
    if (kept < value) {
        // The limit as it is: U0 as the data model holds it and the maximum it reaches.
        gui->showMessageDlg(CAT_INF,
                            TransObject(QStringLiteral("Dialog"), QStringLiteral("ResultFactorLimited"),
                                        {locale.toString(kept / 10.0, 'f', 1), locale.toString(u0, 'f', 1),
                                         locale.toString(maximumShown(dm), 'f', 1)}),
                            false, true);
        return;
    }
    // The voltage the operator asked for, so that the note explains the raise.
    gui->showMessageDlg(CAT_INF, TransObject(QStringLiteral("Dialog"), QStringLiteral("ResultVoltageToLow"),
                                             {locale.toString(u0 * value / 10.0, 'f', 1)}),
                        false, true);
}

bool TestConfiguration::askConfirmationsAgain()
{
    updateConfirmations(true);
    return !m_confirmations.items().isEmpty();
}

void TestConfiguration::updateConfirmations(bool fromStart)
{
    // The page that shows the old rows may still be on its way out: they go one
    // rebuild later.
    m_confirmations.replaceLater({});
    const DataModell* dm = GlobalFuncs::getDM();
    if (!dm || !isSinglePhaseTestMode())
        return;
    auto* levels = new PropertyConfirmationViewModel(PropertyConfirmationViewModel::VoltageLevels, this);
    levels->setConfirm(!fromStart && dm->isTanDeltaWaiting());
    m_confirmations.append(levels);
    // The phase to connect is the next one the sequence measures, not the one just done.
    const int selected = dm->phasesToTest();
    const int current = fromStart ? -1 : dm->tanDeltaPhaseIndex();
    int next = current;
    for (int phase = qMax(0, current + 1); phase < PhaseCount; ++phase) {
        if (selected & (1 << phase)) {
            next = phase;
            break;
        }
    }
    auto* phaseRow = new PropertyConfirmationViewModel(PropertyConfirmationViewModel::Phase, this);
    phaseRow->setValue(qMax(0, next));
    m_confirmations.append(phaseRow);
}

void TestConfiguration::appStateChanged(States::AppState, States::AppState state)
{
    if (state == States::WaitPhaseConnect)
        updateConfirmations();
}

QString TestConfiguration::tanDeltaEvaluationInfo() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return QString();
    const auto standard = TanDelta::evaluation::Standard::makeShared(dm->getEvaluationStandard());
    if (!standard)
        return QString();
    if (!standard->insulationSupported(dm->getCableInsulation()))
        return QCoreApplication::translate("TanDelta", "NoEvaluationInsulationType");
    if (!standard->voltageFactorsSupported(getVoltageFactors(*dm), TanDelta::evaluation::Standard::AllFactors))
        return QCoreApplication::translate("TanDelta", "NoEvaluationVoltageFactors");
    const unsigned long frequency = dm->getFrequencyToTest();
    if (frequency > 0 && frequency <= 99)
        return QCoreApplication::translate("TanDelta", "NoEvaluationFrequencyToLow");
    return QString();
}

// ---------------------------------------------------------------------------
// Voltage input
// ---------------------------------------------------------------------------

double TestConfiguration::convertVoltage(long millivolts) const
{
    const DataModell* dm = GlobalFuncs::getDM();
    return qRound((dm ? dm->enteredVoltage(millivolts) : millivolts) / 100000.0) / 10.0;
}

long TestConfiguration::storedVoltage(const DataModell& dm) const
{
    return isSheathMode() || manualRamp() ? dm.getVoltageRangeToTest().second : dm.getVoltageToTest();
}

double TestConfiguration::voltage() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return 0.0;
    const long stored = manualRamp() ? dm->getVoltageRangeToTest().second : dm->getVoltageToTest();
    double shown = convertVoltage(stored);
    if (dm->getVoltageType() == VoltageType_Factor)
        shown *= dm->getVoltageFactor(VoltageType_Factor) / 10.0;
    return shown;
}

QVariantList TestConfiguration::voltageSteps() const
{
    QVariantList steps;
    const DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return steps;
    QVector<int> tenths;
    const int count = int(dm->getVoltageSteps());
    for (int i = 0; i < count; ++i)
        tenths.append(dm->getDefaultVoltageFactor(i));
    // The monitored step test ends at its withstand level: the cable sees that one too.
    const int withstand = dm->getVoltageFactor(VoltageType_Factor);
    if (m_mode == M::MWTStep && (tenths.isEmpty() || tenths.last() != withstand))
        tenths.append(withstand);
    for (int factor : qAsConst(tenths))
        steps.append(QVariant(factor / 10.0));
    return steps;
}

double TestConfiguration::voltageFactor() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getVoltageFactor(VoltageType_Factor) / 10.0 : 1.0;
}

void TestConfiguration::updateVoltageRange()
{
    const DataModell* dm = GlobalFuncs::getDM();
    if (!dm || dm->getVoltageType() == VoltageType_None)
        return;
    // The data model says where the entry ends: U0 of a stepped test where its highest
    // level reaches the maximum.
    const QPair<long, long> bounds = dm->storedVoltageBounds();
    const double minKV = qMax(0.0, qRound(dm->voltageInTypeForm(bounds.first) / 100000.0) / 10.0);
    const double maxKV = dm->voltageInTypeForm(bounds.second) / 1000000.0;
    for (PropertySettingsViewModel* item : m_mainParameters.items()) {
        const int scale = item->scaleFactor();
        switch (item->type()) {
        case ValueUnit::Voltage:
        case ValueUnit::VoltageTest:
            setRange(item, qRound(scale * minKV), truncated(scale * maxKV));
            break;
        case ValueUnit::VoltageU0:
            setRange(item, truncated(scale * minKV), truncated(scale * maxKV));
            // Its note names the limit just set.
            labelVoltageItem(item);
            break;
        case ValueUnit::VoltageFactor: {
            const PropertySettingsViewModel* u0 = item->getConnectedModel();
            const long u0mV = u0 && u0->scaleFactor() > 0 ? long(1000000LL * u0->value() / u0->scaleFactor()) : 0;
            const QPair<int, int> limits = dm->voltageFactorRange(u0mV);
            setRange(item, limits.first, limits.second);
            break;
        }
        default:
            continue;
        }
        item->setUnit(kiloVolt());
    }
}

void TestConfiguration::updateVoltageInput()
{
    updateVoltageRange();
    const DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return;
    const eVoltageType type = dm->getVoltageType();
    // In the form the value is shown in, so that a voltage at a snap point sits on its tick.
    const QList<double> nominalSnaps = dm->shownVoltageSnaps(DataModell::NominalVoltageSnaps);
    const QList<double> testSnaps = dm->shownVoltageSnaps(DataModell::TestVoltageSnaps);

    const long stored = storedVoltage(*dm);
    const int factor = dm->getVoltageFactor(type);
    for (PropertySettingsViewModel* item : m_mainParameters.items()) {
        switch (item->type()) {
        case ValueUnit::Voltage:
            setSnapTicks(item, type == VoltageType_Factor ? nominalSnaps : testSnaps);
            break;
        case ValueUnit::VoltageFactor:
        case ValueUnit::VoltageU0:
            setSnapTicks(item, nominalSnaps);
            break;
        case ValueUnit::VoltageTest:
            setSnapTicks(item, testSnaps);
            break;
        default:
            continue;
        }
        labelVoltageItem(item);
        // The factor item keeps the stored factor; only the voltage items take the voltage.
        if (item->type() != ValueUnit::VoltageFactor)
            item->setValue(qRound(convertVoltage(stored) * item->scaleFactor()));
        item->setValueFactor(factor);
    }
}

void TestConfiguration::labelVoltageItem(PropertySettingsViewModel* item) const
{
    // Named for the voltage type the page shows, which the type editor may have just changed.
    const int type = chosenVoltageType();
    const M::OperatingMode mode = currentMode();
    const bool sheath = isSheathMode();
    const bool manual = manualRamp();
    const QString testVoltage = tc("AdjustTestVoltage").arg(type == VoltageType_RMS ? tp("RMS") : tp("PEAK"));
    switch (item->type()) {
    case ValueUnit::Voltage: {
        const bool u0 = mode == M::TanDelta || type == VoltageType_Factor;
        item->setName(manual ? tp("Range") : (u0 ? tp("VoltageU0") : tp("TestVoltage")));
        if (sheath)
            item->setDescription(tc("AdjustVoltageRange"));
        else if (type == VoltageType_Factor)
            item->setDescription(tc("AdjustNominalVoltage"));
        else
            item->setDescription(mode == M::TanDelta ? tc("AdjustCableParameter") : testVoltage);
        break;
    }
    case ValueUnit::VoltageFactor:
        item->setName(manual ? tp("Range") : tp("TestVoltage"));
        item->setDescription(tc("AdjustTestFactor"));
        return;
    case ValueUnit::VoltageU0:
        item->setName(manual ? tp("Range") : tp("VoltageU0"));
        item->setDescription(tc("AdjustCableParameter"));
        break;
    case ValueUnit::VoltageTest:
        item->setName(manual ? tp("Range") : tp("TestVoltage"));
        item->setDescription(sheath ? tc("AdjustVoltageRange") : testVoltage);
        return;
    default:
        return;
    }
    const QString note = levelLimitNote();
    if (!note.isEmpty())
        item->setDescription(item->description() + QLatin1Char('\n') + note);
}

QString TestConfiguration::levelLimitNote() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    const int highest = dm ? dm->highestLevel() : 10;
    if (highest <= 10)
        return QString();
    const QLocale locale;
    const double u0 = std::floor(dm->voltageInTypeForm(dm->storedVoltageBounds().second) / 100000.0 + 1e-9) / 10.0;
    return tc("VoltageU0LimitedByLevels")
        .arg(locale.toString(u0, 'f', 1), locale.toString(highest / 10.0, 'f', 1),
             locale.toString(maximumShown(*dm), 'f', 1));
}

void TestConfiguration::updateVoltageInputPrameter()
{
    if (PropertySettingsViewModel* item = findItem(m_mainParameters.items(), ValueUnit::Voltage))
        labelVoltageItem(item);
}
