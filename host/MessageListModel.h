// The messages of one folder as a Qt table: paper clip, sender, subject,
// received date, size. Rows are read in batches as the view scrolls; sorting
// goes through a proxy on the SortRole values.
#pragma once

#include "twktools/TWKtools.h"

#include <QAbstractTableModel>
#include <QDateTime>

class TMessageListModel final : public QAbstractTableModel {
  Q_OBJECT

public:
  enum TColumn { colAttachment, colFrom, colSubject, colReceived, colSize, colCount };
  static constexpr int SortRole = Qt::UserRole + 1;

  explicit TMessageListModel(QObject* parent = nullptr);

  // The folder's messages (none: an empty list).
  void SetFolder(TwkPtr<IRDOFolder> folder);
  // Reads the folder again, keeping what is loaded in step with the store.
  void Refresh();
  IRDOFolder* Folder() const { return FFolder.get(); }
  QString EntryID(int row) const { return FRows[row].EntryID; }
  QString MessageClass(int row) const { return FRows[row].MessageClass; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

private:
  struct TRow {
    QString EntryID, MessageClass, Sender, Subject;
    QDateTime Received;
    qint64 Size = 0;
    bool HasAttachments = false;
    bool Unread = false;
  };
  static TRow ReadRow(IRDOMail* mail);

  TwkPtr<IRDOFolder> FFolder;
  TwkPtr<IRDOItems> FItems;
  int FTotal = 0;
  QList<TRow> FRows;
};
