#include "uiapi/UpdatePackage.h"

#include "core/InvalidVersion.h"

#include <QCoreApplication>
#include <QFileInfo>

using namespace UpdatePackage;

namespace {
const char* const kSoftwareMark = "-Software-";
}

updatePackage::updatePackage()
    : version(QLatin1String(INVALID_VERSION)), installedVersion(QLatin1String(INVALID_VERSION))
{
}

updatePackage::updatePackage(const QString& path) : updatePackage()
{
    file = path;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return;
    directory = info.absolutePath();
    const QString fileName = info.fileName();
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : fileName.mid(dot + 1);

    if (extension == QLatin1String("tar")) {
        file = info.absoluteFilePath();
        if (fileName.contains(QLatin1String(kSoftwareMark))) {
            name = fileName;
            version = UpdatePackage::getVersionFromFilename(fileName);
            if (version != QLatin1String(INVALID_VERSION))
                type = SoftwarePackage;
            return;
        }
        version = QStringLiteral("0.0");
        if (fileName.toLower().endsWith(QLatin1String("languages.tar"))) {
            type = AllLanguages;
            name = QCoreApplication::translate("UpdateManager", "AllLanguages");
        } else {
            type = Language;
            const QString base = fileName.section(QLatin1Char('.'), 0, 0);
            name = base.section(QLatin1Char('-'), -1);
        }
        return;
    }
    if (extension != QLatin1String("ldr") && extension != QLatin1String("img"))
        return;
    const int partType = UpdatePackage::getUpdateTypeFromPartname(fileName.section(QLatin1Char('-'), 0, 0));
    if (partType == Unknown)
        return;
    name = fileName;
    version = UpdatePackage::getVersionFromFilename(fileName);
    if (version == QLatin1String(INVALID_VERSION))
        return;
    file = fileName;
    type = partType;
}

int UpdatePackage::getUpdateTypeFromPartname(const QString& partName)
{
    static const struct {
        const char* word;
        int type;
    } parts[] = {{"bootloader", Bootloader}, {"kernel", Kernel},   {"rootfs", Rootfs},
                 {"application", Application}, {"appdata", Appdata}, {"fonts", Fonts},
                 {"pevantoapp", HVApplication}};
    for (const auto& p : parts)
        if (partName == QLatin1String(p.word))
            return p.type;
    return Unknown;
}

QString UpdatePackage::getVersionFromFilename(const QString& fileName)
{
    const QStringList pieces = fileName.section(QLatin1Char('-'), -1).split(QLatin1Char('.'), Qt::KeepEmptyParts);
    if (pieces.size() == 3)
        return pieces[0] + QLatin1Char('.') + pieces[1] + QStringLiteral(".0");
    if (pieces.size() == 4)
        return pieces[0] + QLatin1Char('.') + pieces[1] + QLatin1Char('.') + pieces[2];
    return QLatin1String(INVALID_VERSION);
}

void UpdatePackage::registerMetaTypes()
{
    qRegisterMetaType<updatePackage>("updatePackage");
    qRegisterMetaType<QList<updatePackage>>("QList<updatePackage>");
}
