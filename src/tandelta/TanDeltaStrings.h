#pragma once

#include "datamodel/TanDeltaTypes.h"

#include <QChar>
#include <QString>

class QTranslator;

// Display texts of the tan delta enumerations. With a translator, its own translation
// (empty when it holds none); without one, the installed catalogues (else the key).
namespace TanDelta {
namespace strings {

QString insulationTypeToText(evaluation::eInsulationType insulation, QTranslator* translator);
QString criterionToText(evaluation::eCriterion criterion, QTranslator* translator);
QString evaluationResultText(evaluation::eEvaluationResult result, QTranslator* translator);
QString evaluationErrorText(evaluation::eEvaluationError error, QTranslator* translator);
// "Evaluation not possible" followed by the reason of each set bit, joined by separator.
QString errorCodeText(unsigned int code, QChar separator, QTranslator* translator);
QString evaluationStandardToText(evaluation::eEvaluationStandard standard, QTranslator* translator);

} // namespace strings
} // namespace TanDelta
