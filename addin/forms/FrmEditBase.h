// What the task editors share: "OK" (default), "Cancel" (Esc) and "Help",
// the check on OK that keeps the dialog open with the focus on the
// offending control, and bold group captions.
#pragma once

#include <QDialog>

class QComboBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;

class TFormEditBase : public QDialog {
  Q_OBJECT

public:
  // Fills the controls from the owned part, shows the dialog modally; true
  // when it closed with OK (the part then holds the controls' values).
  bool Execute();

  QPushButton* ButtonOK() const { return FButtonOK; }
  QPushButton* ButtonCancel() const { return FButtonCancel; }
  QPushButton* ButtonHelp() const { return FButtonHelp; }

protected:
  // helpPage empty: no Help button. helpOwned false: the page opens
  // without an owner window.
  TFormEditBase(QWidget* owner, const QString& caption, const QString& helpPage, bool helpOwned = true);

  // The owned part into the controls.
  virtual void PartToControls() = 0;
  // The controls into the owned part, with the checks; false ends the OK
  // silently (the dialog stays open), Fail() reports a check.
  virtual bool ControlsToPart() = 0;
  // Ends the OK: focus on control, the message in the error box.
  [[noreturn]] static void Fail(QWidget* control, const QString& message);

  // Asks to create a missing directory: false (focus on control) when the
  // user says No; fails with "Directory could not be created".
  bool EnsureDirectoryExists(QWidget* control, const QString& path);

  // Building blocks shared by the editors.
  QVBoxLayout* Body() const { return FBody; }
  // A pattern list, one per line, without word wrap.
  QPlainTextEdit* MakeMemo(QWidget* parent, const QString& accessibleName, const QString& controlName);
  static void SetMemoLines(QPlainTextEdit* memo, QStringList lines);  // cleaned first
  static QStringList MemoLines(const QPlainTextEdit* memo);           // cleaned
  // "..." beside a directory edit: the directory chooser "Choose directory"
  // starting at the trimmed edit text; a chosen directory replaces the text.
  QPushButton* MakeBrowseButton(QWidget* parent, QLineEdit* edit, const QString& accessibleName,
                                const QString& controlName);
  // The label, the destination edit EditDestPath and its "...", into grid
  // rows row and row + 1.
  QLineEdit* AddDestPath(QWidget* parent, QGridLayout* grid, int row, const QString& label);
  // A checked directory of the part: made absolute and written back to its
  // edit, then EnsureDirectoryExists.
  bool AcceptDirectory(QLineEdit* edit, QString& path);
  // "If filename already exists:" with its two choices, into grid row.
  QComboBox* AddExistMode(QWidget* parent, QGridLayout* grid, int row);
  // A mask label, the mask edit EditSubFolderMask and "Placeholders", into
  // grid rows row and row + 1.
  QLineEdit* AddMask(QWidget* parent, QGridLayout* grid, int row, const QString& label, bool attachments);
  // A group box with a bold caption; call FinishGroup when it is filled.
  QGroupBox* AddGroup(const QString& caption, const QString& controlName);
  // Adds the button row (call last, so the tab order runs top to bottom).
  void AddButtons();

private:
  void ButtonOKClick();

  QString FHelpPage;
  bool FHelpOwned;
  QVBoxLayout* FBody;
  QPushButton* FButtonOK = nullptr;
  QPushButton* FButtonCancel = nullptr;
  QPushButton* FButtonHelp = nullptr;
};


// The directory as the job keeps it: absolute (the form of a mapped
// network drive's path on this system is its absolute path).
QString ExpandDirectory(const QString& path);
