#include "hvunit/TPOFUpdateLink.h"

#include "hvunit/TPOF.h"

unsigned TPOFUpdateLink::getUpdateState() { return m_pof->getUpdateState(); }

bool TPOFUpdateLink::rebootHVUnit() { return m_pof->rebootHVUnit(); }
