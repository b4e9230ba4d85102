// twk reimport, twk relocate: the two link engines with the checks and the
// question of their dialogs, progress on standard error, the results text on
// standard output.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/Terminal.h"
#include "core/RDOSession.h"
#include "core/ReImporter.h"
#include "core/ReLocator.h"
#include "core/RedemptionTools.h"
#include "core/ResultsText.h"

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace {

const char kCommon[] =
    "FOLDER is the display path of a mail folder (\"\\\\Mail\\Inbox\", names ignoring\n"
    "case) or its entry ID, as 'twk folders' lists them; --subfolders walks every\n"
    "folder below it too. The store is found as by the other commands\n"
    "(TWK_PROFILE, else ~/.config/Quendal-Software/TWKtools.conf, else $MAILDIR,\n"
    "else ~/Maildir).\n"
    "\n"
    "The question is asked on the terminal; --yes answers it. Without a\n"
    "terminal and without --yes nothing runs (exit code 1). Progress goes to\n"
    "standard error (\"ITEM/ITEMS - FOLDER\", counting down); Ctrl-C stops before\n"
    "the next item (\"User cancelled\"). Then standard output gets the results:\n"
    "the error that ended the run (if any), the statistics and the mail errors\n"
    "(four lines per e-mail: folder, subject, message, empty line).\n"
    "\n"
    "Exit code: 0 after a clean run, 1 when the run did not start or ended\n"
    "with an error (cancel included), 2 when it ran through with mail errors.\n";

const char kReimportHelp[] =
    "Usage: twk reimport FOLDER [--subfolders] [--yes]\n"
    "\n"
    "Puts exported attachments back into the e-mails: every link (.twk) whose\n"
    "file exists is replaced by that file. A link into a directory that\n"
    "Tarnwick never wrote links for (the attachment export's directories and\n"
    "the relocation's new directories, setting \"LinkRoots\") may be forged: it\n"
    "stays in the e-mail and is reported as a mail error. Signed and encrypted\n"
    "e-mails are never changed.\n"
    "\n";

const char kRelocateHelp[] =
    "Usage: twk relocate FOLDER --from DIR --to DIR [--subfolders] [--yes]\n"
    "\n"
    "Re-points links after their files were moved: a link to a file below the\n"
    "original directory (--from) whose file is gone there but exists at the\n"
    "same place below the new directory (--to) is replaced by a link to the\n"
    "new place. --from may be a Windows directory (\"D:\\Export\" or\n"
    "\"\\\\server\\share\\Export\") to re-point links made on Windows to the same\n"
    "files copied here. --to must exist; before the first link is changed it\n"
    "is recorded as a directory of Tarnwick's own links (setting \"LinkRoots\").\n"
    "\n";

// Set by the SIGINT handler, read by the progress callback.
std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int) { gInterrupted = true; }

// SIGINT sets the flag while the object lives.
class TInterruptFlag {
public:
  TInterruptFlag() {
    gInterrupted = false;
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, &FOld);
  }
  ~TInterruptFlag() { ::sigaction(SIGINT, &FOld, nullptr); }
  TInterruptFlag(const TInterruptFlag&) = delete;
  TInterruptFlag& operator=(const TInterruptFlag&) = delete;

private:
  struct sigaction FOld {};
};

struct TLinkCommand {
  QString Folder;
  bool SubFolders = false;
  bool Yes = false;
};

TLinkCommand TakeCommon(QStringList& args) {
  TLinkCommand c;
  c.SubFolders = TakeFlag(args, {QStringLiteral("--subfolders")});
  c.Yes = TakeFlag(args, {QStringLiteral("--yes"), QStringLiteral("-y")});
  for (const QString& a : args)
    if (a.startsWith(QLatin1Char('-')) && a != QStringLiteral("-")) throw EUsage(QStringLiteral("unknown option '%1'").arg(a));
  if (args.size() > 1) throw EUsage(QStringLiteral("unexpected argument '%1'").arg(args[1]));
  if (!args.isEmpty()) c.Folder = args.first();
  CheckFolderSpecified(c.Folder);
  return c;
}

bool Confirmed(const QString& question, bool yes) {
  if (yes) return true;
  TTerminal terminal;
  if (!terminal.IsOpen())
    throw Exception(QStringLiteral("No terminal to ask \"%1\": nothing was changed; add --yes to run without the question")
                        .arg(QString(question).replace(QStringLiteral("\n\n"), QStringLiteral(" "))));
  return terminal.Ask(question, QStringLiteral("[y/n] "), "yn") == 'y';
}

// Logs on, finds the folder, asks, runs the engine and prints the results.
int RunEngine(TLinkWalker& engine, const TLinkCommand& c, const QString& question) {
  TRDOSession session;
  ConnectBesideProgram(session);
  session.Logon();
  struct TLogoff {
    TRDOSession& S;
    ~TLogoff() {
      try {
        S.Logoff();
      } catch (const Exception&) {
        // The run's outcome is already printed; a failed logoff changes no e-mail.
      }
    }
  } logoff{session};

  const TwkPtr<IRDOFolder> folder = FindFolderByPathOrID(session.Intf(), c.Folder);
  if (!folder)
    throw Exception(QStringLiteral("No folder with the display path or entry ID \"%1\" (see 'twk folders')").arg(c.Folder));
  if (!Confirmed(question, c.Yes)) {
    Err(QStringLiteral("User cancelled\n"));
    return 1;
  }

  engine.SetRDOSession(session.Intf());
  engine.SetSourceEntryID(folder->EntryID());
  engine.SetSourceStoreID(folder->StoreID());
  engine.SetInclSubFolders(c.SubFolders);
  const bool tty = ::isatty(STDERR_FILENO) == 1;
  engine.SetOnProcessing([tty](TLinkWalker*, int itemNo, int items, const QString& path, bool& cancel) {
    const QString line = QStringLiteral("%1/%2 - %3").arg(itemNo).arg(items).arg(path);
    Err(tty ? QStringLiteral("\r") + line + QStringLiteral("\x1b[K") : line + QLatin1Char('\n'));
    cancel = gInterrupted;
  });

  TInterruptFlag interrupt;
  QString message;
  try {
    engine.Execute();
  } catch (const Exception& e) {
    message = e.Message();
  }
  if (tty) Err(QStringLiteral("\r\x1b[K"));
  const QString text = ResultsText(message, engine.Results().join(QLatin1Char('\n')), engine.MailErrors());
  Out(text.isEmpty() ? text : text + QLatin1Char('\n'));
  if (!message.isEmpty()) return 1;
  return engine.MailErrors().isEmpty() ? 0 : 2;
}

}  // namespace

int RunReimportCommand(const QStringList& arguments) {
  if (WantsHelp(arguments)) {
    Out(QString::fromLatin1(kReimportHelp) + QString::fromLatin1(kCommon));
    return 0;
  }
  QStringList args = arguments;
  const TLinkCommand c = TakeCommon(args);
  TReImporter engine;
  return RunEngine(engine, c, ReimportQuestion());
}

int RunRelocateCommand(const QStringList& arguments) {
  if (WantsHelp(arguments)) {
    Out(QString::fromLatin1(kRelocateHelp) + QString::fromLatin1(kCommon));
    return 0;
  }
  QStringList args = arguments;
  const QString from = TakeOption(args, {QStringLiteral("--from")});
  const QString to = TakeOption(args, {QStringLiteral("--to")});
  const TLinkCommand c = TakeCommon(args);
  TReLocator engine;
  engine.SetOrgPath(NormaliseOrgPath(from));
  engine.SetNewPath(NormaliseNewPath(to));
  return RunEngine(engine, c, RelocateQuestion(engine.OrgPath(), engine.NewPath()));
}
