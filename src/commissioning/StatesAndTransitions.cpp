#include "commissioning/StatesAndTransitions.h"

#include "logging/LoggingCtrl.h"

namespace StatesAndTransitions {

void reportFailedStep(const char* what)
{
    KLOG_ERROR2("StatesAndTransitions", "testEvent",
                QStringLiteral("A state machine step failed and was abandoned: %1").arg(QString::fromUtf8(what)));
}

} // namespace StatesAndTransitions
