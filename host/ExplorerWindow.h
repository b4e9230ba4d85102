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
class TComposeWindow;
class TMailSender;
struct TComposedMail;
class QAction;
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

  // The application's item-send event (the add-ins' handlers).
  std::function<void(IRDOMail* item, bool& cancel)> OnItemSend;
  // Reply to / forward the one selected e-mail in a compose window (shown,
  // returned); null when not exactly one is selected.
  TComposeWindow* Reply();
  TComposeWindow* Forward();
  // Sends the one selected message of the Drafts folder; false when
  // cancelled, failed (shown) or nothing fits.
  bool SendDraft();

  // New mail: counts and the list are read again.
  void NewMail(const QString& entryID);

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void FolderChanged();
  void SelectionChanged();
  TwkPtr<IRDOMail> SelectedMail();
  bool InDrafts();
  TComposeWindow* Compose(const TComposedMail& mail);

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
  std::unique_ptr<TMailSender> FSender;
  QAction* FReplyAction;
  QAction* FForwardAction;
  QAction* FSendAction;
};
