#include "tandelta/TanDeltaCriteriaFolder.h"
#include "tandelta/TanDeltaLists.h"
#include "tandelta/TanDeltaStandardIEEE2001.h"
#include "tandelta/TanDeltaStandardIEEE2013.h"
#include "tandelta/TanDeltaStandardNone.h"
#include "tandelta/TanDeltaStandardUser.h"
#include "fakes/TempRoot.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTranslator>
#include <QtTest>

#include <cmath>

using namespace TanDelta::evaluation;
using Levels = QVector<unsigned short>;
using Values = QVector<TanDeltaMeasurementValues>;

namespace {

const QString kFolder = QStringLiteral("/home/root/mappedPaths/appdata/tanDelta");

TanDeltaMeasurementValues step(quint32 mean, qint64 stdDev = 0)
{
    TanDeltaMeasurementValues v;
    v.avgTanDelta = mean;
    v.stdDevTanDelta = stdDev;
    return v;
}

QJsonObject criterion(int idx, QJsonArray ats, QJsonArray bounds, bool active = true)
{
    return QJsonObject{{"idx", idx}, {"ats", ats}, {"bounds", bounds}, {"active", active}};
}

QJsonObject item(const QString& insulation, QJsonArray criteria, bool active = true)
{
    return QJsonObject{{"insulation", insulation}, {"criterias", criteria}, {"active", active}};
}

QByteArray criteriaFile(const QString& name, QJsonArray items)
{
    return QJsonDocument(QJsonObject{{"name", name}, {"items", items}}).toJson();
}

QByteArray resource(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QVector<int> factorsOf(const QVector<Standard::LevelsFactorTag>& tags)
{
    QVector<int> out;
    for (const auto& t : tags)
        out << t.factor;
    return out;
}

class FixedTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* key, const char*, int) const override
    {
        if (qstrcmp(context, "TanDelta") != 0)
            return QString();
        if (qstrcmp(key, "InsulationPE") == 0)
            return QStringLiteral("Polyethylen");
        // A language that writes the combined type as its English neighbour's name.
        if (qstrcmp(key, "InsulationPE_XLPE") == 0)
            return QStringLiteral("XLPE");
        return QString();
    }
    bool isEmpty() const override { return false; }
};

double product(qint64 raw) { return static_cast<double>(raw) * 1e-6; }

} // namespace

class TstTanDeltaUserStandard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Q_INIT_RESOURCE(tanDeltaStandards); }

    void emptyAndInactiveFiles()
    {
        TempRoot root;
        QVERIFY(root.writeFile(kFolder + "/a.tds",
                               criteriaFile("off", {item("PE", {criterion(0, {1}, {4, 50})}, false),
                                                    item("PILC", {criterion(0, {1}, {4, 50})}, false)})));
        StandardUser s(0);
        QCOMPARE(s.id(), userStandardId(0));
        QCOMPARE(s.name(), QStringLiteral("off"));
        QCOMPARE(s.pathToFile(), QFileInfo(root.path(kFolder + "/a.tds")).absoluteFilePath());
        for (int t = 0; t < 8; ++t)
            QVERIFY(!s.insulationSupported(static_cast<eInsulationType>(t)));
        QCOMPARE(s.classify(PE, {100}, {step(1000)}), EvaluationNotPossible);
        QVERIFY(s.getCriterions().isEmpty());
        QVERIFY(s.getTicksForCriterion(AvgTanDelta, PE).isEmpty());
        QVERIFY(s.requiredFactors(Standard::AllFactors).isEmpty());
        QCOMPARE(s.deltaTanDeltaFactors(), qMakePair(-1, -1));

        // The folder changed after the id was chosen.
        StandardUser gone(1);
        QCOMPARE(gone.id(), None);
        QVERIFY(gone.name().isEmpty());
        QVERIFY(gone.pathToFile().isEmpty());
        QCOMPARE(StandardUser(-1).id(), None);
    }

    void insulationNames()
    {
        QCOMPARE(StandardUser::insulationFromText("PE"), int(PE));
        QCOMPARE(StandardUser::insulationFromText("xlpe"), int(XLPE));
        QCOMPARE(StandardUser::insulationFromText("TRXLPE"), int(TRXLPE));
        QCOMPARE(StandardUser::insulationFromText("tr-xlpe"), int(TRXLPE));
        QCOMPARE(StandardUser::insulationFromText("MIXED"), int(Mixed));
        QCOMPARE(StandardUser::insulationFromText("mixed"), int(Mixed));
        QCOMPARE(StandardUser::insulationFromText("PE/XLPE"), int(PE_XLPE));
        QCOMPARE(StandardUser::insulationFromText("pe_xlpe"), int(PE_XLPE));
        QCOMPARE(StandardUser::insulationFromText("Unknown"), -1);
        QCOMPARE(StandardUser::insulationFromText(""), -1);
        QCOMPARE(StandardUser::insulationFromText("Polyethylen"), -1);

        // In another interface language the current text matches as well as the English one.
        FixedTranslator german;
        QVERIFY(QCoreApplication::installTranslator(&german));
        QCOMPARE(StandardUser::insulationFromText("polyethylen"), int(PE));
        QCOMPARE(StandardUser::insulationFromText("PE"), int(PE));
        // The English name of a type wins over another type's text in that language.
        QCOMPARE(StandardUser::insulationFromText("XLPE"), int(XLPE));
        QCoreApplication::removeTranslator(&german);
    }

    void loadingRules()
    {
        TempRoot root;
        const QJsonArray items{
            item("Unknown", {criterion(0, {1}, {4, 50})}),
            item("mixed", {criterion(0, {1}, {1, 2})}),
            item("MIXED", {criterion(0, {1}, {4, 50}), criterion(0, {1.5}, {7, 8}), criterion(3, {2}, {1, 2}),
                           QJsonObject{{"ats", QJsonArray{2}}, {"bounds", QJsonArray{1, 2}}, {"active", true}},
                           criterion(1, {0.333}, {"x", 4, 50}), criterion(2, {0.29, 1e300, -1, "y"}, {1, 2}, false)}),
            item("TRXLPE", {criterion(2, {1.5, 0.5}, {-50, -35, 10, 100}), criterion(1, {1}, {0.1, 1.3})}),
        };
        QVERIFY(root.writeFile(kFolder + "/A.tds", criteriaFile("rules", items)));
        StandardUser s(0);
        QVERIFY(s.insulationSupported(Mixed));
        QVERIFY(s.insulationSupported(TRXLPE));
        QVERIFY(!s.insulationSupported(PE));
        // Later entries replace earlier ones; idx 3 and a missing idx are left out.
        QCOMPARE(s.getTicksForCriterion(AvgTanDelta, Mixed), (QVector<double>{0.007, 0.008}));
        QCOMPARE(s.getTicksForCriterion(StdDevTanDelta, Mixed), (QVector<double>{0.004, 0.05}));
        QVERIFY(s.getTicksForCriterion(DeltaTanDelta, Mixed).isEmpty());
        QCOMPARE(s.getTicksForCriterion(StdDevTanDelta, TRXLPE), (QVector<double>{0.0001, 0.0013}));
        QCOMPARE(s.getTicksForCriterion(DeltaTanDelta, TRXLPE), (QVector<double>{-0.05, -0.035, 0.01, 0.1}));
        QCOMPARE(s.getCriterions(), (QList<eCriterion>{AvgTanDelta, StdDevTanDelta, DeltaTanDelta}));
        // 1.5 -> 150, 0.333 -> 33, 1 -> 100, 0.5 -> 50.
        QCOMPARE(factorsOf(s.requiredFactors(Standard::AllFactors)), (QVector<int>{33, 50, 100, 150}));
        QCOMPARE(factorsOf(s.requiredFactors(Standard::DeltaTanDeltaFactors)), (QVector<int>{33, 50, 100, 150}));
        QCOMPARE(s.deltaTanDeltaFactors(), qMakePair(50, 150));

        // Level conversion truncates the double product: 0.29 x 100 is 28.999...
        QVERIFY(root.writeFile(kFolder + "/B.tds",
                               criteriaFile("ats", {item("PE", {criterion(2, {0.29, 1e300, -1, "y", 2.5}, {1, 2})})})));
        StandardUser b(1);
        QCOMPARE(factorsOf(b.requiredFactors(Standard::AllFactors)), (QVector<int>{28, 250}));
    }

    void listingAndFactory()
    {
        TempRoot root;
        const QByteArray good = criteriaFile("x", {item("PE", {criterion(0, {1}, {4, 50})})});
        QVERIFY(root.writeFile(kFolder + "/b.tds", criteriaFile("Bee", {item("PE", {criterion(0, {1}, {4, 50})})})));
        QVERIFY(root.writeFile(kFolder + "/A.tds", criteriaFile("Ay", {item("PE", {criterion(0, {1}, {4, 50})})})));
        // Malformed files keep their places in the listing but evaluate nothing.
        QVERIFY(root.writeFile(kFolder + "/a0.tds", "{ broken"));
        QVERIFY(root.writeFile(kFolder + "/a1.tds", R"({"items": {"PE": 1}})"));
        QVERIFY(root.writeFile(kFolder + "/a2.tds", R"({"items": [{"insulation": "PE", "active": true}]})"));
        QVERIFY(root.writeFile(kFolder + "/a3.tds",
                               R"({"items": [{"insulation": "PE", "active": true, "criterias": [
                                   {"idx": 0, "active": true, "ats": [1], "bounds": ["a", "b"]}]}]})"));
        QVERIFY(root.writeFile(kFolder + "/a4.tds", R"([1, 2])"));
        QVERIFY(root.writeFile(kFolder + "/a5.tds",
                               R"({"items": [{"insulation": 7, "active": true, "criterias": []}]})"));
        QVERIFY(root.writeFile(kFolder + "/a6.tds",
                               R"({"items": [{"insulation": "PE", "active": true, "criterias": [
                                   {"idx": 0, "active": true, "ats": 1, "bounds": [1, 2]}]}]})"));
        QVERIFY(root.writeFile(kFolder + "/a7.tds", QByteArray("\xff\xfe{", 3)));
        // Too large to be read, however good its content.
        QVERIFY(root.writeFile(kFolder + "/a8.tds", good + QByteArray(int(kMaxCriteriaFileSize), ' ')));
        const QFileInfoList listing = criteriaFileListing();
        QStringList names;
        for (const QFileInfo& f : listing)
            names << f.fileName();
        QCOMPARE(names, (QStringList{"A.tds", "a0.tds", "a1.tds", "a2.tds", "a3.tds", "a4.tds", "a5.tds", "a6.tds",
                                     "a7.tds", "a8.tds", "b.tds"}));

        const auto first = Standard::makeShared(userStandardId(0));
        QCOMPARE(first->id(), userStandardId(0));
        QCOMPARE(first->name(), QStringLiteral("Ay"));
        QVERIFY(first.dynamicCast<StandardUser>());
        QCOMPARE(Standard::makeShared(userStandardId(10))->name(), QStringLiteral("Bee"));
        for (int n = 1; n <= 9; ++n) {
            const auto bad = Standard::makeShared(userStandardId(n)).dynamicCast<StandardUser>();
            QVERIFY(bad);
            QCOMPARE(bad->id(), userStandardId(n));
            QVERIFY(!criteriaFileUsable(listing.at(n)));
            QVERIFY2(bad->name().startsWith(listing.at(n).completeBaseName() + " ("), qPrintable(bad->name()));
            QVERIFY(!bad->insulationSupported(PE));
            QCOMPARE(bad->classify(PE, {100}, {step(1000)}), EvaluationNotPossible);
        }
        QVERIFY(criteriaFileUsable(listing.at(0)));
        QCOMPARE(Standard::makeShared(userStandardId(11))->id(), None);
        QVERIFY(Standard::makeShared(userStandardId(11)).dynamicCast<StandardNone>());
    }

    // One malformed file must not move the ids stored in records and settings for the
    // files after it: each keeps the standard, and so the verdicts, it had.
    void malformedFileKeepsTheIdsOfTheOthers()
    {
        TempRoot root;
        const Levels levels{100};
        QVERIFY(root.writeFile(kFolder + "/a.tds", criteriaFile("first", {item("PE", {criterion(0, {1}, {4, 50})})})));
        QVERIFY(root.writeFile(kFolder + "/b.tds", R"({"items": [{"insulation": "PE", "active": true}]})"));
        QVERIFY(root.writeFile(kFolder + "/c.tds", criteriaFile("third", {item("PE", {criterion(0, {1}, {20, 30})})})));
        const auto third = Standard::makeShared(userStandardId(2));
        QCOMPARE(third->id(), userStandardId(2));
        QCOMPARE(third.dynamicCast<StandardUser>()->name(), QStringLiteral("third"));
        // A mean of 0.01 is judged by the third file's own edges, not by the first's.
        QCOMPARE(third->classify(PE, levels, {step(10000)}), NoActionRequired);
        QCOMPARE(Standard::makeShared(userStandardId(0))->classify(PE, levels, {step(10000)}), FurtherStudyAdvised);
        QCOMPARE(third->classify(PE, levels, {step(25000)}), FurtherStudyAdvised);
        QCOMPARE(Standard::makeShared(userStandardId(1))->classify(PE, levels, {step(25000)}), EvaluationNotPossible);
        QCOMPARE(allEvaluationStandards().size(), 3 + 3);

        // The bad file mended in place is another standard: its own number evaluates, the
        // old one still judges as it did; the others keep theirs.
        QVERIFY(root.writeFile(kFolder + "/b.tds", criteriaFile("second", {item("PE", {criterion(0, {1}, {1, 2})})})));
        QCOMPARE(allEvaluationStandards().mid(3), (QVector<eEvaluationStandard>{userStandardId(0), userStandardId(3),
                                                                                 userStandardId(2)}));
        QCOMPARE(Standard::makeShared(userStandardId(3))->classify(PE, levels, {step(1500)}), FurtherStudyAdvised);
        QCOMPARE(Standard::makeShared(userStandardId(1))->classify(PE, levels, {step(1500)}), EvaluationNotPossible);
        QCOMPARE(Standard::makeShared(userStandardId(2))->classify(PE, levels, {step(25000)}), FurtherStudyAdvised);
    }

    void classifyRules()
    {
        TempRoot root;
        const QJsonArray items{
            item("PE", {criterion(0, {1}, {4, 50}), criterion(1, {1}, {0.1, 0.5}), criterion(2, {1.5, 0.5}, {5, 80})}),
            item("PILC", {criterion(2, {0.5, 1.5}, {-50, -35, 10, 100})}),
            item("EPR", {criterion(0, {}, {4, 50}), criterion(2, {1.5}, {1, 2})}),
            item("XLPE", {criterion(0, {1}, {4, 50, 60})}),
        };
        QVERIFY(root.writeFile(kFolder + "/a.tds", criteriaFile("rules", items)));
        StandardUser s(0);
        const Levels levels{50, 100, 150};
        QCOMPARE(s.classify(PE, levels, {step(1000), step(3000, 50), step(4000)}), NoActionRequired);
        // The mean on its lower edge.
        QCOMPARE(s.classify(PE, levels, {step(1000), step(4000, 50), step(4000)}), FurtherStudyAdvised);
        // On the upper edge a user standard already says action required.
        QCOMPARE(s.classify(PE, levels, {step(1000), step(3000, 500), step(4000)}), ActionRequired);
        QCOMPARE(s.classify(PE, levels, {step(1000), step(3000, 499), step(4000)}), FurtherStudyAdvised);
        QCOMPARE(s.classify(PE, levels, {step(0), step(3000, 50), step(80000)}), ActionRequired);
        // Four edges, both ends of the good band included.
        QCOMPARE(s.classify(PILC, levels, {step(60000), step(1), step(25000)}), NoActionRequired);
        QCOMPARE(s.classify(PILC, levels, {step(60000), step(1), step(20000)}), FurtherStudyAdvised);
        QCOMPARE(s.classify(PILC, levels, {step(60000), step(1), step(0)}), ActionRequired);
        QCOMPARE(s.classify(PILC, levels, {step(0), step(1), step(10000)}), NoActionRequired);
        QCOMPARE(s.classify(PILC, levels, {step(0), step(1), step(100000)}), FurtherStudyAdvised);
        QCOMPARE(s.classify(PILC, levels, {step(0), step(1), step(100001)}), ActionRequired);
        // Criteria without enough levels or with three edges give no verdict.
        QCOMPARE(s.classify(EPR, levels, {step(0), step(1), step(100001)}), NoVerdict);
        QCOMPARE(s.classify(XLPE, levels, {step(0), step(99999), step(1)}), NoVerdict);
        // Every level any criterion of the file needs must be there.
        QCOMPARE(s.classify(PE, {50, 150}, {step(1000), step(4000)}), EvaluationNotPossible);
        QCOMPARE(s.classify(PE, levels, {step(1000), step(3000)}), EvaluationNotPossible);
        QCOMPARE(s.classify(PVC, levels, {step(1000), step(3000), step(4000)}), EvaluationNotPossible);
        // A step without a valid value is no evaluation, not a condemned cable.
        QCOMPARE(s.classify(PE, levels, {step(1000), step(TanDeltaNone, 50), step(4000)}), EvaluationNotPossible);
        QCOMPARE(s.classify(PILC, levels, {step(TanDeltaNone), step(1), step(4000)}), EvaluationNotPossible);

        QCOMPARE(s.deltaTanDeltaFactors(), qMakePair(50, 150));
        QCOMPARE(s.deltaTanDeltaFactorsIndex({50, 100, 40, 50, 100, 150}), qMakePair(3, 5));
        QCOMPARE(s.deltaTanDeltaFactorsIndex({150, 50}), qMakePair(-1, -1));
        QCOMPARE(s.deltaTanDelta(levels, {step(1000), step(1), step(3500)}).value_or(0), qint64(2500));
        QCOMPARE(s.indexU0({100, 50, 100, 150}), 2);
    }

    void shippedFilesCarryTheTables()
    {
        const QJsonObject f13 = QJsonDocument::fromJson(resource(":/tanDeltaStandards/1_5Uo.tds")).object();
        const QJsonObject f01 = QJsonDocument::fromJson(resource(":/tanDeltaStandards/2Uo.tds")).object();
        QCOMPARE(f13.value("_id").toString(), QStringLiteral("{94fba13a-8888-40da-90cc-03e93127ebdc}"));
        QCOMPARE(f01.value("_id").toString(), QStringLiteral("{27908ac4-6e7e-4371-b6c7-ecb561bf15de}"));
        QCOMPARE(f13.value("comment").toString(), QStringLiteral("2013"));
        QCOMPARE(f01.value("comment").toString(), QStringLiteral("2013, Annex I"));
        QCOMPARE(f13.value("name").toString(), QString::fromUtf8("IEEE 400.2 (1.5 U\xE2\x82\x80)"));
        QCOMPARE(f01.value("name").toString(), QString::fromUtf8("IEEE 400.2 (2.0 U\xE2\x82\x80)"));
        const QJsonObject tutu{{"minuend", QJsonObject{{"minuend", 1.5}, {"subtrahend", 1}}},
                               {"subtrahend", QJsonObject{{"minuend", 1}, {"subtrahend", 0.5}}}};
        for (const QJsonObject& f : {f13, f01}) {
            QCOMPARE(f.value("software").toString(), QStringLiteral("Orvellum"));
            QCOMPARE(f.value("timestamp").toString(), QStringLiteral("1970-01-01T00:00:00.000"));
            QCOMPARE(f.value("version").toString(), QStringLiteral("3.2.0 DEV"));
            QCOMPARE(f.value("tutu").toObject(), tutu);
            QStringList order;
            for (const QJsonValue& i : f.value("items").toArray()) {
                order << i.toObject().value("insulation").toString();
                const bool active = i.toObject().value("active").toBool();
                QCOMPARE(active, order.size() <= 5);
                QCOMPARE(i.toObject().value("criterias").toArray().size(), 3);
            }
            QCOMPARE(order, (QStringList{"PE", "XLPE", "TRXLPE", "PILC", "EPR", "Unknown", "MIXED", "PVC"}));
        }
        QVERIFY(criteriaFileProblem(resource(":/tanDeltaStandards/1_5Uo.tds")).isEmpty());
        QVERIFY(criteriaFileProblem(resource(":/tanDeltaStandards/2Uo.tds")).isEmpty());

        // Imported, their bounds are the built-in tables.
        TempRoot root;
        QVERIFY(root.writeFile(kFolder + "/1_5Uo.tds", resource(":/tanDeltaStandards/1_5Uo.tds")));
        QVERIFY(root.writeFile(kFolder + "/2Uo.tds", resource(":/tanDeltaStandards/2Uo.tds")));
        const StandardUser u13(0);
        const StandardUser u01(1);
        QCOMPARE(u13.name(), f13.value("name").toString());
        QCOMPARE(u01.name(), f01.value("name").toString());
        const StandardIEEE2013 b13;
        const StandardIEEE2001 b01;
        for (eInsulationType t : {PE, XLPE, TRXLPE, PILC, EPR}) {
            for (eCriterion c : {AvgTanDelta, StdDevTanDelta, DeltaTanDelta}) {
                QCOMPARE(u13.getTicksForCriterion(c, t), b13.getTicksForCriterion(c, t));
                QCOMPARE(u01.getTicksForCriterion(c, t), b01.getTicksForCriterion(c, t));
            }
        }
        for (eInsulationType t : {PE_XLPE, Mixed, PVC}) {
            QVERIFY(!u13.insulationSupported(t));
            QVERIFY(!u01.insulationSupported(t));
        }
        QCOMPARE(factorsOf(u13.requiredFactors(Standard::AllFactors)), (QVector<int>{50, 100, 150}));
        QCOMPARE(factorsOf(u01.requiredFactors(Standard::AllFactors)), (QVector<int>{100, 200}));
        QCOMPARE(u13.deltaTanDeltaFactors(), b13.deltaTanDeltaFactors());
        QCOMPARE(u01.deltaTanDeltaFactors(), b01.deltaTanDeltaFactors());
    }

    // The imported tables judge like the built-in ones, except where a value sits exactly
    // on the upper edge of a two-edge criterion: there the file's rule says action required.
    void shippedFilesJudgeLikeTheBuiltIns()
    {
        TempRoot root;
        QVERIFY(root.writeFile(kFolder + "/1_5Uo.tds", resource(":/tanDeltaStandards/1_5Uo.tds")));
        QVERIFY(root.writeFile(kFolder + "/2Uo.tds", resource(":/tanDeltaStandards/2Uo.tds")));
        const StandardUser u13(0);
        const StandardUser u01(1);
        const StandardIEEE2013 b13;
        const StandardIEEE2001 b01;
        struct Pair {
            const Standard* user;
            const Standard* builtIn;
            bool edition2013;
        };
        int compared = 0;
        int upperEdgeCases = 0;
        for (const Pair& p : {Pair{&u13, &b13, true}, Pair{&u01, &b01, false}}) {
            for (eInsulationType t : {PE, XLPE, TRXLPE, PILC, EPR}) {
                auto candidates = [&](eCriterion c) {
                    QVector<qint64> raws{0};
                    for (double e : p.builtIn->getTicksForCriterion(c, t))
                        for (qint64 o : {-1, 0, 1})
                            raws << std::llround(e * 1e6) + o;
                    return raws;
                };
                const QVector<double> sEdges = p.builtIn->getTicksForCriterion(StdDevTanDelta, t);
                const QVector<double> dEdges = p.builtIn->getTicksForCriterion(DeltaTanDelta, t);
                const QVector<double> mEdges = p.builtIn->getTicksForCriterion(AvgTanDelta, t);
                for (qint64 s : candidates(StdDevTanDelta)) {
                    for (qint64 d : candidates(DeltaTanDelta)) {
                        for (qint64 m : candidates(AvgTanDelta)) {
                            if (s < 0 || m < 0)
                                continue;
                            Levels levels;
                            Values values;
                            qint64 seenM = m;
                            if (p.edition2013) {
                                const qint64 low = d < 0 ? -d : 0;
                                levels = {50, 100, 150};
                                values = {step(quint32(low)), step(quint32(m), s), step(quint32(low + d))};
                            } else {
                                if (m - d < 0)
                                    continue; // the 2.0 U0 step carries both the mean and the delta
                                levels = {100, 200};
                                values = {step(quint32(m - d)), step(quint32(m), s)};
                            }
                            const eEvaluationResult builtIn = p.builtIn->classify(t, levels, values);
                            const eEvaluationResult user = p.user->classify(t, levels, values);
                            const bool onUpperEdge = product(s) == sEdges[1] || product(seenM) == mEdges[1] ||
                                                     (dEdges.size() == 2 && product(d) == dEdges[1]);
                            if (onUpperEdge && builtIn != ActionRequired) {
                                QCOMPARE(builtIn, FurtherStudyAdvised);
                                QCOMPARE(user, ActionRequired);
                                ++upperEdgeCases;
                            } else {
                                QVERIFY2(user == builtIn, qPrintable(QStringLiteral("%1 t%2 s%3 d%4 m%5: %6 vs %7")
                                                                         .arg(p.builtIn->id())
                                                                         .arg(t)
                                                                         .arg(s)
                                                                         .arg(d)
                                                                         .arg(m)
                                                                         .arg(user)
                                                                         .arg(builtIn)));
                            }
                            ++compared;
                        }
                    }
                }
            }
        }
        QVERIFY(compared > 2000);
        QVERIFY(upperEdgeCases > 0);
    }
};

QTEST_GUILESS_MAIN(TstTanDeltaUserStandard)
#include "tst_tandeltauserstandard.moc"
