#include "db/DbSchema.h"

#include <QDateTime>
#include <QLocale>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

const int DbSchema::kVersion = 2;
const char* const DbSchema::kLegacyTimeFormat = "yyyy/MM/dd hh:mm:ss:zzz AP";

namespace {
struct TableDef {
    const char* name;
    const char* columns;
};

// Time stamps are milliseconds since the epoch (UTC), so they sort as numbers.
const TableDef kTables[] = {
    {"defaultvalues", "category TEXT NOT NULL, feature TEXT NOT NULL, value TEXT, PRIMARY KEY(category, feature)"},
    {"messagelog", "id INTEGER PRIMARY KEY AUTOINCREMENT, datetime INTEGER NOT NULL, category INTEGER NOT NULL, "
                   "message TEXT"},
    {"servicelog", "id INTEGER PRIMARY KEY AUTOINCREMENT, datetime INTEGER NOT NULL, message TEXT"},
    {"passwords", "type TEXT PRIMARY KEY NOT NULL, password TEXT NOT NULL"},
    {"cableNumbers", "value TEXT PRIMARY KEY NOT NULL"},
    {"statistics", "id INTEGER PRIMARY KEY NOT NULL, count INTEGER NOT NULL DEFAULT 0"},
    {"performanceindicators", "id INTEGER NOT NULL, idx INTEGER NOT NULL, value INTEGER NOT NULL, PRIMARY KEY(id, idx)"},
    {"tandeltametainfo", "phase INTEGER NOT NULL, id INTEGER NOT NULL, value INTEGER NOT NULL, PRIMARY KEY(phase, id)"},
    {"tandeltasummary", "phase INTEGER NOT NULL, step INTEGER NOT NULL, voltage INTEGER NOT NULL, "
                        "tandelta INTEGER NOT NULL, deviation INTEGER NOT NULL, PRIMARY KEY(phase, step)"},
    {"voltagesnaps", "type INTEGER NOT NULL, idx INTEGER NOT NULL, value REAL NOT NULL, PRIMARY KEY(type, idx)"},
};

QString quoted(const QString& identifier)
{
    QString q = identifier;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

bool exec(QSqlDatabase& db, const QString& sql, QString* error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}

qint64 legacyTime(const QString& text)
{
    QDateTime t = QLocale::c().toDateTime(text, QString::fromLatin1(DbSchema::kLegacyTimeFormat));
    if (!t.isValid())
        t = QDateTime::fromString(text, Qt::ISODateWithMs);
    return t.isValid() ? t.toMSecsSinceEpoch() : 0;
}
} // namespace

DbSchema::FileState DbSchema::check(QSqlDatabase& db, QString* error)
{
    // SQLITE_CORRUPT 11 and SQLITE_NOTADB 26, extended codes included.
    const auto stateOf = [error](const QSqlError& e) {
        if (error)
            *error = e.text();
        const int code = e.nativeErrorCode().toInt() & 0xFF;
        return code == 11 || code == 26 ? FileState::Unusable : FileState::Inaccessible;
    };
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !q.next())
        return stateOf(q.lastError());
    q.finish();
    if (!q.exec(QStringLiteral("PRAGMA quick_check")))
        return stateOf(q.lastError());
    if (!q.next())
        return stateOf(q.lastError());
    const QString result = q.value(0).toString();
    if (result != QLatin1String("ok")) {
        if (error)
            *error = result;
        return FileState::Unusable;
    }
    return FileState::Usable;
}

int DbSchema::version(QSqlDatabase& db)
{
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("PRAGMA user_version")) && q.next())
        return q.value(0).toInt();
    return -1;
}

QStringList DbSchema::tables(QSqlDatabase& db)
{
    QStringList names;
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"))) {
        while (q.next())
            names << q.value(0).toString();
    }
    return names;
}

bool DbSchema::createTable(QSqlDatabase& db, const QString& table, QString* error)
{
    for (const TableDef& t : kTables) {
        if (table == QLatin1String(t.name)) {
            if (!exec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(quoted(table), QLatin1String(t.columns)), error))
                return false;
            if (table == QLatin1String("messagelog") || table == QLatin1String("servicelog"))
                return exec(db, QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (datetime)")
                                    .arg(quoted(table + QStringLiteral("_datetime")), quoted(table)), error);
            return true;
        }
    }
    if (error)
        *error = QStringLiteral("unknown table %1").arg(table);
    return false;
}

bool DbSchema::createTables(QSqlDatabase& db, QString* error)
{
    for (const TableDef& t : kTables) {
        if (!createTable(db, QLatin1String(t.name), error))
            return false;
    }
    return true;
}

bool DbSchema::prepare(QSqlDatabase& db, QString* error)
{
    int v = version(db);
    if (v < 0) {
        if (error)
            *error = QStringLiteral("cannot read the schema version");
        return false;
    }
    // Files written before the version was kept carry 0 but already hold tables.
    if (v == 0 && !tables(db).isEmpty())
        v = 1;
    if (!db.transaction()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    bool ok = true;
    if (v == 1)
        ok = migrateFrom1(db, error);
    ok = ok && createTables(db, error);
    if (ok && v < kVersion)
        ok = exec(db, QStringLiteral("PRAGMA user_version = %1").arg(kVersion), error);
    if (!ok) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        if (error)
            *error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

bool DbSchema::migrateFrom1(QSqlDatabase& db, QString* error)
{
    const QStringList existing = tables(db);
    if (existing.contains(QStringLiteral("messagelog")) && !migrateLogTable(db, QStringLiteral("messagelog"), true, error))
        return false;
    if (existing.contains(QStringLiteral("servicelog")) && !migrateLogTable(db, QStringLiteral("servicelog"), false, error))
        return false;
    return true;
}

// Version 1 kept the time of a log row as 12-hour text, which does not sort.
bool DbSchema::migrateLogTable(QSqlDatabase& db, const QString& table, bool withCategory, QString* error)
{
    const QString old = table + QStringLiteral("_v1");
    if (!exec(db, QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quoted(table), quoted(old)), error))
        return false;
    if (!createTable(db, table, error))
        return false;
    QSqlQuery read(db);
    const QString cols = withCategory ? QStringLiteral("datetime, category, message") : QStringLiteral("datetime, message");
    if (!read.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(cols, quoted(old)))) {
        if (error)
            *error = read.lastError().text();
        return false;
    }
    QSqlQuery write(db);
    write.prepare(withCategory
                      ? QStringLiteral("INSERT INTO %1 (datetime, category, message) VALUES (?, ?, ?)").arg(quoted(table))
                      : QStringLiteral("INSERT INTO %1 (datetime, message) VALUES (?, ?)").arg(quoted(table)));
    while (read.next()) {
        write.addBindValue(legacyTime(read.value(0).toString()));
        if (withCategory)
            write.addBindValue(read.value(1).toInt());
        write.addBindValue(read.value(withCategory ? 2 : 1).toString());
        if (!write.exec()) {
            if (error)
                *error = write.lastError().text();
            return false;
        }
    }
    read.finish();
    return exec(db, QStringLiteral("DROP TABLE %1").arg(quoted(old)), error);
}
