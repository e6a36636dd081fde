#pragma once

// The ten inputs of the safety circuit, numbered as the bits of the safety state
// (the scan order of the hardware lines).
enum eSafetyPin : int {
    SafetyPin_InterlockKey = 0,
    SafetyPin_EmergencyOff = 1,
    SafetyPin_HVConnector = 2,
    SafetyPin_FOhm = 3,
    SafetyPin_OvertemperatureSurrounding = 4,
    SafetyPin_Testboost = 5,
    SafetyPin_HVClearanceCtrl = 6,
    SafetyPin_HvOff = 7,
    SafetyPin_ExtEmergencyOff = 8,
    SafetyPin_HvOn = 9,
};
constexpr int SafetyPinCount = 10;
