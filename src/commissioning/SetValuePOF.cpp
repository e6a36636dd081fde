#include "commissioning/SetValuePOF.h"

#include "hvunit/TPOF.h"

namespace Commissioning {

bool SetValuePOF::operator()(Command const& command) const
{
    if (!m_pof || m_pof->SetValue(command.code, command.value1, command.value2) != TPOF::Ok)
        return false;
    return m_pof->GetHVState();
}

} // namespace Commissioning
