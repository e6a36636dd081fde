#pragma once

#include "datamodel/SystemFunctions.h"
#include "gui/IconListViewItem.h"
#include "uiapi/OwnedItemList.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QString>
#include <QUuid>

#include <functional>

class DialogQueue;

// What the operator does to stored data and with the stick. An operation that changes
// stored data asks first and runs only on the accepted answer to its own question; exports
// and the screenshot run at once and say how they went.
class StoredDataActions : public QObject {
    Q_OBJECT
public:
    explicit StoredDataActions(DialogQueue& dialogs, QObject* parent = nullptr);

    void askToUpdate(const QString& updateFile);
    void askToImportConfig(const QString& configFile, bool removeAtfterUpdate);
    void askToImportTanDeltaStandard(const QString& pathToFile);
    void resetToDefaultValues();
    void deleteLogs();
    void rebootHvUnit();
    void deleteEvaluationStandards(const QList<int>& ids);
    void exportEvaluationStandards(const QList<int>& ids);
    // Started by the action of the function's name.
    void performSystemFunction(SystemFunction::eSysFunc func);
    // Writes the picture to the stick's screenshot folder and tells the operator where.
    void saveScreenshot(const QImage& screenshot);
    // Rebuilt from the criteria on every call.
    const OwnedItemList<IconListViewItem>& evaluationStandards();

signals:
    void PerformExternalAction(QString action);
    void importConfig(QString configFile, bool removeAtfterUpdate);
    void performUpdate(QString updateFile);
    void evaluationStandardListChanged();

private:
    // Asks the question and runs onAccept once when the operator accepts it while the menu
    // lock that offered it (Settings' lock names) is still open. A question with the same
    // text is merged; a second request with the same key joins the first.
    void askFirst(const QString& text, const QString& acceptButton, const QString& key, const QString& lock,
                  std::function<void()> onAccept);
    // Takes the earlier outcome out of the header first: the most severe message shows
    // there, so an old failure would hide the new outcome. failure replaces the text of
    // failureKey when given.
    void showOutcome(bool ok, const char* context, const char* successKey, const char* failureKey,
                     const QString& failure = QString());

    DialogQueue& m_dialogs;
    QSet<QString> m_pendingAnswers;
    bool m_countingJudged = false;
    // Category and id of the last outcome shown.
    QPair<int, QUuid> m_lastOutcome;
    OwnedItemList<IconListViewItem> m_evaluationStandards;
};
