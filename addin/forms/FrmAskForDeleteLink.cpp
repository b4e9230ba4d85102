#include "addin/forms/FrmAskForDeleteLink.h"

TFormAskForDeleteLink::TFormAskForDeleteLink(QWidget* owner) : TFormAskConfirm(owner, AskDeleteLinkQuestion()) {
  AddButton(QStringLiteral("&Yes"), QMessageBox::Yes, QStringLiteral("ButtonYes"));
  AddButton(QStringLiteral("&No"), QMessageBox::No, QStringLiteral("ButtonNo"));
  AddButton(QStringLiteral("Cancel"), QMessageBox::Cancel, QStringLiteral("ButtonCancel"));
}

QString TFormAskForDeleteLink::MemoText() const { return AskDeleteLinkText(AttFilename(), OrgFilename()); }

TSendQuestions::TDeleteAnswer AskForDeleteLink(QWidget* owner, const QString& attFilename, const QString& orgFilename) {
  TFormAskForDeleteLink form(owner);
  form.SetAttFilename(attFilename);
  form.SetOrgFilename(orgFilename);
  switch (form.Execute()) {
    case QMessageBox::Yes: return TSendQuestions::daYes;
    case QMessageBox::No: return TSendQuestions::daNo;
    default: return TSendQuestions::daCancel;
  }
}
