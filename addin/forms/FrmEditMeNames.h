// "Tarnwick - Own email addresses": the user's names and addresses for the
// [ME], [MN], [NE] and [NN] placeholders, one pattern per line.
#pragma once

#include "addin/forms/FrmEditBase.h"

#include <QStringList>

class QPlainTextEdit;

class TFormEditMeNames : public TFormEditBase {
  Q_OBJECT

public:
  explicit TFormEditMeNames(QWidget* owner = nullptr);

  QStringList& GetMeNames() { return FMeNames; }

protected:
  void PartToControls() override;
  // Trimmed entries, blank lines dropped; no other check.
  bool ControlsToPart() override;

private:
  QStringList FMeNames;
  QPlainTextEdit* FMemoMeNames;
};
