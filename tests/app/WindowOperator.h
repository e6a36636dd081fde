#pragma once

#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>
#include <QString>

// Works the program's window as an operator does: finds controls by their object name on
// what is shown (the current page, or the dialog layer while it shows something), taps
// them, turns and presses the encoder (Right, Left, Return) and types on the keys.
// Every wait ends after a time-out that holds on a loaded machine.
class WindowOperator {
public:
    explicit WindowOperator(QQuickWindow* window);

    QQuickWindow* window() const { return m_window; }
    // The dialog layer's page while it shows one, else the current page of the stack.
    QQuickItem* shown() const;
    QQuickItem* currentPage() const;
    bool dialogShown() const;
    // The QML type of what is shown ("MainPage", "DialogPage", ...).
    QString shownType() const;
    static QString typeName(const QObject* object);

    // A visible control with this name on what is shown; null when there is none.
    QQuickItem* find(const QString& name) const;
    // Waits until the control is there, visible and enabled.
    QQuickItem* waitFor(const QString& name, int timeoutMs = 10000) const;
    bool waitForPage(const QString& type, int timeoutMs = 10000) const;
    bool waitForDialog(int timeoutMs = 10000) const;

    // A tap on the middle of the control; false when it is not there, hidden, disabled or
    // off the screen.
    bool tap(const QString& name, int timeoutMs = 10000);
    void turn(int steps);
    void press();
    // Turns right (at most a full round of the page) until the control has the focus.
    bool turnTo(const QString& name);
    // Turns to the control and presses the knob.
    bool turnToAndPress(const QString& name);
    void type(const QString& text);

    // Keeps a picture of the window in the test's screenshot folder.
    bool screenshot(const QString& name) const;
    // The text a control shows, with the texts inside it; empty when there is none.
    QString text(const QString& name) const;
    // Every text on what is shown that an operator can see, top to bottom as declared.
    QStringList texts() const;
    // Whether some visible text on what is shown contains this one.
    bool shows(const QString& text) const;
    QString lastError() const { return m_error; }

private:
    QQuickItem* stackView(const char* name) const;
    static QQuickItem* findIn(QQuickItem* root, const QString& name);
    static bool usable(const QQuickItem* item);

    QPointer<QQuickWindow> m_window;
    mutable QString m_error;
};
