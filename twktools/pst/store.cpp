#include "twktools/pst/store.h"

#include "twktools/pst/folder.h"
#include "twktools/pst/ids.h"
#include "twktools/pst/message.h"

#include <QFileInfo>

namespace twkpst {

namespace {

// A damaged file may hold a loop of folders; deeper than this is none of Outlook's.
constexpr int kMaxDepth = 64;

TItem ItemByNode(TPstFile& file, std::uint32_t node) {
  TItem item;
  libpff_error_t* error = nullptr;
  if (libpff_file_get_item_by_identifier(file.Handle(), node, item.out(), &error) != 1) {
    TakeError(error);
    return {};
  }
  return item;
}

// The IPM subtree found by its name, on the top level or one below.
TItem FindSubtree(libpff_item_t* folder, int depth) {
  libpff_error_t* error = nullptr;
  int count = 0;
  if (libpff_folder_get_number_of_sub_folders(folder, &count, &error) != 1) {
    TakeError(error);
    return {};
  }
  for (int i = 0; i < count; ++i) {
    TItem sub;
    if (libpff_folder_get_sub_folder(folder, i, sub.out(), &error) != 1 || !sub) {
      TakeError(error);
      continue;
    }
    const QString name = StringProp(sub.get(), PidDisplayName).value_or(QString());
    if (name == QLatin1String("Top of Personal Folders") || name == QLatin1String("IPM_SUBTREE") ||
        name == QLatin1String("Top of Outlook data file"))
      return sub;
    if (depth == 0 && name.startsWith(QLatin1String("Root - Mailbox")))
      if (TItem found = FindSubtree(sub.get(), 1)) return found;
  }
  return {};
}

}  // namespace

TwkPtr<TPstStore> TPstStore::Open(const twksession::TStoreConfig& config) {
  const QString path = QFileInfo(config.Path).absoluteFilePath();
  if (!QFileInfo(path).isFile())
    throw EComError(MAPI_E_LOGON_FAILED, QStringLiteral("The Outlook data file \"%1\" does not exist").arg(path));
  TwkPtr<TPstStore> store = TwkPtr<TPstStore>::Adopt(new TPstStore(config, TPstFile::Open(path)));
  store->ReadTree();
  return store;
}

TPstStore::TPstStore(const twksession::TStoreConfig& config, std::shared_ptr<TPstFile> file)
    : TStoreBase(config), FFile(std::move(file)) {
  FStoreKey = StoreKeyOf(FFile->Path());
}

std::shared_ptr<TPstFile> TPstStore::File() {
  if (StampOf(FFile->Path()) != FFile->Stamp()) {
    FFile = TPstFile::Open(FFile->Path());
    ReadTree();
  }
  return FFile;
}

void TPstStore::ReadTree() {
  std::lock_guard lock(FFile->Lock());
  FFolders.clear();
  FDefaults.clear();
  FRoot = 0;
  libpff_error_t* error = nullptr;
  TItem store;
  QString storeName;
  if (libpff_file_get_message_store(FFile->Handle(), store.out(), &error) == 1 && store) {
    storeName = StringProp(store.get(), PidDisplayName).value_or(QString());
    auto node = [&](std::uint32_t id) { return NodeOfEntryID(BinaryProp(store.get(), id).value_or(QByteArray())); };
    FRoot = node(PidIpmSubtreeEntryId);
    if (const std::uint32_t n = node(PidIpmWastebasketEntryId)) FDefaults[olFolderDeletedItems] = n;
    if (const std::uint32_t n = node(PidIpmSentMailEntryId)) FDefaults[olFolderSentMail] = n;
  }
  TakeError(error);
  FName = !FConfig.DisplayName.isEmpty() ? FConfig.DisplayName
          : !storeName.isEmpty()         ? storeName
                                         : QFileInfo(FFile->Path()).completeBaseName();
  TItem root = FRoot ? ItemByNode(*FFile, FRoot) : TItem();
  if (!root) {
    // Without the store's own entry: the subtree found by its name below the file's root.
    TItem top;
    if (libpff_file_get_root_folder(FFile->Handle(), top.out(), &error) != 1) {
      const QString why = TakeError(error);
      throw EComError(MAPI_E_LOGON_FAILED,
                      QStringLiteral("The Outlook data file \"%1\" cannot be read: it has no folders (%2)").arg(FFile->Path(), why));
    }
    // A PST has the subtree below its root, an OST below "Root - Mailbox".
    root = FindSubtree(top.get(), 0);
    if (!root)
      throw EComError(MAPI_E_LOGON_FAILED,
                      QStringLiteral("The Outlook data file \"%1\" cannot be read: it has no folder tree").arg(FFile->Path()));
    FRoot = IdentifierOf(root.get());
  }
  ReadFolder(root.get(), FRoot, 0, 0);
  // Drafts are named on the folders (Outlook writes the entry on the root and the Inbox).
  if (const auto drafts = BinaryProp(root.get(), PidIpmDraftsEntryId))
    if (const std::uint32_t n = NodeOfEntryID(*drafts)) FDefaults[olFolderDrafts] = n;
  for (const std::uint32_t child : FFolders.value(FRoot).Children)
    if (FFolders.value(child).Name.compare(QStringLiteral("Inbox"), Qt::CaseInsensitive) == 0) {
      FDefaults[olFolderInbox] = child;
      break;
    }
  for (auto it = FDefaults.begin(); it != FDefaults.end();)
    it = FFolders.contains(it.value()) ? std::next(it) : FDefaults.erase(it);
}

void TPstStore::ReadFolder(libpff_item_t* folder, std::uint32_t node, std::uint32_t parent, int depth) {
  TFolderInfo& info = FFolders[node];
  info.Parent = parent;
  info.Name = StringProp(folder, PidDisplayName).value_or(QString());
  if (depth >= kMaxDepth) return;
  libpff_error_t* error = nullptr;
  int count = 0;
  if (libpff_folder_get_number_of_sub_folders(folder, &count, &error) != 1) {
    TakeError(error);
    return;
  }
  QList<std::uint32_t> children;
  for (int i = 0; i < count; ++i) {
    TItem sub;
    if (libpff_folder_get_sub_folder(folder, i, sub.out(), &error) != 1 || !sub) {
      TakeError(error);
      continue;
    }
    const std::uint32_t id = IdentifierOf(sub.get());
    if (id == 0 || FFolders.contains(id) || BoolProp(sub.get(), PidAttrHidden).value_or(false)) continue;
    children << id;
    ReadFolder(sub.get(), id, node, depth + 1);
  }
  std::stable_sort(children.begin(), children.end(), [this](std::uint32_t a, std::uint32_t b) {
    return FFolders.value(a).Name.compare(FFolders.value(b).Name, Qt::CaseInsensitive) < 0;
  });
  FFolders[node].Children = children;
}

bool TPstStore::FolderExists(std::uint32_t node) {
  File();
  return FFolders.contains(node);
}

QString TPstStore::DisplayNameOf(std::uint32_t node) { return node == FRoot ? FName : FFolders.value(node).Name; }

std::uint32_t TPstStore::ParentOf(std::uint32_t node) { return FFolders.value(node).Parent; }

QList<std::uint32_t> TPstStore::ChildrenOf(std::uint32_t node) {
  File();
  return FFolders.value(node).Children;
}

TwkPtr<TPstFolder> TPstStore::FolderOf(std::uint32_t node) {
  if (!FolderExists(node)) return {};
  return TwkPtr<TPstFolder>::Adopt(new TPstFolder(TwkPtr<TPstStore>(this), node));
}

QList<std::uint32_t> TPstStore::ItemsOf(std::uint32_t node) {
  const std::shared_ptr<TPstFile> file = File();
  std::lock_guard lock(file->Lock());
  QList<std::uint32_t> nodes;
  TItem folder = ItemByNode(*file, node);
  if (!folder) throw EComError(MAPI_E_CORRUPT_DATA, QStringLiteral("The folder \"%1\" of \"%2\" cannot be read").arg(DisplayNameOf(node), file->Path()));
  libpff_error_t* error = nullptr;
  int count = 0;
  if (libpff_folder_get_number_of_sub_messages(folder.get(), &count, &error) != 1) {
    const QString why = TakeError(error);
    throw EComError(MAPI_E_CORRUPT_DATA,
                    QStringLiteral("The items of the folder \"%1\" of \"%2\" cannot be read: %3").arg(DisplayNameOf(node), file->Path(), why));
  }
  for (int i = 0; i < count; ++i) {
    TItem item;
    if (libpff_folder_get_sub_message(folder.get(), i, item.out(), &error) != 1 || !item) {
      TakeError(error);
      continue;
    }
    if (const std::uint32_t id = IdentifierOf(item.get())) nodes << id;
  }
  return nodes;
}

TwkPtr<IRDOFolder> TPstStore::RootFolder() { return FolderOf(FRoot); }

TwkPtr<IRDOFolder> TPstStore::GetDefaultFolder(int folderType) {
  File();
  const auto it = FDefaults.constFind(folderType);
  if (it == FDefaults.constEnd()) return {};
  return FolderOf(*it);
}

TwkPtr<IRDOFolder> TPstStore::FolderFromID(const QString& entryID) {
  const auto id = DecodeID(entryID);
  if (!id || id->IsMessage || id->StoreKey != FStoreKey) return {};
  return FolderOf(id->Folder);
}

TwkPtr<IRDOMail> TPstStore::MessageFromID(const QString& entryID) {
  const auto id = DecodeID(entryID);
  if (!id || !id->IsMessage || id->StoreKey != FStoreKey) return {};
  // After another program changed the file the node may hold another item.
  if (File()->Stamp() != id->Stamp) return {};
  const TwkPtr<TPstFolder> folder = FolderOf(id->Folder);
  if (!folder || !ItemsOf(id->Folder).contains(id->Node)) return {};
  return TPstMessage::OpenStored(folder, id->Node);
}

}  // namespace twkpst
