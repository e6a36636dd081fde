#include "logging/LogFormat.h"

QString logOrigin(const LoggingData& record)
{
    if (record.line >= 0)
        return QStringLiteral("%1:%2 %3").arg(record.file).arg(record.line).arg(record.function);
    return QStringLiteral("%1::%2").arg(record.file, record.function);
}
