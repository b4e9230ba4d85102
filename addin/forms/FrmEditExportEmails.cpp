#include "addin/forms/FrmEditExportEmails.h"

#include "addin/forms/FormTools.h"
#include "core/CheckJobDef.h"
#include "core/FilenameTools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormEditExportEmails::TFormEditExportEmails(QWidget* owner)
    : TFormEditBase(owner, QStringLiteral("Export emails"), QStringLiteral("exportemails.htm")) {
  QGroupBox* format = AddGroup(QStringLiteral(" Save emails in the following format "), QStringLiteral("GroupBox1"));
  FComboSaveFormat = new QComboBox(format);
  FComboSaveFormat->addItems({QStringLiteral(".TXT (text only)"), QStringLiteral(".MSG"),
                              QStringLiteral(".HTM (text only)"), QStringLiteral(".EML"), QStringLiteral(".MHT"),
                              QStringLiteral(".RTF (text only)"), QStringLiteral(".MSG Unicode (OL 2003 and higher)")});
  Name(FComboSaveFormat, QStringLiteral("Save emails in the following format"), QStringLiteral("ComboSaveFormat"));
  (new QVBoxLayout(format))->addWidget(FComboSaveFormat);

  QGroupBox* dest = AddGroup(QStringLiteral(" Destination directory "), QStringLiteral("GroupBox2"));
  auto* grid = new QGridLayout(dest);
  FEditDestPath = AddDestPath(dest, grid, 0, QStringLiteral("Save emails in the following disk directory:"));
  FEditSubFolderMask =
      AddMask(dest, grid, 2, QStringLiteral("Mask for auto-creation of subdirectories and filename:"), false);
  FComboExistMode = AddExistMode(dest, grid, 4);

  QGroupBox* options = AddGroup(QStringLiteral(" Options "), QStringLiteral("GroupBox3"));
  auto* opt = new QGridLayout(options);
  FCheckAttsAlso = new QCheckBox(QStringLiteral("additionally save attachments in subdirectory \"Attachments\""), options);
  Name(FCheckAttsAlso, FCheckAttsAlso->text(), QStringLiteral("CheckAttsAlso"));
  opt->addWidget(FCheckAttsAlso, 0, 0, 1, 3);
  FCheckLogExport = new QCheckBox(QStringLiteral("Log the export in directory:"), options);
  Name(FCheckLogExport, FCheckLogExport->text(), QStringLiteral("CheckLogExport"));
  opt->addWidget(FCheckLogExport, 1, 0);
  FEditLogPath = new QLineEdit(options);
  Name(FEditLogPath, QStringLiteral("Log directory"), QStringLiteral("EditLogPath"));
  opt->addWidget(FEditLogPath, 1, 1);
  FButtonLogPath = MakeBrowseButton(options, FEditLogPath, QStringLiteral("Choose log directory"),
                                    QStringLiteral("ButtonBrowseForLogPath"));
  opt->addWidget(FButtonLogPath, 1, 2);
  FCheckPrefixSubject = new QCheckBox(QStringLiteral("after saving, prefix the field \"Subject\" with:"), options);
  Name(FCheckPrefixSubject, FCheckPrefixSubject->text(), QStringLiteral("CheckPrefixSubject"));
  opt->addWidget(FCheckPrefixSubject, 2, 0);
  FEditSubjectPrefix = new QLineEdit(options);
  Name(FEditSubjectPrefix, QStringLiteral("Subject prefix"), QStringLiteral("EditSubjectPrefix"));
  opt->addWidget(FEditSubjectPrefix, 2, 1);

  connect(FCheckLogExport, &QCheckBox::toggled, this, &TFormEditExportEmails::UpdateEnabling);
  connect(FCheckPrefixSubject, &QCheckBox::toggled, this, &TFormEditExportEmails::UpdateEnabling);
  AddButtons();
  resize(560, sizeHint().height());
}

void TFormEditExportEmails::UpdateEnabling() {
  FEditLogPath->setEnabled(FCheckLogExport->isChecked());
  FButtonLogPath->setEnabled(FCheckLogExport->isChecked());
  FEditSubjectPrefix->setEnabled(FCheckPrefixSubject->isChecked());
}

void TFormEditExportEmails::PartToControls() {
  const TJobDef_ExportEmails& d = FJobDef_ExportEmails;
  FComboSaveFormat->setCurrentIndex(d.EmailFormat() >= 0 && d.EmailFormat() < FComboSaveFormat->count()
                                        ? int(d.EmailFormat())
                                        : int(efTXT));
  FEditDestPath->setText(d.DestFolder());
  FEditSubFolderMask->setText(d.SubFolderMask());
  FComboExistMode->setCurrentIndex(d.ExistMode() == emOverwrite ? 1 : 0);
  FCheckAttsAlso->setChecked(d.AttsAlso());
  FCheckLogExport->setChecked(d.LogExport());
  FEditLogPath->setText(d.LogFolder());
  FCheckPrefixSubject->setChecked(d.PrefixSubject());
  FEditSubjectPrefix->setText(d.SubjectPrefix());
  UpdateEnabling();
}

bool TFormEditExportEmails::ControlsToPart() {
  TJobDef_ExportEmails& d = FJobDef_ExportEmails;
  d.Clear();
  d.SetEmailFormat(TEmailFormat(FComboSaveFormat->currentIndex()));
  d.SetDestFolder(TrimStr(FEditDestPath->text()));
  d.SetSubFolderMask(TrimStr(FEditSubFolderMask->text()));
  d.SetExistMode(FComboExistMode->currentIndex() == 1 ? emOverwrite : emSuffix);
  d.SetAttsAlso(FCheckAttsAlso->isChecked());
  d.SetLogExport(FCheckLogExport->isChecked());
  if (d.LogExport()) d.SetLogFolder(TrimStr(FEditLogPath->text()));
  d.SetPrefixSubject(FCheckPrefixSubject->isChecked());
  if (d.PrefixSubject()) d.SetSubjectPrefix(TrimLeftStr(FEditSubjectPrefix->text()));

  if (d.DestFolder().isEmpty()) Fail(FEditDestPath, QStringLiteral("Destination directory not specified"));
  if (d.SubFolderMask().isEmpty()) Fail(FEditSubFolderMask, QStringLiteral("Mask not specified"));
  if (!IsValidMask(d.SubFolderMask(), false)) Fail(FEditSubFolderMask, QStringLiteral("Mask is invalid"));
  if (d.LogExport() && d.LogFolder().isEmpty()) Fail(FEditLogPath, QStringLiteral("Log-directory not specified"));

  QString destFolder = d.DestFolder();
  if (!AcceptDirectory(FEditDestPath, destFolder)) return false;
  d.SetDestFolder(destFolder);
  if (d.LogExport()) {
    QString logFolder = d.LogFolder();
    if (!AcceptDirectory(FEditLogPath, logFolder)) return false;
    d.SetLogFolder(logFolder);
  }
  return true;
}
