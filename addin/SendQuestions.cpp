#include "addin/SendQuestions.h"

#include "addin/forms/FrmAskForDeleteLink.h"
#include "addin/forms/FrmAskForReplace.h"

TSendQuestions::TReplaceAnswer TDesktopSendQuestions::AskReplace(const QString& attFilename, const QString& orgFilename,
                                                                 bool trusted) {
  return AskForReplace(FOwner, attFilename, orgFilename, trusted);
}

TSendQuestions::TDeleteAnswer TDesktopSendQuestions::AskDeleteLink(const QString& attFilename, const QString& orgFilename) {
  return AskForDeleteLink(FOwner, attFilename, orgFilename);
}
