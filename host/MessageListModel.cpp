#include "host/MessageListModel.h"

#include "core/DateTimeUtils.h"

#include <QFont>
#include <QLocale>

namespace {
constexpr int kBatch = 200;
constexpr int kMsgFlagHasAttach = 16;
}  // namespace

TMessageListModel::TMessageListModel(QObject* parent) : QAbstractTableModel(parent) {}

void TMessageListModel::SetFolder(TwkPtr<IRDOFolder> folder) {
  beginResetModel();
  FFolder = std::move(folder);
  FItems = nullptr;
  FRows.clear();
  FTotal = 0;
  if (FFolder && FFolder->Classification() == olFolderKindMail) {
    FItems = FFolder->Items();
    FTotal = FItems->Count();
  }
  endResetModel();
}

void TMessageListModel::Refresh() { SetFolder(FFolder); }

TMessageListModel::TRow TMessageListModel::ReadRow(IRDOMail* mail) {
  TRow row;
  row.EntryID = mail->EntryID();
  row.MessageClass = mail->MessageClass();
  row.Subject = mail->Subject();
  if (const TwkPtr<IRDOAddressEntry> sender = mail->Sender()) {
    row.Sender = sender->Name();
    if (row.Sender.isEmpty()) row.Sender = sender->Address();
  }
  if (const double received = mail->ReceivedTime(); received != 0) row.Received = QDateTimeFromDateTime(received);
  row.Size = mail->MimeContent().size();
  row.HasAttachments = (mail->Fields(PR_MESSAGE_FLAGS).toInt() & kMsgFlagHasAttach) != 0;
  row.Unread = mail->UnRead();
  return row;
}

bool TMessageListModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && FRows.size() < FTotal;
}

void TMessageListModel::fetchMore(const QModelIndex& parent) {
  if (parent.isValid()) return;
  const int first = int(FRows.size());
  const int last = std::min(FTotal, first + kBatch) - 1;
  if (last < first) return;
  QList<TRow> rows;
  for (int i = first; i <= last; ++i) {
    TRow row;
    try {
      if (const TwkPtr<IRDOMail> mail = FItems->Item(i + 1)) row = ReadRow(mail.get());
    } catch (const std::exception& e) {
      // A message that cannot be read stays in the list with its error.
      row.Subject = QString::fromUtf8(e.what());
    }
    rows.append(row);
  }
  beginInsertRows(QModelIndex(), first, last);
  FRows.append(rows);
  endInsertRows();
}

int TMessageListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(FRows.size()); }

int TMessageListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : colCount; }

QVariant TMessageListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= FRows.size()) return {};
  const TRow& row = FRows[index.row()];
  if (role == Qt::FontRole && row.Unread) {
    QFont font;
    font.setBold(true);
    return font;
  }
  if (role == SortRole) {
    switch (index.column()) {
      case colAttachment: return row.HasAttachments;
      case colFrom: return row.Sender.toCaseFolded();
      case colSubject: return row.Subject.toCaseFolded();
      case colReceived: return row.Received;
      case colSize: return row.Size;
      default: return {};
    }
  }
  if (role == Qt::TextAlignmentRole && index.column() == colSize) return int(Qt::AlignRight | Qt::AlignVCenter);
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (index.column()) {
    // U+1F4CE PAPERCLIP
    case colAttachment: return row.HasAttachments ? QStringLiteral("\U0001F4CE") : QString();
    case colFrom: return row.Sender;
    case colSubject: return row.Subject;
    case colReceived: return QLocale().toString(row.Received, QLocale::ShortFormat);
    case colSize: return QLocale().formattedDataSize(row.Size);
    default: return {};
  }
}

QVariant TMessageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case colAttachment: return QStringLiteral("Attachment");
    case colFrom: return QStringLiteral("From");
    case colSubject: return QStringLiteral("Subject");
    case colReceived: return QStringLiteral("Received");
    case colSize: return QStringLiteral("Size");
    default: return {};
  }
}
