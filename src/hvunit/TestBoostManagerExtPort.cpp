#include "hvunit/TestBoostManagerExtPort.h"

#include "hvunit/ExtPortManager.h"
#include "logging/LoggingCtrl.h"
#include "hvunit/TestBoostDeviceList.h"

#include <QtGlobal>

namespace {
const char* const Cls = "TestBoostManagerExtPort";
const char* const Poll = "checkTestBoostState";

constexpr unsigned short OWRDY = 0;
constexpr unsigned short HVENA = 1;

// Inputs of the internal switch.
constexpr unsigned short InReady = 0;
constexpr unsigned short InHVEnable = 1;
constexpr unsigned short InFOhm = 2;
constexpr unsigned short InGround = 3;

constexpr qint32 WordGround = 1 << 2;
constexpr qint32 WordFOhm = 1 << 1;
constexpr qint32 WordHVEnable = 1 << 0;
constexpr qint32 WordAll = WordGround | WordFOhm | WordHVEnable;

constexpr int FastPoll = 100;
constexpr int SlowPoll = 1000;

QString stateHex(const stTBState& s)
{
    return QStringLiteral("%1").arg(s.powerState * 16 + s.stateWord, 3, 16, QLatin1Char('0'));
}

bool hasChildren(OperatingModes::OperatingMode mode) { return OperatingModes::getInstance()->hasChildren(mode); }
} // namespace

TestBoostManagerExtPort::TestBoostManagerExtPort(ExtPortManager* port, std::unique_ptr<TestBoostModel> dataModel,
                                                 QObject* parent)
    : TestBoostManager(std::move(dataModel), parent)
    , m_port(port)
{
    m_pollTimer.setInterval(FastPoll);
    connect(&m_pollTimer, &QTimer::timeout, this, &TestBoostManagerExtPort::checkTestBoostState);
    if (m_port)
        connect(m_port, &ExtPortManager::detectedExtPortDevice, this, &TestBoostManagerExtPort::detectedExtPortDevice);
}

TestBoostManagerExtPort::~TestBoostManagerExtPort() = default;

void TestBoostManagerExtPort::enableOWRDY(bool value)
{
    if (!m_port || !m_port->setPIOExt(OWRDY, value))
        ++m_comErrors;
}

void TestBoostManagerExtPort::enableHVENA(bool value)
{
    if (!m_port || !m_port->setPIOExt(HVENA, value))
        ++m_comErrors;
}

void TestBoostManagerExtPort::enableCheckTBState(bool on)
{
    if (on)
        m_pollTimer.start();
    else
        m_pollTimer.stop();
}

void TestBoostManagerExtPort::setTestBoostReadyState(eTBReadyState state)
{
    stTBState s = model().testBoostState();
    if (s.powerState == state)
        return;
    s.powerState = state;
    model().setTestBoostState(s, false);
}

bool TestBoostManagerExtPort::isTestRunning() const { return m_testRunning && model().isTestBoostOpMode(); }

void TestBoostManagerExtPort::detectedExtPortDevice(stExtPortDevice device, bool found)
{
    const int row = testBoostDeviceRow(device.identifier);
    if (row < 0) {
        if (found) {
            KLOG_DEBUG2(Cls, "detectedExtPortDevice",
                        QStringLiteral("Unknown device-id (%1) !!").arg(device.identifier));
            emit showMessageDlg(CAT_ERR, QStringLiteral("Testboost"), QStringLiteral("UnknownTestBoostDevice"), false,
                                true);
        }
        return;
    }
    m_device = device;
    if (!found) {
        m_deviceKnown = false;
        enableCheckTBState(false);
        model().setTestBoostState(stTBState{0, 0}, false);
        return;
    }
    m_deviceKnown = true;
    resetTestboost(row);
}

void TestBoostManagerExtPort::resetTestboost(int row)
{
    enableOWRDY(true);
    enableHVENA(false);
    m_pollTimer.setInterval(FastPoll);
    enableCheckTBState(true);

    stTBData data;
    data.identifier = m_device.identifier;
    data.serialNumber = m_device.serialNumber;
    data.productionDate = m_device.productionDate;
    data.maintenanceDate = m_device.maintenanceDate;

    if (m_device.configVersion != 0) {
        qWarning("Unknown config version %d(dec) of 1Wire-Device", m_device.configVersion);
        data.ignitionPulse = 0;
        data.configValid = false;
    } else {
        const char first = m_device.configData.isEmpty() ? '\0' : m_device.configData.at(0);
        if (first == '0' || first == '1') {
            data.ignitionPulse = first - '0';
            data.configValid = true;
        } else {
            data.ignitionPulse = -1;
            data.configValid = false;
        }
    }

    const stTestBoostDevice& limits = deviceList[size_t(row)];
    data.minVoltage = limits.minVoltage;
    data.maxVoltage = limits.maxVoltage;
    data.furtherLimit = limits.furtherLimit;
    data.minRequiredCapacitance = limits.minCapacitance;
    model().setTestBoostData(data);

    m_comErrors = 0;
    m_powerErrors = 0;
}

void TestBoostManagerExtPort::checkTestBoostState()
{
    const bool running = isTestRunning();

    ++m_comErrors;
    if (running) {
        if (m_comErrors > 8) {
            KLOG_ERROR2(Cls, Poll, makeErrMsg(QStringLiteral("Failed"), m_comErrors - 1, QStringLiteral("communication")));
            emit testBoostError(TBError_Communication);
        } else if (m_comErrors == 4) {
            KLOG_MEAS2(Cls, Poll, makeErrMsg(QStringLiteral("No connection"), 3, QStringLiteral("communication")));
        }
    }

    stTBState next{0, 0};
    m_pollTimer.setInterval(SlowPoll);

    if (!m_port) {
        afterFailedRead(next);
        return;
    }
    bool level = false;
    if (!m_port->getPIO(InReady, level)) {
        KLOG_DEBUG2(Cls, Poll, "Unable to check Testboost ready state");
        afterFailedRead(next);
        return;
    }
    next.powerState = (level && m_port->powerSupplyPresent()) ? TBReady_PowerPresent : TBReady_NoPower;
    if (running) {
        if (next.powerState == TBReady_PowerPresent) {
            if (m_powerErrors > 0) {
                KLOG_MEAS2(Cls, Poll, makeErrMsg(QStringLiteral("Recovered"), m_powerErrors, QStringLiteral("power")));
                m_powerErrors = 0;
            }
        } else {
            ++m_powerErrors;
            if (m_powerErrors > 8) {
                KLOG_ERROR2(Cls, Poll, makeErrMsg(QStringLiteral("Failed"), m_powerErrors, QStringLiteral("power")));
                emit testBoostError(TBError_Power);
            } else if (m_powerErrors == 4) {
                KLOG_MEAS2(Cls, Poll, makeErrMsg(QStringLiteral("No powersupply"), 4, QStringLiteral("power")));
            }
        }
    }

    struct Input {
        unsigned short io;
        qint32 bit;
        const char* failure;
    };
    static const Input inputs[] = {
        {InGround, WordGround, "Unable to check Testboost ground state"},
        {InFOhm, WordFOhm, "Unable to check Testboost F-Ohm state"},
        {InHVEnable, WordHVEnable, "Unable to check Testboost HV Enable state"},
    };
    for (const Input& in : inputs) {
        if (!m_port->getPIO(in.io, level)) {
            KLOG_DEBUG2(Cls, Poll, in.failure);
            afterFailedRead(next);
            return;
        }
        if (level)
            next.stateWord |= in.bit;
    }

    model().setTestBoostState(next, false);
    m_pollTimer.setInterval(FastPoll);

    if (next.stateWord != WordAll) {
        if (next.powerState == TBReady_PowerPresent && next.stateWord == (WordGround | WordFOhm)
            && model().isRemoteControlled()) {
            const bool dacWithoutIgnition =
                model().operatingMode() == OperatingModes::DAC && model().testBoostData().ignitionPulse != 1;
            if (!dacWithoutIgnition)
                enableHVENA(true);
        }
        if (running)
            ++m_stateErrors;
    } else if (running) {
        if (m_stateErrors > 0)
            KLOG_MEAS2(Cls, Poll, makeErrMsg(QStringLiteral("Recovered"), m_stateErrors, QStringLiteral("stateword")));
        m_stateErrors = 0;
    }

    if (running) {
        if (m_stateErrors > 8) {
            KLOG_ERROR2(Cls, Poll, makeErrMsg(QStringLiteral("Failed"), m_stateErrors, QStringLiteral("stateword")));
            emit testBoostError(TBError_StateWord);
        } else if (m_stateErrors == 4) {
            KLOG_MEAS2(Cls, Poll, makeErrMsg(QStringLiteral("Bad state"), 4, QStringLiteral("stateword")));
        }
        if (m_comErrors >= 2)
            KLOG_MEAS2(Cls, Poll,
                       makeErrMsg(QStringLiteral("Recovered"), m_comErrors - 1, QStringLiteral("communication")));
    }
    m_comErrors = 0;

    if (next != m_lastState) {
        if (m_changeCounter < 3)
            KLOG_DEBUG2(Cls, Poll,
                        QStringLiteral("stateCounter: %1 oldState: 0x%2 newState: 0x%3!")
                            .arg(m_changeCounter)
                            .arg(stateHex(m_lastState), stateHex(next)));
        m_lastState = next;
        m_changeCounter = 0;
    } else if (m_changeCounter < 3) {
        ++m_changeCounter;
    }
}

void TestBoostManagerExtPort::afterFailedRead(stTBState partial)
{
    if (m_comErrors != 3)
        return;
    // A known accessory whose lines cannot be read is not "no accessory": that would
    // let the frame enable high voltage with ground and F-Ohm unknown.
    if (m_deviceKnown && partial.powerState == TBReady_Unknown)
        partial.powerState = TBReady_NoPower;
    model().setTestBoostState(partial, false);
}

void TestBoostManagerExtPort::notifySafetyCircuitChanged()
{
    if (model().testBoostState().powerState == TBReady_PowerPresent)
        checkTestBoostState();
}

void TestBoostManagerExtPort::notifyAppStateChanged(States::AppState, States::AppState newState)
{
    m_testRunning = newState == States::TestRunning || newState == States::TestBurning;
}

void TestBoostManagerExtPort::notifyOperatingModeChanged(OperatingModes::OperatingMode mode)
{
    const stTBState state = model().testBoostState();
    if (state.powerState != TBReady_PowerPresent)
        return;
    if (state.stateWord == WordAll
        && (model().testBoostData().ignitionPulse == 1 || mode != OperatingModes::DAC))
        return;
    enableHVENA(!hasChildren(mode));
}

void TestBoostManagerExtPort::performUpdateTBDate(eExtPortDates type, QDateTime const& datetime)
{
    if (type != ExtPortDate_Maintenance)
        return;
    if (m_port && m_port->setDeviceDate(m_device, ExtPortDate_Maintenance, datetime)) {
        stTBData data = model().testBoostData();
        data.maintenanceDate = datetime;
        model().setTestBoostData(data);
        emit showMessageDlg(CAT_INF, QStringLiteral("Testboost"), QStringLiteral("MaintDateSuccessfullySet"), false,
                            true);
    } else {
        emit showMessageDlg(CAT_ERR, QStringLiteral("Testboost"), QStringLiteral("UnableToSetMaintDate"), false, true);
    }
}
