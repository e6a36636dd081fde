#include "tandelta/TanDeltaStandardNumbers.h"

#include "core/FileSystem.h"
#include "logging/LoggingCtrl.h"
#include "tandelta/TanDeltaCriteriaFolder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QSaveFile>

#include <sys/stat.h>

#include <algorithm>

namespace TanDelta {
namespace evaluation {

namespace {

const char* const kClass = "TanDelta";

struct Entry {
    int id = 0;
    QString file;    // empty when recovered from a kept copy: matched by content alone
    QByteArray hash; // of the content as numbered
};

struct Numbers {
    int next = UserStandardBase;
    QVector<Entry> entries;
};

// The index as last read or written, by path and version, so that a listing reads it
// only when it changed.
struct CachedIndex {
    QString path;
    QByteArray version;
    Numbers numbers;
};

// One numbering at a time; guards g_cache.
QMutex g_mutex;
CachedIndex g_cache;

QString numbersFolder() { return criteriaFolderPath() + QStringLiteral("/.standards"); }
QString indexPath() { return numbersFolder() + QStringLiteral("/numbers.json"); }
QString keptPath(int id) { return numbersFolder() + QStringLiteral("/%1.tds").arg(id); }

QByteArray versionOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QByteArray::number(qint64(st.st_ino)) + ':' + QByteArray::number(qint64(st.st_size)) + ':' +
           QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' + QByteArray::number(qint64(st.st_mtim.tv_nsec));
}

bool parseIndex(const QByteArray& bytes, Numbers* numbers)
{
    const QJsonObject top = QJsonDocument::fromJson(bytes).object();
    if (!top.value(QLatin1String("next")).isDouble() || !top.value(QLatin1String("standards")).isArray())
        return false;
    numbers->next = top.value(QLatin1String("next")).toInt();
    for (const QJsonValue& v : top.value(QLatin1String("standards")).toArray()) {
        const QJsonObject o = v.toObject();
        Entry e;
        e.id = o.value(QLatin1String("id")).toInt();
        e.file = o.value(QLatin1String("file")).toString();
        e.hash = QByteArray::fromHex(o.value(QLatin1String("content")).toString().toLatin1());
        if (e.id < UserStandardBase || e.id >= numbers->next)
            return false;
        numbers->entries.append(e);
    }
    return true;
}

// The numbers of the kept copies, ascending.
QVector<int> keptNumbers()
{
    QVector<int> ids;
    const QStringList kept = QDir(numbersFolder()).entryList({QStringLiteral("*.tds")}, QDir::Files);
    for (const QString& name : kept) {
        bool isNumber = false;
        const int id = QFileInfo(name).completeBaseName().toInt(&isNumber);
        if (isNumber && id >= UserStandardBase)
            ids.append(id);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

// The kept copies tell which numbers were given and for which content, so none is given
// twice: those the index does not know (it is missing, damaged, or older than they are,
// as after a power cut) join it, matched by content alone.
void recoverFromKeptCopies(Numbers* numbers)
{
    for (const int id : keptNumbers()) {
        const bool indexed = std::any_of(numbers->entries.cbegin(), numbers->entries.cend(),
                                         [id](const Entry& e) { return e.id == id; });
        if (!indexed) {
            bool readable = false;
            const QByteArray content = readCriteriaContent(keptPath(id), &readable);
            numbers->entries.append({id, QString(), readable ? criteriaContentHash(content) : QByteArray()});
        }
        numbers->next = qMax(numbers->next, id + 1);
    }
    std::sort(numbers->entries.begin(), numbers->entries.end(),
              [](const Entry& a, const Entry& b) { return a.id < b.id; });
}

Numbers loadNumbers()
{
    const QString path = indexPath();
    const QByteArray version = versionOf(path);
    if (!version.isEmpty() && g_cache.path == path && g_cache.version == version)
        return g_cache.numbers;
    Numbers numbers;
    QFile file(path);
    if (!version.isEmpty() && !(file.open(QIODevice::ReadOnly) && parseIndex(file.readAll(), &numbers))) {
        KLOG_ERROR2(kClass, "loadNumbers", QStringLiteral("%1 is damaged: numbers taken from the kept standards").arg(path));
        numbers = Numbers();
    }
    recoverFromKeptCopies(&numbers);
    g_cache = {path, version, numbers};
    return numbers;
}

bool makeNumbersFolder()
{
    if (FileSystem::mkpathDurably(numbersFolder()))
        return true;
    KLOG_ERROR2(kClass, "makeNumbersFolder", QStringLiteral("Cannot make %1").arg(numbersFolder()));
    return false;
}

bool saveNumbers(const Numbers& numbers)
{
    QJsonArray standards;
    for (const Entry& e : numbers.entries) {
        standards.append(QJsonObject{{QStringLiteral("id"), e.id},
                                     {QStringLiteral("file"), e.file},
                                     {QStringLiteral("content"), QString::fromLatin1(e.hash.toHex())}});
    }
    const QJsonObject top{{QStringLiteral("next"), numbers.next}, {QStringLiteral("standards"), standards}};
    QSaveFile file(indexPath());
    if (!makeNumbersFolder() || !file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(top).toJson()) < 0 ||
        !file.commit()) {
        KLOG_ERROR2(kClass, "saveNumbers", QStringLiteral("Cannot write %1").arg(indexPath()));
        return false;
    }
    g_cache = {indexPath(), versionOf(indexPath()), numbers};
    return true;
}

// Gives the file the next number and keeps a copy of it under that number.
Entry giveNumber(Numbers& numbers, const QFileInfo& file)
{
    Entry e;
    // Above every kept copy, whatever the index says: a kept number names another
    // standard in stored tests, and its copy is never overwritten.
    const QVector<int> kept = keptNumbers();
    e.id = kept.isEmpty() ? numbers.next : qMax(numbers.next, kept.last() + 1);
    numbers.next = e.id + 1;
    e.file = file.fileName();
    bool readable = false;
    const QByteArray content = readCriteriaContent(file.absoluteFilePath(), &readable);
    if (readable) {
        e.hash = criteriaContentHash(content);
        QSaveFile copy(keptPath(e.id));
        if (!makeNumbersFolder() || !copy.open(QIODevice::WriteOnly) || copy.write(content) < 0 || !copy.commit())
            KLOG_ERROR2(kClass, "giveNumber", QStringLiteral("Cannot keep %1 as %2").arg(e.file, keptPath(e.id)));
    }
    KLOG_DEBUG2(kClass, "giveNumber", QStringLiteral("Criteria file %1 is standard %2").arg(e.file).arg(e.id));
    numbers.entries.append(e);
    return e;
}

// The listed files with their numbers; numbers the new ones and writes what changed.
// stored: false when what changed could not be written for good.
QVector<InstalledStandard> reconcile(Numbers& numbers, bool* stored = nullptr)
{
    QVector<InstalledStandard> installed;
    QVector<bool> taken(numbers.entries.size(), false);
    bool changed = false;
    for (const QFileInfo& file : criteriaFileListing()) {
        const QByteArray hash = criteriaFileHash(file);
        int found = -1;
        for (int i = 0; i < numbers.entries.size() && found < 0; ++i) {
            const Entry& e = numbers.entries.at(i);
            if (!taken.at(i) && e.hash == hash && (e.file == file.fileName() || e.file.isEmpty()))
                found = i;
        }
        if (found < 0) {
            giveNumber(numbers, file);
            taken.append(false);
            found = numbers.entries.size() - 1;
            changed = true;
        } else if (numbers.entries.at(found).file.isEmpty()) {
            numbers.entries[found].file = file.fileName();
            changed = true;
        }
        taken[found] = true;
        installed.append({static_cast<eEvaluationStandard>(numbers.entries.at(found).id), file});
    }
    bool ok = true;
    // The kept copies and the index last only once their names are synced into the folder.
    if (changed && !(saveNumbers(numbers) && FileSystem::syncPath(numbersFolder()))) {
        KLOG_ERROR2(kClass, "reconcile", QStringLiteral("The numbers in %1 may not last").arg(numbersFolder()));
        ok = false;
    }
    if (stored)
        *stored = ok;
    return installed;
}

} // namespace

QVector<InstalledStandard> installedUserStandards()
{
    QMutexLocker lock(&g_mutex);
    Numbers numbers = loadNumbers();
    return reconcile(numbers);
}

bool numberUserStandards()
{
    QMutexLocker lock(&g_mutex);
    Numbers numbers = loadNumbers();
    bool stored = false;
    reconcile(numbers, &stored);
    return stored;
}

NumberedStandard numberedUserStandard(eEvaluationStandard id)
{
    QMutexLocker lock(&g_mutex);
    Numbers numbers = loadNumbers();
    const QVector<InstalledStandard> installed = reconcile(numbers);
    NumberedStandard out;
    for (const Entry& e : qAsConst(numbers.entries)) {
        if (e.id != int(id))
            continue;
        out.id = id;
        out.fileName = e.file;
        if (QFileInfo::exists(keptPath(e.id)))
            out.limitsPath = keptPath(e.id);
    }
    for (const InstalledStandard& s : installed) {
        if (s.id == id)
            out.installed = s.file;
    }
    return out;
}

} // namespace evaluation
} // namespace TanDelta
