// A fast generator of maildir stores for the benchmarks: writes the files directly.
#pragma once

#include <QString>

// Writes count messages into maildir/cur (a mix of plain, alternative and
// attachment messages, encoded subjects, Received: headers).
void GenerateMaildir(const QString& maildir, int count);
