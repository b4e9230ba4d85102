#include "addin/forms/FrmResults.h"

#include "addin/forms/DM.h"
#include "addin/forms/FormTools.h"
#include "core/ResultsText.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormResults::TFormResults(QWidget* owner) : QDialog(owner) {
  setWindowTitle(QStringLiteral("Tarnwick"));
  setWindowIcon(ProductIcon());
  setSizeGripEnabled(true);

  FMemo = new QPlainTextEdit(this);
  FMemo->setReadOnly(true);
  FMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  FMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  FMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont font = FMemo->font();
  font.setPointSizeF(font.pointSizeF() + 2);
  FMemo->setFont(font);
  Name(FMemo, QStringLiteral("Results"), QStringLiteral("MemoResults"));

  FButtonClose = new QPushButton(QStringLiteral("Close"), this);
  FButtonClose->setDefault(true);
  Name(FButtonClose, QStringLiteral("Close"), QStringLiteral("ButtonClose"));
  // Enter and Esc both close: Esc rejects, the default button accepts.
  connect(FButtonClose, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(FButtonClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FMemo);
  layout->addLayout(buttons);
  resize(640, 420);
}

int TFormResults::Execute() {
  FMemo->setPlainText(ResultsText(FExceptMsg, FMsg, FMailErrors));
  CenterOnOwner(this);
  FButtonClose->setFocus();
  return exec();
}

void ShowResults(QWidget* owner, const QString& exceptMsg, const QString& msg, const QStringList& mailErrors) {
  TFormResults form(owner);
  form.SetExceptMsg(exceptMsg);
  form.SetMsg(msg);
  form.GetMailErrors() = mailErrors;
  form.Execute();
}
