#pragma once

// Which phases (conductors L1..L3) the next test is run on.
class IPhaseSelect {
public:
    enum Phases : int {
        NoPhase = 0,
        L1 = 1,
        L2 = 2,
        L3 = 4,
    };

    virtual ~IPhaseSelect() = default;
    virtual int phases() const = 0; // bits 0..2
    bool isPhaseSelected(Phases phase) const { return (phases() & int(phase)) != 0 && phase != NoPhase; }
};
