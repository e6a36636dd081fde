#include "uiapi/UpdatePackage.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// Files on a stick are typed and versioned from their names alone.
class TestUpdatePackage : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString touch(const QString& name)
    {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write("x") == 1 ? f.fileName() : QString();
    }

private slots:
    void namesAreRecognised_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("absoluteFile");
        QTest::newRow("kernel") << "kernel-1.2.ldr" << 5 << "1.2.0" << "kernel-1.2.ldr" << false;
        QTest::newRow("part word case") << "Kernel-1.2.ldr" << 0 << "0.00" << "" << true;
        QTest::newRow("extension case") << "kernel-1.2.LDR" << 0 << "0.00" << "" << true;
        QTest::newRow("one dot") << "application-1.img" << 0 << "0.00" << "application-1.img" << true;
        QTest::newRow("four pieces") << "application-1.2.3.4.img" << 0 << "0.00" << "application-1.2.3.4.img" << true;
        QTest::newRow("hv firmware") << "pevantoapp-3.04.img" << 10 << "3.04.0" << "pevantoapp-3.04.img" << false;
        QTest::newRow("three fields") << "kernel-5.4-1.2.3.ldr" << 5 << "1.2.3" << "kernel-5.4-1.2.3.ldr" << false;
        QTest::newRow("rootfs") << "rootfs-2.1.img" << 6 << "2.1.0" << "rootfs-2.1.img" << false;
        QTest::newRow("software") << "x-Software-4.2.0.tar" << 3 << "4.2.0" << "x-Software-4.2.0.tar" << true;
        QTest::newRow("software no version") << "x-Software-4.tar" << 0 << "0.00" << "x-Software-4.tar" << true;
        QTest::newRow("language") << "vlf-Deutsch.tar" << 1 << "0.0" << "Deutsch" << true;
        QTest::newRow("TAR") << "ALLLANGUAGES.TAR" << 0 << "0.00" << "" << true;
        QTest::newRow("all languages") << "all-languages.tar" << 2 << "0.0" << "AllLanguages" << true;
        // Hostile names are typed like any other, never executed or resolved.
        QTest::newRow("leading dash") << "-rf.tar" << 1 << "0.0" << "rf" << true;
        QTest::newRow("option part") << "--checkpoint-action=exec=sh-1.2.ldr" << 0 << "0.00" << "" << true;
        QTest::newRow("quotes ;") << "kernel-';rm -rf x;'-1.2.ldr" << 5 << "1.2.0" << "kernel-';rm -rf x;'-1.2.ldr" << false;
        QTest::newRow("spaces") << "kernel-a b-1.2.ldr" << 5 << "1.2.0" << "kernel-a b-1.2.ldr" << false;
        QTest::newRow("dots") << "..-x.tar" << 1 << "0.0" << "" << true;
        QTest::newRow("non-ascii") << QString::fromUtf8("vlf-Fran\xc3\xa7" "ais.tar") << 1 << "0.0"
                                   << QString::fromUtf8("Fran\xc3\xa7" "ais") << true;
        const QString longName = QStringLiteral("kernel-") + QString(240, QLatin1Char('a')) + QStringLiteral("-1.2.ldr");
        QTest::newRow("255 chars") << longName << 5 << "1.2.0" << longName << false;
    }

    void namesAreRecognised()
    {
        QFETCH(QString, fileName);
        QFETCH(int, type);
        QFETCH(QString, version);
        QFETCH(QString, name);
        QFETCH(bool, absoluteFile);
        const QString path = touch(fileName);
        QVERIFY2(!path.isEmpty(), qPrintable(fileName));
        const updatePackage p(path);
        QCOMPARE(p.type, type);
        QCOMPARE(p.version, version);
        QCOMPARE(p.name, name);
        QCOMPARE(p.directory, QFileInfo(dir.path()).absoluteFilePath());
        QCOMPARE(p.file, absoluteFile ? QFileInfo(path).absoluteFilePath() : fileName);
        QCOMPARE(p.installedVersion, QStringLiteral("0.00"));
    }

    void missingFileIsUnknown()
    {
        const updatePackage p(dir.filePath(QStringLiteral("kernel-1.2.ldr.gone")));
        QCOMPARE(p.type, 0);
        QVERIFY(p.directory.isEmpty());
        const updatePackage none;
        QVERIFY(none.file.isEmpty() && none.name.isEmpty());
        QCOMPARE(none.version, QStringLiteral("0.00"));
    }

    void partWords()
    {
        QCOMPARE(UpdatePackage::getUpdateTypeFromPartname(QStringLiteral("bootloader")), 4);
        QCOMPARE(UpdatePackage::getUpdateTypeFromPartname(QStringLiteral("fonts")), 9);
        QCOMPARE(UpdatePackage::getUpdateTypeFromPartname(QStringLiteral("appdata")), 8);
        QCOMPARE(UpdatePackage::getUpdateTypeFromPartname(QStringLiteral("Fonts")), 0);
        QCOMPARE(UpdatePackage::getVersionFromFilename(QStringLiteral("x-1..ldr")), QStringLiteral("1..0"));
        QCOMPARE(UpdatePackage::getVersionFromFilename(QStringLiteral("nodash")), QStringLiteral("0.00"));
    }

    void travelsThroughQueuedSignals()
    {
        UpdatePackage::registerMetaTypes();
        updatePackage p(touch(QStringLiteral("fonts-1.0.img")));
        QVariant v = QVariant::fromValue(QList<updatePackage>{p});
        const QList<updatePackage> back = v.value<QList<updatePackage>>();
        QCOMPARE(back.size(), 1);
        QCOMPARE(back[0].type, 9);
        QVERIFY(QMetaType::type("updatePackage") != QMetaType::UnknownType);
    }
};

QTEST_GUILESS_MAIN(TestUpdatePackage)
#include "tst_updatepackage.moc"
