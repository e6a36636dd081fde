#pragma once

#include "hvunit/ExtPortDevice.h"
#include "datamodel/InstrumentTypes.h"
#include "datamodel/OperatingModes.h"
#include "hvunit/TestBoostModel.h"
#include "logging/MessageCategories.h"

#include <QDateTime>
#include <QObject>

#include <memory>

// The test boost supervisor the application frame talks to.
class TestBoostManager : public QObject {
    Q_OBJECT
public:
    // Error identifiers of testBoostError.
    enum eTBError : int {
        TBError_Communication = 1,
        TBError_Power = 2,
        TBError_StateWord = 3,
    };

    // model (required) is where the supervisor reads and publishes the accessory's state.
    explicit TestBoostManager(std::unique_ptr<TestBoostModel> model, QObject* parent = nullptr);
    ~TestBoostManager() override;

    virtual void notifySafetyCircuitChanged() = 0;
    virtual void notifyAppStateChanged(States::AppState oldState, States::AppState newState) = 0;
    virtual void notifyOperatingModeChanged(OperatingModes::OperatingMode mode) = 0;
    virtual void performUpdateTBDate(eExtPortDates type, QDateTime const& datetime) = 0;

signals:
    void testBoostError(int id);
    void showMessageDlg(MessageCategories category, const QString& context, const QString& key,
                        bool cancelButton, bool okButton);

public slots:
    void safetyCircuitChanged();
    void appStateChanged(States::AppState oldState, States::AppState newState);
    void operatingModeChanged(OperatingModes::OperatingMode mode);
    void updateTBDate(eExtPortDates type, QDateTime datetime);

protected:
    TestBoostModel& model() const { return *m_model; }

private:
    std::unique_ptr<TestBoostModel> m_model;
};
