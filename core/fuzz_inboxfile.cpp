// Inbox task files ("inbox.twx") from any bytes: refused with an error
// exception or read; a list that reads is written back and reads to the
// same bytes.
#include "core/Exception.h"
#include "core/JobDef.h"
#include "fuzz/FuzzSupport.h"

#include <QFile>

namespace {

QByteArray Saved(const TJobDefList_Inbox& list) {
  const QString path = twkfuzz::ScratchFile(QStringLiteral("saved.twx"));
  list.SaveToFile(path);
  QFile f(path);
  twkfuzz::Require(f.open(QIODevice::ReadOnly), "a saved inbox file can be read");
  return f.readAll();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const QString path = twkfuzz::WriteScratch(QStringLiteral("input.twx"), data, size);
  TJobDefList_Inbox list;
  try {
    list.LoadFromFile(path);
  } catch (const Exception&) {
    return 0;  // refused: the answer for a damaged file
  }
  const QByteArray first = Saved(list);
  TJobDefList_Inbox again;
  try {
    again.LoadFromFile(twkfuzz::ScratchFile(QStringLiteral("saved.twx")));
  } catch (const Exception& e) {
    twkfuzz::Require(false, "an inbox file written by SaveToFile reads back", e.Message());
  }
  twkfuzz::Require(Saved(again) == first, "an inbox file reads back to the same bytes");
  return 0;
}
