#include "fakes/Artifacts.h"

#include <QDir>

QString artifactDir(const QString& kind, const QString& test)
{
    QString root = qEnvironmentVariable("VLF_ARTIFACT_DIR");
    if (root.isEmpty())
        root = QStringLiteral(VLF_DEFAULT_ARTIFACT_DIR);
    const QString path = QDir(root).filePath(kind + QLatin1Char('/') + test);
    QDir().mkpath(path);
    return path;
}
