#include "addin/forms/FrmAskForReplace.h"

#include "addin/forms/FormTools.h"

#include <QLabel>
#include <QVBoxLayout>

TFormAskForReplace::TFormAskForReplace(QWidget* owner) : TFormAskConfirm(owner, AskReplaceQuestion()) {
  FLabelWarning = new QLabel(UntrustedLinkWarning(), this);
  FLabelWarning->setWordWrap(true);
  QPalette palette = FLabelWarning->palette();
  palette.setColor(QPalette::WindowText, Qt::darkRed);
  FLabelWarning->setPalette(palette);
  Name(FLabelWarning, UntrustedLinkWarning(), QStringLiteral("LabelWarning"));
  FLabelWarning->hide();
  Top()->addWidget(FLabelWarning);
  AddButton(QStringLiteral("&Yes"), QMessageBox::Yes, QStringLiteral("ButtonYes"));
  AddButton(QStringLiteral("&No"), QMessageBox::No, QStringLiteral("ButtonNo"));
  AddButton(QStringLiteral("&Always"), QMessageBox::YesToAll, QStringLiteral("ButtonAlways"));
  AddButton(QStringLiteral("Ne&ver"), QMessageBox::NoToAll, QStringLiteral("ButtonNever"));
  AddButton(QStringLiteral("Cancel"), QMessageBox::Cancel, QStringLiteral("ButtonCancel"));
}

void TFormAskForReplace::SetTrusted(bool trusted) { FLabelWarning->setVisible(!trusted); }

QString TFormAskForReplace::MemoText() const { return AskReplaceText(AttFilename(), OrgFilename()); }

TSendQuestions::TReplaceAnswer AskForReplace(QWidget* owner, const QString& attFilename, const QString& orgFilename,
                                             bool trusted) {
  TFormAskForReplace form(owner);
  form.SetAttFilename(attFilename);
  form.SetOrgFilename(orgFilename);
  form.SetTrusted(trusted);
  switch (form.Execute()) {
    case QMessageBox::Yes: return TSendQuestions::raYes;
    case QMessageBox::No: return TSendQuestions::raNo;
    case QMessageBox::YesToAll: return TSendQuestions::raAlways;
    case QMessageBox::NoToAll: return TSendQuestions::raNever;
    default: return TSendQuestions::raCancel;
  }
}
