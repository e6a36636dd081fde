#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

// One log record, carried to the logging thread.
struct LoggingData {
    QDateTime time;        // local time; the logging thread fills it from utcMsecs
    qint64 utcMsecs = 0;   // the caller's stamp, milliseconds since the epoch
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
