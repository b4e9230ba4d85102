#include "addin/forms/FrmEditMeNames.h"

#include "addin/forms/DM.h"
#include "addin/forms/FormTools.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

const QString kInfo = QStringLiteral(
    "If you use one of the placeholders [ME], [MN], [NE] and [NN] in a mask for auto-creation of subfolders, then "
    "you should enter here *your* email addresses. The program then can determine whether *you* are the email's "
    "sender or not.\n\nEnter each name or email address in a separate line.\n\nYou can use the wildcards * and ? "
    "to form your expressions.\n\nExamples:\n*@example.com\njohn.doe@*");

}  // namespace

TFormEditMeNames::TFormEditMeNames(QWidget* owner)
    : TFormEditBase(owner, QStringLiteral("Tarnwick - Own email addresses"), QStringLiteral("menames.htm")) {
  setWindowIcon(ProductIcon());
  auto* info = new QLabel(kInfo, this);
  info->setTextFormat(Qt::PlainText);  // ampersands and asterisks as they are
  info->setWordWrap(true);
  Name(info, kInfo, QStringLiteral("LabelInfo"));
  Body()->addWidget(info);
  FMemoMeNames = MakeMemo(this, QStringLiteral("Own email addresses"), QStringLiteral("MemoMeNames"));
  FMemoMeNames->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  FMemoMeNames->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  FMemoMeNames->setMinimumHeight(120);
  Body()->addWidget(FMemoMeNames, 1);
  AddButtons();
  resize(440, 460);
}

void TFormEditMeNames::PartToControls() {
  SetMemoLines(FMemoMeNames, FMeNames);
  FMemoMeNames->setFocus();
}

bool TFormEditMeNames::ControlsToPart() {
  FMeNames = MemoLines(FMemoMeNames);
  return true;
}
