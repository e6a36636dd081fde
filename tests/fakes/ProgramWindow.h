#pragma once

#include "app/Application.h"
#include "datamodel/DataModell.h"
#include "fakes/Artifacts.h"
#include "gui/Gui.h"
#include "gui/GuiViewModel.h"

#include <QImage>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QTest>

// The program's own window as the operator drives it: the encoder (Right turns, Return
// presses), the page stack and its current page, screenshots kept as artifacts of the
// named test. Needs vlf_app.
class ProgramWindow {
public:
    explicit ProgramWindow(const char* test) : m_test(QLatin1String(test)) {}

    // Waits for the program to be idle and takes its window; false when either fails.
    bool attach(Application* app)
    {
        if (!QTest::qWaitFor([app] { return app->dataModel()->getAppState() == States::Idle; }, 30000))
            return false;
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

private:
    QString m_test;
    Gui* m_gui = nullptr;
    QQuickWindow* m_window = nullptr;
    int m_shot = 0;
};
