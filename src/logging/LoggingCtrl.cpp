#include "LoggingCtrl.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

// Placeholder implementation: console only. The logging thread and the sinks replace it.
namespace {
LoggingCtrl* g_instance = nullptr;
}

LoggingCtrl::LoggingCtrl(QObject* parent) : QObject(parent) { g_instance = this; }

LoggingCtrl::~LoggingCtrl()
{
    if (g_instance == this)
        g_instance = nullptr;
}

LoggingCtrl* LoggingCtrl::instance() { return g_instance; }

void LoggingCtrl::log(MessageCategories category, const char* tag, const char* text, int line,
                      const char* file, const char* function)
{
    log(category, tag, QString::fromUtf8(text ? text : ""), line, file, function);
}

void LoggingCtrl::log(MessageCategories category, const char* tag, const QString& text, int,
                      const char* file, const char* function)
{
    Q_UNUSED(category)
    std::fprintf(stderr, "%s [%s] %s::%s %s\n",
                 qPrintable(QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss.zzz"))),
                 tag ? tag : "???", file ? file : "", function ? function : "", qPrintable(text));
}

void LoggingCtrl::logService(const QString& text)
{
    std::fprintf(stderr, "[SERVICE] %s\n", qPrintable(text));
}

QString LoggingCtrl::getUntranslatedText(const QString&, const QString& key, const QString&)
{
    return key;
}

bool LoggingCtrl::initialize() { return true; }

void LoggingCtrl::release() {}
