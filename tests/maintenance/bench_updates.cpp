// Benchmark, not a test: the scan of a stick holding 500 update files, then the CRC
// check of a 64 MB part. Prints each time and the longest gap of a 50 ms timer on
// this (the GUI) thread, which the watchdog's 1000 ms heartbeat needs well below it.
// Run: build/tests/maintenance/bench_updates 2>/dev/null
#include "maintenance/UpdateManager.h"

#include "core/CRC32.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "fakes/DataModelFixture.h"
#include "fakes/RecordingGui.h"
#include "hvunit/IUpdateLink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <cstdio>

namespace {
class IdleLink : public IUpdateLink {
public:
    unsigned getUpdateState() override { return 13; }
    bool rebootHVUnit() override { return false; }
};

// Longest time between two ticks of a 50 ms timer while work runs.
struct GapMeter {
    QTimer timer;
    QElapsedTimer clock;
    qint64 longest = 0;
    GapMeter()
    {
        timer.setInterval(50);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            longest = qMax(longest, clock.restart());
        });
    }
    void start()
    {
        longest = 0;
        clock.start();
        timer.start();
    }
    qint64 stop()
    {
        longest = qMax(longest, clock.elapsed());
        timer.stop();
        return longest;
    }
};
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    DataModelFixture fixture;
    if (!fixture.isValid()) {
        std::printf("data model could not be set up\n");
        return 1;
    }
    fixture.dm()->setUSBState(USBState_Ready);
    RecordingGui gui;
    GlobalFuncs::setGUI(&gui);
    const TempRoot& root = fixture.root();
    root.insertStick();
    const char* const words[] = {"kernel", "rootfs", "fonts", "application", "appdata", "bootloader", "pevantoapp"};
    for (int i = 0; i < 500; ++i) {
        const QString name = i % 10 == 9 ? QStringLiteral("vlf-Lang%1.tar").arg(i)
                                         : QStringLiteral("%1-%2.%3.img").arg(QLatin1String(words[i % 7])).arg(i / 7).arg(i % 7);
        root.writeFile(QStringLiteral("/media/USB/") + name, "x");
    }
    QByteArray block(1 << 20, '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = char(i * 131 + 7);
    QFile big(root.path(QStringLiteral("/media/USB/kernel-9.9.9.ldr")));
    if (!big.open(QIODevice::WriteOnly))
        return 1;
    for (int i = 0; i < 64; ++i)
        big.write(block);
    big.close();
    const quint32 crc = getCRC32FromFile(qPrintable(big.fileName()));
    root.writeFile(QStringLiteral("/media/USB/kernel-9.9.9.crc"), QByteArray::number(crc, 16));

    UpdateManager manager(nullptr, std::make_unique<IdleLink>(), nullptr);
    GapMeter meter;
    QElapsedTimer clock;

    meter.start();
    clock.start();
    const bool found = manager.prepareUpdate();
    const qint64 scanMs = clock.elapsed();
    const qint64 scanGap = meter.stop();
    std::printf("scan of 501 files: %lld ms, %d packages (%s), longest timer gap %lld ms\n", scanMs,
                manager.getUpdateList().size(), found ? "found" : "none", scanGap);

    meter.start();
    clock.start();
    const bool correct = UpdateManager::isCRCcorrect(big.fileName(), UpdateManager::crcFilename(big.fileName()));
    const qint64 crcMs = clock.elapsed();
    const qint64 crcGap = meter.stop();
    std::printf("CRC check of 64 MB: %lld ms (%s), longest timer gap %lld ms\n", crcMs, correct ? "correct" : "WRONG",
                crcGap);

    // The application program: 64 MB checked, copied beside the running one, checked
    // again and put in place.
    QFile program(root.path(QStringLiteral("/media/USB/application-99.0.0.img")));
    if (!program.open(QIODevice::WriteOnly))
        return 1;
    program.write(QByteArray("\x7F" "ELF", 4));
    for (int i = 0; i < 64; ++i)
        program.write(block);
    program.close();
    root.writeFile(QStringLiteral("/media/USB/application-99.0.0.crc"),
                   QByteArray::number(getCRC32FromFile(qPrintable(program.fileName())), 16));
    root.writeFile(QStringLiteral("/opt/vlf/vlf"), "old program");
    meter.start();
    clock.start();
    const int installed = manager.doUpdate(updatePackage(program.fileName()));
    const qint64 installMs = clock.elapsed();
    const qint64 installGap = meter.stop();
    std::printf("application of 64 MB (CRC, copy, CRC of the copy, rename): %lld ms (code %d), longest timer gap %lld ms\n",
                installMs, installed, installGap);
    GlobalFuncs::setGUI(nullptr);
    return correct && found && installed == 0 ? 0 : 1;
}
