#include "app/HvOffOnCrash.h"
#include "fakes/FakeGpioTree.h"
#include "fakes/SafetyLines.h"
#include "fakes/TempRoot.h"
#include "hvunit/GPIOManager.h"
#include "hvunit/GPIOsys.h"
#include "hvunit/SCPins.h"
#include "hvunit/TCheckSafetyCircuit.h"

#include <QtTest>

#include <csignal>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
const char* const kChildOption = "--crash-child";

// The child: the checker switches the line on in the tree below VLF_ROOT, then the
// process dies of the signal.
int crashingChild(int argc, char** argv, int signalNumber)
{
    QCoreApplication app(argc, argv);
    const rlimit noCore { 0, 0 };
    setrlimit(RLIMIT_CORE, &noCore);
    GPIOManager gpio;
    TCheckSafetyCircuit safety(&gpio, nullptr);
    if (!HvOffOnCrash::install(GPIOsys::valueFile(HVEnableLine)))
        return 2;
    safety.setHV_On();
    ::raise(signalNumber);
    return 3;
}

} // namespace

// A crash while the HV-enable line is on leaves it off.
class TestHvOffOnCrash : public QObject {
    Q_OBJECT

private slots:
    void crashLeavesTheLineLow_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGSEGV") << SIGSEGV;
        QTest::newRow("SIGBUS") << SIGBUS;
        QTest::newRow("SIGFPE") << SIGFPE;
        QTest::newRow("SIGILL") << SIGILL;
        QTest::newRow("SIGABRT") << SIGABRT;
    }
    void crashLeavesTheLineLow()
    {
        QFETCH(int, signalNumber);
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
        QCOMPARE(waitpid(pid, &status, 0), pid);
        QVERIFY2(WIFSIGNALED(status), qPrintable(QStringLiteral("exit code %1").arg(WEXITSTATUS(status))));
        QCOMPARE(WTERMSIG(status), signalNumber);
        // On, then off by the handler.
        QCOMPARE(tree.value(HVEnableLine), QByteArray("10"));
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
