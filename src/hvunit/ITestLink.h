#pragma once

#include "hvunit/TPOF.h"

#include "datamodel/InstrumentTypes.h"

#include <QList>

// The HV-link operations the test worker calls, so that the worker can run against a
// scripted link in tests. Same arguments and results as the TPOF operations of the
// same names.
class ITestLink {
public:
    virtual ~ITestLink() = default;

    virtual int GetValue(TPOF::eCommandCode code, unsigned long long* values, unsigned short capacity,
                         unsigned short* count, bool longBudget = false,
                         const QList<unsigned long long>* payload = nullptr) = 0;
    virtual int SetValue(TPOF::eCommandCode code, unsigned long long value1 = 0, unsigned long long value2 = 0) = 0;
    virtual bool GetHVState() = 0;
    virtual bool StartTest() = 0;
    virtual int StopTest(SKP_Pevanto_StopFlags flags) = 0;
    virtual bool StartLoadDetection() = 0;
    virtual int GetParameter(eHVUnitParamType type, unsigned long long* value) = 0;
    virtual int SetParameter(eHVUnitParamType type, unsigned long long value) = 0;
    // The unit's temperature in degrees; false when it could not be read.
    virtual bool GetTemperature(int* degrees) = 0;
};
