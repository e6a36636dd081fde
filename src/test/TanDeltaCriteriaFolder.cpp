#include "TanDeltaCriteriaFolder.h"

#include "GlobalFuncs.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

namespace TanDelta {
namespace evaluation {

QString criteriaFolderPath() { return GlobalFuncs::getAppDataPath() + QStringLiteral("/tanDelta"); }

QFileInfoList criteriaFileListing()
{
    const QDir dir(criteriaFolderPath());
    if (!dir.exists())
        return {};
    // Without QDir::Hidden, names beginning with "." stay out.
    return dir.entryInfoList(QStringList{QStringLiteral("*.tds")}, QDir::Files,
                             QDir::Name | QDir::IgnoreCase);
}

QJsonObject readCriteriaFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QByteArray bytes = file.readAll();
    file.close();
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return QJsonDocument::fromJson(QString::fromUtf8(bytes).toUtf8()).object();
}

} // namespace evaluation
} // namespace TanDelta
