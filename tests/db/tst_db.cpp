#include "db/DB.h"
#include "db/DbSchema.h"
#include "core/GlobalFuncs.h"
#include "db/StatisticId.h"
#include "fakes/TempRoot.h"
#include "logging/MessageCategories.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <QtTest>

#include <algorithm>
#include <ctime>
#include <functional>

#include <memory>

namespace {
qint64 localMs(int y, int mo, int d, int h, int mi, int s, int ms)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms)).toMSecsSinceEpoch();
}

QStringList lines(const QByteArray& data, char separator = '\n')
{
    QStringList out;
    for (const QByteArray& l : data.split(separator)) {
        if (!l.isEmpty())
            out << QString::fromUtf8(l);
    }
    return out;
}

// Raw look at the file, beside the DB object.
QStringList rawTables(const QString& path)
{
    QStringList tables;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%' ORDER BY name"));
            while (q.next())
                tables << q.value(0).toString();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    return tables;
}
} // namespace

class TestDB : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempRoot> m_root;
    DB* m_db = nullptr;

    QString dbPath() const { return GlobalFuncs::getAppDataPath() + QStringLiteral("/TSTDB.sqlite3"); }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("tstdb")); }

    void init()
    {
        m_root = std::make_unique<TempRoot>();
        QVERIFY(m_root->isValid());
        m_db = DB::getInstance();
        QVERIFY(m_db->initialize());
    }

    void cleanup()
    {
        DB::destroyInstance();
        m_db = nullptr;
        m_root.reset();
    }

    void fileInAppDataFolder()
    {
        QCOMPARE(DB::fileName(), QStringLiteral("TSTDB.sqlite3"));
        QCOMPARE(m_db->filePath(), QDir(GlobalFuncs::getAppDataPath()).absoluteFilePath(QStringLiteral("TSTDB.sqlite3")));
        QVERIFY(QFile::exists(dbPath()));
        QVERIFY(m_db->filePath().startsWith(m_root->root()));
    }

    void closedDatabaseFails()
    {
        m_db->release();
        QVERIFY(!m_db->isOpen());
        QVERIFY(!m_db->setDefaultValue(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("1")));
        QCOMPARE(m_db->getDefaultValue(QStringLiteral("A"), QStringLiteral("B")), QString());
        QByteArray out;
        QVERIFY(!m_db->getMessages(out));
        QVERIFY(m_db->initialize());
        QVERIFY(m_db->setDefaultValue(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("1")));
    }

    void defaultValuesUpdateOrInsert()
    {
        QCOMPARE(m_db->getDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName")), QString());
        QVERIFY(m_db->setDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName"), QStringLiteral("a/b.vlf")));
        QVERIFY(m_db->setDefaultValue(QStringLiteral("General"), QStringLiteral("Language"), QStringLiteral("English")));
        QVERIFY(m_db->setDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName"), QStringLiteral("c'd\";--")));
        QCOMPARE(m_db->getDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName")), QStringLiteral("c'd\";--"));
        QCOMPARE(m_db->getDefaultValue(QStringLiteral("General"), QStringLiteral("Language")), QStringLiteral("English"));
        {
            // A value the file holds already is not written again: no commit another connection sees.
            QSqlDatabase peek = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
            peek.setDatabaseName(dbPath());
            QVERIFY(peek.open());
            QSqlQuery v(peek);
            const auto version = [&v] { return v.exec(QStringLiteral("PRAGMA data_version")) && v.next() ? v.value(0) : 0; };
            const QVariant before = version();
            QVERIFY(m_db->setDefaultValue(QStringLiteral("General"), QStringLiteral("Language"), QStringLiteral("English")));
            QCOMPARE(version(), before);
            QVERIFY(m_db->setDefaultValue(QStringLiteral("General"), QStringLiteral("Language"), QStringLiteral("Dansk")));
            QVERIFY(version() != before);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("peek"));
        // Survives closing and opening again.
        m_db->release();
        QVERIFY(m_db->initialize());
        QCOMPARE(m_db->getDefaultValue(QStringLiteral("TanDelta"), QStringLiteral("FileName")), QStringLiteral("c'd\";--"));
        QVERIFY(m_db->resetDefaultValues());
        QCOMPARE(m_db->getDefaultValue(QStringLiteral("General"), QStringLiteral("Language")), QString());
        QVERIFY(m_db->setDefaultValue(QStringLiteral("General"), QStringLiteral("Language"), QStringLiteral("Deutsch")));
        QCOMPARE(m_db->getDefaultValue(QStringLiteral("General"), QStringLiteral("Language")), QStringLiteral("Deutsch"));
    }

    void remoteControlledStoresNothing()
    {
        bool remote = true;
        m_db->setRemoteControlledCheck([&remote]() { return remote; });
        QVERIFY(m_db->setDefaultValue(QStringLiteral("Test"), QStringLiteral("Voltage"), QStringLiteral("1000")));
        QCOMPARE(m_db->getDefaultValue(QStringLiteral("Test"), QStringLiteral("Voltage")), QString());
        remote = false;
        QVERIFY(m_db->setDefaultValue(QStringLiteral("Test"), QStringLiteral("Voltage"), QStringLiteral("2000")));
        remote = true;
        QVERIFY(m_db->setDefaultValue(QStringLiteral("Test"), QStringLiteral("Voltage"), QStringLiteral("3000")));
        QCOMPARE(m_db->getDefaultValue(QStringLiteral("Test"), QStringLiteral("Voltage")), QStringLiteral("2000"));
        m_db->setRemoteControlledCheck(nullptr);
    }

    void passwordRecords()
    {
        const QString admin = m_db->getPassword(QStringLiteral("admin_menu"));
        QCOMPARE(admin.size(), 57);
        QVERIFY(GlobalFuncs::checkPassword(QStringLiteral("VlfAdmin7"), admin));
        const QString service = m_db->getPassword(QStringLiteral("service_menu"));
        const QString ryx = m_db->getPassword(QStringLiteral("ryx_menu"));
        QCOMPARE(service.size(), 57);
        QCOMPARE(ryx.size(), 57);
        QVERIFY(GlobalFuncs::checkPassword(QStringLiteral("VlfService1"), service));
        QVERIFY(GlobalFuncs::checkPassword(QStringLiteral("RyxLevel42"), ryx));
        QVERIFY(!GlobalFuncs::checkPassword(QStringLiteral("VlfService1"), ryx));
        QCOMPARE(m_db->getPassword(QStringLiteral("other")), QString());

        const QString mine = GlobalFuncs::encryptPassword(QStringLiteral("secret5"));
        const QString serviceOwn = GlobalFuncs::encryptPassword(QStringLiteral("service6"));
        const QString ryxOwn = GlobalFuncs::encryptPassword(QStringLiteral("ryx7"));
        QVERIFY(m_db->setPassword(QStringLiteral("admin_menu"), mine));
        QVERIFY(m_db->setPassword(QStringLiteral("service_menu"), serviceOwn));
        QVERIFY(m_db->setPassword(QStringLiteral("ryx_menu"), ryxOwn));
        QCOMPARE(m_db->getPassword(QStringLiteral("admin_menu")), mine);
        // Opening again keeps changed records; the reset to defaults restores the
        // administrator's factory record only.
        m_db->release();
        QVERIFY(m_db->initialize());
        QCOMPARE(m_db->getPassword(QStringLiteral("admin_menu")), mine);
        QVERIFY(m_db->resetDefaultValues());
        QCOMPARE(m_db->getPassword(QStringLiteral("admin_menu")), DB::defaultPasswordRecord(QStringLiteral("admin_menu")));
        QCOMPARE(m_db->getPassword(QStringLiteral("service_menu")), serviceOwn);
        QCOMPARE(m_db->getPassword(QStringLiteral("ryx_menu")), ryxOwn);
    }

    void cableNumbers()
    {
        for (const char* n : {"1", "11", "21", "a'b", "ab", "B7", "b6", "x%y", "x_y"})
            QVERIFY(m_db->addCableNumber(QString::fromLatin1(n)));
        QVERIFY(m_db->addCableNumber(QStringLiteral("11"))); // again: still one entry
        QVERIFY(!m_db->addCableNumber(QString()));
        QCOMPARE(m_db->getCableNumbers(),
                 QStringList({"1", "11", "21", "a'b", "ab", "b6", "B7", "x%y", "x_y"}));
        QCOMPARE(m_db->getCableNumbers(QStringLiteral("1")), QStringList({"1", "11", "21"}));
        QCOMPARE(m_db->getCableNumbers(QStringLiteral("%")), QStringList({"x%y"}));
        QCOMPARE(m_db->getCableNumbers(QStringLiteral("A")), QStringList({"a'b", "ab"}));

        m_db->deleteCableNumber(QStringLiteral("1"));
        QCOMPARE(m_db->getCableNumbers(QStringLiteral("1")), QStringList({"11", "21"}));
        m_db->deleteCableNumber(QStringLiteral("a'b"));
        QCOMPARE(m_db->getCableNumbers(QStringLiteral("a")), QStringList({"ab"}));
        m_db->deleteCableNumber(QString());
        m_db->deleteCableNumber(QStringLiteral("%"));
        m_db->deleteCableNumber(QStringLiteral("x_"));
        m_db->deleteCableNumber(QStringLiteral("' OR '1'='1"));
        QCOMPARE(m_db->getCableNumbers().size(), 7);
    }

    void statistics()
    {
        QVERIFY(m_db->getStatisticParamIds().isEmpty());
        QCOMPARE(m_db->getStatisticParam(0x201), qint64(0));
        QVERIFY(m_db->incStatisticParam(0x201, 5));
        QVERIFY(m_db->incStatisticParam(0x201, 7));
        QVERIFY(m_db->incStatisticParam(0x401, 0));
        QVERIFY(m_db->incStatisticParam(0x10b, 1));
        QCOMPARE(m_db->getStatisticParam(0x201), qint64(12));
        QCOMPARE(m_db->getStatisticParam(0x401), qint64(0));
        QCOMPARE(m_db->getStatisticParamIds(), QList<int>({0x10b, 0x201, 0x401}));

        QCOMPARE(StatisticId::make(2, 10), 0x20a);
        QCOMPARE(StatisticId::make(3, 300), 0x3ff);
        QCOMPARE(StatisticId::make(3, -4), 0x300);
        QCOMPARE(StatisticId::category(StatisticId::make(3, 1000)), 3);

        QVERIFY(m_db->getStatistics() == nullptr);
        const Statistics* fake = reinterpret_cast<const Statistics*>(this);
        m_db->setStatistics(fake);
        QVERIFY(m_db->getStatistics() == fake);
    }

    void performanceIndicators()
    {
        QCOMPARE(m_db->getPerformanceIndicator(1, 0), std::numeric_limits<qint64>::min());
        QVERIFY(m_db->getPerformanceIndicators().isEmpty());
        QVERIFY(m_db->setPerformanceIndicator(1, 1, 45));
        QVERIFY(m_db->setPerformanceIndicator(1, 0, -12));
        QVERIFY(m_db->setPerformanceIndicator(3, 0, std::numeric_limits<qint64>::max()));
        QVERIFY(m_db->setPerformanceIndicator(1, 0, -20));
        QCOMPARE(m_db->getPerformanceIndicator(1, 0), qint64(-20));
        QCOMPARE(m_db->getPerformanceIndicator(1, 1), qint64(45));
        QCOMPARE(m_db->getPerformanceIndicator(3, 0), std::numeric_limits<qint64>::max());
        QCOMPARE(m_db->getPerformanceIndicator(3, 1), std::numeric_limits<qint64>::min());
        QCOMPARE(m_db->getPerformanceIndicators(), QList<int>({1, 3}));
        QCOMPARE(m_db->getPerformanceClasses(1), QList<int>({0, 1}));
        QVERIFY(m_db->getPerformanceClasses(2).isEmpty());
    }

    void tanDeltaPhases()
    {
        QVERIFY(m_db->setTanDeltaMetainfo(0, 1, 100));
        QVERIFY(m_db->setTanDeltaMetainfo(0, 4, 1780000000123LL));
        QVERIFY(m_db->setTanDeltaMetainfo(0, 1, 50));
        QVERIFY(m_db->setTanDeltaMetainfo(2, 2, 123));
        QMap<int, long long> expected;
        expected.insert(1, 50);
        expected.insert(4, 1780000000123LL);
        QCOMPARE(m_db->getTanDeltaMetainfo(0), expected);
        QVERIFY(m_db->getTanDeltaMetainfo(1).isEmpty());

        QVector<DB::TanDeltaStep> steps(3);
        steps[0] = {-6350000, 1234, 5};
        steps[1] = {12700000, 1000000000u, 0};
        steps[2] = {19050000, 4000000000u, -1};
        QVERIFY(m_db->setTanDeltaSummary(1, steps));
        QVERIFY(m_db->setTanDeltaSummary(1, steps.mid(0, 2)));
        const QVector<DB::TanDeltaStep> back = m_db->getTanDeltaSummary(1);
        QCOMPARE(back.size(), 2);
        QCOMPARE(back[0].meanVoltage, qint64(-6350000));
        QCOMPARE(back[0].meanTanDelta, quint32(1234));
        QCOMPARE(back[1].meanTanDelta, quint32(1000000000u));
        QVERIFY(m_db->setTanDeltaSummary(2, steps));
        QCOMPARE(m_db->getTanDeltaSummary(2)[2].meanTanDelta, quint32(4000000000u));
        QCOMPARE(m_db->getTanDeltaSummary(2)[2].stdDeviation, qint64(-1));
        QVERIFY(m_db->clearTanDeltaPhases());
        QVERIFY(m_db->getTanDeltaSummary(1).isEmpty());
        QVERIFY(m_db->getTanDeltaMetainfo(0).isEmpty());
    }

    void voltageSnaps()
    {
        QVERIFY(m_db->getVoltageSnapValues(0).isEmpty());
        QVERIFY(m_db->setVoltageSnapValues(1, {3.5, 10.0, 25.4, 40.0}));
        QVERIFY(m_db->setVoltageSnapValues(0, {1.0, 2.0, 3.0}));
        QVERIFY(m_db->setVoltageSnapValues(1, {5.0, 6.5, 8.0}));
        QCOMPARE(m_db->getVoltageSnapValues(1), QList<double>({5.0, 6.5, 8.0}));
        QCOMPARE(m_db->getVoltageSnapValues(0), QList<double>({1.0, 2.0, 3.0}));
    }

    void messageLogFormat()
    {
        // 1 PM is newer than 2 AM of the same day: ordering by time, not by text.
        const qint64 am = localMs(2026, 3, 5, 2, 0, 0, 0);
        const qint64 pm = localMs(2026, 3, 5, 13, 7, 8, 9);
        const qint64 later = localMs(2026, 3, 6, 0, 30, 59, 999);
        m_db->queueMessage({pm, 2, QStringLiteral("breakdown at 12.3 kV")});
        m_db->queueMessage({am, 4, QStringLiteral("started")});
        m_db->queueMessage({later, 10, QStringLiteral("remote\tout\nput")});
        QByteArray out("previous\n");
        QVERIFY(m_db->getMessages(out));
        QCOMPARE(QString::fromUtf8(out),
                 QStringLiteral("previous\n"
                                "2026/03/06 12:30:59:999 AM\tUNKNOWN\tremote out put\n"
                                "2026/03/05 01:07:08:009 PM\tERR\tbreakdown at 12.3 kV\n"
                                "2026/03/05 02:00:00:000 AM\tINF\tstarted\n"));
    }

    void messageLogCategoryNames()
    {
        const int cats[] = {1, 2, 3, 4, 5, 6, 7, 8, 0, 9, 10, -1};
        const char* names[] = {"FATAL", "ERR", "WARN", "INF", "MSG", "MEAS", "METHOD", "DBG",
                               "UNKNOWN", "UNKNOWN", "UNKNOWN", "UNKNOWN"};
        const qint64 base = localMs(2026, 1, 1, 10, 0, 0, 0);
        for (int i = 0; i < 12; ++i)
            m_db->queueMessage({base - i * 1000, cats[i], QStringLiteral("m%1 äö").arg(i)});
        QByteArray out;
        QVERIFY(m_db->getMessages(out));
        const QStringList l = lines(out);
        QCOMPARE(l.size(), 12);
        for (int i = 0; i < 12; ++i) {
            const QStringList f = l[i].split(QLatin1Char('\t'));
            QCOMPARE(f.size(), 3);
            QCOMPARE(f[1], QString::fromLatin1(names[i]));
            QCOMPARE(f[2], QStringLiteral("m%1 äö").arg(i));
        }
    }

    void serviceLogFormat()
    {
        QByteArray out;
        QVERIFY(m_db->getServiceMessages(out, QLatin1Char('\t'), QLatin1Char('\n'), QStringLiteral("yyyy/MM/dd hh:mm:ss:zzz AP")));
        QVERIFY(out.isEmpty());
        m_db->queueServiceMessage({localMs(2025, 12, 31, 23, 59, 58, 7), 0, QStringLiteral("old; entry")});
        m_db->queueServiceMessage({localMs(2026, 1, 1, 0, 0, 1, 0), 0, QStringLiteral("new entry")});
        QVERIFY(m_db->getServiceMessages(out, QLatin1Char(';'), QLatin1Char('|'), QStringLiteral("dd.MM.yyyy HH:mm")));
        QCOMPARE(QString::fromUtf8(out), QStringLiteral("01.01.2026 00:00;new entry|31.12.2025 23:59;old  entry|"));
    }

    void logTimesAcrossZoneChanges_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint64>("change"); // a change of the zone's offset, UTC
        QTest::newRow("summer time begins") << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3")
                                            << QDateTime(QDate(2024, 3, 31), QTime(1, 0), Qt::UTC).toMSecsSinceEpoch();
        QTest::newRow("summer time ends") << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3")
                                          << QDateTime(QDate(2024, 10, 27), QTime(1, 0), Qt::UTC).toMSecsSinceEpoch();
        QTest::newRow("half-hour shift") << QByteArray("<+1030>-10:30<+11>-11,M10.1.0,M4.1.0")
                                         << QDateTime(QDate(2024, 10, 5), QTime(15, 30), Qt::UTC).toMSecsSinceEpoch();
    }

    // Every row's time is the local time of its own instant, also around a zone change.
    void logTimesAcrossZoneChanges()
    {
        QFETCH(QByteArray, zone);
        QFETCH(qint64, change);
        const QByteArray oldZone = qgetenv("TZ");
        qputenv("TZ", zone);
        tzset();
        QList<qint64> times;
        for (qint64 t = change - 3600000; t <= change + 3600000; t += 7 * 60000 + 1)
            times.prepend(t);
        times.prepend(change);
        times.prepend(change - 1);
        std::sort(times.begin(), times.end(), std::greater<qint64>());
        for (qint64 t : times) {
            m_db->queueMessage({t, 4, QStringLiteral("m")});
            m_db->queueServiceMessage({t, 0, QStringLiteral("s")});
        }
        QByteArray messages;
        QByteArray service;
        const bool read = m_db->getMessages(messages)
            && m_db->getServiceMessages(service, QLatin1Char('\t'), QLatin1Char('\n'), QStringLiteral("dd.MM.yyyy HH:mm:ss.zzz"));
        const bool zoneChanges = QDateTime::fromMSecsSinceEpoch(change - 1).offsetFromUtc()
            != QDateTime::fromMSecsSinceEpoch(change).offsetFromUtc();
        QStringList expectedMessages;
        QStringList expectedService;
        for (qint64 t : times) {
            const QDateTime local = QDateTime::fromMSecsSinceEpoch(t);
            expectedMessages << QLocale::c().toString(local, QStringLiteral("yyyy/MM/dd hh:mm:ss:zzz AP")) + QStringLiteral("\tINF\tm");
            expectedService << QLocale::c().toString(local, QStringLiteral("dd.MM.yyyy HH:mm:ss.zzz")) + QStringLiteral("\ts");
        }
        if (oldZone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", oldZone);
        tzset();
        QVERIFY(zoneChanges);
        QVERIFY(read);
        QCOMPARE(lines(messages), expectedMessages);
        QCOMPARE(lines(service), expectedService);
    }

    void addServiceMessageAtOnce()
    {
        QVERIFY(m_db->addServiceMessage(QStringLiteral("Serial number changed")));
        QByteArray out;
        QVERIFY(m_db->getServiceMessages(out, QLatin1Char('\t'), QLatin1Char('\n'), QStringLiteral("yyyy")));
        QCOMPARE(QString::fromUtf8(out), QStringLiteral("%1\tSerial number changed\n").arg(QDate::currentDate().year()));
    }

    // A reset empties every table and sets the passwords back, keeping the service log when
    // asked (else a fresh file); either way it notes the reset there.
    void resetEmptiesEveryTable_data()
    {
        QTest::addColumn<bool>("keepServiceLog");
        QTest::newRow("keeping the service log") << true;
        QTest::newRow("to a fresh file") << false;
    }
    void resetEmptiesEveryTable()
    {
        QFETCH(bool, keepServiceLog);
        QVERIFY(m_db->addServiceMessage(QStringLiteral("before")));
        m_db->queueMessage({QDateTime::currentMSecsSinceEpoch(), 2, QStringLiteral("error")});
        QVERIFY(m_db->setDefaultValue(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")));
        QVERIFY(m_db->incStatisticParam(0x201, 3));
        QVERIFY(m_db->addCableNumber(QStringLiteral("K1")));
        QVERIFY(m_db->setPassword(QStringLiteral("admin_menu"), GlobalFuncs::encryptPassword(QStringLiteral("xxxxx"))));

        QVERIFY(m_db->resetDatabase(keepServiceLog));
        QVERIFY(m_db->isOpen());
        QByteArray messages;
        QVERIFY(m_db->getMessages(messages));
        QVERIFY(messages.isEmpty());
        QCOMPARE(m_db->getDefaultValue(QStringLiteral("A"), QStringLiteral("B")), QString());
        QVERIFY(m_db->getStatisticParamIds().isEmpty());
        QVERIFY(m_db->getCableNumbers().isEmpty());
        for (const QString& lock : {QStringLiteral("admin_menu"), QStringLiteral("ryx_menu")})
            QCOMPARE(m_db->getPassword(lock), DB::defaultPasswordRecord(lock));
        QByteArray service;
        QVERIFY(m_db->getServiceMessages(service, QLatin1Char('\t'), QLatin1Char('\n'), QStringLiteral("hh")));
        const QStringList l = lines(service);
        QCOMPARE(l.size(), keepServiceLog ? 2 : 1);
        QVERIFY(l[0].endsWith(QStringLiteral("\tResetting Database")));
        QVERIFY(!keepServiceLog || l[1].endsWith(QStringLiteral("\tbefore")));
        // The log-file reset goes on with release and initialize.
        m_db->release();
        QVERIFY(m_db->initialize());
        QVERIFY(m_db->incStatisticParam(0x201, 1));
        QCOMPARE(m_db->getStatisticParam(0x201), qint64(1));
        QVERIFY(m_db->addCableNumber(QStringLiteral("K2")));
        QCOMPARE(m_db->getCableNumbers(), QStringList({"K2"}));
    }

    // A file that is no database, or one with a valid header over overwritten pages, is moved
    // aside as it was, said so in the service log, and a fresh one is used.
    void unusableFileMovedAside_data()
    {
        QTest::addColumn<bool>("header");
        QTest::newRow("no database") << false;
        QTest::newRow("overwritten pages") << true;
    }
    void unusableFileMovedAside()
    {
        QFETCH(bool, header);
        QVERIFY(m_db->setDefaultValue(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")));
        m_db->release();
        QByteArray garbage = QByteArray("this is no database ") + QByteArray(8192, 'x');
        {
            QFile f(dbPath());
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(!header || f.size() > 4096);
            if (header)
                garbage = f.read(100) + QByteArray(int(f.size() - 100), char(0xA5));
            QVERIFY(f.seek(0) && f.resize(0));
            QCOMPARE(f.write(garbage), qint64(garbage.size()));
        }
        QVERIFY(m_db->initialize());
        const QStringList aside = QDir(GlobalFuncs::getAppDataPath())
                                      .entryList({QStringLiteral("TSTDB.sqlite3.unusable-*")}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QFile kept(GlobalFuncs::getAppDataPath() + QLatin1Char('/') + aside.first());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), garbage);
        QCOMPARE(m_db->getDefaultValue(QStringLiteral("A"), QStringLiteral("B")), QString());
        QVERIFY(m_db->setDefaultValue(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("D")));
        QByteArray service;
        QVERIFY(m_db->getServiceMessages(service, QLatin1Char('\t'), QLatin1Char('\n'), QStringLiteral("hh")));
        QCOMPARE(lines(service).size(), 1);
        QVERIFY(service.contains(aside.first().toUtf8()));
    }

    // The database the instrument ran on follows a new system name at the next start, never
    // over a file of the new name: it is opened where it is then.
    void databaseFollowsTheSystemName_data()
    {
        QTest::addColumn<QString>("was"); // the name it ran under last
        QTest::addColumn<QString>("before"); // of the new name, before the start
        QTest::addColumn<QString>("opened");
        QTest::newRow("new name free") << "tstdb" << "" << "NEW.sqlite3";
        QTest::newRow("new name taken") << "tstdb" << "NEW.sqlite3" << "TSTDB.sqlite3";
        QTest::newRow("journal of the new name left") << "tstdb" << "NEW.sqlite3-journal" << "TSTDB.sqlite3";
        QTest::newRow("from a leading blank") << " tstdb" << "" << "NEW.sqlite3";
        QTest::newRow("from a leading dot") << ".tstdb" << "" << "NEW.sqlite3";
    }
    void databaseFollowsTheSystemName()
    {
        QFETCH(QString, was);
        QFETCH(QString, before);
        QFETCH(QString, opened);
        QCoreApplication::setApplicationName(was);
        QVERIFY(m_db->initialize() && m_db->addCableNumber(QStringLiteral("OWN-1")));
        m_db->release();
        QFile other(QDir(GlobalFuncs::getAppDataPath()).filePath(before));
        QVERIFY(before.isEmpty() || (other.open(QIODevice::WriteOnly) && other.write("other") == 5 && other.flush()));
        QCoreApplication::setApplicationName(QStringLiteral("new"));
        const bool ok = m_db->initialize();
        QCoreApplication::setApplicationName(QStringLiteral("tstdb"));
        QVERIFY(ok);
        QCOMPARE(QFileInfo(m_db->filePath()).fileName(), opened);
        QCOMPARE(m_db->getCableNumbers(), QStringList{QStringLiteral("OWN-1")});
        QVERIFY(before.isEmpty() || other.size() == 5);
    }

    // Each kind of trouble is told once, when it starts; a write that works again ends it.
    void troubleIsReportedOnce_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QList<int>>("reported");
        QTest::newRow("read-only at start") << "read-only" << QList<int>{DB::NotWritable};
        QTest::newRow("damaged at start") << "damaged" << QList<int>{DB::DamagedAndReset};
        QTest::newRow("writes fail after working") << "failing" << QList<int>{DB::NotWritable, DB::NotWritable};
    }

    void troubleIsReportedOnce()
    {
        QFETCH(QString, kind);
        QFETCH(QList<int>, reported);
        QVERIFY(m_db->setDefaultValue(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")));
        m_db->release();
        QList<int> seen;
        connect(m_db, &DB::troubleFound, this, [&seen](DB::Trouble t) { seen << t; });
        if (kind == QLatin1String("read-only")) {
            m_db->setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        } else if (kind == QLatin1String("damaged")) {
            QFile f(dbPath());
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(QByteArray(8192, 'x').prepend("this is no database "));
        }
        QVERIFY(m_db->initialize());
        QCOMPARE(m_db->isWritable(), kind != QLatin1String("read-only"));
        if (kind == QLatin1String("failing")) {
            m_db->setLogRowWriter([](QSqlQuery&) { return false; });
            for (int round = 0; round < 2; ++round) {
                m_db->queueMessage({QDateTime::currentMSecsSinceEpoch(), CAT_INF, QStringLiteral("lost")});
                QVERIFY(!m_db->flushLogQueues());
                QVERIFY(!m_db->isWritable());
            }
            QTRY_COMPARE(seen.size(), 1);
            m_db->setLogRowWriter(nullptr);
            QVERIFY(m_db->flushLogQueues());
            QVERIFY(m_db->isWritable());
            m_db->setLogRowWriter([](QSqlQuery&) { return false; });
            m_db->queueMessage({QDateTime::currentMSecsSinceEpoch(), CAT_INF, QStringLiteral("lost")});
            QVERIFY(!m_db->flushLogQueues());
            m_db->setLogRowWriter(nullptr);
        }
        QTRY_COMPARE(seen, reported);
        QTest::qWait(50);
        QCOMPARE(seen, reported);
        m_db->setConnectOptions(QString());
    }

    void lockedFileStaysInPlace()
    {
        QVERIFY(m_db->setDefaultValue(QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("kept")));
        m_db->release();
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
            other.setDatabaseName(dbPath());
            QVERIFY(other.open());
            QSqlQuery q(other);
            QVERIFY(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            // Busy is no damage: the file is neither moved nor replaced.
            QVERIFY(!m_db->initialize());
            QVERIFY(!m_db->isOpen());
            QVERIFY(q.exec(QStringLiteral("ROLLBACK")));
            q.finish();
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("locker"));
        QVERIFY(QDir(GlobalFuncs::getAppDataPath()).entryList({QStringLiteral("TSTDB.sqlite3.unusable-*")}, QDir::Files).isEmpty());
        QVERIFY(m_db->initialize());
        QCOMPARE(m_db->getDefaultValue(QStringLiteral("A"), QStringLiteral("B")), QStringLiteral("kept"));
    }

    void previousSchemaMigrated()
    {
        m_db->release();
        QVERIFY(QFile::remove(dbPath()));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
            db.setDatabaseName(dbPath());
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("PRAGMA user_version = 1")));
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE messagelog (datetime TEXT, category INTEGER, message TEXT)")));
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE servicelog (datetime TEXT, message TEXT)")));
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE defaultvalues (category TEXT NOT NULL, feature TEXT NOT NULL, value TEXT, PRIMARY KEY(category, feature))")));
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE statistics (id INTEGER PRIMARY KEY NOT NULL, count INTEGER NOT NULL DEFAULT 0)")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO messagelog VALUES ('2026/03/05 02:00:00:000 AM', 4, 'morning')")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO messagelog VALUES ('2026/03/05 01:07:08:009 PM', 2, 'afternoon')")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO servicelog VALUES ('2026/03/04 11:00:00:000 PM', 'service row')")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO defaultvalues VALUES ('General', 'Language', 'Deutsch')")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO statistics VALUES (513, 77)")));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("old"));

        QVERIFY(m_db->initialize());
        QCOMPARE(m_db->getDefaultValue(QStringLiteral("General"), QStringLiteral("Language")), QStringLiteral("Deutsch"));
        QCOMPARE(m_db->getStatisticParam(513), qint64(77));
        QByteArray out;
        QVERIFY(m_db->getMessages(out));
        QCOMPARE(QString::fromUtf8(out), QStringLiteral("2026/03/05 01:07:08:009 PM\tERR\tafternoon\n"
                                                        "2026/03/05 02:00:00:000 AM\tINF\tmorning\n"));
        QByteArray service;
        QVERIFY(m_db->getServiceMessages(service, QLatin1Char('\t'), QLatin1Char('\n'), QStringLiteral("yyyy-MM-dd HH:mm")));
        QCOMPARE(QString::fromUtf8(service), QStringLiteral("2026-03-04 23:00\tservice row\n"));
        // Migrated rows sort with new ones.
        m_db->queueMessage({localMs(2026, 3, 5, 12, 0, 0, 0), 3, QStringLiteral("noon")});
        out.clear();
        QVERIFY(m_db->getMessages(out));
        QCOMPARE(lines(out).at(1), QStringLiteral("2026/03/05 12:00:00:000 PM\tWARN\tnoon"));
        QVERIFY(m_db->getPassword(QStringLiteral("admin_menu")).size() == 57);
        m_db->release();

        const QStringList tables = rawTables(dbPath());
        QVERIFY(!tables.contains(QStringLiteral("messagelog_v1")));
        QVERIFY(tables.contains(QStringLiteral("cableNumbers")));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(dbPath());
        QVERIFY(db.open());
        QCOMPARE(DbSchema::version(db), DbSchema::kVersion);
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
    }

    void queuedRowsWaitForTheFile()
    {
        m_db->release();
        m_db->queueMessage({localMs(2026, 2, 2, 2, 2, 2, 2), 5, QStringLiteral("while closed")});
        QCoreApplication::processEvents();
        QVERIFY(m_db->initialize());
        QByteArray out;
        QVERIFY(m_db->getMessages(out));
        QCOMPARE(QString::fromUtf8(out), QStringLiteral("2026/02/02 02:02:02:002 AM\tMSG\twhile closed\n"));
    }

    void queuedRowsWrittenByEventLoop()
    {
        m_db->queueMessage({QDateTime::currentMSecsSinceEpoch(), 4, QStringLiteral("via loop")});
        // Only the event loop writes it; the raw file shows it then.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&]() {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
                db.setDatabaseName(dbPath());
                bool found = false;
                if (db.open()) {
                    QSqlQuery q(db);
                    found = q.exec(QStringLiteral("SELECT count(*) FROM messagelog WHERE message = 'via loop'")) && q.next()
                            && q.value(0).toInt() == 1;
                    q.finish();
                    db.close();
                }
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase(QStringLiteral("peek"));
                return found;
            }(),
            10000);
    }

    void globalRegistration()
    {
        m_db->registerGlobally();
        QVERIFY(GlobalFuncs::getDB() == m_db);
        QVERIFY(m_db->isOpen());
        QVERIFY(GlobalFuncs::release());
        QVERIFY(!m_db->isOpen());
        DB::destroyInstance();
        QVERIFY(GlobalFuncs::getDB() == nullptr);
        GlobalFuncs::setDatabaseReleaser(nullptr);
        m_db = DB::getInstance();
    }
};

QTEST_GUILESS_MAIN(TestDB)
#include "tst_db.moc"
