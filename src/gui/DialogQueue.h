#pragma once

#include "gui/IconListViewItem.h"
#include "uiapi/IGUI.h"
#include "uiapi/OwnedItemList.h"
#include "logging/MessageCategories.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <QUuid>

#include <functional>

// The lists of the dialog layer: header messages that expire by category, questions,
// progress and wait dialogs, each entry named by the id it was given or by its text.
class DialogQueue : public QObject {
    Q_OBJECT
public:
    struct Message {
        IconListViewItem* item = nullptr;
        QDateTime expiry;
        int category = 0;
        QUuid id;
    };
    struct Question {
        IconListViewItem* item = nullptr;
        QString acceptText;
        QString rejectText;
        QUuid id;
    };
    struct Progress {
        IconListViewItem* item = nullptr;
        int min = 0;
        int max = 100;
        int step = 1;
        int value = 0;
        QUuid id;
    };
    // An entry named by its id or by its text (the first one showing it).
    struct Key {
        Key(const QUuid& id) : id(id) {}
        Key(const QString& text) : text(text), byText(true) {}
        bool names(const IconListViewItem* item, const QUuid& itemId) const
        {
            return byText ? item->name() == text : itemId == id;
        }
        QUuid id;
        QString text;
        bool byText = false;
    };
    static constexpr int AcceptedResult = 1;
    static constexpr int RejectedResult = 0;

    explicit DialogQueue(QObject* parent = nullptr);

    // Tests replace the clock that message lifetimes are measured against.
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }
    QDateTime now() const;

    const OwnedItemList<IconListViewItem, Message>& messages() const { return m_messages; }
    const OwnedItemList<IconListViewItem, Question>& questions() const { return m_questions; }
    const OwnedItemList<IconListViewItem, Progress>& progresses() const { return m_progresses; }
    const OwnedItemList<IconListViewItem>& waits() const { return m_waits; }
    bool timerActive() const { return m_timer.isActive(); }

    // Wait messages and remote questions come as categories too.
    QUuid showMessageOfCategory(const QString& text, MessageCategories category);
    // A message of its category, or with a button a question with the category's icon.
    QUuid show(MessageCategories category, const QString& text, const QString& acceptButton,
               const QString& rejectedButton);
    bool hideMessage(int category, const Key& key);
    // A message that does not expire, under the caller's id; a listed message of that
    // category and text becomes it, and one shown later while it stays is it too.
    void holdMessage(const QUuid& id, const QString& text, MessageCategories category);
    // Removes a held (or any) message by its id, whatever its category.
    bool releaseMessage(const QUuid& id);
    // A question with the text of one listed is that one, brought to the front.
    QUuid showQuestion(const QString& text, const QString& acceptButton = okText(),
                       const QString& rejectedButton = cancelText(), const QString& iconPath = questionIcon());
    bool hideQuestion(const Key& key, int result);
    QString questionButtonText(const Key& key, int result) const;
    // Calls onAnswer once, on the answer to that question, while context lives.
    void whenAnswered(const QUuid& id, QObject* context, std::function<void(bool accepted)> onAnswer);
    QUuid showProgress(const QString& text, int min, int max, int step, int start);
    void updateProgress(const Key& key, const QString& text);
    // Whether the progress is still below its end.
    bool incrementProgress(const Key& key);
    bool hideProgress(const Key& key);
    QUuid showWaitMessage(const QString& text);
    bool hideWaitMessage(const Key& key);
    void checkMessageList();

    static QString okText();
    static QString cancelText();
    static QString questionIcon();

signals:
    void messageListChanged();
    void waitListChanged();
    void questionListChanged();
    void progressListChanged();
    void questionAnswered(QUuid questionId, int result);
    void questionAnsweredCloseType(QUuid questionId, IGUI::CloseType result);

private:
    // In its place: most severe first, the newest first within its category.
    void addMessage(const QString& text, int category, const QDateTime& expiry, const QUuid& id);

    OwnedItemList<IconListViewItem, Message> m_messages;
    OwnedItemList<IconListViewItem, Question> m_questions;
    OwnedItemList<IconListViewItem, Progress> m_progresses;
    OwnedItemList<IconListViewItem> m_waits;
    QTimer m_timer;
    std::function<QDateTime()> m_now;
};
