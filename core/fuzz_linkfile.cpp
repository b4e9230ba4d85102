// Link files as an e-mail brings them: a ".twk" link in any encoding or a
// shell link under any name. Reading never fails on the bytes; a target that
// reads from a ".twk" file is written back and reads the same.
#include "core/Exception.h"
#include "core/LnkTools.h"
#include "core/TWKLink.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const QString path = twkfuzz::WriteScratch(QStringLiteral("input.twk"), data, size);
  QString target;
  try {
    target = ReadLinkFile(path);
  } catch (const Exception& e) {
    twkfuzz::Require(false, "a link file that exists always reads", e.Message());
  }
  GetLinkTarget(path);
  if (target.isEmpty()) return 0;
  const QString copy = twkfuzz::ScratchFile(QStringLiteral("copy.twk"));
  WriteLinkFile(target, copy);
  twkfuzz::Require(ReadLinkFile(copy) == target, "a link names the target it was written for", target);
  twkfuzz::Require(!LinkFileNameFor(target).isEmpty(), "every target has a link name", target);
  return 0;
}
