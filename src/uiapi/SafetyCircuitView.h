#pragma once

#include "core/Pimpl.h"
#include "uiapi/SafetyPin.h"

#include <QObject>
#include <QString>

#include <bitset>
#include <functional>
#include <memory>

// One contact of the safety circuit on the commissioning pages: its fixed name and
// whether it is closed.
class SafetyCircuitView : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool closed READ closed NOTIFY closedChanged)
    Q_PROPERTY(QString name READ name CONSTANT)
public:
    // Defaults let QML create a placeholder.
    explicit SafetyCircuitView(eSafetyPin pin = SafetyPin_InterlockKey, QObject* parent = nullptr);
    ~SafetyCircuitView() override;

    bool closed() const;
    QString name() const;
    eSafetyPin pin() const;

public slots:
    void onSafetyCircuitChanged(std::bitset<10> state);

signals:
    void closedChanged();

private:
    struct Data;
    std::unique_ptr<Data, std::function<void(Data*)>> m;
};
