// "Save job-template as": the name a job template is saved under.
#pragma once

#include "addin/forms/FrmEditBase.h"

class QLineEdit;

class TFormEditJobDefName : public TFormEditBase {
  Q_OBJECT

public:
  explicit TFormEditJobDefName(QWidget* owner = nullptr);

  const QString& JobDefName() const { return FJobDefName; }
  void SetJobDefName(const QString& v) { FJobDefName = v; }

protected:
  void PartToControls() override;
  // A name that file-name cleaning reduces to nothing acts as Cancel.
  bool ControlsToPart() override;

private:
  QString FJobDefName;
  QLineEdit* FEditJobDefName;
};
