#include "tandelta/TanDeltaLists.h"
#include "tandelta/TanDeltaStandard.h"
#include "tandelta/TanDeltaStrings.h"
#include "fakes/TempRoot.h"

#include <QTranslator>
#include <QtTest>

using namespace TanDelta::evaluation;
using namespace TanDelta::strings;

namespace {

const QString kFolder = QStringLiteral("/home/root/mappedPaths/appdata/tanDelta");

// A catalogue with exactly the entries given.
class MapTranslator : public QTranslator {
public:
    QHash<QString, QString> entries; // "context|key|disambiguation"
    QString translate(const char* context, const char* key, const char* disambiguation, int) const override
    {
        return entries.value(QString::fromUtf8(context) + QLatin1Char('|') + QString::fromUtf8(key) +
                             QLatin1Char('|') + QString::fromUtf8(disambiguation ? disambiguation : ""));
    }
    bool isEmpty() const override { return entries.isEmpty(); }
};

} // namespace

class TstTanDeltaStrings : public QObject {
    Q_OBJECT

    QTranslator m_english;
    MapTranslator m_errorMessages;

private slots:
    void initTestCase()
    {
        QVERIFY(m_english.load(QStringLiteral(VLF_ENGLISH_QM)));
        QVERIFY(QCoreApplication::installTranslator(&m_english));
        // The fallback text belongs to another context's catalogue.
        m_errorMessages.entries.insert(QStringLiteral("ErrorMessages|InternalSWError|"),
                                       QStringLiteral("Internal software error"));
        QVERIFY(QCoreApplication::installTranslator(&m_errorMessages));
    }

    void insulationTexts()
    {
        const QStringList english{"PE/XLPE", "PILC", "Mixed", "EPR", "PVC", "TR-XLPE", "PE", "XLPE"};
        const QVector<eInsulationType> all = allInsulationTypes();
        QCOMPARE(all.size(), 8);
        for (int i = 0; i < all.size(); ++i) {
            QCOMPARE(int(all[i]), i);
            QCOMPARE(insulationTypeToText(all[i], nullptr), english[i]);
        }
        QCOMPARE(insulationTypeToText(static_cast<eInsulationType>(8), nullptr), QStringLiteral("Internal software error"));
        QCOMPARE(insulationTypeToText(static_cast<eInsulationType>(-1), nullptr), QStringLiteral("Internal software error"));
    }

    void criterionTexts()
    {
        QCOMPARE(criterionToText(AvgTanDelta, nullptr), QStringLiteral("Avg. TD"));
        QCOMPARE(criterionToText(StdDevTanDelta, nullptr), QString::fromUtf8("\xCF\x83"));
        QCOMPARE(criterionToText(DeltaTanDelta, nullptr), QString::fromUtf8("\xCE\x94tan\xCE\xB4"));
        QCOMPARE(criterionToText(static_cast<eCriterion>(3), nullptr), QStringLiteral("Internal software error"));
    }

    void resultTexts()
    {
        const QStringList english{"action required",  "further study advised",   "no action required", "No data",
                                  "No evaluation",    "Evaluation not possible", "Phase not measured"};
        for (int i = 0; i < english.size(); ++i)
            QCOMPARE(evaluationResultText(static_cast<eEvaluationResult>(i), nullptr), english[i]);
        QVERIFY(evaluationResultText(NoVerdict, nullptr).isEmpty());
        QCOMPARE(evaluationResultText(static_cast<eEvaluationResult>(7), nullptr), QStringLiteral("Internal software error"));
        QCOMPARE(evaluationResultText(static_cast<eEvaluationResult>(-2), nullptr), QStringLiteral("Internal software error"));
    }

    void errorTexts()
    {
        QVERIFY(evaluationErrorText(NoError, nullptr).isEmpty());
        QCOMPARE(evaluationErrorText(VoltageLevelsNotSupported, nullptr), QStringLiteral("Volage steps not supported!"));
        QCOMPARE(evaluationErrorText(InsulationNotSupported, nullptr), QStringLiteral("Insulation not supported"));
        QCOMPARE(evaluationErrorText(FrequencyNotSupported, nullptr), QStringLiteral("Frequency not supported!"));
        for (unsigned combined : {3u, 5u, 6u, 7u, 8u})
            QCOMPARE(evaluationErrorText(static_cast<eEvaluationError>(combined), nullptr),
                     QStringLiteral("Internal software error"));
    }

    void errorCodes()
    {
        QVERIFY(errorCodeText(0, QLatin1Char(','), nullptr).isEmpty());
        QCOMPARE(errorCodeText(8, QLatin1Char(','), nullptr), QStringLiteral("Evaluation not possible"));
        QCOMPARE(errorCodeText(3, QLatin1Char('\n'), nullptr),
                 QStringLiteral("Evaluation not possible\nVolage steps not supported!\nInsulation not supported"));
        QCOMPARE(errorCodeText(0xFFFFFFFFu, QLatin1Char(';'), nullptr),
                 QStringLiteral("Evaluation not possible;Volage steps not supported!;Insulation not supported;"
                                "Frequency not supported!"));
        QCOMPARE(errorCodeText(4, QLatin1Char(' '), nullptr),
                 QStringLiteral("Evaluation not possible Frequency not supported!"));
    }

    void standardTextsAndList()
    {
        TempRoot root;
        QCOMPARE(evaluationStandardToText(None, nullptr), QStringLiteral("None"));
        QCOMPARE(evaluationStandardToText(IEEE2001, nullptr), QStringLiteral("IEEE 400.2 (2U0)"));
        QCOMPARE(evaluationStandardToText(IEEE2013, nullptr), QStringLiteral("IEEE 400.2 (1.5U0)"));
        QCOMPARE(Standard::makeShared(IEEE2013)->name(), QStringLiteral("IEEE 400.2 (1.5U0)"));
        for (int id : {3, 999, -1, 1000})
            QCOMPARE(evaluationStandardToText(static_cast<eEvaluationStandard>(id), nullptr),
                     QStringLiteral("Internal software error"));
        // No folder at all.
        QCOMPARE(allEvaluationStandards(), (QVector<eEvaluationStandard>{None, IEEE2001, IEEE2013}));

        QVERIFY(root.writeFile(kFolder + "/b.tds", R"({"name": "Bee standard", "items": []})"));
        QVERIFY(root.writeFile(kFolder + "/my.std.tds", R"({"items": []})"));
        const char cut[] = "{\"name\": \"Cut\", \"items\": []}\0{\"name\": 1";
        QVERIFY(root.writeFile(kFolder + "/C.tds", QByteArray(cut, sizeof(cut) - 1)));
        QVERIFY(root.writeFile(kFolder + "/.hidden.tds", R"({"name": "hidden", "items": []})"));
        QVERIFY(root.writeFile(kFolder + "/notes.txt", R"({"name": "text", "items": []})"));
        QVERIFY(root.mkdir(kFolder + "/folder.tds"));
        // Files the evaluation cannot use keep their places and show as unusable.
        QVERIFY(root.writeFile(kFolder + "/D.tds", "not json"));
        QVERIFY(root.writeFile(kFolder + "/E.tds", R"({"name": 42, "items": []})"));

        // Sorted by name, case ignored: b, C, D, E, my.std
        QCOMPARE(allEvaluationStandards(), (QVector<eEvaluationStandard>{None, IEEE2001, IEEE2013, userStandardId(0),
                                                                          userStandardId(1), userStandardId(2),
                                                                          userStandardId(3), userStandardId(4)}));
        QCOMPARE(evaluationStandardToText(userStandardId(0), nullptr), QStringLiteral("Bee standard"));
        QCOMPARE(evaluationStandardToText(userStandardId(1), nullptr), QStringLiteral("Cut"));
        QCOMPARE(evaluationStandardToText(userStandardId(2), nullptr), QStringLiteral("D (Evaluation not possible)"));
        QCOMPARE(evaluationStandardToText(userStandardId(3), nullptr), QStringLiteral("E (Evaluation not possible)"));
        QCOMPARE(evaluationStandardToText(userStandardId(4), nullptr), QStringLiteral("my.std"));
        QCOMPARE(evaluationStandardToText(userStandardId(5), nullptr), QStringLiteral("Internal software error"));

        // A file sorting first is listed first under the next number; the others keep theirs.
        QVERIFY(root.writeFile(kFolder + "/A.tds", R"({"name": "First", "items": []})"));
        QCOMPARE(allEvaluationStandards().at(3), userStandardId(5));
        QCOMPARE(evaluationStandardToText(userStandardId(5), nullptr), QStringLiteral("First"));
        QCOMPARE(evaluationStandardToText(userStandardId(0), nullptr), QStringLiteral("Bee standard"));
        QCOMPARE(allEvaluationStandards().size(), 9);
    }

    void ownTranslator()
    {
        // A translator without the entries gives empty texts; fixed texts stay.
        MapTranslator empty;
        empty.entries.insert(QStringLiteral("TanDelta|Unrelated|"), QStringLiteral("x"));
        QVERIFY(insulationTypeToText(PE, &empty).isEmpty());
        QVERIFY(evaluationResultText(ActionRequired, &empty).isEmpty());
        QVERIFY(evaluationStandardToText(None, &empty).isEmpty());
        QVERIFY(insulationTypeToText(static_cast<eInsulationType>(9), &empty).isEmpty());
        QCOMPARE(criterionToText(StdDevTanDelta, &empty), QString(QChar(0x03C3)));
        QCOMPARE(evaluationStandardToText(IEEE2001, &empty), QStringLiteral("IEEE 400.2 (2U0)"));
        QCOMPARE(errorCodeText(1, QLatin1Char('|'), &empty), QStringLiteral("|"));

        // The translator is asked with the key, context and disambiguation.
        MapTranslator german;
        german.entries.insert(QStringLiteral("TanDelta|InsulationEPR|Ethylene-Propylene Rubber"),
                              QStringLiteral("EPR-de"));
        german.entries.insert(QStringLiteral("TanDelta|ResultActionRequired|"), QStringLiteral("Handlungsbedarf"));
        german.entries.insert(QStringLiteral("ErrorMessages|InternalSWError|"), QStringLiteral("Interner Fehler"));
        QCOMPARE(insulationTypeToText(EPR, &german), QStringLiteral("EPR-de"));
        QCOMPARE(evaluationResultText(ActionRequired, &german), QStringLiteral("Handlungsbedarf"));
        QCOMPARE(criterionToText(static_cast<eCriterion>(5), &german), QStringLiteral("Interner Fehler"));
    }

    void withoutCatalogueTheKeyShows()
    {
        QCoreApplication::removeTranslator(&m_english);
        const QString pe = insulationTypeToText(PE_XLPE, nullptr);
        const QString epr = insulationTypeToText(EPR, nullptr);
        QVERIFY(QCoreApplication::installTranslator(&m_english));
        QCOMPARE(pe, QStringLiteral("InsulationPE_XLPE"));
        QCOMPARE(epr, QStringLiteral("InsulationEPR"));
    }
};

QTEST_GUILESS_MAIN(TstTanDeltaStrings)
#include "tst_tandeltastrings.moc"
