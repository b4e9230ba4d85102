#include "host/ExplorerWindow.h"

#include "core/RDOSession.h"
#include "host/FolderTreeModel.h"
#include "host/MessageListModel.h"
#include "host/PreviewPane.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

TExplorerWindow::TExplorerWindow(TRDOSession* session, QWidget* parent) : QMainWindow(parent), FSession(session) {
  setWindowTitle(QStringLiteral("Tarnwick"));
  FFolders = new TFolderTreeModel(this);
  FMessages = new TMessageListModel(this);
  FSorted = new QSortFilterProxyModel(this);
  FSorted->setSourceModel(FMessages);
  FSorted->setSortRole(TMessageListModel::SortRole);

  FFolderView = new QTreeView;
  FFolderView->setAccessibleName(QStringLiteral("Folders"));
  FFolderView->setModel(FFolders);
  FMessageView = new QTableView;
  FMessageView->setAccessibleName(QStringLiteral("Messages"));
  FMessageView->setModel(FSorted);
  FMessageView->setSelectionBehavior(QAbstractItemView::SelectRows);
  FMessageView->setSelectionMode(QAbstractItemView::ExtendedSelection);
  FMessageView->setSortingEnabled(true);
  FMessageView->sortByColumn(TMessageListModel::colReceived, Qt::DescendingOrder);
  FMessageView->verticalHeader()->hide();
  FMessageView->horizontalHeader()->setSectionResizeMode(TMessageListModel::colSubject, QHeaderView::Stretch);
  for (const int column : {TMessageListModel::colAttachment, TMessageListModel::colReceived, TMessageListModel::colSize})
    FMessageView->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  FMessageView->horizontalHeader()->setSectionResizeMode(TMessageListModel::colFrom, QHeaderView::Interactive);
  FMessageView->horizontalHeader()->resizeSection(TMessageListModel::colFrom, 180);
  FMessageView->setShowGrid(false);
  FMessageView->setWordWrap(false);
  FPreview = new TPreviewPane;

  auto* right = new QSplitter(Qt::Vertical);
  right->addWidget(FMessageView);
  right->addWidget(FPreview);
  right->setStretchFactor(1, 1);
  right->setSizes({300, 400});
  auto* split = new QSplitter(Qt::Horizontal);
  split->addWidget(FFolderView);
  split->addWidget(right);
  split->setStretchFactor(1, 1);
  split->setSizes({220, 780});

  FRibbon = new QTabWidget;
  FRibbon->setAccessibleName(QStringLiteral("Ribbon"));
  FRibbon->setVisible(false);
  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FRibbon);
  layout->addWidget(split, 1);
  setCentralWidget(central);
  resize(1100, 720);

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(QStringLiteral("E&xit"), QKeySequence::Quit, this, &QWidget::close);

  if (FSession && FSession->Intf()) FFolders->SetSession(FSession->Intf());
  // New mail appears without a restart.
  if (FSession) FSession->OnNewMail = [this](const QString& entryID) { NewMail(entryID); };
  connect(FFolderView->selectionModel(), &QItemSelectionModel::currentChanged, this, &TExplorerWindow::FolderChanged);
  connect(FMessageView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TExplorerWindow::SelectionChanged);
}

TExplorerWindow::~TExplorerWindow() {
  if (FSession) FSession->OnNewMail = nullptr;
}

void TExplorerWindow::AddRibbonTab(QWidget* tab, const QString& caption) {
  FRibbon->addTab(tab, caption);
  FRibbon->setVisible(true);
  FRibbon->setMaximumHeight(FRibbon->sizeHint().height());
}

void TExplorerWindow::AddCommandBar(QToolBar* bar) {
  bar->setParent(this);
  addToolBar(Qt::TopToolBarArea, bar);
  FCommandBars.append(bar);
  FolderChanged();
}

void TExplorerWindow::ShowStatus(const QString& text) { statusBar()->showMessage(text); }

void TExplorerWindow::ShowInbox() {
  const QModelIndex inbox = FFolders->InboxIndex();
  if (!inbox.isValid()) return;
  for (QModelIndex i = inbox.parent(); i.isValid(); i = i.parent()) FFolderView->expand(i);
  FFolderView->setCurrentIndex(inbox);
}

TwkPtr<IRDOFolder> TExplorerWindow::CurrentFolder() { return FFolders->Folder(FFolderView->currentIndex()); }

QList<QPair<QString, QString>> TExplorerWindow::SelectedItems() {
  QList<QPair<QString, QString>> items;
  for (const QModelIndex& index : FMessageView->selectionModel()->selectedRows()) {
    const int row = FSorted->mapToSource(index).row();
    items.append({FMessages->EntryID(row), FMessages->MessageClass(row)});
  }
  return items;
}

void TExplorerWindow::FolderChanged() {
  TwkPtr<IRDOFolder> folder;
  bool mail = false;
  try {
    folder = CurrentFolder();
    mail = folder && folder->Classification() == olFolderKindMail;
    FMessages->SetFolder(folder);
    statusBar()->showMessage(mail ? QStringLiteral("%1 items").arg(folder->Items()->Count()) : QString());
  } catch (const std::exception& e) {
    statusBar()->showMessage(QString::fromUtf8(e.what()));
  }
  // Command bars are shown for folders holding mail.
  for (QToolBar* bar : FCommandBars) bar->setVisible(mail);
  FPreview->ShowMail(nullptr);
}

void TExplorerWindow::SelectionChanged() {
  const QModelIndexList rows = FMessageView->selectionModel()->selectedRows();
  if (rows.size() != 1 || !FSession || !FSession->Intf()) {
    FPreview->ShowMail(nullptr);
    return;
  }
  const int row = FSorted->mapToSource(rows.first()).row();
  try {
    FPreview->ShowMail((*FSession)->GetMessageFromID(FMessages->EntryID(row)));
  } catch (const std::exception& e) {
    FPreview->ShowMail(nullptr);
    statusBar()->showMessage(QString::fromUtf8(e.what()));
  }
}

void TExplorerWindow::NewMail(const QString&) {
  FFolders->RefreshCounts();
  // Keeps the selection by entry ID across the re-read.
  QStringList selected;
  for (const auto& item : SelectedItems()) selected.append(item.first);
  FMessages->Refresh();
  while (FMessages->canFetchMore({})) FMessages->fetchMore({});
  for (int row = 0; row < FMessages->rowCount(); ++row)
    if (selected.contains(FMessages->EntryID(row)))
      FMessageView->selectionModel()->select(FSorted->mapFromSource(FMessages->index(row, 0)),
                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TExplorerWindow::closeEvent(QCloseEvent* event) {
  if (!FClosed && OnClose) {
    FClosed = true;
    OnClose();
  }
  event->accept();
}
