// A long log fills its list in the background: the GUI thread keeps running, every row
// arrives once and in order, and a list given up mid-read neither mixes nor hangs.
#include "core/GlobalFuncs.h"
#include "db/DB.h"
#include "fakes/DataModelCase.h"
#include "gui/LogListModel.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {
constexpr int kRows = 30000;
const qint64 kStart = QDateTime(QDate(2026, 3, 1), QTime(8, 0)).toMSecsSinceEpoch();

// Written in one transaction of a connection of its own: quicker than the log queues.
bool fillLog(const QString& file, const QString& table, int rows)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("filler"));
        db.setDatabaseName(file);
        ok = db.open() && db.transaction();
        QSqlQuery q(db);
        const bool withCategory = table == QLatin1String("messagelog");
        ok = ok && q.prepare(withCategory ? QStringLiteral("INSERT INTO messagelog (datetime, category, message) VALUES (?, 4, ?)")
                                          : QStringLiteral("INSERT INTO servicelog (datetime, message) VALUES (?, ?)"));
        for (int i = 0; ok && i < rows; ++i) {
            q.addBindValue(kStart + i * 1000LL);
            q.addBindValue(QStringLiteral("row %1").arg(i));
            ok = q.exec();
        }
        ok = ok && db.commit();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("filler"));
    return ok;
}

} // namespace

class TstLogListModel : public QObject, public DataModelCase {
    Q_OBJECT
    static std::unique_ptr<LogListModel> makeModel(LogListModel::Log log)
    {
        return std::make_unique<LogListModel>(log, []() { return QStringLiteral("yyyy-MM-dd HH:mm:ss"); });
    }
    // The names from row 0 on, newest first, are "row <kRows - 1>" down to "row 0".
    static int rowsInOrder(const LogListModel& model)
    {
        for (int i = 0; i < model.rowCount(); ++i) {
            if (model.index(i).data(LogListModel::NameRole).toString() != QStringLiteral("row %1").arg(kRows - 1 - i))
                return i;
        }
        return model.rowCount();
    }

private slots:
    void init() { start(); }
    void cleanup() { end(); }
    void longLogFillsInTheBackground_data()
    {
        QTest::addColumn<int>("log");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("newestTime");
        QTest::newRow("message log") << int(LogListModel::MessageLog) << "messagelog"
                                     << QLocale::c().toString(QDateTime::fromMSecsSinceEpoch(kStart + (kRows - 1) * 1000LL),
                                                              QStringLiteral("yyyy/MM/dd hh:mm:ss:zzz AP"));
        QTest::newRow("service log") << int(LogListModel::ServiceLog) << "servicelog"
                                     << QDateTime::fromMSecsSinceEpoch(kStart + (kRows - 1) * 1000LL)
                                            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    void longLogFillsInTheBackground()
    {
        QFETCH(int, log);
        QFETCH(QString, table);
        QFETCH(QString, newestTime);
        QVERIFY(fillLog(GlobalFuncs::getDB()->filePath(), table, kRows));
        auto model = makeModel(LogListModel::Log(log));
        QList<int> counts;
        connect(model.get(), &LogListModel::countChanged, [&]() { counts << model->rowCount(); });

        // The longest time the GUI thread went without serving its timer.
        QElapsedTimer clock;
        qint64 lastTick = 0, longestGapMs = 0;
        int ticks = 0;
        auto tick = [&]() {
            longestGapMs = qMax(longestGapMs, clock.elapsed() - lastTick);
            lastTick = clock.elapsed();
            ++ticks;
        };
        QTimer timer;
        connect(&timer, &QTimer::timeout, tick);
        timer.start(5);
        clock.start();
        model->reload();
        QVERIFY(model->isLoading());
        QVERIFY(QTest::qWaitFor([&]() { return !model->isLoading(); }, 60000));
        tick();

        QCOMPARE(model->rowCount(), kRows);
        QCOMPARE(rowsInOrder(*model), kRows);
        QCOMPARE(model->index(0).data(LogListModel::ValueRole).toString(), newestTime);
        // The list showed what it had while the rest was read; the GUI thread never
        // stalled near the watchdog's second.
        QVERIFY2(counts.size() > 2 && counts.first() < kRows, qPrintable(QString::number(counts.size())));
        QVERIFY2(ticks > 3, qPrintable(QString::number(ticks)));
        QVERIFY2(longestGapMs < 500, qPrintable(QString::number(longestGapMs)));

        model = makeModel(LogListModel::Log(log));
        model->reload();
        QVERIFY(QTest::qWaitFor([&]() { return model->rowCount() > 0; }, 60000));
        // Read again midway (the page came back): the first read's rows never join in.
        model->reload();
        QCOMPARE(model->rowCount(), 0);
        QVERIFY(QTest::qWaitFor([&]() { return !model->isLoading(); }, 60000));
        QCOMPARE(model->rowCount(), kRows);
        QCOMPARE(rowsInOrder(*model), kRows);

        // Gone midway: the read waits for this thread's database answers, which the
        // list gives while it waits for the read to end.
        model->reload();
        QVERIFY(QTest::qWaitFor([&]() { return model->rowCount() > 0; }, 60000));
        QElapsedTimer ending;
        ending.start();
        model.reset();
        QVERIFY2(ending.elapsed() < 5000, qPrintable(QString::number(ending.elapsed())));
        QTest::qWait(20);
    }
};

QTEST_GUILESS_MAIN(TstLogListModel)
#include "tst_loglistmodel.moc"
