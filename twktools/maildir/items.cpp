#include "twktools/maildir/items.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace twkmaildir {

namespace {

std::int64_t MonotonicMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return std::int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// A change time this close to the read may hide a later change within the
// same clock tick of the file system.
bool TooRecent(const timespec& changed, const timespec& readStart) {
  return changed.tv_sec + 1 >= readStart.tv_sec;
}

QByteArrayView LeadingDigits(QByteArrayView s) {
  qsizetype n = 0;
  while (n < s.size() && s[n] >= '0' && s[n] <= '9') ++n;
  return s.first(n);
}

// Delivery order of two unique names: the leading delivery time in seconds
// numerically, then the rest as bytes.
bool DeliveredBefore(QByteArrayView a, QByteArrayView b) {
  QByteArrayView da = LeadingDigits(a), db = LeadingDigits(b);
  // Numeric compare of the leading digits: without leading zeros, the
  // shorter is smaller, then digit by digit.
  while (da.size() > 1 && da[0] == '0') da = da.sliced(1);
  while (db.size() > 1 && db[0] == '0') db = db.sliced(1);
  if (da.isEmpty() != db.isEmpty()) return !da.isEmpty();  // names with a time first
  if (da.size() != db.size()) return da.size() < db.size();
  if (const int c = da.compare(db); c != 0) return c < 0;
  return a.compare(b) < 0;
}

// The info separators: ":2," and, with Windows-safe names, ";2," or "!2,".
constexpr const char* kInfoSeparators[] = {":2,", ";2,", "!2,"};

qsizetype UniqueLengthOf(QByteArrayView name) {
  for (const char* info : kInfoSeparators)
    if (const qsizetype at = name.lastIndexOf(QByteArrayView(info)); at > 0) return at;
  return name.size();
}

[[noreturn]] void RaiseListingError(const QString& dir, int code) {
  throw EComError(code == EACCES ? E_ACCESSDENIED : MAPI_E_DISK_ERROR,
                  QStringLiteral("Cannot read the folder \"%1\": %2").arg(dir, QString::fromLocal8Bit(strerror(code))));
}

}  // namespace

QString UniqueNameOf(const QString& fileName) {
  for (const char* info : kInfoSeparators)
    if (const qsizetype at = fileName.lastIndexOf(QLatin1StringView(info)); at > 0) return fileName.left(at);
  return fileName;
}

bool TListing::TStamp::operator==(const TStamp& o) const {
  return CurTime.tv_sec == o.CurTime.tv_sec && CurTime.tv_nsec == o.CurTime.tv_nsec &&
         NewTime.tv_sec == o.NewTime.tv_sec && NewTime.tv_nsec == o.NewTime.tv_nsec;
}

TListing::TListing(QString maildirPath) : FMaildir(std::move(maildirPath)) {}

TListing::TStamp TListing::StampNow() const {
  TStamp s;
  struct stat st {};
  if (stat(QFile::encodeName(FMaildir + QStringLiteral("/cur")).constData(), &st) == 0) s.CurTime = st.st_mtim;
  if (stat(QFile::encodeName(FMaildir + QStringLiteral("/new")).constData(), &st) == 0) s.NewTime = st.st_mtim;
  return s;
}

void TListing::Refresh() {
  if (!FRead) return Read();
  if (!(StampNow() == FStamp)) return Read();
  if (FStampRecent && MonotonicMs() - FReadAt >= 1000) Read();
}

QByteArrayView TListing::NameOf(const TEntry& e) const { return QByteArrayView(FNames).sliced(e.Offset, e.Length); }

QByteArrayView TListing::UniqueOf(const TEntry& e) const {
  return QByteArrayView(FNames).sliced(e.Offset, e.UniqueLength);
}

TListing::TEntry TListing::Append(QByteArrayView name, bool inNew) {
  TEntry e;
  e.Offset = quint32(FNames.size());
  e.Length = quint16(name.size());  // NAME_MAX is 255
  e.UniqueLength = quint16(UniqueLengthOf(name));
  e.InNew = inNew;
  FNames.append(name);
  FLiveBytes += name.size();
  return e;
}

void TListing::ReadDir(bool inNew) {
  const QString dir = FMaildir + (inNew ? QStringLiteral("/new") : QStringLiteral("/cur"));
  const QByteArray native = QFile::encodeName(dir);
  DIR* d = opendir(native.constData());
  if (!d) {
    if (errno == ENOENT) return;  // a maildir without new/ simply has nothing there
    RaiseListingError(dir, errno);
  }
  const int fd = dirfd(d);
  for (;;) {
    // Only readdir's own failure counts, not one of a stat before it.
    errno = 0;
    dirent* e = readdir(d);
    if (!e) break;
    if (e->d_name[0] == '.') continue;  // dot-files are never messages
    bool regular = e->d_type == DT_REG;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st {};
      regular = fstatat(fd, e->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
    }
    if (regular) FEntries.push_back(Append(QByteArrayView(e->d_name), inNew));
  }
  const int readError = errno;
  closedir(d);
  if (readError != 0) RaiseListingError(dir, readError);
}

void TListing::Read() {
  timespec start{};
  clock_gettime(CLOCK_REALTIME, &start);
  const TStamp before = StampNow();
  FEntries.clear();
  FNames.clear();
  FLiveBytes = 0;
  FRead = false;
  ReadDir(true);
  ReadDir(false);
  // Stable: new/ was read first, so of a name shown twice (a reader's rename
  // from new/ to cur/ between the two reads) the cur/ one comes last and wins.
  std::stable_sort(FEntries.begin(), FEntries.end(),
                   [this](const TEntry& a, const TEntry& b) { return DeliveredBefore(UniqueOf(a), UniqueOf(b)); });
  auto kept = FEntries.begin();
  for (auto it = FEntries.begin(); it != FEntries.end(); ++it) {
    const auto next = it + 1;
    if (next != FEntries.end() && UniqueOf(*next) == UniqueOf(*it)) {
      FLiveBytes -= it->Length;
      continue;
    }
    *kept++ = *it;
  }
  FEntries.erase(kept, FEntries.end());
  FEntries.shrink_to_fit();
  FNames.squeeze();
  FStamp = before;
  FStampRecent = TooRecent(before.CurTime, start) || TooRecent(before.NewTime, start);
  FReadAt = MonotonicMs();
  FRead = true;
  ++FReadCount;
}

// Our own changes leave replaced names behind in FNames; once they are half
// of it, the live names are packed again.
void TListing::Compact() {
  if (FNames.size() < 4096 || FLiveBytes * 2 > FNames.size()) return;
  QByteArray names;
  names.reserve(FLiveBytes);
  for (TEntry& e : FEntries) {
    const QByteArrayView name = NameOf(e);
    e.Offset = quint32(names.size());
    names.append(name);
  }
  FNames = std::move(names);
}

QString TListing::PathOf(const TListedMessage& m) const {
  return FMaildir + (m.InNew ? QStringLiteral("/new/") : QStringLiteral("/cur/")) + m.FileName;
}

bool TListing::ParsePath(const QString& filePath, QByteArray& name, bool& inNew) const {
  const qsizetype slash = filePath.lastIndexOf(QLatin1Char('/'));
  const QStringView dir = QStringView(filePath).left(slash);
  if (slash < 0 || !dir.startsWith(FMaildir) || dir.size() != FMaildir.size() + 4) return false;
  const QStringView sub = dir.mid(FMaildir.size());
  if (sub != QLatin1StringView("/new") && sub != QLatin1StringView("/cur")) return false;
  name = QFile::encodeName(filePath.mid(slash + 1));
  inNew = sub == QLatin1StringView("/new");
  return !name.isEmpty() && name.size() <= 0xFFFF;
}

std::vector<TListing::TEntry>::iterator TListing::LowerBound(QByteArrayView unique) {
  return std::lower_bound(FEntries.begin(), FEntries.end(), unique,
                          [this](const TEntry& e, QByteArrayView u) { return DeliveredBefore(UniqueOf(e), u); });
}

std::vector<TListing::TEntry>::iterator TListing::Find(QByteArrayView unique) {
  const auto it = LowerBound(unique);
  return it != FEntries.end() && UniqueOf(*it) == unique ? it : FEntries.end();
}

int TListing::Count() {
  std::lock_guard g(FLock);
  Refresh();
  return int(FEntries.size());
}

bool TListing::At(int index, TListedMessage& out) {
  std::lock_guard g(FLock);
  Refresh();
  if (index < 0 || size_t(index) >= FEntries.size()) return false;
  const TEntry& e = FEntries[size_t(index)];
  out.FileName = QFile::decodeName(NameOf(e).toByteArray());
  out.InNew = e.InNew;
  return true;
}

QString TListing::FindFile(const QString& uniqueName) {
  std::lock_guard g(FLock);
  Refresh();
  const auto it = Find(QFile::encodeName(uniqueName));
  if (it == FEntries.end()) return QString();
  return PathOf({QFile::decodeName(NameOf(*it).toByteArray()), it->InNew});
}

QSet<QString> TListing::UniqueNames() {
  std::lock_guard g(FLock);
  Refresh();
  QSet<QString> names;
  names.reserve(qsizetype(FEntries.size()));
  for (const TEntry& e : FEntries) names.insert(QFile::decodeName(UniqueOf(e).toByteArray()));
  return names;
}

// Our own change moved the change times. Taking the new times keeps the
// cache; marking them recent makes the next access after a second re-read
// once, so an outside change in the same moment is not lost.
void TListing::Added(const QString& filePath) {
  std::lock_guard g(FLock);
  if (FWatched) FOwnAdded.insert(UniqueNameOf(filePath.mid(filePath.lastIndexOf(QLatin1Char('/')) + 1)));
  if (!FRead) return;  // read on first use anyway
  QByteArray name;
  bool inNew = false;
  if (!ParsePath(filePath, name, inNew)) {
    FRead = false;  // not a file of this folder as we name it: read again on next use
    return;
  }
  const TEntry e = Append(name, inNew);
  const auto pos = LowerBound(UniqueOf(e));
  if (pos != FEntries.end() && UniqueOf(*pos) == UniqueOf(e)) {
    FLiveBytes -= pos->Length;
    *pos = e;  // a rename keeps the message's place
  } else {
    FEntries.insert(pos, e);
  }
  Compact();
  FStamp = StampNow();
  FStampRecent = true;
}

void TListing::Removed(const QString& filePath) {
  std::lock_guard g(FLock);
  if (!FRead) return;
  QByteArray name;
  bool inNew = false;
  if (!ParsePath(filePath, name, inNew)) {
    FRead = false;
    return;
  }
  const auto it = Find(QByteArrayView(name).first(UniqueLengthOf(name)));
  if (it != FEntries.end() && NameOf(*it) == name && it->InNew == inNew) {
    FLiveBytes -= it->Length;
    FEntries.erase(it);
    Compact();
  }
  FStamp = StampNow();
  FStampRecent = true;
}

void TListing::SetWatched(bool watched) {
  std::lock_guard g(FLock);
  FWatched = watched;
  if (!watched) FOwnAdded.clear();
}

bool TListing::TakeOwnAddition(const QString& uniqueName) {
  std::lock_guard g(FLock);
  return FOwnAdded.remove(uniqueName);
}

TMaildirItems::TMaildirItems(TwkPtr<MailFolder> folder, std::shared_ptr<TListing> listing)
    : FFolder(std::move(folder)), FListing(std::move(listing)) {}

int TMaildirItems::Count() { return FListing ? FListing->Count() : 0; }

TwkPtr<IRDOMail> TMaildirItems::Item(int index) {
  TListedMessage m;
  if (!FListing || !FListing->At(index - 1, m))
    throw EComError(E_INVALIDARG, QStringLiteral("Item index %1 is out of range").arg(index));
  return OpenStoredMessage(FFolder.get(), FListing->PathOf(m));
}

}  // namespace twkmaildir
