#include "hvsim/HvUnitModel.h"

#include "hvunit/POFCodec.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
QByteArray hex(uint64_t value, int width)
{
    QByteArray out(width, '0');
    POFCodec::valueToHex(value, out.data(), width);
    return out;
}

uint64_t field(const QByteArray& payload, int pos, int width)
{
    return payload.mid(pos, width).toULongLong(nullptr, 16);
}

// A calibration word: signed 16 bits with 12 fraction bits.
double calibrationFactor(uint64_t raw)
{
    return double(int16_t(uint16_t(raw & 0xFFFF))) / 4096.0;
}

// An offset of 1.0 moves the reading by this much (mV).
constexpr double kOffsetScaleMv = 71313000.0;

// The cascades' power envelope: level (100 V) and output current (nA).
constexpr int64_t kEnvelope[][2] = {
    { 50, 46000000 }, { 100, 45000000 }, { 150, 44000000 }, { 200, 41000000 },
    { 250, 37000000 }, { 300, 32000000 }, { 350, 25000000 }, { 400, 11000000 },
};

int64_t envelopeCurrent(int level)
{
    const int64_t v = std::abs(level);
    constexpr int n = int(sizeof(kEnvelope) / sizeof(kEnvelope[0]));
    if (v <= kEnvelope[0][0])
        return kEnvelope[0][1];
    for (int i = 1; i < n; ++i) {
        if (v <= kEnvelope[i][0]) {
            const int64_t v0 = kEnvelope[i - 1][0], i0 = kEnvelope[i - 1][1];
            return i0 + (kEnvelope[i][1] - i0) * (v - v0) / (kEnvelope[i][0] - v0);
        }
    }
    return kEnvelope[n - 1][1];
}

HvUnitModel::Command decodeWrite(char letter, const QByteArray& payload)
{
    HvUnitModel::Command c;
    c.letter = letter;
    switch (letter) {
    case 'k': c.value1 = field(payload, 0, 2); c.value2 = field(payload, 2, 16); break;
    case 'q': c.value1 = field(payload, 0, 4); c.value2 = field(payload, 4, 4); break;
    case 'u': c.value1 = uint64_t(int64_t(int32_t(uint32_t(field(payload, 0, 8))))); break;
    case 'z': break; // the date and time: lastTime() has them
    default:
        if (!payload.isEmpty())
            c.value1 = field(payload, 0, payload.size());
        break;
    }
    return c;
}
} // namespace

HvUnitModel::HvUnitModel() : m_start(Clock::now())
{
    // A few parameters with plausible contents; unknown codes answer with code FF.
    for (int code = 3; code <= 35; ++code)
        m_params.insert(code, 1000 + code);
    // The cascades' voltage calibration: gain 1, offset 0.
    m_params[13] = m_params[17] = 4096;
    m_params[14] = m_params[18] = 0;
    m_params[12] = 0;      // source status
    m_params[24] = 0x0203; // source version
}

qint64 HvUnitModel::msSince(Clock::time_point t) const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

QByteArray HvUnitModel::identText() const
{
    QByteArray name = m_id.modelName.left(20);
    name += QByteArray(20 - name.size(), ' ');
    QByteArray t;
    t += hex(m_id.firstNumber, 2) + hex(m_id.secondNumber, 2) + hex(m_id.firmwareMajor, 2)
        + hex(m_id.firmwareMinor, 2) + name + hex(m_id.maxRmsKV, 4) + hex(m_id.secondKV, 4)
        + hex(m_id.valueB, 8) + hex(m_id.maxFrequencyMHz, 8) + hex(m_id.maxMinutes, 4)
        + hex(m_id.capability, 16) + QByteArray(8, '0');
    return t;
}

int64_t HvUnitModel::outputVoltageLocked() const
{
    if (!m_on)
        return dischargeVoltageLocked();
    if (!hvEnabledLocked())
        return 0;
    const qint64 t = msSince(m_onSince);
    if (m_rampMs <= 0 || t >= m_rampMs)
        return m_voltage;
    return int64_t(double(m_voltage) * double(t) / double(m_rampMs));
}

int64_t HvUnitModel::dischargeVoltageLocked() const
{
    const qint64 t = msSince(m_stoppedAt);
    if (m_dischargeMs <= 0 || t >= m_dischargeMs)
        return 0;
    return int64_t(double(m_dischargeFrom) * double(m_dischargeMs - t) / double(m_dischargeMs));
}

bool HvUnitModel::hvEnabledLocked() const
{
    return !m_hvEnable || m_hvEnable();
}

int64_t HvUnitModel::measuredVoltageLocked() const
{
    // The reading scales with the U gain and carries the DC polarity.
    int64_t u = int64_t(std::llround(double(outputVoltageLocked()) * m_gainU / 10000.0));
    if (outputNegativeLocked())
        u = -u;
    return withNoiseLocked(u);
}

bool HvUnitModel::outputNegativeLocked() const
{
    // The polarity parameter (bit 16 positive, bit 17 negative) overrides the mode.
    const uint64_t polarity = m_params.value(35);
    if (polarity & (1u << 16))
        return false;
    if (polarity & (1u << 17))
        return true;
    return m_mode == '-';
}

int64_t HvUnitModel::withNoiseLocked(int64_t u) const
{
    if (m_voltageNoise != 0 && u != 0) {
        std::uniform_int_distribution<int64_t> d(-int64_t(m_voltageNoise), int64_t(m_voltageNoise));
        u += d(m_rng);
    }
    return u;
}

bool HvUnitModel::cascadeDrivenLocked() const
{
    return m_cascadeDriven && m_on && hvEnabledLocked();
}

int64_t HvUnitModel::cascadeVoltageLocked() const
{
    const double raw = double(m_cascadeReadings.value(m_cascadeLevel, int64_t(m_cascadeLevel) * 100000));
    const bool positive = m_cascadeLevel >= 0;
    const double gain = calibrationFactor(m_params.value(positive ? 13 : 17));
    const double offset = calibrationFactor(m_params.value(positive ? 14 : 18));
    const double magnitude = gain * std::abs(raw) + offset * kOffsetScaleMv;
    return int64_t(std::llround(positive ? magnitude : -magnitude));
}

int64_t HvUnitModel::cascadeCurrentLocked() const
{
    if (!m_envelopeCurrent)
        return currentLocked(std::abs(cascadeVoltageLocked()));
    const int64_t i = envelopeCurrent(m_cascadeLevel);
    return m_cascadeLevel >= 0 ? i : -i;
}

uint64_t HvUnitModel::frequencyUsedLocked() const
{
    // Pinpointing pulses DC: its rate is not the VLF source's frequency.
    if (m_mode == 'p' && m_frequency != 0)
        return m_frequency;
    // Larger loads need a lower frequency: the source delivers a limited current.
    uint64_t fmax = m_id.maxFrequencyMHz;
    if (m_capacitance > 1000)
        fmax = std::max<uint64_t>(1, fmax * 1000 / m_capacitance);
    if (m_frequency == 0 || m_frequency > fmax)
        return fmax;
    return m_frequency;
}

int64_t HvUnitModel::currentLocked(int64_t voltage) const
{
    const double u = double(voltage) / 1000.0; // V
    double amps = 0;
    const bool dc = (m_mode == '+' || m_mode == '-' || m_mode == 't' || m_mode == 'p');
    if (!dc)
        amps += 2.0 * M_PI * (double(frequencyUsedLocked()) / 1000.0) * (double(m_capacitance) * 1e-9) * u;
    if (m_resistance > 0)
        amps += u / (double(m_resistance) / 1000.0);
    return int64_t(std::llround(amps * 1e9));
}

uint32_t HvUnitModel::tanDeltaLocked() const
{
    if (m_tanNoise == 0)
        return m_tanDelta;
    std::uniform_int_distribution<int64_t> d(-int64_t(m_tanNoise), int64_t(m_tanNoise));
    const int64_t v = int64_t(m_tanDelta) + d(m_rng);
    return uint32_t(std::max<int64_t>(0, v));
}

uint32_t HvUnitModel::stateWordLocked() const
{
    uint32_t w = m_extraBits | m_errorBits;
    // Without the HV-enable line the generator stays off, whatever it was told.
    const bool enabled = hvEnabledLocked();
    if (enabled && m_hvOnPressed)
        w |= HVStateBits::OutputOn;
    if (enabled && m_on) {
        w |= HVStateBits::OutputOn;
        if (outputVoltageLocked() != 0)
            w |= HVStateBits::TestVoltageOn; // never bit 16: that one is in the fault mask
        if (msSince(m_onSince) >= m_rampMs)
            w |= HVStateBits::NominalVoltageReached;
    }
    if (m_loadDetStarted && msSince(m_loadDetStart) >= m_loadDetMs)
        w |= HVStateBits::LoadDetectionFinished | (m_loadDetFails ? HVStateBits::LoadResultError1 : 0u) | m_loadDetResult;
    if (Clock::now() < m_busyUntil || m_fwPending > 0)
        w |= HVStateBits::Busy;
    else if (m_busyFails)
        w |= HVStateBits::BusyFailed;
    if (m_temperature >= 75)
        w |= HVStateBits::Overtemperature;
    return w;
}

void HvUnitModel::stopOutputLocked()
{
    // The samples after a stop keep the time the test ran, as a unit's test clock does.
    if (m_on) {
        m_stoppedAtMs = uint32_t(msSince(m_onSince) * m_clockScale);
        m_dischargeFrom = outputVoltageLocked();
        m_stoppedAt = Clock::now();
    }
    m_on = false;
    m_cascadeDriven = false;
    m_hvOnPressed = false;
    m_hvOnKeyPending = false;
}

void HvUnitModel::pressHvOnKeyWhenDueLocked(Clock::time_point now)
{
    // As an operator would: a press while the line is off does nothing, so wait for it.
    if (m_hvOnKeyPending && now - m_loadDetStart >= std::chrono::milliseconds(m_hvOnKeyDelayMs) && hvEnabledLocked()) {
        m_hvOnPressed = true;
        m_hvOnKeyPending = false;
    }
}

bool HvUnitModel::handle(const QByteArray& request, QByteArray& data)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    data.clear();
    if (request.size() < 3)
        return false;
    const char cmd = request.at(1);
    const QByteArray payload = request.mid(2, request.size() - 3);
    const auto now = Clock::now();
    pressHvOnKeyWhenDueLocked(now);
    if (cmd >= 'a' && cmd <= 'z') {
        m_commands.append(decodeWrite(cmd, payload));
        m_commands.last().atMs = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    }
    if ((cmd == 'q' || cmd == 'k') && now < m_dropWritesUntil)
        return false;
    if (m_brokenReads.value(cmd)) {
        data = "?";
        return true;
    }
    switch (cmd) {
    case 'C':
        data = hex(m_capacitance, 8);
        return true;
    case 'F':
        data = hex(frequencyUsedLocked(), 8);
        return true;
    case 'H':
        data = hex(uint8_t(int8_t(m_temperature)), 2);
        return true;
    case 'I':
        data = identText();
        return true;
    case 'K': {
        const int code = int(field(payload, 0, 2));
        if (payload.size() != 2 || !m_params.contains(code))
            data = "FF" + hex(0, 16);
        else if (code == 33 && cascadeDrivenLocked()) {
            // The driven cascade carries the output current (units of 0.1 mA).
            const uint64_t i = uint16_t(std::min<int64_t>(std::abs(cascadeCurrentLocked()) / 100000, 32767));
            const uint64_t currents = m_cascadeLevel >= 0 ? (i << 16) : i;
            data = hex(code, 2) + hex((m_params.value(code) & 0xFFFFFFFF00000000ull) | currents, 16);
        } else
            data = hex(code, 2) + hex(m_params.value(code), 16);
        if (m_volatile.value(code))
            ++m_params[code];
        if (m_broken.value(code))
            data.chop(1);
        return true;
    }
    case 'L': {
        const int64_t u = outputVoltageLocked();
        const int64_t i = m_resistance ? int64_t(std::llround(double(u) / double(m_resistance) * 1e9)) : 0;
        data = hex(uint32_t(int32_t(u)), 8) + hex(uint64_t(i), 16) + hex(uint32_t(msSince(m_start) * m_clockScale), 8);
        return true;
    }
    case 'M': {
        const int64_t u = outputVoltageLocked();
        data = hex(uint32_t(int32_t(u)), 8) + hex(uint64_t(currentLocked(u)), 16) + hex(tanDeltaLocked(), 8);
        return true;
    }
    case 'N': {
        QByteArray s = m_serial.left(25);
        data = s + QByteArray(25 - s.size(), ' ');
        return true;
    }
    case 'P': {
        const uint64_t ramp = m_minutes != 0 ? m_reportedRampMs : 0;
        data = hex(m_testDurationMs != 0 ? uint64_t(m_testDurationMs) : m_minutes * 60000ull + ramp, 8);
        return true;
    }
    case 'Q':
        data = hex(m_gainU, 4) + hex(m_gainI, 4);
        return true;
    case 'R':
        data = hex(m_resistance, 16);
        return true;
    case 'U': {
        const bool cascade = cascadeDrivenLocked();
        const int64_t u = cascade ? withNoiseLocked(cascadeVoltageLocked()) : measuredVoltageLocked();
        const int64_t i = cascade ? cascadeCurrentLocked() : currentLocked(std::abs(u));
        data = hex(uint32_t(int32_t(u)), 8) + hex(uint64_t(i), 16)
            + hex(m_on ? uint32_t(msSince(m_onSince) * m_clockScale) : m_stoppedAtMs, 8);
        return true;
    }
    case 'V':
        data = hex(uint32_t(m_faultVoltage), 8) + hex(m_faultTime, 8);
        return true;
    case 'W':
        data = hex(stateWordLocked(), 8);
        return true;

    case 'b': m_burn = int(field(payload, 0, 2)); return false;
    case 'f': m_frequency = field(payload, 0, 8); return false;
    case 'i': m_iValue = field(payload, 0, 16); return false;
    case 'k': {
        const int code = int(field(payload, 0, 2));
        const uint64_t v = field(payload, 2, 16);
        m_params[code] = m_paramMangles ? (v ^ 1u) : v;
        if (code == 32) {
            // The cascades reach a new level at once: the positive one for a positive
            // level, the negative one (as a magnitude) otherwise; the currents stay.
            const int16_t level = int16_t(uint16_t(v >> 32));
            m_cascadeLevel = level;
            m_cascadeDriven = m_on;
            const uint64_t a = uint16_t(level >= 0 ? level : 0), b = uint16_t(level >= 0 ? 0 : -level);
            m_params[33] = (a << 48) | (b << 32) | (m_params.value(33) & 0xFFFFFFFFull);
        }
        return false;
    }
    case 'l':
        m_loadDetStarted = true;
        m_loadDetStart = now;
        m_hvOnKeyPending = m_hvOnKeyDelayMs > 0;
        return false;
    case 'm': m_mode = int(field(payload, 0, 2)); return false;
    case 'o':
    case 's':
        stopOutputLocked();
        return false;
    case 'x':
        m_errorBits = 0;
        return false;
    case 'p':
        m_fwSize = int(field(payload, 2, 8));
        m_fwPending = m_fwSize;
        m_fwImage.clear();
        m_busyFails = false;
        return false;
    case 'q':
        m_gainU = uint16_t(field(payload, 0, 4) + (m_gainMangles ? 1 : 0));
        m_gainI = uint16_t(field(payload, 4, 4));
        m_busyUntil = now + std::chrono::milliseconds(m_gainBusyMs);
        m_busyFails = m_gainFails;
        return false;
    case 'r':
        if (!m_on && hvEnabledLocked()) {
            m_on = true;
            m_onSince = now;
        }
        m_errorBits &= ~uint32_t(HVStateBits::Breakdown);
        return false;
    case 't': m_minutes = field(payload, 0, 4); return false;
    case 'u':
        m_voltage = int64_t(int32_t(uint32_t(field(payload, 0, 8))));
        m_cascadeDriven = false;
        return false;
    case 'y':
        stopOutputLocked();
        m_stoppedAtMs = 0;
        m_errorBits = 0;
        m_loadDetStarted = false;
        m_busyFails = false;
        return false;
    case 'z': m_time = payload; return false;
    default:
        return false;
    }
}

int HvUnitModel::pendingFirmwareBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fwPending;
}

void HvUnitModel::firmwareByte(char c)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_fwPending <= 0)
        return;
    m_fwImage.append(c);
    if (--m_fwPending == 0) {
        m_busyUntil = Clock::now() + std::chrono::milliseconds(m_fwBusyMs);
        m_busyFails = m_fwFails;
    }
}

QByteArray HvUnitModel::firmwareImage() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fwImage;
}

void HvUnitModel::setIdentification(const Identification& id) { std::lock_guard<std::mutex> l(m_mutex); m_id = id; }
HvUnitModel::Identification HvUnitModel::identification() const { std::lock_guard<std::mutex> l(m_mutex); return m_id; }
void HvUnitModel::setSerialNumber(const QByteArray& serial) { std::lock_guard<std::mutex> l(m_mutex); m_serial = serial; }
void HvUnitModel::setTemperature(int degrees) { std::lock_guard<std::mutex> l(m_mutex); m_temperature = degrees; }
int HvUnitModel::temperature() const { std::lock_guard<std::mutex> l(m_mutex); return m_temperature; }
void HvUnitModel::setParameter(int code, uint64_t value) { std::lock_guard<std::mutex> l(m_mutex); m_params[code] = value; }
uint64_t HvUnitModel::parameter(int code) const { std::lock_guard<std::mutex> l(m_mutex); return m_params.value(code); }
void HvUnitModel::setGains(uint16_t u, uint16_t i) { std::lock_guard<std::mutex> l(m_mutex); m_gainU = u; m_gainI = i; }
void HvUnitModel::setCascadeValues(int16_t voltageA, int16_t voltageB, int16_t currentA, int16_t currentB)
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_params[33] = (uint64_t(uint16_t(voltageA)) << 48) | (uint64_t(uint16_t(voltageB)) << 32)
        | (uint64_t(uint16_t(currentA)) << 16) | uint64_t(uint16_t(currentB));
}
QList<HvUnitModel::Command> HvUnitModel::commandLog() const { std::lock_guard<std::mutex> l(m_mutex); return m_commands; }
void HvUnitModel::clearCommandLog() { std::lock_guard<std::mutex> l(m_mutex); m_commands.clear(); }

QList<HvUnitModel::Command> HvUnitModel::takeCommandLog()
{
    std::lock_guard<std::mutex> l(m_mutex);
    QList<Command> taken;
    taken.swap(m_commands);
    return taken;
}

void HvUnitModel::setParameterWriteMangled(bool m) { std::lock_guard<std::mutex> l(m_mutex); m_paramMangles = m; }
void HvUnitModel::setParameterVolatile(int code, bool on) { std::lock_guard<std::mutex> l(m_mutex); m_volatile[code] = on; }
void HvUnitModel::setParameterBroken(int code, bool on) { std::lock_guard<std::mutex> l(m_mutex); m_broken[code] = on; }
void HvUnitModel::setReadBroken(char command, bool on) { std::lock_guard<std::mutex> l(m_mutex); m_brokenReads[command] = on; }
void HvUnitModel::setLoadDetectionResult(uint32_t bits) { std::lock_guard<std::mutex> l(m_mutex); m_loadDetResult = bits & (HVStateBits::LoadResultError1 | HVStateBits::LoadResultError2); }
void HvUnitModel::setHvEnableProbe(std::function<bool()> probe) { std::lock_guard<std::mutex> l(m_mutex); m_hvEnable = std::move(probe); }
void HvUnitModel::setVoltageNoise(uint32_t mv) { std::lock_guard<std::mutex> l(m_mutex); m_voltageNoise = mv; }
void HvUnitModel::setDischargeMs(int ms) { std::lock_guard<std::mutex> l(m_mutex); m_dischargeMs = std::max(ms, 0); }
uint16_t HvUnitModel::gainU() const { std::lock_guard<std::mutex> l(m_mutex); return m_gainU; }
uint16_t HvUnitModel::gainI() const { std::lock_guard<std::mutex> l(m_mutex); return m_gainI; }

void HvUnitModel::pressHvOn()
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (hvEnabledLocked())
        m_hvOnPressed = true;
}

void HvUnitModel::setHvOnKeyDelayMs(int ms) { std::lock_guard<std::mutex> l(m_mutex); m_hvOnKeyDelayMs = std::max(ms, 0); }
void HvUnitModel::setLoadDetectionFails(bool f) { std::lock_guard<std::mutex> l(m_mutex); m_loadDetFails = f; }
void HvUnitModel::setStateBits(uint32_t bits) { std::lock_guard<std::mutex> l(m_mutex); m_extraBits = bits; }
void HvUnitModel::setRampMs(int ms) { std::lock_guard<std::mutex> l(m_mutex); m_rampMs = ms; }
void HvUnitModel::setLoadDetectionMs(int ms) { std::lock_guard<std::mutex> l(m_mutex); m_loadDetMs = ms; }
void HvUnitModel::setTestDurationMs(uint32_t ms) { std::lock_guard<std::mutex> l(m_mutex); m_testDurationMs = ms; }
void HvUnitModel::setReportedRampMs(uint32_t ms) { std::lock_guard<std::mutex> l(m_mutex); m_reportedRampMs = ms; }
void HvUnitModel::setClockScale(int scale) { std::lock_guard<std::mutex> l(m_mutex); m_clockScale = scale < 1 ? 1 : scale; }

void HvUnitModel::setGainWriteBehaviour(int busyMs, bool fails, bool mangles)
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_gainBusyMs = busyMs;
    m_gainFails = fails;
    m_gainMangles = mangles;
}

void HvUnitModel::holdBusy(int ms)
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_dropWritesUntil = Clock::now() + std::chrono::milliseconds(ms);
    m_busyUntil = std::max(m_busyUntil, m_dropWritesUntil);
    m_busyFails = false;
}

void HvUnitModel::setFirmwareBehaviour(int busyMs, bool fails)
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_fwBusyMs = busyMs;
    m_fwFails = fails;
}

void HvUnitModel::setLoad(uint32_t capacitance, uint64_t resistanceMilliOhm)
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_capacitance = capacitance;
    m_resistance = resistanceMilliOhm;
}

void HvUnitModel::setTanDelta(uint32_t millionths, uint32_t noise)
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_tanDelta = millionths;
    m_tanNoise = noise;
}

void HvUnitModel::triggerBreakdown()
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_faultVoltage = int32_t(outputVoltageLocked());
    m_faultTime = m_on ? uint32_t(msSince(m_onSince)) : 0;
    m_errorBits |= HVStateBits::Breakdown;
    stopOutputLocked();
    m_dischargeFrom = 0; // the breakdown has discharged the cable
}

void HvUnitModel::triggerError(uint32_t bits)
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_errorBits |= bits;
    stopOutputLocked();
}

void HvUnitModel::clearError(uint32_t bits)
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_errorBits &= ~bits;
}

void HvUnitModel::setCascadeReading(int16_t level, int64_t mv) { std::lock_guard<std::mutex> l(m_mutex); m_cascadeReadings[level] = mv; }
void HvUnitModel::clearCascadeReadings() { std::lock_guard<std::mutex> l(m_mutex); m_cascadeReadings.clear(); }
void HvUnitModel::setEnvelopeCurrent(bool on) { std::lock_guard<std::mutex> l(m_mutex); m_envelopeCurrent = on; }

void HvUnitModel::reset()
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_on = false;
    m_stoppedAtMs = 0;
    m_dischargeFrom = 0;
    m_cascadeDriven = false;
    m_cascadeReadings.clear();
    m_envelopeCurrent = false;
    m_hvOnPressed = false;
    m_hvOnKeyPending = false;
    m_loadDetResult = 0;
    m_voltageNoise = 0;
    m_errorBits = 0;
    m_extraBits = 0;
    m_loadDetStarted = false;
    m_busyUntil = {};
    m_dropWritesUntil = {};
    m_busyFails = false;
    m_fwPending = 0;
    m_fwImage.clear();
    m_volatile.clear();
    m_broken.clear();
    m_brokenReads.clear();
    m_paramMangles = false;
    m_gainBusyMs = 200;
    m_gainFails = m_gainMangles = false;
    m_fwBusyMs = 1000;
    m_fwFails = false;
}

uint32_t HvUnitModel::stateWord() const { std::lock_guard<std::mutex> l(m_mutex); return stateWordLocked(); }
int64_t HvUnitModel::setVoltage() const { std::lock_guard<std::mutex> l(m_mutex); return m_voltage; }
uint64_t HvUnitModel::setFrequency() const { std::lock_guard<std::mutex> l(m_mutex); return m_frequency; }
uint64_t HvUnitModel::setMinutes() const { std::lock_guard<std::mutex> l(m_mutex); return m_minutes; }
int HvUnitModel::modeChar() const { std::lock_guard<std::mutex> l(m_mutex); return m_mode; }
bool HvUnitModel::outputNegative() const { std::lock_guard<std::mutex> l(m_mutex); return outputNegativeLocked(); }
int HvUnitModel::burnFlags() const { std::lock_guard<std::mutex> l(m_mutex); return m_burn; }
QByteArray HvUnitModel::lastTime() const { std::lock_guard<std::mutex> l(m_mutex); return m_time; }
bool HvUnitModel::outputOn() const { std::lock_guard<std::mutex> l(m_mutex); return m_on; }
int64_t HvUnitModel::outputVoltage() const { std::lock_guard<std::mutex> l(m_mutex); return outputVoltageLocked(); }
