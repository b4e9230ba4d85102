#include "twktools/maildir/folder.h"

#include "twktools/maildir/ids.h"

namespace twkmaildir {

TMaildirFolder::TMaildirFolder(TwkPtr<TMaildirStore> store, QString key) : FStore(std::move(store)), FKey(std::move(key)) {}

QString TMaildirFolder::EntryID() { return FolderEntryID(FStore->StoreKey(), FKey); }

QString TMaildirFolder::Name() { return FStore->DisplayNameOf(FKey); }

TwkPtr<IRDOFolder> TMaildirFolder::Parent() {
  if (FKey.isEmpty()) return {};
  return FStore->FolderOf(ParentFolderKey(FKey));
}

QString TMaildirFolder::FolderPath() {
  if (FKey.isEmpty()) return QStringLiteral("\\\\") + FStore->Name();
  QString path;
  for (QString k = FKey; !k.isEmpty(); k = ParentFolderKey(k)) path.prepend(QLatin1Char('\\') + FStore->DisplayNameOf(k));
  return QStringLiteral("\\\\") + FStore->Name() + path;
}

int TMaildirFolder::Classification() { return MaildirPath().isEmpty() ? olFolderKindOther : olFolderKindMail; }

QString TMaildirFolder::MaildirPath() {
  // Once a maildir, always one for this object; a folder that is not one
  // yet is looked at again (another program may make it one).
  if (!FMaildirKnown) {
    FMaildir = FStore->MaildirOf(FKey);
    FMaildirKnown = !FMaildir.isEmpty();
  }
  return FMaildir;
}

std::shared_ptr<TListing> TMaildirFolder::Listing() {
  const QString dir = MaildirPath();
  return dir.isEmpty() ? nullptr : FStore->ListingOf(dir);
}

TwkPtr<IRDOItems> TMaildirFolder::Items() {
  return TwkPtr<IRDOItems>::Adopt(new TMaildirItems(TwkPtr<MailFolder>(this), Listing()));
}

TwkPtr<IRDOFolders> TMaildirFolder::Folders() { return TwkPtr<IRDOFolders>::Adopt(new TMaildirFolders(FStore, FKey)); }

QString TMaildirFolder::MessageEntryID(const QString& uniqueName) {
  return MessageEntryIDOf(FStore->StoreKey(), FKey, uniqueName);
}

QString TMaildirFolder::MessageFile(const QString& uniqueName) {
  auto l = Listing();
  return l ? l->FindFile(uniqueName) : QString();
}

void TMaildirFolder::MessageAdded(const QString& filePath) {
  if (auto l = Listing()) l->Added(filePath);
}

void TMaildirFolder::MessageRemoved(const QString& filePath) {
  if (auto l = Listing()) l->Removed(filePath);
}

TMaildirFolders::TMaildirFolders(TwkPtr<TMaildirStore> store, QString parentKey)
    : FStore(std::move(store)), FParentKey(std::move(parentKey)), FKeys(FStore->ChildKeys(FParentKey)) {}

int TMaildirFolders::Count() { return int(FKeys.size()); }

TwkPtr<IRDOFolder> TMaildirFolders::Item(int index) {
  if (index < 1 || index > FKeys.size())
    throw EComError(E_INVALIDARG, QStringLiteral("Folder index %1 is out of range").arg(index));
  return TwkPtr<IRDOFolder>::Adopt(new TMaildirFolder(FStore, FKeys[index - 1]));
}

TwkPtr<IRDOFolder> TMaildirFolders::ItemByName(const QString& name) {
  for (const QString& key : FKeys)
    if (SameTextIgnoringCase(FStore->DisplayNameOf(key), name))
      return TwkPtr<IRDOFolder>::Adopt(new TMaildirFolder(FStore, key));
  return {};
}

TwkPtr<IRDOFolder> TMaildirFolders::Add(const QString& name, int) {
  // Every folder made here is a mail folder; the type asks for nothing else.
  const QString key = FStore->CreateFolder(FParentKey, name);
  FKeys = FStore->ChildKeys(FParentKey);
  return TwkPtr<IRDOFolder>::Adopt(new TMaildirFolder(FStore, key));
}

}  // namespace twkmaildir
