#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>
#include <QtTest>

// What the tree must keep in step by hand: every translation key the sources name
// is in the English catalogue (an unfinished entry shows its key on purpose), and every QML file is in the resources and its module.
class TreeIndex : public QObject
{
    Q_OBJECT

private:
    static QString root() { return QStringLiteral(VLF_SOURCE_DIR); }

    static QStringList filesBelow(const QString& dir, const QStringList& filters)
    {
        QStringList out;
        QDirIterator it(root() + QLatin1Char('/') + dir, filters, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            out << it.next();
        out.sort();
        return out;
    }

    static QString readText(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    // A literal written as "..." or wrapped in QStringLiteral/QLatin1String.
    static QString literal()
    {
        return QStringLiteral("(?:(?:QStringLiteral|QLatin1String)\\s*\\(\\s*)?\"((?:[^\"\\\\\\n]|\\\\.)*)\"\\s*\\)?");
    }

    static QString unescape(QString s)
    {
        s.replace(QLatin1String("\\n"), QLatin1String("\n"));
        s.replace(QLatin1String("\\\""), QLatin1String("\""));
        s.replace(QLatin1String("\\\\"), QLatin1String("\\"));
        return s;
    }

    using Key = QPair<QString, QString>;

    static QSet<Key> catalogue(const QString& path)
    {
        QSet<Key> keys;
        QXmlStreamReader xml(readText(path));
        QString context;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                if (xml.name() == QLatin1String("name"))
                    context = xml.readElementText();
                else if (xml.name() == QLatin1String("source"))
                    keys.insert({ context, xml.readElementText() });
            }
        }
        return keys;
    }

private slots:
    void everyKeyHasItsEnglishText()
    {
        const QSet<Key> english = catalogue(root() + QStringLiteral("/resources/languages/english.ts"));
        QVERIFY(english.size() > 100);
        const QRegularExpression call(QStringLiteral("\\b(?:qsTranslate|QT_TRANSLATE_NOOP|translate|TransObject)\\s*\\(\\s*")
                                      + literal() + QStringLiteral("\\s*,\\s*") + literal());
        QStringList missing;
        int found = 0;
        const QStringList sources = filesBelow(QStringLiteral("src"), { "*.cpp", "*.h" })
            + filesBelow(QStringLiteral("qml"), { "*.qml", "*.js" });
        for (const QString& file : sources) {
            auto it = call.globalMatch(readText(file));
            while (it.hasNext()) {
                const auto m = it.next();
                const Key key { unescape(m.captured(1)), unescape(m.captured(2)) };
                ++found;
                if (!english.contains(key))
                    missing << QStringLiteral("%1: %2 / %3").arg(QDir(root()).relativeFilePath(file), key.first, key.second);
            }
        }
        QVERIFY2(found > 300, qPrintable(QString::number(found)));
        missing.removeDuplicates();
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("keys without an English text in english.ts:\n  ")
                                               + missing.join(QStringLiteral("\n  "))));
    }

    void everyQmlFileIsInItsResourcesAndModule()
    {
        const QString qml = root() + QStringLiteral("/qml");
        const QString qrc = readText(qml + QStringLiteral("/gui.qrc"));
        QVERIFY(!qrc.isEmpty());
        QStringList missing;
        for (const QString& file : filesBelow(QStringLiteral("qml"), { "*.qml", "*.js" })) {
            const QString relative = QDir(qml).relativeFilePath(file);
            if (!qrc.contains(QStringLiteral("<file>%1</file>").arg(relative)))
                missing << relative + QStringLiteral(": not in qml/gui.qrc");
            const QFileInfo info(file);
            const QString qmldir = info.absolutePath() + QStringLiteral("/qmldir");
            // Scripts are imported by path; only QML types are module entries.
            if (info.suffix() != QLatin1String("qml") || !QFile::exists(qmldir))
                continue;
            const QRegularExpression entry(QStringLiteral("(^|\\s)%1\\s*$").arg(QRegularExpression::escape(info.fileName())),
                                           QRegularExpression::MultilineOption);
            if (!entry.match(readText(qmldir)).hasMatch())
                missing << relative + QStringLiteral(": not in its module's qmldir");
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(TreeIndex)
#include "tst_treeindex.moc"
