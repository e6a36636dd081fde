// Throughput and CPU cost of state-word transactions against the simulated HV unit.
// Usage: bench_TPOFStateWord [transactions]
#include "hvsim/HvUnitSimulator.h"
#include "fakes/FakeHVData.h"
#include "hvunit/TPOF.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <ctime>

static double threadCpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    HvUnitSimulator sim;
    if (!sim.start())
        return 1;
    qputenv("SERIAL_COMDEVICE", sim.slavePath().toLocal8Bit());
    TPOF pof(std::make_unique<FakeHVData>(), [] { return std::make_unique<FakeHVData>(); });

    int failures = 0;
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = threadCpuMs();
    for (int i = 0; i < count; ++i) {
        unsigned long long v = 0;
        unsigned short n = 0;
        if (pof.GetValue(TPOF::CMD_StateWord, &v, 1, &n, true) != 0)
            ++failures;
    }
    const double cpu = threadCpuMs() - cpu0;
    const double ms = double(wall.nsecsElapsed()) / 1e6;
    const double cpuPer = cpu / count;
    std::printf("transactions: %d (failures %d)\n", count, failures);
    std::printf("wall: %.1f ms, %.0f transactions/s, %.3f ms each\n", ms, count * 1000.0 / ms, ms / count);
    std::printf("CPU of the calling thread: %.3f ms per transaction\n", cpuPer);
    std::printf("a 250 ms poll costs %.3f %% of one core\n", cpuPer / 250.0 * 100.0);
    sim.stop();
    return failures == 0 ? 0 : 2;
}
