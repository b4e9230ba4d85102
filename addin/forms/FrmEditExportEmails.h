// "Export emails": format, destination directory, mask, options.
#pragma once

#include "addin/forms/FrmEditBase.h"
#include "core/JobDef.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class TFormEditExportEmails : public TFormEditBase {
  Q_OBJECT

public:
  explicit TFormEditExportEmails(QWidget* owner = nullptr);

  TJobDef_ExportEmails& JobDef_ExportEmails() { return FJobDef_ExportEmails; }

protected:
  void PartToControls() override;
  bool ControlsToPart() override;

private:
  void UpdateEnabling();

  TJobDef_ExportEmails FJobDef_ExportEmails;
  QComboBox* FComboSaveFormat;
  QLineEdit* FEditDestPath;
  QLineEdit* FEditSubFolderMask;
  QComboBox* FComboExistMode;
  QCheckBox* FCheckAttsAlso;
  QCheckBox* FCheckLogExport;
  QLineEdit* FEditLogPath;
  QPushButton* FButtonLogPath;
  QCheckBox* FCheckPrefixSubject;
  QLineEdit* FEditSubjectPrefix;
};
