// The folder tree of the session's stores as a Qt model: display names, item
// counts, unread folders in bold. Folders are read when first expanded.
#pragma once

#include "twktools/TWKtools.h"

#include <QAbstractItemModel>
#include <memory>
#include <vector>

class TFolderTreeModel final : public QAbstractItemModel {
  Q_OBJECT

public:
  explicit TFolderTreeModel(QObject* parent = nullptr);
  ~TFolderTreeModel() override;

  // One top row per store of the session (borrowed; null empties the tree).
  void SetSession(IRDOSession* session);
  TwkPtr<IRDOFolder> Folder(const QModelIndex& index) const;
  // The row of the store's default Inbox, or an invalid index.
  QModelIndex InboxIndex();
  // Counts are read again (new mail arrived).
  void RefreshCounts();

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;

private:
  struct TNode;
  TNode* NodeOf(const QModelIndex& index) const;
  void LoadChildren(TNode* node) const;
  void LoadCounts(TNode* node) const;
  void ResetCounts(TNode* node, const QModelIndex& index);

  IRDOSession* FSession = nullptr;
  std::unique_ptr<TNode> FRoot;
};
