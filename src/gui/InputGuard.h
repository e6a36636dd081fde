#pragma once

#include <QPointer>
#include <QQuickItem>

class QQuickWindow;

// Drops a press of the knob or a tap that comes within the guard time after what is shown
// (a page, a dialog, the backfeed page, the remote frame) came to the front: the second
// press of a double press meant for the page that left never acts on the page that came up
// under it. The guard time is the double-click time, at least 400 ms. A press on a control
// whose only effect is to stop or abort something (its "stopping" property set: HV off, a
// running procedure's Cancel) is always taken. A list that comes back holds a knob press on
// the entry under the knob until the knob turns or the entry is tapped: a procedure or test
// that just ended is not started again by a press meant for its page.
// Lives in the window and filters the window's input; times are milliseconds of
// std::chrono::steady_clock (now()).
class InputGuard : public QQuickItem {
    Q_OBJECT
    // What is shown in front; set by the window whenever it changes.
    Q_PROPERTY(QObject* front READ front WRITE setFront NOTIFY frontChanged)
    Q_PROPERTY(int doubleClickTime READ doubleClickTime WRITE setDoubleClickTime NOTIFY guardTimeChanged)
    // When what is shown came to the front, and how long input is dropped after that.
    Q_PROPERTY(qint64 frontSince READ frontSince NOTIFY frontChanged)
    Q_PROPERTY(int guardTime READ guardTime NOTIFY guardTimeChanged)
    // The minimum guard shortened by this factor: test rigs run their walks at a machine's
    // pace with it; the program keeps 1.
    Q_PROPERTY(qreal timeScale READ timeScale WRITE setTimeScale NOTIFY guardTimeChanged)

public:
    static constexpr int MinimumGuardMs = 400;

    explicit InputGuard(QQuickItem* parent = nullptr);
    ~InputGuard() override;

    QObject* front() const { return m_front; }
    void setFront(QObject* front);
    int doubleClickTime() const { return m_doubleClickTime; }
    void setDoubleClickTime(int ms);
    qint64 frontSince() const { return m_frontSince; }
    int guardTime() const { return qMax(m_doubleClickTime, qRound(MinimumGuardMs * m_timeScale)); }
    qreal timeScale() const { return m_timeScale; }
    void setTimeScale(qreal scale);

    // Knob presses on the item (a list's entry under the knob) are dropped until the knob
    // turns or the item is tapped; each one held is told by pressHeld().
    Q_INVOKABLE void hold(QQuickItem* item);
    // Whether a knob press on what has the focus now is held.
    bool holdsFocus() const;
    // From when the window takes a press or tap after what is shown came to the front.
    qint64 takenFrom() const { return m_frontSince + guardTime(); }

    static qint64 now();
    // Whether the item, or the control it belongs to, only stops or aborts something.
    static bool isStopping(const QQuickItem* item);

signals:
    void frontChanged();
    void guardTimeChanged();
    // A knob press on the held item was dropped: the item shows it.
    void pressHeld(QQuickItem* item);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void itemChange(ItemChange change, const ItemChangeData& value) override;

private:
    bool dropped(QEvent* event);
    // Whether a tap on this spot of the window is dropped now.
    bool tapDropped(const QPointF& spot);
    // Whether a knob press on what has the focus is dropped now.
    bool knobPressDropped();
    // The control a press on this spot of the window goes to; null when none takes it.
    QQuickItem* targetAt(const QPointF& spot) const;
    void watch(QQuickWindow* window);

    QPointer<QObject> m_front;
    qint64 m_frontSince = 0;
    bool m_hadFront = false;
    int m_doubleClickTime = 250;
    qreal m_timeScale = 1.0;
    QPointer<QQuickItem> m_held;
    QPointer<QQuickWindow> m_window;
    // The rest of a touch or a mouse press whose start was dropped goes too.
    bool m_swallowTouch = false;
    bool m_swallowMouse = false;
    // Whether the last mouse press was dropped, and the one before it: the platform makes
    // the press after a dropped one a double click, which a button takes as no click.
    bool m_pressDropped = false;
    bool m_previousPressDropped = false;
};
