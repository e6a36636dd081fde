#include "app/Application.h"
#include "app/SceneGraphChoice.h"
#include "logging/LoggingCtrl.h"

int main(int argc, char* argv[])
{
    qputenv("QT_IM_MODULE", QByteArray("qtvirtualkeyboard"));
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    // Before any thread: the OpenGL probe runs in a child process.
    SceneGraphChoice::probe(argc, argv);

    // Kept until the logger runs and delivered then.
    LoggingCtrl::log(CAT_INF, "INF",
                     QString::asprintf("\n=== Pevanto software version %s ===\n", "4.2.0") +
                         QStringLiteral(__DATE__ " " __TIME__),
                     __LINE__, __FILE__, "main");

    Application app(argc, argv);
    if (app.refused())
        return 1;
    return app.exec();
}
