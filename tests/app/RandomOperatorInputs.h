#pragma once

#include "RandomOperatorReplay.h"
#include "RandomOperatorWalk.h"

#include <QObject>

// The random operator's hands: does one input (drawn or replayed) on the window, the unit's
// HV-on key, the safety inputs, the stick and the unit's faults, and notes what the operator
// confirmed with it. A control is found by its object name (the one nearest the spot where
// several share it), else by its type and text, else the spot is tapped.
class OperatorHands : public QObject {
    Q_OBJECT
public:
    OperatorHands(const Walk& walk, Notes& notes, InputLog& log);

    void perform(OperatorInput input);
    // What the page shown tells, looked at after each input and check: a manual ramp's
    // page, the confirmations of a cable number, a comment or a procedure's step.
    void notePage();

    // The enabled, visible controls of what is shown, the header and the keyboard whose
    // middle is not covered: buttons, mouse areas, text fields, what the encoder reaches
    // and the keyboard's keys.
    QList<QQuickItem*> controls() const;
    QQuickItem* focusedTextField() const;
    static QPointF centreOf(const QQuickItem* item);
    static QString textOf(const QQuickItem* item) { return item->property("text").toString(); }
    // The manual ramp's target entry on its page; null without one.
    QObject* rampEntry() const;
    // Which lock the page shown asks the password of; empty when none.
    QString lockAsked() const;
    static QString lockOf(const QQuickItem* page);

    // What was done: inputs by kind, faults by kind.
    QMap<QString, int> drawn, faults;

private slots:
    void onRampEntry();
    void onConfirm();
    void onProcedureConfirm();
    void onCalibrationEntered(double value);

private:
    QQuickItem* resolve(const OperatorInput& input) const;
    QQuickItem* controlAt(const QPoint& spot) const;
    void tapSpot(const QPoint& spot, bool touch);
    void tap(OperatorInput& input, bool byKnob);
    void turn(int steps);
    void type(OperatorInput& input);
    void switchSafetyInput(int bit, bool open);
    void injectFault(const OperatorInput& input);
    void mute(int ms, HvUnitSimulator::Fault fault);
    void setUnit(const OperatorInput& input);
    void putCriteria();
    void beforeAction(QQuickItem* control);
    void confirmedOn(QQuickItem* page);
    int rampTenths(bool low) const;
    void stepTarget(int direction);

    const Walk& m_walk;
    Notes& m_notes;
    InputLog& m_log;
    QPointer<QQuickItem> m_watched; // the page whose confirmations are noted
};
