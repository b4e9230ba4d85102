// The explorer window: folder tree, message list, preview; the add-ins'
// ribbon tabs above and their command bars as tool bars. It is the
// application object's active explorer.
#pragma once

#include "host/HostApplication.h"

#include <QMainWindow>

class QLabel;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;
class QToolBar;
class QTreeView;
class TAddinManager;
class TFolderTreeModel;
class TMessageListModel;
class TPreviewPane;
class TRDOSession;

class TExplorerWindow final : public QMainWindow, public IExplorerView {
  Q_OBJECT

public:
  explicit TExplorerWindow(TRDOSession* session, QWidget* parent = nullptr);
  ~TExplorerWindow() override;

  // Add-in user interface.
  void AddRibbonTab(QWidget* tab, const QString& caption);
  void AddCommandBar(QToolBar* bar);
  // Called when the window closes (the host's shut-down).
  std::function<void()> OnClose;
  // Shows the store's Inbox.
  void ShowInbox();
  // Shows a line in the status bar (add-in load failures).
  void ShowStatus(const QString& text);

  // IExplorerView
  TwkPtr<IRDOFolder> CurrentFolder() override;
  QList<QPair<QString, QString>> SelectedItems() override;

  // New mail: counts and the list are read again.
  void NewMail(const QString& entryID);

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void FolderChanged();
  void SelectionChanged();

  TRDOSession* FSession;
  QTabWidget* FRibbon;
  QTreeView* FFolderView;
  QTableView* FMessageView;
  TFolderTreeModel* FFolders;
  TMessageListModel* FMessages;
  QSortFilterProxyModel* FSorted;
  TPreviewPane* FPreview;
  QList<QToolBar*> FCommandBars;
  bool FClosed = false;
};
