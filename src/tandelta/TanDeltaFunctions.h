#pragma once

#include "datamodel/TanDeltaTypes.h"

#include <QList>
#include <QString>

// Exchange of criteria files between the stick and the instrument's criteria folder.
// A user standard's id is the number its file was given (TanDeltaStandardNumbers); only
// installed ones are removed or exported. All report only success or failure.
namespace TanDelta {
namespace functions {

// Why an import was refused, where the operator can do something about it.
enum class ImportRefusal { None, TooLarge, NameTaken };

// Copies the criteria file at path into the criteria folder, named after its "name";
// true once the file and its number last a power cut. refusal (when given) tells why not.
bool evaluationStandardImport(QString path, ImportRefusal* refusal = nullptr);
bool evaluationStandardRemove(QList<evaluation::eEvaluationStandard> ids);
bool evaluationStandardRemove(evaluation::eEvaluationStandard id);
// Copies the standards' files, the built-in ones included, to "tanDelta" on the stick.
bool evaluationStandardExport(QList<evaluation::eEvaluationStandard> ids);
bool evaluationStandardExport(evaluation::eEvaluationStandard id);

} // namespace functions
} // namespace TanDelta
