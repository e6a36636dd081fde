#include "hvunit/TPOFTestLink.h"

int TPOFTestLink::GetValue(TPOF::eCommandCode code, unsigned long long* values, unsigned short capacity,
                           unsigned short* count, bool longBudget, const QList<unsigned long long>* payload)
{
    return m_pof->GetValue(code, values, capacity, count, longBudget, payload);
}

int TPOFTestLink::SetValue(TPOF::eCommandCode code, unsigned long long value1, unsigned long long value2)
{
    return m_pof->SetValue(code, value1, value2);
}

bool TPOFTestLink::GetHVState() { return m_pof->GetHVState(); }

bool TPOFTestLink::StartTest() { return m_pof->StartTest(); }

int TPOFTestLink::StopTest(SKP_Pevanto_StopFlags flags) { return m_pof->StopTest(flags); }

bool TPOFTestLink::StartLoadDetection() { return m_pof->StartLoadDetection(); }

int TPOFTestLink::GetParameter(eHVUnitParamType type, unsigned long long* value)
{
    return m_pof->GetParameter(type, value);
}

int TPOFTestLink::SetParameter(eHVUnitParamType type, unsigned long long value)
{
    return m_pof->SetParameter(type, value);
}

bool TPOFTestLink::GetTemperature(int* degrees)
{
    qint8 t = 0;
    if (!m_pof->GetTemperature(&t))
        return false;
    if (degrees)
        *degrees = t;
    return true;
}
