#pragma once

#include "datamodel/InstrumentTypes.h"
#include "gui/FixedValueUnit.h"
#include "uiapi/OwnedItemList.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QQmlListProperty>
#include <QString>

class DataModell;

// Behind the pages between the start of a test and its first live values: turns the
// application state into argument-less signals the pages navigate on, and keeps the
// side panel's parameter items (load detection and result currents, the test
// parameters of the mode).
class TestPreparation : public QObject {
    Q_OBJECT
    Q_PROPERTY(uint time READ time NOTIFY timeChanged)
    Q_PROPERTY(QQmlListProperty<FixedValueUnit> preparationParameters READ preparationParametersProperty
                   NOTIFY preparationParametersChanged)
    Q_PROPERTY(QQmlListProperty<FixedValueUnit> shownTestParameters READ shownTestParametersProperty
                   NOTIFY shownTestParametersChanged)
    Q_PROPERTY(ulong frequencyUsed READ frequencyUsed NOTIFY frequencyUsedChanged)
    Q_PROPERTY(ulong frequencyToTest READ frequencyToTest NOTIFY frequencyToTestChanged)
    // While a start waits: the first open input of the safety loop, empty when it is closed.
    Q_PROPERTY(QString openSafetyInput READ openSafetyInput NOTIFY openSafetyInputChanged)
public:
    explicit TestPreparation(QObject* parent = nullptr);

    uint time() const { return m_time; }
    QQmlListProperty<FixedValueUnit> preparationParametersProperty();
    QQmlListProperty<FixedValueUnit> shownTestParametersProperty();
    const QList<FixedValueUnit*>& preparationParameters() const { return m_preparationParameters.items(); }
    const QList<FixedValueUnit*>& shownTestParameters() const { return m_shownTestParameters.items(); }
    unsigned long frequencyUsed() const;
    unsigned long frequencyToTest() const;
    QString openSafetyInput() const { return m_openSafetyInput; }

    // The test parameters of the selected mode as new items of the given parent; reads
    // only the data model, so the results view builds its own list with it. Before the test
    // a manual ramp names no target; as run, the highest the unit took.
    static QList<FixedValueUnit*> collectShownParameter(QObject* parent, bool asRun = false);

    void updateShownTestParameters();
    void updatePreparationParameter();
    void addPreparationParameter(FixedValueUnit::ValueType type);
    void setPreparationParameter(FixedValueUnit::ValueType type, const QPair<QString, QString>& valueAndUnit);
    void setShownTestParameter(FixedValueUnit::ValueType type, const QPair<QString, QString>& valueAndUnit);
    void updateLoadDetection();
    void updateTargetVoltage();
    void updateTestResults();

public slots:
    void appStateChanged(States::AppState oldState, States::AppState newState);
    void updateTimeoutTime(uint timeMs);

signals:
    void timeChanged();
    void preparationParametersChanged();
    void shownTestParametersChanged();
    void frequencyUsedChanged();
    void frequencyToTestChanged();
    void openSafetyInputChanged();
    void initTest();
    void waitForHvSignal();
    void hvSignalTimeout();
    void prepareMeasurement();
    void waitForLoadDetection();
    void waitForEffTestParamerters();
    void waitForConfirmation();
    void testReadyToRun();
    void testStarted();
    void testFinalizing();
    void testFinished();
    void waitPhaseConnect();
    // A start was refused for the unit's error (the next phase's, or one sent as the unit
    // came back and reported an error, or one pressed during the error).
    void startRefused();

private:
    static void setFirst(const QList<FixedValueUnit*>& items, FixedValueUnit::ValueType type,
                         const QPair<QString, QString>& valueAndUnit);

    void updateOpenSafetyInput();

    uint m_time = 0;
    States::AppState m_state = States::None;
    QString m_openSafetyInput;
    OwnedItemList<FixedValueUnit> m_preparationParameters;
    OwnedItemList<FixedValueUnit> m_shownTestParameters;
};
