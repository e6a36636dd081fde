#include "core/Rebooter.h"

#include "core/FileSystem.h"
#include "core/FsRoot.h"
#include "logging/LoggingCtrl.h"

namespace {
bool run(const char* function, const QString& program)
{
    if (!FsRoot::isRealRoot()) {
        KLOG_WARN2("Rebooter", function, QStringLiteral("Not on the instrument, skipping %1").arg(program));
        return false;
    }
    KLOG_INFO2("Rebooter", function, program);
    return FileSystem::runExternalProcess(program, {});
}
} // namespace

bool Rebooter::reboot() { return run("reboot", QStringLiteral("reboot")); }

bool Rebooter::powerOff() { return run("powerOff", QStringLiteral("poweroff")); }
