#include "core/SendHandlers.h"

#include "core/Exception.h"
#include "core/LinkRoots.h"
#include "core/MailFields.h"
#include "core/SendCapture.h"
#include "twktools/TWKtools.h"

#include <QSettings>

QString AskReplaceText(const QString& attFilename, const QString& orgFilename) {
  // One arg() call, so a "%2" inside a name is never replaced again.
  return QStringLiteral("The message has an attachment (%1) containing a link to the file:\r\n\r\n%2")
      .arg(attFilename, orgFilename);
}

QString AskReplaceQuestion() { return QStringLiteral("Would you like to replace the link with the file?"); }

QString AskDeleteLinkText(const QString& attFilename, const QString& orgFilename) {
  return QStringLiteral(
             "The message has an attachment (%1) containing a link to the file:\r\n\r\n%2\r\n\r\n"
             "This file could not be found.")
      .arg(attFilename, orgFilename);
}

QString AskDeleteLinkQuestion() { return QStringLiteral("Would you like to remove the link?"); }

QString UntrustedLinkWarning() {
  return QStringLiteral(
      "Warning: this file lies outside every directory Tarnwick exported attachments to; "
      "the link may have come with an incoming e-mail.");
}

void TSendHandlers::SetAndSave(TSendOptions value) {
  FOptions.SetSendOptions(value);
  if (!FOptions.SaveToRegistry()) FSaveFailed = true;
}

void TSendHandlers::HandleAskReplace(TSendCapture&, const QString& attFilename, const QString& orgFilename,
                                     bool trusted, bool& replace) {
  replace = false;
  const TSendOptions mode = FOptions.SendOptions();
  if (mode == soNever) return;
  if (mode == soAlways && trusted) {
    replace = true;
    return;
  }
  // soAsk, or a link that may be forged under soAlways: only the user decides.
  if (!FQuestions) {
    ++FUnasked;
    return;
  }
  switch (FQuestions->AskReplace(attFilename, orgFilename, trusted)) {
    case TSendQuestions::raYes:
      replace = true;
      break;
    case TSendQuestions::raNo:
      break;
    case TSendQuestions::raAlways:
      SetAndSave(soAlways);
      replace = true;
      break;
    case TSendQuestions::raNever:
      SetAndSave(soNever);
      break;
    default:
      throw EAbort();
  }
}

void TSendHandlers::HandleAskDeleteLink(TSendCapture&, const QString& attFilename, const QString& orgFilename,
                                        bool& deleteLink) {
  deleteLink = false;
  if (!FQuestions) {
    ++FUnasked;
    return;
  }
  switch (FQuestions->AskDeleteLink(attFilename, orgFilename)) {
    case TSendQuestions::daYes:
      deleteLink = true;
      break;
    case TSendQuestions::daNo:
      break;
    default:
      throw EAbort();
  }
}

void TSendHandlers::Attach(TSendCapture& capture) {
  capture.SetOnAskReplace([this](TSendCapture& sender, const QString& att, const QString& org, bool trusted,
                                 bool& replace) { HandleAskReplace(sender, att, org, trusted, replace); });
  capture.SetOnDeleteLink([this](TSendCapture& sender, const QString& att, const QString& org, bool& deleteLink) {
    HandleAskDeleteLink(sender, att, org, deleteLink);
  });
}

bool ItemSend(IRDOMail* item, TSendHandlers& handlers, const TLinkRoots& roots, TRDOSession* session,
              bool& changed) {
  changed = false;
  if (!item || handlers.Options().SendOptions() == soNever) return false;
  QString messageClass;
  try {
    messageClass = item->MessageClass();
  } catch (const Exception&) {
    // No class to read: not an e-mail the capture may change.
  }
  if (!IsMailClass(messageClass) || IsSignedOrEncryptedClass(messageClass)) return false;
  TSendCapture capture;
  capture.SetRDOSession(session);
  capture.SetLinkRoots(roots);
  handlers.Attach(capture);
  try {
    changed = capture.DoSendEvent(item);
  } catch (const EAbort&) {
    return true;
  }
  return false;
}

namespace {
const QString kSendmail = QStringLiteral("Sendmail");
}  // namespace

QString SendmailProgram() {
  const QString path = OpenSettings().value(kSendmail).toString();
  return path.isEmpty() ? QStringLiteral("/usr/sbin/sendmail") : path;
}

bool SetSendmailProgram(const QString& path) {
  QSettings s = OpenSettings();
  if (path.isEmpty())
    s.remove(kSendmail);
  else
    s.setValue(kSendmail, path);
  s.sync();
  return s.status() == QSettings::NoError;
}
