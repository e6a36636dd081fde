#pragma once

#include "datamodel/InstrumentTypes.h"
#include "logging/MessageCategories.h"
#include "datamodel/OperatingModes.h"
#include "datamodel/SystemFunctions.h"
#include "datamodel/TanDeltaTypes.h"
#include "core/TransObject.h"
#include "uiapi/UpdatePackage.h"

#include <QAtomicInt>
#include <QList>
#include <QObject>
#include <QRect>
#include <QSemaphore>
#include <QStringList>
#include <QThread>
#include <QUuid>
#include <QVariantList>

#include <memory>
#include <type_traits>
#include <utility>

class TTestChart;

// The one door through which back-end code reaches the screen (dialogs, messages,
// progress) and through which the user interface's requests reach the back end.
//
// Every public slot may be called from any thread. Called on the GUI object's thread
// it runs directly; from another thread it is carried over: queued (in call order)
// when nothing is returned, and the caller waits when it needs the value (a dialog
// id, the USB answer). Only then does the protected ...Impl hook run, always on the
// GUI object's thread; HeadlessGui, RecordingGui and the window host override those.
//
// Adding an entry:
//   public slot:  void fooChanged(int v) { post([=] { fooChangedImpl(v); }); }
//             or  QUuid askFoo(QString t) { return wait([=] { return askFooImpl(t); }); }
//   protected:    virtual void fooChangedImpl(int) {}   (or a default value)
// Subclasses override the hook, never the slot.
class IGUI : public QObject {
    Q_OBJECT
public:
    enum CloseType : int {
        Accepted = 0,
        Rejected = 1,
        OtherResult = 2,
    };
    Q_ENUM(CloseType)

    explicit IGUI(QObject* parent = nullptr);
    ~IGUI() override;

    QRect geometry() const { return QRect(QPoint(0, 0), QPoint(-1, -1)); }
    int width() const { return geometry().width(); }
    int height() const { return geometry().height(); }

    // From now on no caller waits for the GUI thread: waiting entries return their
    // empty value at once. Called before the GUI thread joins the worker threads,
    // which could otherwise sit in a wait for it.
    void stopWaiting();

public slots:
    void show();
    void quit();
    // Asks the user to connect a USB stick; false means the caller gives up.
    bool requestUSBConnDlg();
    QUuid requestProgressDlg(const QString& text, int min, int max, int step, int start);
    void closeDlg(QUuid id, IGUI::CloseType type);
    void updateProgressDlgText(QUuid id, const QString& text);
    void incrementProgressDlg(QUuid id);
    QUuid showMessageDlg(MessageCategories mc, const QString& category, const QString& msgid, bool cancelButton,
                         bool okButton);
    QUuid showMessageDlg(MessageCategories mc, const TransObject& transObject, bool cancelButton, bool okButton);
    QUuid showMessageDlg(MessageCategories mc, const QList<TransObject>& transObjects, bool cancelButton,
                         bool okButton);
    // A header message that stays until closeDlg(id); the caller names it, so nobody waits.
    void holdMessage(QUuid id, MessageCategories mc, const TransObject& transObject);
    void operatingModeChanged(OperatingModes::OperatingMode mode);
    void remoteControlled(bool state);
    void communicationDown(bool error);
    // Hands over the store of test records that the history shows; not owned.
    void setTestChart(TTestChart* chart);

    // Connection points: the back end reports, the user interface host shows.
    void showSetSerialDlg();
    void showImportConfigDlg(QStringList files);
    void showFirmwareUpdateDlg(QList<updatePackage> packages);
    void resetDefValuesDone(bool ok);
    void aliveCheckFailed(uchar reason);
    void safetyCircuitChanged();
    void updatePeriodicMeasurementValues(stPeriodicMeasurementValues values);
    void burnCurrentLimiterChanged(bool on);
    void evaluationCriterionChanged(TanDelta::evaluation::eEvaluationStandard standard);
    void cableInsulationChanged(TanDelta::evaluation::eInsulationType insulation);
    void saveToHistoryFailed();

signals:
    // Requests of the user interface towards the back end.
    void PerformExternalAction(QString action);
    void changeLanguage(QString language);
    void importConfig(QString configFile, bool removeAtfterUpdate);
    void performUpdate(updatePackage package);
    void keyPressDetected(int key, bool pressed);
    void changeOperatingMode(OperatingModes::OperatingMode mode);
    void unlockSystemFunction(SystemFunction::eSysFunc func);
    void sendAppEvent(eAppEvent event);
    void setHVUnitParamValue(eHVUnitParamType type, qulonglong value);
    void transferTanDeltaSummary();
    void refreshHVUnitParams(QList<eHVUnitParamType> list);
    void messageDglClosed(QUuid dialogId, IGUI::CloseType type);

    // Notifications of the back end towards the user interface.
    void defaultValuesLoaded();
    void languageChanged();
    void languageListChanged(QVariantList languages);
    void USBStateChanged(eUSBState oldState, eUSBState newState);
    void watchdogResetOccured();
    void exportLogfileFinished(bool ok, QString path);
    void TestSettingsChanged();
    void TestBoostStateChanged(stTBState oldState, stTBState newState);
    void HVUnitParamChanged(eHVUnitParamType paramType, qulonglong value);

protected:
    // Hooks, run on the GUI object's thread only.
    virtual void showImpl() = 0;
    virtual void quitImpl() = 0;
    virtual bool requestUSBConnDlgImpl();
    virtual QUuid requestProgressDlgImpl(const QString& text, int min, int max, int step, int start);
    virtual void closeDlgImpl(QUuid id, IGUI::CloseType type);
    virtual void updateProgressDlgTextImpl(QUuid id, const QString& text);
    virtual void incrementProgressDlgImpl(QUuid id);
    virtual QUuid showMessageDlgImpl(MessageCategories mc, const QString& category, const QString& msgid,
                                     bool cancelButton, bool okButton);
    virtual QUuid showMessageDlgImpl(MessageCategories mc, const TransObject& transObject, bool cancelButton,
                                     bool okButton);
    virtual QUuid showMessageDlgImpl(MessageCategories mc, const QList<TransObject>& transObjects,
                                     bool cancelButton, bool okButton);
    // Without a header of its own: the message as any other.
    virtual void holdMessageImpl(const QUuid&, MessageCategories mc, const TransObject& transObject)
    {
        showMessageDlgImpl(mc, transObject, false, false);
    }
    virtual void operatingModeChangedImpl(OperatingModes::OperatingMode) {}
    virtual void remoteControlledImpl(bool) {}
    virtual void communicationDownImpl(bool) {}
    virtual void setTestChartImpl(TTestChart*) {}

    virtual void showSetSerialDlgImpl() {}
    virtual void showImportConfigDlgImpl(const QStringList&) {}
    virtual void showFirmwareUpdateDlgImpl(const QList<updatePackage>&) {}
    virtual void resetDefValuesDoneImpl(bool) {}
    virtual void aliveCheckFailedImpl(uchar) {}
    virtual void safetyCircuitChangedImpl() {}
    virtual void updatePeriodicMeasurementValuesImpl(const stPeriodicMeasurementValues&) {}
    virtual void burnCurrentLimiterChangedImpl(bool) {}
    virtual void evaluationCriterionChangedImpl(TanDelta::evaluation::eEvaluationStandard) {}
    virtual void cableInsulationChangedImpl(TanDelta::evaluation::eInsulationType) {}
    virtual void saveToHistoryFailedImpl() {}

    // Runs f on this object's thread; from another thread queued, keeping call order.
    template <typename F>
    void post(F&& f);
    // Runs f on this object's thread and returns its value; the caller from another
    // thread waits, still while the GUI thread sits in a local event loop. After
    // stopWaiting() or the door's end it gets a default value instead.
    template <typename F>
    auto wait(F&& f) -> std::decay_t<decltype(f())>;

private:
    bool onGuiThread() const { return QThread::currentThread() == thread(); }
    // A thread below the window waits on it: the hang of a thread waiting for the window
    // while the window waits for that thread. Told loudly; the test suite fails on it.
    static void reportWaitOffGuiThread();

    // Shared with waiting callers, which may outlive this object.
    std::shared_ptr<QAtomicInt> m_stopped = std::make_shared<QAtomicInt>(0);
};

Q_DECLARE_METATYPE(IGUI::CloseType)

template <typename F>
void IGUI::post(F&& f)
{
    if (onGuiThread())
        f();
    else
        QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::QueuedConnection);
}

template <typename F>
auto IGUI::wait(F&& f) -> std::decay_t<decltype(f())>
{
    using R = std::decay_t<decltype(f())>;
    if (onGuiThread())
        return f();
    reportWaitOffGuiThread();
    const std::shared_ptr<QAtomicInt> stopped = m_stopped;
    if (stopped->loadAcquire())
        return R();
    struct Reply {
        QSemaphore done;
        R value{};
    };
    const auto reply = std::make_shared<Reply>();
    QMetaObject::invokeMethod(
        this,
        [reply, f = std::forward<F>(f)]() mutable {
            reply->value = f();
            reply->done.release();
        },
        Qt::QueuedConnection);
    // A short slice so that stopWaiting() frees a caller whose call the GUI thread
    // will never run (it is joining this very thread).
    constexpr int kSliceMs = 50;
    while (!reply->done.tryAcquire(1, kSliceMs)) {
        if (stopped->loadAcquire())
            return R();
    }
    return reply->value;
}
