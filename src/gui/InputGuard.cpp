#include "gui/InputGuard.h"

#include <QKeyEvent>
#include <QQuickWindow>

#include <QTouchEvent>

#include <algorithm>
#include <chrono>

namespace {
bool isPress(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

bool isTurn(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

// The topmost item at the spot (scene coordinates) under item that takes a press, as the
// window delivers one: children over their parent, the later and higher over the others.
QQuickItem* pressTarget(QQuickItem* item, const QPointF& spot)
{
    if (!item->isVisible() || !item->isEnabled())
        return nullptr;
    const QPointF local = item->mapFromScene(spot);
    if (item->clip() && !item->contains(local))
        return nullptr;
    QList<QQuickItem*> children = item->childItems();
    std::stable_sort(children.begin(), children.end(), [](QQuickItem* a, QQuickItem* b) { return a->z() < b->z(); });
    for (auto child = children.crbegin(); child != children.crend(); ++child) {
        if (QQuickItem* target = pressTarget(*child, spot))
            return target;
    }
    const bool takes = item->acceptedMouseButtons() != Qt::NoButton || item->acceptTouchEvents();
    return takes && item->contains(local) ? item : nullptr;
}
} // namespace

InputGuard::InputGuard(QQuickItem* parent) : QQuickItem(parent) {}

InputGuard::~InputGuard() { watch(nullptr); }

qint64 InputGuard::now()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool InputGuard::isStopping(const QQuickItem* item)
{
    for (; item; item = item->parentItem()) {
        const QVariant stopping = item->property("stopping");
        if (stopping.isValid())
            return stopping.toBool();
    }
    return false;
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

void InputGuard::hold(QQuickItem* item) { m_held = item; }

bool InputGuard::holdsFocus() const
{
    const QQuickItem* focus = m_window ? m_window->activeFocusItem() : nullptr;
    return m_held && focus && (focus == m_held || m_held->isAncestorOf(focus));
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

QQuickItem* InputGuard::targetAt(const QPointF& spot) const
{
    return m_window ? pressTarget(m_window->contentItem(), spot) : nullptr;
}

bool InputGuard::tapDropped(const QPointF& spot)
{
    QQuickItem* target = targetAt(spot);
    if (now() < takenFrom() && !isStopping(target))
        return true;
    // The held entry tapped is taken, and no longer held.
    if (m_held && target && (target == m_held || m_held->isAncestorOf(target)))
        m_held = nullptr;
    return false;
}

bool InputGuard::knobPressDropped()
{
    if (isStopping(m_window->activeFocusItem()))
        return false;
    if (now() < takenFrom())
        return true;
    if (!holdsFocus())
        return false;
    emit pressHeld(m_held);
    return true;
}

bool InputGuard::dropped(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (isTurn(key))
            m_held = nullptr;
        return isPress(key) && knobPressDropped();
    }
    case QEvent::MouseButtonPress:
        m_previousPressDropped = m_pressDropped;
        m_pressDropped = m_swallowMouse = tapDropped(static_cast<QMouseEvent*>(event)->windowPos());
        return m_swallowMouse;
    case QEvent::MouseButtonDblClick:
        // Follows its press. When the press before was dropped, the platform still counted
        // it: this press and its release go on alone, as the tap they are.
        return m_swallowMouse || m_previousPressDropped;
    case QEvent::MouseMove:
        return m_swallowMouse;
    case QEvent::MouseButtonRelease: {
        const bool swallowed = m_swallowMouse;
        m_swallowMouse = false;
        return swallowed;
    }
    case QEvent::TouchBegin: {
        const QList<QTouchEvent::TouchPoint> points = static_cast<QTouchEvent*>(event)->touchPoints();
        m_swallowTouch = !points.isEmpty() && tapDropped(points.first().pos());
        return m_swallowTouch;
    }
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
