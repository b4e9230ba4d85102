// The index cache reader on any bytes: it accepts only a whole cache made
// for the expected file, whose entries lie in order inside that file, and
// what it accepts is exactly what the writer makes of the result; anything
// else is refused without a crash, a hang or an allocation beyond the data.
#include "fuzz/FuzzSupport.h"
#include "twktools/mbox/indexcache.h"

#include <QBuffer>

namespace {

// The file the seeds (fuzz/corpus/indexcache) were made for.
const QByteArray kPath = QByteArrayLiteral("/fuzz/box.mbox");
constexpr std::int64_t kSize = 1 << 20;
constexpr std::int64_t kMTimeNs = 1700000000123456789;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  QByteArray bytes = twkfuzz::Bytes(data, size);
  QBuffer in(&bytes);
  in.open(QIODevice::ReadOnly);
  const std::optional<twkmbox::TMboxIndex> index = twkmbox::ReadIndexCache(in, kPath, kSize, kMTimeNs);
  if (!index) return 0;
  twkfuzz::Require(index->Size == kSize && index->MTimeNs == kMTimeNs, "accepted only for the expected size and time");
  std::int64_t last = 0;
  for (const twkmbox::TMboxEntry& e : index->Entries) {
    twkfuzz::Require(e.FromOffset >= last && e.FromOffset < e.Start && e.Start <= e.End && e.End <= kSize,
                     "entries in order inside the file");
    last = e.End;
  }
  QByteArray again;
  QBuffer out(&again);
  out.open(QIODevice::WriteOnly);
  twkmbox::WriteIndexCache(out, kPath, *index);
  twkfuzz::Require(again == bytes, "an accepted cache is what the writer makes of its index");
  return 0;
}
