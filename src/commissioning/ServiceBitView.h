#pragma once

#include <QObject>
#include <QString>

// One check box of the sine diagnosis page: switches one protection of the unit.
// Checked means the protection works (its service bit is clear).
class ServiceBitView : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool set READ isSet WRITE set NOTIFY setChanged)
    Q_PROPERTY(QString name READ name CONSTANT)
public:
    using QObject::QObject;

public slots:
    virtual bool isSet() const = 0;
    virtual void set(bool value) = 0;
    virtual QString name() const = 0;

signals:
    void setChanged();
};
