#pragma once

#include "app/Application.h"
#include "datamodel/DataModell.h"
#include "fakes/Artifacts.h"
#include "fakes/FakeGpioTree.h"
#include "fakes/PropertyTrail.h"
#include "gui/Gui.h"
#include "gui/GuiViewModel.h"
#include "hvsim/HvUnitModel.h"
#include "hvunit/SCPins.h"
#include "hvunit/TCheckSafetyCircuit.h"

#include <QImage>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QTest>

// The program's own window as the operator drives it: the encoder (Right turns, Return
// presses), the page stack and its current page, screenshots kept as artifacts of the
// named test; with the fake GPIO tree and the simulated unit, the end of a procedure.
// Needs vlf_app, vlf_hvsim.
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
        m_gui = qobject_cast<Gui*>(app->gui());
        if (!m_gui || m_gui->engine()->rootObjects().isEmpty())
            return false;
        m_window = qobject_cast<QQuickWindow*>(m_gui->engine()->rootObjects().first());
        if (!m_window)
            return false;
        m_window->requestActivate();
        return QTest::qWaitFor([this] { return m_window->isActive(); }, 5000);
    }

    QQuickWindow* window() const { return m_window; }
    GuiViewModel* vm() const { return m_gui->viewModel(); }
    QQuickItem* stack() const { return m_window->property("pageStack").value<QQuickItem*>(); }
    QQuickItem* page() const { return stack()->property("currentItem").value<QQuickItem*>(); }
    int depth() const { return stack()->property("depth").toInt(); }
    QQuickItem* item(const char* name) const { return page()->property(name).value<QQuickItem*>(); }
    QString headline() const { return page()->property("headline").toString(); }
    QColor headlineColor() const { return page()->property("headlineColor").value<QColor>(); }
    QString title() const { return m_window->property("headerBar").value<QObject*>()->property("title").toString(); }
    bool hvEnable() const { return m_gpio->lastWritten(HVEnableLine) == '1'; }

    // Saves the window as "<n>-<name>.png", numbered in the order taken.
    void shot(const QString& name)
    {
        QTest::qWait(100);
        QImage image = m_window->grabWindow();
        if (image.isNull())
            image = m_window->screen()->grabWindow(m_window->winId()).toImage();
        const QString path = artifactDir(QStringLiteral("screenshots"), m_test)
            + QStringLiteral("/%1-%2.png").arg(++m_shot, 2, 10, QLatin1Char('0')).arg(name);
        QVERIFY2(image.save(path), qPrintable(path));
    }
    // The encoder: turns until the item holds the focus.
    bool turnTo(QQuickItem* target)
    {
        for (int i = 0; i < 40 && target && !target->hasActiveFocus(); ++i)
            QTest::keyClick(m_window, Qt::Key_Right);
        return target && target->hasActiveFocus();
    }
    // Presses, then waits out the double-click time so the next press counts on its own.
    void press()
    {
        QTest::keyClick(m_window, Qt::Key_Return);
        QTest::qWait(vm()->settings()->dblClickTime() + 50);
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
    // entry of the mode, not yet pressed.
    bool turnToEntry(int group, int mode)
    {
        if (depth() == 1) {
            if (!turnTo(menuButton(group)))
                return false;
            press();
        }
        return turnTo(menuButton(mode));
    }


    // From the main page or the group's page into the procedure's page, whose head lines,
    // value lines and cascade lines are noted from its first on.
    bool openPage(int group, int mode, const char* objectName)
    {
        if (!turnToEntry(group, mode))
            return false;
        m_trail.expect(stack(), QLatin1String(objectName), { "headline", "measured", "cascades" });
        press();
        return depth() == 3 && page()->objectName() == QLatin1String(objectName);
    }
    // What the opened page showed in that property, in order.
    QStringList trail(const char* property) const { return m_trail.values(property); }
    // The head line shown, or shown and passed already: a set point lasts a few ticks only.
    bool reached(const QString& text, int timeoutMs = 30000)
    {
        if (QTest::qWaitFor([&] { return trail("headline").contains(text); }, timeoutMs))
            return true;
        qWarning() << "head lines:" << trail("headline");
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
        QTRY_COMPARE(m_window->property("dialogLayer").value<QQuickItem*>()->property("depth").toInt(), 0);
    }
    // The end of every procedure: the HV-enable line off and no longer held, the output off.
    void checkHandedBack()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!hvEnable(), 8000);
        QTRY_VERIFY(!m_app->safetyCircuit()->commissioningHoldsHvEnable());
        QTRY_VERIFY(!m_unit->outputOn());
    }

private:
    QString m_test;
    FakeGpioTree* m_gpio;
    HvUnitModel* m_unit;
    Application* m_app = nullptr;
    PropertyTrail m_trail;
    Gui* m_gui = nullptr;
    QQuickWindow* m_window = nullptr;
    int m_shot = 0;
};
