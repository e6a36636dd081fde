#include "fakes/RecordingGui.h"

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

bool RecordingGui::requestUSBConnDlg()
{
    Call c;
    c.operation = QStringLiteral("requestUSBConnDlg");
    calls << c;
    return usbAnswer;
}

QUuid RecordingGui::requestProgressDlg(const QString& text, int min, int max, int step, int start)
{
    Call c;
    c.operation = QStringLiteral("requestProgressDlg");
    c.context = text;
    c.arguments = QStringList{QString::number(min), QString::number(max), QString::number(step), QString::number(start)};
    c.id = QUuid::createUuid();
    calls << c;
    return c.id;
}

void RecordingGui::closeDlg(QUuid id, IGUI::CloseType type)
{
    Call c;
    c.operation = QStringLiteral("closeDlg");
    c.id = id;
    c.closeType = type;
    calls << c;
}

void RecordingGui::updateProgressDlgText(QUuid id, const QString& text)
{
    Call c;
    c.operation = QStringLiteral("updateProgressDlgText");
    c.id = id;
    c.context = text;
    calls << c;
}

void RecordingGui::incrementProgressDlg(QUuid id)
{
    Call c;
    c.operation = QStringLiteral("incrementProgressDlg");
    c.id = id;
    calls << c;
}

QUuid RecordingGui::showMessageDlg(MessageCategories mc, const QString& category, const QString& msgid,
                                   bool cancelButton, bool okButton)
{
    return showMessageDlg(mc, TransObject(category, msgid), cancelButton, okButton);
}

QUuid RecordingGui::showMessageDlg(MessageCategories mc, const TransObject& transObject, bool, bool)
{
    Call c;
    c.operation = QStringLiteral("showMessageDlg");
    c.category = mc;
    c.context = transObject.context();
    c.key = transObject.key();
    c.arguments = transObject.arguments();
    c.id = QUuid::createUuid();
    calls << c;
    return c.id;
}

QUuid RecordingGui::showMessageDlg(MessageCategories mc, const QList<TransObject>& transObjects, bool cancelButton,
                                   bool okButton)
{
    QUuid first;
    for (const TransObject& t : transObjects) {
        const QUuid id = showMessageDlg(mc, t, cancelButton, okButton);
        if (first.isNull())
            first = id;
    }
    return first;
}
