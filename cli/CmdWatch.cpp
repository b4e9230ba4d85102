// twk watch: runs the inbox tasks on every new e-mail until SIGTERM or SIGINT.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/Watcher.h"
#include "core/CheckJobDef.h"
#include "core/RDOSession.h"
#include "core/RedemptionTools.h"

#include <QCoreApplication>

namespace {

const char kHelp[] =
    "Usage: twk watch\n"
    "\n"
    "Runs the inbox tasks on every e-mail that arrives in the Inbox, until it\n"
    "gets SIGTERM or SIGINT (Ctrl-C); then it logs off and exits with 0.\n"
    "\n"
    "The tasks come from the inbox task file (Documents/Tarnwick/inbox.twx,\n"
    "written with 'twk inbox build'); it is read at start and again whenever\n"
    "it changes, together with the settings ('twk options'). Nothing runs\n"
    "while the list is inactive or empty, nor while the desktop window\n"
    "(tarnwick) processes new mail: whichever of the two starts first with an\n"
    "active list does, until it ends. The store is found as by the other\n"
    "commands (TWK_PROFILE, else ~/.config/Quendal-Software/TWKtools.conf,\n"
    "else $MAILDIR, else ~/Maildir).\n"
    "\n"
    "Standard error gets one line about the inbox file at every load, the line\n"
    "\"Watching PATH for new mail\" once the Inbox is watched, and for an\n"
    "e-mail whose tasks failed a timestamp line followed by the errors.\n";

}  // namespace

int RunWatchCommand(const QStringList& args) {
  if (WantsHelp(args)) {
    Out(QString::fromLatin1(kHelp));
    return 0;
  }
  if (!args.isEmpty()) throw EUsage(QStringLiteral("unexpected argument '%1'").arg(args.first()));

  // Signals first, so a stop during start-up is not lost.
  TStopSignals stop;
  TRDOSession session;
  TWatcher watcher(session, TOptions::GetInboxDefFilename());
  watcher.Start();
  ConnectBesideProgram(session);
  session.Logon();
  CheckJobDef_InboxStore(session.Intf());
  session.OnNewMail = [&watcher](const QString& entryID) { watcher.HandleNewMail(entryID); };

  QString name, path;
  GetInboxNameAndPath(session.Intf(), name, path);
  Err(QStringLiteral("Watching %1 for new mail\n").arg(path));
  QCoreApplication::exec();

  // No inbox run starts during the tear-down.
  session.OnNewMail = nullptr;
  session.Logoff();
  return 0;
}
