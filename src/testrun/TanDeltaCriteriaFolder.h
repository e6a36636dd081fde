#pragma once

#include <QFileInfoList>
#include <QJsonObject>
#include <QString>
#include <QtGlobal>

namespace TanDelta {
namespace evaluation {

// The folder of imported criteria files below the application-data folder.
QString criteriaFolderPath();

// Larger files are refused unread; the built-in tables are about 9 kB.
constexpr qint64 kMaxCriteriaFileSize = 256 * 1024;

// Criteria files ("*.tds", hidden names left out) sorted by name with case ignored.
// Entry n is the user standard 1000 + n; taken afresh at every call, so adding or
// removing a file renumbers every later one. A malformed file keeps its place (and is
// logged), so that it never shifts the ids stored for the files after it.
QFileInfoList criteriaFileListing();

// Whether a listed file can be evaluated against; a malformed one evaluates nothing.
bool criteriaFileUsable(const QFileInfo& file);

// The top-level object of a listed file, empty when it cannot be used. Each version of
// a file is read and parsed once, whoever asks and however often.
QJsonObject criteriaFileContent(const QFileInfo& file);

// Why the content of a criteria file cannot be used; empty when it can.
QString criteriaFileProblem(const QByteArray& content);

// The bytes of a criteria file up to the first zero byte; ok false (and why) when it is
// no plain file, is larger than kMaxCriteriaFileSize or cannot be read.
QByteArray readCriteriaContent(const QString& path, bool* ok, QString* why = nullptr);

// Top-level object of a criteria file: its bytes up to the first zero byte as UTF-8
// JSON. Empty when the file cannot be read or parsed.
QJsonObject readCriteriaFile(const QString& path);

} // namespace evaluation
} // namespace TanDelta
