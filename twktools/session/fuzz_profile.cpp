// Profile files from any bytes: refused with an error that names the file,
// or read to stores that each have a path (a mail server store: a host and
// a login instead), exactly one of them the default.
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
    if (store.Type == twksession::TStoreType::Imap)
      twkfuzz::Require(!store.Host.isEmpty() && !store.Login.isEmpty() && store.Path.isEmpty() && store.Port > 0,
                       "every server store of a profile has a host, a login and a port, and no path");
    else
      twkfuzz::Require(!store.Path.isEmpty(), "every maildir store of a profile has a path");
    defaults += store.IsDefault;
  }
  twkfuzz::Require(defaults == 1, "a profile has exactly one default store");
  return 0;
}
