#include "twktools/imap/folder.h"

#include "twktools/imap/ids.h"
#include "twktools/imap/items.h"
#include "twktools/imap/message.h"

#include <QLocale>

namespace twkimap {

TImapFolder::TImapFolder(TwkPtr<TImapStore> store, QByteArray key) : FStore(std::move(store)), FKey(std::move(key)) {}

QString TImapFolder::EntryID() { return FolderEntryID(FStore->StoreKey(), FKey); }

QString TImapFolder::MessageEntryID(std::uint32_t uidValidity, std::uint32_t uid) {
  return twkimap::MessageEntryID(FStore->StoreKey(), FKey, uidValidity, uid);
}

TwkPtr<IRDOFolder> TImapFolder::Parent() {
  if (FKey.isEmpty()) return {};
  return FStore->FolderOf(FStore->ParentOf(FKey));
}

QString TImapFolder::FolderPath() {
  QString path;
  for (QByteArray k = FKey; !k.isEmpty(); k = FStore->ParentOf(k)) path.prepend(QLatin1Char('\\') + FStore->DisplayNameOf(k));
  return QStringLiteral("\\\\") + FStore->Name() + path;
}

TwkPtr<IRDOItems> TImapFolder::Items() {
  std::shared_ptr<TMailbox> box;
  if (FStore->IsMailFolder(FKey)) {
    box = FStore->MailboxOf(FKey);
    box->Refresh();
  }
  return TwkPtr<IRDOItems>::Adopt(new TImapItems(TwkPtr<TImapFolder>(this), std::move(box)));
}

TwkPtr<IRDOMail> TImapFolder::StoreMessage(const QByteArray& mime, bool unread, std::int64_t arrival) {
  if (!FStore->IsMailFolder(FKey))
    throw EComError(MAPI_E_NO_SUPPORT, QStringLiteral("The destination folder \"%1\" is not a mail folder").arg(FolderPath()));
  TMessageFlags flags;
  flags.Seen = !unread;
  return PlacedMessage(this, FStore->Connection().Append(FKey, mime, flags, arrival));
}

TwkPtr<IRDOFolders> TImapFolder::Folders() { return TwkPtr<IRDOFolders>::Adopt(new TImapFolders(FStore, FKey)); }

TImapFolders::TImapFolders(TwkPtr<TImapStore> store, QByteArray parentKey)
    : FStore(std::move(store)), FParentKey(std::move(parentKey)), FKeys(FStore->ChildKeys(FParentKey)) {}

TwkPtr<IRDOFolder> TImapFolders::Item(int index) {
  if (index < 1 || index > FKeys.size())
    throw EComError(E_INVALIDARG, QStringLiteral("Folder index %1 is out of range").arg(index));
  return TwkPtr<IRDOFolder>::Adopt(new TImapFolder(FStore, FKeys[index - 1]));
}

TwkPtr<IRDOFolder> TImapFolders::ItemByName(const QString& name) {
  const QLocale locale = QLocale::system();
  for (const QByteArray& key : FKeys)
    if (locale.toUpper(FStore->DisplayNameOf(key)) == locale.toUpper(name))
      return TwkPtr<IRDOFolder>::Adopt(new TImapFolder(FStore, key));
  return {};
}

TwkPtr<IRDOFolder> TImapFolders::Add(const QString& name, int) {
  // Every folder made here is a mail folder; the type asks for nothing else.
  const QByteArray key = FStore->CreateFolder(FParentKey, name);
  FKeys = FStore->ChildKeys(FParentKey);
  return TwkPtr<IRDOFolder>::Adopt(new TImapFolder(FStore, key));
}

}  // namespace twkimap
