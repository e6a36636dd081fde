#pragma once

#include "datamodel/InstrumentTypes.h"
#include "logging/MessageCategories.h"

#include <QString>

#include <array>
#include <bitset>

// User texts of test results, HV-source states and safety-circuit elements. Every text
// is a translation key; the same message can be had translated or in its untranslated
// (English) form for the logs.
namespace ErrorMessages {

// One row per eTestResult, in code order; detail is null when the result has none.
struct ResultMessage {
    int code;
    const char* title;
    const char* detail;
};
extern const std::array<ResultMessage, TestResultCount> ResultMessages;

// Safety-circuit elements in scan order: bit of the safety state, element number shown
// to the user, translation context and key.
struct SafetyCircuitMessage {
    int bit;
    int number;
    const char* context;
    const char* key;
};
extern const std::array<SafetyCircuitMessage, 10> SafetyCircuitMessages;

// What the test worker gathers about the end of a test.
struct ResultDetails {
    eTestResult result = eTestResult_Unknown;
    OperatingModes::OperatingMode mode = OperatingModes::None;
    std::bitset<10> safetyCircuit;
    bool overload = false;       // the overload values are read for result 17 only
    quint64 overloadValue64 = 0;
    quint32 overloadValue32 = 0;
    bool hvSourceStatusKnown = false;
    quint16 hvSourceStatus = 0;  // low byte error, high byte state
};

// Flags of getErrorMessage.
enum eMessageFlags : unsigned {
    Translated = 0,
    Untranslated = 1, // English texts, pieces joined by blanks
    ShortForm = 2,    // no marker, no extra items, pieces joined by blanks
};

MessageCategories getErrorCategory(eTestResult result);
QString getErrorMessage(const ResultDetails& details, unsigned flags = Translated);

namespace HVSource {
// Translated name of the state in bits 8..15 of the HV-source status.
QString stateText(unsigned long long status);
// Translated name of the error in bits 0..7 of the HV-source status.
QString errorText(unsigned long long status);
} // namespace HVSource

} // namespace ErrorMessages

// Whether a test result is an error (every code from 2 on, up to 37).
bool isError(eTestResult result);
