#pragma once

#include <QString>

class HvUnitSimulator;

// Text commands that drive the simulated HV unit by hand (command line, control file):
//   breakdown | error [hexbits] | temperature <deg> | tandelta <1e-6> [noise]
//   load <capacitance> <resistance mOhm> | firmware <major> <minor>
//   fault <name> [count] [param] | failnext <n> | failcmd <letter> [n]
//   cascade <voltageA> <voltageB> <currentA> <currentB> | clear | status
//   hvenable on|off | hvon (the operator's HV-on key) | loadresult <hexbits 4,5>
//   gains <u> <i> | noise <mV> | discharge <s> (the output falls over s seconds after a stop)
//   reading <cascade level> <mV> | reading clear (the raw output at a cascade level)
//   envelope on|off (the output current follows the cascades' power envelope)
// Returns false for an unknown or malformed command; reply receives the answer text.
bool applySimCommand(HvUnitSimulator& sim, const QString& line, QString* reply);
