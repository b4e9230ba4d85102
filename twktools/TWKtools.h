// The store component's interface: the object model the system uses of the
// mail store (session, stores, folders, items, messages, attachments,
// recipients, address entries, the new-mail event, decrypted copies).
//
// The component (TWKtools64.so) is loaded at run time by the system's loader
// and never linked. Objects are reference counted (AddRef/Release, held by
// TwkPtr); failures are thrown as EComError with a result code and a message.
// Collections are indexed from 1. Entry IDs and store IDs are upper-case
// hexadecimal text.
#pragma once

#include "twktools/TWKerrors.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <cstring>
#include <functional>
#include <utility>

// Days since 30 December 1899, local time; 0 means no date.
using TDateTimeValue = double;

// ---------------------------------------------------------------------------
// Class and interface identifiers.

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
using CLSID = GUID;
using IID = GUID;

inline bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

// {29AB7A12-B531-450E-8F7A-EA94C2F3C05F}
constexpr CLSID CLSID_RDOSession = {0x29AB7A12, 0xB531, 0x450E, {0x8F, 0x7A, 0xEA, 0x94, 0xC2, 0xF3, 0xC0, 0x5F}};
// {E54C5168-AA8C-405F-9C14-A4037302BD9D}
constexpr IID IID_IRDOSession = {0xE54C5168, 0xAA8C, 0x405F, {0x9C, 0x14, 0xA4, 0x03, 0x73, 0x02, 0xBD, 0x9D}};
// {00000000-0000-0000-C000-000000000046}
constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {00000001-0000-0000-C000-000000000046}
constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// Our own interface IDs for the casts the system makes with QueryInterface.
// {7D0B5E11-3C2A-4F4B-9E57-2A61C0D1E001}
constexpr IID IID_IRDOMail = {0x7D0B5E11, 0x3C2A, 0x4F4B, {0x9E, 0x57, 0x2A, 0x61, 0xC0, 0xD1, 0xE0, 0x01}};
// {7D0B5E11-3C2A-4F4B-9E57-2A61C0D1E002}
constexpr IID IID_IRDOEncryptedMessage = {0x7D0B5E11, 0x3C2A, 0x4F4B, {0x9E, 0x57, 0x2A, 0x61, 0xC0, 0xD1, 0xE0, 0x02}};

// ---------------------------------------------------------------------------
// Reference counting.

class IUnknown {
public:
  virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

protected:
  virtual ~IUnknown() = default;
};

// Holds one reference; copying adds one, destruction releases it.
template <class T>
class TwkPtr {
public:
  TwkPtr() = default;
  TwkPtr(std::nullptr_t) {}
  // Takes over a reference the caller already owns (a freshly created object).
  static TwkPtr Adopt(T* p) {
    TwkPtr r;
    r.FP = p;
    return r;
  }
  // Adds a reference of its own.
  explicit TwkPtr(T* p) : FP(p) {
    if (FP) FP->AddRef();
  }
  TwkPtr(const TwkPtr& o) : FP(o.FP) {
    if (FP) FP->AddRef();
  }
  TwkPtr(TwkPtr&& o) noexcept : FP(std::exchange(o.FP, nullptr)) {}
  template <class U>
  TwkPtr(const TwkPtr<U>& o) : FP(o.get()) {
    if (FP) FP->AddRef();
  }
  ~TwkPtr() { reset(); }
  TwkPtr& operator=(TwkPtr o) noexcept {
    std::swap(FP, o.FP);
    return *this;
  }
  void reset() {
    if (FP) std::exchange(FP, nullptr)->Release();
  }
  T* get() const { return FP; }
  T* operator->() const { return FP; }
  T& operator*() const { return *FP; }
  explicit operator bool() const { return FP != nullptr; }
  T* detach() { return std::exchange(FP, nullptr); }

private:
  T* FP = nullptr;
};

// QueryInterface as a cast; empty when the object does not have the interface.
template <class T>
TwkPtr<T> QueryAs(IUnknown* object, const IID& iid) {
  void* p = nullptr;
  if (!object || FAILED(object->QueryInterface(iid, &p)) || !p) return {};
  return TwkPtr<T>::Adopt(static_cast<T*>(p));
}

class IClassFactory : public IUnknown {
public:
  virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) = 0;
  virtual HRESULT LockServer(bool lock) = 0;
};

// The component's one export (C linkage), looked up with dlsym.
extern "C" {
using TDllGetClassObject = HRESULT (*)(const CLSID* clsid, const IID* iid, void** object);
}

// ---------------------------------------------------------------------------
// The object model.

class IRDOFolder;
class IRDOMail;
class IRDOStore;

// Save-as-file format codes.
enum : int {
  olTXT = 0,
  olRTF = 1,
  olMSG = 3,
  olHTML = 5,
  olMSGUnicode = 9,
  olRFC822 = 1024,
  olMHTML = 1027,
};

// Attachment types.
enum : int { olByValue = 1, olEmbeddeditem = 5 };

// Recipient types.
enum : int { olTo = 1, olCC = 2, olBCC = 3 };

// Folder classification: 1 is a mail folder.
enum : int { olFolderKindOther = 0, olFolderKindMail = 1 };

// Default folders.
enum : int { olFolderDeletedItems = 3, olFolderSentMail = 5, olFolderInbox = 6, olFolderDrafts = 16 };

// Property tags answered by IRDOMail::Fields (the save-as-file writers read
// the message through these and the members below, so they serve every backend).
constexpr std::uint32_t PR_TRANSPORT_MESSAGE_HEADERS = 0x007D001E;  // text: the header block of a delivered message
constexpr std::uint32_t PR_INTERNET_MESSAGE_ID = 0x1035001F;        // text: Message-ID, brackets kept
constexpr std::uint32_t PR_IN_REPLY_TO_ID = 0x1042001F;             // text
constexpr std::uint32_t PR_INTERNET_REFERENCES = 0x1039001F;        // text
constexpr std::uint32_t PR_MESSAGE_FLAGS = 0x0E070003;              // int: MSGFLAG_READ 1, MSGFLAG_UNSENT 8, MSGFLAG_HASATTACH 16
constexpr std::uint32_t PR_IMPORTANCE = 0x00170003;                 // int: 0 low, 1 normal, 2 high
constexpr std::uint32_t PR_INTERNET_CPID = 0x3FDE0003;              // int: code page of the body (65001 for UTF-8)
constexpr std::uint32_t PR_MESSAGE_SIZE = 0x0E080003;               // int64: the message's size in bytes

class IRDOAddressEntry : public IUnknown {
public:
  virtual QString Name() = 0;
  virtual QString Address() = 0;
  virtual QString Type() = 0;  // "SMTP"
};

class IRDORecipient : public IUnknown {
public:
  virtual QString Name() = 0;
  virtual QString Address() = 0;
  virtual int Type() = 0;  // olTo, olCC, olBCC
  // True when the name and address are to be taken from AddressEntry().
  virtual bool Resolved() = 0;
  virtual TwkPtr<IRDOAddressEntry> AddressEntry() = 0;
};

class IRDORecipients : public IUnknown {
public:
  virtual int Count() = 0;
  virtual TwkPtr<IRDORecipient> Item(int index) = 0;
};

class IRDOAttachment : public IUnknown {
public:
  virtual int Type() = 0;  // olByValue or olEmbeddeditem
  virtual bool Hidden() = 0;
  virtual QString FileName() = 0;
  virtual QString DisplayName() = 0;
  virtual QString MimeType() = 0;
  virtual QString ContentID() = 0;
  virtual std::int64_t Size() = 0;  // decoded size in bytes
  virtual int Position() = 0;       // index in the collection, from 1
  // Writes the decoded content (an embedded message: its message bytes),
  // streamed from the message file. A new path is written directly, an
  // existing file replaced only by a complete one; nothing is synced (the
  // caller syncs what it relies on).
  virtual void SaveAsFile(const QString& path) = 0;
  // The decoded content in memory.
  virtual QByteArray Data() = 0;
  // Removes the attachment from its message; takes effect on the message's Save.
  virtual void Delete() = 0;
  // The attached message of an embedded attachment; none otherwise.
  virtual TwkPtr<IRDOMail> EmbeddedMsg() = 0;
};

class IRDOAttachments : public IUnknown {
public:
  virtual int Count() = 0;
  virtual TwkPtr<IRDOAttachment> Item(int index) = 0;
  // Adds a file by value as the last attachment; takes effect on Save.
  virtual TwkPtr<IRDOAttachment> Add(const QString& sourcePath, int type, int position,
                                     const QString& displayName) = 0;
};

class IRDOMail : public IUnknown {
public:
  virtual QString EntryID() = 0;
  virtual QString StoreID() = 0;
  // The folder that holds the message; none for a message outside a store
  // (an embedded message, a message read from a file).
  virtual TwkPtr<IRDOFolder> Parent() = 0;

  virtual QString MessageClass() = 0;
  virtual QString Subject() = 0;
  virtual void SetSubject(const QString& subject) = 0;
  virtual bool Sent() = 0;
  virtual bool UnRead() = 0;
  virtual TwkPtr<IRDOAddressEntry> Sender() = 0;
  virtual TwkPtr<IRDOAddressEntry> SentOnBehalfOf() = 0;
  virtual TDateTimeValue SentOn() = 0;
  virtual TDateTimeValue ReceivedTime() = 0;
  virtual TDateTimeValue LastModificationTime() = 0;
  virtual TDateTimeValue CreationTime() = 0;
  // A property by tag; an invalid QVariant when the message has none.
  virtual QVariant Fields(std::uint32_t propTag) = 0;
  virtual TwkPtr<IRDORecipients> Recipients() = 0;
  virtual TwkPtr<IRDOAttachments> Attachments() = 0;
  // The main body: its plain text (empty when there is none; no conversion
  // from HTML here) and its HTML (empty when there is none), decoded.
  virtual QString Body() = 0;
  virtual QString HTMLBody() = 0;

  // The message as RFC 5322 bytes: as stored, or as Save would write it.
  virtual QByteArray MimeContent() = 0;
  // Writes the changes (subject, attachments) back, crash-safely; a stored
  // message gets a new entry ID.
  virtual void Save() = 0;
  // Writes the message as a file in one of the save-as-file formats, as
  // SaveAsFile writes (olRFC822 streamed from the message file).
  virtual void SaveAs(const QString& path, int format) = 0;
  virtual TwkPtr<IRDOMail> CopyTo(IRDOFolder* folder) = 0;
  virtual TwkPtr<IRDOMail> Move(IRDOFolder* folder) = 0;
};

// A signed or encrypted message's decrypted copy (a cast of the mail).
class IRDOEncryptedMessage : public IUnknown {
public:
  // The decrypted (or unwrapped) message; throws when it cannot be had
  // (no key, damaged content).
  virtual TwkPtr<IRDOMail> GetDecryptedMessage() = 0;
};

class IRDOItems : public IUnknown {
public:
  virtual int Count() = 0;
  // The message at index (from 1), in delivery order.
  virtual TwkPtr<IRDOMail> Item(int index) = 0;
};

class IRDOFolders : public IUnknown {
public:
  virtual int Count() = 0;
  virtual TwkPtr<IRDOFolder> Item(int index) = 0;
  // Name ignoring case; none when there is no such subfolder.
  virtual TwkPtr<IRDOFolder> ItemByName(const QString& name) = 0;
  // Creates a real mail folder.
  virtual TwkPtr<IRDOFolder> Add(const QString& name, int folderType = olFolderKindMail) = 0;
};

class IRDOFolder : public IUnknown {
public:
  virtual QString EntryID() = 0;
  virtual QString StoreID() = 0;
  virtual QString Name() = 0;
  virtual TwkPtr<IRDOFolder> Parent() = 0;  // none above the store's root
  virtual QString FolderPath() = 0;         // "\\Store\Inbox\Sub"
  virtual int Classification() = 0;         // olFolderKindMail for a mail folder
  virtual TwkPtr<IRDOStore> Store() = 0;
  virtual TwkPtr<IRDOItems> Items() = 0;
  virtual TwkPtr<IRDOFolders> Folders() = 0;
};

class IRDOStore : public IUnknown {
public:
  virtual QString Name() = 0;
  virtual QString StoreID() = 0;
  virtual bool IsDefault() = 0;
  // True for a store that is never written (an archive file read in place):
  // no message in it is changed, moved or added.
  virtual bool ReadOnly() = 0;
  virtual TwkPtr<IRDOFolder> RootFolder() = 0;
  virtual TwkPtr<IRDOFolder> GetDefaultFolder(int folderType) = 0;
};

class IRDOStores : public IUnknown {
public:
  virtual int Count() = 0;
  virtual TwkPtr<IRDOStore> Item(int index) = 0;
  virtual TwkPtr<IRDOStore> DefaultStore() = 0;
};

// Receives the session's events, on the thread that owns the session.
class IRDOSessionEvents {
public:
  virtual void OnNewMail(const QString& entryID) = 0;

protected:
  ~IRDOSessionEvents() = default;
};

// Supplies the folder picker window (the desktop application); without one,
// PickFolder reports cancel.
using TFolderPicker = std::function<TwkPtr<IRDOFolder>(IRDOFolder* selected, const QString& caption,
                                                        void* parentWindow)>;

class IRDOSession : public IUnknown {
public:
  // Logs on with the profile; fails with a message naming the places tried.
  virtual void Logon() = 0;
  virtual void Logoff() = 0;
  virtual bool LoggedOn() = 0;
  // Shares another session's logon (the desktop application's).
  virtual void SetMAPIOBJECT(IUnknown* mapiObject) = 0;
  virtual IUnknown* MAPIOBJECT() = 0;

  virtual TwkPtr<IRDOStores> Stores() = 0;
  virtual TwkPtr<IRDOMail> GetMessageFromID(const QString& entryID, const QString& storeID = QString()) = 0;
  virtual TwkPtr<IRDOFolder> GetFolderFromID(const QString& entryID, const QString& storeID, int flags) = 0;
  virtual TwkPtr<IRDOFolder> GetDefaultFolder(int folderType) = 0;
  virtual bool CompareEntryIDs(const QString& id1, const QString& id2) = 0;
  virtual TwkPtr<IRDOFolder> PickFolder(IRDOFolder* selected, const QString& caption, void* parentWindow,
                                        int flags) = 0;
  virtual void SetFolderPicker(TFolderPicker picker) = 0;
  virtual TwkPtr<IRDOAddressEntry> CurrentUser() = 0;

  // A message outside any store: a message file on disk, or MIME bytes (the
  // message being sent, a message to convert).
  virtual TwkPtr<IRDOMail> GetMessageFromFile(const QString& path) = 0;
  virtual TwkPtr<IRDOMail> GetMessageFromMIME(const QByteArray& mime) = 0;

  // Events; sink may be null to unsubscribe.
  virtual void Advise(IRDOSessionEvents* sink) = 0;
};
