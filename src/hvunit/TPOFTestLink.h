#pragma once

#include "hvunit/ITestLink.h"

// The test worker's view of the real HV link: every operation goes straight to TPOF.
class TPOFTestLink : public ITestLink {
public:
    explicit TPOFTestLink(TPOF* pof) : m_pof(pof) {}

    int GetValue(TPOF::eCommandCode code, unsigned long long* values, unsigned short capacity,
                 unsigned short* count, bool longBudget = false,
                 const QList<unsigned long long>* payload = nullptr) override;
    int SetValue(TPOF::eCommandCode code, unsigned long long value1 = 0, unsigned long long value2 = 0) override;
    bool GetHVState() override;
    bool StartTest() override;
    int StopTest(SKP_Pevanto_StopFlags flags) override;
    bool StartLoadDetection() override;
    int GetParameter(eHVUnitParamType type, unsigned long long* value) override;
    int SetParameter(eHVUnitParamType type, unsigned long long value) override;
    bool GetTemperature(int* degrees) override;

private:
    TPOF* m_pof;
};
