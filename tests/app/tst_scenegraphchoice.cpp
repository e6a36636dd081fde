#include "app/SceneGraphChoice.h"

#include <QTest>

class TstSceneGraphChoice : public QObject {
    Q_OBJECT
private slots:
    void decide_data()
    {
        QTest::addColumn<QByteArray>("named");
        QTest::addColumn<bool>("haveContext");
        QTest::addColumn<QString>("renderer");
        QTest::addColumn<bool>("software");
        QTest::addColumn<QString>("text");
        QTest::newRow("no context") << QByteArray() << false << QString() << true
                                    << "Scene graph: software, no OpenGL context can be made";
        QTest::newRow("llvmpipe") << QByteArray() << true << "llvmpipe (LLVM 15.0.6, 256 bits)" << true
                                  << "Scene graph: software, OpenGL would be drawn by the software rasterizer "
                                     "llvmpipe (LLVM 15.0.6, 256 bits)";
        QTest::newRow("softpipe") << QByteArray() << true << "softpipe" << true
                                  << "Scene graph: software, OpenGL would be drawn by the software rasterizer softpipe";
        QTest::newRow("swrast") << QByteArray() << true << "Mesa DRI Software Rasterizer" << true
                                << "Scene graph: software, OpenGL would be drawn by the software rasterizer Mesa "
                                   "DRI Software Rasterizer";
        QTest::newRow("gpu") << QByteArray() << true << "Vivante GC2000 rev 5108" << false
                             << "Scene graph: OpenGL on Vivante GC2000 rev 5108";
        // A named backend wins, whatever the platform offers.
        QTest::newRow("named software") << QByteArray("software") << true << "Mali-T860" << true
                                        << "Scene graph: software, as QT_QUICK_BACKEND names it";
        QTest::newRow("named other") << QByteArray("openvg") << false << QString() << false
                                     << "Scene graph: openvg, as QT_QUICK_BACKEND names it";
    }
    void decide()
    {
        QFETCH(QByteArray, named);
        QFETCH(bool, haveContext);
        QFETCH(QString, renderer);
        const SceneGraphChoice::Choice choice = SceneGraphChoice::decide(named, haveContext, renderer);
        QTEST(choice.software, "software");
        QTEST(choice.text, "text");
    }
};

QTEST_GUILESS_MAIN(TstSceneGraphChoice)
#include "tst_scenegraphchoice.moc"
