#pragma once

#include <array>

// Safety-circuit inputs in scan order: bit of the safety state, GPIO line.
struct SCPin {
    int bit;
    int line;
};

constexpr std::array<SCPin, 10> SCPins{{
    {0, 19}, // InterlockKey
    {1, 26}, // EmergencyOff
    {2, 24}, // HVConnector
    {3, 21}, // FOhm
    {4, 16}, // OvertemperatureSurrounding
    {5, 25}, // Testboost
    {6, 12}, // HVClearanceCtrl
    {7, 7},  // HvOff
    {8, 20}, // ExtEmergencyOff
    {9, 9},  // HvOn
}};

// Output that lets the HV unit produce voltage.
constexpr int HVEnableLine = 23;
