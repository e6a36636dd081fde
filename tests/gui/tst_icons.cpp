// Every icon the program names is in its resources and draws; the mode families look apart.
#include "datamodel/OperatingModes.h"
#include "gui/QmlTypes.h"

#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

class TstIcons : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { initGuiResources(); }

    void namedIconResolves_data()
    {
        QTest::addColumn<QString>("url");
        QSet<QString> urls;
        const QRegularExpression literal(QStringLiteral("qrc:/icons/[A-Za-z0-9_.-]+\\.svg"));
        for (const char* folder : {"src", "qml"}) {
            QDirIterator it(QStringLiteral(VLF_SOURCE_DIR "/") + QLatin1String(folder),
                            {QStringLiteral("*.cpp"), QStringLiteral("*.h"), QStringLiteral("*.qml"),
                             QStringLiteral("*.js")},
                            QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                QFile file(it.next());
                QVERIFY(file.open(QIODevice::ReadOnly));
                auto matches = literal.globalMatch(QString::fromUtf8(file.readAll()));
                while (matches.hasNext())
                    urls.insert(matches.next().captured());
            }
        }
        // The mode icons are named by the catalogue.
        OperatingModes* modes = OperatingModes::getInstance();
        for (int m = OperatingModes::None; m <= OperatingModes::Unknown; ++m)
            for (bool focused : {false, true}) {
                const QString url = modes->getIconPath(OperatingModes::OperatingMode(m), focused);
                if (!url.isEmpty())
                    urls.insert(url);
            }
        QVERIFY(urls.size() > 70);
        QStringList sorted = urls.values();
        sorted.sort();
        for (const QString& url : qAsConst(sorted))
            QTest::newRow(qPrintable(url.mid(11))) << url;
    }
    void namedIconResolves()
    {
        QFETCH(QString, url);
        const QString path = url.mid(3); // ":/icons/..."
        QVERIFY2(QFile::exists(path), qPrintable(url));
        QVERIFY2(!QImage(path).isNull(), qPrintable(url + QStringLiteral(" does not draw")));
    }

    // What each family draws, its caption left out, differs from every other family's.
    void modeFamiliesLookApart()
    {
        using M = OperatingModes;
        const M::OperatingMode families[] = {M::DC, M::VLFSin, M::VLFRect, M::VLFCosRect, M::TanDelta,
                                             M::MWTSingle, M::SheathTest, M::SheathPinpointing, M::Calibration};
        const QRegularExpression caption(QStringLiteral("<text[^>]*>[^<]*</text>\\s*</svg>"));
        QHash<QString, M::OperatingMode> drawings;
        for (M::OperatingMode mode : families) {
            QFile file(M::getInstance()->getIconPath(mode, false).mid(3));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString drawing = QString::fromUtf8(file.readAll()).remove(caption);
            QVERIFY2(!drawings.contains(drawing), qPrintable(QStringLiteral("%1 looks like %2")
                                                                .arg(int(mode))
                                                                .arg(int(drawings.value(drawing)))));
            drawings.insert(drawing, mode);
        }
    }
};

QTEST_MAIN(TstIcons)
#include "tst_icons.moc"
