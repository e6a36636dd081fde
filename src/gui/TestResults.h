#pragma once

#include "datamodel/InstrumentTypes.h"
#include "gui/FixedValueUnit.h"
#include "gui/TestResultsTanDelta.h"
#include "uiapi/Measurement.h"

#include <QObject>
#include <QQmlListProperty>
#include <QString>

#include <memory>

// The results of the test that has just run: verdict and cause, the detail text with
// the safety circuit, the booster inputs and the HV source, the parameters as run, the
// tan delta evaluation, the comment and the name of the stored record. Takes them from
// the data model when a test ends; GUI thread only.
class TestResults : public QObject {
    Q_OBJECT
    Q_PROPERTY(int testResult READ testResult NOTIFY testFinished)
    Q_PROPERTY(int testResultDetail READ testResultDetail NOTIFY testFinished)
    Q_PROPERTY(int safetyCircuitState READ safetyCircuitState NOTIFY testFinished)
    Q_PROPERTY(int hvUnitState READ hvUnitState NOTIFY testFinished)
    Q_PROPERTY(TestResultsTanDelta* tanDelta READ tanDelta NOTIFY testFinished)
    Q_PROPERTY(QString resultString READ resultString NOTIFY testFinished)
    Q_PROPERTY(QString resultDetailString READ resultDetailString NOTIFY testFinished)
    Q_PROPERTY(QString filename READ filename NOTIFY testDataTransferred)
    Q_PROPERTY(QString comment READ comment WRITE setComment NOTIFY testDataTransferred)
    Q_PROPERTY(QQmlListProperty<FixedValueUnit> testParameters READ testParametersProperty NOTIFY testFinished)
    // From the start of a test until its results are taken: the fields still hold the last
    // test's, which the result page must not show as this one's.
    Q_PROPERTY(bool pending READ pending NOTIFY testFinished)
    // Whether the test left a record in the store; a comment needs one.
    Q_PROPERTY(bool recordStored READ recordStored NOTIFY testFinished)
public:
    explicit TestResults(QObject* parent = nullptr);
    ~TestResults() override;

    int testResult() const;
    int testResultDetail() const;
    int safetyCircuitState() const;
    // The low 32 bits: QML has no wider integer.
    int hvUnitState() const;
    quint64 hvUnitState64() const;
    TestResultsTanDelta* tanDelta();
    QString resultString() const;
    QString resultDetailString() const;
    QString filename() const;
    QString comment() const;
    void setComment(const QString& comment);
    QQmlListProperty<FixedValueUnit> testParametersProperty();
    const QList<FixedValueUnit*>& testParameters() const;
    stTBState testBoostState() const;
    bool pending() const;
    bool recordStored() const;

    // The detail text of a result: why the test ended, and what was open or failing.
    // hvSourceStatus all ones means none was read: no source error is named then.
    static QString detailText(eTestResult cause, const stFaultValues& fault, quint32 safetyCircuitState,
                              quint64 hvSourceStatus, const stTBState& testBoost);
    // The verdict the pages show for why a test ended.
    static Measurement::eGuiTestResult verdictOf(eTestResult cause);

public slots:
    void appStateChanged(States::AppState oldState, States::AppState state);
    void testBoostStateChanged(stTBState oldState, stTBState newState);
    void updateMeasurementValues(const stMeasurementValues& values);
    void updatePeriodicMeasurementValues(const stPeriodicMeasurementValues& values);

signals:
    void testFinished();
    void testDataTransferred();
    // The comment as stored; the path of the record shown from the history, empty when
    // none is known.
    void commentChanged(QString absoluteFilename, QString comment);

private:
    struct Data;
    struct DataDeleter {
        void operator()(Data* data) const;
    };

    void takeParametersAsRun();
    void takeResults();

    std::unique_ptr<Data, DataDeleter> d;
};
