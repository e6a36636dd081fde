#pragma once

#include "app/Application.h"
#include "datamodel/DataModell.h"
#include "fakes/Artifacts.h"
#include "fakes/FakeGpioTree.h"
#include "fakes/NestedLoops.h"
#include "fakes/PropertyTrail.h"
#include "gui/Gui.h"
#include "gui/GuiViewModel.h"
#include "gui/InputGuard.h"
#include "hvsim/HvUnitModel.h"
#include "hvunit/SCPins.h"
#include "hvunit/TCheckSafetyCircuit.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>

// The program's own window as the operator works it: finds controls by object name on
// what is shown (the current page, or the dialog layer while it shows something), taps
// them, turns (Right, Left) and presses (Return) the encoder, types on the keys, and keeps
// screenshots as artifacts of the named test; with the fake GPIO tree and the simulated
// unit, the end of a procedure. Every wait ends after a time-out that holds on a loaded
// machine; a failed call leaves its reason in lastError(). Needs vlf_app, vlf_hvsim.
class ProgramWindow {
public:
    explicit ProgramWindow(const char* test, FakeGpioTree* gpio = nullptr, HvUnitModel* unit = nullptr)
        : m_test(QLatin1String(test)), m_gpio(gpio), m_unit(unit)
    {
    }

    // Waits for the program to be idle and takes its window; false when either fails.
    bool attach(Application* app)
    {
        if (!QTest::qWaitFor([app] { return app->dataModel()->getAppState() == States::Idle; }, 30000))
            return false;
        m_app = app;
        if (!m_loops)
            m_loops = std::make_unique<NestedLoopWatch>();
        m_gui = qobject_cast<Gui*>(app->gui());
        if (!m_gui || m_gui->engine()->rootObjects().isEmpty())
            return false;
        m_window = qobject_cast<QQuickWindow*>(m_gui->engine()->rootObjects().first());
        if (!m_window)
            return false;
        if (!m_operatorDblClick)
            m_operatorDblClick = vm()->settings()->dblClickTime();
        useQuickTimes();
        m_window->requestActivate();
        return QTest::qWaitFor([this] { return m_window->isExposed() && m_window->isActive(); }, 5000);
    }

    // Presses act sooner, and the input guard ends sooner, than the operator's: the logic is
    // the same. attach() sets these.
    void useQuickTimes() { setTimes(20, 0.05); }
    // The operator's double-click and guard times, for what shows the guard at work.
    void useOperatorTimes() { setTimes(m_operatorDblClick, 1.0); }

    QQuickWindow* window() const { return m_window; }
    GuiViewModel* vm() const { return m_gui->viewModel(); }
    QQuickItem* stack() const { return layer("pageStack"); }
    QQuickItem* page() const { return stack()->property("currentItem").value<QQuickItem*>(); }
    int depth() const { return stack()->property("depth").toInt(); }
    QQuickItem* item(const char* name) const { return page()->property(name).value<QQuickItem*>(); }
    QString headline() const { return page()->property("headline").toString(); }
    QColor headlineColor() const { return page()->property("headlineColor").value<QColor>(); }
    QString title() const { return m_window->property("headerBar").value<QObject*>()->property("title").toString(); }
    bool hvEnable() const { return m_gpio->lastWritten(HVEnableLine) == '1'; }
    QString lastError() const { return m_error; }
    // The nested event loops on the GUI thread not allowed, by site, since attach().
    QStringList nestedLoopsRefused() const { return m_loops ? m_loops->refused() : QStringList(); }

    bool dialogShown() const { return layer("dialogLayer")->property("depth").toInt() > 0; }
    // The dialog layer's page while it shows one, else the current page.
    QQuickItem* shown() const
    {
        return dialogShown() ? layer("dialogLayer")->property("currentItem").value<QQuickItem*>() : page();
    }
    // The QML type of what is shown ("MainPage", "DialogPage", ...).
    QString shownType() const { return typeName(shown()); }
    static QString typeName(const QObject* object)
    {
        // A type from a QML file is named after it: "MainPage_QMLTYPE_12".
        const QString name = object ? QString::fromLatin1(object->metaObject()->className()) : QString();
        const int cut = name.indexOf(QLatin1String("_QML"));
        return cut > 0 ? name.left(cut) : name;
    }

    // A visible control with this name on what is shown; null when there is none.
    QQuickItem* find(const QString& name) const { return findIn(shown(), name); }
    // The same within a control: one of several rows holding controls of one name.
    static QQuickItem* findIn(QQuickItem* root, const QString& name)
    {
        if (!root || !root->isVisible())
            return nullptr;
        if (root->objectName() == name)
            return root;
        for (QQuickItem* child : root->childItems())
            if (QQuickItem* found = findIn(child, name))
                return found;
        return nullptr;
    }
    // Waits until the control is there, visible and enabled.
    QQuickItem* waitFor(const QString& name, int timeoutMs = 10000) const
    {
        QQuickItem* item = nullptr;
        if (QTest::qWaitFor([&] { return usable(item = find(name)); }, timeoutMs))
            return item;
        m_error = QStringLiteral("no usable \"%1\" on %2").arg(name, shownType());
        return nullptr;
    }
    bool waitForPage(const QString& type, int timeoutMs = 10000) const
    {
        if (QTest::qWaitFor([&] { return !dialogShown() && typeName(page()) == type; }, timeoutMs))
            return true;
        m_error = QStringLiteral("waited for %1, shown: %2").arg(type, shownType());
        return false;
    }
    bool waitForDialog(int timeoutMs = 10000) const
    {
        if (QTest::qWaitFor([&] { return dialogShown(); }, timeoutMs))
            return true;
        m_error = QStringLiteral("no dialog over %1").arg(shownType());
        return false;
    }

    // A tap on the middle of the control; false when it is not there, hidden, disabled or
    // off the screen.
    bool tap(const QString& name, int timeoutMs = 10000)
    {
        QQuickItem* item = waitFor(name, timeoutMs);
        // What is shown may change while the guard is waited out.
        if (item && waitOutGuard())
            item = waitFor(name, timeoutMs);
        return item && tapOn(item);
    }
    // A tap on the middle of a control found on the screen, at once: no wait for the guard.
    bool tapOn(QQuickItem* item)
    {
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        if (!QRectF(0, 0, m_window->width(), m_window->height()).contains(centre)) {
            m_error = QStringLiteral("\"%1\" is off the screen").arg(item->objectName());
            return false;
        }
        tapAt(centre.toPoint());
        return true;
    }
    // A tap on this spot of the window, by mouse or on the touch screen, at once.
    void tapAt(const QPoint& spot, bool touch = false)
    {
        static QTouchDevice* const screen = QTest::createTouchDevice();
        m_tapped = spot;
        if (touch) {
            QTest::touchEvent(m_window, screen).press(0, spot, m_window);
            QTest::touchEvent(m_window, screen).release(0, spot, m_window);
        } else {
            QTest::mouseClick(m_window, Qt::LeftButton, Qt::NoModifier, spot);
        }
    }
    // Then once more on that spot gapMs later (by mouse, or on the touch screen), as a hurried
    // operator taps: the second tap lands on whatever is there by then.
    bool tapTwice(const QString& name, int gapMs, bool touch = false)
    {
        if (!tap(name))
            return false;
        QTest::qWait(gapMs);
        tapAt(m_tapped, touch);
        return true;
    }
    void turn(int steps)
    {
        for (int i = 0; i < qAbs(steps); ++i)
            QTest::keyClick(m_window, steps > 0 ? Qt::Key_Right : Qt::Key_Left);
    }
    // Presses, then waits out the double-click time so the next press counts on its own:
    // until the focused control's knob signal, or a while for a control that takes Return
    // itself. One more pass delivers what the press queued.
    void press()
    {
        waitOutGuard();
        QObject* client = nullptr;
        for (QQuickItem* item = m_window->activeFocusItem(); item && !client; item = item->parentItem())
            client = item->property("vlfNavigationClient").value<QObject*>();
        std::unique_ptr<QSignalSpy> acted;
        if (client)
            acted = std::make_unique<QSignalSpy>(client, SIGNAL(knobPressed()));
        QTest::keyClick(m_window, Qt::Key_Return);
        const int bound = vm()->settings()->dblClickTime() + 500;
        if (!acted || !QTest::qWaitFor([&] { return !acted->isEmpty(); }, bound))
            QTest::qWait(acted ? 0 : bound);
        QCoreApplication::processEvents();
    }
    // The second press on whatever has the focus gapMs after the first; the first once the
    // guard is waited out, unless it is to fall within it.
    // between: what the operator notes before the second press (what the first left in focus).
    void pressTwice(int gapMs, bool afterGuard = true, const std::function<void()>& between = {})
    {
        if (afterGuard)
            waitOutGuard();
        QTest::keyClick(m_window, Qt::Key_Return);
        QTest::qWait(gapMs);
        if (between)
            between();
        QTest::keyClick(m_window, Qt::Key_Return);
    }
    // The window drops a press or tap that comes within the guard time after what is shown
    // came to the front: the operator's next press or tap waits for what remains of that,
    // and for nothing else. True when it waited.
    bool waitOutGuard() const
    {
        bool waited = false;
        for (qint64 left; (left = guard()->takenFrom() - InputGuard::now()) > 0; waited = true)
            QTest::qWait(int(left));
        return waited;
    }
    // Whether the window holds a knob press on the list entry under the knob.
    bool held() const { return guard()->holdsFocus(); }
    InputGuard* guard() const { return m_window->property("inputGuard").value<InputGuard*>(); }
    // Turns right (at most a full round of the page) until the item holds the focus.
    bool turnTo(QQuickItem* target)
    {
        for (int i = 0; i < 40 && target && !target->hasActiveFocus(); ++i)
            QTest::keyClick(m_window, Qt::Key_Right);
        return target && target->hasActiveFocus();
    }
    bool turnTo(const QString& name)
    {
        QQuickItem* item = waitFor(name);
        if (item && !turnTo(item))
            m_error = QStringLiteral("the encoder does not reach \"%1\" on %2").arg(name, shownType());
        return item && item->hasActiveFocus();
    }
    bool turnToAndPress(const QString& name)
    {
        if (!turnTo(name))
            return false;
        press();
        return true;
    }
    // Replaces the text of the focused field.
    void retype(const QString& text)
    {
        QTest::keyClick(m_window, Qt::Key_A, Qt::ControlModifier);
        type(text);
    }
    void type(const QString& text)
    {
        for (const QChar c : text)
            QTest::keyClick(m_window, c.toLatin1());
    }

    // Turns to the menu button of the operating mode; null when the page has none.
    QQuickItem* menuButton(int mode)
    {
        for (int i = 0; i < 40; ++i) {
            QQuickItem* focused = m_window->activeFocusItem();
            QObject* node = focused ? focused->property("node").value<QObject*>() : nullptr;
            if (node && node->property("mode").toInt() == mode)
                return focused;
            QTest::keyClick(m_window, Qt::Key_Right);
        }
        return nullptr;
    }
    // From the main page into the group, or on the group's page already: turned to the
    // entry of the mode, not yet pressed. A list that came back holds the entry under the
    // knob until the knob turns: the operator turns away and back.
    bool turnToEntry(int group, int mode)
    {
        if (depth() == 1) {
            if (!turnTo(menuButton(group)))
                return false;
            press();
        }
        if (held()) {
            turn(1);
            turn(-1);
        }
        return turnTo(menuButton(mode));
    }

    // The text a control shows, with the texts inside it; empty when there is none.
    QString text(const QString& name) const
    {
        QStringList parts;
        collectTexts(find(name), parts);
        return parts.join(QLatin1Char(' '));
    }
    // Every text on what is shown that an operator can see, top to bottom as declared.
    QStringList texts() const
    {
        QStringList out;
        collectTexts(shown(), out);
        return out;
    }
    // Whether some visible text on what is shown contains this one.
    bool shows(const QString& text) const
    {
        const QStringList all = texts();
        return std::any_of(all.cbegin(), all.cend(), [&](const QString& t) { return t.contains(text); });
    }

    QImage grab() const
    {
        // An idle window draws no frame by itself.
        QSignalSpy frame(m_window, &QQuickWindow::frameSwapped);
        m_window->update();
        frame.wait(1000);
        const QImage image = m_window->grabWindow();
        // The software renderer on the offscreen platform hands back nothing; the screen
        // still holds what was drawn.
        return image.isNull() ? m_window->screen()->grabWindow(m_window->winId()).toImage() : image;
    }
    // Saves the window as "<n>-<name>.png", numbered in the order taken.
    void shot(const QString& name)
    {
        const QImage image = grab();
        const QString path = artifactDir(QStringLiteral("screenshots"), m_test)
            + QStringLiteral("/%1-%2.png").arg(++m_shot, 2, 10, QLatin1Char('0')).arg(name);
        QVERIFY2(image.save(path), qPrintable(path));
    }

    bool keyboardShown() const { return m_window->property("keyboard").value<QObject*>()->property("shown").toBool(); }
    // From the main page or the group's page into the procedure's page, whose head lines,
    // value lines and cascade lines are noted from its first on; the page comes up without
    // the keyboard.
    bool openPage(int group, int mode, const char* objectName)
    {
        if (!turnToEntry(group, mode))
            return false;
        m_trail.expect(stack(), QLatin1String(objectName), { "headline", "measured", "cascades", "confirmOffered" });
        press();
        if (keyboardShown())
            m_error = QStringLiteral("the keyboard is up over %1").arg(QLatin1String(objectName));
        return depth() == 3 && page()->objectName() == QLatin1String(objectName) && !keyboardShown();
    }
    // What the opened page showed in that property, in order.
    QStringList trail(const char* property) const { return m_trail.values(property); }
    // The head line shown, or shown and passed already: a set point lasts a few ticks only.
    bool reached(const QString& text, int timeoutMs = 30000)
    {
        if (QTest::qWaitFor([&] { return trail("headline").contains(text); }, timeoutMs))
            return true;
        qWarning() << "head lines:" << trail("headline");
        // A page that closes on its error leaves no head line of it: the question tells.
        for (const auto& q : vm()->questions())
            qWarning() << "question shown:" << q.item->name();
        return false;
    }
    // Waits for the page's confirm button and presses it.
    bool confirm()
    {
        QQuickItem* button = item("confirmButton");
        if (!QTest::qWaitFor([button] { return button->isEnabled() && button->isVisible(); }, 10000) || !turnTo(button))
            return false;
        press();
        return true;
    }
    // The first question the operator was shown; empty when none came.
    QString question() const
    {
        if (!QTest::qWaitFor([this] { return !vm()->questions().isEmpty(); }, 5000))
            return QString();
        return vm()->questions().first().item->name();
    }
    // Answers the first question; no dialog is left.
    void answer()
    {
        vm()->hideQuestion(vm()->questions().first().id, 1);
        QTRY_VERIFY(!dialogShown());
    }
    // Cancel pressed twice, gapMs apart: the line low within 1 s of the first press, the
    // procedure's page gone and its list shown, with the line low and the unit as before
    // (unitKept) for 2 s after the second press: one taken would have opened the page again.
    // A press 2 s on, the knob not turned, is held: the entry flashes, nothing is set up.
    // Without turnToCancel the presses go where the page left the knob.
    bool cancelTwice(int gapMs, const std::function<bool()>& unitKept, bool turnToCancel = true)
    {
        if (turnToCancel && !turnTo(QStringLiteral("cancelButton")))
            return false;
        waitOutGuard();
        QElapsedTimer since;
        since.start();
        pressTwice(gapMs);
        while (hvEnable() && since.elapsed() < 1000)
            QTest::qWait(5);
        if (hvEnable())
            m_error = QStringLiteral("the line still high 1 s after Cancel");
        else if (!QTest::qWaitFor([&] { return depth() == 2 && unitKept(); }, 10000))
            m_error = QStringLiteral("the unit did not get its values back");
        else if (QTest::qWaitFor([&] { return hvEnable() || depth() != 2 || !unitKept(); }, 2000))
            m_error = QStringLiteral("the procedure started again");
        else
            return pressHeld(unitKept);
        return false;
    }
    // A press on the list entry under the knob, not turned since the list came back: the
    // entry flashes, and for 1.5 s nothing is set up.
    bool pressHeld(const std::function<bool()>& unitKept)
    {
        QPointer<QQuickItem> entry = m_window->activeFocusItem();
        bool flashed = false;
        QTest::keyClick(m_window, Qt::Key_Return);
        const bool setUp = QTest::qWaitFor([&] {
            flashed = flashed || (entry && entry->property("flashing").toBool());
            return hvEnable() || depth() != 2 || !unitKept();
        }, 1500);
        if (setUp)
            m_error = QStringLiteral("a press with the knob not turned set the procedure up again");
        else if (!flashed)
            m_error = QStringLiteral("a press with the knob not turned was not shown held");
        return !setUp && flashed;
    }
    // The end of every procedure: the HV-enable line off and no longer held, the output off.
    void checkHandedBack()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!hvEnable(), 8000);
        QTRY_VERIFY(!m_app->safetyCircuit()->commissioningHoldsHvEnable());
        QTRY_VERIFY(!m_unit->outputOn());
    }

private:
    void setTimes(int dblClickMs, qreal guardScale)
    {
        if (!m_window)
            return;
        vm()->settings()->setDblClickTime(dblClickMs);
        guard()->setTimeScale(guardScale);
    }
    QQuickItem* layer(const char* name) const { return m_window->property(name).value<QQuickItem*>(); }
    static bool usable(const QQuickItem* item)
    {
        return item && item->isVisible() && item->isEnabled() && item->width() > 0 && item->height() > 0;
    }
    static void collectTexts(QQuickItem* item, QStringList& out)
    {
        if (!item || !item->isVisible() || item->opacity() <= 0)
            return;
        const QString text = item->property("text").toString();
        if (!text.isEmpty())
            out << text;
        for (QQuickItem* child : item->childItems())
            collectTexts(child, out);
    }

    QString m_test;
    FakeGpioTree* m_gpio;
    HvUnitModel* m_unit;
    Application* m_app = nullptr;
    // Nested event loops on the GUI thread, told as they come (the suite fails on one not allowed).
    std::unique_ptr<NestedLoopWatch> m_loops;
    PropertyTrail m_trail;
    Gui* m_gui = nullptr;
    QQuickWindow* m_window = nullptr;
    QPoint m_tapped;
    int m_shot = 0;
    int m_operatorDblClick = 0;
    mutable QString m_error;
};
