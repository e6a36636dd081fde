#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <random>

// Behaviour of the simulated HV unit behind the line: answers the commands of the
// protocol from a small physical model. Thread-safe: the simulator's I/O thread
// calls handle(), tests and the program change the model from other threads.
class HvUnitModel {
public:
    struct Identification {
        int firstNumber = 1;
        int secondNumber = 2;
        int firmwareMajor = 1;
        int firmwareMinor = 30;
        QByteArray modelName = "VLF-SIM 45kV";
        int maxRmsKV = 0x2D;
        int secondKV = 0x20;
        uint32_t valueB = 0x1234;
        uint32_t maxFrequencyMHz = 100;
        int maxMinutes = 0x0168;
        uint64_t capability = 0;
    };

    // One write the unit received, its values decoded ('k': parameter code and value),
    // and when (steady clock, ms since its epoch).
    struct Command {
        char letter = 0;
        uint64_t value1 = 0;
        uint64_t value2 = 0;
        qint64 atMs = 0;
    };

    HvUnitModel();

    // One complete request (from '>' to '.'). Returns true for a read command and sets
    // data to the reply's data characters; false for a write (no reply).
    bool handle(const QByteArray& request, QByteArray& data);
    // Firmware bytes expected after a 'p' announcement (0 when none pending).
    int pendingFirmwareBytes() const;
    void firmwareByte(char c);
    QByteArray firmwareImage() const;

    // Configuration and triggers.
    void setIdentification(const Identification& id);
    Identification identification() const;
    void setSerialNumber(const QByteArray& serial);
    void setTemperature(int degrees);
    int temperature() const;
    void setParameter(int code, uint64_t value);
    uint64_t parameter(int code) const;
    void setGains(uint16_t gainU, uint16_t gainI);
    // Parameter 33: the cascades' voltages and currents, from the top 16 bits down.
    void setCascadeValues(int16_t voltageA, int16_t voltageB, int16_t currentA, int16_t currentB);
    // While the cascades are driven (parameter 32 written after the start), 'U' reads the
    // level calibrated by parameters 13/14 (positive) or 17/18 (negative), each a signed
    // 16-bit word / 4096; a hand reading replaces the level's raw voltage (mV).
    void setCascadeReading(int16_t level, int64_t millivolts);
    void clearCascadeReadings();
    // The output current follows the cascades' power envelope instead of the load.
    void setEnvelopeCurrent(bool on);
    void setGainWriteBehaviour(int busyMs, bool fails, bool mangles);
    // Busy (bit 11) this long with work of its own: gains and parameters sent meanwhile
    // are dropped.
    void holdBusy(int ms);
    void setParameterWriteMangled(bool mangled);
    // Each read of this code gives a new value (a status that will not settle).
    void setParameterVolatile(int code, bool on);
    // Reads of this code get a reply of the wrong length.
    void setParameterBroken(int code, bool on);
    // Every reply to this read command is garbled: the unit cannot be read.
    void setReadBroken(char command, bool on);
    void setFirmwareBehaviour(int busyMs, bool fails);
    void setLoad(uint32_t capacitance, uint64_t resistanceMilliOhm);
    void setTanDelta(uint32_t millionths, uint32_t noise);
    void setRampMs(int ms);
    // Test duration the unit reports ('P'); 0: the minutes it was sent. Lets a test of
    // a few seconds run to its end.
    void setTestDurationMs(uint32_t ms);
    // Added to the minutes in 'P' (without a set duration): a unit may count its ramp as
    // part of the test and report 61.4 s for one minute.
    void setReportedRampMs(uint32_t ms);
    // The unit's measurement clock (time stamps of 'U' and 'L') runs this many times
    // faster than real time, so that slow periods pass quickly.
    void setClockScale(int scale);
    void setLoadDetectionFails(bool fails);
    // How long a load detection takes (300 ms unless set; kept over reset()).
    void setLoadDetectionMs(int ms);
    // Result bits (4, 5) the next load detections finish with; 0: good.
    void setLoadDetectionResult(uint32_t bits);
    // The HV-enable line as the unit sees it; without a probe the line counts as on.
    void setHvEnableProbe(std::function<bool()> probe);
    // The operator's "HV on" key: with the line on, the output (state bit 1) comes on.
    void pressHvOn();
    // The key pressed by itself this long after each load-detection request, or as soon
    // after as the line is on; a stop or reset ends the wait. 0: by hand only.
    void setHvOnKeyDelayMs(int ms);
    // Uniform noise of the 'U' voltage, +-millivolts.
    void setVoltageNoise(uint32_t millivolts);
    // After a stop the output falls linearly to 0 over this time, as a charged cable
    // discharges (0: at once; kept over reset()).
    void setDischargeMs(int ms);
    void setStateBits(uint32_t bits);   // permanent extra bits (or-ed into the word)
    void triggerBreakdown();
    void triggerError(uint32_t bits = HVStateBits::Overcurrent);
    // The fault has passed (the unit cooled down): the bits go, as the unit's reset does it.
    void clearError(uint32_t bits);
    void reset();

    // What the unit was told.
    uint32_t stateWord() const;
    int64_t setVoltage() const;
    uint64_t setFrequency() const;
    uint64_t setMinutes() const;
    int modeChar() const;
    // DC polarity as the unit drives it: from the mode, then from the polarity parameter.
    bool outputNegative() const;
    int burnFlags() const;
    QByteArray lastTime() const;
    bool outputOn() const;
    uint16_t gainU() const;
    uint16_t gainI() const;
    // Every write taken since the last clear, oldest first.
    QList<Command> commandLog() const;
    void clearCommandLog();
    // The log, cleared at once: nothing taken meanwhile is lost.
    QList<Command> takeCommandLog();
    int64_t outputVoltage() const;

private:
    using Clock = std::chrono::steady_clock;
    qint64 msSince(Clock::time_point t) const;
    uint32_t stateWordLocked() const;
    int64_t outputVoltageLocked() const;
    int64_t dischargeVoltageLocked() const;
    int64_t measuredVoltageLocked() const;
    bool outputNegativeLocked() const;
    int64_t withNoiseLocked(int64_t u) const;
    bool hvEnabledLocked() const;
    int64_t currentLocked(int64_t voltage) const;
    bool cascadeDrivenLocked() const;
    int64_t cascadeVoltageLocked() const;
    int64_t cascadeCurrentLocked() const;
    uint32_t tanDeltaLocked() const;
    uint64_t frequencyUsedLocked() const;
    void stopOutputLocked();
    void pressHvOnKeyWhenDueLocked(Clock::time_point now);
    QByteArray identText() const;

    mutable std::mutex m_mutex;
    mutable std::mt19937 m_rng { 4711 };
    Identification m_id;
    QByteArray m_serial = "SIM-0000000000000000000001";
    int m_temperature = 24;
    QMap<int, uint64_t> m_params;
    QList<Command> m_commands;
    QMap<int, bool> m_volatile;
    QMap<int, bool> m_broken;
    QMap<char, bool> m_brokenReads;
    uint16_t m_gainU = 10000, m_gainI = 10000;
    int m_gainBusyMs = 200;
    bool m_gainFails = false, m_gainMangles = false, m_paramMangles = false;
    Clock::time_point m_busyUntil {};
    Clock::time_point m_dropWritesUntil {};
    bool m_busyFails = false;
    bool m_failedBit = false;
    int m_fwBusyMs = 1000;
    bool m_fwFails = false;
    int m_fwPending = 0;
    int m_fwSize = 0;
    QByteArray m_fwImage;
    uint32_t m_capacitance = 500;           // nF
    uint64_t m_resistance = 2000000000000ull; // milliohm (2 GOhm)
    uint32_t m_tanDelta = 1500, m_tanNoise = 20;
    int m_rampMs = 3000;
    bool m_loadDetFails = false;
    int m_loadDetMs = 300;
    uint32_t m_loadDetResult = 0;
    std::function<bool()> m_hvEnable;
    bool m_hvOnPressed = false;
    int m_hvOnKeyDelayMs = 0;
    bool m_hvOnKeyPending = false; // the key will be pressed by itself
    uint32_t m_voltageNoise = 0;
    bool m_loadDetected = false;
    bool m_loadDetStarted = false;
    Clock::time_point m_loadDetStart {};
    uint32_t m_extraBits = 0;
    uint32_t m_errorBits = 0;
    int64_t m_voltage = 0;
    uint64_t m_frequency = 100;
    uint64_t m_minutes = 0;
    uint32_t m_testDurationMs = 0;
    uint32_t m_reportedRampMs = 0;
    int m_clockScale = 1;
    uint64_t m_iValue = 0;
    int m_mode = 0;
    int m_burn = 0;
    QByteArray m_time;
    bool m_on = false;
    Clock::time_point m_onSince {};
    int m_dischargeMs = 0;
    int64_t m_dischargeFrom = 0; // the output when it was stopped
    Clock::time_point m_stoppedAt {};
    uint32_t m_stoppedAtMs = 0; // the test clock once the output stopped, until the next start
    Clock::time_point m_start;
    bool m_cascadeDriven = false; // parameter 32 written since the last 'u' or stop
    int16_t m_cascadeLevel = 0;     // units of 100 V
    QMap<int, int64_t> m_cascadeReadings;
    bool m_envelopeCurrent = false;
    int32_t m_faultVoltage = 0;
    uint32_t m_faultTime = 0;
};
