// Inbox task files ("inbox.twx") from any bytes: refused with an error
// exception or read; a list that reads is written back and reads to the
// same bytes.
#include "core/JobDef.h"
#include "fuzz/FileRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  twkfuzz::RequireFileRoundTrip<TJobDefList_Inbox>(data, size, "an inbox file", QStringLiteral(".twx"));
  return 0;
}
