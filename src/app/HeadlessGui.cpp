#include "app/HeadlessGui.h"

#include "logging/LoggingCtrl.h"

#include <QCoreApplication>

HeadlessGui::HeadlessGui(QObject* parent) : IGUI(parent) {}

HeadlessGui::~HeadlessGui() = default;

void HeadlessGui::showImpl() { KLOG_INFO2("HeadlessGui", "show", "Running without a window"); }

void HeadlessGui::quitImpl() { QCoreApplication::quit(); }

QUuid HeadlessGui::requestProgressDlgImpl(const QString& text, int min, int max, int, int start)
{
    KLOG_INFO2("HeadlessGui", "requestProgressDlg", QStringLiteral("%1 (%2 of %3..%4)").arg(text).arg(start).arg(min).arg(max));
    return QUuid::createUuid();
}

void HeadlessGui::closeDlgImpl(QUuid id, IGUI::CloseType type)
{
    KLOG_DEBUG2("HeadlessGui", "closeDlg", QStringLiteral("%1 closed (%2)").arg(id.toString()).arg(int(type)));
}

QUuid HeadlessGui::showMessageDlgImpl(MessageCategories mc, const QString& category, const QString& msgid, bool, bool)
{
    return logMessage(mc, QCoreApplication::translate(category.toUtf8().constData(), msgid.toUtf8().constData()));
}

QUuid HeadlessGui::showMessageDlgImpl(MessageCategories mc, const TransObject& transObject, bool, bool)
{
    return logMessage(mc, transObject.toText());
}

QUuid HeadlessGui::showMessageDlgImpl(MessageCategories mc, const QList<TransObject>& transObjects, bool, bool)
{
    QStringList texts;
    for (const TransObject& t : transObjects)
        texts << t.toText();
    return logMessage(mc, texts.join(QLatin1Char(' ')));
}

void HeadlessGui::communicationDownImpl(bool error)
{
    if (error)
        KLOG_WARN2("HeadlessGui", "communicationDown", "Connection to the HV unit is down");
}

QUuid HeadlessGui::logMessage(MessageCategories mc, const QString& text)
{
    const QUuid id = QUuid::createUuid();
    KLOG_INFO2("HeadlessGui", "showMessageDlg", QStringLiteral("[%1] %2").arg(int(mc)).arg(text));
    return id;
}
