// "Tarnwick - Options": the shared template directory and what happens to
// attached links when an e-mail is sent.
#pragma once

#include "addin/forms/FrmEditBase.h"
#include "core/Options.h"

class QComboBox;
class QLineEdit;

class TFormEditOptions : public TFormEditBase {
  Q_OBJECT

public:
  explicit TFormEditOptions(QWidget* owner = nullptr);

  TOptions& Options() { return FOptions; }

protected:
  void PartToControls() override;
  bool ControlsToPart() override;

private:
  TOptions FOptions;
  QLineEdit* FEditGlobalJobPath;
  QComboBox* FComboSendOption;
};

// A typed directory as it is stored: "~" and "~/..." lead to the home
// directory, a relative path is taken from the current directory; an
// absolute path stays exactly as typed.
QString AbsoluteDirectory(const QString& path);
