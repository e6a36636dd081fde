#include "testrun/TanDeltaCriteriaFolder.h"

#include "core/GlobalFuncs.h"
#include "logging/LoggingCtrl.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutex>
#include <QSet>

namespace TanDelta {
namespace evaluation {

namespace {

QJsonDocument parse(const QByteArray& content, QJsonParseError* error)
{
    return QJsonDocument::fromJson(QString::fromUtf8(content).toUtf8(), error);
}

bool wrongType(const QJsonObject& o, const char* key, QJsonValue::Type type)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return !v.isUndefined() && v.type() != type;
}

bool hasNumber(const QJsonArray& a)
{
    for (const QJsonValue& v : a) {
        if (v.isDouble())
            return true;
    }
    return false;
}

QString criterionProblem(const QJsonValue& value, bool itemActive)
{
    if (!value.isObject())
        return QStringLiteral("a criterion is not an object");
    const QJsonObject c = value.toObject();
    if (wrongType(c, "active", QJsonValue::Bool) || wrongType(c, "idx", QJsonValue::Double))
        return QStringLiteral("a criterion has \"active\" or \"idx\" of a wrong type");
    if (!c.value(QLatin1String("ats")).isArray() || !c.value(QLatin1String("bounds")).isArray())
        return QStringLiteral("a criterion lacks the array \"ats\" or \"bounds\"");
    if (itemActive && c.value(QLatin1String("active")).toBool() &&
        !hasNumber(c.value(QLatin1String("bounds")).toArray()))
        return QStringLiteral("an active criterion has no number among its \"bounds\"");
    return {};
}

QString itemProblem(const QJsonValue& value)
{
    if (!value.isObject())
        return QStringLiteral("an item is not an object");
    const QJsonObject item = value.toObject();
    if (wrongType(item, "active", QJsonValue::Bool) || wrongType(item, "insulation", QJsonValue::String))
        return QStringLiteral("an item has \"active\" or \"insulation\" of a wrong type");
    const QJsonValue criteria = item.value(QLatin1String("criterias"));
    if (!criteria.isArray())
        return QStringLiteral("an item lacks the array \"criterias\"");
    const bool active = item.value(QLatin1String("active")).toBool();
    for (const QJsonValue& c : criteria.toArray()) {
        const QString problem = criterionProblem(c, active);
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}

// One log line per file version, not one per listing.
void logUnusable(const QFileInfo& file, const QString& problem)
{
    static QMutex mutex;
    static QSet<QString> logged;
    const QString key = file.absoluteFilePath() + QLatin1Char('|') +
                        QString::number(file.lastModified().toMSecsSinceEpoch()) + QLatin1Char('|') +
                        QString::number(file.size());
    {
        QMutexLocker lock(&mutex);
        if (logged.contains(key))
            return;
        logged.insert(key);
    }
    KLOG_WARN2("TanDelta", "criteriaFileListing",
               QStringLiteral("Criteria file %1 cannot be used: %2").arg(file.fileName(), problem));
}

QString fileProblem(const QFileInfo& file)
{
    bool ok = false;
    const QByteArray content = readCriteriaContent(file.absoluteFilePath(), &ok);
    return ok ? criteriaFileProblem(content) : QStringLiteral("cannot be read");
}

} // namespace

QString criteriaFolderPath() { return GlobalFuncs::getAppDataPath() + QStringLiteral("/tanDelta"); }

QFileInfoList criteriaFileListing()
{
    const QDir dir(criteriaFolderPath());
    if (!dir.exists())
        return {};
    // Without QDir::Hidden, names beginning with "." stay out.
    const QFileInfoList entries =
        dir.entryInfoList(QStringList{QStringLiteral("*.tds")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries) {
        const QString problem = fileProblem(entry);
        if (!problem.isEmpty())
            logUnusable(entry, problem);
    }
    return entries;
}

bool criteriaFileUsable(const QFileInfo& file) { return fileProblem(file).isEmpty(); }

QString criteriaFileProblem(const QByteArray& content)
{
    QJsonParseError error;
    const QJsonDocument doc = parse(content, &error);
    if (error.error != QJsonParseError::NoError)
        return QStringLiteral("not valid JSON (%1 at %2)").arg(error.errorString()).arg(error.offset);
    if (!doc.isObject())
        return QStringLiteral("not a JSON object");
    const QJsonObject top = doc.object();
    if (wrongType(top, "name", QJsonValue::String))
        return QStringLiteral("\"name\" is not a text");
    const QJsonValue items = top.value(QLatin1String("items"));
    if (!items.isArray())
        return QStringLiteral("the array \"items\" is missing");
    for (const QJsonValue& item : items.toArray()) {
        const QString problem = itemProblem(item);
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}

QByteArray readCriteriaContent(const QString& path, bool* ok)
{
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly | QIODevice::Text);
    if (!*ok)
        return {};
    QByteArray bytes = file.readAll();
    file.close();
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return bytes;
}

QJsonObject readCriteriaFile(const QString& path)
{
    bool ok = false;
    const QByteArray content = readCriteriaContent(path, &ok);
    if (!ok)
        return {};
    return parse(content, nullptr).object();
}

} // namespace evaluation
} // namespace TanDelta
