// The send questions as the desktop's dialogs, for `twk sendmail` without a
// terminal: each question runs the helper twk-ask (beside twk), which shows
// the dialog and prints the answer. twk itself stays free of widgets.
#pragma once

#include "core/SendHandlers.h"

class TDialogQuestions final : public TSendQuestions {
public:
  // The helper beside the program; empty when it is not there or no display
  // is (then the questions cannot be asked this way).
  static QString Helper();

  explicit TDialogQuestions(QString helper) : FHelper(std::move(helper)) {}
  TReplaceAnswer AskReplace(const QString& att, const QString& org, bool trusted) override;
  TDeleteAnswer AskDeleteLink(const QString& att, const QString& org) override;

private:
  // The answer letter; 'c' (cancel) when the helper fails.
  char Ask(const QStringList& args);
  QString FHelper;
};
