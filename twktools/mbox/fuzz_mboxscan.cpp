// The mbox scanner on any bytes: a clear error or entries that lie inside
// the data in order, each at a "From " line; read in pieces of any size the
// result is the same as read in one go.
#include "fuzz/FuzzSupport.h"
#include "twktools/TWKerrors.h"
#include "twktools/mbox/scan.h"

#include <cstring>

namespace {

std::vector<twkmbox::TMboxEntry> Scan(const QByteArray& bytes, std::int64_t piece) {
  std::int64_t pos = 0;
  const twkmbox::TReadFn read = [&](char* buffer, std::int64_t n) -> std::int64_t {
    const std::int64_t take = std::min({n, piece, std::int64_t(bytes.size()) - pos});
    std::memcpy(buffer, bytes.constData() + pos, size_t(take));
    pos += take;
    return take;
  };
  return twkmbox::ScanMboxStream(read, QStringLiteral("fuzz"));
}

bool Same(const std::vector<twkmbox::TMboxEntry>& a, const std::vector<twkmbox::TMboxEntry>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].FromOffset != b[i].FromOffset || a[i].Start != b[i].Start || a[i].End != b[i].End ||
        a[i].Check != b[i].Check || a[i].Read != b[i].Read)
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::int64_t piece = 1 + data[0] % 97;
  const QByteArray bytes = twkfuzz::Bytes(data + 1, size - 1);
  std::vector<twkmbox::TMboxEntry> whole;
  try {
    whole = Scan(bytes, bytes.size() + 1);
  } catch (const EComError&) {
    twkfuzz::Require(!bytes.startsWith("From "), "only data without a first From line is refused");
    return 0;
  }
  twkfuzz::Require(Same(whole, Scan(bytes, piece)), "the same entries whatever the read size");
  std::int64_t last = -1;
  for (const twkmbox::TMboxEntry& e : whole) {
    twkfuzz::Require(e.FromOffset >= last && e.FromOffset < e.Start && e.Start <= e.End && e.End <= bytes.size(),
                     "entries in order inside the data");
    twkfuzz::Require(bytes.mid(e.FromOffset, 5) == "From ", "each entry at a From line");
    twkmbox::UnquoteMboxrd(bytes.mid(e.Start, e.End - e.Start));
    last = e.End;
  }
  return 0;
}
