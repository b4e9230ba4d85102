// The module's handling of an e-mail being sent: whether the send capture
// runs, and how its two questions are answered by the send option and the
// user's answers (a dialog on the desktop, the terminal for `twk sendmail`).
#pragma once

#include "core/Options.h"

#include <QString>

class IRDOMail;
class TLinkRoots;
class TRDOSession;
class TSendCapture;

// The two questions, as the user answers them.
class TSendQuestions {
public:
  enum TReplaceAnswer { raYes, raNo, raAlways, raNever, raCancel };
  enum TDeleteAnswer { daYes, daNo, daCancel };

  virtual ~TSendQuestions() = default;
  // trusted: false when the file lies outside every recorded link root.
  virtual TReplaceAnswer AskReplace(const QString& attFilename, const QString& orgFilename, bool trusted) = 0;
  virtual TDeleteAnswer AskDeleteLink(const QString& attFilename, const QString& orgFilename) = 0;
};

// The texts of the replace dialog: the memo (CR LF line ends) and the question.
QString AskReplaceText(const QString& attFilename, const QString& orgFilename);
QString AskReplaceQuestion();
// The texts of the delete-link dialog.
QString AskDeleteLinkText(const QString& attFilename, const QString& orgFilename);
QString AskDeleteLinkQuestion();
// Shown with the replace question for a link that is not trusted.
QString UntrustedLinkWarning();

// Answers the capture's questions by options.SendOptions(); Always and Never
// change the options and save them at once. questions may be null (nobody
// can be asked): a link that would need a question is kept, and a missing
// file's link is kept too. Cancel raises EAbort.
class TSendHandlers {
public:
  TSendHandlers(TOptions& options, TSendQuestions* questions) : FOptions(options), FQuestions(questions) {}

  void HandleAskReplace(TSendCapture& sender, const QString& attFilename, const QString& orgFilename, bool trusted,
                        bool& replace);
  void HandleAskDeleteLink(TSendCapture& sender, const QString& attFilename, const QString& orgFilename,
                           bool& deleteLink);
  // Installs both handlers on a capture (which must not outlive this object).
  void Attach(TSendCapture& capture);

  const TOptions& Options() const { return FOptions; }
  // Links kept only because nobody could be asked.
  int Unasked() const { return FUnasked; }
  // True when an Always or Never answer could not be saved.
  bool SaveFailed() const { return FSaveFailed; }

private:
  void SetAndSave(TSendOptions value);

  TOptions& FOptions;
  TSendQuestions* FQuestions;
  int FUnasked = 0;
  bool FSaveFailed = false;
};

// The item-send steps: nothing under the handlers' soNever, for an item that is not an
// e-mail, or for a signed or encrypted one (a change would break its
// signature); else the capture runs with the handlers on item. Returns true
// when sending is cancelled. changed tells whether a link was replaced or
// removed. Errors other than cancel propagate.
bool ItemSend(IRDOMail* item, TSendHandlers& handlers, const TLinkRoots& roots, TRDOSession* session,
              bool& changed);

// The real sendmail that `twk sendmail` passes mail on to: the setting
// "Sendmail", /usr/sbin/sendmail when it is not set or empty.
QString SendmailProgram();
// Stores the setting (an empty path removes it). False when the settings
// could not be written.
bool SetSendmailProgram(const QString& path);
