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

QStringView LeadingDigits(const QString& s) {
  qsizetype n = 0;
  while (n < s.size() && s[n].isDigit() && s[n].unicode() < 128) ++n;
  return QStringView(s).left(n);
}

[[noreturn]] void RaiseListingError(const QString& dir, int code) {
  throw EComError(code == EACCES ? E_ACCESSDENIED : MAPI_E_DISK_ERROR,
                  QStringLiteral("Cannot read the folder \"%1\": %2").arg(dir, QString::fromLocal8Bit(strerror(code))));
}

}  // namespace

QString UniqueNameOf(const QString& fileName) {
  for (const QLatin1StringView info : {QLatin1StringView(":2,"), QLatin1StringView(";2,"), QLatin1StringView("!2,")}) {
    const qsizetype at = fileName.lastIndexOf(info);
    if (at > 0) return fileName.left(at);
  }
  return fileName;
}

bool DeliveredBefore(const QString& a, const QString& b) {
  QStringView da = LeadingDigits(a), db = LeadingDigits(b);
  // Numeric compare of the leading digits: without leading zeros, the
  // shorter is smaller, then digit by digit.
  while (da.size() > 1 && da[0] == QLatin1Char('0')) da = da.mid(1);
  while (db.size() > 1 && db[0] == QLatin1Char('0')) db = db.mid(1);
  if (da.isEmpty() != db.isEmpty()) return !da.isEmpty();  // names with a time first
  if (da.size() != db.size()) return da.size() < db.size();
  if (const int c = da.compare(db); c != 0) return c < 0;
  return a < b;
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

void TListing::ReadDir(const QString& dir, QHash<QString, qsizetype>& seen) {
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
    if (!regular) continue;
    const QString fileName = QFile::decodeName(e->d_name);
    TListedMessage m{UniqueNameOf(fileName), dir + QLatin1Char('/') + fileName};
    // Between a reader's rename from new/ to cur/ a name can show twice;
    // cur/ (read second) wins.
    if (auto it = seen.find(m.UniqueName); it != seen.end()) {
      FMessages[size_t(*it)] = m;
      continue;
    }
    seen.insert(m.UniqueName, qsizetype(FMessages.size()));
    FMessages.push_back(std::move(m));
  }
  const int readError = errno;
  closedir(d);
  if (readError != 0) RaiseListingError(dir, readError);
}

void TListing::Read() {
  timespec start{};
  clock_gettime(CLOCK_REALTIME, &start);
  const TStamp before = StampNow();
  FMessages.clear();
  FIndexValid = false;
  FRead = false;
  QHash<QString, qsizetype> seen;
  ReadDir(FMaildir + QStringLiteral("/new"), seen);
  ReadDir(FMaildir + QStringLiteral("/cur"), seen);
  std::sort(FMessages.begin(), FMessages.end(),
            [](const TListedMessage& a, const TListedMessage& b) { return DeliveredBefore(a.UniqueName, b.UniqueName); });
  FStamp = before;
  FStampRecent = TooRecent(before.CurTime, start) || TooRecent(before.NewTime, start);
  FReadAt = MonotonicMs();
  FRead = true;
  ++FReadCount;
}

int TListing::Count() {
  std::lock_guard g(FLock);
  Refresh();
  return int(FMessages.size());
}

bool TListing::At(int index, TListedMessage& out) {
  std::lock_guard g(FLock);
  Refresh();
  if (index < 0 || size_t(index) >= FMessages.size()) return false;
  out = FMessages[size_t(index)];
  return true;
}

QString TListing::FindFile(const QString& uniqueName) {
  std::lock_guard g(FLock);
  Refresh();
  if (!FIndexValid) {
    FIndex.clear();
    FIndex.reserve(qsizetype(FMessages.size()));
    for (size_t i = 0; i < FMessages.size(); ++i) FIndex.insert(FMessages[i].UniqueName, qsizetype(i));
    FIndexValid = true;
  }
  const auto it = FIndex.constFind(uniqueName);
  return it == FIndex.constEnd() ? QString() : FMessages[size_t(*it)].FilePath;
}

QSet<QString> TListing::UniqueNames() {
  std::lock_guard g(FLock);
  Refresh();
  QSet<QString> names;
  names.reserve(qsizetype(FMessages.size()));
  for (const TListedMessage& m : FMessages) names.insert(m.UniqueName);
  return names;
}

void TListing::Insert(const TListedMessage& m) {
  const auto pos = std::lower_bound(FMessages.begin(), FMessages.end(), m, [](const TListedMessage& a, const TListedMessage& b) {
    return DeliveredBefore(a.UniqueName, b.UniqueName);
  });
  if (pos != FMessages.end() && pos->UniqueName == m.UniqueName)
    *pos = m;  // a rename keeps the message's place
  else
    FMessages.insert(pos, m);
  FIndexValid = false;
}

// Our own change moved the change times. Taking the new times keeps the
// cache; marking them recent makes the next access after a second re-read
// once, so an outside change in the same moment is not lost.
void TListing::Added(const QString& filePath) {
  std::lock_guard g(FLock);
  const QString unique = UniqueNameOf(filePath.mid(filePath.lastIndexOf(QLatin1Char('/')) + 1));
  if (FWatched) FOwnAdded.insert(unique);
  if (!FRead) return;  // read on first use anyway
  Insert(TListedMessage{unique, filePath});
  FStamp = StampNow();
  FStampRecent = true;
}

void TListing::Removed(const QString& filePath) {
  std::lock_guard g(FLock);
  if (!FRead) return;
  const TListedMessage key{UniqueNameOf(filePath.mid(filePath.lastIndexOf(QLatin1Char('/')) + 1)), filePath};
  const auto it = std::lower_bound(FMessages.begin(), FMessages.end(), key, [](const TListedMessage& a, const TListedMessage& b) {
    return DeliveredBefore(a.UniqueName, b.UniqueName);
  });
  if (it != FMessages.end() && it->UniqueName == key.UniqueName && it->FilePath == filePath) {
    FMessages.erase(it);
    FIndexValid = false;
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
  return OpenStoredMessage(FFolder.get(), m.FilePath);
}

}  // namespace twkmaildir
