#include "fakes/RecordingGui.h"

#include <QThread>

QList<RecordingGui::Call> RecordingGui::callsOf(const QString& operation) const
{
    QList<Call> out;
    for (const Call& c : calls) {
        if (c.operation == operation)
            out << c;
    }
    return out;
}

bool RecordingGui::hasMessage(const QString& context, const QString& key) const
{
    for (const Call& c : calls) {
        if (c.operation == QLatin1String("showMessageDlg") && c.context == context && c.key == key)
            return true;
    }
    return false;
}

RecordingGui::Call& RecordingGui::record(const QString& operation, const QStringList& arguments)
{
    Call c;
    c.operation = operation;
    c.arguments = arguments;
    c.thread = QThread::currentThread();
    calls << c;
    return calls.last();
}

bool RecordingGui::requestUSBConnDlgImpl()
{
    record(QStringLiteral("requestUSBConnDlg"));
    return usbAnswer;
}

QUuid RecordingGui::requestProgressDlgImpl(const QString& text, int min, int max, int step, int start)
{
    Call& c = record(QStringLiteral("requestProgressDlg"));
    c.context = text;
    c.arguments = QStringList{QString::number(min), QString::number(max), QString::number(step), QString::number(start)};
    c.id = QUuid::createUuid();
    return c.id;
}

void RecordingGui::closeDlgImpl(QUuid id, IGUI::CloseType type)
{
    Call& c = record(QStringLiteral("closeDlg"));
    c.id = id;
    c.closeType = type;
}

void RecordingGui::updateProgressDlgTextImpl(QUuid id, const QString& text)
{
    Call& c = record(QStringLiteral("updateProgressDlgText"));
    c.id = id;
    c.context = text;
}

void RecordingGui::incrementProgressDlgImpl(QUuid id)
{
    record(QStringLiteral("incrementProgressDlg")).id = id;
}

QUuid RecordingGui::showMessageDlgImpl(MessageCategories mc, const QString& category, const QString& msgid,
                                       bool cancelButton, bool okButton)
{
    return showMessageDlgImpl(mc, TransObject(category, msgid), cancelButton, okButton);
}

QUuid RecordingGui::showMessageDlgImpl(MessageCategories mc, const TransObject& transObject, bool cancelButton,
                                       bool okButton)
{
    Call& c = record(QStringLiteral("showMessageDlg"));
    c.cancelButton = cancelButton;
    c.okButton = okButton;
    c.category = mc;
    c.context = transObject.context();
    c.key = transObject.key();
    c.arguments = transObject.arguments();
    c.id = QUuid::createUuid();
    const auto answer = answers.constFind(c.key);
    if (answer != answers.constEnd()) {
        // The user closes it after the caller holds its id.
        const QUuid id = c.id;
        const IGUI::CloseType type = answer.value();
        QMetaObject::invokeMethod(this, [this, id, type] { emit messageDglClosed(id, type); }, Qt::QueuedConnection);
    }
    return c.id;
}

QUuid RecordingGui::showMessageDlgImpl(MessageCategories mc, const QList<TransObject>& transObjects,
                                       bool cancelButton, bool okButton)
{
    QUuid first;
    for (const TransObject& t : transObjects) {
        const QUuid id = showMessageDlgImpl(mc, t, cancelButton, okButton);
        if (first.isNull())
            first = id;
    }
    return first;
}

void RecordingGui::operatingModeChangedImpl(OperatingModes::OperatingMode mode)
{
    record(QStringLiteral("operatingModeChanged"), {QString::number(int(mode))});
}

void RecordingGui::communicationDownImpl(bool error)
{
    record(QStringLiteral("communicationDown"), {flag(error)});
}

void RecordingGui::updatePeriodicMeasurementValuesImpl(const stPeriodicMeasurementValues& v)
{
    record(QStringLiteral("updatePeriodicMeasurementValues"),
           {QString::number(v.voltage), QString::number(v.current), QString::number(v.tanDelta),
            QString::number(v.timeStamp)});
}

void RecordingGui::showFirmwareUpdateDlgImpl(const QList<updatePackage>& packages)
{
    Call& c = record(QStringLiteral("showFirmwareUpdateDlg"));
    for (const updatePackage& p : packages)
        c.arguments << p.name;
}
