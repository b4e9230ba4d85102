// "Export attachments": destination, mask, which attachments, options.
#pragma once

#include "addin/forms/FrmEditBase.h"
#include "core/JobDef.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

class TFormEditExportAtts : public TFormEditBase {
  Q_OBJECT

public:
  explicit TFormEditExportAtts(QWidget* owner = nullptr);

  TJobDef_ExportAtts& JobDef_ExportAtts() { return FJobDef_ExportAtts; }

protected:
  void PartToControls() override;
  bool ControlsToPart() override;

private:
  TJobDef_ExportAtts FJobDef_ExportAtts;
  QLineEdit* FEditDestPath;
  QLineEdit* FEditSubFolderMask;
  QComboBox* FComboExistMode;
  QPlainTextEdit* FMemoAttIncludeList;
  QPlainTextEdit* FMemoAttExcludeList;
  QCheckBox* FCheckSize;
  QSpinBox* FEditSize;
  QCheckBox* FCheckHiddenAlso;
  QCheckBox* FCheckRecurseMSG;
  QComboBox* FComboShortcutMode;
};
