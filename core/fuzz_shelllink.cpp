// Windows shell links (".lnk") from any bytes: a target or nothing, never a
// read outside the bytes.
#include "core/ShellLink.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const QByteArray bytes = twkfuzz::Bytes(data, size);
  const QString target = ParseShellLink(bytes);
  twkfuzz::Require(!target.contains(QChar(0)), "a shell link target holds no NUL", target);
  return 0;
}
