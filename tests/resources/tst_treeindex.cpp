#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>
#include <QtTest>

#include <tuple>

// What the tree must keep in step by hand: every translation key the program looks up is in
// the English catalogue (an unfinished entry shows its key on purpose), and every QML file
// is in the resources and its module.
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

    // A call that looks a key up, and where it takes the context and the key: argument
    // positions, or a context a helper fixes.
    struct Lookup {
        QString name;
        int contextArg; // -1: the context is fixed
        QString context;
        int keyArg;
        bool operator==(const Lookup& o) const
        {
            return std::tie(name, contextArg, context, keyArg) == std::tie(o.name, o.contextArg, o.context, o.keyArg);
        }
    };

    // The source with its comments blanked (line breaks kept); literals stay as they are.
    static QString withoutComments(QString text)
    {
        static const QRegularExpression token(
            QStringLiteral("([\"'])(?:(?!\\1)[^\\\\\n]|\\\\[\\s\\S])*\\1?|//[^\n]*|/\\*[\\s\\S]*?(?:\\*/|\\z)"));
        for (auto it = token.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            if (m.capturedStart(1) < 0) // not a literal
                for (int i = m.capturedStart(); i < m.capturedEnd(); ++i)
                    if (text.at(i) != QLatin1Char('\n'))
                        text[i] = QLatin1Char(' ');
        }
        return text;
    }

    // The arguments of the call whose "(" is at open, split at its top-level commas.
    static QStringList arguments(const QString& text, int open)
    {
        QStringList args;
        QString current;
        int depth = 0;
        for (int i = open; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                int end = i + 1;
                while (end < text.size() && text.at(end) != c)
                    end += text.at(end) == QLatin1Char('\\') ? 2 : 1;
                current += text.midRef(i, end - i + 1);
                i = end;
                continue;
            }
            if (QStringLiteral("([{").contains(c) && depth++ == 0)
                continue;
            if (QStringLiteral(")]}").contains(c) && --depth == 0)
                return args << current.trimmed();
            if (c == QLatin1Char(',') && depth == 1) {
                args << current.trimmed();
                current.clear();
                continue;
            }
            current += c;
        }
        return {};
    }

    // The function around pos: its name, its parameters' names and where its body starts.
    struct Function {
        QString name;
        QStringList parameters;
        int body = 0;
    };
    static Function enclosing(const QString& text, int pos)
    {
        static const QRegularExpression definition(
            QStringLiteral("\\b(\\w+)\\s*\\(([^()]*)\\)\\s*(?:const\\s*)?(?:override\\s*)?(?:noexcept\\s*)?\\{"));
        static const QStringList keywords { "if", "for", "while", "switch", "catch", "function", "return" };
        static const QRegularExpression lastName(QStringLiteral("(\\w+)\\s*$"));
        QRegularExpressionMatch last;
        for (auto it = definition.globalMatch(text.left(pos)); it.hasNext();)
            if (const auto m = it.next(); !keywords.contains(m.captured(1)))
                last = m;
        Function f { last.captured(1), {}, last.hasMatch() ? last.capturedEnd() : 0 };
        for (const QString& p : last.captured(2).split(QLatin1Char(',')))
            f.parameters << lastName.match(p.section(QLatin1Char('='), 0, 0)).captured(1);
        return f;
    }

    struct Resolved {
        QStringList literals;
        QString parameter; // set when the argument is a parameter of the enclosing function
    };

    // What an argument can be: a literal (bare or wrapped in QStringLiteral and the like),
    // a choice between literals (c ? "a" : "b"), a name or a call the file gives one of
    // those, or a parameter of the function it is in.
    static Resolved resolve(const QString& text, int pos, QString argument, int depth = 0)
    {
        static const QRegularExpression wrapped(QStringLiteral(
            "^(?:QStringLiteral|QLatin1String|QString::fromLatin1|QString::fromUtf8|QByteArray)\\s*\\((.*)\\)$"));
        static const QRegularExpression suffix(QStringLiteral("\\.(?:constData|toUtf8|toLatin1)\\(\\)$"));
        static const QRegularExpression literal(
            QStringLiteral("(?:(?:QStringLiteral|QLatin1String)\\s*\\(\\s*)?\"((?:[^\"\\\\\\n]|\\\\.)*)\"(?:\\s*\\))?"));
        for (QString before; before != argument;) {
            before = argument;
            const auto w = wrapped.match(argument);
            argument = (w.hasMatch() ? w.captured(1) : QString(argument).remove(suffix)).trimmed();
        }
        Resolved r;
        auto it = literal.globalMatch(argument);
        while (it.hasNext())
            r.literals << unescape(it.next().captured(1));
        if (!r.literals.isEmpty()) {
            // Only literals a choice leaves: "a", c ? "a" : ("b"); no call, no sum.
            static const QRegularExpression lone(QStringLiteral("(?:^|[?:(])\\s*@\\s*(?=$|[:)])"));
            static const QRegularExpression call(QStringLiteral("\\w\\s*\\("));
            const QString shape = QString(argument).replace(literal, QStringLiteral("@"));
            if (shape.count(QLatin1Char('@')) != shape.count(lone) || shape.contains(call))
                r.literals.clear();
            return r;
        }
        static const QRegularExpression name(QStringLiteral("^([A-Za-z_]\\w*)(\\(\\))?$"));
        const auto n = name.match(argument);
        if (!n.hasMatch() || depth > 2)
            return r;
        const QString id = QRegularExpression::escape(n.captured(1));
        const Function f = enclosing(text, pos);
        if (n.captured(2).isEmpty() && f.parameters.contains(n.captured(1)))
            return { {}, n.captured(1) };
        // A local assignment before the call, a constant of the file, a function returning one.
        const QRegularExpression local(QStringLiteral("\\b%1\\s*=\\s*([^;=][^;]*);").arg(id));
        const QRegularExpression constant(QStringLiteral("\\bconst\\b[^;=(){}]*\\b%1\\s*(?:\\[\\s*\\])?\\s*=\\s*([^;]*);").arg(id));
        const QRegularExpression getter(QStringLiteral("\\b%1\\s*\\(\\s*\\)\\s*(?:const\\s*)?\\{\\s*return\\s+([^;]*);").arg(id));
        QRegularExpressionMatch m;
        if (!n.captured(2).isEmpty())
            m = getter.match(text);
        else if (const int at = text.lastIndexOf(local, pos, &m); at < f.body)
            m = constant.match(text);
        return m.hasMatch() ? resolve(text, m.capturedStart(1), m.captured(1).trimmed(), depth + 1) : r;
    }

    // Every (context, key) one file looks up, through the lookups by name and through the
    // file's own helpers that hand a key of theirs on to one (tp("Key"),
    // translated("Context", "Key"), showResult(category, "Key")). helperKeys counts the latter.
    static QSet<Key> keysOf(const QString& source, int* helperKeys)
    {
        const QString text = withoutComments(source);
        // The calls that look a text up in the catalogue or mark a key for a later lookup;
        // each is looked for once, and a helper found on the way joins the list.
        QList<Lookup> lookups;
        for (const char* name : { "translate", "qsTranslate", "QT_TRANSLATE_NOOP", "QT_TRANSLATE_NOOP3", "TransObject",
                                  "getUntranslatedText" })
            lookups.append({ QLatin1String(name), 0, {}, 1 });
        lookups.append({ QStringLiteral("showMessageDlg"), 1, {}, 2 }); // (category, context, key, ...)
        const int byName = lookups.size();
        QSet<Key> keys;
        for (int p = 0; p < lookups.size(); ++p) {
            const Lookup how = lookups.at(p);
            auto it = QRegularExpression(QStringLiteral("\\b%1\\s*\\(").arg(how.name)).globalMatch(text);
            while (it.hasNext()) {
                const auto m = it.next();
                const QStringList args = arguments(text, m.capturedEnd() - 1);
                if (args.size() <= std::max(how.contextArg, how.keyArg))
                    continue;
                const Resolved context = how.contextArg < 0 ? Resolved { { how.context }, {} }
                                                            : resolve(text, m.capturedStart(), args.at(how.contextArg));
                const Resolved key = resolve(text, m.capturedStart(), args.at(how.keyArg));
                for (const QString& c : context.literals)
                    for (const QString& k : key.literals)
                        if (!keys.contains({ c, k })) {
                            keys.insert({ c, k });
                            *helperKeys += p < byName ? 0 : 1;
                        }
                if (key.parameter.isEmpty() || (context.literals.size() != 1 && context.parameter.isEmpty()))
                    continue;
                const Function f = enclosing(text, m.capturedStart());
                const Lookup helper { f.name, context.parameter.isEmpty() ? -1 : int(f.parameters.indexOf(context.parameter)),
                                      context.literals.value(0), int(f.parameters.indexOf(key.parameter)) };
                if (!lookups.contains(helper))
                    lookups << helper;
            }
        }
        return keys;
    }

private slots:
    void everyKeyHasItsEnglishText()
    {
        const QSet<Key> english = catalogue(root() + QStringLiteral("/resources/languages/english.ts"));
        QVERIFY(english.size() > 100);
        QStringList missing;
        QSet<Key> found;
        int throughHelpers = 0;
        const QStringList sources = filesBelow(QStringLiteral("src"), { "*.cpp", "*.h" })
            + filesBelow(QStringLiteral("qml"), { "*.qml", "*.js" });
        for (const QString& file : sources) {
            for (const Key& key : keysOf(readText(file), &throughHelpers)) {
                found.insert(key);
                if (!english.contains(key))
                    missing << QStringLiteral("%1: %2 / %3").arg(QDir(root()).relativeFilePath(file), key.first, key.second);
            }
        }
        // The lookups are still found: those by name and those through the files' helpers.
        QVERIFY2(found.size() > 450 && throughHelpers > 60,
                 qPrintable(QStringLiteral("%1 keys, %2 through helpers").arg(found.size()).arg(throughHelpers)));
        // And the keys of tables, marked where they stand (the modes' names and menu texts).
        for (const char* key : { "SelectWithstandTest", "Damped AC test" })
            QVERIFY2(found.contains({ QStringLiteral("TestModes"), QLatin1String(key) }), key);
        missing.sort();
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
