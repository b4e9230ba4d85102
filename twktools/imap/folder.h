// The folders of an IMAP store and their subfolder collections.
#pragma once

#include "twktools/imap/store.h"

namespace twkimap {

class TImapFolder final : public twkmaildir::TComObject<IRDOFolder>, public twksession::TMessageDestination {
public:
  TImapFolder(TwkPtr<TImapStore> store, QByteArray key);

  QString EntryID() override;
  QString StoreID() override { return FStore->StoreID(); }
  QString Name() override { return FStore->DisplayNameOf(FKey); }
  TwkPtr<IRDOFolder> Parent() override;
  QString FolderPath() override;
  int Classification() override { return FStore->IsMailFolder(FKey) ? olFolderKindMail : olFolderKindOther; }
  TwkPtr<IRDOStore> Store() override { return FStore; }
  TwkPtr<IRDOItems> Items() override;
  TwkPtr<IRDOFolders> Folders() override;

  const QByteArray& Key() const { return FKey; }
  TImapStore* OwnerStore() const { return FStore.get(); }
  QString MessageEntryID(std::uint32_t uidValidity, std::uint32_t uid);
  TwkPtr<IRDOMail> StoreMessage(const QByteArray& mime, bool unread, std::int64_t arrival) override;

private:
  TwkPtr<TImapStore> FStore;
  QByteArray FKey;
};

class TImapFolders final : public twkmaildir::TComObject<IRDOFolders> {
public:
  TImapFolders(TwkPtr<TImapStore> store, QByteArray parentKey);

  int Count() override { return int(FKeys.size()); }
  TwkPtr<IRDOFolder> Item(int index) override;
  TwkPtr<IRDOFolder> ItemByName(const QString& name) override;
  TwkPtr<IRDOFolder> Add(const QString& name, int folderType) override;

private:
  TwkPtr<TImapStore> FStore;
  QByteArray FParentKey;
  QList<QByteArray> FKeys;
};

}  // namespace twkimap
