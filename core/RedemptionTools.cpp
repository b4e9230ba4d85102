#include "core/RedemptionTools.h"

#include "core/FilenameTools.h"

#include <QLocale>

TwkPtr<IRDOFolder> GetRDOFolder(IRDOSession* session, const QString& entryID, const QString& storeID) {
  // Any failure means not found; callers give their own message.
  try {
    return session->GetFolderFromID(entryID, storeID, 16);
  } catch (const std::exception&) {
    return {};
  }
}

bool IsMailFolder(IRDOFolder* folder) { return folder && folder->Classification() == olFolderKindMail; }

QString ReadOnlyStoreName(IRDOFolder* folder) {
  const TwkPtr<IRDOStore> store = folder ? folder->Store() : TwkPtr<IRDOStore>();
  if (!store || !store->ReadOnly()) return QString();
  const QString name = store->Name();
  return name.isNull() ? QStringLiteral("") : name;
}

bool IsMailFolderByID(IRDOSession* session, const QString& entryID, const QString& storeID) {
  const TwkPtr<IRDOFolder> folder = GetRDOFolder(session, entryID, storeID);
  return IsMailFolder(folder.get());
}

QString GetFolderPath(IRDOFolder* folder) { return IsMailFolder(folder) ? folder->FolderPath() : QString(); }

QString GetFolderPathByID(IRDOSession* session, const QString& entryID, const QString& storeID) {
  if (entryID.isEmpty() || storeID.isEmpty()) return QString();
  const TwkPtr<IRDOFolder> folder = GetRDOFolder(session, entryID, storeID);
  return folder ? GetFolderPath(folder.get()) : QString();
}

void GetInboxNameAndPath(IRDOSession* session, QString& name, QString& path) {
  name.clear();
  path.clear();
  TwkPtr<IRDOFolder> inbox;
  // A store without an Inbox leaves both empty.
  try {
    inbox = session->GetDefaultFolder(olFolderInbox);
  } catch (const EComError&) {
    return;
  }
  if (!inbox) return;
  name = inbox->Name();
  path = GetFolderPath(inbox.get());
  if (path.isEmpty()) path = name;
}

bool PickOutlookFolder(void* ownerWindow, const QString& caption, IRDOSession* session, QString& entryID,
                       QString& storeID) {
  TwkPtr<IRDOFolder> selected;
  if (!entryID.isEmpty() && !storeID.isEmpty()) selected = GetRDOFolder(session, entryID, storeID);
  TwkPtr<IRDOFolder> chosen;
  // A failing picker counts as a cancel.
  try {
    chosen = session->PickFolder(selected.get(), caption, ownerWindow, 0);
  } catch (const std::exception&) {
    return false;
  }
  if (!chosen) return false;
  entryID = chosen->EntryID();
  storeID = chosen->StoreID();
  return true;
}

bool SameEntryID(IRDOSession* session, const QString& id1, const QString& id2) {
  return session->CompareEntryIDs(id1, id2);
}

bool IsSameFolder(IRDOSession* session, IRDOFolder* a, IRDOFolder* b) {
  return SameEntryID(session, a->StoreID(), b->StoreID()) && SameEntryID(session, a->EntryID(), b->EntryID());
}

bool FolderContains(IRDOSession* session, IRDOFolder* a, IRDOFolder* b) {
  if (!SameEntryID(session, a->StoreID(), b->StoreID())) return false;
  const QString target = a->EntryID();
  for (TwkPtr<IRDOFolder> f(b); f; f = f->Parent())
    if (SameEntryID(session, target, f->EntryID())) return true;
  return false;
}

TwkPtr<IRDOFolder> ForceSubFolder(IRDOFolder* folder, const QString& name) {
  const TwkPtr<IRDOFolders> folders = folder->Folders();
  TwkPtr<IRDOFolder> sub;
  // A failed lookup is treated like a missing folder: the add decides.
  try {
    sub = folders->ItemByName(name);
  } catch (const EComError&) {
    sub = nullptr;
  }
  if (sub) return sub;
  return folders->Add(name, olFolderKindMail);
}

TwkPtr<IRDOFolder> ForceFolderPath(IRDOFolder* start, const QString& relativePath) {
  TwkPtr<IRDOFolder> result(start);
  QString rest = relativePath;
  while (!rest.isEmpty()) {
    const qsizetype sep = rest.indexOf(QLatin1Char('\\'));
    const QString segment = TrimStr(sep < 0 ? rest : rest.left(sep));
    rest = sep < 0 ? QString() : rest.mid(sep + 1);
    if (segment.isEmpty()) continue;
    result = ForceSubFolder(result.get(), segment);
  }
  return result;
}

namespace {
bool SameName(const QString& a, const QString& b) {
  const QLocale locale = QLocale::system();
  return locale.toUpper(a) == locale.toUpper(b);
}
}  // namespace

TwkPtr<IRDOFolder> FindFolderByPath(IRDOSession* session, const QString& displayPath) {
  if (!displayPath.startsWith(QStringLiteral("\\\\"))) return {};
  const QStringList parts = displayPath.mid(2).split(QLatin1Char('\\'));
  const TwkPtr<IRDOStores> stores = session->Stores();
  for (int i = 1; i <= stores->Count(); ++i) {
    const TwkPtr<IRDOStore> store = stores->Item(i);
    if (!SameName(store->Name(), parts.first())) continue;
    TwkPtr<IRDOFolder> folder = store->RootFolder();
    for (qsizetype k = 1; folder && k < parts.size(); ++k)
      folder = parts[k].isEmpty() ? nullptr : folder->Folders()->ItemByName(parts[k]);
    if (folder) return folder;
  }
  return {};
}
