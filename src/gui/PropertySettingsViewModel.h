#pragma once

#include "gui/ValueUnit.h"

#include <QPointer>

// One parameter button of the test configuration page: a value item with its editing
// state (shown editor, confirmed by the operator) and its value as display text.
class PropertySettingsViewModel : public ValueUnit {
    Q_OBJECT
    Q_PROPERTY(bool isConfirmed READ isConfirmed WRITE setConfirm NOTIFY confirmChanged)
    Q_PROPERTY(bool isActive READ isActive WRITE setActive NOTIFY activeChanged)
    Q_PROPERTY(bool isPhase READ isPhase NOTIFY typeChanged)
    Q_PROPERTY(bool isVoltageFactor READ isVoltageFactor NOTIFY typeChanged)
    Q_PROPERTY(PropertyItemType propertyItemType READ propertyItemType NOTIFY typeChanged)
public:
    enum PropertyItemType : int {
        Unknown = 0,
        SlideValue = 1,
        PhaseValue = 2,
        SingleChoiceValue = 3,
        ListValue = 4,
    };
    Q_ENUM(PropertyItemType)

    explicit PropertySettingsViewModel(const QString& name = QString(), const QString& description = QString(),
                                       const QString& unit = QString(),
                                       ValueUnit::ValueType type = ValueUnit::Unknown, QObject* parent = nullptr);

    bool isConfirmed() const { return m_confirmed; }
    bool isActive() const { return m_active; }
    bool isPhase() const { return type() == ValueUnit::Phases; }
    bool isVoltageFactor() const { return type() == ValueUnit::VoltageFactor; }
    PropertyItemType propertyItemType() const;

    void setConfirm(bool confirmed);
    // Leaving the editor with another value than the confirmed one withdraws the confirmation.
    void setActive(bool active);

    // The factor the shown value is multiplied by, in tenths like the data model's.
    int valueFactor() const { return m_valueFactor; }
    void setValueFactor(int tenths);
    // The U0 item a voltage factor is shown against; not owned, forgotten when deleted.
    void setConnectedModel(PropertySettingsViewModel* model) { m_connectedModel = model; }
    PropertySettingsViewModel* getConnectedModel() const { return m_connectedModel; }

    Q_INVOKABLE QString valueToString();

signals:
    void confirmChanged();
    void activeChanged();
    void valueFactorChanged();

private:
    bool m_confirmed = false;
    bool m_active = false;
    int m_confirmedValue = 0;
    int m_valueFactor = 10;
    QPointer<PropertySettingsViewModel> m_connectedModel;
};
