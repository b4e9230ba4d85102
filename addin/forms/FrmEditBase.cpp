#include "addin/forms/FrmEditBase.h"

#include "addin/forms/FormTools.h"
#include "addin/forms/FrmPickFolder.h"
#include "addin/forms/PlaceholderMenu.h"
#include "addin/forms/Help.h"
#include "addin/forms/MsgBox.h"
#include "core/Exception.h"
#include "core/FilenameTools.h"
#include "core/ListMatch.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A failed check: the message and the control that gets the focus.
class ECheckFailed : public Exception {
public:
  ECheckFailed(QWidget* control, const QString& message) : Exception(message), FControl(control) {}
  QWidget* Control() const { return FControl; }

private:
  QWidget* FControl;
};

}  // namespace

TFormEditBase::TFormEditBase(QWidget* owner, const QString& caption, const QString& helpPage, bool helpOwned)
    : QDialog(owner), FHelpPage(helpPage), FHelpOwned(helpOwned) {
  setWindowTitle(caption);
  FBody = new QVBoxLayout(this);
}

QGroupBox* TFormEditBase::AddGroup(const QString& caption, const QString& controlName) {
  auto* group = new QGroupBox(caption, this);
  Name(group, caption.trimmed(), controlName);
  FBody->addWidget(group);
  return group;
}

void TFormEditBase::AddButtons() {
  for (QGroupBox* group : findChildren<QGroupBox*>()) BoldGroupCaption(group);
  auto* row = new QHBoxLayout;
  row->addStretch();
  FButtonOK = new QPushButton(QStringLiteral("OK"), this);
  FButtonOK->setDefault(true);
  Name(FButtonOK, QStringLiteral("OK"), QStringLiteral("ButtonOK"));
  FButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
  FButtonCancel->setAutoDefault(false);
  Name(FButtonCancel, QStringLiteral("Cancel"), QStringLiteral("ButtonCancel"));
  row->addWidget(FButtonOK);
  row->addWidget(FButtonCancel);
  if (!FHelpPage.isEmpty()) {
    FButtonHelp = new QPushButton(QStringLiteral("Help"), this);
    FButtonHelp->setAutoDefault(false);
    Name(FButtonHelp, QStringLiteral("Help"), QStringLiteral("ButtonHelp"));
    connect(FButtonHelp, &QPushButton::clicked, this, [this] {
      TryOrShowError(this, [this] { OpenHelpPage(FHelpOwned ? this : nullptr, FHelpPage); });
    });
    row->addWidget(FButtonHelp);
  }
  FBody->addLayout(row);
  connect(FButtonOK, &QPushButton::clicked, this, &TFormEditBase::ButtonOKClick);
  connect(FButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormEditBase::Fail(QWidget* control, const QString& message) { throw ECheckFailed(control, message); }

void TFormEditBase::ButtonOKClick() {
  try {
    if (ControlsToPart()) accept();
  } catch (const ECheckFailed& e) {
    if (e.Control()) e.Control()->setFocus();
    ShowError(this, e.Message());
  } catch (const std::exception& e) {
    ShowError(this, ErrorMessage(e));
  }
}

bool TFormEditBase::Execute() {
  PartToControls();
  CenterOnOwner(this);
  return exec() == QDialog::Accepted;
}

bool TFormEditBase::EnsureDirectoryExists(QWidget* control, const QString& path) {
  if (QFileInfo(path).isDir()) return true;
  control->setFocus();  // the question is about this edit's directory
  if (!AskYesNo(this, QStringLiteral("The specified directory does not exist.\nWould you like to create it?\n\n%1")
                           .arg(path)))
    return false;
  if (!QDir().mkpath(path)) Fail(control, QStringLiteral("Directory could not be created"));
  return true;
}

QPlainTextEdit* TFormEditBase::MakeMemo(QWidget* parent, const QString& accessibleName, const QString& controlName) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setTabChangesFocus(true);
  memo->setMinimumHeight(56);
  Name(memo, accessibleName, controlName);
  return memo;
}

void TFormEditBase::SetMemoLines(QPlainTextEdit* memo, QStringList lines) {
  CleanMaskList(lines);
  memo->setPlainText(lines.join(QLatin1Char('\n')));
}

QStringList TFormEditBase::MemoLines(const QPlainTextEdit* memo) {
  QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
  CleanMaskList(lines);
  return lines;
}

QPushButton* TFormEditBase::MakeBrowseButton(QWidget* parent, QLineEdit* edit, const QString& accessibleName,
                                             const QString& controlName) {
  QPushButton* button = MakeEllipsisButton(parent, accessibleName, controlName);
  connect(button, &QPushButton::clicked, this, [this, edit] {
    QString path = TrimStr(edit->text());
    if (BrowseForFolder(this, QStringLiteral("Choose directory"), path)) edit->setText(path);
  });
  return button;
}

QLineEdit* TFormEditBase::AddDestPath(QWidget* parent, QGridLayout* grid, int row, const QString& label) {
  auto* edit = new QLineEdit(parent);
  Name(edit, QString(), QStringLiteral("EditDestPath"));
  grid->addWidget(MakeLabel(parent, label, edit, QString()), row, 0, 1, 3);
  grid->addWidget(edit, row + 1, 0, 1, 2);
  QPushButton* browse = MakeBrowseButton(parent, edit, QStringLiteral("Choose destination directory"),
                                         QStringLiteral("ButtonBrowseForDestPath"));
  grid->addWidget(browse, row + 1, 2);
  return edit;
}

QString ExpandDirectory(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

bool TFormEditBase::AcceptDirectory(QLineEdit* edit, QString& path) {
  path = ExpandDirectory(path);
  edit->setText(path);
  return EnsureDirectoryExists(edit, path);
}

QComboBox* TFormEditBase::AddExistMode(QWidget* parent, QGridLayout* grid, int row) {
  auto* combo = new QComboBox(parent);
  combo->addItems({QStringLiteral("Append a number to the filename"), QStringLiteral("Overwrite the existing file")});
  Name(combo, QString(), QStringLiteral("ComboExistMode"));
  grid->addWidget(MakeLabel(parent, QStringLiteral("If filename already exists:"), combo, QString()), row, 0);
  grid->addWidget(combo, row, 1, 1, 2);
  return combo;
}

QLineEdit* TFormEditBase::AddMask(QWidget* parent, QGridLayout* grid, int row, const QString& label,
                                  bool attachments) {
  auto* edit = new QLineEdit(parent);
  Name(edit, QString(), QStringLiteral("EditSubFolderMask"));
  auto* caption = MakeLabel(parent, label, edit, QString());
  auto* placeholders = new TPlaceholderButton(parent, edit, attachments);
  QWidget::setTabOrder(placeholders, edit);  // the link stands above the edit
  auto* line = new QHBoxLayout;
  line->addWidget(caption);
  line->addStretch();
  line->addWidget(placeholders);
  grid->addLayout(line, row, 0, 1, 3);
  grid->addWidget(edit, row + 1, 0, 1, 3);
  return edit;
}
