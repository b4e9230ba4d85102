// What the benchmarks share: the fields a walk reads of each message, and
// child processes timed with their CPU time and peak memory.
#pragma once

#include "twktools/TWKtools.h"

#include <QStringList>
#include <cstddef>
#include <functional>

// Reads what TMailFields::FillFromMail reads; returns a checksum so nothing is optimised away.
std::size_t ReadFields(IRDOMail* mail);

struct TRun {
  double Seconds = 0;     // wall time
  double CpuSeconds = 0;  // user + system time of the child: steady on a busy machine
  long PeakKB = 0;
};

// Runs args as a child (its standard output to /dev/null when quiet); a
// child that fails ends the benchmark.
TRun RunChild(const QStringList& args, bool quiet = true);

// The best of `repeats` runs (least wall and CPU time, largest peak memory);
// `prepare` before each run (an empty output directory).
TRun Best(const QStringList& args, int repeats, const std::function<void()>& prepare = {});
