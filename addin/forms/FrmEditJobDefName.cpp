#include "addin/forms/FrmEditJobDefName.h"

#include "addin/forms/FormTools.h"
#include "core/FilenameTools.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TFormEditJobDefName::TFormEditJobDefName(QWidget* owner)
    : TFormEditBase(owner, QStringLiteral("Save job-template as"), QString()) {
  FEditJobDefName = new QLineEdit(this);
  Name(FEditJobDefName, QString(), QStringLiteral("EditJobDefName"));
  Body()->addWidget(MakeLabel(this, QStringLiteral("Enter a name for the template:"), FEditJobDefName, QString()));
  Body()->addWidget(FEditJobDefName);
  AddButtons();
  resize(360, sizeHint().height());
}

void TFormEditJobDefName::PartToControls() {
  FEditJobDefName->setText(FJobDefName);
  FEditJobDefName->selectAll();
  FEditJobDefName->setFocus();
}

bool TFormEditJobDefName::ControlsToPart() {
  FJobDefName = MakeValidFileName(TrimStr(FEditJobDefName->text()));
  if (FJobDefName.isEmpty()) reject();
  return !FJobDefName.isEmpty();
}
