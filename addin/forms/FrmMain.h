// The main job dialog: pick or build a manual job, save it as a job
// template, run it with progress and cancel, show the results.
#pragma once

#include "core/JobDef.h"
#include "core/Options.h"
#include "twktools/TWKtools.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QToolButton;
class TEmailProcessor;
class TOutlookApplication;
class TRDOSession;

class TFormMain : public QDialog {
  Q_OBJECT

public:
  explicit TFormMain(QWidget* parent = nullptr);
  ~TFormMain() override;

  void SetOutlook(TOutlookApplication* outlook) { FOutlook = outlook; }  // borrowed
  void SetRDOSession(TRDOSession* session) { FRDOSession = session; }    // borrowed
  void SetOptions(const TOptions& options) { FOptions.Assign(options); }
  // Prepares the dialog and shows it modally; errors are shown by ShowError.
  void Execute();

  const TJobDef_Manual& CurJobDef() const { return FCurJobDef; }
  bool InAction() const { return FInAction; }
  QMenu* PopupMenuHelp() const { return FPopupMenuHelp; }

  // The dialog's steps, named as the user's actions.
  void FillJobDefNames();
  void SelectLocalJobDef(const QString& name);
  void ComboJobDefNamesClick();
  void ButtonDeleteJobDefClick();
  void ButtonResetClick();
  void ButtonSaveAsClick();
  void ButtonStartClick();
  void ButtonCancelClick();

  void reject() override;  // Esc: the Cancel button
  void done(int result) override;  // refused while a run is in progress

private:
  // Builds the controls top to bottom (that is the tab order).
  void CreateControls();
  QCheckBox* MakeTask(QWidget* parent, const QString& caption, const QString& controlName, QPushButton*& button,
                      const QString& buttonName, const QString& opens);

  IRDOSession* Session() const;
  void GetSelectedJobDef(QString& name, bool& isGlobal, QString& fileName) const;
  void LoadJobDef(const QString& fileName, bool deleteAllowed);
  void JobDefToControls();
  void ControlsToJobDef();
  void UpdateEnabling();
  void SetInAction(bool running);
  void ProcessingEvent(const QString& outlookFolder, int itemsInFolder, int curItemNo, const QString& action,
                       bool& cancel);

  void RadioFolderClick();
  void ButtonBrowseForOLFolderClick();
  void EditFilter();
  void EditExportEmails();
  void EditExportAtts();
  void EditCopyMove(bool move);

  void closeEvent(QCloseEvent* event) override;

  TOutlookApplication* FOutlook = nullptr;  // borrowed
  TRDOSession* FRDOSession = nullptr;       // borrowed
  TOptions FOptions;
  QString FCurExplorerFolderEntryID;
  QString FCurExplorerFolderStoreID;
  TJobDef_Manual FCurJobDef;
  int FGlobalJobDefCount = 0;
  QString FNextSaveAsName;
  bool FInAction = false;
  bool FCancelPressed = false;

  QLabel* FLabelTWK;
  QToolButton* FLabelHelp;
  QMenu* FPopupMenuHelp;
  QComboBox* FComboJobDefNames;
  QPushButton* FButtonDeleteJobDef;
  QGroupBox* FGroupBox1;
  QRadioButton* FRadioSelected;
  QRadioButton* FRadioFolder;
  QLineEdit* FEditOLFolderName;
  QPushButton* FButtonBrowseForOLFolder;
  QCheckBox* FCheckSubFolders;
  QCheckBox* FCheckFilter;
  QPushButton* FButtonFilter;
  QGroupBox* FGroupBox2;
  QCheckBox* FCheckExportEmails;
  QPushButton* FButtonExportEmails;
  QCheckBox* FCheckExportAtts;
  QPushButton* FButtonExportAtts;
  QCheckBox* FCheckCopyEmails;
  QPushButton* FButtonCopyEmails;
  QCheckBox* FCheckMoveEmails;
  QPushButton* FButtonMoveEmails;
  QPushButton* FButtonSaveAs;
  QPushButton* FButtonReset;
  QPushButton* FButtonStart;
  QPushButton* FButtonCancel;
  QStatusBar* FStatusBar;
  QLabel* FStatusPanels[3];
};
