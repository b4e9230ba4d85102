// Profile files from any bytes: refused with an error that names the file,
// or read to stores that each have a path, exactly one of them the default.
#include "fuzz/FuzzSupport.h"
#include "twktools/TWKerrors.h"
#include "twktools/session/Profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const QString path = twkfuzz::WriteScratch(QStringLiteral("TWKtools.conf"), data, size);
  twksession::TProfile profile;
  try {
    profile = twksession::ReadProfileFile(path);
  } catch (const Exception& e) {
    twkfuzz::Require(e.Message().contains(path), "a profile error names the file", e.Message());
    return 0;
  }
  int defaults = 0;
  for (const twksession::TStoreConfig& store : profile.Stores) {
    twkfuzz::Require(!store.Path.isEmpty(), "every store of a profile has a path");
    defaults += store.IsDefault;
  }
  twkfuzz::Require(defaults == 1, "a profile has exactly one default store");
  return 0;
}
