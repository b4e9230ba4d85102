// The main job dialog: pick or build a manual job, save it as a job
// template, run it with progress and cancel, show the results.
#pragma once

#include "core/JobDef.h"
#include "core/Options.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QStatusBar;
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

private:
  TOutlookApplication* FOutlook = nullptr;  // borrowed
  TRDOSession* FRDOSession = nullptr;       // borrowed
  TOptions FOptions;

  void done(int result) override;
  void closeEvent(QCloseEvent* event) override;
};
