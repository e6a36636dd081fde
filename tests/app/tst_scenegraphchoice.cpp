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
        QTest::newRow("no context") << QByteArray() << false << QString() << true;
        QTest::newRow("llvmpipe") << QByteArray() << true << "llvmpipe (LLVM 15.0.6, 256 bits)" << true;
        QTest::newRow("softpipe") << QByteArray() << true << "softpipe" << true;
        QTest::newRow("swrast") << QByteArray() << true << "Mesa DRI Software Rasterizer" << true;
        QTest::newRow("gpu") << QByteArray() << true << "Vivante GC2000 rev 5108" << false;
        // A named backend wins, whatever the platform offers.
        QTest::newRow("named software") << QByteArray("software") << true << "Mali-T860" << true;
        QTest::newRow("named other") << QByteArray("openvg") << false << QString() << false;
    }
    void decide()
    {
        QFETCH(QByteArray, named);
        QFETCH(bool, haveContext);
        QFETCH(QString, renderer);
        const SceneGraphChoice::Choice choice = SceneGraphChoice::decide(named, haveContext, renderer);
        QTEST(choice.software, "software");
        // The log line names what decided.
        QVERIFY(choice.text.startsWith(QLatin1String("Scene graph: ")));
        QVERIFY(choice.text.contains(named.isEmpty() ? renderer : QStringLiteral("QT_QUICK_BACKEND")));
    }
};

QTEST_GUILESS_MAIN(TstSceneGraphChoice)
#include "tst_scenegraphchoice.moc"
