#pragma once

#include "datamodel/CommissioningCfg.h"
#include "datamodel/DisplaySettings.h"
#include "datamodel/HVUnitModel.h"
#include "datamodel/IPhaseSelect.h"
#include "datamodel/InstrumentTypes.h"
#include "datamodel/PhaseSequence.h"
#include "datamodel/Statemachine.h"
#include "datamodel/SystemFunctions.h"
#include "datamodel/SystemInfo.h"
#include "datamodel/TanDeltaTypes.h"
#include "datamodel/RunningTestData.h"
#include "datamodel/TestSettings.h"
#include "core/ISingleton.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <atomic>

class OpModeParameters;

// The instrument data model: test settings, the running test's data, the HV-unit,
// safety-circuit and test-boost state, the phase selection, system information and
// the application state machine. The object lives on "DMThread"; getters and setters
// may be called from any thread (each sub-model guards its own data), events reach
// the state machine on the model's thread.
class DataModell : public QObject, public ISingleton<DataModell> {
    Q_OBJECT
    friend class ISingleton<DataModell>;

public:
    enum eVoltageSnapTypes : int {
        NominalVoltageSnaps = 0,
        TestVoltageSnaps = 1,
    };

    // Reads the stored settings and creates missing configuration keys; runs at
    // construction and again when the frame has installed the database later.
    void initialize();

    // --- state machine -----------------------------------------------------
    Statemachine* getStatemachine() const { return m_sm; }
    States::AppState getAppState() const { return m_sm->currentState(); }
    bool isTestRunning() const;
    static bool isTestRunningState(States::AppState state);

    // --- operating mode ----------------------------------------------------
    OperatingModes::OperatingMode getOperatingMode() const;
    OperatingModes* getOperatingModes() const;
    QString getCurrentOperatingModeName() const;
    void changeOperatingMode(OperatingModes::OperatingMode mode);
    bool isOperatingModePermitted(OperatingModes::OperatingMode mode, bool testBoost) const;
    bool isOpModeForced(OperatingModes::OperatingMode mode) const;
    bool isTestBoostOpMode(OperatingModes::OperatingMode mode = OperatingModes::Unknown) const;
    bool isDutyCycleMode() const;
    bool modeIsPeriodic() const;
    int periodicModeType(OperatingModes::OperatingMode mode = OperatingModes::Unknown) const;
    bool modeUseLoadDetection() const;
    const OpModeParameters* getPrimaryParameters(OperatingModes::OperatingMode mode) const;
    const OpModeParameters* getSettingParameters(OperatingModes::OperatingMode mode) const;
    const OpModeParameters* getMeasurmentParameters(OperatingModes::OperatingMode mode) const;

    // --- test settings -----------------------------------------------------
    TestSettings* getTestSettings() { return &m_settings; }
    void setTestSettingsDefault();
    long getVoltageToTest() const;
    void setVoltageToTest(long value);
    eVoltageType getVoltageType() const;
    void setVoltageType(eVoltageType type, bool save = true);
    int getVoltageFactor(eVoltageType type) const;
    void setVoltageFactor(int tenths);
    QPair<long, long> getVoltageRange(OperatingModes::OperatingMode mode = OperatingModes::Unknown) const;
    long getVoltageMax(OperatingModes::OperatingMode mode = OperatingModes::Unknown) const;
    bool isVoltageTypeRMSSupported(OperatingModes::OperatingMode mode) const;
    QPair<long, long> getVoltageRangeToTest() const;
    void setVoltageRangeToTest(long upper);
    // The voltage's forms and bounds; see TestSettings.
    long voltageInTypeForm(long peak) const;
    long enteredVoltage(long peakTestVoltage) const;
    long peakTestVoltage(long entered) const;
    QPair<long, long> storedVoltageBounds() const;
    int highestLevel() const;
    QPair<int, int> voltageFactorRange(long enteredU0) const;
    long withstandVoltage() const;
    long testInitializationVoltage() const;
    long testStartVoltage() const;
    // A target the operator confirmed on the live page of a manual ramp (peak mV): bounded
    // by the Range, it becomes the voltage to test and is announced for the unit, which
    // takes it only while the test runs. Returns the target as bounded.
    long setTargetVoltage(long peak);
    // The unit took a target.
    void targetVoltageSent(long peak);
    // The test voltage the record and the results name: the highest set point the unit
    // was sent in a manual ramp, else the voltage to test.
    long getTestVoltageAsRun() const;
    QList<long> getVoltageStepList() const;
    unsigned getVoltageSteps() const;
    void setVoltageSteps(unsigned steps);
    unsigned getNumberOfValues() const;
    void setNumberOfValues(unsigned values);
    QVector<unsigned short> getVoltageFactorList() const;
    unsigned short getDefaultVoltageFactor(int step) const;
    bool setDefaultVoltageFactor(const unsigned short& value, int step);
    QPair<unsigned long, unsigned long> frequencyRange(OperatingModes::OperatingMode mode = OperatingModes::Unknown) const;
    unsigned long getFrequencyToTest() const;
    void setFrequencyToTest(int mHz);
    bool getFrequencyToTestModified() const;
    unsigned short getMinutesToTest() const;
    void setMinutesToTest(unsigned short minutes);
    unsigned short getSecondsToTest() const;
    void setSecondsToTest(unsigned short seconds);
    eVoltagePolarity getVoltagePolarity() const;
    void setVoltagePolarity(eVoltagePolarity polarity);
    eVoltageRampMode getVoltageRampMode() const;
    void setVoltageRampMode(eVoltageRampMode mode);
    bool burnCurrentLimiter() const;
    void setBurnCurrentLimiter(bool on);
    int burnMode() const;
    eDutyCycle getDutyCycle() const;
    void setDutyCycle(eDutyCycle cycle);
    int getVLFCosRectType() const;
    int phasesToTest() const;
    void setPhasesToTest(int phases);
    IPhaseSelect* getPhaseSelect() const;
    void setPhaseSelect(IPhaseSelect* select); // null: the test settings' own selection
    QString getCableNumber() const;
    void setCableNumber(const QString& number);
    QStringList getCableNumbers(const QString& filter = QString()) const;
    void addCableNumber(const QString& number);
    QString getTestComment() const;
    void setTestComment(const QString& comment);
    TanDelta::evaluation::eInsulationType getCableInsulation() const;
    void setCableInsulation(TanDelta::evaluation::eInsulationType type);
    TanDelta::evaluation::eEvaluationStandard getEvaluationStandard() const;
    void setEvaluationStandard(TanDelta::evaluation::eEvaluationStandard standard);
    QVector<TanDelta::evaluation::eInsulationType> getAllInsulationTypes() const;
    QVector<TanDelta::evaluation::eInsulationType> getEnabledInsulationTypes() const;
    bool isInsulationEnabled(TanDelta::evaluation::eInsulationType type) const;
    void setInsulationState(TanDelta::evaluation::eInsulationType type, bool enabled);
    QList<double> getVoltageSnapValues(eVoltageSnapTypes type) const;
    void setVoltageSnapValues(eVoltageSnapTypes type, const QList<double>& values);
    // The snap points of a voltage slider (kV) as the current mode and voltage type state
    // them: the sheath modes have test voltages of their own, the tan delta test states U0.
    QList<double> shownVoltageSnaps(eVoltageSnapTypes type) const;

    // --- running test ------------------------------------------------------
    void resetTestData();
    void setMeasurementValues(stMeasurementValues value);
    stMeasurementValues getLastMeasurementValues() const;
    bool hasMeasurementValues() const;
    RunningTestData::MeasurementIterator beginMeasurementValues() const;
    RunningTestData::MeasurementIterator endMeasurementValues() const;
    void setPeriodicMeasurementValues(stPeriodicMeasurementValues value);
    RunningTestData::PeriodicIterator beginPeriodicMeasurementValues() const;
    RunningTestData::PeriodicIterator endPeriodicMeasurementValues() const;
    QPair<long, qint64> getPeakValues() const;
    void voltageStepUp();
    eTestResult getTestResult() const;
    void setTestResult(eTestResult result);
    SafetyCircuitBits getSafetyCircuitStateOfTestResult() const;
    quint64 getHvUnitStateOfTestResult() const;
    // The HV source's status read during the test; all ones when none was read.
    quint64 getHvSourceStatusOfTest() const;
    // Result, safety bits, states and record of the test that finished last.
    RunningTestData::Outcome getOutcomeOfFinishedTest() const;
    stFaultValues getFaultValues() const;
    void setFaultValues(const stFaultValues& values);
    QDateTime getTestTime(eTestTimes which) const;
    void setTestTime(eTestTimes which, const QDateTime& time);
    stTestTime getTestTimeUsed() const;
    void setTestTimeUsed(const stTestTime& time);
    unsigned long getCapacitanceLoad() const;
    void setCapacitanceLoad(unsigned long value);
    unsigned long long getResistorLoad() const;
    void setResistorLoad(unsigned long long value);
    unsigned long minimalRequiredCapacitance() const;
    unsigned long getFrequencyUsed() const;
    void setFrequencyUsed(unsigned long mHz);
    double getPeriodDuration() const;
    void setPeriodDuration(double seconds);
    bool isNominalVoltageReached() const;
    bool isNominalVoltageSupported() const;
    stExportTestInfo getExportTestInfo() const;
    void setExportTestInfo(const stExportTestInfo& info);
    stExportTestInfo getHistoryTestInfo() const;
    void setHistoryTestInfo(const stExportTestInfo& info);
    QVector<TanDeltaMeasurementValues> getTanDeltaSummary(int phase) const;

    // Phases of a multi-phase tan delta test (TanDelta and MWTStep only).
    void startCurrentPhase();
    void resetCurrentPhase();
    // A new test was configured: its start measures from L1. A test still under way keeps
    // its phases for its record, but no phase follows.
    void newSequenceConfigured();
    // The phase the present test measures: before its output runs, the next of the sequence.
    int tanDeltaPhaseToMeasure() const;
    int lastUsedPhase() const;
    void setLastUsedPhase(int phase);
    bool isTanDeltaWaiting() const;
    bool isTanDeltaFinished() const;
    int tanDeltaPhaseIndex() const;
    // The phases a test stands for: those of a multi-phase sequence measured so far, else
    // those selected.
    int phasesOfSequence() const;

    // --- HV unit, safety circuit, test boost --------------------------------
    stHVUnitState getHVUnitState() const;
    void setHVUnitState(const stHVUnitState& state);
    stHVUnitState getLastHVUnitErrorState() const;
    bool hvStateOk() const;
    stIdentification getHVIdentification() const;
    void setHVIdentification(const stIdentification& id);
    QString getHVCVersion() const;
    QString getHVCSerial() const;
    void setHVCSerial(const QString& serial);
    quint64 getHVUnitParam(eHVUnitParamType type) const;
    void setHVUnitParam(eHVUnitParamType type, quint64 value);
    quint8 getPevantoType() const;
    int hvGeneratorCharacteristics() const;
    bool shuntSwitching() const;
    bool developmentCosRectType() const;
    int tanDeltaMinimum() const;
    void forceHvSourceStatusRefresh();

    SafetyCircuitBits getSafetyCircuitState() const;
    void setSafetyCircuitState(const SafetyCircuitBits& bits);
    void setSafetyCircuitDriverEnabled(bool on);
    bool safetyCircuitDriverEnabled() const;
    SafetyCircuitBits getLastSafetyCircuitError() const;
    bool safetyCircuitErrorOccurred() const;
    // Set as the test's burn mode goes to the unit: with it off a breakdown ends the test.
    void setBurnModeSent(bool on);

    stTBState getTestBoostState() const;
    void setTestBoostState(const stTBState& state, bool force = false);
    stTBData getTestBoostData() const;
    void setTestBoostData(const stTBData& data);
    bool hasVirtualTestBoost() const;

    // Written on the GUI thread, read by the test worker on its own: under the lock.
    Commissioning::CommissioningCfg commissioningConfig() const;
    void setCommissioningConfig(const Commissioning::CommissioningCfg& cfg);

    // --- display and general settings --------------------------------------
    QString getTimeFormat() const;
    void setTimeFormat(const QString& format);
    QString getDateFormat() const;
    void setDateFormat(const QString& format);
    int dblClickTime() const;
    void setDblClickTime(int ms);
    int textScrollSpeed() const;
    void setTextScrollSpeed(int speed);
    int graphUpdateIntervall() const;
    void setGraphUpdateIntervall(int ms);
    int getTanDeltaPrecision() const;
    void setTanDeltaPrecision(int precision);
    QString exportFolder() const;
    void setExportFolder(const QString& folder);
    bool screenshotsEnabled() const;
    bool isSmoothScrolling() const;
    bool calibrationMode() const;
    void setCalibrationMode(bool on);
    QString getPhaseName(int phase) const;
    void setPhaseName(int phase, const QString& name);
    void setDisplayParam(eDisplayParam param, const QVariant& value);
    QVariant getDisplayParam(eDisplayParam param) const;
    QString getCurrentLanguage() const;
    void setCurrentLanguage(const QString& language);
    bool isDevelopmentMode() const;
    eUSBState getUSBState() const;
    void setUSBState(eUSBState state);
    bool isRemoteControlled() const;
    QString peerName() const;
    void setRemoteControlled(bool on, const QString& peer = QString());
    bool setDateTime(qlonglong seconds, int offsetSeconds);
    // Gives the wired connection called name the static IPv4 address; false for any
    // other connection, an address that is not plain dotted decimal, or no manager.
    bool setIp(const QString& name, const QString& address);

    // --- system ------------------------------------------------------------
    QString getSerialNumber() const;
    bool setSerialNumber(const QString& number);
    QString getMACAddress() const;
    QString getHardwareId() const;
    const SystemInfo* getSystemInfo() const { return &m_systemInfo; }
    QString getVersion(int index, bool verbose = false) const;
    const SystemFunctions* getSystemFunctions() const { return &m_sysFuncs; }
    void lockSystemFunction(SystemFunction::eSysFunc func);
    bool serviceMenuLocked() const;
    bool adminMenuLocked() const;
    bool ryxMenuLocked() const;

public slots:
    void receiveAppEvent(eAppEvent event);
    void breakdownSlot();
    void unlockSystemFunction(SystemFunction::eSysFunc func);

signals:
    void appStateChanged(States::AppState oldState, States::AppState newState);
    void updateTimeoutTime(uint ms);
    void operatingModeChanged(OperatingModes::OperatingMode mode);
    void frequencyUsedChanged();
    void frequencyToTestChanged();
    void voltageChanged(long mV);
    // Only the operator's targets of a running test: these go to the unit.
    void targetVoltageConfirmed(long mV);
    void voltageTypeChanged();
    void voltageRangeChanged();
    void voltageStepsChanged();
    void voltageSnapValuesChanged();
    void voltagePolarityChanged(eVoltagePolarity polarity);
    void burnCurrentLimiterChanged(bool on);
    void phasesToTestChanged(int phases);
    void phasesUsedChanged();
    void phaseNameChanged(int phase);
    void testTimeChanged(stTestTime time);
    void updateMeasurementValues(stMeasurementValues value);
    void updatePeriodicMeasurementValues(stPeriodicMeasurementValues value);
    void nominalVoltageReached(bool reached);
    void breakdownSignal();
    void faultValuesChanged(stFaultValues values);
    void newPowerTemperatures(quint32 first, quint32 second);
    void HVStateChanged(stHVUnitState oldState, stHVUnitState newState);
    void hvIdentificationChanged();
    void hvUnitParamChanged(eHVUnitParamType type, quint64 value);
    void refreshHvSourceStatus();
    void outputOffsetToBig();
    void hvOvertemperatureDetected();
    void hvBackfeedDetected();
    void safetyCircuitChanged();
    void TestBoostStateChanged(stTBState oldState, stTBState newState);
    void testBoostStateChanged();
    void adminMenuLockedChanged();
    void serviceMenuLockedChanged();
    void ryxMenuLockedChanged();
    void calibrationModeChanged();
    void tanDeltaPrecisionChanged(int precision);
    void dblClickTimeChanged();
    void textScrollSpeedChanged();
    void graphUpdateIntervallChanged();
    void brightnessChanged(int brightness);
    void screenshotsEnabledChanged();
    void screenshotTrigger();
    void exportFolderChanged();
    void currentLanguageChanged();

private:
    DataModell();
    ~DataModell() override;

    class SettingsPhaseSelect : public IPhaseSelect {
    public:
        explicit SettingsPhaseSelect(const TestSettings* s) : m_settings(s) {}
        int phases() const override { return m_settings->phasesToTest(); }

    private:
        const TestSettings* m_settings;
    };

    void postEvent(eAppEvent event);
    void onStateChanged(States::AppState oldState, States::AppState newState);
    void onStateTimedOut(States::AppState state);
    void checkWaitingState(States::AppState state, const stHVUnitState& hv);
    void recordResult(eTestResult result);
    bool isTanDeltaMode() const;
    void emitVoltageChanged();

    Statemachine* m_sm = nullptr;
    TestSettings m_settings;
    RunningTestData m_testData;
    HVUnitModel m_hv;
    PhaseSequence m_phases;
    bool m_phaseRan = false; // DMThread: the test's output ran since its start
    DisplaySettings m_display;
    SystemInfo m_systemInfo;
    SystemFunctions m_sysFuncs;
    SettingsPhaseSelect m_ownPhaseSelect;
    std::atomic<IPhaseSelect*> m_phaseSelect{nullptr};

    mutable QMutex m_mutex; // guards the members below
    Commissioning::CommissioningCfg m_commissioningCfg;
    quint32 m_lastGoodWord = 0;
    bool m_calibrationMode = false;
    eUSBState m_usbState = USBState_NoStick;
    bool m_remoteControlled = false;
    QString m_peerName;
    mutable QString m_language;
    mutable bool m_languageRead = false;
};
