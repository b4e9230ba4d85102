// A folder's messages: the cached listing of cur/ and new/ in delivery order,
// and the item collection over it.
#pragma once

#include "twktools/maildir/Backend.h"
#include "twktools/maildir/comobject.h"

#include <QSet>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace twkmaildir {

// One message of a listing: its file name in new/ or cur/.
struct TListedMessage {
  QString FileName;
  bool InNew = false;
};

// The listing of one maildir, shared by every object of that folder. It is
// read once and re-read only when the change times of cur/ or new/ show an
// outside change; our own changes arrive through Added/Removed.
//
// It holds the file names only, as the directory gave them, packed into one
// buffer: a folder of 100,000 messages costs a few megabytes, not one
// string object (or path) per message.
class TListing {
public:
  explicit TListing(QString maildirPath);

  int Count();
  // Index from 0 in delivery order; false when out of range.
  bool At(int index, TListedMessage& out);
  // The file of a unique name; empty when the folder has none.
  QString FindFile(const QString& uniqueName);
  QString PathOf(const TListedMessage& m) const;
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
  // A name in FNames: native bytes, the unique name its first UniqueLength.
  struct TEntry {
    quint32 Offset = 0;
    quint16 Length = 0;
    quint16 UniqueLength = 0;
    bool InNew = false;
  };
  TStamp StampNow() const;
  void Refresh();
  void Read();
  void ReadDir(bool inNew);
  QByteArrayView NameOf(const TEntry& e) const;
  QByteArrayView UniqueOf(const TEntry& e) const;
  TEntry Append(QByteArrayView name, bool inNew);
  // The entry of a path in our new/ or cur/ (its name appended); false for any other path.
  bool ParsePath(const QString& filePath, QByteArray& name, bool& inNew) const;
  std::vector<TEntry>::iterator LowerBound(QByteArrayView unique);
  std::vector<TEntry>::iterator Find(QByteArrayView unique);
  void Compact();

  std::mutex FLock;
  QString FMaildir;
  bool FRead = false;
  TStamp FStamp;
  std::int64_t FReadAt = 0;  // monotonic ms of the last read
  bool FStampRecent = false;  // a change time too close to the read to trust
  QByteArray FNames;            // every entry's name, back to back
  std::vector<TEntry> FEntries;  // in delivery order, one per unique name
  qsizetype FLiveBytes = 0;      // bytes of FNames still used by an entry
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
