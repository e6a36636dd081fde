#pragma once

#include "logging/ILogSink.h"
#include "logging/LoggingData.h"
#include "logging/MessageCategories.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class LogWorker;
class QThread;
class QTranslator;

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
    // Queues one record for the service log alone.
    static void logService(const QString& text);

    // English text of a translatable message; the key itself while no English catalogue is set.
    static QString getUntranslatedText(const QString& context, const QString& key,
                                       const QString& comment = QString());
    // The English catalogue used by getUntranslatedText (not owned; null clears it).
    static void setEnglishTranslator(QTranslator* translator);

    // Starts the logging thread with the console sink, the trace file "<APP>.trc" in
    // traceFolder (none when empty; APP is the application name in upper case) and the
    // sinks added so far. With CONSOLE_LOGGING set only the console sink runs.
    // False when a sink could not be opened (the others run all the same), and when
    // another logger of this process runs already (nothing started then).
    bool initialize(const QString& traceFolder);
    // Same without a trace file.
    bool initialize();
    // Delivers what is queued to the sinks and waits until they have taken it; the
    // logger keeps running.
    void flush();
    // Delivers what is queued, closes the sinks and stops the logging thread.
    // Records logged afterwards are kept for the next initialize().
    void release();

    // Attaches a further sink (message log, service log); ignored when only the console runs.
    // Call from the thread that owns this object.
    void addSink(std::unique_ptr<ILogSink> sink);

    bool isRunning() const { return m_worker != nullptr; }
    bool isConsoleOnly() const { return m_consoleOnly; }

private:
    QThread* m_thread = nullptr;
    LogWorker* m_worker = nullptr;
    bool m_consoleOnly = false;
    std::vector<std::unique_ptr<ILogSink>> m_pendingSinks;
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
