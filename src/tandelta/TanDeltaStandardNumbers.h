#pragma once

#include "datamodel/TanDeltaTypes.h"

#include <QFileInfo>
#include <QString>
#include <QVector>

namespace TanDelta {
namespace evaluation {

// The numbers of the user standards. Records, settings and peers keep only a standard's
// number, so a number once given names that standard's limits for good: it is never given
// to another file, and a file removed or changed keeps its limits, out of the list, for
// the tests that name it (a changed file gets a new number). The numbers and a copy of
// each numbered file live in the hidden folder ".standards" of the criteria folder; a
// folder without it gets the numbers of its listing (1000 + position) once.

// A criteria file of the listing with its number.
struct InstalledStandard {
    eEvaluationStandard id = None;
    QFileInfo file;
};

// What a user standard's number stands for.
struct NumberedStandard {
    eEvaluationStandard id = None; // None: the number was never given
    QString fileName;              // the criteria file it was given to
    QString limitsPath;            // the copy of that file as numbered; empty when none was kept
    QFileInfo installed;           // the listed file it names now; no file when it is gone
    bool isInstalled() const { return !installed.filePath().isEmpty(); }
};

// The listed criteria files in listing order with their numbers; a file not numbered yet
// gets the next free number.
QVector<InstalledStandard> installedUserStandards();
// The same numbering alone; false when a number given could not be stored for good.
bool numberUserStandards();
// What the number stands for.
NumberedStandard numberedUserStandard(eEvaluationStandard id);

} // namespace evaluation
} // namespace TanDelta
