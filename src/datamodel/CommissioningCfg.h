#pragma once

// Configuration of a commissioning procedure run through the test worker; the data
// model keeps one, the commissioning view model sets it.
namespace Commissioning {
using CommissioningType = int;

struct CommissioningCfg {
    CommissioningType type = 0; // 0: no commissioning procedure
};

inline bool isType(CommissioningType type, const CommissioningCfg& cfg)
{
    return cfg.type == type;
}
} // namespace Commissioning
