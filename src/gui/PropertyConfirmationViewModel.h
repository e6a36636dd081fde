#pragma once

#include <QObject>
#include <QString>

// One row of the confirmation page: confirm the voltage levels, or connect (or
// reconnect) the test object to a phase.
class PropertyConfirmationViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isConfirmed READ isConfirmed WRITE setConfirm NOTIFY confirmChanged)
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged)
    Q_PROPERTY(PropertyConfirmationType type READ type CONSTANT)
public:
    enum PropertyConfirmationType : int {
        Unknown = 0,
        VoltageLevels = 1,
        Phase = 2,
    };
    Q_ENUM(PropertyConfirmationType)

    explicit PropertyConfirmationViewModel(QObject* parent = nullptr);
    explicit PropertyConfirmationViewModel(PropertyConfirmationType type, QObject* parent = nullptr);

    // Only the type is taken over.
    PropertyConfirmationViewModel& operator=(const PropertyConfirmationViewModel& other);

    bool isConfirmed() const { return m_confirmed; }
    // For a phase row the phase index 0, 1 or 2.
    int value() const { return m_value; }
    PropertyConfirmationType type() const { return m_type; }

    void setConfirm(bool confirmed);
    void setValue(int value);
    void setType(PropertyConfirmationType type) { m_type = type; }

    Q_INVOKABLE QString description() const;

signals:
    void confirmChanged();
    void valueChanged();

private:
    bool m_confirmed = false;
    int m_value = 0;
    PropertyConfirmationType m_type = Unknown;
};
