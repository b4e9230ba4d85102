// "Tarnwick - Confirm": the frame of the send capture's two questions. A
// read-only memo with the details, a bold question between two bevels and
// a row of buttons; Esc and closing the window answer Cancel.
#pragma once

#include <QDialog>
#include <QMessageBox>

class QFrame;
class QHBoxLayout;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;

class TFormAskConfirm : public QDialog {
  Q_OBJECT

public:
  const QString& AttFilename() const { return FAttFilename; }
  void SetAttFilename(const QString& v) { FAttFilename = v; }
  const QString& OrgFilename() const { return FOrgFilename; }
  void SetOrgFilename(const QString& v) { FOrgFilename = v; }

  // Fills the memo, shows the window modally on top of all others and
  // returns the answer (QMessageBox::Yes, No, YesToAll, NoToAll, Cancel).
  int Execute();

protected:
  TFormAskConfirm(QWidget* owner, const QString& question);
  // The memo's text for the two file names (CR LF line ends allowed).
  virtual QString MemoText() const = 0;
  // A button in the bottom row answering result.
  QPushButton* AddButton(const QString& caption, QMessageBox::StandardButton result, const QString& controlName);
  // Room above the memo for a dialog's own notice.
  QVBoxLayout* Top() const { return FTop; }

private:
  QString FAttFilename;
  QString FOrgFilename;
  QVBoxLayout* FTop;
  QPlainTextEdit* FMemo;
  QHBoxLayout* FButtons;
};
