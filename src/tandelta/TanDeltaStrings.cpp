#include "tandelta/TanDeltaStrings.h"

#include "core/TransObject.h"
#include "tandelta/TanDeltaCriteriaFolder.h"
#include "tandelta/TanDeltaStandardNumbers.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>
#include <QTranslator>

namespace TanDelta {
namespace strings {

using namespace evaluation;

namespace {

const char* const kContext = "TanDelta";

struct Key {
    const char* key;
    const char* disambiguation;
};

QString translate(const char* context, const Key& k, QTranslator* translator)
{
    if (translator)
        return translator->translate(context, k.key, k.disambiguation, -1);
    return QCoreApplication::translate(context, k.key, k.disambiguation, -1);
}

QString internalError(QTranslator* translator)
{
    return translate("ErrorMessages", {QT_TRANSLATE_NOOP("ErrorMessages", "InternalSWError"), nullptr}, translator);
}

// Index = enum value.
const Key kInsulations[] = {
    {QT_TRANSLATE_NOOP("TanDelta", "InsulationPE_XLPE"), nullptr},
    {QT_TRANSLATE_NOOP("TanDelta", "InsulationPILC"), nullptr},
    {QT_TRANSLATE_NOOP("TanDelta", "InsulationMixed"), nullptr},
    QT_TRANSLATE_NOOP3("TanDelta", "InsulationEPR", "Ethylene-Propylene Rubber"),
    {QT_TRANSLATE_NOOP("TanDelta", "InsulationPVC"), nullptr},
    {QT_TRANSLATE_NOOP("TanDelta", "InsulationTRXLPE"), nullptr},
    {QT_TRANSLATE_NOOP("TanDelta", "InsulationPE"), nullptr},
    {QT_TRANSLATE_NOOP("TanDelta", "InsulationXLPE"), nullptr},
};

const Key kResults[] = {
    {QT_TRANSLATE_NOOP("TanDelta", "ResultActionRequired"), nullptr},
    {QT_TRANSLATE_NOOP("TanDelta", "ResultFurtherStudyAdvised"), nullptr},
    {QT_TRANSLATE_NOOP("TanDelta", "ResultNoActionRequired"), nullptr},
    {QT_TRANSLATE_NOOP("TanDelta", "ResultNoData"), nullptr},
    {QT_TRANSLATE_NOOP("TanDelta", "NoEvaluation"), nullptr},
    {QT_TRANSLATE_NOOP("TanDelta", "ResultEvaluationNotPossible"), nullptr},
    {QT_TRANSLATE_NOOP("TanDelta", "ResultEvaluationPhaseNotMeasured"), nullptr},
};

// The name stored in a criteria file, else its file name without the last extension;
// a malformed file is shown by its file name as not usable.
QString criteriaFileDisplayName(const QString& path, const QString& fileName, QTranslator* translator)
{
    // A usable file always holds its items.
    const QJsonObject content = path.isEmpty() ? QJsonObject() : criteriaFileContent(QFileInfo(path));
    const QString baseName = QFileInfo(fileName).completeBaseName();
    if (content.isEmpty())
        return QStringLiteral("%1 (%2)").arg(baseName, evaluationResultText(EvaluationNotPossible, translator));
    const QJsonValue name = content.value(QStringLiteral("name"));
    if (name.isString())
        return name.toString();
    return baseName;
}

} // namespace

QString insulationTypeToText(eInsulationType insulation, QTranslator* translator)
{
    const int i = static_cast<int>(insulation);
    if (i < 0 || i >= static_cast<int>(sizeof(kInsulations) / sizeof(kInsulations[0])))
        return internalError(translator);
    return translate(kContext, kInsulations[i], translator);
}

QString criterionToText(eCriterion criterion, QTranslator* translator)
{
    switch (criterion) {
    case AvgTanDelta: return translate(kContext, {QT_TRANSLATE_NOOP("TanDelta", "AvgTanDelta"), nullptr}, translator);
    case StdDevTanDelta: return QString(QChar(0x03C3));
    case DeltaTanDelta: return QString(QChar(0x0394)) + QStringLiteral("tan") + QChar(0x03B4);
    }
    return internalError(translator);
}

QString evaluationResultText(eEvaluationResult result, QTranslator* translator)
{
    const int i = static_cast<int>(result);
    if (i == -1)
        return QString();
    if (i < 0 || i >= static_cast<int>(sizeof(kResults) / sizeof(kResults[0])))
        return internalError(translator);
    return translate(kContext, kResults[i], translator);
}

QString evaluationErrorText(eEvaluationError error, QTranslator* translator)
{
    switch (error) {
    case NoError: return QString();
    case VoltageLevelsNotSupported:
        return translate(kContext, {QT_TRANSLATE_NOOP("TanDelta", "ResultVoltageLevelsNotSupported"), nullptr},
                         translator);
    case InsulationNotSupported:
        return translate(kContext, {QT_TRANSLATE_NOOP("TanDelta", "ResultInsulationNotSupported"), nullptr},
                         translator);
    case FrequencyNotSupported:
        return translate(kContext, {QT_TRANSLATE_NOOP("TanDelta", "ResultFrequencyNotSupported"), nullptr},
                         translator);
    }
    return internalError(translator);
}

QString errorCodeText(unsigned int code, QChar separator, QTranslator* translator)
{
    if (code == 0)
        return QString();
    QStringList texts{evaluationResultText(EvaluationNotPossible, translator)};
    for (const eEvaluationError bit : {VoltageLevelsNotSupported, InsulationNotSupported, FrequencyNotSupported}) {
        if (code & bit)
            texts << evaluationErrorText(bit, translator);
    }
    return texts.join(separator);
}

QString evaluationStandardToText(eEvaluationStandard standard, QTranslator* translator)
{
    const int id = static_cast<int>(standard);
    switch (id) {
    case None: return translate(kContext, {QT_TRANSLATE_NOOP("TanDelta", "CriterionNone"), nullptr}, translator);
    case IEEE2001: return QStringLiteral("IEEE 400.2 (2U0)");
    case IEEE2013: return QStringLiteral("IEEE 400.2 (1.5U0)");
    default: break;
    }
    if (id >= UserStandardBase) {
        const NumberedStandard numbered = numberedUserStandard(standard);
        if (numbered.isInstalled()) {
            const QString path = numbered.installed.absoluteFilePath();
            return criteriaFileDisplayName(path, path, translator);
        }
        // Named by the limits kept for the tests judged with it.
        if (numbered.id != None) {
            const QString fileName = numbered.fileName.isEmpty() ? numbered.limitsPath : numbered.fileName;
            return TransObject::fillArguments(
                translate(kContext, {QT_TRANSLATE_NOOP("TanDelta", "StandardNotInstalled"), nullptr}, translator),
                {criteriaFileDisplayName(numbered.limitsPath, fileName, translator)});
        }
    }
    return internalError(translator);
}

} // namespace strings
} // namespace TanDelta
