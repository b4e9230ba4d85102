#include "addin/forms/FrmEditCopyMoveEmails.h"

#include "addin/forms/FormTools.h"
#include "core/CheckJobDef.h"
#include "core/FilenameTools.h"
#include "core/RedemptionTools.h"

#include <QLabel>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

TFormEditCopyMoveEmails::TFormEditCopyMoveEmails(QWidget* owner, IRDOSession* session, bool move)
    : TFormEditBase(owner, move ? QStringLiteral("Move emails") : QStringLiteral("Copy emails"),
                    move ? QStringLiteral("moveemails.htm") : QStringLiteral("copyemails.htm")),
      FRDOSession(session),
      FMove(move) {
  QGroupBox* group = AddGroup(QStringLiteral(" Outlook destination folder "), QStringLiteral("GroupBox1"));
  auto* grid = new QGridLayout(group);
  FEditDestFolder = new QLineEdit(group);
  FEditDestFolder->setReadOnly(true);
  Name(FEditDestFolder, QString(), QStringLiteral("EditDestFolder"));
  grid->addWidget(MakeLabel(group, QStringLiteral("Choose the Outlook folder:"), FEditDestFolder, QString()), 0, 0, 1, 3);
  grid->addWidget(FEditDestFolder, 1, 0, 1, 2);
  FButtonBrowseForDestFolder = MakeEllipsisButton(group, QStringLiteral("Choose destination folder"),
                                                  QStringLiteral("ButtonBrowseForDestFolder"));
  grid->addWidget(FButtonBrowseForDestFolder, 1, 2);
  FEditSubFolderMask = AddMask(group, grid, 2, QStringLiteral("Mask for auto-creation of subfolders:"), false);
  connect(FButtonBrowseForDestFolder, &QPushButton::clicked, this,
          &TFormEditCopyMoveEmails::ButtonBrowseForDestFolderClick);
  AddButtons();
  resize(480, sizeHint().height());
}

void TFormEditCopyMoveEmails::ButtonBrowseForDestFolderClick() {
  QString eid = FJobDef_CopyMove.FolderEntryID(), sid = FJobDef_CopyMove.FolderStoreID();
  if (!FRDOSession || !PickOutlookFolder(this, QStringLiteral("Choose folder"), FRDOSession, eid, sid)) return;
  FJobDef_CopyMove.SetFolderEntryID(eid);
  FJobDef_CopyMove.SetFolderStoreID(sid);
  FEditDestFolder->setText(GetFolderPathByID(FRDOSession, eid, sid));
}

void TFormEditCopyMoveEmails::PartToControls() {
  const TJobDef_CopyMove& d = FJobDef_CopyMove;
  FEditDestFolder->setText(FRDOSession ? GetFolderPathByID(FRDOSession, d.FolderEntryID(), d.FolderStoreID())
                                       : QString());
  FEditSubFolderMask->setText(d.SubFolderMask());
}

bool TFormEditCopyMoveEmails::ControlsToPart() {
  TJobDef_CopyMove& d = FJobDef_CopyMove;
  d.SetSubFolderMask(TrimStr(FEditSubFolderMask->text()));
  if (d.FolderEntryID().isEmpty() || d.FolderStoreID().isEmpty())
    Fail(FButtonBrowseForDestFolder, QStringLiteral("Destination folder not specified"));
  if (!FRDOSession || !IsMailFolderByID(FRDOSession, d.FolderEntryID(), d.FolderStoreID()))
    Fail(FButtonBrowseForDestFolder,
         QStringLiteral("The folder must be an email folder (e.g. no search folder or similar)"));
  if (!IsValidMask(d.SubFolderMask(), false)) Fail(FEditSubFolderMask, QStringLiteral("Mask is invalid"));
  return true;
}
