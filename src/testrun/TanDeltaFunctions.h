#pragma once

#include "datamodel/TanDeltaTypes.h"

#include <QList>
#include <QString>

// Exchange of criteria files between the stick and the instrument's criteria folder.
// A user standard's id is the number its file was given (TanDeltaStandardNumbers); only
// installed ones are removed or exported. All report only success or failure.
namespace TanDelta {
namespace functions {

// Copies the criteria file at path into the criteria folder, named after its "name".
// tooLarge (when given) tells whether it was refused for its size.
bool evaluationStandardImport(QString path, bool* tooLarge = nullptr);
bool evaluationStandardRemove(QList<evaluation::eEvaluationStandard> ids);
bool evaluationStandardRemove(evaluation::eEvaluationStandard id);
// Copies the standards' files, the built-in ones included, to "tanDelta" on the stick.
bool evaluationStandardExport(QList<evaluation::eEvaluationStandard> ids);
bool evaluationStandardExport(evaluation::eEvaluationStandard id);

} // namespace functions
} // namespace TanDelta
