#include "app/HvOffOnCrash.h"
#include "app/StopDeadline.h"
#include "app/UnixSignalWatcher.h"
#include "fakes/FakeGpioTree.h"
#include "fakes/SafetyLines.h"
#include "fakes/TempRoot.h"
#include "hvunit/GPIOManager.h"
#include "hvunit/GPIOsys.h"
#include "hvunit/SCPins.h"
#include "hvunit/TCheckSafetyCircuit.h"

#include <QElapsedTimer>
#include <QtTest>

#include <csignal>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
const char* const kChildOption = "--crash-child";

// The child: the checker switches the line on in the tree below VLF_ROOT, then the
// process dies of the signal. A SIGTERM goes, as in the program, to a watcher whose pipe
// is read by an event loop that never runs again: the main thread hangs.
int crashingChild(int argc, char** argv, int signalNumber)
{
    QCoreApplication app(argc, argv);
    const rlimit noCore { 0, 0 };
    setrlimit(RLIMIT_CORE, &noCore);
    GPIOManager gpio;
    TCheckSafetyCircuit safety(&gpio, nullptr);
    if (!HvOffOnCrash::install(GPIOsys::valueFile(HVEnableLine)))
        return 2;
    UnixSignalWatcher watcher;
    watcher.watch(SIGTERM);
    StopDeadline::install(300);
    safety.setHV_On();
    ::raise(signalNumber);
    for (;;)
        ::pause();
}

} // namespace

// A crash while the HV-enable line is on leaves it off.
class TestHvOffOnCrash : public QObject {
    Q_OBJECT

private slots:
    void crashLeavesTheLineLow_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<int>("exitCode"); // -1: ended by the signal
        QTest::newRow("SIGSEGV") << SIGSEGV << -1;
        QTest::newRow("SIGBUS") << SIGBUS << -1;
        QTest::newRow("SIGFPE") << SIGFPE << -1;
        QTest::newRow("SIGILL") << SIGILL << -1;
        QTest::newRow("SIGABRT") << SIGABRT << -1;
        QTest::newRow("SIGTERM, main thread hanging") << SIGTERM << 128 + SIGTERM;
    }
    void crashLeavesTheLineLow()
    {
        QFETCH(int, signalNumber);
        QFETCH(int, exitCode);
        TempRoot root;
        FakeGpioTree tree(safetyInputLines(), { HVEnableLine });

        qputenv("VLF_ROOT", root.root().toLocal8Bit()); // for the child
        QByteArray self = QCoreApplication::applicationFilePath().toLocal8Bit();
        QByteArray option(kChildOption);
        QByteArray number = QByteArray::number(signalNumber);
        char* argv[] = { self.data(), option.data(), number.data(), nullptr };

        pid_t pid = 0;
        QCOMPARE(posix_spawn(&pid, self.constData(), nullptr, nullptr, argv, environ), 0);
        int status = 0;
        QElapsedTimer waited;
        waited.start();
        pid_t ended = 0;
        while ((ended = waitpid(pid, &status, WNOHANG)) == 0 && waited.elapsed() < 5000)
            QThread::msleep(10);
        if (ended == 0)
            ::kill(pid, SIGKILL);
        QCOMPARE(ended, pid);
        // A signal's end as its negative number.
        QCOMPARE(WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status), exitCode < 0 ? -signalNumber : exitCode);
        // Low at the start, on, then off by the handler.
        QCOMPARE(tree.value(HVEnableLine), QByteArray("010"));
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], kChildOption) == 0)
        return crashingChild(argc, argv, atoi(argv[2]));
    QCoreApplication app(argc, argv);
    TestHvOffOnCrash test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hvoffoncrash.moc"
