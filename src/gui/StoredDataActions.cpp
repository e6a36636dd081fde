#include "gui/StoredDataActions.h"

#include "core/GlobalFuncs.h"
#include "core/StickWriter.h"
#include "core/TransObject.h"
#include "core/WhenFinished.h"
#include "datamodel/DataModell.h"
#include "gui/DialogQueue.h"
#include "gui/Settings.h"
#include "logging/LoggingCtrl.h"
#include "tandelta/TanDeltaCriteriaFolder.h"
#include "tandelta/TanDeltaFunctions.h"
#include "tandelta/TanDeltaLists.h"
#include "tandelta/TanDeltaStrings.h"
#include "testrun/TestChart.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QtConcurrent>

#include <memory>

namespace {
// Logged under the root view model, whose operations these are to the pages.
const char* const kClass = "GuiViewModel";

QString translated(const char* context, const char* key) { return QCoreApplication::translate(context, key); }

QList<TanDelta::evaluation::eEvaluationStandard> standardsOf(const QList<int>& ids)
{
    QList<TanDelta::evaluation::eEvaluationStandard> standards;
    for (int id : ids)
        standards << static_cast<TanDelta::evaluation::eEvaluationStandard>(id);
    return standards;
}
} // namespace

StoredDataActions::StoredDataActions(DialogQueue& dialogs, QObject* parent) : QObject(parent), m_dialogs(dialogs) {}

void StoredDataActions::askFirst(const QString& text, const QString& acceptButton, const QString& key,
                                 const QString& lock, std::function<void()> onAccept)
{
    const QUuid id = m_dialogs.showQuestion(text, acceptButton, translated("Dialog", "Cancel"));
    // A second press before the answer joins the waiting request: one answer, one run.
    const QString pending = id.toString() + QLatin1Char('\n') + key;
    if (m_pendingAnswers.contains(pending))
        return;
    m_pendingAnswers.insert(pending);
    m_dialogs.whenAnswered(id, this, [this, pending, lock, onAccept](bool accepted) {
        m_pendingAnswers.remove(pending);
        if (!accepted)
            return;
        // The menu may have been locked while the question waited.
        if (Settings::isLocked(lock)) {
            KLOG_WARN2(kClass, "askFirst", QStringLiteral("The %1 lock closed before the answer: not run").arg(lock));
            return;
        }
        onAccept();
    });
}

void StoredDataActions::performSystemFunction(SystemFunction::eSysFunc func)
{
    DataModell* dm = GlobalFuncs::getDM();
    if (!dm) {
        KLOG_WARN2(kClass, "performSystemFunction", "missing DataModel");
        return;
    }
    emit PerformExternalAction(dm->getSystemFunctions()->getFuncName(func));
}

void StoredDataActions::showOutcome(bool ok, const char* context, const char* successKey, const char* failureKey,
                                    const QString& failure)
{
    if (!m_lastOutcome.second.isNull())
        m_dialogs.hideMessage(m_lastOutcome.first, m_lastOutcome.second);
    const MessageCategories category = ok ? CAT_INF : CAT_ERR;
    const QString text = ok ? translated(context, successKey) : failure.isEmpty() ? translated(context, failureKey) : failure;
    m_lastOutcome = {category, m_dialogs.show(category, text, QString(), QString())};
}

void StoredDataActions::askToUpdate(const QString& updateFile)
{
    // The name comes from the stick: shown as text, never as markup.
    const QString text = QStringLiteral("<b>") + QFileInfo(updateFile).fileName().toHtmlEscaped()
        + QStringLiteral("</b><br><br>") + translated("UpdateManager", "PerformThisUpdate");
    askFirst(text, translated("Menu", "Update"), updateFile, Settings::kAdminLock,
             [this, updateFile]() { emit performUpdate(updateFile); });
}

void StoredDataActions::askToImportConfig(const QString& configFile, bool removeAtfterUpdate)
{
    askFirst(translated("ConfigfileManager", "ImportThisConfigfile"), translated("Menu", "ImportData"),
             configFile + QLatin1Char('\n') + QString::number(removeAtfterUpdate), Settings::kServiceLock,
             [this, configFile, removeAtfterUpdate]() { emit importConfig(configFile, removeAtfterUpdate); });
}

void StoredDataActions::askToImportTanDeltaStandard(const QString& pathToFile)
{
    askFirst(translated("TanDelta", "ImportThisTanDeltaStandard"), translated("Menu", "ImportData"), pathToFile,
             Settings::kAdminLock, [this, pathToFile]() {
                 using TanDelta::functions::ImportRefusal;
                 ImportRefusal refusal = ImportRefusal::None;
                 const bool ok = TanDelta::functions::evaluationStandardImport(pathToFile, &refusal);
                 QString reason;
                 if (refusal == ImportRefusal::TooLarge)
                     reason = translated("TanDelta", "TanDeltaStandardTooLarge")
                                  .arg(TanDelta::evaluation::kMaxCriteriaFileSize / 1024);
                 else if (refusal == ImportRefusal::NameTaken)
                     reason = translated("TanDelta", "TanDeltaStandardNameTaken");
                 showOutcome(ok, "TanDelta", "TanDeltaStandardImported", "TanDeltaStandardImportFailed", reason);
                 emit evaluationStandardListChanged();
             });
}

void StoredDataActions::resetToDefaultValues()
{
    // The reset also gives the admin lock its factory password back.
    askFirst(translated("Database", "AskResetToDefaultValues") + QLatin1Char('\n') +
                 translated("Database", "AskResetAdminPassword"),
             translated("Dialog", "OK"), QString(), Settings::kAdminLock,
             [this]() { performSystemFunction(SystemFunction::ResetDefaultValues); });
}

void StoredDataActions::deleteLogs()
{
    // The logs' delete buttons show while the Ryx level is open.
    askFirst(translated("Settings", "AskDeleteLogfiles"), translated("Dialog", "OK"), QString(), Settings::kRyxLock,
             [this]() { performSystemFunction(SystemFunction::DeleteLogfiles); });
}

void StoredDataActions::rebootHvUnit()
{
    askFirst(translated("Settings", "AskRebootHVUnit"), translated("Dialog", "OK"), QString(), Settings::kServiceLock,
             [this]() { emit PerformExternalAction(QStringLiteral("RebootHVUnit")); });
}

void StoredDataActions::deleteEvaluationStandards(const QList<int>& ids)
{
    // The stored tests keep their verdicts; the owner learns how many there are.
    const QString store = GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements);
    QSet<int> standards;
    for (int id : ids) {
        if (id >= TanDelta::evaluation::UserStandardBase)
            standards << id;
    }
    // The question comes once the store is counted; a press meanwhile asks nothing more.
    if (m_countingJudged) {
        KLOG_DEBUG2(kClass, "deleteEvaluationStandards", "Still counting the judged tests; refused");
        return;
    }
    m_countingJudged = true;
    whenFinished(this, QtConcurrent::run([store, standards] { return TestChart::countJudgedWith(store, standards); }),
                 [this, ids](int judged) {
                     m_countingJudged = false;
                     const QString text =
                         translated("EvaluationStandard", "AskRemoveListOfStandards") + QLatin1Char('\n') +
                         TransObject::fillArguments(translated("EvaluationStandard", "StoredTestsJudgedWith"),
                                                    {QString::number(judged)});
                     QStringList key;
                     for (int id : ids)
                         key << QString::number(id);
                     askFirst(text, translated("History", "Delete"), key.join(QLatin1Char(',')), Settings::kAdminLock,
                              [this, ids]() {
                                  showOutcome(TanDelta::functions::evaluationStandardRemove(standardsOf(ids)),
                                              "EvaluationStandard", "RemoveListOfStandardsSuccess",
                                              "RemoveListOfStandardsFailed");
                                  emit evaluationStandardListChanged();
                              });
                 });
}

void StoredDataActions::exportEvaluationStandards(const QList<int>& ids)
{
    showOutcome(TanDelta::functions::evaluationStandardExport(standardsOf(ids)), "EvaluationStandard",
                "ExportToUsbSuccess", "ExportToUsbFailed");
}

void StoredDataActions::saveScreenshot(const QImage& screenshot)
{
    const QString folder = GlobalFuncs::getUsbPath(GlobalFuncs::UsbScreenshots);
    const QString time = m_dialogs.now().toString(QStringLiteral("hhmmss"));
    QString file = QStringLiteral("%1/Screenshot_%2_%3.png").arg(folder, GlobalFuncs::getProjectAbbreviation(), time);
    QByteArray png;
    QBuffer buffer(&png);
    bool ok = !screenshot.isNull() && buffer.open(QIODevice::WriteOnly) && screenshot.save(&buffer, "PNG")
        && StickWriter::makeFolder(folder);
    if (ok) {
        // An earlier picture of the same time of day keeps its name.
        const QString free = StickWriter::freeName(file);
        ok = !free.isEmpty() && StickWriter::writeFile(free, png);
        file = free.isEmpty() ? file : free;
    }
    const QString mountPoint = GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint);
    const QString shown =
        file.startsWith(mountPoint) ? QStringLiteral("USB:") + file.mid(mountPoint.size()) : file;
    const MessageCategories category = ok ? CAT_INF : CAT_ERR;
    const QString text = ok ? QStringLiteral("Screenshot has been saved to %1").arg(shown)
                            : QStringLiteral("Error: Unable to save screenshot under %1").arg(shown);
    if (ok)
        KLOG_INFO2(kClass, "saveScreenshot", text);
    else
        KLOG_ERROR2(kClass, "saveScreenshot", text);
    if (IGUI* gui = GlobalFuncs::getGUI())
        gui->showMessageDlg(category, QString(), text, false, true);
    else
        m_dialogs.show(category, text, translated("Dialog", "OK"), QString());
}

// The read itself asks for the new list; there is nobody to tell.
const OwnedItemList<IconListViewItem>& StoredDataActions::evaluationStandards()
{
    QList<IconListViewItem*> items;
    for (TanDelta::evaluation::eEvaluationStandard id : TanDelta::evaluation::allEvaluationStandards()) {
        if (id != TanDelta::evaluation::None)
            items << new IconListViewItem(TanDelta::strings::evaluationStandardToText(id, nullptr), QString(),
                                          int(id));
    }
    m_evaluationStandards.replace(items, [] {});
    return m_evaluationStandards;
}
