#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

// Runs one fuzz target: a function that takes arbitrary bytes and must neither crash,
// hang nor leak; it returns whether it took the input as valid. A broken invariant
// inside it is reported with FUZZ_CHECK (aborts).
//
//   <target> --replay <corpus dir>     every seed (each taken as valid, one named
//                                      "refused-..." refused) and its
//                                      single-byte mutations (CTest)
//   <target> --mutate N [--seed S] [--max-len L] <corpus dir>
//                                      N random mutations of the seeds (by hand, ideally
//                                      in the sanitizer build); the input being run is
//                                      written to "<target>-crash.bin" if it crashes
//   <target> <file>...                 the given inputs, e.g. a saved crash
using FuzzTarget = std::function<bool(const QByteArray&)>;

int fuzzMain(int argc, char** argv, const char* name, const FuzzTarget& target);

// The deterministic single-byte mutations the replay runs for one seed.
QList<QByteArray> singleByteMutations(const QByteArray& seed, int maxPositions);

[[noreturn]] void fuzzFail(const char* what, const char* file, int line);

#define FUZZ_CHECK(cond)                                                                                    \
    do {                                                                                                    \
        if (!(cond))                                                                                        \
            fuzzFail(#cond, __FILE__, __LINE__);                                                            \
    } while (false)
