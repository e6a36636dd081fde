#pragma once

#include "core/TransObject.h"
#include "datamodel/InstrumentTypes.h"
#include "logging/MessageCategories.h"

#include <QObject>

#include <memory>

class DataModell;
class ITestLink;
class ITestHistory;
class TPOF;
class TTestChart;

// Time of the n-th periodic request since the test start, in ms: half a period into
// period n, but at most one second into it, in whole seconds.
quint32 calcNextPeriodicRequestTime(const DataModell& dm, const int& n);

// Carries one test from the operator's start to the stored record. It has no loop of
// its own: it reacts to the application state changes, drives the HV unit through the
// link by direct, blocking calls and answers with application events.
class TTestThread : public QObject {
    Q_OBJECT
public:
    // Neither pointer is owned; both must outlive the worker.
    TTestThread(TPOF* pof, TTestChart* testChart, QObject* parent = nullptr);
    TTestThread(ITestLink* pof, ITestHistory* testChart, QObject* parent = nullptr);
    ~TTestThread() override;

    // Stops the HV unit; while no measurement runs this undoes the initialisation.
    bool stopTest(SKP_Pevanto_StopFlags flags);

    // Counting of the operating statistics and the logs of a finished test.
    void updateStatistics();
    void logMeasurementStatistics();
    void logTemperature(const stMeasurementValues& sample);
    bool getUBD(stFaultValues& fault);

public slots:
    void appStateChanged(States::AppState oldState, States::AppState newState);
    void transferTanDeltaSummary();
    void getTestValues();
    void checkUSBState();
    void softStopVoltageCheck();
    void nominalVoltageReached(bool reached);
    // Reads the fault values of the unit into the data model (on HV-state changes).
    bool updateFaultValues();

signals:
    void voltageStepUp(long newVoltage);
    void RampDownPhaseDetected();
    void sendAppEvent(eAppEvent event);
    void saveToHistoryFailed();
    // A message for the operator; the window shows it, this thread never waits for it.
    void showMessageDlg(MessageCategories category, const TransObject& message, bool cancelButton, bool okButton);
    void finishedTransferTanDeltaSummary(bool result);
    void breakdownSignal();

private:
    TTestThread(std::unique_ptr<ITestLink> ownLink, ITestLink* pof, ITestHistory* testChart, QObject* parent);

    void onStart();
    bool startTest();
    bool InitTest();
    bool CheckLoadResult();
    void sendFrequencyDecision();
    bool ReadTestParameters(bool* belowMinimalCapacitance = nullptr);
    bool GetFMax();
    bool CalcEffTestParameters();
    void InitError();
    void StopInit();
    void readPowerTemperatures();
    bool readTestDuration();
    void updatePeriodDuration();
    void leaveTest();
    void softStop();
    void finalize();

    void StartMeasurement();
    bool getUIT(stMeasurementValues* sample);
    void readFailed();
    bool getPeriodicValues(unsigned long time);
    bool getLeakageValues();
    void storePeriodic(const stPeriodicMeasurementValues& values);
    void periodicRequest(const stMeasurementValues& sample);
    void plateauRequest(const stMeasurementValues& sample);
    void performVoltageStepUp();
    void stepUpFailed();
    void emitTestTimeUp();
    void StopTest(SKP_Pevanto_StopFlags flags);
    void logTemperatureHistory(const stMeasurementValues& newest);
    void transferToHistory();
    void finished();
    void exportToStick();

    struct Data;
    std::unique_ptr<Data> m;
};
