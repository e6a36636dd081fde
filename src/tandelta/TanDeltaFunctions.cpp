#include "tandelta/TanDeltaFunctions.h"

#include "core/FileSystem.h"
#include "core/GlobalFuncs.h"
#include "core/StickWriter.h"
#include "logging/LoggingCtrl.h"
#include "tandelta/TanDeltaCriteriaFolder.h"
#include "tandelta/TanDeltaStandardNumbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

#include <algorithm>

static void initTanDeltaResources() { Q_INIT_RESOURCE(tanDeltaStandards); }

namespace TanDelta {
namespace functions {

using namespace evaluation;

namespace {

QString exportFolderPath()
{
    return GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint) + QStringLiteral("/tanDelta/");
}

QString builtInResource(eEvaluationStandard id)
{
    switch (id) {
    case IEEE2001: return QStringLiteral(":/tanDeltaStandards/2Uo.tds");
    case IEEE2013: return QStringLiteral(":/tanDeltaStandards/1_5Uo.tds");
    default: return QString();
    }
}

// The installed file of a user standard; empty when the id names none.
QString installedFile(const QVector<InstalledStandard>& installed, eEvaluationStandard id)
{
    for (const InstalledStandard& standard : installed) {
        if (standard.id == id)
            return standard.file.absoluteFilePath();
    }
    return QString();
}

// A name that cannot be a hidden file and cannot leave the folder.
bool usableName(const QString& name) { return !name.isEmpty() && !name.startsWith(QLatin1Char('.')); }

// The name a standard's file is stored under, without ".tds"; empty when none can be made.
QString storedFileName(const QString& standardName, const QString& sourcePath)
{
    QString name = standardName;
    if (!usableName(name))
        name = QFileInfo(sourcePath).baseName();
    if (!usableName(name))
        return QString();
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (QChar& c : name) {
        // Control characters would make names nobody can type or see.
        if (forbidden.contains(c) || c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('_');
    }
    return name;
}

} // namespace

bool evaluationStandardImport(QString path, ImportRefusal* refusal)
{
    const auto refuse = [refusal](ImportRefusal why, const QString& problem) {
        if (refusal)
            *refusal = why;
        KLOG_WARN2("TanDelta", "evaluationStandardImport", problem);
        return false;
    };
    if (refusal)
        *refusal = ImportRefusal::None;
    bool readable = false;
    QString problem;
    const QByteArray content = readCriteriaContent(path, &readable, &problem);
    if (readable)
        problem = criteriaFileProblem(content);
    // A file the evaluation could not use would only vanish from the list.
    if (!problem.isEmpty()) {
        const bool tooLarge = !readable && QFileInfo(path).size() > kMaxCriteriaFileSize;
        return refuse(tooLarge ? ImportRefusal::TooLarge : ImportRefusal::None,
                      QStringLiteral("%1 not imported: %2").arg(path, problem));
    }

    const QString sourcePath = QFileInfo(path).absoluteFilePath();
    const QString folder = criteriaFolderPath();
    if (!FileSystem::mkpathDurably(folder))
        return false;

    const QJsonValue name = readCriteriaFile(sourcePath).value(QStringLiteral("name"));
    const QString stored = storedFileName(name.isString() ? name.toString() : QString(), sourcePath);
    if (stored.isEmpty())
        return false;
    const QString target = QDir(folder).absoluteFilePath(stored + QStringLiteral(".tds"));
    if (QFileInfo(target).absolutePath() != QDir(folder).absolutePath())
        return false;
    // No overwrite, no renaming.
    if (QFileInfo::exists(target)) {
        return refuse(ImportRefusal::NameTaken,
                      QStringLiteral("%1 not imported: %2 exists").arg(path, QFileInfo(target).fileName()));
    }
    // The files there keep the numbers they have (a folder from before the numbers gets
    // them now); the new one takes the next. A name lasts once its folder is synced, and
    // the import is done only when the file and its number last.
    if (!numberUserStandards() || !FileSystem::copyDurably(sourcePath, target))
        return false;
    if (FileSystem::syncPath(folder) && numberUserStandards())
        return true;
    KLOG_ERROR2("TanDelta", "evaluationStandardImport", QStringLiteral("%1 could not be stored for good").arg(target));
    QFile::remove(target);
    FileSystem::syncPath(folder);
    return false;
}

bool evaluationStandardRemove(QList<eEvaluationStandard> ids)
{
    if (ids.isEmpty())
        return true;
    std::sort(ids.begin(), ids.end(), [](eEvaluationStandard a, eEvaluationStandard b) { return a > b; });
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());

    // The numbers stay with their limits for the tests judged with them.
    const QVector<InstalledStandard> installed = installedUserStandards();
    bool result = true;
    bool removed = false;
    for (const eEvaluationStandard id : qAsConst(ids)) {
        const QString file = installedFile(installed, id);
        if (file.isEmpty()) {
            result = false;
            break;
        }
        const bool gone = QFile::remove(file);
        removed = removed || gone;
        result = gone && result;
    }
    // A removal lasts once the folder is synced.
    return (!removed || FileSystem::syncPath(criteriaFolderPath())) && result;
}

bool evaluationStandardRemove(eEvaluationStandard id) { return evaluationStandardRemove(QList<eEvaluationStandard>{id}); }

bool evaluationStandardExport(QList<eEvaluationStandard> ids)
{
    initTanDeltaResources();
    const QString folder = exportFolderPath();
    if (!StickWriter::makeFolder(folder))
        return false;
    const QVector<InstalledStandard> installed = installedUserStandards();
    if (ids.isEmpty())
        return true;

    bool result = true;
    for (const eEvaluationStandard id : qAsConst(ids)) {
        const QString source = id == IEEE2001 || id == IEEE2013 ? builtInResource(id) : installedFile(installed, id);
        if (source.isEmpty())
            return false;
        // A pulled stick ends the export. An earlier export is replaced only by the whole
        // new file, and a target that leads back to the source is refused, never deleted.
        if (!StickWriter::present())
            return false;
        result = StickWriter::copyFile(source, folder + QFileInfo(source).fileName()) && result;
    }
    return result;
}

bool evaluationStandardExport(eEvaluationStandard id) { return evaluationStandardExport(QList<eEvaluationStandard>{id}); }

} // namespace functions
} // namespace TanDelta
