#include "uiapi/SafetyCircuitView.h"
#include "datamodel/InstrumentTypes.h"
#include "hvunit/SCPins.h"

#include <QSignalSpy>
#include <QtTest>

class TstSafetyCircuitView : public QObject {
    Q_OBJECT
private slots:
    void pinsFollowTheBitsOfTheSafetyState()
    {
        QCOMPARE(int(SCPins.size()), SafetyPinCount);
        for (int i = 0; i < SafetyPinCount; ++i)
            QCOMPARE(SCPins[std::size_t(i)].bit, i);
        QCOMPARE(int(SafetyPin_Testboost), SafetyInputTestBoost);
        QCOMPARE(int(SafetyPin_HvOn), SafetyPinCount - 1);
    }

    void namesOfTheTenContacts()
    {
        const QStringList names{QStringLiteral("Schlüsselschalter"), QStringLiteral("NOT-AUS"),
                                QStringLiteral("HV-Stecker"),        QStringLiteral("F-Ohm"),
                                QStringLiteral("Übertemperatur"),    QStringLiteral("Testboost"),
                                QStringLiteral("DSP-Steuerung"),     QStringLiteral("HV-OFF Taste"),
                                QStringLiteral("Ferneingriff"),      QStringLiteral("HV-ON")};
        for (int pin = 0; pin < SafetyPinCount; ++pin) {
            SafetyCircuitView view(static_cast<eSafetyPin>(pin));
            QCOMPARE(view.name(), names[pin]);
            QCOMPARE(view.property("name").toString(), names[pin]);
            QVERIFY(!view.closed());
        }
        QCOMPARE(SafetyCircuitView(static_cast<eSafetyPin>(10)).name(), QStringLiteral("HV-ON"));
        QCOMPARE(SafetyCircuitView(static_cast<eSafetyPin>(-1)).name(), QStringLiteral("HV-ON"));
    }

    // Each view follows only its own bit, and tells only its changes.
    void closedFollowsItsOwnBit()
    {
        std::vector<std::unique_ptr<SafetyCircuitView>> views;
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (int pin = 0; pin < SafetyPinCount; ++pin) {
            views.push_back(std::make_unique<SafetyCircuitView>(static_cast<eSafetyPin>(pin)));
            spies.push_back(std::make_unique<QSignalSpy>(views.back().get(), &SafetyCircuitView::closedChanged));
        }
        const std::bitset<10> state(0x2A5); // inputs 0, 2, 5, 7 and 9 closed
        for (int round = 0; round < 2; ++round) {
            for (auto& view : views)
                view->onSafetyCircuitChanged(state);
        }
        for (int pin = 0; pin < SafetyPinCount; ++pin) {
            QCOMPARE(views[std::size_t(pin)]->closed(), state[std::size_t(pin)]);
            QCOMPARE(views[std::size_t(pin)]->property("closed").toBool(), state[std::size_t(pin)]);
            QCOMPARE(spies[std::size_t(pin)]->count(), state[std::size_t(pin)] ? 1 : 0);
        }

        views[5]->onSafetyCircuitChanged(std::bitset<10>());
        QVERIFY(!views[5]->closed());
        QCOMPARE(spies[5]->count(), 2);
    }
};

QTEST_GUILESS_MAIN(TstSafetyCircuitView)
#include "tst_safetycircuitview.moc"
