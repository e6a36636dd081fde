#include "hvunit/TPOF.h"

#include "hvunit/OwedUnitWrites.h"
#include "hvunit/POFCodec.h"

#include "core/GlobalFuncs.h"
#include "core/Heartbeat.h"
#include "core/Locked.h"
#include "core/ValueConverter.h"
#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace {
constexpr const char* kClass = "TPOF";

int replyDigits(TPOF::eCommandCode code) { return POFCodec::replyDigits(static_cast<char>(code)); }
} // namespace

TPOF::TPOF(std::unique_ptr<IHVDataModel> data, SubscriberFactory defaultSub, QObject* parent)
    : QObject(parent)
    , m_serial(std::make_unique<TSerial>())
    , m_data(std::move(data))
    , m_defaultSub(std::move(defaultSub))
    , m_steady(&Heartbeat::now)
{
    Q_ASSERT(m_data && m_defaultSub);
    registerInstrumentTypes();
    qRegisterMetaType<MessageCategories>("MessageCategories");
    m_sub = m_defaultSub();
    m_serial->setComErrorQuery([this] {
        const auto s = sub();
        return s && s->getHVUnitState().comError;
    });
    m_pollTimer = new QTimer(this);
    m_pollTimer->setSingleShot(true);
    connect(m_pollTimer, &QTimer::timeout, this, &TPOF::GetHVState, Qt::QueuedConnection);
    m_owed = new OwedUnitWrites(this);
}

TPOF::~TPOF() = default;

// ---------------------------------------------------------------------------
// Conversion and checks
// ---------------------------------------------------------------------------

unsigned long long TPOF::HEXString2uLongLong(const char* chars, int count)
{
    return POFCodec::hexToValue(chars, count);
}

int TPOF::uLongLong2HEXString(unsigned long long value, char* buffer, int width)
{
    return POFCodec::valueToHex(value, buffer, width);
}

unsigned short TPOF::Create_CRC16(const char* data, int length) { return POFCodec::crc16(data, length); }

bool TPOF::Test_CRC16(const char* data, int length, const char* crc)
{
    return POFCodec::checkCrc16(data, length, crc);
}

bool TPOF::FilterResponse()
{
    POF_Response& r = m_response;
    POFCodec::Reply reply;
    const bool ok = POFCodec::filterReply(static_cast<char>(r.expected), r.buffer, r.length, &reply);
    r.data = reply.data;
    r.dataCount = static_cast<unsigned short>(reply.dataCount);
    r.crc = reply.crc;
    return ok;
}

bool TPOF::ParseResponse()
{
    POF_Response& r = m_response;
    int count = 0;
    if (!POFCodec::parseValues(static_cast<char>(r.expected), r.data, r.dataCount, r.values, r.capacity, &count))
        return false;
    r.count = static_cast<unsigned short>(count);
    return true;
}

bool TPOF::checkPOFCommandCompatibility(eCommandCode code) const
{
    const stIdentification id = m_data->getHVIdentification();
    if (id.firmwareMajor == 0)
        return true;
    switch (code) {
    case CMD_GetParameter:
    case CMD_SetParameter:
    case CMD_Reboot:
        return id.firmwareMinor >= 17;
    case CMD_LeakageValues:
        return id.firmwareMinor >= 26;
    default:
        return true;
    }
}

QString TPOF::unitSerial() const
{
    return Locked::read(m_serialMutex, m_unitSerial);
}

QString TPOF::unitHardwareId() const
{
    const stIdentification id = m_data->getHVIdentification();
    if (!id.valid)
        return QString();
    return QStringLiteral("%1 %2/%3").arg(id.modelNameText().trimmed()).arg(id.firstNumber).arg(id.secondNumber);
}

bool TPOF::setComError(bool flag)
{
    const auto s = sub();
    stHVUnitState state = s->getHVUnitState();
    state.comError = m_updateInProgress ? false : flag;
    if (state.comError) {
        m_linkDown = true;
        m_lookForOutput = true;
    }
    s->setHVUnitState(state);
    showLinkState(state.comError);
    return state.comError;
}

void TPOF::showLinkState(bool down)
{
    if (m_linkDownShown.exchange(down) == down)
        return;
    emit communicationDown(down);
}

int TPOF::failed(int rc)
{
    // Only a failed exchange says the link is down; refused or bad calls never used it.
    if (rc == ErrLink)
        setComError(true);
    return rc;
}

// ---------------------------------------------------------------------------
// Transactions
// ---------------------------------------------------------------------------

class TPOF::LinkLock {
public:
    LinkLock(TPOF& pof, int boundMs) : m_pof(pof)
    {
        // Waiting for another thread's transaction is alive as long as that one keeps its bound.
        while (!m_pof.m_linkMutex.tryLock(20)) {
            const qint64 left = m_pof.m_linkHeldUntil.load() - Heartbeat::now();
            if (left > 0) {
                Heartbeat::Bound wait(static_cast<int>(left));
                Heartbeat::alive();
            }
        }
        m_pof.m_linkHeldUntil = Heartbeat::now() + boundMs;
        m_bound.emplace(boundMs);
    }
    ~LinkLock()
    {
        m_pof.m_linkHeldUntil = 0;
        m_pof.m_linkMutex.unlock();
    }
    LinkLock(const LinkLock&) = delete;
    LinkLock& operator=(const LinkLock&) = delete;

private:
    TPOF& m_pof;
    std::optional<Heartbeat::Bound> m_bound;
};

int TPOF::transactionBoundMs(int sendTimeoutMs, bool reply)
{
    // A pass sends at most a 'k' request, each byte waiting for its echo, then resets the line.
    constexpr int maxRequest = 21;
    constexpr int pass = maxRequest * (TSerial::EchoTimeoutMs + 5) + TSerial::ResetWaitMs + 50;
    const int frame = reply ? TSerial::FrameTimeoutMs + TSerial::ResetWaitMs + 50 : 0;
    return Attempts * (sendTimeoutMs + pass + frame);
}

bool TPOF::setRequest(const QByteArray& frame)
{
    if (frame.isEmpty())
        return false;
    m_request = frame;
    return true;
}

bool TPOF::sendRequest(int timeoutMs)
{
    return m_serial->SendString(m_request.constData(), m_request.size(), timeoutMs) == m_request.size();
}

int TPOF::receiveFrame()
{
    const int n = m_serial->ReceiveString(m_response.buffer, int(sizeof(m_response.buffer)));
    m_response.length = static_cast<unsigned short>(n > 0 ? n : 0);
    return n;
}

int TPOF::exchange(bool longBudget)
{
    auto evaluate = [this]() {
        if (!FilterResponse())
            return int(ErrLink);
        if (!ParseResponse())
            return int(ErrArgument);
        return int(Ok);
    };
    int attempts = 0;
    int rc = ErrLink;
    if (m_response.expected != CMD_StateWord) {
        while (attempts < Attempts) {
            ++attempts;
            if (sendRequest(0) && receiveFrame() > 0) {
                rc = evaluate();
                if (rc == Ok)
                    return Ok;
            } else {
                rc = ErrLink;
            }
        }
        return rc;
    }

    const int budget = longBudget ? LongBudgetMs : ShortBudgetMs;
    // While a procedure drives the output the HV-enable line must drop within a second of
    // the unit's last answer: one budget spent is reported as a lost link at once, and the
    // attempts go on.
    bool reportNow = sub()->drivesOutput();
    while (attempts < Attempts) {
        const qint64 start = m_serial->steadyNow();
        const auto spent = [this, start] { return m_serial->steadyNow() - start; };
        bool replied = false;
        do {
            ++attempts;
            const int remaining = int(qMax<qint64>(0, budget - spent()));
            if (sendRequest(remaining) && receiveFrame() > 0)
                replied = true;
        } while (!replied && spent() < budget && attempts < Attempts);
        if (!replied) {
            rc = ErrLink;
            if (reportNow && attempts < Attempts)
                setComError(true);
            reportNow = false;
            continue;
        }
        rc = evaluate();
        if (rc == Ok)
            return Ok;
    }
    return rc;
}

void TPOF::queueStatePoll()
{
    m_pollPending = true;
    QTimer::singleShot(0, this, [this] {
        // A sequence that polls by itself, or any poll since, makes this one redundant.
        if (m_pollPending && m_ownPolls == 0)
            GetHVState();
    });
}

int TPOF::GetValue(eCommandCode code, unsigned long long* values, unsigned short capacity,
                   unsigned short* count, bool longBudget, const QList<unsigned long long>* payload)
{
    if (m_serial->fileTransferOnThisThread())
        return ErrLink; // the line carries an image: never splice a request into it
    const bool stateWord = code == CMD_StateWord;
    LinkLock lock(*this, transactionBoundMs(stateWord ? (longBudget ? LongBudgetMs : ShortBudgetMs) : 0, true));
    if (!count || !values)
        return ErrArgument;
    if (!checkPOFCommandCompatibility(code))
        return ErrFirmware;
    if (replyDigits(code) < 0)
        return ErrArgument;

    if (!setRequest(POFCodec::readRequest(static_cast<char>(code), payload ? *payload : QList<unsigned long long>())))
        return ErrArgument;

    m_response = POF_Response();
    m_response.expected = code;
    m_response.values = values;
    m_response.capacity = capacity;
    const int rc = exchange(longBudget);
    if (rc != Ok)
        return failed(rc);
    *count = m_response.count;
    if (code != CMD_StateWord)
        queueStatePoll();
    return Ok;
}

int TPOF::SetValue(eCommandCode code, unsigned long long value1, unsigned long long value2)
{
    if (m_serial->fileTransferOnThisThread())
        return ErrLink; // the line carries an image: never splice a request into it
    LinkLock lock(*this, transactionBoundMs(0, false));
    if (!checkPOFCommandCompatibility(code))
        return ErrFirmware;

    QByteArray frame;
    if (code == CMD_Mode) {
        // Ask the subscriber only what the mode needs: a commissioning one knows no
        // cosine-rectangular type.
        const auto state = sub();
        const int mode = static_cast<int>(value1);
        const int cosRect = mode == OperatingModes::VLFCosRect ? state->getVLFCosRectType() : 0;
        const int polarity = mode == OperatingModes::DC || mode == OperatingModes::DAC ? state->getVoltagePolarity() : 0;
        const char c = POFCodec::modeCharacter(mode, cosRect, polarity);
        frame = POFCodec::writeRequest('m', static_cast<unsigned char>(c));
    } else if (code == CMD_DateTime) {
        frame = POFCodec::dateTimeRequest(m_now ? m_now() : QDateTime::currentDateTime());
    } else {
        // Reads, and 'p' (announced by the firmware transfer only), have no write frame.
        frame = POFCodec::writeRequest(static_cast<char>(code), value1, value2);
    }
    if (!setRequest(frame))
        return ErrArgument;

    for (int attempt = 0; attempt < Attempts; ++attempt) {
        if (sendRequest(0)) {
            if (code != CMD_Reboot)
                queueStatePoll();
            return Ok;
        }
    }
    return failed(ErrLink);
}

int TPOF::GetString(eCommandCode code, char* buffer, unsigned short size)
{
    if (m_serial->fileTransferOnThisThread())
        return ErrLink; // the line carries an image: never splice a request into it
    LinkLock lock(*this, transactionBoundMs(0, true));
    if (!buffer)
        return ErrArgument;
    const int digits = POFCodec::textDigits(static_cast<char>(code));
    if (digits < 0 || size < digits + 1)
        return ErrArgument;
    const int expected = digits + POFCodec::ReplyOverhead;
    if (!checkPOFCommandCompatibility(code))
        return ErrFirmware;
    setRequest(POFCodec::request(static_cast<char>(code)));

    m_response = POF_Response();
    m_response.expected = code;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        if (!sendRequest(0))
            continue;
        if (receiveFrame() != expected || !FilterResponse())
            continue;
        const int n = qMin<int>(m_response.dataCount, size - 1);
        memcpy(buffer, m_response.data, size_t(n));
        buffer[n] = 0;
        queueStatePoll();
        return Ok;
    }
    return failed(ErrLink);
}

bool TPOF::ExecCmd(int code)
{
    switch (code) {
    case CMD_Temperature: {
        qint8 t = 0;
        return GetTemperature(&t);
    }
    case CMD_Identification:
        return GetIdentification() == Ok;
    case CMD_SerialNumber: {
        char buf[26] = {};
        if (GetString(CMD_SerialNumber, buf, sizeof(buf)) != Ok)
            return false;
        m_data->setHVCSerial(QString::fromLatin1(buf));
        Locked::write(m_serialMutex, m_unitSerial, QString::fromLatin1(buf).trimmed());
        return true;
    }
    case CMD_GetGains: {
        unsigned long long v[2] = {};
        unsigned short n = 0;
        if (GetValue(CMD_GetGains, v, 2, &n, true) != Ok || n != 2)
            return false;
        m_data->setHVUnitParam(eHVUnitParamType_GainU, v[0]);
        m_data->setHVUnitParam(eHVUnitParamType_GainI, v[1]);
        return true;
    }
    case CMD_StateWord:
        return GetHVState();
    case CMD_BurnMode:
        return SetValue(CMD_BurnMode, static_cast<unsigned long long>(m_data->burnMode())) == Ok;
    case CMD_Frequency:
        return SetValue(CMD_Frequency, m_data->getFrequencyToTest()) == Ok;
    case CMD_Mode:
        return SetValue(CMD_Mode, OperatingModes::VLFSin) == Ok;
    case CMD_TestMinutes:
        return SetValue(CMD_TestMinutes, m_data->getOperatingMode() == OperatingModes::MWTStep
                                             ? m_data->getMinutesToTest()
                                             : 0) == Ok;
    case CMD_Voltage:
        return SetValue(CMD_Voltage, static_cast<unsigned long long>(static_cast<long long>(m_data->getVoltageToTest()))) == Ok;
    case CMD_DateTime:
        return SetValue(CMD_DateTime) == Ok;
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------
// Subscriber and state poll
// ---------------------------------------------------------------------------

void TPOF::setHVSub(std::unique_ptr<HFStateSubscriber> sub)
{
    if (!sub)
        sub = m_defaultSub();
    // Installed from other threads while the poll runs: a subscriber in use is only
    // destroyed when its last user lets go of it.
    std::atomic_store(&m_sub, std::shared_ptr<HFStateSubscriber>(std::move(sub)));
}

std::shared_ptr<HFStateSubscriber> TPOF::sub() const
{
    return std::atomic_load(&m_sub);
}

void TPOF::resetHVSub()
{
    setHVSub(nullptr);
}

bool TPOF::GetHVState()
{
    if (QThread::currentThread() != thread()) {
        bool result = false;
        QMetaObject::invokeMethod(this, "GetHVState", Qt::BlockingQueuedConnection,
                                  Q_RETURN_ARG(bool, result));
        return result;
    }
    m_pollPending = false;
    // A poll refused because an image holds the line says nothing about the link.
    if (m_serial->fileTransferOnThisThread()) {
        if (m_autoPoll)
            armPollTimer();
        return false;
    }
    if (m_autoPoll && m_pollClock.isValid() && m_timingWarning && m_pollClock.elapsed() > 500) {
        KLOG_ERROR2(kClass, "GetHVState",
                    QStringLiteral("Time to get HV State word was %1 ms and exceeded 500 ms")
                        .arg(m_pollClock.elapsed()));
        m_timingWarning = false;
    }
    unsigned long long values[2] = {};
    unsigned short count = 0;
    // A procedure that drives the output is read as a test is.
    const int rc = GetValue(CMD_StateWord, values, 2, &count, m_longBudget && !sub()->drivesOutput());
    if (rc == Ok) {
        const auto s = sub();
        // The subscriber may have changed while the link was down (a procedure handing
        // the states back): the link keeps its own word on it.
        const bool wasDown = m_linkDown.exchange(false);
        const quint32 word = static_cast<quint32>(values[0]);
        // Found running while no test or procedure of ours drives it (one gone with the
        // program or with the link): a stop is owed before anything else.
        if (m_lookForOutput.exchange(false) && (word & HVStateBits::HVOnMask) && !s->drivesOutput()
            && !m_data->isTestRunning() && !m_updateInProgress) {
            KLOG_WARN2(kClass, "GetHVState",
                       QStringLiteral("The HV unit answers with its output on (state word 0x%1) while nothing drives "
                                      "it: it is stopped first")
                           .arg(word, 0, 16));
            m_owed->stopFound();
        }
        if (s->getHVUnitState().comError || wasDown) {
            if (!m_updateInProgress)
                KLOG_INFO2(kClass, "GetHVState", "Communication with HV-Unit is up again");
            m_timingWarning = true;
            emit sendAppEvent(eAppEvent::HVUnitInitialized);
        }
        // A breakdown ends the operator's targets at once: the state change that says so
        // arrives behind targets already queued here.
        if (values[0] & HVStateBits::Breakdown)
            Locked::write(m_targetMutex, m_outputStarted, false);
        s->setHVUnitState(stHVUnitState(false, static_cast<quint32>(values[0])));
        showLinkState(false);
        if (m_autoPoll)
            m_pollClock.restart();
    } else {
        setComError(true);
    }
    if (m_autoPoll)
        armPollTimer();
    return rc == Ok;
}

void TPOF::armPollTimer()
{
    const int period = PollPeriodMs / m_steadyRate;
    int delay = period;
    if (!sub()->getHVUnitState().comError && m_pollClock.isValid())
        delay = int(qMax<qint64>(0, period - m_pollClock.elapsed()));
    m_pollTimer->start(delay);
}

void TPOF::setSteadyClock(std::function<qint64()> nowMs, int rate)
{
    m_steady = std::move(nowMs);
    m_steadyRate = qMax(rate, 1);
}

void TPOF::setHVAutoCheck(bool on)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, on] { setHVAutoCheck(on); }, Qt::BlockingQueuedConnection);
        return;
    }
    if (on == m_autoPoll)
        return;
    m_autoPoll = on;
    if (on) {
        m_pollTimer->start(PollPeriodMs / m_steadyRate);
    } else {
        m_pollTimer->stop();
        m_pollClock.invalidate();
    }
}

// ---------------------------------------------------------------------------
// Identification and temperature
// ---------------------------------------------------------------------------

namespace {
long long rmsToPeak(long long rms) { return ValueConverter::convertRMSToPEAK(OperatingModes::VLFSin, long(rms)); }
long long peakToRms(long long peak) { return ValueConverter::convertPEAKToRMS(OperatingModes::VLFSin, long(peak)); }
long long toTenthKV(long long mv) { return (mv + 50000) / 100000 * 100000; }
} // namespace

int TPOF::GetIdentification()
{
    stIdentification id;
    char buf[81] = {};
    const int rc = GetString(CMD_Identification, buf, sizeof(buf));
    if (rc != Ok)
        return rc;
    const char* d = buf;
    id.firstNumber = quint16(HEXString2uLongLong(d, 2));
    id.secondNumber = quint16(HEXString2uLongLong(d + 2, 2));
    id.firmwareMajor = quint16(HEXString2uLongLong(d + 4, 2));
    id.firmwareMinor = quint16(HEXString2uLongLong(d + 6, 2));
    memcpy(id.modelName, d + 8, 20);
    id.modelName[20] = 0;
    id.maxVoltageRMS = qint32(HEXString2uLongLong(d + 28, 4) * 1000000);
    long long peak = toTenthKV(rmsToPeak(id.maxVoltageRMS));
    id.secondVoltage = qint64(HEXString2uLongLong(d + 32, 4) * 1000000);
    id.secondVoltagePeak = rmsToPeak(id.secondVoltage);
    id.valueB = quint32(HEXString2uLongLong(d + 36, 8));
    id.maxFrequency = quint32(HEXString2uLongLong(d + 44, 8));
    id.maxTestMinutes = quint16(HEXString2uLongLong(d + 52, 4));
    const unsigned long long caps = HEXString2uLongLong(d + 56, 16);

    static const int identSupport[][2] = { { 0, 32 }, { 1, 11 }, { 2, 35 }, { 3, 36 } };
    id.supportFlags = 1; // bit 0 always
    for (const auto& s : identSupport)
        if (caps & (1ull << s[1]))
            id.supportFlags |= quint8(1u << s[0]);
    static const int identModes[] = { 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 };
    for (int m : identModes)
        id.operatingModeMask |= 1ull << m;

    const unsigned rounding = unsigned(caps >> 62) & 3u;
    if (rounding == 1 || rounding == 2) {
        const long long kv = 1000000;
        peak = rounding == 1 ? peak / kv * kv : (peak + kv - 1) / kv * kv;
        id.maxVoltageRMS = qint32(toTenthKV(peakToRms(peak)));
    }
    id.maxVoltagePeak = qint32(peak);
    id.valid = true;

    if (!id.isModeSupported(m_data->getOperatingMode()))
        m_data->changeOperatingMode(OperatingModes::None);
    if (m_data->getVoltageToTest() > id.maxVoltagePeak)
        m_data->setVoltageToTest(id.maxVoltagePeak);
    const auto range = m_data->frequencyRange(OperatingModes::Unknown);
    const unsigned long f = m_data->getFrequencyToTest();
    const unsigned long clamped = qBound(range.first, f, qMax(range.first, range.second));
    if (f != 0 && clamped != f) // 0 is the automatic frequency, not a value to clamp
        m_data->setFrequencyToTest(clamped);
    if (m_data->getMinutesToTest() > id.maxTestMinutes)
        m_data->setMinutesToTest(id.maxTestMinutes);
    m_data->setHVIdentification(id);

    if (m_data->getPevantoType() != 45) {
        unsigned long long v[2] = {};
        unsigned short n = 0;
        const QList<unsigned long long> code { 24 };
        if (GetValue(CMD_GetParameter, v, 2, &n, false, &code) == Ok && n == 2) {
            m_data->setHVUnitParam(eHVUnitParamType_HvSourceVersion, v[1]);
            KLOG_INFO2(kClass, "InitHVUnit",
                       QStringLiteral("HV Source Version is %1").arg(m_data->hvSourceVersionText()));
        }
    }
    return Ok;
}

bool TPOF::GetTemperature(qint8* degrees)
{
    unsigned long long v = 0;
    unsigned short n = 0;
    if (GetValue(CMD_Temperature, &v, 1, &n) != Ok) {
        KLOG_ERROR2(kClass, "GetTemperature", "Cannot read current temperature from HV Source.");
        setComError(true);
        return false;
    }
    const qint8 t = qint8(quint8(v & 0xFF));
    if (degrees)
        *degrees = t;
    if (!m_haveStartupTemperature) {
        m_startupTemperature = t;
        m_haveStartupTemperature = true;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Parameters
// ---------------------------------------------------------------------------

namespace {
// Line code of each parameter type; 255: the type has no code.
constexpr int kParamCodes[HVUnitParamTypeCount] = {
    255, 255, 21, 13, 15, 17, 19, 14, 16, 18, 20, 4, 3, 5, 7, 8, 9, 10,
    11, 12, 22, 23, 24, 25, 26, 27, 28, 255, 255, 29, 30, 31, 32, 33, 34, 35,
};
const char* const kParamNames[] = {
    "Calibration of Gain U",
    "Calibration of Gain I",
    "HvSource GainPFC",
    "HvSource GainU_HVP",
    "HvSource GainI_HVP",
    "HvSource GainU_HVN",
    "HvSource GainI_HVN",
    "HvSource OffsetU_HVP",
    "HvSource OffsetI_HVP",
    "HvSource OffsetU_HVN",
    "HvSource OffsetI_HVN",
    "HV protection resistor",
    "Calibration of load detection",
    "Earthing capacity",
    "Earthing resistance",
    "Calibration of C HV-Cable",
    "Calibration of R HV-Cable",
    "Calibration of DummyA",
    "Type of TB IgnitionPulse",
    "HvSource Status",
    "HvSinParameterVlfSettings",
    "HvSinParameterHvGeneratorCharacteristics",
    "eHVUnitParamType_HvSourceVersion",
};
constexpr unsigned long long kAllOnes = ~0ull;
} // namespace

int TPOF::getPOFParamCode(eHVUnitParamType type)
{
    if (type < 0 || type >= HVUnitParamTypeCount)
        return 255;
    return kParamCodes[type];
}

QString TPOF::getHVUnitParamName(eHVUnitParamType type)
{
    if (type >= 0 && type < int(sizeof(kParamNames) / sizeof(kParamNames[0])))
        return QString::fromLatin1(kParamNames[type]);
    return QString::number(int(type));
}

const QList<eHVUnitParamType>& TPOF::HVUnitParams()
{
    static const QList<eHVUnitParamType> list = [] {
        QList<eHVUnitParamType> l;
        for (int t = 2; t <= 21; ++t)
            l << eHVUnitParamType(t);
        for (int t = 23; t <= 26; ++t)
            l << eHVUnitParamType(t);
        return l;
    }();
    return list;
}

QString TPOF::paramValueText(eHVUnitParamType type, unsigned long long value) const
{
    if (type == eHVUnitParamType_LoadDetectionCalibration)
        return QString::number(double(value) / 10000.0, 'f', 3);
    if (type == eHVUnitParamType_ProtectionResistor)
        return QString::number(double(value), 'f', 1);
    return QString::number(value);
}

void TPOF::pause(int ms)
{
    // On the link's own thread the commissioning procedures call in from their steps:
    // a wait there must not run their timers, events or deletion in the middle. It is
    // bounded, so the watchdog hears from the thread meanwhile.
    if (QThread::currentThread() != thread()) {
        GlobalFuncs::waitMs(ms);
        return;
    }
    Heartbeat::Bound bound(ms + 50);
    Heartbeat::sleep(ms, m_steady);
}

int TPOF::GetParameter(eHVUnitParamType type, unsigned long long* value)
{
    if (!value)
        return ErrArgument;
    OwnPolls own(*this);
    const QList<unsigned long long> code { static_cast<unsigned long long>(getPOFParamCode(type)) };
    unsigned long long v[2] = {};
    unsigned short n = 0;
    const int rc = GetValue(CMD_GetParameter, v, 2, &n, false, &code);
    if (rc != Ok || n != 2) {
        if (rc != ErrFirmware)
            LoggingCtrl::logService(QStringLiteral("Unable to get HV-unit parameter: '%1' [%2].")
                                        .arg(getHVUnitParamName(type))
                                        .arg(int(type)));
        return rc != Ok ? rc : ErrArgument;
    }
    unsigned long long result = v[0] == 255 ? kAllOnes : v[1];
    if (type == eHVUnitParamType_HvSourceStatus && result != kAllOnes) {
        // The status word is only trusted when two reads around two polls agree.
        pause(25);
        GetHVState();
        pause(25);
        GetHVState();
        unsigned long long again[2] = {};
        unsigned short m = 0;
        if (GetValue(CMD_GetParameter, again, 2, &m, false, &code) != Ok || m != 2 || again[0] == 255
            || again[1] != result)
            result = kAllOnes;
    }
    *value = result;
    return Ok;
}

int TPOF::SetParameter(eHVUnitParamType type, unsigned long long value)
{
    OwnPolls own(*this);
    if (type == eHVUnitParamType_CalibrationDummyA || type == eHVUnitParamType_HvSourceStatus) {
        unsigned long long readBack = 0;
        GetParameter(type, &readBack);
        GetHVState();
        return ErrNotWritable;
    }
    const int code = getPOFParamCode(type);
    if (code == 255)
        return ErrArgument; // no code on the line: nothing to write to
    const bool quiet = type == eHVUnitParamType_HvSinParameterHvGeneratorCharacteristics;
    const QString failText = QStringLiteral("Unable to set HV-unit parameter \"%1\" to %2.")
                                 .arg(getHVUnitParamName(type), paramValueText(type, value));
    const int rc = SetValue(CMD_SetParameter, static_cast<unsigned long long>(code), value);
    if (rc != Ok) {
        if (!quiet)
            LoggingCtrl::logService(failText);
        return rc;
    }
    if ((type >= eHVUnitParamType_GainPFC && type <= eHVUnitParamType_OffsetI_HVN)
        || type == eHVUnitParamType_HvSinParameterVlfSettings)
        pause(250);
    unsigned long long readBack = 0;
    const int rcRead = GetParameter(type, &readBack);
    GetHVState();
    if (rcRead != Ok) {
        // Unknown whether the unit took the value: report it, keep nothing.
        if (!quiet)
            LoggingCtrl::logService(failText);
        return rcRead;
    }
    if (readBack == value) {
        if (!quiet && type != eHVUnitParamType_TBIgnitionPulse)
            LoggingCtrl::logService(QStringLiteral("Setting HV-unit parameter \"%1\" to %2.")
                                        .arg(getHVUnitParamName(type), paramValueText(type, value)));
        return Ok;
    }
    m_data->setHVUnitParam(type, readBack);
    if (!quiet)
        LoggingCtrl::logService(failText);
    return ErrReadBack;
}

int TPOF::setGainCalibration(const stGainCalibration& gains)
{
    const int rc = writeGainCalibration(gains);
    if (rc == ErrReadBack)
        emit showMessageDlg(CAT_ERR, QStringLiteral("Calibration"), QStringLiteral("ParameterOutOfRange"), false, true);
    return rc;
}

int TPOF::writeGainCalibration(const stGainCalibration& gains)
{
    OwnPolls own(*this);
    bool failure = SetValue(CMD_SetGains, gains.gainU, gains.gainI) != Ok;
    if (!failure) {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            pause(50);
            if (!GetHVState()) {
                failure = true;
                break;
            }
            const quint32 word = sub()->getHVUnitState().state;
            if (!(word & HVStateBits::Busy)) {
                if (word & HVStateBits::BusyFailed)
                    return ErrCalibrationFailed;
                break;
            }
            if (clock.elapsed() > 2000)
                return ErrBusy;
        }
    }
    unsigned long long v[2] = {};
    unsigned short n = 0;
    if (GetValue(CMD_GetGains, v, 2, &n, true) != Ok || n != 2)
        return ErrLink;
    m_data->setHVUnitParam(eHVUnitParamType_GainU, v[0]);
    m_data->setHVUnitParam(eHVUnitParamType_GainI, v[1]);
    if (v[0] != gains.gainU || v[1] != gains.gainI)
        return ErrReadBack;
    if (failure)
        return ErrLink;
    LoggingCtrl::logService(QStringLiteral("Setting Calibration factors GainU/GainI to %1/%2")
                                .arg(double(m_data->getHVUnitParam(eHVUnitParamType_GainU)) / 10000.0, 0, 'f', 3)
                                .arg(double(m_data->getHVUnitParam(eHVUnitParamType_GainI)) / 10000.0, 0, 'f', 3));
    return Ok;
}

bool TPOF::setHVUnitParamValue(eHVUnitParamType type, qulonglong value)
{
    bool ok = false;
    switch (type) {
    case eHVUnitParamType_GainU:
    case eHVUnitParamType_GainI: {
        const eHVUnitParamType other = type == eHVUnitParamType_GainU ? eHVUnitParamType_GainI : eHVUnitParamType_GainU;
        // Never combine with a gain that was never read: it would write 0xFFFF.
        if (m_data->getHVUnitParam(other) == HVUnitParamUnknown && !ExecCmd(CMD_GetGains))
            break;
        const unsigned long long otherGain = m_data->getHVUnitParam(other);
        if (value > 0xFFFF || otherGain > 0xFFFF)
            break;
        stGainCalibration g;
        g.gainU = quint16(type == eHVUnitParamType_GainU ? value : otherGain);
        g.gainI = quint16(type == eHVUnitParamType_GainI ? value : otherGain);
        ok = setGainCalibration(g) == Ok;
        break;
    }
    case eHVUnitParamType_CalibrationDummyA:
    case eHVUnitParamType_HvSourceStatus:
        ok = SetParameter(type, value) == ErrNotWritable;
        break;
    case eHVUnitParamType_TBIgnitionPulse:
        return true;
    default:
        ok = SetParameter(type, value) == Ok;
        break;
    }
    if (!ok) {
        if (type == eHVUnitParamType_HvSinParameterVlfSettings)
            emit showMessageDlg(CAT_INF, QStringLiteral("Calibration"),
                                QStringLiteral("HvSinParameterVlfSettingsNotSupported"), false, true);
        else
            emit showMessageDlg(CAT_ERR, QStringLiteral("Calibration"),
                                QStringLiteral("ErrorWritingHVUnitParameter"), false, true);
    }
    return ok;
}

bool TPOF::refreshHVUnitParams()
{
    return refreshHVUnitParams(QList<eHVUnitParamType>());
}

bool TPOF::refreshHVUnitParams(const QList<eHVUnitParamType>& types)
{
    OwnPolls own(*this);
    const QList<eHVUnitParamType>& list = types.isEmpty() ? HVUnitParams() : types;
    if (!ExecCmd(CMD_GetGains) || !GetHVState())
        return false;
    for (eHVUnitParamType type : list) {
        // The gains have no parameter code: 'Q' above has read them.
        if (type == eHVUnitParamType_GainU || type == eHVUnitParamType_GainI)
            continue;
        unsigned long long value = 0;
        if (GetParameter(type, &value) != Ok || !GetHVState())
            return false;
        m_data->setHVUnitParam(type, value);
    }
    m_data->setHVUnitParam(eHVUnitParamType_HvSinParameterVlfSettings,
                           m_data->getHVUnitParam(eHVUnitParamType_HvSinParameterVlfSettings) | 1u);
    return true;
}

bool TPOF::GetHVSourceState()
{
    OwnPolls own(*this);
    unsigned long long value = 0;
    if (GetParameter(eHVUnitParamType_HvSourceStatus, &value) != Ok || !GetHVState())
        return false;
    m_data->setHVUnitParam(eHVUnitParamType_HvSourceStatus, value);
    return true;
}

// ---------------------------------------------------------------------------
// Start-up, state changes and control
// ---------------------------------------------------------------------------

bool TPOF::InitHVUnit()
{
    if (!startUp())
        return false;
    // The calibration values and settings (the header's calibration mark among them)
    // are known from the first identification on, not only after an HV-unit error.
    if (!m_paramsRead)
        m_paramsRead = refreshHVUnitParams(QList<eHVUnitParamType>());
    emit sendAppEvent(eAppEvent::HVUnitInitialized);
    // Watch the link from now on, so a lost unit is noticed in Idle too.
    setHVAutoCheck(true);
    return true;
}

bool TPOF::startUp()
{
    OwnPolls own(*this);
    QCoreApplication::processEvents();
    // The first poll looks whether the unit runs unasked.
    m_lookForOutput = true;
    QElapsedTimer clock;
    clock.start();
    static const int sequence[] = { CMD_DateTime, CMD_SerialNumber, CMD_Identification, CMD_Temperature };
    for (int cmd : sequence) {
        if (!ExecCmd(cmd))
            return false;
        if (cmd == CMD_Temperature) {
            const qint8 t = m_startupTemperature;
            KLOG_INFO2(kClass, "InitHVUnit", QStringLiteral("Temperature at system start: %1 degrees").arg(int(t)));
            constexpr qint64 unset = std::numeric_limits<qint64>::min();
            const qint64 low = m_data->getPerformanceIndicator(1, 0);
            const qint64 high = m_data->getPerformanceIndicator(1, 1);
            if (low == unset || t < low)
                m_data->setPerformanceIndicator(1, 0, t);
            if (high == unset || t > high)
                m_data->setPerformanceIndicator(1, 1, t);
        }
        if (!GetHVState())
            return false;
        // A unit found running, or owed a stop from before (a run the program did not
        // end), is stopped as soon as it answers, before it gets anything else.
        if (!m_owed->writeStop())
            return false;
        if (clock.elapsed() > 4999) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 250);
            clock.restart();
        }
    }
    return true;
}

void TPOF::appStateChanged(States::AppState oldState, States::AppState newState)
{
    using namespace States;
    auto init = [this] {
        if (!InitHVUnit())
            emit sendAppEvent(eAppEvent::HVInitError);
    };
    if ((oldState == None && newState == Starting) || (oldState == Starting && newState == Idle)
        || (newState == Starting
            && (oldState == TestFinished || oldState == HVUnitError || oldState == Updating
                || oldState == TestDataTransferred))) {
        init();
    } else if (newState == Starting && (oldState == Starting || oldState == Idle)) {
        GlobalFuncs::waitMs(100);
        init();
    } else if (oldState == Idle && newState == HVUnitError) {
        const stHVUnitState st = sub()->getHVUnitState();
        if (!st.comError && (st.state & HVStateBits::OutputOffset))
            StopTest(SKP_StopFlags_None);
    } else if (oldState == Idle && newState == Updating) {
        m_updateInProgress = true;
    } else if (oldState == Updating && newState == Idle) {
        m_updateInProgress = false;
        setHVAutoCheck(true);
    } else if (oldState == TestRunning && newState == TestBurning) {
        // A faulted cable gets no higher set point: the output keeps what it had.
        m_testVoltage = false;
    } else if ((oldState == TestRunning || oldState == TestBurning)
               && (newState == TestSoftStop || newState == TestFinalizing)) {
        m_testVoltage = false;
        setHVAutoCheck(true);
    } else if (oldState == TestReadyToRun && newState == TestRunning) {
        m_testVoltage = true;
        setHVAutoCheck(false);
    } else if (oldState == HVUnitError && newState == Idle) {
        SetParameter(eHVUnitParamType_HvSinParameterHvGeneratorCharacteristics,
                     static_cast<unsigned long long>(m_data->hvGeneratorCharacteristics()));
        refreshHVUnitParams(QList<eHVUnitParamType>());
        m_updateInProgress = false;
        setHVAutoCheck(true);
    }
    m_longBudget = !m_data->isTestRunning();
}

bool TPOF::StartTest()
{
    if (m_data->isDutyCycleMode() && SetValue(CMD_Frequency, m_data->getFrequencyToTest()) != Ok)
        return false;
    if (SetValue(CMD_Start) != Ok) {
        setComError(true);
        return false;
    }
    Locked::write(m_targetMutex, m_outputStarted, true);
    return true;
}

int TPOF::StopTest(SKP_Pevanto_StopFlags flags)
{
    // From here on no target of the operator reaches the unit: one being sent is done
    // before the stop goes out, a later one (queued or not) is dropped.
    Locked::write(m_targetMutex, m_outputStarted, false);
    // Both are sent; a failed stop must not be hidden by a good acknowledge.
    const int rcStop = SetValue(flags == SKP_StopFlags_SoftStop ? CMD_StopSoft : CMD_Stop);
    // A stop lost with the link leaves the unit's output switched on behind a low line: it is
    // owed, and goes first once the unit answers again.
    if (rcStop != Ok)
        m_owed->stopFound();
    if (flags == SKP_StopFlags_SoftStop)
        return rcStop;
    const int rcAck = SetValue(CMD_StopAck);
    return rcStop != Ok ? rcStop : rcAck;
}

bool TPOF::StartLoadDetection()
{
    if (SetValue(CMD_StartLoadDetection) != Ok) {
        setComError(true);
        return false;
    }
    return true;
}

void TPOF::voltageChanged(long voltage)
{
    // Only while the test runs, its output neither stopped nor broken down; a stop waits
    // for the lock.
    QMutexLocker gate(&m_targetMutex);
    if (!m_testVoltage || !m_outputStarted)
        return;
    if (SetValue(CMD_Voltage, static_cast<unsigned long long>(static_cast<long long>(voltage))) != Ok)
        return;
    m_data->targetVoltageSent(voltage);
    KLOG_CAT2(CAT_METHOD, "METHOD", kClass, "voltageChanged",
              QStringLiteral("Setting nominal voltage to %1 V.").arg(voltage / 1000));
}

bool TPOF::rebootHVUnit()
{
    const bool wasPolling = m_autoPoll;
    setHVAutoCheck(false);
    KLOG_INFO2(kClass, "rebootHVUnit", "Rebooting HV-Unit");
    bool ok = SetValue(CMD_Reboot) == Ok;
    if (ok) {
        // The unit is back after RebootWaitMs; the caller's events keep being processed.
        const qint64 start = m_steady();
        while (m_steady() - start < RebootWaitMs)
            GlobalFuncs::waitMs(20);
    }
    setHVAutoCheck(wasPolling);
    return ok;
}

// ---------------------------------------------------------------------------
// Firmware transfer
// ---------------------------------------------------------------------------

unsigned TPOF::getUpdateState() { return m_updateState.exchange(UpdateNothing); }

bool TPOF::InitUpdate(int type, unsigned size, unsigned crc)
{
    QMutexLocker lock(&m_linkMutex);
    if (!setRequest(POFCodec::firmwareRequest(type, size, crc)))
        return false;
    for (int attempt = 0; attempt < Attempts; ++attempt)
        if (sendRequest(0))
            return true;
    return false;
}

void TPOF::sendHVCUpdate(const QString& fileName, int type, uint size, uint crc)
{
    const bool noFile = fileName.isEmpty();
    // Every transfer starts clean: a code an earlier transfer left unread must not
    // stop the image after its announcement.
    m_updateState = (noFile || (type != 1 && type != 2)) ? UpdateBadArguments : UpdateNothing;
    setHVAutoCheck(false);
    const QString latin1Name = QString::fromLatin1(fileName.toLatin1());
    // Without the whole image at hand the unit must not be told to wait for one.
    if (!noFile) {
        if (m_updateState == UpdateNothing && QFileInfo(latin1Name).size() != qint64(size)) {
            KLOG_ERROR2(kClass, "sendHVCUpdate",
                        QStringLiteral("Image %1 does not hold %2 bytes; nothing announced").arg(fileName).arg(size));
            m_updateState = UpdateFailed;
        } else if (!InitUpdate(type, size, crc)) {
            m_updateState = UpdateFailed;
        } else if (m_updateState == UpdateNothing) {
            if (m_serial->SendFile(latin1Name, int(size))) {
                m_updateState = UpdateOk;
                m_updateState = writeHVCUpdate();
            } else {
                m_updateState = UpdateFailed;
            }
        }
    }
    emit finishedHVUpdate();
}

unsigned TPOF::writeHVCUpdate()
{
    OwnPolls own(*this);
    m_data->changeOperatingMode(OperatingModes::None);
    const qint64 start = m_steady();
    for (;;) {
        GlobalFuncs::waitMs(10);
        if (!GetHVState())
            return UpdateFailed;
        if (m_steady() - start >= UpdateBusyLimitMs)
            return UpdateBusyTimeout;
        QCoreApplication::processEvents();
        if (!(sub()->getHVUnitState().state & HVStateBits::Busy))
            break;
    }
    if (!GetHVState())
        return UpdateFailed;
    return (sub()->getHVUnitState().state & HVStateBits::BusyFailed) ? UpdateRejected : UpdateOk;
}
