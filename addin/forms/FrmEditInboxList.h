// "Tarnwick - Tasks for Inbox": the tasks run on every new e-mail, in their
// order, and the switch that turns watching on. Works on its own copy of
// the list; the inbox file is written only on OK.
#pragma once

#include "addin/forms/FrmEditBase.h"
#include "core/JobDef.h"

class QCheckBox;
class QTreeWidget;

class TFormEditInboxList : public TFormEditBase {
  Q_OBJECT

public:
  explicit TFormEditInboxList(QWidget* owner = nullptr);

  // Loads filename (an unreadable file gives an empty list, without a
  // message) and shows the dialog; true when closed with OK, the file then
  // written.
  bool Execute(const QString& filename);
  const TJobDefList_Inbox& InboxList() const { return FInboxList; }

protected:
  void PartToControls() override;
  // Active with no task: "Please define at least 1 task"; else the file is saved.
  bool ControlsToPart() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void FillRows(int select);
  int Selected() const;
  void UpdateButtons();
  void ButtonAddClick();
  void ButtonEditClick();
  void ButtonDeleteClick();
  void MoveSelected(int step);

  QString FFilename;
  TJobDefList_Inbox FInboxList;
  QTreeWidget* FListView;
  QPushButton* FButtonAdd;
  QPushButton* FButtonEdit;
  QPushButton* FButtonUp;
  QPushButton* FButtonDown;
  QPushButton* FButtonDelete;
  QCheckBox* FCheckCheckInbox;
};
