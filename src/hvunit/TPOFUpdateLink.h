#pragma once

#include "hvunit/IUpdateLink.h"

class TPOF;

// The update procedure's view of the real HV link.
class TPOFUpdateLink : public IUpdateLink {
public:
    explicit TPOFUpdateLink(TPOF* pof) : m_pof(pof) {}

    unsigned getUpdateState() override;
    bool rebootHVUnit() override;
    TPOF* pof() const { return m_pof; }

private:
    TPOF* m_pof;
};
