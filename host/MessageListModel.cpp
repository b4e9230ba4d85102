#include "host/MessageListModel.h"

#include "core/DateTimeUtils.h"

#include <QFont>
#include <QIcon>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
constexpr int kBatch = 200;
constexpr int kMsgFlagHasAttach = 16;
// The paper-clip mark, drawn here so that it needs no icon theme or font.
QIcon PaperClip() {
  static const QIcon icon = [] {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(70, 70, 70), 1.3));
    QPainterPath path;
    path.moveTo(10, 5);
    path.lineTo(10, 11.5);
    path.arcTo(6, 9.5, 4, 4, 0, -180);
    path.lineTo(6, 3.5);
    path.arcTo(6, 1, 6, 5, 180, -180);
    path.lineTo(12, 12);
    path.arcTo(4, 8, 8, 7, 0, -180);
    path.lineTo(4, 5);
    p.drawPath(path);
    return QIcon(pixmap);
  }();
  return icon;
}

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
  if (index.column() == colAttachment) {
    if (!row.HasAttachments) return {};
    if (role == Qt::DecorationRole) return PaperClip();
    if (role == Qt::ToolTipRole || role == Qt::AccessibleTextRole || role == Qt::DisplayRole)
      return role == Qt::DisplayRole ? QVariant() : QVariant(QStringLiteral("Attachment"));
    return {};
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (index.column()) {
    case colFrom: return row.Sender;
    case colSubject: return row.Subject;
    case colReceived: return QLocale().toString(row.Received, QLocale::ShortFormat);
    case colSize: return QLocale().formattedDataSize(row.Size);
    default: return {};
  }
}

QVariant TMessageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (section == colAttachment) {
    if (role == Qt::DecorationRole) return PaperClip();
    if (role == Qt::ToolTipRole || role == Qt::AccessibleTextRole) return QStringLiteral("Attachment");
    return {};
  }
  if (role != Qt::DisplayRole) return {};
  switch (section) {
    case colFrom: return QStringLiteral("From");
    case colSubject: return QStringLiteral("Subject");
    case colReceived: return QStringLiteral("Received");
    case colSize: return QStringLiteral("Size");
    default: return {};
  }
}
