// The one pass over an mbox file: finds the "From " separator lines and,
// in each message's header block, Thunderbird's X-Mozilla-Status; nothing is
// parsed as MIME and only one buffer of the file is held at a time.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace twkmbox {

// Thunderbird's X-Mozilla-Status bits.
constexpr unsigned kMozillaRead = 0x0001;
constexpr unsigned kMozillaExpunged = 0x0008;

struct TMboxEntry {
  std::int64_t FromOffset = 0;  // the "From " line
  std::int64_t Start = 0;       // the message's first byte (after the From line)
  std::int64_t End = 0;         // after its last byte (the separating empty line excluded)
  std::int64_t FromDate = 0;    // Unix time of the From line's date; 0 when it has none
  std::uint32_t Check = 0;      // hash of the message's first bytes
  bool Read = true;             // no X-Mozilla-Status: read
  bool Expunged = false;
};

struct TMboxIndex {
  std::int64_t Size = 0;
  std::int64_t MTimeNs = 0;
  std::vector<TMboxEntry> Entries;  // expunged ones left out
};

// Reads up to n bytes into buffer; the count read, 0 at the end, -1 on error.
using TReadFn = std::function<std::int64_t(char* buffer, std::int64_t n)>;

// Scans a stream. Throws EComError naming `name` when the data does not
// begin with a "From " line or cannot be read.
std::vector<TMboxEntry> ScanMboxStream(const TReadFn& read, const QString& name);

// Scans the file (size and time as found before the scan).
TMboxIndex ScanMboxFile(const QString& path);

// True when the file's first bytes are a "From " line.
bool StartsWithFromLine(const QString& path);

// The hash kept in an entry, of a message's first bytes.
std::uint32_t CheckOf(const char* data, std::int64_t n);
constexpr int kCheckBytes = 64;

// Unix time of the date in a "From " line (asctime form, with or without a zone); 0 when none is found.
std::int64_t FromLineDate(const QByteArray& line);

// A message's bytes as the file stores them, with one level of ">From "
// quoting removed from every ">...From " line.
QByteArray UnquoteMboxrd(const QByteArray& stored);

}  // namespace twkmbox
