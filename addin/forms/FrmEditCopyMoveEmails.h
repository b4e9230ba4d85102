// "Copy emails" / "Move emails": the destination folder and the mask of the
// subfolders made below it.
#pragma once

#include "addin/forms/FrmEditBase.h"
#include "core/JobDef.h"
#include "twktools/TWKtools.h"

class QLineEdit;
class QPushButton;

class TFormEditCopyMoveEmails : public TFormEditBase {
  Q_OBJECT

public:
  // session is borrowed; move chooses the caption and the help page.
  TFormEditCopyMoveEmails(QWidget* owner, IRDOSession* session, bool move);

  TJobDef_CopyMove& JobDef_CopyMove() { return FJobDef_CopyMove; }

protected:
  void PartToControls() override;
  bool ControlsToPart() override;

private:
  void ButtonBrowseForDestFolderClick();

  TJobDef_CopyMove FJobDef_CopyMove;
  IRDOSession* FRDOSession;
  bool FMove;
  QLineEdit* FEditDestFolder;
  QPushButton* FButtonBrowseForDestFolder;
  QLineEdit* FEditSubFolderMask;
};
