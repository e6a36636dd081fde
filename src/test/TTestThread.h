#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QObject>

#include <memory>

class ITestLink;
class ITestHistory;
class TPOF;
class TTestChart;

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

public slots:
    void appStateChanged(States::AppState oldState, States::AppState newState);
    void transferTanDeltaSummary();

signals:
    void voltageStepUp(long newVoltage);
    void RampDownPhaseDetected();
    void sendAppEvent(eAppEvent event);
    void saveToHistoryFailed();
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

    struct Data;
    std::unique_ptr<Data> m;
};
