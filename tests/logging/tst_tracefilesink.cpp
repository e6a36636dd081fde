#include "logging/LoggingCtrl.h"
#include "logging/TraceFileSink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

LoggingData makeRecord(quint64 seq, const QString& text)
{
    LoggingData r;
    r.time = QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9, 42));
    r.pid = 321;
    r.threadId = 654;
    r.sequence = seq;
    r.category = CAT_MEAS;
    r.tag = QStringLiteral("MEAS");
    r.file = QStringLiteral("TTestThread");
    r.function = QStringLiteral("onValueTimer");
    r.text = text;
    return r;
}

QList<quint64> sequences(const QByteArray& content)
{
    QList<quint64> out;
    const QRegularExpression re(QStringLiteral("^\\S+ \\S+ #(\\d+) "), QRegularExpression::MultilineOption);
    auto it = re.globalMatch(QString::fromUtf8(content));
    while (it.hasNext())
        out.append(it.next().captured(1).toULongLong());
    return out;
}
} // namespace

class TestTraceFileSink : public QObject {
    Q_OBJECT
private slots:
    void lineLayout()
    {
        QCOMPARE(TraceFileSink::formatLine(makeRecord(7, "U=12.0 kV")),
                 QByteArray("2026-03-07 14:05:09.042 #7 321:654 MEAS TTestThread::onValueTimer: U=12.0 kV\n"));
        LoggingData r = makeRecord(8, "x");
        r.file = QStringLiteral("main.cpp");
        r.line = 12;
        r.function = QStringLiteral("main");
        QCOMPARE(TraceFileSink::formatLine(r), QByteArray("2026-03-07 14:05:09.042 #8 321:654 MEAS main.cpp:12 main: x\n"));
    }

    void rollsAt51200BytesKeepingTheEnding()
    {
        QTemporaryDir dir;
        TraceFileSink sink(dir.path(), "VLF");
        QVERIFY(sink.open());
        const QString filler(180, QLatin1Char('v'));
        const quint64 total = 4000; // about 12 files' worth: more than are kept
        for (quint64 i = 1; i <= total; ++i)
            sink.write(makeRecord(i, filler));
        sink.close();

        QDir d(dir.path());
        const QStringList files = d.entryList(QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 1 + TraceFileSink::KeptRolledFiles);
        for (const QString& f : files) {
            QVERIFY2(f.endsWith(".trc"), qPrintable(f));
            const qint64 size = QFileInfo(d.filePath(f)).size();
            QVERIFY2(size <= 51200, qPrintable(QStringLiteral("%1: %2").arg(f).arg(size)));
        }
        QVERIFY(files.contains("VLF.trc"));
        QVERIFY(files.contains(QStringLiteral("VLF_%1.trc").arg(TraceFileSink::KeptRolledFiles)));
        QVERIFY(!QFile::exists(sink.rolledFilePath(TraceFileSink::KeptRolledFiles + 1)));

        // A rolled file is full: the next line would not have fitted.
        const qint64 lineSize = TraceFileSink::formatLine(makeRecord(total, filler)).size();
        QVERIFY(QFileInfo(sink.rolledFilePath(1)).size() > 51200 - lineSize);

        // No line lost at a roll: newest file continues where the previous one stopped.
        quint64 expectedNext = 0;
        for (int n = TraceFileSink::KeptRolledFiles; n >= 0; --n) {
            const QString path = n == 0 ? sink.filePath() : sink.rolledFilePath(n);
            const QList<quint64> seq = sequences(readAll(path));
            QVERIFY(!seq.isEmpty());
            for (quint64 s : seq) {
                if (expectedNext != 0)
                    QCOMPARE(s, expectedNext);
                expectedNext = s + 1;
            }
        }
        QCOMPARE(expectedNext, total + 1);
    }

    void appendsToAnExistingTraceAndCountsItsSize()
    {
        QTemporaryDir dir;
        QFile old(dir.path() + "/VLF.trc");
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(51190, 'o'));
        old.close();
        TraceFileSink sink(dir.path(), "VLF");
        QVERIFY(sink.open());
        sink.write(makeRecord(1, "after restart"));
        sink.close();
        QCOMPARE(QFileInfo(sink.rolledFilePath(1)).size(), qint64(51190));
        QVERIFY(readAll(sink.filePath()).contains("after restart"));
    }

    void unusableFolderFailsToOpen()
    {
        QTemporaryDir dir;
        QFile blocker(dir.path() + "/file");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TraceFileSink sink(dir.path() + "/file/sub", "VLF");
        QVERIFY(!sink.open());
        TraceFileSink none(QString(), "VLF");
        QVERIFY(!none.open());
    }

    void loggerRollsTheTraceFile()
    {
        QCoreApplication::setApplicationName(QStringLiteral("vlfroll"));
        QTemporaryDir dir;
        LoggingCtrl logger;
        QVERIFY(logger.initialize(dir.path()));
        const QString filler(200, QLatin1Char('r'));
        for (int i = 0; i < 400; ++i)
            KLOG_DEBUG2("Cls", "f", filler);
        KLOG_ERROR2("Cls", "f", QStringLiteral("last one"));
        logger.release();
        QVERIFY(QFile::exists(dir.path() + "/VLFROLL_1.trc"));
        QVERIFY(QFileInfo(dir.path() + "/VLFROLL_1.trc").size() <= 51200);
        QVERIFY(readAll(dir.path() + "/VLFROLL.trc").contains("last one"));
    }
};

QTEST_GUILESS_MAIN(TestTraceFileSink)
#include "tst_tracefilesink.moc"
