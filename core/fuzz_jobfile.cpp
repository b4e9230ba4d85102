// Job files (".twc", versions 50, 52, 55) from any bytes: a damaged or
// foreign file is refused with an error exception, never read past its end;
// a file that reads is written back as version 55 and reads to the same bytes.
#include "core/JobDef.h"
#include "fuzz/FileRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  twkfuzz::RequireFileRoundTrip<TJobDef_Manual>(data, size, "a job file", QStringLiteral(".twc"));
  return 0;
}
