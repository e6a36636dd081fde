#include "gui/DialogQueue.h"

#include <QCoreApplication>

#include <algorithm>
#include <memory>

namespace {
const QString kHourglassIcon = QStringLiteral("qrc:/icons/hourglass-empty.svg");
constexpr qint64 kSecond = 1000;
constexpr qint64 kDay = 24 * 3600 * kSecond;

struct CategoryLook {
    int category;
    const char* icon;
    const char* colour;
    qint64 lifetimeMs;
};

// How a message of each category shows in the header and how long it stays there.
const CategoryLook kCategories[] = {
    {0, "qrc:/icons/skull.svg", "#40747474", 50 * kSecond},
    {CAT_FATAL, "qrc:/icons/fatal.svg", "#FFD0021B", 99 * kDay},
    {CAT_ERR, "qrc:/icons/error.svg", "#FFF43149", 10 * kSecond},
    {CAT_WARN, "qrc:/icons/warning.svg", "#FFD05002", 10 * kSecond},
    {CAT_INF, "qrc:/icons/info.svg", "#FF747474", 5 * kSecond},
    {CAT_MSG, "qrc:/icons/message.svg", "#FF4A90E2", 5 * kSecond},
    {CAT_METHOD, "qrc:/icons/settings.svg", "#40747474", 10 * kSecond},
    {CAT_DBG, "qrc:/icons/details.svg", "#40747474", 10 * kSecond},
};

const CategoryLook* lookOf(int category)
{
    for (const CategoryLook& look : kCategories)
        if (look.category == category)
            return &look;
    return nullptr;
}

// Share done of a progress, bounded to [0, 1]; an empty range counts as nothing done.
double fractionOf(int value, int lo, int hi)
{
    if (hi == lo)
        return 0.0;
    return std::clamp(double(value - lo) / double(hi - lo), 0.0, 1.0);
}

QUuid idOf(IconListViewItem* wait) { return wait->value().toUuid(); }
template <typename Record>
QUuid idOf(const Record& record)
{
    return record.id;
}

template <typename Entry>
int indexOf(const OwnedItemList<IconListViewItem, Entry>& list, const DialogQueue::Key& key)
{
    return list.indexWhere([&list, &key](const Entry& entry) { return key.names(list.itemOf(entry), idOf(entry)); });
}
} // namespace

DialogQueue::DialogQueue(QObject* parent) : QObject(parent)
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &DialogQueue::checkMessageList);
}

QDateTime DialogQueue::now() const { return m_now ? m_now() : QDateTime::currentDateTime(); }

QString DialogQueue::okText() { return QCoreApplication::translate("Dialog", "OK"); }

QString DialogQueue::cancelText() { return QCoreApplication::translate("Dialog", "Cancel"); }

QString DialogQueue::questionIcon() { return QStringLiteral("qrc:/icons/question.svg"); }

QUuid DialogQueue::showMessageOfCategory(const QString& text, MessageCategories category)
{
    if (category == CAT_PERSISTENT)
        return showWaitMessage(text);
    if (category == CAT_SKPOUT)
        return showQuestion(text);

    // A held line says it already, for as long as it stays.
    const int held = m_messages.indexWhere(
        [&](const Message& m) { return !m.expiry.isValid() && m.category == category && m.item->name() == text; });
    if (held >= 0)
        return m_messages.at(held).id;

    const QDateTime current = now();
    const QUuid id = QUuid::createUuid();
    const CategoryLook* look = lookOf(category);
    const QDateTime expiry = current.addMSecs(look ? look->lifetimeMs : 0);
    if (current < expiry)
        addMessage(text, category, expiry, id);
    if (!m_timer.isActive())
        m_timer.start();
    return id;
}

QUuid DialogQueue::show(MessageCategories category, const QString& text, const QString& acceptButton,
                        const QString& rejectedButton)
{
    if (acceptButton.isEmpty() && rejectedButton.isEmpty())
        return showMessageOfCategory(text, category);
    const CategoryLook* look = lookOf(category);
    return showQuestion(text, acceptButton, rejectedButton, look ? QString::fromLatin1(look->icon) : QString());
}

bool DialogQueue::hideMessage(int category, const Key& key)
{
    const int index =
        m_messages.indexWhere([&](const Message& m) { return m.category == category && key.names(m.item, m.id); });
    return m_messages.removeAt(index, [this] { emit messageListChanged(); });
}

void DialogQueue::holdMessage(const QUuid& id, const QString& text, MessageCategories category)
{
    const int listed = m_messages.indexWhere([&](const Message& m) { return m.category == category && m.item->name() == text; });
    if (listed >= 0) {
        m_messages[listed].expiry = QDateTime();
        m_messages[listed].id = id;
        return;
    }
    addMessage(text, category, QDateTime(), id);
}

void DialogQueue::addMessage(const QString& text, int category, const QDateTime& expiry, const QUuid& id)
{
    const CategoryLook* look = lookOf(category);
    auto* item = new IconListViewItem(text, QString::fromLatin1(look ? look->icon : ""),
                                      QString::fromLatin1(look ? look->colour : ""));
    // Most severe first, the newest first within its category.
    const int at = m_messages.indexWhere([category](const Message& m) { return m.category >= category; });
    m_messages.insert(at < 0 ? m_messages.size() : at, Message { item, expiry, category, id });
    emit messageListChanged();
}

bool DialogQueue::releaseMessage(const QUuid& id)
{
    return m_messages.removeAt(m_messages.indexWhere([&id](const Message& m) { return m.id == id; }),
                               [this] { emit messageListChanged(); });
}

void DialogQueue::checkMessageList()
{
    const QDateTime current = now();
    m_messages.removeIf([&current](const Message& m) { return m.expiry.isValid() && m.expiry < current; },
                        [this] { emit messageListChanged(); });
    if (m_messages.isEmpty())
        m_timer.stop();
}

QUuid DialogQueue::showQuestion(const QString& text, const QString& acceptButton, const QString& rejectedButton,
                                const QString& iconPath)
{
    const int existing = indexOf(m_questions, text);
    if (existing >= 0) {
        m_questions.at(existing).item->touch();
        emit questionListChanged();
        return m_questions.at(existing).id;
    }
    const QUuid id = QUuid::createUuid();
    auto* item = new IconListViewItem(text, iconPath, QVariant::fromValue(id));
    m_questions.prepend(Question{item, acceptButton, rejectedButton, id});
    emit questionListChanged();
    return id;
}

bool DialogQueue::hideQuestion(const Key& key, int result)
{
    const int index = indexOf(m_questions, key);
    if (index < 0)
        return false;
    const QUuid id = m_questions.at(index).id;
    m_questions.removeAt(index, [this] { emit questionListChanged(); });
    emit questionAnswered(id, result);
    emit questionAnsweredCloseType(id, result == AcceptedResult   ? IGUI::Accepted
                                       : result == RejectedResult ? IGUI::Rejected
                                                                  : IGUI::OtherResult);
    return true;
}

QString DialogQueue::questionButtonText(const Key& key, int result) const
{
    const Question question = m_questions.at(indexOf(m_questions, key));
    if (result == AcceptedResult)
        return question.acceptText;
    return result == RejectedResult ? question.rejectText : QString();
}

void DialogQueue::whenAnswered(const QUuid& id, QObject* context, std::function<void(bool accepted)> onAnswer)
{
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(this, &DialogQueue::questionAnswered, context,
                          [id, connection, onAnswer](const QUuid& answered, int result) {
                              if (answered != id)
                                  return;
                              QObject::disconnect(*connection);
                              onAnswer(result == AcceptedResult);
                          });
}

QUuid DialogQueue::showProgress(const QString& text, int min, int max, int step, int start)
{
    const int lo = std::min(min, max);
    const int hi = std::max(min, max);
    const int value = std::clamp(start, lo, hi);
    const double fraction = fractionOf(value, lo, hi);
    const int existing = indexOf(m_progresses, text);
    if (existing >= 0) {
        // The record follows too, so that the next increment continues from here.
        Progress& p = m_progresses[existing];
        p.min = lo;
        p.max = hi;
        p.step = step;
        p.value = value;
        if (p.item->value() != QVariant(fraction)) {
            p.item->setValue(fraction);
            emit progressListChanged();
        }
        return p.id;
    }
    const QUuid id = QUuid::createUuid();
    m_progresses.prepend(Progress{new IconListViewItem(text, kHourglassIcon, fraction), lo, hi, step, value, id});
    emit progressListChanged();
    return id;
}

void DialogQueue::updateProgress(const Key& key, const QString& text)
{
    const int index = indexOf(m_progresses, key);
    if (index < 0)
        return;
    m_progresses.at(index).item->setName(text);
    emit progressListChanged();
}

bool DialogQueue::incrementProgress(const Key& key)
{
    const int index = indexOf(m_progresses, key);
    if (index < 0)
        return false;
    Progress& p = m_progresses[index];
    p.value += p.step;
    p.item->setValue(fractionOf(p.value, p.min, p.max));
    const bool below = p.value < p.max;
    m_progresses.move(index, 0);
    emit progressListChanged();
    return below;
}

bool DialogQueue::hideProgress(const Key& key)
{
    return m_progresses.removeAt(indexOf(m_progresses, key), [this] { emit progressListChanged(); });
}

QUuid DialogQueue::showWaitMessage(const QString& text)
{
    const int existing = indexOf(m_waits, text);
    if (existing >= 0)
        return idOf(m_waits.at(existing));
    const QUuid id = QUuid::createUuid();
    m_waits.prepend(new IconListViewItem(text, kHourglassIcon, QVariant::fromValue(id)));
    emit waitListChanged();
    return id;
}

bool DialogQueue::hideWaitMessage(const Key& key)
{
    return m_waits.removeAt(indexOf(m_waits, key), [this] { emit waitListChanged(); });
}
