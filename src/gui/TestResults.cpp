#include "gui/TestResults.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "datamodel/TestSettings.h"
#include "gui/MeasurementStrings.h"
#include "gui/TestMeasurement.h"
#include "gui/TestPreparation.h"
#include "uiapi/OwnedItemList.h"
#include "hvunit/ErrorMessages.h"
#include "logging/LoggingCtrl.h"

#include <QStringList>

using S = States::AppState;
using M = OperatingModes;

namespace {
constexpr quint64 kNoHvSourceStatus = ~quint64(0);
constexpr quint32 kBoosterHvConnector = 1u << 1;
constexpr quint32 kBoosterCableShield = 1u << 2;

// The booster inputs that are missing; not translated, as on the booster's own label.
QString missingBoosterInputs(const stTBState& boost)
{
    if (boost.powerState == 0 || (boost.powerState == 2 && boost.stateWord == 7))
        return QString();
    QStringList names;
    if (!(quint32(boost.stateWord) & kBoosterHvConnector))
        names << QStringLiteral("HVConnector");
    if (!(quint32(boost.stateWord) & kBoosterCableShield))
        names << QStringLiteral("CableShieldNotConnected");
    return names.join(QStringLiteral("& "));
}
} // namespace

struct TestResults::Data {
    int testResult = Measurement::Unknown;
    int testResultDetail = eTestResult_Unknown;
    quint32 safetyCircuitState = 0;
    quint64 hvUnitState = 0;
    quint64 hvSourceStatus = kNoHvSourceStatus;
    QString filename;
    TestResultsTanDelta tanDelta;
    stTBState testBoostState;
    quint32 lastTimeStamp = 0;
    OwnedItemList<FixedValueUnit> testParameters;
    bool pending = false;
    // The record of the test shown: the data model forgets it once the test is left,
    // which an abort confirms on its own while the results are still shown.
    QString record;
};

void TestResults::DataDeleter::operator()(Data* data) const { delete data; }

TestResults::TestResults(QObject* parent) : QObject(parent), d(new Data)
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return;
    // The data model lives on its own thread: these arrive queued, in order.
    connect(dm, &DataModell::appStateChanged, this, &TestResults::appStateChanged);
    connect(dm, &DataModell::faultValuesChanged, this, &TestResults::testFinished);
    connect(dm, &DataModell::TestBoostStateChanged, this, &TestResults::testBoostStateChanged);
    connect(dm, &DataModell::updateMeasurementValues, this, &TestResults::updateMeasurementValues);
    connect(dm, &DataModell::updatePeriodicMeasurementValues, this, &TestResults::updatePeriodicMeasurementValues);
}

TestResults::~TestResults() = default;

int TestResults::testResult() const { return d->testResult; }
int TestResults::testResultDetail() const { return d->testResultDetail; }
int TestResults::safetyCircuitState() const { return int(d->safetyCircuitState); }
int TestResults::hvUnitState() const { return int(quint32(d->hvUnitState)); }
quint64 TestResults::hvUnitState64() const { return d->hvUnitState; }
TestResultsTanDelta* TestResults::tanDelta() { return &d->tanDelta; }
QString TestResults::filename() const { return d->filename; }
stTBState TestResults::testBoostState() const { return d->testBoostState; }
bool TestResults::pending() const { return d->pending; }
bool TestResults::recordStored() const { return !d->record.isEmpty(); }

QString TestResults::resultString() const
{
    return Measurement::strings::testResultToText(Measurement::eGuiTestResult(d->testResult));
}

QString TestResults::resultDetailString() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    return detailText(eTestResult(d->testResultDetail), dm ? dm->getFaultValues() : stFaultValues(),
                      d->safetyCircuitState, d->hvSourceStatus, d->testBoostState);
}

QString TestResults::detailText(eTestResult cause, const stFaultValues& fault, quint32 safetyCircuitState,
                                quint64 hvSourceStatus, const stTBState& testBoost)
{
    const QString detail = Measurement::strings::testResultToDetailText(cause, fault);
    if (detail.isEmpty())
        return QString();
    const QString circuit = Measurement::strings::safetyCircuitStateText(safetyCircuitState);
    const bool sourceRead = hvSourceStatus != kNoHvSourceStatus;
    const quint64 sourceError = sourceRead ? hvSourceStatus & 0xFF : 0;
    if (circuit.isEmpty()) {
        if (cause == eTestResult_CancelledByOp && sourceError == 0)
            return QString();
        const QString source = sourceRead ? ErrorMessages::HVSource::errorText(hvSourceStatus) : QString();
        if (source.isEmpty())
            return detail;
        return QStringLiteral("%1<br><small>%2<br>#%3</small>").arg(detail, source, QString::number(sourceError));
    }
    const QPair<int, bool> open = failedSafetyCircuit(SafetyCircuitBits(safetyCircuitState));
    if (open.second && open.first == SafetyInputTestBoost) {
        return QStringLiteral("%1<br><small>%2: %3<br>#%4</small>")
            .arg(detail, circuit, missingBoosterInputs(testBoost), QString::number(safetyCircuitState));
    }
    return QStringLiteral("%1<br><small>%2<br>#%3</small>").arg(detail, circuit, QString::number(safetyCircuitState));
}

Measurement::eGuiTestResult TestResults::verdictOf(eTestResult cause)
{
    switch (cause) {
    case eTestResult_Unknown: return Measurement::Unknown;
    case eTestResult_FinishedSuccess: return Measurement::Passed;
    case eTestResult_CancelledByOp: return Measurement::InteruptedByUser;
    default: return Measurement::Failed;
    }
}

QString TestResults::comment() const
{
    const DataModell* dm = GlobalFuncs::getDM();
    return dm ? dm->getTestComment().trimmed() : QString();
}

void TestResults::setComment(const QString& comment)
{
    DataModell* dm = GlobalFuncs::getDM();
    const QString record = d->pending ? QString() : d->record;
    if (!dm || record.isEmpty() || !TestSettings::isStorableComment(comment))
        return;
    dm->setTestComment(comment);
    // The record gets what the data model kept, not what was typed.
    emit commentChanged(record, dm->getTestComment().trimmed());
}

QQmlListProperty<FixedValueUnit> TestResults::testParametersProperty() { return d->testParameters.property(this); }

const QList<FixedValueUnit*>& TestResults::testParameters() const { return d->testParameters.items(); }

void TestResults::appStateChanged(States::AppState oldState, States::AppState state)
{
    if (oldState == S::TestRunning)
        takeParametersAsRun();
    if (state == S::TestFinished) {
        takeResults();
        d->pending = false;
        emit testFinished();
    } else if (state == S::InitTest || (state == S::Idle && d->pending)) {
        // A test that never reaches its results leaves nothing pending at Idle.
        d->pending = state == S::InitTest;
        emit testFinished();
        // The last test's record name must not be shared as this test's.
        if (state == S::InitTest && !d->filename.isEmpty()) {
            d->filename.clear();
            emit testDataTransferred();
        }
    } else if (state == S::TestDataTransferred) {
        const DataModell* dm = GlobalFuncs::getDM();
        d->filename = dm ? dm->getExportTestInfo().fileName : QString();
        emit testDataTransferred();
    }
}

void TestResults::takeParametersAsRun()
{
    d->testParameters.replace(TestPreparation::collectShownParameter(this, true), [] {});
    // "mm:ss min" or "hh:mm:ss h": the number and its unit.
    const QStringList time =
        TestMeasurement::getTimeString(d->lastTimeStamp).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (FixedValueUnit* item : d->testParameters.items()) {
        if (item->type() != FixedValueUnit::TestTime)
            continue;
        item->setValue(time.value(0));
        item->setUnit(time.value(1));
        break;
    }
    // Announced at once: a page may still show the old items, which are on their way out.
    emit testFinished();
}

void TestResults::takeResults()
{
    const DataModell* dm = GlobalFuncs::getDM();
    if (!dm)
        return;
    const M::OperatingMode mode = dm->getOperatingMode();
    const RunningTestData::Outcome outcome = dm->getOutcomeOfFinishedTest();
    if (mode == M::SheathPinpointing) {
        d->testResult = Measurement::Done;
        d->testResultDetail = eTestResult_FinishedSuccess;
    } else {
        d->testResultDetail = outcome.result;
        d->testResult = verdictOf(outcome.result);
    }
    // The state word stays for the code line; a source error only from a status read.
    d->hvUnitState = outcome.hvState;
    d->hvSourceStatus = outcome.hvSourceStatus;
    d->record = outcome.record;
    d->safetyCircuitState = quint32(outcome.safety.to_ulong());

    if (mode == M::TanDelta || mode == M::MWTStep) {
        TestResultsTanDelta& td = d->tanDelta;
        td.setTestedPhases(IPhaseSelect::Phases(dm->phasesOfSequence()));
        td.setFactors(dm->getVoltageFactorList(), dm->getVoltageSteps());
        td.setInsulationType(dm->getCableInsulation());
        td.setStandard(dm->getEvaluationStandard());
        for (int phase = 0; phase < 3; ++phase)
            td.setPhaseData(phase, dm->getTanDeltaSummary(phase));
    }
}

void TestResults::testBoostStateChanged(stTBState, stTBState newState)
{
    LoggingCtrl::log(CAT_INF, "INF", QStringLiteral("newState :") + QString::number(newState.stateWord, 2), -1,
                     "TestResults", "testBoostStateChanged");
    if (newState.stateWord == d->testBoostState.stateWord && newState.powerState == d->testBoostState.powerState)
        return;
    d->testBoostState = newState;
    emit testFinished();
}

void TestResults::updateMeasurementValues(const stMeasurementValues& values) { d->lastTimeStamp = values.timeStamp; }

void TestResults::updatePeriodicMeasurementValues(const stPeriodicMeasurementValues& values)
{
    d->lastTimeStamp = values.timeStamp;
}
