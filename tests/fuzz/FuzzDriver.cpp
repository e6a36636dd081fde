#include "fuzz/FuzzDriver.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

// Present in sanitizer builds only: called before a sanitizer ends the process.
extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

namespace {
// The input being run, kept where a signal handler may write it out.
std::atomic<const char*> g_input { nullptr };
std::atomic<size_t> g_inputSize { 0 };
char g_crashPath[512] = {};
std::atomic<long long> g_started { 0 }; // ms since start of the current input; 0: idle
std::atomic<bool> g_stop { false };
constexpr int kHangMs = 10000;

long long nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void saveInput()
{
    const char* data = g_input.load();
    if (!data || !g_crashPath[0])
        return;
    const int fd = ::open(g_crashPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    const ssize_t written = ::write(fd, data, g_inputSize.load());
    (void)written;
    ::close(fd);
    static const char note[] = "fuzz: input that failed written to ";
    (void)!::write(2, note, sizeof note - 1);
    (void)!::write(2, g_crashPath, strlen(g_crashPath));
    (void)!::write(2, "\n", 1);
}

void onSignal(int sig)
{
    saveInput();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void installHandlers()
{
    for (int sig : { SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT })
        std::signal(sig, onSignal);
    if (__sanitizer_set_death_callback)
        __sanitizer_set_death_callback(saveInput);
}

// Ends the process when one input runs for longer than any sane parse could.
void watch()
{
    while (!g_stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const long long started = g_started.load();
        if (started != 0 && nowMs() - started > kHangMs) {
            std::fprintf(stderr, "fuzz: one input ran for more than %d ms\n", kHangMs);
            saveInput();
            std::_Exit(3);
        }
    }
}

bool runOne(const FuzzTarget& target, const QByteArray& input)
{
    g_input = input.constData();
    g_inputSize = size_t(input.size());
    g_started = nowMs();
    const bool valid = target(input);
    g_started = 0;
    g_input = nullptr;
    return valid;
}

// A seed named "refused-..." must be refused, the others taken.
QList<QByteArray> loadCorpus(const QString& dir, QList<bool>* refusedSeeds = nullptr)
{
    QList<QByteArray> seeds;
    const QDir d(dir);
    for (const QString& name : d.entryList(QDir::Files, QDir::Name)) {
        QFile f(d.filePath(name));
        if (f.open(QIODevice::ReadOnly)) {
            seeds << f.readAll();
            if (refusedSeeds)
                *refusedSeeds << name.startsWith(QLatin1String("refused-"));
        }
    }
    return seeds;
}

// One random change of the kinds that find parser faults: bit flips, boundary bytes,
// inserted and removed runs, copied chunks, and pieces of another seed.
void mutate(QByteArray& b, QRandomGenerator& rng, const QList<QByteArray>& seeds, int maxLen)
{
    static const char kSpecial[] = { 0, 1, 0x7F, char(0x80), char(0xFF), '<', '>', '.', '"', '0', '9', 'F', '{' };
    const int op = int(rng.bounded(9));
    const int size = b.size();
    auto pos = [&](int n) { return n > 0 ? int(rng.bounded(n)) : 0; };
    switch (op) {
    case 0:
        if (size)
            b[pos(size)] = char(b[pos(size)] ^ (1 << rng.bounded(8)));
        break;
    case 1:
        if (size)
            b[pos(size)] = char(rng.bounded(256));
        break;
    case 2:
        if (size)
            b[pos(size)] = kSpecial[rng.bounded(int(sizeof kSpecial))];
        break;
    case 3:
        b.insert(pos(size + 1), QByteArray(1 + pos(8), char(rng.bounded(256))));
        break;
    case 4:
        if (size) {
            const int at = pos(size);
            b.remove(at, 1 + pos(qMin(16, size - at)));
        }
        break;
    case 5:
        if (size) {
            const int from = pos(size);
            const int len = 1 + pos(qMin(64, size - from));
            b.insert(pos(size + 1), b.mid(from, len));
        }
        break;
    case 6:
        if (!seeds.isEmpty()) {
            const QByteArray& other = seeds.at(pos(seeds.size()));
            if (!other.isEmpty()) {
                const int from = pos(other.size());
                b.insert(pos(size + 1), other.mid(from, 1 + pos(qMin(128, other.size() - from))));
            }
        }
        break;
    case 7:
        if (size)
            b.truncate(pos(size));
        break;
    default:
        if (size >= 4) {
            // A 32-bit big-endian number: counts and lengths of binary formats.
            static const quint32 kNumbers[] = { 0, 1, 0x7F, 0x80, 0xFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu };
            const quint32 v = kNumbers[rng.bounded(int(sizeof kNumbers / sizeof kNumbers[0]))];
            const int at = pos(size - 3);
            for (int i = 0; i < 4; ++i)
                b[at + i] = char(v >> (24 - 8 * i));
        }
        break;
    }
    if (b.size() > maxLen)
        b.truncate(maxLen);
}

int usage(const char* name)
{
    std::fprintf(stderr,
                 "usage: %s --replay <corpus dir>\n"
                 "       %s --mutate N [--seed S] [--max-len L] <corpus dir>\n"
                 "       %s <file>...\n",
                 name, name, name);
    return 2;
}
} // namespace

void fuzzFail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "fuzz: check failed: %s (%s:%d)\n", what, file, line);
    std::abort();
}

QList<QByteArray> singleByteMutations(const QByteArray& seed, int maxPositions)
{
    QList<QByteArray> out;
    const int n = seed.size();
    const int count = qMin(n, maxPositions);
    for (int i = 0; i < count; ++i) {
        // Positions spread over the whole seed, first and last included.
        const int at = count > 1 ? int(qint64(i) * (n - 1) / (count - 1)) : 0;
        const char c = seed.at(at);
        for (char r : { char(c ^ 0x01), char(c ^ 0x80), char(0), char(0xFF) }) {
            if (r == c)
                continue;
            QByteArray m = seed;
            m[at] = r;
            out << m;
        }
        QByteArray removed = seed;
        removed.remove(at, 1);
        out << removed;
    }
    return out;
}

int fuzzMain(int argc, char** argv, const char* name, const FuzzTarget& target)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage(name);
    installHandlers();
    std::thread watchdog(watch);
    struct Join {
        std::thread& t;
        ~Join()
        {
            g_stop = true;
            t.join();
        }
    } join { watchdog };

    if (args.first() == QLatin1String("--replay")) {
        if (args.size() != 2)
            return usage(name);
        QList<bool> refusedSeeds;
        const QList<QByteArray> seeds = loadCorpus(args.at(1), &refusedSeeds);
        if (seeds.isEmpty()) {
            std::fprintf(stderr, "fuzz: no seeds in %s\n", qPrintable(args.at(1)));
            return 1;
        }
        int runs = 0;
        int refused = 0;
        for (int i = 0; i < seeds.size(); ++i) {
            const QByteArray& seed = seeds.at(i);
            // A seed the parser refuses would leave its mutations testing nothing.
            if (runOne(target, seed) == refusedSeeds.at(i))
                ++refused;
            ++runs;
            for (const QByteArray& m : singleByteMutations(seed, 48)) {
                runOne(target, m);
                ++runs;
            }
        }
        std::printf("%s: %d seeds, %d runs\n", name, seeds.size(), runs);
        if (refused) {
            std::fprintf(stderr, "fuzz: %d seeds were not taken or refused as their names say\n", refused);
            return 1;
        }
        return 0;
    }

    if (args.first() == QLatin1String("--mutate")) {
        bool ok = args.size() >= 3;
        const qint64 iterations = ok ? args.at(1).toLongLong(&ok) : 0;
        quint32 seedValue = quint32(QDateTime::currentMSecsSinceEpoch());
        int maxLen = 16 * 1024;
        int i = 2;
        for (; ok && i + 1 < args.size() && args.at(i).startsWith(QLatin1String("--")); i += 2) {
            if (args.at(i) == QLatin1String("--seed"))
                seedValue = args.at(i + 1).toUInt(&ok);
            else if (args.at(i) == QLatin1String("--max-len"))
                maxLen = args.at(i + 1).toInt(&ok);
            else
                ok = false;
        }
        if (!ok || i != args.size() - 1 || iterations < 0 || maxLen <= 0)
            return usage(name);
        const QList<QByteArray> seeds = loadCorpus(args.at(i));
        if (seeds.isEmpty()) {
            std::fprintf(stderr, "fuzz: no seeds in %s\n", qPrintable(args.at(i)));
            return 1;
        }
        qstrncpy(g_crashPath, QFile::encodeName(QDir::current().filePath(QString::fromLatin1(name) + "-crash.bin")).constData(),
                 sizeof g_crashPath);
        std::printf("%s: seed %u, %lld iterations\n", name, seedValue, iterations);
        std::fflush(stdout);
        QRandomGenerator rng(seedValue);
        QElapsedTimer clock;
        clock.start();
        // Inputs still taken as valid after mutation are kept and mutated further, so
        // that changes pile up deep inside the format instead of failing at its start.
        QList<QByteArray> pool = seeds;
        constexpr int kPoolSize = 512;
        for (qint64 n = 1; n <= iterations; ++n) {
            QByteArray input = pool.at(int(rng.bounded(pool.size())));
            const int changes = 1 + int(rng.bounded(8));
            for (int c = 0; c < changes; ++c)
                mutate(input, rng, seeds, maxLen);
            if (runOne(target, input)) {
                if (pool.size() < kPoolSize)
                    pool << input;
                else if (seeds.size() < kPoolSize)
                    pool[seeds.size() + int(rng.bounded(kPoolSize - seeds.size()))] = input;
            }
            if (n % 100000 == 0) {
                std::printf("%s: %lld runs, %lld s\n", name, n, clock.elapsed() / 1000);
                std::fflush(stdout);
            }
        }
        std::printf("%s: survived %lld runs in %lld s\n", name, iterations, clock.elapsed() / 1000);
        return 0;
    }

    for (const QString& path : args) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "fuzz: cannot read %s\n", qPrintable(path));
            return 1;
        }
        runOne(target, f.readAll());
    }
    std::printf("%s: %d inputs ran\n", name, args.size());
    return 0;
}
