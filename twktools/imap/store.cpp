#include "twktools/imap/store.h"

#include "twktools/imap/folder.h"
#include "twktools/imap/ids.h"
#include "twktools/imap/items.h"
#include "twktools/imap/message.h"
#include "twktools/imap/newmail.h"
#include "twktools/maildir/utf7.h"

#include <QLocale>
#include <algorithm>

namespace twkimap {

namespace {

const QByteArray kInbox = QByteArrayLiteral("INBOX");

// Default folder numbers besides the Inbox, as the special-use flags name them.
constexpr int kFolderDeletedItems = 3;
constexpr int kFolderSentMail = 5;
constexpr int kFolderDrafts = 16;

bool SameText(const QString& a, const QString& b) {
  const QLocale locale = QLocale::system();
  return locale.toUpper(a) == locale.toUpper(b);
}

}  // namespace

TImapStore::TImapStore(const twksession::TStoreConfig& config)
    : TStoreBase(config),
      FConnection(std::make_unique<TImapConnection>(config, config.DisplayName)),
      FOwn(std::make_shared<TOwnAdditions>()) {
  FName = config.DisplayName;
  FStoreKey = StoreKeyOf(config);
}

TwkPtr<TImapStore> TImapStore::Open(const twksession::TStoreConfig& config) {
  auto store = TwkPtr<TImapStore>::Adopt(new TImapStore(config));
  store->FConnection->Open();
  return store;
}

TwkPtr<IRDOFolder> TImapStore::RootFolder() { return FolderOf(QByteArray()); }

TwkPtr<IRDOFolder> TImapStore::GetDefaultFolder(int folderType) {
  if (folderType == olFolderInbox) return FolderOf(kInbox);
  const char* use = folderType == kFolderSentMail ? "Sent" : folderType == kFolderDrafts ? "Drafts"
                    : folderType == kFolderDeletedItems ? "Trash" : nullptr;
  if (use) {
    LoadFolders();
    for (auto it = FFolders.cbegin(); it != FFolders.cend(); ++it)
      if (it->SpecialUse == QLatin1String(use)) return FolderOf(it.key());
  }
  throw EComError(MAPI_E_NOT_FOUND, QStringLiteral("Default folder %1 is not available").arg(folderType));
}

void TImapStore::LoadFolders(bool again) {
  if (FFoldersLoaded && !again) return;
  QHash<QByteArray, TFolderEntry> folders;
  for (const TListEntry& e : FConnection->List()) {
    FDelimiter = e.Delimiter;
    // The Inbox's name ignores case on every server.
    const QByteArray name = e.Name.compare(kInbox, Qt::CaseInsensitive) == 0 ? kInbox : e.Name;
    TFolderEntry& entry = folders[name];
    entry.Selectable = !e.NoSelect;
    entry.SpecialUse = e.SpecialUse;
    // Levels the server does not list are folders that hold no mail.
    for (qsizetype at = name.lastIndexOf(FDelimiter); at > 0; at = name.lastIndexOf(FDelimiter, at - 1))
      if (!folders.contains(name.left(at))) folders.insert(name.left(at), TFolderEntry{});
  }
  if (!folders.contains(kInbox)) folders.insert(kInbox, TFolderEntry{true, {}});
  FFolders = std::move(folders);
  FFoldersLoaded = true;
}

bool TImapStore::FolderExists(const QByteArray& key) {
  if (key.isEmpty()) return true;
  LoadFolders();
  // Another mail program may have made it since the list was read.
  if (!FFolders.contains(key)) LoadFolders(true);
  return FFolders.contains(key);
}

bool TImapStore::IsMailFolder(const QByteArray& key) {
  if (key.isEmpty()) return false;
  LoadFolders();
  return FFolders.value(key).Selectable;
}

QString TImapStore::DisplayNameOf(const QByteArray& key) {
  if (key.isEmpty()) return FName;
  if (key == kInbox) return QStringLiteral("Inbox");
  LoadFolders();
  return twkmaildir::DecodeFolderName(QString::fromUtf8(key.mid(key.lastIndexOf(FDelimiter) + 1)));
}

QByteArray TImapStore::ParentOf(const QByteArray& key) {
  LoadFolders();
  const qsizetype at = key.lastIndexOf(FDelimiter);
  return at > 0 ? key.left(at) : QByteArray();
}

QList<QByteArray> TImapStore::ChildKeys(const QByteArray& key) {
  LoadFolders();
  QList<QByteArray> keys;
  for (auto it = FFolders.cbegin(); it != FFolders.cend(); ++it)
    if (ParentOf(it.key()) == key && it.key() != key) keys << it.key();
  const QLocale locale = QLocale::system();
  std::sort(keys.begin(), keys.end(), [&](const QByteArray& a, const QByteArray& b) {
    if ((a == kInbox) != (b == kInbox)) return a == kInbox;
    const QString na = locale.toUpper(DisplayNameOf(a)), nb = locale.toUpper(DisplayNameOf(b));
    return na != nb ? na < nb : a < b;
  });
  return keys;
}

QByteArray TImapStore::CreateFolder(const QByteArray& parentKey, const QString& name) {
  if (name.isEmpty()) throw EComError(E_INVALIDARG, QStringLiteral("A folder name cannot be empty"));
  LoadFolders();
  if (name.contains(QLatin1Char(FDelimiter)))
    throw EComError(E_INVALIDARG, QStringLiteral("A folder name on the mail server of \"%1\" cannot hold \"%2\"")
                                      .arg(FName, QString(QLatin1Char(FDelimiter))));
  for (const QByteArray& k : ChildKeys(parentKey))
    if (SameText(DisplayNameOf(k), name))
      throw EComError(MAPI_E_COLLISION, QStringLiteral("A folder named \"%1\" already exists").arg(name));
  const QByteArray segment = twkmaildir::EncodeFolderName(name, QString()).toUtf8();
  const QByteArray key = parentKey.isEmpty() ? segment : parentKey + FDelimiter + segment;
  FConnection->Create(key);
  LoadFolders(true);
  return key;
}

TwkPtr<TImapFolder> TImapStore::FolderOf(const QByteArray& key) {
  if (!FolderExists(key)) return {};
  return TwkPtr<TImapFolder>::Adopt(new TImapFolder(TwkPtr<TImapStore>(this), key));
}

std::shared_ptr<TMailbox> TImapStore::MailboxOf(const QByteArray& key) {
  auto& slot = FMailboxes[key];
  if (!slot) slot = std::make_shared<TMailbox>(*FConnection, key);
  return slot;
}

TwkPtr<IRDOFolder> TImapStore::FolderFromID(const QString& entryID) {
  const auto id = DecodeID(entryID);
  if (!id || id->IsMessage || id->StoreKey != FStoreKey) return {};
  return FolderOf(id->Mailbox);
}

TwkPtr<IRDOMail> TImapStore::MessageFromID(const QString& entryID) {
  const auto id = DecodeID(entryID);
  if (!id || !id->IsMessage || id->StoreKey != FStoreKey || !IsMailFolder(id->Mailbox)) return {};
  TwkPtr<TImapFolder> folder = FolderOf(id->Mailbox);
  std::shared_ptr<TMailbox> box = MailboxOf(id->Mailbox);
  box->Refresh();
  // Renumbered by the server: the old IDs name nothing now.
  if (box->UidValidity() != id->UidValidity || !box->Contains(id->Uid)) return {};
  return TImapMessage::Open(folder, box, id->Uid);
}

std::unique_ptr<twksession::TNewMailWatch> TImapStore::WatchInbox(twksession::TNewMailHandler handler) {
  if (!IsMailFolder(kInbox)) return nullptr;
  return std::make_unique<TInboxWatcher>(FConfig, FName, FStoreKey, kInbox, FOwn, std::move(handler));
}

void TImapStore::NoteAdded(const QByteArray& key, std::uint32_t uidValidity, std::uint32_t uid) {
  if (key == kInbox) FOwn->Add(uidValidity, uid);
}

}  // namespace twkimap
