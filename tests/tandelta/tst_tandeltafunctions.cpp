#include "tandelta/TanDeltaCriteriaFolder.h"
#include "tandelta/TanDeltaFunctions.h"
#include "tandelta/TanDeltaLists.h"
#include "tandelta/TanDeltaStandard.h"
#include "tandelta/TanDeltaStandardNumbers.h"
#include "core/FileSystem.h"
#include "core/GlobalFuncs.h"
#include "fakes/TempRoot.h"

#include <QDir>
#include <QtTest>

using namespace TanDelta::evaluation;
using namespace TanDelta::functions;

namespace {

const QString kFolder = QStringLiteral("/home/root/mappedPaths/appdata/tanDelta");
const QString kStick = QStringLiteral("/media/USB");

QByteArray named(const QString& name, const QByteArray& extra = QByteArray())
{
    return R"({"name": ")" + name.toUtf8() + R"(", "items": [])" + extra + "}";
}

QStringList folderNames(const TempRoot& root, const QString& folder)
{
    return QDir(root.path(folder)).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
}

QByteArray resource(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Where a name lasts a power cut only once its folder is synced: the folders whose names
// a cut now would change.
struct SyncedNames {
    QMap<QString, QStringList> kept; // each folder's names at its last sync
    static QStringList names(const QString& f)
    {
        return QDir(f).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    explicit SyncedNames(const QStringList& folders)
    {
        for (const QString& f : folders)
            kept.insert(f, names(f));
        FileSystem::setSyncObserver([this](const QString& p) {
            if (kept.contains(QDir::cleanPath(p)))
                kept.insert(QDir::cleanPath(p), names(p));
        });
    }
    ~SyncedNames() { FileSystem::setSyncObserver({}); }
    QStringList lost() const
    {
        QStringList out;
        for (auto it = kept.cbegin(); it != kept.cend(); ++it)
            if (names(it.key()) != it.value())
                out << it.key();
        return out;
    }
};

} // namespace

class TstTanDeltaFunctions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Q_INIT_RESOURCE(tanDeltaStandards); }

    void importNamesTheFileAfterTheStandard()
    {
        TempRoot root;
        const QByteArray first = named("north/south:2020");
        QVERIFY(root.writeFile(kStick + "/in/first.tds", first));
        // The criteria folder does not exist yet.
        QVERIFY(evaluationStandardImport(root.path(kStick + "/in/first.tds")));
        QCOMPARE(root.readFile(kFolder + "/north_south_2020.tds"), first);

        // The same name again: refused, the first copy stays as it was.
        QVERIFY(root.writeFile(kStick + "/in/second.tds", named("north/south:2020", R"(, "comment": "other")")));
        QVERIFY(!evaluationStandardImport(root.path(kStick + "/in/second.tds")));
        QCOMPARE(root.readFile(kFolder + "/north_south_2020.tds"), first);

        // Without a name: the source's name up to its first dot.
        QVERIFY(root.writeFile(kStick + "/my.criteria.tds", R"({"items": []})"));
        QVERIFY(evaluationStandardImport(root.path(kStick + "/my.criteria.tds")));
        QVERIFY(QFileInfo::exists(root.path(kFolder + "/my.tds")));

        QVERIFY(root.writeFile(kStick + "/all.tds", named(R"(a\\b*c?d\"e<f>g|h)")));
        QVERIFY(evaluationStandardImport(root.path(kStick + "/all.tds")));
        QVERIFY(QFileInfo::exists(root.path(kFolder + "/a_b_c_d_e_f_g_h.tds")));

        QCOMPARE(folderNames(root, kFolder),
                 (QStringList{"a_b_c_d_e_f_g_h.tds", "my.tds", "north_south_2020.tds"}));
        QCOMPARE(allEvaluationStandards().size(), 6);
    }

    // A name must neither hide the file nor lead out of the folder.
    void importNamesThatCannotBeStoredAsGiven()
    {
        TempRoot root;
        QVERIFY(root.writeFile(kStick + "/empty.one.tds", named("")));
        QVERIFY(evaluationStandardImport(root.path(kStick + "/empty.one.tds")));
        QVERIFY(root.writeFile(kStick + "/dotted.tds", named(".hidden")));
        QVERIFY(evaluationStandardImport(root.path(kStick + "/dotted.tds")));
        QVERIFY(root.writeFile(kStick + "/up.tds", named("../../../../etc/passwd")));
        QVERIFY(evaluationStandardImport(root.path(kStick + "/up.tds")));
        QVERIFY(root.writeFile(kStick + "/inner.tds", named("a/../../b")));
        QVERIFY(evaluationStandardImport(root.path(kStick + "/inner.tds")));
        QVERIFY(root.writeFile(kStick + "/ctl.tds", named(R"(line\nbreak)")));
        QVERIFY(evaluationStandardImport(root.path(kStick + "/ctl.tds")));
        QCOMPARE(folderNames(root, kFolder),
                 (QStringList{"a_.._.._b.tds", "dotted.tds", "empty.tds", "line_break.tds", "up.tds"}));
        QVERIFY(!QFileInfo::exists(root.path("/etc/passwd.tds")));
        QVERIFY(!QFileInfo::exists(root.path("/home/root/mappedPaths/appdata/b.tds")));
        QCOMPARE(criteriaFileListing().size(), 5);

        // Neither the name nor the source's name can be used.
        QVERIFY(root.writeFile(kStick + "/.tds", named("")));
        QVERIFY(!evaluationStandardImport(root.path(kStick + "/.tds")));
        QCOMPARE(folderNames(root, kFolder).size(), 5);
    }

    void importRefusesWhatCannotBeUsed()
    {
        TempRoot root;
        const QList<QByteArray> bad{
            "not json at all",
            "[1, 2, 3]",
            R"({"name": "n1"})",
            R"({"name": 5, "items": []})",
            R"({"name": "n2", "items": "PE"})",
            R"({"name": "n3", "items": [{"insulation": "PE", "active": true}]})",
            R"({"name": "n4", "items": [{"insulation": "PE", "active": true, "criterias": [
                {"idx": 0, "active": true, "ats": [1], "bounds": ["low", "high"]}]}]})",
            R"({"name": "n5", "items": [{"insulation": "PE", "active": true, "criterias": [
                {"idx": 0, "active": true, "ats": [1]}]}]})",
            R"({"name": "n6", "items": [{"insulation": "PE", "active": "yes", "criterias": []}]})",
            R"({"name": "n7", "items": [{"insulation": "PE", "active": true, "criterias": [
                {"idx": "0", "active": true, "ats": [1], "bounds": [1, 2]}]}]})",
        };
        for (int i = 0; i < bad.size(); ++i) {
            const QString path = kStick + QStringLiteral("/bad%1.tds").arg(i);
            QVERIFY(root.writeFile(path, bad[i]));
            QVERIFY2(!evaluationStandardImport(root.path(path)), bad[i].constData());
        }
        QVERIFY(folderNames(root, kFolder).isEmpty());
        QVERIFY(!evaluationStandardImport(root.path(kStick + "/missing.tds")));
        QVERIFY(!evaluationStandardImport(QString()));

        // A long comment is fine up to the size limit; one byte more and the file is refused.
        const auto padded = [](const char* name, int pad) {
            return named(QString::fromLatin1(name), ", \"comment\": \"" + QByteArray(pad, 'x') + '"');
        };
        const int pad = int(kMaxCriteriaFileSize) - padded("long", 0).size();
        QVERIFY(root.writeFile(kStick + "/long.tds", padded("long", pad)));
        QVERIFY(root.writeFile(kStick + "/over.tds", padded("over", pad + 1)));
        QVERIFY(evaluationStandardImport(root.path(kStick + "/long.tds")));
        QVERIFY(!evaluationStandardImport(root.path(kStick + "/over.tds")));
        QCOMPARE(folderNames(root, kFolder), QStringList{"long.tds"});
    }

    void removal()
    {
        TempRoot root;
        auto fill = [&root] {
            QDir(root.path(kFolder)).removeRecursively();
            for (const char* n : {"a", "B", "c", "D"})
                QVERIFY(root.writeFile(kFolder + "/" + n + ".tds", named(QString::fromLatin1(n))));
        };

        fill();
        // Entries 2 and 0 of the listing as it was, whatever the order of the request.
        QVERIFY(evaluationStandardRemove(QList<eEvaluationStandard>{userStandardId(0), userStandardId(2)}));
        QCOMPARE(folderNames(root, kFolder), (QStringList{"B.tds", "D.tds"}));

        fill();
        QVERIFY(evaluationStandardRemove(QList<eEvaluationStandard>{userStandardId(2), userStandardId(0)}));
        QCOMPARE(folderNames(root, kFolder), (QStringList{"B.tds", "D.tds"}));

        // A built-in id: the user file goes first, then the answer is false.
        fill();
        QVERIFY(!evaluationStandardRemove(QList<eEvaluationStandard>{userStandardId(1), None}));
        QCOMPARE(folderNames(root, kFolder), (QStringList{"a.tds", "c.tds", "D.tds"}));

        // The same id twice deletes one file, not also the one that moved into its place.
        fill();
        QVERIFY(evaluationStandardRemove(QList<eEvaluationStandard>{userStandardId(1), userStandardId(1)}));
        QCOMPARE(folderNames(root, kFolder), (QStringList{"a.tds", "c.tds", "D.tds"}));

        fill();
        QVERIFY(evaluationStandardRemove(QList<eEvaluationStandard>{}));
        QCOMPARE(folderNames(root, kFolder).size(), 4);
        QVERIFY(!evaluationStandardRemove(userStandardId(4)));
        QVERIFY(!evaluationStandardRemove(IEEE2013));
        QCOMPARE(folderNames(root, kFolder).size(), 4);
        QVERIFY(evaluationStandardRemove(userStandardId(3)));
        QCOMPARE(folderNames(root, kFolder), (QStringList{"a.tds", "B.tds", "c.tds"}));
    }

    // Every name made, renamed or removed in the criteria folders is synced into its folder
    // before the operation reports success; a number is never given at or below a kept copy's.
    void changesLastAPowerCut_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("id"); // of the file imported; 0: old.tds removed instead
        QTest::newRow("first import") << "" << 1000;
        QTest::newRow("beside a numbered file") << "numbered" << 1001;
        QTest::newRow("into a folder from before the numbers") << "plain" << 1001;
        QTest::newRow("removal") << "numbered" << 0;
        QTest::newRow("index older than the kept copies") << "set back" << 1002;
    }
    void changesLastAPowerCut()
    {
        QFETCH(QString, before);
        QFETCH(int, id);
        TempRoot root;
        const QString index = kFolder + "/.standards/numbers.json";
        for (const char* n : {"new", "old", "mid"})
            QVERIFY(root.writeFile(kStick + "/" + n + ".tds", named(QString::fromLatin1(n))));
        if (before == "plain")
            QVERIFY(root.writeFile(kFolder + "/old.tds", named("old")));
        else if (!before.isEmpty())
            QVERIFY(evaluationStandardImport(root.path(kStick + "/old.tds")));
        // Standard 1001 imported and removed, its copy kept, the index as before it.
        const QByteArray older = root.readFile(index);
        if (before == "set back")
            QVERIFY(evaluationStandardImport(root.path(kStick + "/mid.tds"))
                    && evaluationStandardRemove(eEvaluationStandard(1001)) && root.writeFile(index, older));
        const QString folder = root.path(kFolder);
        SyncedNames synced({QFileInfo(folder).absolutePath(), folder, folder + "/.standards"});
        QVERIFY(id ? evaluationStandardImport(root.path(kStick + "/new.tds"))
                   : evaluationStandardRemove(userStandardId(0)));
        QCOMPARE(synced.lost(), QStringList());
        QCOMPARE(id ? int(installedUserStandards().first().id) : 0, id);
    }

    // A malformed file is numbered like any other: it can be removed by its number. An
    // import sorting first takes the next number; no file's number moves.
    void malformedFileCountsForTheIds()
    {
        TempRoot root;
        QVERIFY(!root.insertStick().isEmpty());
        for (const char* n : {"a", "c"})
            QVERIFY(root.writeFile(kFolder + "/" + n + ".tds", named(QString::fromLatin1(n))));
        QVERIFY(root.writeFile(kFolder + "/b.tds", "{ broken"));
        QCOMPARE(allEvaluationStandards().size(), 3 + 3);
        QCOMPARE(Standard::makeShared(userStandardId(2))->name(), QStringLiteral("c"));

        QVERIFY(root.writeFile(kStick + "/first.tds", named("0first")));
        QVERIFY(evaluationStandardImport(root.path(kStick + "/first.tds")));
        QCOMPARE(Standard::makeShared(userStandardId(3))->name(), QStringLiteral("0first"));
        QCOMPARE(Standard::makeShared(userStandardId(2))->name(), QStringLiteral("c"));

        QVERIFY(evaluationStandardRemove(userStandardId(1)));
        QCOMPARE(folderNames(root, kFolder), (QStringList{"0first.tds", "a.tds", "c.tds"}));
        // Removed, it is exported and removed no more.
        QVERIFY(!evaluationStandardRemove(userStandardId(1)));
        QVERIFY(!evaluationStandardExport(userStandardId(1)));
    }

    void exportToTheStick()
    {
        TempRoot root;
        // No stick, no export.
        QVERIFY(!evaluationStandardExport(IEEE2001));
        QVERIFY(!QFileInfo::exists(root.path(kStick)));

        QVERIFY(!root.insertStick().isEmpty());
        QVERIFY(evaluationStandardExport(QList<eEvaluationStandard>{IEEE2001, IEEE2013}));
        QCOMPARE(root.readFile(kStick + "/tanDelta/2Uo.tds"), resource(":/tanDeltaStandards/2Uo.tds"));
        QCOMPARE(root.readFile(kStick + "/tanDelta/1_5Uo.tds"), resource(":/tanDeltaStandards/1_5Uo.tds"));
        QVERIFY(!resource(":/tanDeltaStandards/2Uo.tds").isEmpty());

        // Earlier exports are replaced, read-only or not.
        QVERIFY(root.writeFile(kStick + "/tanDelta/2Uo.tds", "old"));
        QVERIFY(QFile::setPermissions(root.path(kStick + "/tanDelta/2Uo.tds"), QFileDevice::ReadOwner));
        QVERIFY(evaluationStandardExport(IEEE2001));
        QCOMPARE(root.readFile(kStick + "/tanDelta/2Uo.tds"), resource(":/tanDeltaStandards/2Uo.tds"));
        QVERIFY(evaluationStandardExport(IEEE2001));

        QVERIFY(!evaluationStandardExport(None));
        QVERIFY(!evaluationStandardExport(static_cast<eEvaluationStandard>(3)));
        QVERIFY(evaluationStandardExport(QList<eEvaluationStandard>{}));
    }

    void exportUserFiles()
    {
        TempRoot root;
        QVERIFY(!root.insertStick().isEmpty());
        QVERIFY(root.writeFile(kFolder + "/one.tds", named("One")));
        QVERIFY(root.writeFile(kFolder + "/two.tds", named("Two")));
        QVERIFY(root.writeFile(kStick + "/tanDelta/one.tds", "stale"));
        // The ids before the one out of range are exported; then the answer is false.
        QVERIFY(!evaluationStandardExport(
            QList<eEvaluationStandard>{userStandardId(0), IEEE2013, userStandardId(2), userStandardId(1)}));
        QCOMPARE(root.readFile(kStick + "/tanDelta/one.tds"), named("One"));
        QVERIFY(QFileInfo::exists(root.path(kStick + "/tanDelta/1_5Uo.tds")));
        QVERIFY(!QFileInfo::exists(root.path(kStick + "/tanDelta/two.tds")));
        QVERIFY(evaluationStandardExport(userStandardId(1)));
        QCOMPARE(root.readFile(kStick + "/tanDelta/two.tds"), named("Two"));
    }
};

QTEST_GUILESS_MAIN(TstTanDeltaFunctions)
#include "tst_tandeltafunctions.moc"
