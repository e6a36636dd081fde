#include "core/TransObject.h"

#include <QCoreApplication>
#include <QThread>
#include <QTranslator>
#include <QVariant>
#include <QtTest>

namespace {
// Answers one (context, key, comment) triple, so the test sees what toText asks for.
class OneEntryTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int = -1) const override
    {
        const QByteArray comment = disambiguation ? QByteArray(disambiguation) : QByteArray();
        if (QByteArray(context) == "History" && QByteArray(sourceText) == "UnableToExportData" &&
            comment == "export")
            return QStringLiteral("Export to %1 failed (%2)");
        return QString();
    }
    bool isEmpty() const override { return false; }
};
} // namespace

class MessageReceiver : public QObject {
    Q_OBJECT
public:
    QList<TransObject> received;
public slots:
    void take(const QList<TransObject>& messages) { received = messages; }
};

class TstTransObject : public QObject {
    Q_OBJECT
private slots:
    void untranslatedKeyKeepsArguments()
    {
        const TransObject t(QStringLiteral("Dialog"), QStringLiteral("Step %1 of %2"),
                            {QStringLiteral("3"), QStringLiteral("7")});
        QCOMPARE(t.toText(), QStringLiteral("Step 3 of 7"));
        QCOMPARE(TransObject(QStringLiteral("Menu"), QStringLiteral("Activities")).toText(),
                 QStringLiteral("Activities"));
    }

    void translatesWithContextKeyAndComment()
    {
        OneEntryTranslator translator;
        QVERIFY(QCoreApplication::installTranslator(&translator));
        const TransObject t(QStringLiteral("History"), QStringLiteral("UnableToExportData"),
                            {QStringLiteral("USB:/Pevanto"), QStringLiteral("disk full")}, QStringLiteral("export"));
        QCOMPARE(t.toText(), QStringLiteral("Export to USB:/Pevanto failed (disk full)"));
        // Without the comment it is another entry: the key stays.
        const TransObject other(QStringLiteral("History"), QStringLiteral("UnableToExportData"),
                                {QStringLiteral("x")});
        QCOMPARE(other.toText(), QStringLiteral("UnableToExportData"));
        QCoreApplication::removeTranslator(&translator);
    }

    void argumentsAreNotSubstitutedAgain()
    {
        // A folder name that itself holds "%2" must appear as it is.
        const QString text = TransObject::fillArguments(QStringLiteral("Saved to %1 at %2"),
                                                        {QStringLiteral("/media/USB/100%2"), QStringLiteral("noon")});
        QCOMPARE(text, QStringLiteral("Saved to /media/USB/100%2 at noon"));
        // Order follows the marker numbers, not the order of appearance.
        QCOMPARE(TransObject::fillArguments(QStringLiteral("%2-%1"), {QStringLiteral("a"), QStringLiteral("b")}),
                 QStringLiteral("b-a"));
        // Markers without an argument, lone percent signs and %0 stay.
        QCOMPARE(TransObject::fillArguments(QStringLiteral("%1 %3 100% %0 %"), {QStringLiteral("x")}),
                 QStringLiteral("x %3 100% %0 %"));
        // Two-digit markers.
        QStringList many;
        for (int i = 1; i <= 12; ++i)
            many << QString::number(i * 10);
        QCOMPARE(TransObject::fillArguments(QStringLiteral("%12/%1"), many), QStringLiteral("120/10"));
    }

    void travelsAsVariant()
    {
        const TransObject t(QStringLiteral("Dialog"), QStringLiteral("Key"), {QStringLiteral("a")},
                            QStringLiteral("c"));
        const QVariant v = QVariant::fromValue(t);
        QVERIFY(v.canConvert<TransObject>());
        const TransObject back = v.value<TransObject>();
        QCOMPARE(back, t);
        QCOMPARE(back.context(), QStringLiteral("Dialog"));
        QCOMPARE(back.key(), QStringLiteral("Key"));
        QCOMPARE(back.arguments(), QStringList{QStringLiteral("a")});
        QCOMPARE(back.comment(), QStringLiteral("c"));
        QVERIFY(back != TransObject(QStringLiteral("Dialog"), QStringLiteral("Key")));
    }

    void travelsThroughQueuedSignals()
    {
        // Queued connections copy their arguments through the meta-type system.
        QThread thread;
        MessageReceiver receiver;
        receiver.moveToThread(&thread);
        thread.start();
        const QList<TransObject> sent{TransObject(QStringLiteral("Menu"), QStringLiteral("Activities")),
                                      TransObject(QStringLiteral("ErrorMessages"), QStringLiteral("ErrorWhileWritingData"),
                                                  {QStringLiteral("x")})};
        QVERIFY(QMetaObject::invokeMethod(&receiver, "take", Qt::BlockingQueuedConnection,
                                          Q_ARG(QList<TransObject>, sent)));
        thread.quit();
        QVERIFY(thread.wait(5000));
        QCOMPARE(receiver.received, sent);
    }
};

QTEST_GUILESS_MAIN(TstTransObject)
#include "tst_transobject.moc"
