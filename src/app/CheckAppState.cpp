#include "app/CheckAppState.h"

#include "core/GlobalFuncs.h"
#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

CheckAppState::CheckAppState(QObject* parent, int pollMs, int startupWindowMs)
    : QObject(parent), m_startupWindowMs(startupWindowMs)
{
    registerInstrumentTypes();
    m_timer.setInterval(qMax(10, pollMs));
    connect(&m_timer, &QTimer::timeout, this, &CheckAppState::poll);
}

CheckAppState::~CheckAppState() = default;

void CheckAppState::start()
{
    m_sinceStart.start();
    m_timer.start();
    poll();
}

void CheckAppState::stop() { m_timer.stop(); }

QString CheckAppState::mountPoint() { return GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint); }

bool CheckAppState::stickPresent() { return GlobalFuncs::isUsbStickPresent(); }

QString CheckAppState::backupConfigFile()
{
    const QString folder = GlobalFuncs::getUsbPath(GlobalFuncs::UsbUpdates) + QLatin1Char('/');
    const QFileInfo file(folder + QCoreApplication::applicationName().toUpper() + QStringLiteral("_backup.cfg.xml"));
    // One written before the name was reduced (blanks or dots around it) carries it as configured.
    const QFileInfo earlier(folder + GlobalFuncs::getSystemName().toUpper() + QStringLiteral("_backup.cfg.xml"));
    const bool useEarlier = !file.exists() && !file.isSymLink() && (earlier.exists() || earlier.isSymLink()) &&
                            earlier.absolutePath() == file.absolutePath();
    return (useEarlier ? earlier : file).filePath();
}

void CheckAppState::poll()
{
    const bool present = stickPresent();
    if (present && m_state == USBState_NoStick) {
        setState(USBState_Checking);
        // The check runs on the next turn of the event loop, so the state 2 is seen on its own.
        QTimer::singleShot(0, this, &CheckAppState::checkStick);
    } else if (!present && m_state != USBState_NoStick) {
        KLOG_INFO2("CheckAppState", "poll", "USB stick removed");
        setState(USBState_NoStick);
    }
}

void CheckAppState::checkStick()
{
    if (m_state != USBState_Checking)
        return;
    if (!stickPresent()) {
        setState(USBState_NoStick);
        return;
    }
    KLOG_INFO2("CheckAppState", "checkStick", QStringLiteral("USB stick at %1").arg(mountPoint()));
    // Ready before the import is asked for: the import works on the stick.
    setState(USBState_Ready);
    if (!m_backupOffered && m_sinceStart.isValid() && m_sinceStart.elapsed() <= m_startupWindowMs) {
        const QString backup = backupConfigFile();
        // Any entry of that name goes to the import, which refuses (and says so) what is
        // no plain file; a link is never followed here.
        const QFileInfo entry(backup);
        if (entry.exists() || entry.isSymLink()) {
            m_backupOffered = true;
            KLOG_INFO2("CheckAppState", "checkStick", QStringLiteral("Backup configuration found: %1").arg(backup));
            emit importConfig(backup, true);
        }
    }
}

void CheckAppState::setState(eUSBState state)
{
    if (state == m_state)
        return;
    const eUSBState old = m_state;
    m_state = state;
    emit usbStateChanged(old, state);
}
