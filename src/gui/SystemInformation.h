#pragma once

#include "datamodel/InstrumentTypes.h"
#include "gui/IconListViewItem.h"
#include "uiapi/OwnedItemList.h"

#include <QList>
#include <QObject>
#include <QQmlListProperty>

#include <bitset>
#include <optional>

// The information page (versions, serial numbers, storage, the test boost's data and the
// network addresses) and the safety-circuit inputs and test boost plugs that the test
// confirmation reads. It reads everything on demand from the data model and the
// connection manager and keeps only the last safety state and the two plug flags.
class SystemInformation : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString hardwareId READ hardwareId NOTIFY versionsChanged)
    Q_PROPERTY(QString applicationVersion READ applicationVersion CONSTANT)
    Q_PROPERTY(QString serialNumber READ serialNumber NOTIFY versionsChanged)
    Q_PROPERTY(QString bootloaderVersion READ bootloaderVersion NOTIFY versionsChanged)
    Q_PROPERTY(QString kernelVersion READ kernelVersion NOTIFY versionsChanged)
    Q_PROPERTY(QString filesystemVersion READ filesystemVersion NOTIFY versionsChanged)
    Q_PROPERTY(QString hvcVersion READ hvcVersion NOTIFY versionsChanged)
    Q_PROPERTY(QString hwVersion READ hwVersion NOTIFY versionsChanged)
    Q_PROPERTY(QString hvSourceVersion READ hvSourceVersion NOTIFY versionsChanged)
    Q_PROPERTY(QString diskUsage READ diskUsage NOTIFY versionsChanged)
    Q_PROPERTY(QString freeMeasurementsToSave READ freeMeasurementsToSave NOTIFY versionsChanged)
    Q_PROPERTY(QString pevantoType READ pevantoType NOTIFY versionsChanged)
    Q_PROPERTY(uchar pevantoTypeInt READ pevantoTypeInt NOTIFY versionsChanged)
    Q_PROPERTY(QString testboostId READ testboostId NOTIFY testboostDataChanged)
    Q_PROPERTY(QString testboostSerial READ testboostSerial NOTIFY testboostDataChanged)
    Q_PROPERTY(QString ignitionPuls READ ignitionPuls NOTIFY testboostDataChanged)
    // Built anew each time a page reads it.
    Q_PROPERTY(QQmlListProperty<IconListViewItem> networkConnectionList READ networkConnectionList CONSTANT)
    Q_PROPERTY(bool keySwitch READ keySwitch NOTIFY keySwitchChanged)
    Q_PROPERTY(bool emergencyOff READ emergencyOff NOTIFY emergencyOffChanged)
    Q_PROPERTY(bool hvConnector READ hvConnector NOTIFY hvConnectorChanged)
    Q_PROPERTY(bool fOhm READ fOhm NOTIFY fOhmChanged)
    Q_PROPERTY(bool temp READ temp NOTIFY tempChanged)
    Q_PROPERTY(bool testboost READ testboost NOTIFY testboostChanged)
    Q_PROPERTY(bool hvFree READ hvFree NOTIFY hvFreeChanged)
    Q_PROPERTY(bool hvOff READ hvOff NOTIFY hvOffChanged)
    Q_PROPERTY(bool extEmergencyOff READ extEmergencyOff NOTIFY extEmergencyOffChanged)
    Q_PROPERTY(bool hvOn READ hvOn NOTIFY hvOnChanged)
    Q_PROPERTY(bool testBoostHVPlugged READ testBoostHVPlugged NOTIFY testBoostHVPluggedChanged)
    Q_PROPERTY(bool testBoostGNDPlugged READ testBoostGNDPlugged NOTIFY testBoostGNDPluggedChanged)
public:
    // Size of one test record when counting how many more fit.
    static constexpr unsigned long long RecordBytes = 40000;

    explicit SystemInformation(QObject* parent = nullptr);

    QString hardwareId() const;
    QString applicationVersion() const;
    QString serialNumber() const;
    QString bootloaderVersion() const;
    QString kernelVersion() const;
    QString filesystemVersion() const;
    QString hvcVersion() const;
    QString hwVersion() const;
    QString hvSourceVersion() const;
    QString diskUsage() const;
    QString freeMeasurementsToSave() const;
    QString pevantoType() const;
    uchar pevantoTypeInt() const;
    QString testboostId() const;
    QString testboostSerial() const;
    QString ignitionPuls() const;
    QQmlListProperty<IconListViewItem> networkConnectionList();
    const QList<IconListViewItem*>& networkItems() const { return m_networkItems.items(); }

    bool keySwitch() const { return inputClosed(0); }
    bool emergencyOff() const { return inputClosed(1); }
    bool hvConnector() const { return inputClosed(2); }
    bool fOhm() const { return inputClosed(3); }
    bool temp() const { return inputClosed(4); }
    bool testboost() const { return inputClosed(5); }
    bool hvFree() const { return inputClosed(6); }
    bool hvOff() const { return inputClosed(7); }
    bool extEmergencyOff() const { return inputClosed(8); }
    bool hvOn() const { return inputClosed(9); }
    bool testBoostHVPlugged() const { return m_testBoostHVPlugged; }
    bool testBoostGNDPlugged() const { return m_testBoostGNDPlugged; }

    // The text for a number of records that still fit.
    static QString freeRecordsText(qint64 count);
    static QString typeText(int type);
    static QString ignitionText(int mode);

public slots:
    void onSafetyCircuitChanged();
    void testBoostStateChanged(stTBState oldState, stTBState newState);

signals:
    void versionsChanged();
    void testboostDataChanged();
    void keySwitchChanged();
    void emergencyOffChanged();
    void hvConnectorChanged();
    void fOhmChanged();
    void tempChanged();
    void testboostChanged();
    void hvFreeChanged();
    void hvOffChanged();
    void extEmergencyOffChanged();
    void hvOnChanged();
    void testBoostHVPluggedChanged();
    void testBoostGNDPluggedChanged();

private:
    // True when the input's bit is 0; the first read takes the data model's state.
    bool inputClosed(int bit) const;
    void emitInputChanged(int bit);

    bool m_testBoostHVPlugged = true;
    bool m_testBoostGNDPlugged = true;
    mutable std::optional<SafetyCircuitBits> m_safetyState;
    OwnedItemList<IconListViewItem> m_networkItems;
};
