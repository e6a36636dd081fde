#pragma once

#include <QDateTime>
#include <QObject>
#include <QStringList>

// Lists the stored record files of one store by their test time, for the remote link.
class MeasurementManager : public QObject {
    Q_OBJECT
public:
    MeasurementManager(QString root, QObject* parent = nullptr);

    // Absolute paths of the records from `from` to `to` (both included), newest first.
    Q_INVOKABLE QStringList getMeasurementPathes(const QDateTime& from, const QDateTime& to) const;
    // All records up to now.
    Q_INVOKABLE QStringList getMeasurementPathes() const;
    Q_INVOKABLE int getMeasurementCount() const;
    // At most count paths: with later false the newest up to t (newest first), with
    // later true the oldest from t on (oldest first).
    Q_INVOKABLE QStringList getMeasurementPathes(const QDateTime& t, int count, bool later) const;

private:
    QString m_root;
};
