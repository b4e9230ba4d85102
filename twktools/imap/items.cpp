#include "twktools/imap/items.h"

#include "twktools/imap/folder.h"
#include "twktools/imap/message.h"

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
    FOutlines.insert(f.Uid, std::move(o));
  }
  return FOutlines.value(uid);
}

void TMailbox::Added(std::uint32_t uid) {
  if (uid == 0 || Contains(uid)) return;
  FUids.insert(std::lower_bound(FUids.begin(), FUids.end(), uid), uid);
}

void TMailbox::Removed(std::uint32_t uid) {
  const auto at = std::lower_bound(FUids.begin(), FUids.end(), uid);
  if (at != FUids.end() && *at == uid) FUids.erase(at);
  FOutlines.remove(uid);
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
