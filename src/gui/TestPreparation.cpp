#include "gui/TestPreparation.h"

#include "core/DutyCycleStrings.h"
#include "core/GlobalFuncs.h"
#include "core/NumberString.h"
#include "datamodel/DataModell.h"
#include "datamodel/OperatingModes.h"
#include "gui/MeasurementStrings.h"
#include "tandelta/TanDeltaStrings.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include <algorithm>

namespace {
using M = OperatingModes;
using P = OpModeParameters;

// The shown form of a voltage: RMS when the test is stated in RMS or as a factor, with
// the hint naming the form only where the mode offers both.
struct ShownVoltage {
    QPair<QString, QString> text;
    QString hint;
};

ShownVoltage shownVoltage(const DataModell& dm, M::OperatingMode mode, long millivolts)
{
    const eVoltageType type = dm.getVoltageType();
    const bool rmsSupported = dm.isVoltageTypeRMSSupported(mode);
    ShownVoltage shown;
    millivolts = dm.voltageInTypeForm(millivolts);
    if (type == VoltageType_RMS || type == VoltageType_Factor) {
        if (rmsSupported)
            shown.hint = QCoreApplication::translate("TestParameters", "RMS");
    } else if (rmsSupported) {
        shown.hint = QCoreApplication::translate("TestParameters", "PEAK");
    }
    shown.text = NumberString::voltage(millivolts);
    return shown;
}

QString phaseText(const DataModell& dm, M::OperatingMode mode)
{
    int bits = 0;
    if (mode == M::TanDelta || mode == M::MWTStep) {
        const int index = dm.tanDeltaPhaseToMeasure();
        if (index >= 0 && index < 32)
            bits = 1 << index;
    } else {
        bits = dm.phasesToTest();
    }
    QStringList names;
    for (int phase = 0; phase < 3; ++phase)
        if (bits & (1 << phase))
            names << dm.getPhaseName(phase);
    return names.isEmpty() ? QStringLiteral("---") : names.join(QLatin1Char(' '));
}
} // namespace

TestPreparation::TestPreparation(QObject* parent) : QObject(parent)
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return;
    // The data model lives on its own thread: these arrive queued, in order.
    connect(dm, &DataModell::appStateChanged, this, &TestPreparation::appStateChanged);
    connect(dm, &DataModell::updateTimeoutTime, this, &TestPreparation::updateTimeoutTime);
    connect(dm, &DataModell::frequencyUsedChanged, this, &TestPreparation::frequencyUsedChanged);
    connect(dm, &DataModell::frequencyToTestChanged, this, &TestPreparation::frequencyToTestChanged);
    connect(dm, &DataModell::voltageChanged, this, &TestPreparation::updateTargetVoltage);
    // Sent on this thread, by the safety poll.
    connect(dm, &DataModell::safetyCircuitChanged, this, &TestPreparation::updateOpenSafetyInput);
}

void TestPreparation::updateOpenSafetyInput()
{
    const DataModell* dm = GlobalFuncs::getDM();
    QString open;
    if (dm && m_state >= States::InitTest && m_state <= States::WaitConfirmOn)
        open = Measurement::strings::safetyCircuitStateText(dm->getSafetyCircuitState().to_ullong());
    if (open == m_openSafetyInput)
        return;
    m_openSafetyInput = open;
    emit openSafetyInputChanged();
}

QQmlListProperty<FixedValueUnit> TestPreparation::preparationParametersProperty()
{
    return m_preparationParameters.property(this);
}

QQmlListProperty<FixedValueUnit> TestPreparation::shownTestParametersProperty()
{
    return m_shownTestParameters.property(this);
}

unsigned long TestPreparation::frequencyUsed() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getFrequencyUsed() : 0;
}

unsigned long TestPreparation::frequencyToTest() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getFrequencyToTest() : 0;
}

void TestPreparation::updateTimeoutTime(uint timeMs)
{
    m_time = timeMs / 1000;
    // Every announcement, also an unchanged one: the page shows the countdown is alive.
    emit timeChanged();
}

QList<FixedValueUnit*> TestPreparation::collectShownParameter(QObject* parent, bool asRun)
{
    QList<FixedValueUnit*> items;
    const DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return items;
    const M::OperatingMode mode = dm->getOperatingMode();
    const OpModeParameters* set = dm->getMeasurmentParameters(mode);
    if (!set)
        return items;

    if (set->isParameterEnabled(P::Phases))
        items << new FixedValueUnit(FixedValueUnit::Phase, phaseText(*dm, mode), QString(), parent);

    if (set->isParameterEnabled(P::Voltage) || set->isParameterEnabled(P::VoltageU0)) {
        const bool manualRamp = dm->getVoltageRampMode() == VoltageRampMode_Manual;
        const long millivolts = manualRamp ? dm->getVoltageRangeToTest().second : dm->getVoltageToTest();
        const ShownVoltage shown = shownVoltage(*dm, mode, millivolts);
        if (manualRamp) {
            items << new FixedValueUnit(FixedValueUnit::Range, shown.text.first, shown.text.second, shown.hint, parent);
            // The running test writes the chosen target in here; the results name the highest.
            // Before the test the test data may still be the last test's.
            items << new FixedValueUnit(FixedValueUnit::Voltage,
                                        shownVoltage(*dm, mode, asRun ? dm->getTestVoltageAsRun() : 0).text.first,
                                        shown.text.second, shown.hint, parent);
        } else {
            const bool u0 = !set->isParameterEnabled(P::Voltage) || mode == M::MWTStep;
            items << new FixedValueUnit(u0 ? FixedValueUnit::VoltageU0 : FixedValueUnit::Voltage, shown.text.first,
                                        shown.text.second, shown.hint, parent);
        }
    }

    if (set->isParameterEnabled(P::TestTime))
        items << new FixedValueUnit(FixedValueUnit::TestTime, QLocale().toString(dm->getMinutesToTest()),
                                    QCoreApplication::translate("Units", "min", "unit minutes"), parent);
    if (set->isParameterEnabled(P::DutyCycle))
        items << new FixedValueUnit(FixedValueUnit::DutyCycle, strings::dutyCycleToName(dm->getDutyCycle()), QString(),
                                    parent);
    if (set->isParameterEnabled(P::Levels))
        items << new FixedValueUnit(FixedValueUnit::Levels, QLocale().toString(dm->getVoltageSteps()), QString(),
                                    parent);
    if (set->isParameterEnabled(P::Insulation))
        items << new FixedValueUnit(FixedValueUnit::Insulation,
                                    TanDelta::strings::insulationTypeToText(dm->getCableInsulation(), nullptr),
                                    QString(), parent);
    return items;
}

void TestPreparation::updateShownTestParameters()
{
    m_shownTestParameters.replace(collectShownParameter(this), [this] { emit shownTestParametersChanged(); });
}

void TestPreparation::updatePreparationParameter()
{
    QList<FixedValueUnit*> items;
    const DataModell* dm = GlobalFuncs::getDM();
    if (dm) {
        if (const OpModeParameters* set = dm->getMeasurmentParameters(dm->getOperatingMode())) {
            if (set->isParameterEnabled(P::LoadResistance))
                items << new FixedValueUnit(FixedValueUnit::Resistance, this);
            if (set->isParameterEnabled(P::LoadCapacitance))
                items << new FixedValueUnit(FixedValueUnit::Capacitance, this);
            if (set->isParameterEnabled(P::Frequency))
                items << new FixedValueUnit(FixedValueUnit::Frequency, this);
        }
    }
    m_preparationParameters.replace(items, [this] { emit preparationParametersChanged(); });
}

void TestPreparation::addPreparationParameter(FixedValueUnit::ValueType type)
{
    for (const FixedValueUnit* item : m_preparationParameters.items())
        if (item->type() == type)
            return;
    m_preparationParameters.append(new FixedValueUnit(type, this));
}

void TestPreparation::setFirst(const QList<FixedValueUnit*>& items, FixedValueUnit::ValueType type,
                               const QPair<QString, QString>& valueAndUnit)
{
    for (FixedValueUnit* item : items) {
        if (item->type() == type) {
            *item = valueAndUnit;
            return;
        }
    }
}

void TestPreparation::setPreparationParameter(FixedValueUnit::ValueType type,
                                              const QPair<QString, QString>& valueAndUnit)
{
    setFirst(m_preparationParameters.items(), type, valueAndUnit);
}

void TestPreparation::setShownTestParameter(FixedValueUnit::ValueType type, const QPair<QString, QString>& valueAndUnit)
{
    setFirst(m_shownTestParameters.items(), type, valueAndUnit);
}

void TestPreparation::updateLoadDetection()
{
    const DataModell* dm = GlobalFuncs::getDM();
    const auto& items = m_preparationParameters.items();
    const bool frequencyShown = std::any_of(items.cbegin(), items.cend(), [](const FixedValueUnit* item) {
        return item->type() == FixedValueUnit::Frequency;
    });
    if (!dm || (!dm->modeUseLoadDetection() && !frequencyShown))
        return;
    if (dm->modeUseLoadDetection()) {
        setPreparationParameter(FixedValueUnit::Resistance, NumberString::loadResistance(dm->getResistorLoad()));
        setPreparationParameter(FixedValueUnit::Capacitance, NumberString::loadCapacitance(dm->getCapacitanceLoad()));
    }
    // The frequency the unit got, also where no load detection chose it.
    setPreparationParameter(FixedValueUnit::Frequency, NumberString::testFrequency(dm->getFrequencyUsed()));
    emit preparationParametersChanged();
}

void TestPreparation::updateTargetVoltage()
{
    const DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return;
    // The data model answers in peak form; the item keeps the form its hint names.
    const M::OperatingMode mode = dm->getOperatingMode();
    setShownTestParameter(FixedValueUnit::Voltage, shownVoltage(*dm, mode, dm->getVoltageToTest()).text);
    emit shownTestParametersChanged();
}

void TestPreparation::updateTestResults()
{
    const DataModell* dm = GlobalFuncs::getDM();
    const OpModeParameters* set = dm ? dm->getMeasurmentParameters(dm->getOperatingMode()) : nullptr;
    if (set) {
        if (set->isParameterEnabled(P::Current)) {
            addPreparationParameter(FixedValueUnit::Current);
            const stMeasurementValues last = dm->getLastMeasurementValues();
            setPreparationParameter(FixedValueUnit::Current,
                                    last.localTime.isValid() ? NumberString::leakageAmperage(last.current)
                                                             : NumberString::emptyString(QStringLiteral("---"),
                                                                                         QString()));
        }
        if (set->isParameterEnabled(P::MaxCurrent)) {
            addPreparationParameter(FixedValueUnit::MaxCurrent);
            setPreparationParameter(FixedValueUnit::MaxCurrent,
                                    NumberString::leakageAmperage(dm->getPeakValues().second));
        }
        if (set->isParameterEnabled(P::LeakageCurrent)) {
            addPreparationParameter(FixedValueUnit::Leakage);
            bool found = false;
            qint64 newest = 0;
            {
                // The iterators hold the test data's read lock: only for this block.
                const auto begin = dm->beginPeriodicMeasurementValues();
                auto end = dm->endPeriodicMeasurementValues();
                if (begin != end) {
                    --end;
                    newest = end->current;
                    found = true;
                }
            }
            if (found)
                setPreparationParameter(FixedValueUnit::Leakage, NumberString::leakageAmperage(newest));
        }
    }
    emit preparationParametersChanged();
}

void TestPreparation::appStateChanged(States::AppState oldState, States::AppState newState)
{
    m_state = newState;
    updateOpenSafetyInput();
    switch (newState) {
    case States::Idle:
        if (oldState == States::WaitConfirmOn)
            emit hvSignalTimeout();
        else if (oldState == States::TestFinished)
            emit testFinished();
        else if (oldState == States::WaitPhaseConnect || oldState == States::HVUnitError)
            emit startRefused();
        break;
    case States::HVUnitError:
        // A start sent as the machine reached Idle came after the unit's error there.
        if (oldState == States::Idle)
            emit startRefused();
        break;
    case States::Starting:
        // The unit reported an error as the test ended: it starts again, the test is over.
        if (oldState == States::TestFinished)
            emit testFinished();
        break;
    case States::InitTest:
        updatePreparationParameter();
        updateShownTestParameters();
        emit initTest();
        break;
    case States::WaitConfirmOn:
        emit waitForHvSignal();
        break;
    case States::WaitHVOn:
        emit prepareMeasurement();
        break;
    case States::WaitLoadDetect: {
        const DataModell* dm = GlobalFuncs::getDM();
        if (dm && M::getInstance()->loadDetection(dm->getOperatingMode()))
            emit waitForLoadDetection();
        break;
    }
    case States::WaitForEffTestParameters:
        emit waitForEffTestParamerters();
        break;
    case States::WaitForConfirmation:
        updateLoadDetection();
        emit waitForConfirmation();
        break;
    case States::TestReadyToRun:
        updateLoadDetection();
        emit testReadyToRun();
        break;
    case States::TestRunning:
        emit testStarted();
        break;
    case States::TestFinalizing:
        if (oldState == States::WaitForConfirmation)
            emit hvSignalTimeout();
        else if (oldState == States::WaitHVOn || oldState == States::WaitLoadDetect
                 || oldState == States::WaitForEffTestParameters)
            emit testFinished();
        else
            emit testFinalizing();
        break;
    case States::TestFinished:
        updateTestResults();
        break;
    case States::WaitPhaseConnect:
        emit waitPhaseConnect();
        break;
    default:
        break;
    }
}
