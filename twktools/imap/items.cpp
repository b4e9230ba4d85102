#include "twktools/imap/items.h"

#include "twktools/imap/folder.h"
#include "twktools/imap/message.h"

#include <QDir>
#include <algorithm>

namespace twkimap {

const QByteArray kRewriteKeyword = QByteArrayLiteral("$TwkRewriting");

namespace {

// Messages per FETCH of the field walk: one round trip for many, and a
// bounded answer.
constexpr int kOutlineBatch = 250;

// The Message-ID header of a header block (unfolded, trimmed); empty when none.
QByteArray MessageIdOf(const QByteArray& header) {
  const QList<QByteArray> lines = header.split('\n');
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (!lines[i].toLower().startsWith("message-id:")) continue;
    QByteArray value = lines[i].mid(11);
    while (i + 1 < lines.size() && (lines[i + 1].startsWith(' ') || lines[i + 1].startsWith('\t'))) value += lines[++i];
    return value.trimmed();
  }
  return {};
}

}  // namespace

TMailbox::TMailbox(TImapConnection& connection, QByteArray name) : FConnection(connection), FName(std::move(name)) {}

void TMailbox::Refresh() {
  std::lock_guard g(FConnection.Lock());
  const TMailboxState now = FConnection.Select(FName, true);
  if (now.UidValidity != FState.UidValidity) FOutlines.clear();
  if (FListed && now.UidValidity == FState.UidValidity && now.UidNext == FState.UidNext && now.Exists == FState.Exists)
    return;
  FState = now;
  FinishRewrites();
  FUids = FConnection.SearchUids(FName);
  FListed = true;
}

// A message marked as being rewritten whose rewritten copy (same
// Message-ID, not so marked) reached the server is removed now; without a
// copy the rewrite never happened and the mark goes.
void TMailbox::FinishRewrites() {
  const std::vector<std::uint32_t> marked = FConnection.SearchUids(FName, kRewriteKeyword, {}, true);
  if (marked.empty()) return;
  for (const TFetchedOutline& o : FConnection.FetchOutlines(FName, marked)) {
    const QByteArray id = MessageIdOf(o.Header);
    bool twin = false;
    if (!id.isEmpty())
      for (std::uint32_t uid : FConnection.SearchUids(FName, {}, id))
        if (!std::binary_search(marked.begin(), marked.end(), uid)) twin = true;
    if (twin) {
      FConnection.AddFlags(FName, o.Uid, true, {});
      FConnection.Expunge(FName, o.Uid);
    } else {
      FConnection.RemoveKeyword(FName, o.Uid, kRewriteKeyword);
    }
  }
  FState = FConnection.Select(FName, true);
}

std::uint32_t TMailbox::UidAt(int index) const {
  return index >= 0 && size_t(index) < FUids.size() ? FUids[size_t(index)] : 0;
}

bool TMailbox::Contains(std::uint32_t uid) const { return std::binary_search(FUids.begin(), FUids.end(), uid); }

std::shared_ptr<const TOutline> TMailbox::OutlineOf(std::uint32_t uid) {
  if (auto found = FOutlines.value(uid)) return found;
  const auto at = std::lower_bound(FUids.begin(), FUids.end(), uid);
  std::vector<std::uint32_t> batch;
  for (auto it = at; it != FUids.end() && batch.size() < size_t(kOutlineBatch) && it - at < 8; ++it)
    if (!FOutlines.contains(*it)) batch.push_back(*it);
  for (auto it = at; it != FUids.begin() && batch.size() < size_t(kOutlineBatch);) {
    --it;
    if (!FOutlines.contains(*it)) batch.push_back(*it);
  }
  if (std::find(batch.begin(), batch.end(), uid) == batch.end()) batch.push_back(uid);
  std::sort(batch.begin(), batch.end());
  for (TFetchedOutline& f : FConnection.FetchOutlines(FName, batch)) {
    auto o = std::make_shared<TOutline>();
    o->Uid = f.Uid;
    o->Mime = f.Header + f.Body;
    o->Exact = f.Exact;
    o->Flags = std::move(f.Flags);
    o->InternalDate = f.InternalDate;
    o->Size = f.Size;
    FOutlines.insert(f.Uid, std::move(o));
  }
  return FOutlines.value(uid);
}

namespace {

// Messages fetched ahead: at most this many, each and all together no larger.
constexpr size_t kAheadCount = 32;
constexpr std::uint32_t kAheadMessageBytes = 256 * 1024;
constexpr std::uint32_t kAheadTotalBytes = 4 * 1024 * 1024;

std::unique_ptr<QTemporaryFile> NewWholeFile() {
  auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/twk-imap-XXXXXX.eml"));
  if (!file->open())
    throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot create a temporary file \"%1\": %2")
                                           .arg(file->fileTemplate(), file->errorString()));
  return file;
}

void Written(QTemporaryFile& file, bool ok) {
  if (!ok || !file.flush())
    throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot write the temporary file \"%1\": %2")
                                           .arg(file.fileName(), file.errorString()));
}

}  // namespace

std::unique_ptr<QTemporaryFile> TMailbox::WholeFile(std::uint32_t uid) {
  if (auto ahead = FFetchedAhead.find(uid); ahead != FFetchedAhead.end()) {
    auto file = std::move(ahead->second);
    FFetchedAhead.erase(ahead);
    FLastWhole = uid;
    return file;
  }
  // The next UID in the direction the last ones went: fetch ahead that way.
  const auto at = std::lower_bound(FUids.begin(), FUids.end(), uid);
  const bool down = FLastWhole && at != FUids.end() && at + 1 != FUids.end() && *(at + 1) == FLastWhole;
  const bool up = FLastWhole && at != FUids.begin() && at != FUids.end() && *(at - 1) == FLastWhole;
  FLastWhole = uid;
  std::vector<std::uint32_t> batch;
  if ((down || up) && at != FUids.end() && *at == uid) {
    std::uint32_t total = 0;
    for (auto it = at; batch.size() < kAheadCount;) {
      const auto outline = FOutlines.value(*it);
      if (!outline || outline->Size > kAheadMessageBytes || total + outline->Size > kAheadTotalBytes) break;
      total += outline->Size;
      batch.push_back(*it);
      if (down ? it == FUids.begin() : it + 1 == FUids.end()) break;
      it = down ? it - 1 : it + 1;
    }
  }
  if (batch.size() > 1) {
    FFetchedAhead.clear();
    std::unique_ptr<QTemporaryFile> mine;
    FConnection.FetchWholeMany(FName, batch, [&](std::uint32_t got, const char* data, size_t n) {
      auto file = NewWholeFile();
      Written(*file, file->write(data, qint64(n)) == qint64(n));
      if (got == uid)
        mine = std::move(file);
      else
        FFetchedAhead[got] = std::move(file);
    });
    if (mine) return mine;
  }
  auto file = NewWholeFile();
  bool ok = true;
  const bool found = FConnection.FetchWhole(FName, uid, [&](const char* data, size_t n) {
    ok = ok && file->write(data, qint64(n)) == qint64(n);
  });
  if (!found) return nullptr;
  Written(*file, ok);
  return file;
}

void TMailbox::Added(std::uint32_t uid) {
  if (uid == 0 || Contains(uid)) return;
  FUids.insert(std::lower_bound(FUids.begin(), FUids.end(), uid), uid);
}

void TMailbox::Removed(std::uint32_t uid) {
  const auto at = std::lower_bound(FUids.begin(), FUids.end(), uid);
  if (at != FUids.end() && *at == uid) FUids.erase(at);
  FOutlines.remove(uid);
  FFetchedAhead.erase(uid);
}

TImapItems::TImapItems(TwkPtr<TImapFolder> folder, std::shared_ptr<TMailbox> box)
    : FFolder(std::move(folder)), FBox(std::move(box)) {}

int TImapItems::Count() { return FBox ? FBox->Count() : 0; }

TwkPtr<IRDOMail> TImapItems::Item(int index) {
  const std::uint32_t uid = FBox ? FBox->UidAt(index - 1) : 0;
  if (uid == 0) throw EComError(E_INVALIDARG, QStringLiteral("Item index %1 is out of range").arg(index));
  return TImapMessage::Open(FFolder, FBox, uid);
}

}  // namespace twkimap
