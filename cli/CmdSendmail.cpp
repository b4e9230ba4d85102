// twk sendmail [sendmail options and recipients]
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/DialogQuestions.h"
#include "cli/Terminal.h"
#include "core/LinkRoots.h"
#include "core/Options.h"
#include "core/RDOSession.h"
#include "core/SendHandlers.h"
#include "core/Sendmail.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

const char* const kHelp =
    "Usage: twk sendmail [SENDMAIL OPTIONS] [RECIPIENTS...]\n"
    "\n"
    "A drop-in for the sendmail command of mutt, neomutt, aerc, git send-email\n"
    "or mailx. Reads the message from standard input, turns its attached links\n"
    "(.twk) back into the files they name as the setting SendOptions says, then\n"
    "runs the real sendmail (setting Sendmail, default /usr/sbin/sendmail) with\n"
    "the same arguments and the message, and exits with its exit code.\n"
    "\n"
    "Questions are asked on the terminal (/dev/tty); answer y(es), n(o),\n"
    "a(lways), v (never) or c(ancel). Without a terminal but with a display\n"
    "(DISPLAY or WAYLAND_DISPLAY) they are the desktop's dialogs (the helper\n"
    "twk-ask beside twk); with neither, the links are kept.\n"
    "Cancel sends nothing and exits with 1. Signed or encrypted messages and\n"
    "input that is no MIME message are passed on unchanged.\n"
    "\n"
    "  twk options set Sendmail PATH    the real sendmail\n"
    "  twk options set SendOptions soNever|soAsk|soAlways\n";

// Console text: LF line ends.
QString ForTerminal(const QString& text) {
  QString t = text;
  return t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

class TTerminalQuestions final : public TSendQuestions {
public:
  explicit TTerminalQuestions(TTerminal& terminal) : FTerminal(terminal) {}

  TReplaceAnswer AskReplace(const QString& att, const QString& org, bool trusted) override {
    QString text = QLatin1Char('\n') + ForTerminal(AskReplaceText(att, org));
    if (!trusted) text += QStringLiteral("\n\n") + UntrustedLinkWarning();
    switch (FTerminal.Ask(text, AskReplaceQuestion() + QStringLiteral(" [y]es/[n]o/[a]lways/ne[v]er/[c]ancel: "),
                          "ynavc")) {
      case 'y':
        return raYes;
      case 'n':
        return raNo;
      case 'a':
        return raAlways;
      case 'v':
        return raNever;
      default:
        return raCancel;  // "c", or the terminal closed: as closing the dialog
    }
  }

  TDeleteAnswer AskDeleteLink(const QString& att, const QString& org) override {
    switch (FTerminal.Ask(QLatin1Char('\n') + ForTerminal(AskDeleteLinkText(att, org)),
                          AskDeleteLinkQuestion() + QStringLiteral(" [y]es/[n]o/[c]ancel: "), "ync")) {
      case 'y':
        return daYes;
      case 'n':
        return daNo;
      default:
        return daCancel;
    }
  }

private:
  TTerminal& FTerminal;
};

// All of standard input; a read error is raised, never a shortened message.
QByteArray ReadMessage() {
  QByteArray bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      throw Exception(QStringLiteral("Unable to read the message from standard input: %1")
                          .arg(QString::fromLocal8Bit(std::strerror(errno))));
    if (n == 0) return bytes;
    bytes.append(buffer, n);
  }
}

// The changed message is written with LF line ends; a message that came
// with CR LF goes on with CR LF, as its client wrote it.
QByteArray InLineEndsOf(const QByteArray& input, const QByteArray& changed) {
  const qsizetype lf = input.indexOf('\n');
  if (lf <= 0 || input.at(lf - 1) != '\r') return changed;
  QByteArray out;
  out.reserve(changed.size() + changed.size() / 32);
  for (qsizetype i = 0; i < changed.size(); ++i) {
    if (changed.at(i) == '\n' && (i == 0 || changed.at(i - 1) != '\r')) out += '\r';
    out += changed.at(i);
  }
  return out;
}

// The message as it is to be sent: the input itself unless a link was
// replaced or removed. Raises EAbort when the user cancels.
QByteArray CaptureLinks(const QByteArray& input, TOptions& options) {
  TRDOSession session;
  ConnectBesideProgram(session);
  TwkPtr<IRDOMail> mail;
  try {
    mail = session->GetMessageFromMIME(input);
  } catch (const Exception&) {
    return input;  // not a message the store reads: sent on as it came
  }
  TLinkRoots roots;
  roots.Load();
  TTerminal terminal;
  TTerminalQuestions questions(terminal);
  // No terminal (started from a desktop mail program): the dialogs, when a
  // display is there.
  const QString helper = terminal.IsOpen() ? QString() : TDialogQuestions::Helper();
  TDialogQuestions dialogs(helper);
  TSendQuestions* asker = nullptr;
  if (terminal.IsOpen())
    asker = &questions;
  else if (!helper.isEmpty())
    asker = &dialogs;
  TSendHandlers handlers(options, asker);
  bool changed = false;
  if (ItemSend(mail.get(), handlers, roots, &session, changed)) throw EAbort();
  if (handlers.SaveFailed()) Err(QStringLiteral("twk sendmail: Unable to save the settings\n"));
  if (handlers.Unasked() > 0)
    Err(QStringLiteral("twk sendmail: no terminal to ask on; %1 link(s) kept in the message\n")
            .arg(handlers.Unasked()));
  return changed ? InLineEndsOf(input, mail->MimeContent()) : input;
}

}  // namespace

int RunSendmailCommand(const QStringList& args) {
  // Only a lone --help: every other argument belongs to the real sendmail.
  if (args == QStringList{QStringLiteral("--help")}) {
    Out(QLatin1String(kHelp));
    return 0;
  }
  // A sendmail that stops reading early must not kill us before its exit
  // code is known.
  std::signal(SIGPIPE, SIG_IGN);
  const QByteArray input = ReadMessage();
  const QString program = SendmailProgram();
  TOptions options;
  options.LoadFromRegistry();
  const QByteArray message = options.SendOptions() == soNever ? input : CaptureLinks(input, options);
  return RunSendmail(program, args, message);
}
