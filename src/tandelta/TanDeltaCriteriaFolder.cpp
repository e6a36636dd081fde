#include "tandelta/TanDeltaCriteriaFolder.h"

#include "core/GlobalFuncs.h"
#include "logging/LoggingCtrl.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutex>
#include <QSet>

#include <sys/stat.h>

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

// One version of a file as the file system tells it: any change gives another.
struct Version {
    qint64 device = 0;
    qint64 inode = 0;
    qint64 size = -1;
    qint64 modified = 0;
    qint64 changed = 0;
    bool operator==(const Version& o) const
    {
        return device == o.device && inode == o.inode && size == o.size && modified == o.modified &&
               changed == o.changed;
    }
};

Version versionOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {qint64(st.st_dev), qint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

struct ParsedFile {
    Version version;
    QString problem; // empty when usable
    QJsonObject content;
    QByteArray hash;
};

// The listed files as last read, by absolute path; guarded by g_mutex.
QMutex g_mutex;
QHash<QString, ParsedFile> g_parsed;

ParsedFile readAndParse(const QString& path)
{
    ParsedFile file;
    bool ok = false;
    const QByteArray bytes = readCriteriaContent(path, &ok, &file.problem);
    if (ok) {
        file.problem = criteriaFileProblem(bytes);
        file.hash = criteriaContentHash(bytes);
    }
    if (file.problem.isEmpty()) {
        file.content = parse(bytes, nullptr).object();
    } else {
        KLOG_WARN2("TanDelta", "criteriaFileListing",
                   QStringLiteral("Criteria file %1 cannot be used: %2").arg(QFileInfo(path).fileName(), file.problem));
    }
    return file;
}

// Read again only when the file changed since it was last read.
ParsedFile parsedFile(const QString& path)
{
    const Version version = versionOf(path);
    QMutexLocker lock(&g_mutex);
    auto it = g_parsed.find(path);
    if (it == g_parsed.end() || !(it->version == version)) {
        ParsedFile file = readAndParse(path);
        file.version = version;
        it = g_parsed.insert(path, file);
    }
    return *it;
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
    QSet<QString> listed;
    for (const QFileInfo& entry : entries) {
        listed.insert(entry.absoluteFilePath());
        parsedFile(entry.absoluteFilePath());
    }
    // Files no longer listed are forgotten; the kept copies below the folder stay.
    const QString folder = dir.absolutePath();
    QMutexLocker lock(&g_mutex);
    for (auto it = g_parsed.begin(); it != g_parsed.end();) {
        if (listed.contains(it.key()) || QFileInfo(it.key()).absolutePath() != folder)
            ++it;
        else
            it = g_parsed.erase(it);
    }
    return entries;
}

bool criteriaFileUsable(const QFileInfo& file) { return parsedFile(file.absoluteFilePath()).problem.isEmpty(); }

QJsonObject criteriaFileContent(const QFileInfo& file) { return parsedFile(file.absoluteFilePath()).content; }

QByteArray criteriaFileHash(const QFileInfo& file) { return parsedFile(file.absoluteFilePath()).hash; }

QByteArray criteriaContentHash(const QByteArray& content)
{
    return QCryptographicHash::hash(content, QCryptographicHash::Sha256);
}

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

QByteArray readCriteriaContent(const QString& path, bool* ok, QString* why)
{
    auto fail = [ok, why](const QString& reason) {
        *ok = false;
        if (why)
            *why = reason;
        return QByteArray();
    };
    const QString tooLarge = QStringLiteral("larger than %1 bytes").arg(kMaxCriteriaFileSize);
    const QFileInfo info(path);
    if (!info.isFile())
        return fail(QStringLiteral("no file"));
    if (info.size() > kMaxCriteriaFileSize)
        return fail(tooLarge);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return fail(QStringLiteral("cannot be read"));
    // The file may have grown since it was measured.
    QByteArray bytes = file.read(kMaxCriteriaFileSize + 1);
    if (bytes.size() > kMaxCriteriaFileSize)
        return fail(tooLarge);
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("cannot be read"));
    *ok = true;
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
