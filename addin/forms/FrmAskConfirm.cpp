#include "addin/forms/FrmAskConfirm.h"

#include "addin/forms/DM.h"
#include "addin/forms/FormTools.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("Tarnwick - Confirm");

QFrame* MakeBevel(QWidget* parent, const QString& controlName) {
  auto* bevel = new QFrame(parent);
  bevel->setFrameShape(QFrame::HLine);
  bevel->setFrameShadow(QFrame::Sunken);
  bevel->setObjectName(controlName);
  return bevel;
}

}  // namespace

TFormAskConfirm::TFormAskConfirm(QWidget* owner, const QString& question)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(kCaption);
  setAccessibleName(kCaption);
  auto* layout = new QVBoxLayout(this);
  FTop = new QVBoxLayout;
  layout->addLayout(FTop);

  FMemo = new QPlainTextEdit(this);
  FMemo->setReadOnly(true);
  FMemo->setFrameShape(QFrame::NoFrame);
  FMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  FMemo->setBackgroundRole(QPalette::Window);
  FMemo->viewport()->setBackgroundRole(QPalette::Window);
  FMemo->setFocusPolicy(Qt::ClickFocus);
  Name(FMemo, QStringLiteral("Details"), QStringLiteral("Memo"));
  layout->addWidget(FMemo, 1);

  layout->addWidget(MakeBevel(this, QStringLiteral("Bevel1")));
  auto* label = new QLabel(question, this);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  label->setWordWrap(true);
  Name(label, question, QStringLiteral("LabelQuestion"));
  layout->addWidget(label);
  layout->addWidget(MakeBevel(this, QStringLiteral("Bevel2")));

  FButtons = new QHBoxLayout;
  FButtons->addStretch(1);
  layout->addLayout(FButtons);
}

QPushButton* TFormAskConfirm::AddButton(const QString& caption, QMessageBox::StandardButton result,
                                        const QString& controlName) {
  auto* button = new QPushButton(caption, this);
  Name(button, QString(caption).remove(QLatin1Char('&')), controlName);
  FButtons->addWidget(button);
  connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
  if (FButtons->count() == 2) {
    button->setDefault(true);
    button->setFocus();
  }
  return button;
}

int TFormAskConfirm::Execute() {
  FMemo->setPlainText(QString(MemoText()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  // The icon is decoration only; a failure to draw it changes nothing.
  try {
    setWindowIcon(ProductIcon());
  } catch (...) {
  }
  resize(442, 208);
  setFixedSize(size().expandedTo(minimumSizeHint()));
  CenterOnOwner(this);
  const int result = exec();
  // Esc and closing the window end with 0 (rejected): that is Cancel.
  return result == QDialog::Rejected ? int(QMessageBox::Cancel) : result;
}
