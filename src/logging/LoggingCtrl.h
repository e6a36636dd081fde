#pragma once

#include "LoggingData.h"
#include "MessageCategories.h"

#include <QObject>
#include <QString>

// Process-wide logging controller. log() builds a record and hands it to the
// logging thread, which fans it out to the sinks; the caller never waits for a sink.
// Records logged before initialize() are kept (bounded) and delivered once it runs.
class LoggingCtrl : public QObject {
    Q_OBJECT
public:
    explicit LoggingCtrl(QObject* parent = nullptr);
    ~LoggingCtrl() override;

    static LoggingCtrl* instance();

    static void log(MessageCategories category, const char* tag, const char* text, int line,
                    const char* file, const char* function);
    static void log(MessageCategories category, const char* tag, const QString& text, int line,
                    const char* file, const char* function);
    static void logService(const QString& text);

    static QString getUntranslatedText(const QString& context, const QString& key,
                                       const QString& comment = QString());

    bool initialize();
    void release();
};

// Shorthands: class name as file, -1 as line, the operation as function.
#define KLOG_CAT2(cat, tag, cls, func, text) LoggingCtrl::log((cat), (tag), (text), -1, (cls), (func))
#define KLOG_FATAL2(cls, func, text) KLOG_CAT2(CAT_FATAL, "FATAL", cls, func, text)
#define KLOG_ERROR2(cls, func, text) KLOG_CAT2(CAT_ERR, "ERR", cls, func, text)
#define KLOG_WARN2(cls, func, text) KLOG_CAT2(CAT_WARN, "WARN", cls, func, text)
#define KLOG_INFO2(cls, func, text) KLOG_CAT2(CAT_INF, "INF", cls, func, text)
#define KLOG_MSG2(cls, func, text) KLOG_CAT2(CAT_MSG, "MSG", cls, func, text)
#define KLOG_MEAS2(cls, func, text) KLOG_CAT2(CAT_MEAS, "MEAS", cls, func, text)
#define KLOG_DEBUG2(cls, func, text) KLOG_CAT2(CAT_DBG, "DBG", cls, func, text)
