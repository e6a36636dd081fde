#include "ConfigAccessXML.h"
#include "GlobalFuncs.h"
#include "LoggingCtrl.h"
#include "UnixSignalWatcher.h"

#include <QApplication>

#include <csignal>

int main(int argc, char* argv[])
{
    qputenv("QT_IM_MODULE", QByteArray("qtvirtualkeyboard"));
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);

    LoggingCtrl::log(CAT_INF, "INF",
                     QString::asprintf("\n=== Pevanto software version %s ===\n", "4.2.0") +
                         QStringLiteral(__DATE__ " " __TIME__),
                     __LINE__, __FILE__, "main");

    QApplication app(argc, argv);
    UnixSignalWatcher watcher;
    QObject::connect(&watcher, &UnixSignalWatcher::unixSignal, &app, [](int) { QCoreApplication::quit(); });
    watcher.watch(SIGTERM);
    watcher.watch(SIGINT);

    GlobalFuncs::initPaths();
    LoggingCtrl logger;
    logger.initialize(GlobalFuncs::getApplicHelperFilesPath(GlobalFuncs::Trace));
    GlobalFuncs::setLogger(&logger);
    ConfigAccessXML config(GlobalFuncs::getUsbPath(GlobalFuncs::ConfigDirectory));
    config.initialize();
    GlobalFuncs::setConfig(&config);
    const int rc = app.exec();
    GlobalFuncs::release();
    GlobalFuncs::setConfig(nullptr);
    GlobalFuncs::setLogger(nullptr);
    return rc;
}
