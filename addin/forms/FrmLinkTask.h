// What the re-import and relocation dialogs share: the information text,
// the Outlook folder with "..." and "incl. subfolders", Start / Cancel /
// Help, the status bar, the running state and the run of the engine with
// the results window afterwards.
#pragma once

#include <QDialog>
#include <QList>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class TLinkWalker;
class TRDOSession;
class IRDOSession;

class TFormLinkTask : public QDialog {
  Q_OBJECT

public:
  void SetRDOSession(TRDOSession* session) { FRDOSession = session; }  // borrowed
  // Shows the dialog modally; the IDs are those of the folder shown in the
  // mail window (empty when none). True when a run took place.
  bool Execute(const QString& activeEntryID, const QString& activeStoreID);
  bool InAction() const { return FInAction; }

  void reject() override;
  void done(int result) override;

protected:
  TFormLinkTask(QWidget* owner, const QString& caption, const QString& info, const QString& helpPage);
  // Rows of the dialog's own between the folder and the buttons; call
  // FinishLayout after them.
  QVBoxLayout* Body() const { return FBody; }
  void FinishLayout();
  // The dialog's checks after the folder's; raises with the focus moved.
  virtual void CheckInput() {}
  virtual QString Question() const = 0;
  // The engine, its own properties set.
  virtual std::unique_ptr<TLinkWalker> MakeEngine() const = 0;
  // Controls of the dialog's own that are disabled while running.
  QList<QWidget*> FRunningDisabled;
  // Raises an error after moving the focus to control.
  [[noreturn]] static void Fail(QWidget* control, const QString& message);
  void closeEvent(QCloseEvent* event) override;

private:
  IRDOSession* Session() const;
  void ButtonBrowseForOLFolderClick();
  void ButtonStartClick();
  void ButtonCancelClick();
  void SetInAction(bool running);
  void Processing(int itemNo, int items, const QString& folderPath, bool& cancel);

  TRDOSession* FRDOSession = nullptr;
  QString FHelpPage;
  QString FActiveEntryID, FActiveStoreID;
  QString FEntryID, FStoreID;
  bool FInclSubFolders = false;
  bool FInAction = false;
  bool FCancelPressed = false;
  QVBoxLayout* FBody;
  QLineEdit* FEditOLFolderName;
  QPushButton* FButtonBrowseForOLFolder;
  QCheckBox* FCheckSubFolders;
  QPushButton* FButtonStart = nullptr;
  QPushButton* FButtonCancel = nullptr;
  QLabel* FStatusPanel = nullptr;
};
