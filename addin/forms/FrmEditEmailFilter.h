// "Email filter": the include and exclude lists and the date condition.
#pragma once

#include "addin/forms/FrmEditBase.h"
#include "core/JobDef.h"

class QCheckBox;
class QDateEdit;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;

class TFormEditEmailFilter : public TFormEditBase {
  Q_OBJECT

public:
  explicit TFormEditEmailFilter(QWidget* owner = nullptr);

  TJobDef_EmailFilter1& JobDef_EmailFilter1() { return FJobDef_EmailFilter1; }
  TJobDef_EmailFilter2& JobDef_EmailFilter2() { return FJobDef_EmailFilter2; }

protected:
  void PartToControls() override;
  bool ControlsToPart() override;

private:
  // A picker with its own tick box.
  struct TDatePicker {
    QCheckBox* Check;
    QDateEdit* Date;
  };
  TDatePicker MakeDatePicker(QWidget* parent, const QString& accessibleName, const QString& controlName);
  static void SetPickerDate(const TDatePicker& picker, double value);  // 0: today, unticked
  static double PickerDate(const TDatePicker& picker);                 // 0 when unticked
  void UpdateEnabling();

  TJobDef_EmailFilter1 FJobDef_EmailFilter1;
  TJobDef_EmailFilter2 FJobDef_EmailFilter2;
  // Include and exclude memo of sender, recipient, subject, attachment.
  QPlainTextEdit* FMemos[4][2];
  QRadioButton* FRadioDateAny;
  QRadioButton* FRadioDateOlderThan;
  QRadioButton* FRadioDateFromTo;
  QSpinBox* FEditDays;
  TDatePicker FPickerFrom;
  TDatePicker FPickerTo;
};
