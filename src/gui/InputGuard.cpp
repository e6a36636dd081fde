#include "gui/InputGuard.h"

#include <QKeyEvent>
#include <QQuickWindow>

#include <chrono>

namespace {
bool isPress(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

bool isTurn(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}
} // namespace

InputGuard::InputGuard(QQuickItem* parent) : QQuickItem(parent) {}

InputGuard::~InputGuard() { watch(nullptr); }

qint64 InputGuard::now()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void InputGuard::setFront(QObject* front)
{
    if (front == m_front)
        return;
    // Nothing stood before the first: no press can have been meant for something else.
    if (m_hadFront)
        m_frontSince = now();
    m_hadFront = m_hadFront || front;
    m_front = front;
    emit frontChanged();
}

void InputGuard::setDoubleClickTime(int ms)
{
    if (ms == m_doubleClickTime)
        return;
    m_doubleClickTime = ms;
    emit guardTimeChanged();
}

void InputGuard::setTimeScale(qreal scale)
{
    scale = qBound(0.0, scale, 1.0);
    if (qFuzzyCompare(1.0 + scale, 1.0 + m_timeScale))
        return;
    m_timeScale = scale;
    emit guardTimeChanged();
}

void InputGuard::hold(QQuickItem* item)
{
    m_held = item;
    m_heldSince = now();
}

qint64 InputGuard::takenFrom(bool knob) const
{
    qint64 from = m_frontSince + guardTime();
    if (!knob || !m_held || !m_window)
        return from;
    for (QQuickItem* item = m_window->activeFocusItem(); item; item = item->parentItem()) {
        if (item == m_held)
            return qMax(from, m_heldSince + holdTime());
    }
    return from;
}

void InputGuard::watch(QQuickWindow* window)
{
    if (window == m_window)
        return;
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window;
    if (m_window)
        m_window->installEventFilter(this);
}

void InputGuard::itemChange(ItemChange change, const ItemChangeData& value)
{
    if (change == ItemSceneChange)
        watch(value.window);
    QQuickItem::itemChange(change, value);
}

bool InputGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && dropped(event)) {
        // Taken, so that no mouse press is made from a dropped touch.
        event->accept();
        return true;
    }
    return QQuickItem::eventFilter(watched, event);
}

bool InputGuard::dropped(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (isTurn(key))
            m_held = nullptr;
        return isPress(key) && now() < takenFrom(true);
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        m_swallowMouse = now() < takenFrom(false);
        return m_swallowMouse;
    case QEvent::MouseMove:
        return m_swallowMouse;
    case QEvent::MouseButtonRelease: {
        const bool swallowed = m_swallowMouse;
        m_swallowMouse = false;
        return swallowed;
    }
    case QEvent::TouchBegin:
        m_swallowTouch = now() < takenFrom(false);
        return m_swallowTouch;
    case QEvent::TouchUpdate:
        return m_swallowTouch;
    case QEvent::TouchEnd:
    case QEvent::TouchCancel: {
        const bool swallowed = m_swallowTouch;
        m_swallowTouch = false;
        return swallowed;
    }
    default:
        return false;
    }
}
