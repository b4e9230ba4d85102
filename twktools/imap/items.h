// A mailbox's messages: the cached UID list in UID order, the outlines of the
// field walk fetched many at a time, and the item collection over them.
#pragma once

#include "twktools/imap/connection.h"
#include "twktools/maildir/comobject.h"

#include <QHash>
#include <QTemporaryFile>
#include <map>
#include <memory>
#include <vector>

namespace twkimap {

class TImapFolder;

// What the field walk reads of one message (see outline.h).
struct TOutline {
  std::uint32_t Uid = 0;
  QByteArray Mime;  // header block and empty structure
  bool Exact = true;
  TMessageFlags Flags;
  std::int64_t InternalDate = 0;
  std::uint32_t Size = 0;
};

// The keyword a message carries while a rewritten copy of it is being
// stored: found on a message beside a twin (same Message-ID), it marks a
// rewrite the connection lost before the old one was removed.
extern const QByteArray kRewriteKeyword;

class TMailbox {
public:
  TMailbox(TImapConnection& connection, QByteArray name);

  // Asks the server for the mailbox's counts; lists the UIDs again only when
  // they changed. Finishes rewrites a lost connection left half done.
  void Refresh();
  int Count() const { return int(FUids.size()); }
  // The UID at index (from 0); 0 when out of range.
  std::uint32_t UidAt(int index) const;
  bool Contains(std::uint32_t uid) const;
  std::uint32_t UidValidity() const { return FState.UidValidity; }
  const QByteArray& Name() const { return FName; }
  TImapConnection& Connection() { return FConnection; }

  // The outline of a message, fetched together with its neighbours below it
  // (walks go from the last item to the first); none when the message is gone.
  std::shared_ptr<const TOutline> OutlineOf(std::uint32_t uid);

  // The whole message in a temporary file (removed with the object); none
  // when the message is gone. Messages read whole one after the other in
  // UID order (an export) are fetched several small ones at a time.
  std::unique_ptr<QTemporaryFile> WholeFile(std::uint32_t uid);

  // Our own changes, so the cache needs no new listing.
  void Added(std::uint32_t uid);
  void Removed(std::uint32_t uid);

private:
  void FinishRewrites();

  TImapConnection& FConnection;
  QByteArray FName;
  TMailboxState FState;
  bool FListed = false;
  std::vector<std::uint32_t> FUids;
  QHash<std::uint32_t, std::shared_ptr<const TOutline>> FOutlines;
  std::uint32_t FLastWhole = 0;
  std::map<std::uint32_t, std::unique_ptr<QTemporaryFile>> FFetchedAhead;
};

class TImapItems final : public twkmaildir::TComObject<IRDOItems> {
public:
  TImapItems(TwkPtr<TImapFolder> folder, std::shared_ptr<TMailbox> box);
  int Count() override;
  TwkPtr<IRDOMail> Item(int index) override;

private:
  TwkPtr<TImapFolder> FFolder;
  std::shared_ptr<TMailbox> FBox;
};

}  // namespace twkimap
