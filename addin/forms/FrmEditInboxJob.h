// "Task for Inbox": the filter of one inbox task and its two exports.
#pragma once

#include "addin/forms/FrmEditBase.h"
#include "core/JobDef.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

class TFormEditInboxJob : public TFormEditBase {
  Q_OBJECT

public:
  explicit TFormEditInboxJob(QWidget* owner = nullptr);

  TJobDef_Inbox& InboxJob() { return FInboxJob; }

protected:
  void PartToControls() override;
  // The trimmed filter texts, the flags, an unticked task cleared; each
  // ticked task checked; neither ticked: "No task defined".
  bool ControlsToPart() override;

private:
  void UpdateEnabling();
  void EditExportEmails();
  void EditExportAtts();

  TJobDef_Inbox FInboxJob;
  QLineEdit* FEditSenderMasks;
  QLineEdit* FEditRecipientMasks;
  QLineEdit* FEditSubjectMask;
  QLineEdit* FEditAttNameMasks;
  QCheckBox* FCheckExportEmails;
  QPushButton* FButtonExportEmails;
  QCheckBox* FCheckExportAtts;
  QPushButton* FButtonExportAtts;
};
