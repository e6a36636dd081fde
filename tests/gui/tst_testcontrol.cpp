#include "gui/DialogQueue.h"
#include "gui/TestControl.h"
#include "gui/TestMeasurement.h"

#include <QSignalSpy>
#include <QtTest>

// The HV unit's faults the operator acknowledges while the high voltage is off.
class TstTestControl : public QObject {
    Q_OBJECT
private:
    static QList<int> events(const QSignalSpy& spy)
    {
        QList<int> out;
        for (const QList<QVariant>& args : spy)
            out << int(args.at(0).value<eAppEvent>());
        return out;
    }

private slots:
    void hvOffFaultsCannotBeRejectedAndStartTheUnitOnce()
    {
        TestMeasurement measure;
        DialogQueue dialogs;
        TestControl control(measure, dialogs);
        QSignalSpy sent(&control, &TestControl::sendAppEvent);
        control.onOutputOffsetToBig();
        QCOMPARE(dialogs.questions().size(), 1);
        const DialogQueue::Question offset = dialogs.questions().at(0);
        QCOMPARE(offset.item->icon(), QStringLiteral("qrc:/icons/warning.svg"));
        QCOMPARE(offset.acceptText, QStringLiteral("OK"));
        QVERIFY(offset.rejectText.isEmpty());
        QCOMPARE(dialogs.questionButtonText(offset.id, 0), QString());

        control.onHvOvertemperatureDetected();
        control.onHvOvertemperatureDetected(); // the same fault again joins its question
        QCOMPARE(dialogs.questions().size(), 2);
        const DialogQueue::Question heat = dialogs.questions().at(0);
        QCOMPARE(heat.item->icon(), QStringLiteral("qrc:/icons/temperature.svg"));

        dialogs.hideQuestion(heat.id, 1);
        QCOMPARE(events(sent), (QList<int>{5}));
        emit dialogs.questionAnswered(heat.id, 1); // a late repeat is not acted on
        dialogs.hideQuestion(offset.id, 0);
        QCOMPARE(events(sent), (QList<int>{5}));
    }
};

QTEST_MAIN(TstTestControl)
#include "tst_testcontrol.moc"
