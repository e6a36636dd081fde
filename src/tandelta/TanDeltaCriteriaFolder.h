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

// Criteria files ("*.tds", hidden names left out) sorted by name with case ignored,
// taken afresh at every call. A malformed file is listed too (and logged); the numbers
// of the listed files are TanDeltaStandardNumbers'.
QFileInfoList criteriaFileListing();

// Whether a listed file can be evaluated against; a malformed one evaluates nothing.
bool criteriaFileUsable(const QFileInfo& file);

// The top-level object of a listed file, empty when it cannot be used. Each version of
// a file is read and parsed once, whoever asks and however often.
QJsonObject criteriaFileContent(const QFileInfo& file);

// What tells two contents of a criteria file apart; empty for a file that cannot be read.
QByteArray criteriaFileHash(const QFileInfo& file);
QByteArray criteriaContentHash(const QByteArray& content);

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
