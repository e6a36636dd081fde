// hvunit-sim: a simulated HV unit on a pseudo-terminal for development runs.
// Prints the slave device path (use it as SERIAL_COMDEVICE) and runs until stopped.
// Commands (see SimControl.h) come from standard input or a control file that is read
// and emptied every 200 ms.
#include "hvsim/HvEnableFile.h"
#include "hvsim/HvUnitSimulator.h"
#include "hvsim/SimControl.h"
#include "hvunit/SCPins.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated HV unit on a pseudo-terminal"));
    parser.addHelpOption();
    QCommandLineOption control(QStringLiteral("control"), QStringLiteral("Control file read every 200 ms."),
                               QStringLiteral("file"));
    QCommandLineOption exec(QStringLiteral("exec"), QStringLiteral("Command to apply at start (repeatable)."),
                            QStringLiteral("command"));
    QCommandLineOption root(QStringLiteral("root"),
                            QStringLiteral("Follow the HV-enable line of the GPIO tree below this file-system root."),
                            QStringLiteral("folder"));
    QCommandLineOption hvOnKey(QStringLiteral("hv-on-key"),
                               QStringLiteral("Press the HV-on key by itself this many seconds after each "
                                              "load-detection request (0: by hand, command hvon)."),
                               QStringLiteral("seconds"), QStringLiteral("0"));
    parser.addOption(control);
    parser.addOption(exec);
    parser.addOption(root);
    parser.addOption(hvOnKey);
    parser.process(app);

    bool delayOk = false;
    const double keyDelay = parser.value(hvOnKey).toDouble(&delayOk);
    if (!delayOk || keyDelay < 0 || keyDelay > 3600) {
        std::fprintf(stderr, "hvunit-sim: --hv-on-key takes seconds from 0 to 3600\n");
        return 2;
    }

    HvUnitSimulator sim;
    sim.model().setHvOnKeyDelayMs(int(keyDelay * 1000));
    if (parser.isSet(root)) {
        const QString line = QStringLiteral("sys/class/gpio/gpio%1/value").arg(HVEnableLine);
        sim.model().setHvEnableProbe(hvEnableFromFile(QDir(parser.value(root)).filePath(line)));
    }
    if (!sim.start()) {
        std::fprintf(stderr, "hvunit-sim: cannot open a pseudo-terminal\n");
        return 1;
    }
    auto apply = [&sim](const QString& line) {
        QString reply;
        applySimCommand(sim, line, &reply);
        if (!line.trimmed().isEmpty())
            std::fprintf(stderr, "hvunit-sim: %s\n", qPrintable(reply));
    };
    for (const QString& c : parser.values(exec))
        apply(c);

    std::printf("%s\n", qPrintable(sim.slavePath()));
    std::fflush(stdout);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    QSocketNotifier stdinNotifier(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending; // a line may arrive in more than one read
    QObject::connect(&stdinNotifier, &QSocketNotifier::activated, [&]() {
        char buf[512];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            stdinNotifier.setEnabled(false); // end of input: keep running
            if (!pending.isEmpty())
                apply(QString::fromLocal8Bit(pending));
            pending.clear();
            return;
        }
        pending.append(buf, int(n));
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            apply(QString::fromLocal8Bit(pending.left(end)));
            pending.remove(0, end + 1);
        }
    });

    const QString controlFile = parser.value(control);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&]() {
        if (g_stop) {
            app.quit();
            return;
        }
        if (controlFile.isEmpty())
            return;
        QFile f(controlFile);
        if (!f.exists() || f.size() == 0 || !f.open(QIODevice::ReadWrite))
            return;
        const QByteArray content = f.readAll();
        f.resize(0);
        f.close();
        for (const QByteArray& line : content.split('\n'))
            apply(QString::fromLocal8Bit(line));
    });
    tick.start(200);
    const int rc = app.exec();
    sim.stop();
    return rc;
}
