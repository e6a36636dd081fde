#include "core/Locked.h"

#include <QtTest>

namespace {
enum Op { Read, Write, Exchange };

QMutex g_mutex;
QList<bool> g_held;

// Notes on every copy whether the mutex was held; a copy is where a reader could tear.
struct Probe {
    QString text;

    Probe(QString t = QString()) : text(std::move(t)) {}
    Probe(const Probe& other) : text(other.text) { note(); }
    Probe& operator=(const Probe& other)
    {
        text = other.text;
        note();
        return *this;
    }
    static void note()
    {
        const bool free = g_mutex.tryLock();
        if (free)
            g_mutex.unlock();
        g_held << !free;
    }
};
} // namespace

class TstLocked : public QObject {
    Q_OBJECT
private slots:
    void copiesUnderTheMutex_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("after");
        QTest::newRow("read") << int(Read) << "old" << "old";
        QTest::newRow("write") << int(Write) << QString() << "new";
        QTest::newRow("exchange") << int(Exchange) << "old" << "new";
    }

    void copiesUnderTheMutex()
    {
        QFETCH(int, op);
        QFETCH(QString, result);
        QFETCH(QString, after);
        Probe member("old");
        g_held.clear();
        QString got;
        if (op == Read)
            got = Locked::read(g_mutex, member).text;
        else if (op == Write)
            Locked::write(g_mutex, member, Probe("new"));
        else
            got = Locked::exchange(g_mutex, member, Probe("new")).text;
        QCOMPARE(got, result);
        QCOMPARE(member.text, after);
        QVERIFY(!g_held.isEmpty());
        QVERIFY(!g_held.contains(false));
        // Released again on the way out.
        QVERIFY(g_mutex.tryLock());
        g_mutex.unlock();
    }

    // A caller compares with its own value after the swap: it must not be moved from.
    void keepsTheCallersValue()
    {
        QMutex mutex;
        QString member = "old";
        const QString given = "new";
        QString value = given;
        QCOMPARE(Locked::exchange(mutex, member, value), QString("old"));
        QCOMPARE(value, given);
        Locked::write(mutex, member, value);
        QCOMPARE(value, given);
        QCOMPARE(member, given);
    }
};

QTEST_APPLESS_MAIN(TstLocked)
#include "tst_locked.moc"
