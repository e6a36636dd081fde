#pragma once

#include "logging/LoggingData.h"

// Where a record comes from: "file:line function" for source lines,
// "Class::function" for records logged under a class name (line -1).
QString logOrigin(const LoggingData& record);
