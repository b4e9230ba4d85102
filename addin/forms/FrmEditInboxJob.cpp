#include "addin/forms/FrmEditInboxJob.h"

#include "addin/forms/FormTools.h"
#include "addin/forms/FrmEditExportAtts.h"
#include "addin/forms/FrmEditExportEmails.h"
#include "core/CheckJobDef.h"
#include "core/Exception.h"
#include "core/FilenameTools.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFormEditInboxJob::TFormEditInboxJob(QWidget* owner)
    : TFormEditBase(owner, QStringLiteral("Task for Inbox"), QStringLiteral("inboxlist.htm")) {
  QGroupBox* filter = AddGroup(QStringLiteral(" Email filter "), QStringLiteral("GroupBox1"));
  auto* grid = new QGridLayout(filter);
  const struct {
    const char* Caption;
    const char* Control;
    QLineEdit** Edit;
  } rows[] = {{"Sender is one of: *", "EditSenderMasks", &FEditSenderMasks},
              {"A recipient is one of: *", "EditRecipientMasks", &FEditRecipientMasks},
              {"Subject is:", "EditSubjectMask", &FEditSubjectMask},
              {"An attachment is one of: *", "EditAttNameMasks", &FEditAttNameMasks}};
  int row = 0;
  for (const auto& r : rows) {
    *r.Edit = new QLineEdit(filter);
    Name(*r.Edit, QString(), QString::fromLatin1(r.Control));
    grid->addWidget(MakeLabel(filter, QString::fromLatin1(r.Caption), *r.Edit, QString()), row, 0);
    grid->addWidget(*r.Edit, row++, 1);
  }
  auto* note = new QLabel(QStringLiteral("* separate more with \";\""), filter);
  note->setTextFormat(Qt::PlainText);
  grid->addWidget(note, row, 1);
  grid->setColumnStretch(1, 1);

  QGroupBox* tasks = AddGroup(QStringLiteral(" Tasks "), QStringLiteral("GroupBox2"));
  auto* taskGrid = new QGridLayout(tasks);
  const struct {
    const char* Caption;
    const char* Check;
    const char* Button;
    const char* Opens;
    QCheckBox** CheckBox;
    QPushButton** Ellipsis;
    void (TFormEditInboxJob::*Edit)();
  } taskRows[] = {{"Export emails to disk", "CheckExportEmails", "ButtonExportEmails", "Edit email export",
                   &FCheckExportEmails, &FButtonExportEmails, &TFormEditInboxJob::EditExportEmails},
                  {"Export attachments to disk", "CheckExportAtts", "ButtonExportAtts", "Edit attachment export",
                   &FCheckExportAtts, &FButtonExportAtts, &TFormEditInboxJob::EditExportAtts}};
  row = 0;
  for (const auto& t : taskRows) {
    QCheckBox* check = *t.CheckBox = new QCheckBox(QString::fromLatin1(t.Caption), tasks);
    Name(check, check->text(), QString::fromLatin1(t.Check));
    QPushButton* button = *t.Ellipsis =
        MakeEllipsisButton(tasks, QString::fromLatin1(t.Opens), QString::fromLatin1(t.Button));
    taskGrid->addWidget(check, row, 0);
    taskGrid->addWidget(button, row++, 1);
    const auto edit = t.Edit;
    // Ticking a task opens its editor at once.
    connect(check, &QCheckBox::clicked, this, [this, check, edit] {
      UpdateEnabling();
      if (check->isChecked()) TryOrShowError(this, [this, edit] { (this->*edit)(); });
    });
    connect(button, &QPushButton::clicked, this, [this, edit] { TryOrShowError(this, [this, edit] { (this->*edit)(); }); });
  }
  taskGrid->setColumnStretch(0, 1);
  AddButtons();
  resize(480, sizeHint().height());
}

void TFormEditInboxJob::UpdateEnabling() {
  FButtonExportEmails->setEnabled(FCheckExportEmails->isChecked());
  FButtonExportAtts->setEnabled(FCheckExportAtts->isChecked());
}

void TFormEditInboxJob::EditExportEmails() {
  TFormEditExportEmails form(this);
  form.JobDef_ExportEmails().Assign(FInboxJob.JobDef_ExportEmails());
  if (form.Execute()) FInboxJob.JobDef_ExportEmails().Assign(form.JobDef_ExportEmails());
}

void TFormEditInboxJob::EditExportAtts() {
  TFormEditExportAtts form(this);
  form.JobDef_ExportAtts().Assign(FInboxJob.JobDef_ExportAtts());
  if (form.Execute()) FInboxJob.JobDef_ExportAtts().Assign(form.JobDef_ExportAtts());
}

void TFormEditInboxJob::PartToControls() {
  const TJobDef_InboxFilter& filter = FInboxJob.InboxFilter();
  FEditSenderMasks->setText(filter.SenderMasks());
  FEditRecipientMasks->setText(filter.RecipientMasks());
  FEditSubjectMask->setText(filter.SubjectMask());
  FEditAttNameMasks->setText(filter.AttNameMasks());
  FCheckExportEmails->setChecked(FInboxJob.ExportEmails());
  FCheckExportAtts->setChecked(FInboxJob.ExportAtts());
  UpdateEnabling();
}

bool TFormEditInboxJob::ControlsToPart() {
  TJobDef_InboxFilter& filter = FInboxJob.InboxFilter();
  filter.Clear();
  filter.SetSenderMasks(TrimStr(FEditSenderMasks->text()));
  filter.SetRecipientMasks(TrimStr(FEditRecipientMasks->text()));
  filter.SetSubjectMask(TrimStr(FEditSubjectMask->text()));
  filter.SetAttNameMasks(TrimStr(FEditAttNameMasks->text()));
  FInboxJob.SetExportEmails(FCheckExportEmails->isChecked());
  FInboxJob.SetExportAtts(FCheckExportAtts->isChecked());
  if (!FInboxJob.ExportEmails()) FInboxJob.JobDef_ExportEmails().Clear();
  if (!FInboxJob.ExportAtts()) FInboxJob.JobDef_ExportAtts().Clear();
  try {
    if (FInboxJob.ExportEmails()) CheckJobDef_ExportEmails(FInboxJob.JobDef_ExportEmails());
  } catch (const Exception& e) {
    Fail(FCheckExportEmails, e.Message());
  }
  try {
    if (FInboxJob.ExportAtts()) CheckJobDef_ExportAtts(FInboxJob.JobDef_ExportAtts());
  } catch (const Exception& e) {
    Fail(FCheckExportAtts, e.Message());
  }
  if (!FInboxJob.ExportEmails() && !FInboxJob.ExportAtts()) Fail(FCheckExportEmails, QStringLiteral("No task defined"));
  return true;
}
