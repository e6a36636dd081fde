#pragma once

#include "datamodel/OperatingModes.h"
#include "datamodel/InstrumentTypes.h"
#include "gui/PropertyConfirmationViewModel.h"
#include "gui/PropertySettingsViewModel.h"
#include "uiapi/OwnedItemList.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QQmlListProperty>
#include <QVariantList>
#include <QVector>

class DataModell;

// The voltage factors (percent of U0) of the levels of a stepped test, cut to the
// number of levels set.
QVector<unsigned short> getVoltageFactors(const DataModell& dm);

// The view model of the configuration, extended configuration and confirmation pages:
// one item per parameter of the chosen mode, filled from the test settings, confirmed
// one after the other and written back into the test settings.
class TestConfiguration : public QObject {
    Q_OBJECT
    Q_PROPERTY(QQmlListProperty<PropertySettingsViewModel> mainParameters READ mainParametersProperty
                   NOTIFY mainParametersChanged)
    Q_PROPERTY(QQmlListProperty<PropertySettingsViewModel> secondaryParameters READ secondaryParametersProperty
                   NOTIFY secondaryParametersChanged)
    // Read when the confirmation page opens; rebuilt only before it opens again.
    Q_PROPERTY(QQmlListProperty<PropertyConfirmationViewModel> confirmations READ confirmationsProperty)
    Q_PROPERTY(bool confirmEnabled READ confirmEnabled NOTIFY confirmEnabledChanged)
    Q_PROPERTY(bool manualRamp READ manualRamp NOTIFY manualRampChanged)
    Q_PROPERTY(int testTime READ testTime NOTIFY testTimeChanged)
public:
    explicit TestConfiguration(QObject* parent = nullptr);
    ~TestConfiguration() override;

    QQmlListProperty<PropertySettingsViewModel> mainParametersProperty();
    QQmlListProperty<PropertySettingsViewModel> secondaryParametersProperty();
    QQmlListProperty<PropertyConfirmationViewModel> confirmationsProperty();
    const QList<PropertySettingsViewModel*>& mainParameters() const { return m_mainParameters.items(); }
    const QList<PropertySettingsViewModel*>& secondaryParameters() const { return m_secondaryParameters.items(); }
    const QList<PropertyConfirmationViewModel*>& confirmations() const { return m_confirmations.items(); }

    OperatingModes::OperatingMode mode() const { return m_mode; }
    bool confirmEnabled() const { return m_confirmEnabled; }
    bool manualRamp() const;
    int testTime() const;

    Q_INVOKABLE void reset();
    Q_INVOKABLE void updateValuesFromModel();
    Q_INVOKABLE void updateVoltageInput();
    // Confirms the parameter being edited; true once every one is confirmed.
    Q_INVOKABLE bool confirmParameter();
    Q_INVOKABLE void confirmExtendedParameter();
    Q_INVOKABLE void setParametersToDataModel();
    // The test voltage in kV as the operator states it (RMS, peak, or U0 × factor).
    Q_INVOKABLE double voltage() const;
    // The levels of a stepped test as multiples of U0, the withstand level of the
    // monitored step test last.
    Q_INVOKABLE QVariantList voltageSteps() const;
    Q_INVOKABLE double voltageFactor() const;
    // Why the chosen standard cannot evaluate the test; empty when it can.
    Q_INVOKABLE QString tanDeltaEvaluationInfo() const;
    Q_INVOKABLE bool isSinglePhaseTestMode() const;
    Q_INVOKABLE bool isMwtPhaseVisible() const;
    // The rows a first start asks, none confirmed; false in a mode without rows.
    bool askConfirmationsAgain();

    // A peak test voltage (mV) to the kilovolts entered for the current voltage type.
    double convertVoltage(long millivolts) const;
    void updateVoltageRange();
    void setParameterToDataModel(ValueUnit::ValueType type, int value, int scale);

public slots:
    void onOperationModeChange(OperatingModes::OperatingMode mode);
    void updateParameters();
    void updatePhases();
    void appStateChanged(States::AppState old, States::AppState state);
    void updateVoltageInputPrameter();

signals:
    void mainParametersChanged();
    void secondaryParametersChanged();
    void confirmEnabledChanged();
    void manualRampChanged();
    void testTimeChanged();
    void voltageTypeChanged();
    void voltageFactorChanged();

private:
    void updateMainParameters();
    void updateSecondaryParameters();
    // From the start: the first selected phase, nothing confirmed; else the phase to
    // connect next.
    void updateConfirmations(bool fromStart = false);
    void updateConfirmEnabled();
    void createVoltageItems(DataModell& dm, QList<PropertySettingsViewModel*>& items);
    PropertySettingsViewModel* addItem(QList<PropertySettingsViewModel*>& list, const QString& name,
                                       const QString& description, const QString& unit, ValueUnit::ValueType type);
    void replaceItems(OwnedItemList<PropertySettingsViewModel>& list, const QList<PropertySettingsViewModel*>& items,
                      void (TestConfiguration::*notify)());
    void setConfigurationParameterValue(ValueUnit::ValueType type, int value);
    PropertySettingsViewModel* findItem(const QList<PropertySettingsViewModel*>& list,
                                        ValueUnit::ValueType type) const;
    // The voltage the voltage items stand for: the range in the sheath modes and a manual ramp.
    long storedVoltage(const DataModell& dm) const;
    // Name and description of a voltage item, the one place that writes them.
    void labelVoltageItem(PropertySettingsViewModel* item) const;
    // Why U0 ends below the maximum in a stepped test; empty where it does not.
    QString levelLimitNote() const;
    // The type the voltage type editor names now; the stored type without that editor.
    int chosenVoltageType() const;
    // The factor editor shows only while the chosen type reads Factor.
    void applyFactorVisibility();
    void writeVoltageType(DataModell& dm);
    void writeVoltageFactor(DataModell& dm, int value);
    bool isSheathMode() const;
    OperatingModes::OperatingMode currentMode() const;

    OwnedItemList<PropertySettingsViewModel> m_mainParameters;
    OwnedItemList<PropertySettingsViewModel> m_secondaryParameters;
    OwnedItemList<PropertyConfirmationViewModel> m_confirmations;
    bool m_confirmEnabled = false;
    OperatingModes::OperatingMode m_mode = OperatingModes::Unknown;
};
