// For hand-run benchmarks only, preloaded (LD_PRELOAD): every fsync and fdatasync of the
// process takes VLF_SYNC_DELAY_MS (default 40) milliseconds longer, as on a slow flash card.
#include <dlfcn.h>
#include <cstdlib>
#include <ctime>

namespace {
using SyncFunction = int (*)(int);

void delay()
{
    static const long ms = [] {
        const char* text = std::getenv("VLF_SYNC_DELAY_MS");
        return text ? std::atol(text) : 40L;
    }();
    timespec t{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0) {
    }
}

SyncFunction real(const char* name) { return reinterpret_cast<SyncFunction>(dlsym(RTLD_NEXT, name)); }
} // namespace

extern "C" int fsync(int fd)
{
    static const SyncFunction sync = real("fsync");
    delay();
    return sync(fd);
}

extern "C" int fdatasync(int fd)
{
    static const SyncFunction sync = real("fdatasync");
    delay();
    return sync(fd);
}
