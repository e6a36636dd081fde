#include "testrun/MeasurementManager.h"

#include <QDir>

MeasurementManager::MeasurementManager(QString root, QObject* parent) : QObject(parent), m_root(std::move(root)) {}

QStringList MeasurementManager::getMeasurementPathes(const QDateTime& from, const QDateTime& to) const
{
    QStringList result;
    const QDir root(m_root);
    const QStringList days = root.entryList(QStringList{QStringLiteral("????????")},
                                            QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString& day : days) {
        const QDate date(day.mid(0, 4).toInt(), day.mid(4, 2).toInt(), day.mid(6, 2).toInt());
        if (date < from.date() || date > to.date())
            continue;
        const QDir folder(root.filePath(day));
        const QStringList files =
            folder.entryList(QStringList{QStringLiteral("*-") + day + QStringLiteral("-??????*-*.vlf")}, QDir::Files,
                             QDir::Name | QDir::Reversed);
        for (const QString& file : files) {
            const QString hms = file.split(QLatin1Char('-')).value(2);
            const QDateTime when(date, QTime(hms.mid(0, 2).toInt(), hms.mid(2, 2).toInt(), hms.mid(4, 2).toInt()));
            if (when < from || when > to)
                continue;
            result << folder.absoluteFilePath(file);
        }
    }
    return result;
}

QStringList MeasurementManager::getMeasurementPathes() const
{
    return getMeasurementPathes(QDateTime::fromSecsSinceEpoch(0), QDateTime::currentDateTime());
}

int MeasurementManager::getMeasurementCount() const { return getMeasurementPathes().size(); }

QStringList MeasurementManager::getMeasurementPathes(const QDateTime& t, int count, bool later) const
{
    if (count <= 0)
        return QStringList();
    if (!later)
        return getMeasurementPathes(QDateTime::fromSecsSinceEpoch(0), t).mid(0, count);
    const QStringList all = getMeasurementPathes(t, QDateTime::currentDateTime());
    QStringList result;
    for (int i = all.size() - 1; i >= 0 && result.size() < count; --i)
        result << all.at(i);
    return result;
}
