// A folder's messages: the cached listing of cur/ and new/ in delivery order,
// and the item collection over it.
#pragma once

#include "twktools/maildir/Backend.h"
#include "twktools/maildir/comobject.h"

#include <QHash>
#include <QSet>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace twkmaildir {

// Delivery order of two unique names: the leading delivery time in seconds
// numerically, then the rest as bytes.
bool DeliveredBefore(const QString& a, const QString& b);

struct TListedMessage {
  QString UniqueName;
  QString FilePath;
};

// The listing of one maildir, shared by every object of that folder. It is
// read once and re-read only when the change times of cur/ or new/ show an
// outside change; our own changes arrive through Added/Removed.
class TListing {
public:
  explicit TListing(QString maildirPath);

  int Count();
  // Index from 0 in delivery order; false when out of range.
  bool At(int index, TListedMessage& out);
  // The file of a unique name; empty when the folder has none.
  QString FindFile(const QString& uniqueName);
  // Every unique name now in the folder.
  QSet<QString> UniqueNames();

  void Added(const QString& filePath);
  void Removed(const QString& filePath);

  // Unique names we added ourselves since the last call (the new-mail
  // watcher does not count them as deliveries); recorded only while watched.
  void SetWatched(bool watched);
  bool TakeOwnAddition(const QString& uniqueName);

  // How many times the directories were read (for tests of the cache).
  int ReadCount() const { return FReadCount; }

private:
  struct TStamp {
    timespec CurTime{}, NewTime{};
    bool operator==(const TStamp& o) const;
  };
  TStamp StampNow() const;
  void Refresh();
  void Read();
  void ReadDir(const QString& dir, QHash<QString, qsizetype>& seen);
  void Insert(const TListedMessage& m);

  std::mutex FLock;
  QString FMaildir;
  bool FRead = false;
  TStamp FStamp;
  std::int64_t FReadAt = 0;  // monotonic ms of the last read
  bool FStampRecent = false;  // a change time too close to the read to trust
  std::vector<TListedMessage> FMessages;
  QHash<QString, qsizetype> FIndex;  // unique name -> position, rebuilt lazily
  bool FIndexValid = false;
  bool FWatched = false;
  QSet<QString> FOwnAdded;
  int FReadCount = 0;
};

// The item collection of a folder; a folder that is not a mail folder has
// no listing and no items.
class TMaildirItems final : public TComObject<IRDOItems> {
public:
  TMaildirItems(TwkPtr<MailFolder> folder, std::shared_ptr<TListing> listing);
  int Count() override;
  TwkPtr<IRDOMail> Item(int index) override;

private:
  TwkPtr<MailFolder> FFolder;
  std::shared_ptr<TListing> FListing;
};

}  // namespace twkmaildir
