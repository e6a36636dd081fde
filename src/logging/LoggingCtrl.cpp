#include "logging/LoggingCtrl.h"

#include "logging/ConsoleLogSink.h"
#include "logging/LogQueue.h"
#include "logging/LogWorker.h"
#include "logging/TraceFileSink.h"

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QThread>
#include <QTranslator>

#include <atomic>

#include <sys/syscall.h>
#include <unistd.h>

namespace {
LoggingCtrl* g_instance = nullptr;
// The one logger that feeds from the queue.
std::atomic<LoggingCtrl*> g_running{nullptr};

// Never destroyed: log() may still be called while static objects are torn down.
LogQueue& queue()
{
    static LogQueue* q = new LogQueue;
    return *q;
}

QMutex& translatorMutex()
{
    static QMutex* m = new QMutex;
    return *m;
}

QPointer<QTranslator>& englishTranslator()
{
    static QPointer<QTranslator>* t = new QPointer<QTranslator>;
    return *t;
}

void enqueue(int category, const char* tag, const QString& text, int line, const char* file,
             const char* function, bool serviceOnly)
{
    // The caller pays for a clock read only: the zone lookup of the local time is the
    // logging thread's, the process id is read once and the thread id once per thread.
    static const qint64 pid = QCoreApplication::applicationPid();
    thread_local const quint64 threadId = static_cast<quint64>(::syscall(SYS_gettid));
    LoggingData record;
    record.utcMsecs = QDateTime::currentMSecsSinceEpoch();
    record.pid = pid;
    record.threadId = threadId;
    record.category = category;
    record.tag = QString::fromUtf8(tag ? tag : "???");
    record.file = QString::fromUtf8(file ? file : "");
    record.line = line;
    record.function = QString::fromUtf8(function ? function : "");
    record.text = text;
    record.serviceOnly = serviceOnly;
    queue().push(std::move(record));
}
} // namespace

LoggingCtrl::LoggingCtrl(QObject* parent) : QObject(parent) { g_instance = this; }

LoggingCtrl::~LoggingCtrl()
{
    release();
    if (g_instance == this)
        g_instance = nullptr;
}

LoggingCtrl* LoggingCtrl::instance() { return g_instance; }

void LoggingCtrl::log(MessageCategories category, const char* tag, const char* text, int line,
                      const char* file, const char* function)
{
    enqueue(category, tag, QString::fromUtf8(text ? text : ""), line, file, function, false);
}

void LoggingCtrl::log(MessageCategories category, const char* tag, const QString& text, int line,
                      const char* file, const char* function)
{
    enqueue(category, tag, text, line, file, function, false);
}

void LoggingCtrl::logService(const QString& text)
{
    enqueue(CAT_NONE, "SERVICE", text, -1, "", "", true);
}

QString LoggingCtrl::getUntranslatedText(const QString& context, const QString& key, const QString& comment)
{
    QMutexLocker lock(&translatorMutex());
    const QPointer<QTranslator>& translator = englishTranslator();
    if (translator.isNull())
        return key;
    const QByteArray c = context.toUtf8();
    const QByteArray k = key.toUtf8();
    const QByteArray d = comment.toUtf8();
    const QString text = translator->translate(c.constData(), k.constData(),
                                               comment.isEmpty() ? nullptr : d.constData());
    return text.isEmpty() ? key : text;
}

void LoggingCtrl::setEnglishTranslator(QTranslator* translator)
{
    QMutexLocker lock(&translatorMutex());
    englishTranslator() = translator;
}

bool LoggingCtrl::initialize() { return initialize(QString()); }

bool LoggingCtrl::initialize(const QString& traceFolder)
{
    if (m_worker)
        return true;
    LoggingCtrl* none = nullptr;
    if (!g_running.compare_exchange_strong(none, this))
        return false; // another logger runs
    m_consoleOnly = qEnvironmentVariableIsSet("CONSOLE_LOGGING");

    std::vector<std::unique_ptr<ILogSink>> sinks;
    sinks.push_back(std::make_unique<ConsoleLogSink>());
    if (!m_consoleOnly) {
        if (!traceFolder.isEmpty())
            sinks.push_back(std::make_unique<TraceFileSink>(
                traceFolder, QCoreApplication::applicationName().toUpper()));
        for (auto& sink : m_pendingSinks)
            sinks.push_back(std::move(sink));
    }
    m_pendingSinks.clear();

    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("LoggingThread"));
    m_worker = new LogWorker(queue());
    m_worker->moveToThread(m_thread);
    m_thread->start();

    bool allOpen = true;
    LogWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [worker, &sinks, &allOpen] {
            for (auto& sink : sinks)
                allOpen = worker->addSink(std::move(sink)) && allOpen;
        },
        Qt::BlockingQueuedConnection);

    queue().attach([worker] { QMetaObject::invokeMethod(worker, &LogWorker::drain, Qt::QueuedConnection); });
    return allOpen;
}

void LoggingCtrl::flush()
{
    if (m_worker)
        QMetaObject::invokeMethod(m_worker, &LogWorker::drain, Qt::BlockingQueuedConnection);
}

void LoggingCtrl::release()
{
    if (!m_worker)
        return;
    queue().detach();
    QMetaObject::invokeMethod(m_worker, &LogWorker::shutdown, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
    m_worker = nullptr;
    delete m_thread;
    m_thread = nullptr;
    g_running.store(nullptr);
}

void LoggingCtrl::addSink(std::unique_ptr<ILogSink> sink)
{
    if (!sink)
        return;
    if (!m_worker) {
        m_pendingSinks.push_back(std::move(sink));
        return;
    }
    if (m_consoleOnly)
        return;
    auto holder = std::make_shared<std::unique_ptr<ILogSink>>(std::move(sink));
    LogWorker* worker = m_worker;
    QMetaObject::invokeMethod(worker, [worker, holder] { worker->addSink(std::move(*holder)); },
                              Qt::QueuedConnection);
}
