#include "core/FileSystem.h"
#include "fakes/LogRecorder.h"
#include "logging/LoggingCtrl.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TstFileSystem : public QObject {
    Q_OBJECT
private:
    static bool touch(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("x") == 1;
    }

private slots:
    void mkpath()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString nested = dir.filePath(QStringLiteral("a/b/c"));
        QVERIFY(FileSystem::mkpath(nested));
        QVERIFY(QFileInfo(nested).isDir());
        QVERIFY(FileSystem::mkpath(nested)); // already there
        const QString file = dir.filePath(QStringLiteral("file"));
        QVERIFY(touch(file));
        QVERIFY(!FileSystem::mkpath(file));
        QVERIFY(!FileSystem::mkpath(file + QStringLiteral("/below")));
        QVERIFY(!FileSystem::mkpath(QString()));
    }

    void durableCopyAndReplace()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString from = dir.filePath(QStringLiteral("from"));
        const QString to = dir.filePath(QStringLiteral("to"));
        QVERIFY(touch(from));
        QVERIFY(FileSystem::copyDurably(from, to));
        QCOMPARE(QFileInfo(to).size(), 1);
        // Never over an existing file or folder.
        QVERIFY(!FileSystem::copyDurably(from, to));
        QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("folder"))));
        QVERIFY(!FileSystem::copyDurably(from, dir.filePath(QStringLiteral("folder"))));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
        // A missing source leaves nothing behind.
        QVERIFY(!FileSystem::copyDurably(dir.filePath(QStringLiteral("missing")), dir.filePath(QStringLiteral("new"))));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("new"))));

        QFile big(from);
        QVERIFY(big.open(QIODevice::WriteOnly) && big.write("longer") == 6);
        big.close();
        QVERIFY(FileSystem::replaceFile(from, to));
        QVERIFY(!QFileInfo::exists(from));
        QCOMPARE(QFileInfo(to).size(), 6);
        QVERIFY(!FileSystem::replaceFile(from, to)); // nothing to move: the target stays
        QCOMPARE(QFileInfo(to).size(), 6);
    }

    void rmdirRemovesTree()
    {
        QTemporaryDir dir;
        const QString tree = dir.filePath(QStringLiteral("tree"));
        QVERIFY(QDir().mkpath(tree + QStringLiteral("/sub/deeper")));
        QVERIFY(touch(tree + QStringLiteral("/sub/deeper/f")));
        QVERIFY(touch(dir.filePath(QStringLiteral("sibling"))));
        QVERIFY(FileSystem::rmdir(tree));
        QVERIFY(!QFileInfo::exists(tree));
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("sibling"))));
        // Nothing there is nothing to remove.
        QVERIFY(FileSystem::rmdir(tree));
    }

    void rmdirRefusesDangerousPaths()
    {
        qunsetenv("CONSOLE_LOGGING");
        LoggingCtrl logger;
        auto rec = std::make_shared<LogRecorder>();
        logger.addSink(rec->makeSink());
        QVERIFY(logger.initialize());
        QTemporaryDir dir;
        // Should a refusal ever break, "rm" must not be found.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(dir.path()));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("victim"))));
        QVERIFY(touch(dir.filePath(QStringLiteral("victim/keep"))));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const bool relative = FileSystem::rmdir(QStringLiteral("victim"));
        const bool dotRelative = FileSystem::rmdir(QStringLiteral("./victim"));
        QDir::setCurrent(before);
        QVERIFY(!relative);
        QVERIFY(!dotRelative);
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("victim/keep"))));

        QVERIFY(!FileSystem::rmdir(QString()));
        QVERIFY(!FileSystem::rmdir(QStringLiteral("/")));
        QVERIFY(!FileSystem::rmdir(QStringLiteral("//")));
        QVERIFY(!FileSystem::rmdir(QStringLiteral("/tmp/..")));
        QVERIFY(!FileSystem::rmdir(QStringLiteral("/./")));
        qputenv("PATH", path);
        QVERIFY(rec->waitFor([](const LoggingData& r) {
            return r.category == CAT_ERR && r.function == QLatin1String("rmdir") &&
                   r.text.contains(QLatin1String("/tmp/.."));
        }));
        logger.release();
    }

    void externalProcessResult()
    {
        QVERIFY(FileSystem::runExternalProcess(QStringLiteral("true"), {}));
        QVERIFY(!FileSystem::runExternalProcess(QStringLiteral("false"), {}));
        QVERIFY(!FileSystem::runExternalProcess(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exit 3")}));
        // Killed by a signal: not a normal exit.
        QVERIFY(!FileSystem::runExternalProcess(QStringLiteral("sh"),
                                                {QStringLiteral("-c"), QStringLiteral("kill -9 $$")}));
        QElapsedTimer t;
        t.start();
        QVERIFY(!FileSystem::runExternalProcess(QStringLiteral("/nonexistent/program"), {}));
        QVERIFY(t.elapsed() < 5000);
    }

    void externalProcessWaitsWithoutBlockingEvents()
    {
        bool handled = false;
        QMetaObject::invokeMethod(this, [&handled] { handled = true; }, Qt::QueuedConnection);
        QElapsedTimer t;
        t.start();
        QVERIFY(FileSystem::runExternalProcess(QStringLiteral("sleep"), {QStringLiteral("0.3")}));
        QVERIFY(t.elapsed() >= 250);
        QVERIFY(handled);
    }
};

QTEST_GUILESS_MAIN(TstFileSystem)
#include "tst_filesystem.moc"
