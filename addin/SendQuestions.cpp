#include "addin/SendQuestions.h"

#include <QMessageBox>

namespace {

int Ask(QWidget* owner, const QString& text, QMessageBox::StandardButtons buttons) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Tarnwick"), text, buttons, owner);
  return box.exec();
}

QString Memo(const QString& text) {
  QString s = text;
  return s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

TSendQuestions::TReplaceAnswer TDesktopSendQuestions::AskReplace(const QString& attFilename, const QString& orgFilename,
                                                                 bool trusted) {
  QString text = Memo(AskReplaceText(attFilename, orgFilename)) + QStringLiteral("\n\n") + AskReplaceQuestion();
  if (!trusted) text = UntrustedLinkWarning() + QStringLiteral("\n\n") + text;
  // Yes to all and No to all stand for the dialog's Always and Never.
  switch (Ask(FOwner, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll | QMessageBox::NoToAll | QMessageBox::Cancel)) {
    case QMessageBox::Yes: return raYes;
    case QMessageBox::No: return raNo;
    case QMessageBox::YesToAll: return raAlways;
    case QMessageBox::NoToAll: return raNever;
    default: return raCancel;
  }
}

TSendQuestions::TDeleteAnswer TDesktopSendQuestions::AskDeleteLink(const QString& attFilename, const QString& orgFilename) {
  const QString text = Memo(AskDeleteLinkText(attFilename, orgFilename)) + QStringLiteral("\n\n") + AskDeleteLinkQuestion();
  switch (Ask(FOwner, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes: return daYes;
    case QMessageBox::No: return daNo;
    default: return daCancel;
  }
}
