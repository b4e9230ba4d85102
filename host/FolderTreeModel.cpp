#include "host/FolderTreeModel.h"

#include <QFont>

struct TFolderTreeModel::TNode {
  TwkPtr<IRDOFolder> Folder;
  QString Name;
  TNode* Parent = nullptr;
  int Row = 0;
  std::vector<std::unique_ptr<TNode>> Children;
  bool Loaded = false;
  bool Counted = false;
  bool Mail = false;
  int Count = 0;
  int Unread = 0;
};

TFolderTreeModel::TFolderTreeModel(QObject* parent) : QAbstractItemModel(parent), FRoot(std::make_unique<TNode>()) {
  FRoot->Loaded = true;
}

TFolderTreeModel::~TFolderTreeModel() = default;

void TFolderTreeModel::SetSession(IRDOSession* session) {
  beginResetModel();
  FSession = session;
  FRoot = std::make_unique<TNode>();
  FRoot->Loaded = true;
  if (session) {
    const TwkPtr<IRDOStores> stores = session->Stores();
    for (int i = 1; i <= stores->Count(); ++i) {
      const TwkPtr<IRDOStore> store = stores->Item(i);
      auto node = std::make_unique<TNode>();
      node->Folder = store->RootFolder();
      node->Name = store->Name();
      node->Parent = FRoot.get();
      node->Row = int(FRoot->Children.size());
      FRoot->Children.push_back(std::move(node));
    }
  }
  endResetModel();
}

TFolderTreeModel::TNode* TFolderTreeModel::NodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<TNode*>(index.internalPointer()) : FRoot.get();
}

void TFolderTreeModel::LoadChildren(TNode* node) const {
  if (node->Loaded) return;
  node->Loaded = true;
  const TwkPtr<IRDOFolders> folders = node->Folder->Folders();
  for (int i = 1; i <= folders->Count(); ++i) {
    auto child = std::make_unique<TNode>();
    child->Folder = folders->Item(i);
    child->Name = child->Folder->Name();
    child->Parent = node;
    child->Row = int(node->Children.size());
    node->Children.push_back(std::move(child));
  }
}

void TFolderTreeModel::LoadCounts(TNode* node) const {
  if (node->Counted) return;
  node->Counted = true;
  node->Mail = node->Folder->Classification() == olFolderKindMail;
  if (!node->Mail) return;
  const TwkPtr<IRDOItems> items = node->Folder->Items();
  node->Count = items->Count();
  node->Unread = 0;
  for (int i = 1; i <= node->Count; ++i) {
    const TwkPtr<IRDOMail> mail = items->Item(i);
    if (mail && mail->UnRead()) ++node->Unread;
  }
}

QModelIndex TFolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
  TNode* node = NodeOf(parent);
  LoadChildren(node);
  if (column != 0 || row < 0 || row >= int(node->Children.size())) return {};
  return createIndex(row, column, node->Children[size_t(row)].get());
}

QModelIndex TFolderTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  TNode* parent = NodeOf(child)->Parent;
  if (!parent || parent == FRoot.get()) return {};
  return createIndex(parent->Row, 0, parent);
}

int TFolderTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  TNode* node = NodeOf(parent);
  LoadChildren(node);
  return int(node->Children.size());
}

int TFolderTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool TFolderTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant TFolderTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  TNode* node = NodeOf(index);
  if (role == Qt::DisplayRole || role == Qt::FontRole || role == Qt::ToolTipRole) {
    try {
      LoadCounts(node);
    } catch (const std::exception&) {
      // A folder that cannot be read is shown without counts.
    }
  }
  switch (role) {
    case Qt::DisplayRole:
      return node->Mail ? QStringLiteral("%1 (%2)").arg(node->Name).arg(node->Count) : node->Name;
    case Qt::ToolTipRole:
      return node->Mail ? QStringLiteral("%1: %2 items, %3 unread").arg(node->Name).arg(node->Count).arg(node->Unread)
                        : node->Name;
    case Qt::FontRole: {
      if (node->Unread == 0) return {};
      QFont font;
      font.setBold(true);
      return font;
    }
    case Qt::AccessibleTextRole:
      return node->Name;
    default:
      return {};
  }
}

QVariant TFolderTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) return QStringLiteral("Folders");
  return {};
}

TwkPtr<IRDOFolder> TFolderTreeModel::Folder(const QModelIndex& index) const {
  return index.isValid() ? NodeOf(index)->Folder : TwkPtr<IRDOFolder>();
}

QModelIndex TFolderTreeModel::InboxIndex() {
  if (!FSession) return {};
  TwkPtr<IRDOFolder> inbox;
  try {
    inbox = FSession->GetDefaultFolder(olFolderInbox);
  } catch (const std::exception&) {
    return {};  // a store without an Inbox
  }
  if (!inbox) return {};
  // Walks down the path of parents from the store's root.
  QList<QString> ids;
  for (TwkPtr<IRDOFolder> f = inbox; f; f = f->Parent()) ids.prepend(f->EntryID());
  QModelIndex at;
  for (const QString& id : ids) {
    const int rows = rowCount(at);
    QModelIndex found;
    for (int r = 0; r < rows && !found.isValid(); ++r) {
      const QModelIndex i = index(r, 0, at);
      if (NodeOf(i)->Folder->EntryID() == id) found = i;
    }
    if (!found.isValid()) return at;
    at = found;
  }
  return at;
}

void TFolderTreeModel::ResetCounts(TNode* node, const QModelIndex& index) {
  if (node != FRoot.get() && node->Counted) {
    node->Counted = false;
    Q_EMIT dataChanged(index, index);
  }
  for (auto& child : node->Children) ResetCounts(child.get(), createIndex(child->Row, 0, child.get()));
}

void TFolderTreeModel::RefreshCounts() { ResetCounts(FRoot.get(), QModelIndex()); }
