#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

// One log record, carried to the logging thread.
struct LoggingData {
    QDateTime time;
    qint64 pid = 0;
    quint64 threadId = 0;
    quint64 sequence = 0;
    int category = 0;
    QString tag;
    QString file;
    int line = -1;
    QString function;
    QString text;
    bool serviceOnly = false; // queued by logService: for the service log alone
};

Q_DECLARE_METATYPE(LoggingData)
