// What the session needs of a store, whatever kind it is (a maildir tree, a
// mail server account): the lookups by entry ID and the new-mail watch.
// Each backend's store implements it; nothing above the component sees it.
#pragma once

#include "twktools/TWKtools.h"
#include "twktools/session/Profile.h"

#include <functional>
#include <memory>

namespace twksession {

// A running new-mail watch; Stop ends the events at once, also from a batch
// being delivered now (the handler may stop the watch while it runs).
class TNewMailWatch {
public:
  virtual ~TNewMailWatch() = default;
  virtual void Stop() = 0;
};

using TNewMailHandler = std::function<void(const QString& entryID)>;

// A mail folder that takes a message as bytes: the way a message reaches a
// folder of another kind of store (a copy or move between backends).
class TMessageDestination {
public:
  // arrival: Unix time of the message's arrival in its old folder (0: now).
  virtual TwkPtr<IRDOMail> StoreMessage(const QByteArray& mime, bool unread, std::int64_t arrival) = 0;

protected:
  ~TMessageDestination() = default;
};

class TBackendStore : public IRDOStore {
public:
  virtual const TStoreConfig& Config() const = 0;
  // Stores are written unless their backend says otherwise.
  bool ReadOnly() override { return false; }
  // The folder or message of one of this store's entry IDs; none when the ID
  // is not this store's or names nothing (any more).
  virtual TwkPtr<IRDOFolder> FolderFromID(const QString& entryID) = 0;
  virtual TwkPtr<IRDOMail> MessageFromID(const QString& entryID) = 0;
  // Watches the Inbox on the calling thread's event loop; none when the
  // store has no Inbox to watch.
  virtual std::unique_ptr<TNewMailWatch> WatchInbox(TNewMailHandler handler) = 0;
};

// Opens the store of one profile entry (the backend its type names).
TwkPtr<TBackendStore> OpenStore(const TStoreConfig& config);

}  // namespace twksession
