#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

// Follows the USB stick at its mount point, as the stick layer sees it
// (GlobalFuncs::isUsbStickPresent). A new stick is checked first (state 2,
// a backup configuration left by an update is offered for import during the first
// seconds after start) and is then ready (0); without a stick the state is 1.
class CheckAppState : public QObject {
    Q_OBJECT
public:
    static constexpr int kPollMs = 500;
    static constexpr int kStartupWindowMs = 10000;

    explicit CheckAppState(QObject* parent = nullptr, int pollMs = kPollMs,
                           int startupWindowMs = kStartupWindowMs);
    ~CheckAppState() override;

    // Looks at the mount point now and then every poll period.
    void start();
    void stop();
    eUSBState usbState() const { return m_state; }

    static QString mountPoint();
    static bool stickPresent();
    // "<APP>_backup.cfg.xml" in the updates folder of the stick; where there is none, the
    // one named after the system name as configured, if there is one.
    static QString backupConfigFile();

public slots:
    void poll();

signals:
    void usbStateChanged(eUSBState oldState, eUSBState newState);
    void importConfig(QString configFile, bool removeAtfterUpdate);

private:
    void checkStick();
    void setState(eUSBState state);

    QTimer m_timer;
    QElapsedTimer m_sinceStart;
    const int m_startupWindowMs;
    eUSBState m_state = USBState_NoStick;
    bool m_backupOffered = false;
};
