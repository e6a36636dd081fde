#pragma once

#include "hvunit/HFStateSubscriber.h"
#include "hvunit/IHVDataModel.h"
#include "hvunit/TSerial.h"

#include "datamodel/InstrumentTypes.h"
#include "logging/MessageCategories.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

class OwedUnitWrites;
class QTimer;

// Gain calibration of the unit, scaled by 10 000 (10 000 = factor 1.000).
struct stGainCalibration {
    quint16 gainU = 10000;
    quint16 gainI = 10000;
};

// The application's single object for the HV unit: the command protocol on top of
// the serial line, the state poll and the operations built on them. Lives on its own
// thread; transactions may be called from other threads under the link mutex.
class TPOF : public QObject {
    Q_OBJECT
public:
    // Each value is the ASCII code of the command letter.
    enum eCommandCode : int {
        CMD_LoadCapacitance = 'C',
        CMD_MaxFrequency = 'F',
        CMD_Temperature = 'H',
        CMD_Identification = 'I',
        CMD_GetParameter = 'K',
        CMD_LeakageValues = 'L',
        CMD_PeriodicValues = 'M',
        CMD_SerialNumber = 'N',
        CMD_TestDuration = 'P',
        CMD_GetGains = 'Q',
        CMD_LoadResistance = 'R',
        CMD_MeasurementValues = 'U',
        CMD_FaultValues = 'V',
        CMD_StateWord = 'W',
        CMD_BurnMode = 'b',
        CMD_Frequency = 'f',
        CMD_SetI = 'i',
        CMD_SetParameter = 'k',
        CMD_StartLoadDetection = 'l',
        CMD_Mode = 'm',
        CMD_StopSoft = 'o',
        CMD_FirmwareDownload = 'p',
        CMD_SetGains = 'q',
        CMD_Start = 'r',
        CMD_Stop = 's',
        CMD_TestMinutes = 't',
        CMD_Voltage = 'u',
        CMD_StopAck = 'x',
        CMD_Reboot = 'y',
        CMD_DateTime = 'z',
    };
    Q_ENUM(eCommandCode)

    // The reply of the current transaction.
    struct POF_Response {
        eCommandCode expected = CMD_StateWord;
        unsigned long long* values = nullptr;
        unsigned short capacity = 0;
        unsigned short count = 0;
        char buffer[128] = {};
        unsigned short length = 0;
        const char* data = nullptr;
        unsigned short dataCount = 0;
        const char* crc = nullptr;
    };

    enum : int { Ok = 0, ErrLink = -100, ErrArgument = -200, ErrFirmware = -300 };

    // Makes the state subscriber that receives the poll whenever no other one is installed.
    using SubscriberFactory = std::function<std::unique_ptr<HFStateSubscriber>()>;

    // data and defaultSub are required: the link keeps no instrument model of its own.
    TPOF(std::unique_ptr<IHVDataModel> data, SubscriberFactory defaultSub, QObject* parent = nullptr);
    ~TPOF() override;

    int GetValue(eCommandCode code, unsigned long long* values, unsigned short capacity,
                 unsigned short* count, bool longBudget = false,
                 const QList<unsigned long long>* payload = nullptr);
    int SetValue(eCommandCode code, unsigned long long value1 = 0, unsigned long long value2 = 0);
    int GetString(eCommandCode code, char* buffer, unsigned short size);
    bool ExecCmd(int code);

    static unsigned long long HEXString2uLongLong(const char* chars, int count);
    static int uLongLong2HEXString(unsigned long long value, char* buffer, int width);
    static unsigned short Create_CRC16(const char* data, int length);
    static bool Test_CRC16(const char* data, int length, const char* crc);
    bool FilterResponse();
    bool ParseResponse();
    bool checkPOFCommandCompatibility(eCommandCode code) const;
    bool setComError(bool flag);

    int GetIdentification();
    bool GetTemperature(qint8* degrees);
    qint8 startupTemperature() const { return m_startupTemperature; }

    // Parameters of the unit.
    static int getPOFParamCode(eHVUnitParamType type);
    static QString getHVUnitParamName(eHVUnitParamType type);
    static const QList<eHVUnitParamType>& HVUnitParams();
    int GetParameter(eHVUnitParamType type, unsigned long long* value);
    int SetParameter(eHVUnitParamType type, unsigned long long value);
    // Writes the gains and checks them: the unit busy (bit 11) until it took them, no
    // failure (bit 12), both read back the same. Tells no one; the codes below.
    int writeGainCalibration(const stGainCalibration& gains);
    // The same, for the calibration view: a read-back that differs is shown to the operator.
    int setGainCalibration(const stGainCalibration& gains);

    // Control of the unit.
    void setHVAutoCheck(bool on);
    bool hvAutoCheck() const { return m_autoPoll; }
    bool StartTest();
    int StopTest(SKP_Pevanto_StopFlags flags);
    bool StartLoadDetection();
    bool testVoltageActive() const { return m_testVoltage; }
    bool updateInProgress() const { return m_updateInProgress; }
    bool longBudget() const { return m_longBudget; }

    // Firmware transfer.
    unsigned getUpdateState();
    bool InitUpdate(int type, unsigned size, unsigned crc);
    unsigned writeHVCUpdate();

    enum eUpdateState : unsigned {
        UpdateOk = 0,
        UpdateNothing = 13,
        UpdateFailed = 15,
        UpdateBusyTimeout = 16,
        UpdateRejected = 17,
        UpdateBadArguments = 20,
    };

    enum : int { ErrCalibrationFailed = -400, ErrBusy = -500, ErrReadBack = -600, ErrNotWritable = -700 };

    // A null sub, like resetHVSub(), installs a fresh default subscriber.
    void setHVSub(std::unique_ptr<HFStateSubscriber> sub);
    void resetHVSub();
    std::shared_ptr<HFStateSubscriber> sub() const;
    IHVDataModel* dataModel() const { return m_data.get(); }
    // What the unit is still owed by the commissioning procedures; a child of the link.
    OwedUnitWrites* owedWrites() const { return m_owed; }
    // False from a lost-link report until the next good poll.
    bool linkUp() const { return !m_linkDown; }
    // Which unit answers: its serial number as last read, and its model and hardware
    // numbers from its identification; empty before they were read.
    QString unitSerial() const;
    QString unitHardwareId() const;
    TSerial& serial() { return *m_serial; }
    // Source of the local time sent with 'z' (the system clock unless replaced).
    void setLocalTimeSource(std::function<QDateTime()> now) { m_now = std::move(now); }
    // Steady milliseconds of the pauses inside operations (after a calibration write,
    // between a gain's polls), the firmware transfer's busy limit and the wait for a
    // rebooted unit (Heartbeat::now unless replaced on the link's thread while none
    // runs): a test passes them on a faster clock. rate: how many of its milliseconds
    // pass in a real one; the state poll's period is shortened by it.
    void setSteadyClock(std::function<qint64()> nowMs, int rate = 1);
    qint64 steadyMs() const { return m_steady(); }
    int steadyRate() const { return m_steadyRate; }
    // Steady milliseconds of the time-outs that pass while the unit is silent: the state
    // word's budgets, the line's send time-outs and resets (real time unless replaced on
    // the link's thread while no transaction runs). A test passes them faster only while
    // it keeps the unit silent: at full length they bear a late echo.
    void setTimeoutClock(std::function<qint64()> nowMs) { m_serial->setSteadyClock(std::move(nowMs)); }
    static constexpr int UpdateBusyLimitMs = 30000;
    static constexpr int RebootWaitMs = 4000;

    // The state poll's period, less the poll's own duration.
    static constexpr int PollPeriodMs = 250;
    // Budgets of the state-word read.
    static constexpr int ShortBudgetMs = 200;
    static constexpr int LongBudgetMs = 600;
    static constexpr int Attempts = 3;

public slots:
    bool GetHVState();
    void appStateChanged(States::AppState oldState, States::AppState newState);
    void sendHVCUpdate(const QString& fileName, int type, uint size, uint crc);
    void voltageChanged(long voltage);
    bool rebootHVUnit();
    bool setHVUnitParamValue(eHVUnitParamType type, qulonglong value);
    bool refreshHVUnitParams(const QList<eHVUnitParamType>& types);
    bool refreshHVUnitParams();
    bool GetHVSourceState();
    bool InitHVUnit();

signals:
    void sendAppEvent(eAppEvent event);
    void finishedHVUpdate();
    void showMessageDlg(MessageCategories category, const QString& context, const QString& key,
                        bool cancelButton, bool okButton);
    // The link went down or came back; the window shows it.
    void communicationDown(bool down);

private:
    // Keeps a frame of the codec as the request; false for an empty (refused) one.
    bool setRequest(const QByteArray& frame);
    bool sendRequest(int timeoutMs);
    int exchange(bool longBudget);
    int receiveFrame();
    void queueStatePoll();
    int failed(int rc);
    // Tells the user interface when the link goes down or comes back.
    void showLinkState(bool down);
    // A wait inside an operation; runs no events on the link's own thread.
    void pause(int ms);
    void armPollTimer();
    bool startUp();
    QString paramValueText(eHVUnitParamType type, unsigned long long value) const;

    // Holds the link mutex for one transaction, which shows the watchdog that the thread
    // is alive while it keeps its bound.
    class LinkLock;
    // The longest a transaction can take without a hang: each try's send passes within
    // its time-out, and the reply frame's limit when it reads.
    static int transactionBoundMs(int sendTimeoutMs, bool reply);

    // Marks a sequence that polls the state itself: queued polls are not needed meanwhile.
    struct OwnPolls {
        explicit OwnPolls(TPOF& p) : pof(p) { ++pof.m_ownPolls; }
        ~OwnPolls() { --pof.m_ownPolls; }
        TPOF& pof;
    };

    std::unique_ptr<TSerial> m_serial;
    QMutex m_linkMutex;
    std::atomic<qint64> m_linkHeldUntil { 0 }; // the bound of the transaction holding it
    QByteArray m_request;
    POF_Response m_response;
    std::atomic<bool> m_updateInProgress { false };
    std::shared_ptr<HFStateSubscriber> m_sub; // only through sub() and setHVSub()
    std::unique_ptr<IHVDataModel> m_data;
    SubscriberFactory m_defaultSub;
    std::atomic<bool> m_longBudget { true };
    QTimer* m_pollTimer = nullptr;
    OwedUnitWrites* m_owed = nullptr;
    bool m_autoPoll = false;
    QElapsedTimer m_pollClock;
    bool m_timingWarning = true;
    std::atomic<bool> m_testVoltage { false };
    // Whether the unit's output was started and neither stopped nor broken down since;
    // guarded by m_targetMutex, which a target holds from this check to its 'u'.
    QMutex m_targetMutex;
    bool m_outputStarted = false;
    // Written on the link's thread, read and reset by the update procedure on the GUI thread.
    std::atomic<unsigned> m_updateState { UpdateNothing };
    std::atomic<bool> m_pollPending { false };
    std::atomic<int> m_ownPolls { 0 };
    std::function<QDateTime()> m_now;
    std::function<qint64()> m_steady;
    int m_steadyRate = 1;
    qint8 m_startupTemperature = 0;
    bool m_haveStartupTemperature = false;
    // What the operator was last told of the link, so each change is told once.
    std::atomic<bool> m_linkDownShown { false };
    // Set by every lost-link report, cleared by the next good poll.
    std::atomic<bool> m_linkDown { false };
    // The next good poll looks whether the unit runs its output unasked: at each start-up
    // and after each lost link.
    std::atomic<bool> m_lookForOutput { true };
    bool m_paramsRead = false;
    mutable QMutex m_serialMutex; // guards the one below
    QString m_unitSerial;
};
