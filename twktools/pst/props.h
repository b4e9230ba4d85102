// The one place that calls libpff: the open file and the readers of an
// item's properties. Every call into the library holds the file's lock (the
// library's handles are not safe across threads).
#pragma once

#include <libpff.h>

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

namespace twkpst {

// Size and modification time of a file: an item's ID is kept only while they stay.
struct TStamp {
  std::int64_t Size = -1;
  std::int64_t MTimeNs = 0;
  bool operator==(const TStamp&) const = default;
};
TStamp StampOf(const QString& path);

class TPstFile {
public:
  // Throws EComError(MAPI_E_LOGON_FAILED) naming the file and what is wrong with it.
  static std::shared_ptr<TPstFile> Open(const QString& path);
  ~TPstFile();
  TPstFile(const TPstFile&) = delete;
  TPstFile& operator=(const TPstFile&) = delete;

  const QString& Path() const { return FPath; }
  const TStamp& Stamp() const { return FStamp; }
  libpff_file_t* Handle() const { return FFile; }
  std::recursive_mutex& Lock() { return FLock; }

private:
  TPstFile() = default;
  QString FPath;
  TStamp FStamp;
  libpff_file_t* FFile = nullptr;
  std::recursive_mutex FLock;
};

// An item handle of the library, freed with it (the file's lock held by the caller).
class TItem {
public:
  TItem() = default;
  TItem(TItem&& o) noexcept : FItem(o.FItem) { o.FItem = nullptr; }
  TItem& operator=(TItem&& o) noexcept {
    std::swap(FItem, o.FItem);
    return *this;
  }
  ~TItem();
  libpff_item_t* get() const { return FItem; }
  libpff_item_t** out() { return &FItem; }
  explicit operator bool() const { return FItem != nullptr; }

private:
  libpff_item_t* FItem = nullptr;
};

// The library's message of a failed call (and the error freed); empty for none.
QString TakeError(libpff_error_t*& error);

// MAPI property IDs (the upper 16 bits of a tag) this backend reads.
enum : std::uint32_t {
  PidImportance = 0x0017,
  PidMessageClass = 0x001A,
  PidSubject = 0x0037,
  PidClientSubmitTime = 0x0039,
  PidSentRepresentingName = 0x0042,
  PidSentRepresentingAddrType = 0x0064,
  PidSentRepresentingEmail = 0x0065,
  PidTransportHeaders = 0x007D,
  PidRecipientType = 0x0C15,
  PidSenderName = 0x0C1A,
  PidSenderAddrType = 0x0C1E,
  PidSenderEmail = 0x0C1F,
  PidDeliveryTime = 0x0E06,
  PidMessageFlags = 0x0E07,
  PidMessageSize = 0x0E08,
  PidInternetMessageId = 0x1035,
  PidInternetReferences = 0x1039,
  PidInReplyTo = 0x1042,
  PidAttrHidden = 0x10F4,
  PidDisplayName = 0x3001,
  PidAddrType = 0x3002,
  PidEmailAddress = 0x3003,
  PidCreationTime = 0x3007,
  PidLastModificationTime = 0x3008,
  PidIpmSubtreeEntryId = 0x35E0,
  PidIpmWastebasketEntryId = 0x35E3,
  PidIpmSentMailEntryId = 0x35E4,
  PidIpmDraftsEntryId = 0x36D7,
  PidAttachFilename = 0x3704,
  PidAttachMethod = 0x3705,
  PidAttachLongFilename = 0x3707,
  PidAttachMimeTag = 0x370E,
  PidAttachContentId = 0x3712,
  PidSmtpAddress = 0x39FE,
  PidInternetCodepage = 0x3FDE,
  PidSenderSmtpAddress = 0x5D01,
  PidSentRepresentingSmtpAddress = 0x5D02,
  PidAttachmentHidden = 0x7FFE,
};

// A property of record set `set` of the item (a recipient's set: its index);
// none when the item does not have it or it cannot be read.
std::optional<QString> StringProp(libpff_item_t* item, std::uint32_t id, int set = 0);
std::optional<std::uint32_t> IntProp(libpff_item_t* item, std::uint32_t id, int set = 0);
std::optional<bool> BoolProp(libpff_item_t* item, std::uint32_t id, int set = 0);
std::optional<QByteArray> BinaryProp(libpff_item_t* item, std::uint32_t id, int set = 0);
// A FILETIME as Unix seconds and milliseconds.
struct TUnixTime {
  std::int64_t Seconds = 0;
  int Msec = 0;
};
std::optional<TUnixTime> TimeProp(libpff_item_t* item, std::uint32_t id, int set = 0);

// The node identifier of an item; 0 when it has none.
std::uint32_t IdentifierOf(libpff_item_t* item);
// The node an entry ID property (flags, provider, node) names; 0 for none.
std::uint32_t NodeOfEntryID(const QByteArray& entryID);

}  // namespace twkpst
