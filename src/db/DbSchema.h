#pragma once

#include <QString>
#include <QStringList>

class QSqlDatabase;

// Tables of the database and the steps that bring an older file up to date.
// The schema version is kept in SQLite's user_version.
class DbSchema {
public:
    static const int kVersion;

    // Creates every missing table and migrates an older schema in place; rows are kept.
    // error receives the reason of a failure.
    static bool prepare(QSqlDatabase& db, QString* error = nullptr);
    enum class FileState { Usable, Unusable, Inaccessible };
    // Reads the file through. Unusable: no SQLite database or damaged; Inaccessible: it
    // could not be read now (locked, I/O), which says nothing about its contents.
    static FileState check(QSqlDatabase& db, QString* error = nullptr);
    static int version(QSqlDatabase& db);
    static QStringList tables(QSqlDatabase& db);
    static bool createTables(QSqlDatabase& db, QString* error = nullptr);
    static bool createTable(QSqlDatabase& db, const QString& table, QString* error = nullptr);

    // Time stamps of files before version 2 were stored as this text.
    static const char* const kLegacyTimeFormat;

private:
    static bool migrateFrom1(QSqlDatabase& db, QString* error);
    static bool migrateLogTable(QSqlDatabase& db, const QString& table, bool withCategory, QString* error);
};
