// One logged-in connection to a store's mail server, over libetpan: connect
// (TLS, STARTTLS or plain on localhost), check the certificate, log in, and
// the commands the store uses, each throwing EComError with the server's
// words and the store's name. A connection that broke is dropped and made
// again by the next command that needs it.
#pragma once

#include "twktools/TWKtools.h"
#include "twktools/session/Profile.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

struct mailimap;
struct mailimap_body;

namespace twkimap {

struct TListEntry {
  QByteArray Name;  // as the server sends it (modified UTF-7)
  char Delimiter = '/';
  bool NoSelect = false;
  QString SpecialUse;  // "Sent", "Drafts", "Trash", ... without the backslash
};

struct TMailboxState {
  std::uint32_t UidValidity = 0;
  std::uint32_t UidNext = 0;
  std::uint32_t Exists = 0;
};

struct TMessageFlags {
  bool Seen = false;
  bool Draft = false;
  bool Flagged = false;
  bool Answered = false;
  QList<QByteArray> Keywords;
};

// Where the server put a message it stored; Uid 0 when it does not tell
// (a server without UIDPLUS).
struct TNewUid {
  std::uint32_t UidValidity = 0;
  std::uint32_t Uid = 0;
};

// What one FETCH of the field walk gives of a message.
struct TFetchedOutline {
  std::uint32_t Uid = 0;
  QByteArray Header;  // the header block, the blank line included
  QByteArray Body;    // the MIME structure written as empty parts (see outline.h)
  bool Exact = true;  // false: the structure alone cannot sort its attachments
  TMessageFlags Flags;
  std::int64_t InternalDate = 0;  // Unix time
  std::uint32_t Size = 0;
};

// Runs before each command that changes the server's messages ("COPY",
// "MOVE", "APPEND", "STORE", "EXPUNGE"), for tests that stop the server
// at that point.
using TCommandHook = std::function<void(const char* command)>;
void SetCommandHook(TCommandHook hook);

class TImapConnection {
public:
  TImapConnection(twksession::TStoreConfig config, QString storeName);
  ~TImapConnection();
  TImapConnection(const TImapConnection&) = delete;
  TImapConnection& operator=(const TImapConnection&) = delete;

  // Connects and logs in unless connected.
  void Open();
  // Logs out and closes; Drop closes without a word (a broken connection).
  void Close();
  void Drop();
  bool HasCapability(const char* name);

  std::vector<TListEntry> List();
  void Create(const QByteArray& mailbox);
  // Selects the mailbox (again, when asked to refresh).
  TMailboxState Select(const QByteArray& mailbox, bool refresh = false);
  // The commands on messages name their mailbox: it is selected first when
  // it is not (also after a reconnect).
  //
  // UIDs of the messages not marked deleted (with deleted: all), ascending;
  // with a keyword or a Message-ID only those that have it; with fromUid
  // only those from that UID on.
  std::vector<std::uint32_t> SearchUids(const QByteArray& mailbox, const QByteArray& keyword = {},
                                        const QByteArray& messageId = {}, bool deleted = false,
                                        std::uint32_t fromUid = 0);
  // One pipelined FETCH for all of uids.
  std::vector<TFetchedOutline> FetchOutlines(const QByteArray& mailbox, const std::vector<std::uint32_t>& uids);
  // The whole message, in pieces, to sink (never setting \Seen); false when the message is gone.
  bool FetchWhole(const QByteArray& mailbox, std::uint32_t uid,
                  const std::function<void(const char*, size_t)>& sink);
  // Several whole messages in one FETCH, each handed to sink whole (for
  // small messages only: they are held in memory at once).
  void FetchWholeMany(const QByteArray& mailbox, const std::vector<std::uint32_t>& uids,
                      const std::function<void(std::uint32_t uid, const char*, size_t)>& sink);
  // Copy and move within the server.
  TNewUid Copy(const QByteArray& mailbox, std::uint32_t uid, const QByteArray& dest);
  TNewUid Move(const QByteArray& mailbox, std::uint32_t uid, const QByteArray& dest);
  TNewUid Append(const QByteArray& mailbox, const QByteArray& bytes, const TMessageFlags& flags,
                       std::int64_t internalDate);
  void AddFlags(const QByteArray& mailbox, std::uint32_t uid, bool deleted, const QByteArray& keyword);
  void RemoveKeyword(const QByteArray& mailbox, std::uint32_t uid, const QByteArray& keyword);
  // Removes the one message (UID EXPUNGE; plain EXPUNGE without UIDPLUS).
  void Expunge(const QByteArray& mailbox, std::uint32_t uid);
  void Noop();

  mailimap* Raw() { return FImap; }
  const QString& StoreName() const { return FStoreName; }
  const twksession::TStoreConfig& Config() const { return FConfig; }
  // Locks the connection for one command or a sequence of them.
  std::recursive_mutex& Lock() { return FLock; }

private:
  void Connect();
  void Login();
  [[noreturn]] void Fail(int rc, const QString& what);
  void Check(int rc, const QString& what);
  void EnsureSelected(const QByteArray& mailbox);
  bool CanMove();
  // A message in dest with the Message-ID and the size of uid in mailbox:
  // the copy an earlier move left there when its connection was lost.
  TNewUid FindCopy(const QByteArray& mailbox, std::uint32_t uid, const QByteArray& dest);
  // One UID COPY or MOVE out of the selected mailbox; the new UID where the server tells it.
  TNewUid Transfer(std::uint32_t uid, const QByteArray& dest, bool move);
  // UID, Message-ID header line and size of each of uids.
  struct TIdAndSize {
    std::uint32_t Uid = 0;
    QByteArray Id;
    std::uint32_t Size = 0;
  };
  std::vector<TIdAndSize> IdsAndSizes(const QByteArray& mailbox, const std::vector<std::uint32_t>& uids);
  void Hook(const char* command);
  // Runs a command that only reads; a connection found lost is made again
  // and the command sent once more.
  template <class F>
  auto Reading(F&& command) {
    try {
      return command();
    } catch (const EComError&) {
      if (FImap || !FWasOpen) throw;
      return command();
    }
  }
  // Before a change: a connection unused for a while is checked first, so a
  // change is never sent into a connection the server dropped meanwhile (its
  // retry could not know whether the server had done it).
  void Fresh();

  twksession::TStoreConfig FConfig;
  QString FStoreName;
  mailimap* FImap = nullptr;
  QByteArray FSelected;
  QByteArray FPassword;
  bool FWasOpen = false;     // the last command found the connection open
  QElapsedTimer FLastUse;
  std::recursive_mutex FLock;
};

}  // namespace twkimap
