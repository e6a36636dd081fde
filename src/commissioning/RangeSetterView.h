#pragma once

#include <QObject>
#include <QString>

// One numeric row of the manual diagnosis page: a value within a range, in steps.
class RangeSetterView : public QObject {
    Q_OBJECT
    Q_PROPERTY(double from READ from NOTIFY rangeChanged)
    Q_PROPERTY(double to READ to NOTIFY rangeChanged)
    Q_PROPERTY(double value READ value WRITE setValue NOTIFY valueChanged)
    Q_PROPERTY(QString name READ name CONSTANT)
    Q_PROPERTY(double increment READ increment CONSTANT)
    Q_PROPERTY(int precision READ precision CONSTANT)
public:
    using QObject::QObject;

public slots:
    virtual double from() const = 0;
    virtual double to() const = 0;
    virtual double value() const = 0;
    virtual void setValue(double const& value) = 0;
    virtual QString name() const = 0;
    virtual double increment() = 0;
    virtual int precision() = 0;

signals:
    void rangeChanged();
    void valueChanged();
};
