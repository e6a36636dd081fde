#pragma once

#include <QFileInfoList>
#include <QJsonObject>
#include <QString>

namespace TanDelta {
namespace evaluation {

// The folder of imported criteria files below the application-data folder.
QString criteriaFolderPath();

// Criteria files ("*.tds", hidden names left out) sorted by name with case ignored.
// Entry n is the user standard 1000 + n; taken afresh at every call, so adding or
// removing a file renumbers every later one.
QFileInfoList criteriaFileListing();

// Top-level object of a criteria file: its bytes up to the first zero byte as UTF-8
// JSON. Empty when the file cannot be read or parsed.
QJsonObject readCriteriaFile(const QString& path);

} // namespace evaluation
} // namespace TanDelta
