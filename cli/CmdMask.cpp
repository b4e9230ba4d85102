// twk mask check MASK [--attachment]
// twk mask preview MASK --message FILE [--folder PATH] [--relative PATH] [--attachment NAME]
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "core/CheckJobDef.h"
#include "core/DateTimeUtils.h"
#include "core/EmailProcessor.h"
#include "core/MailFields.h"
#include "core/Options.h"
#include "core/RDOSession.h"
#include "core/ResolvePlaceholders.h"
#include "core/uRedemptionLoader.h"

#include <QFileInfo>

namespace {

const char* const kHelp =
    "Usage: twk mask check [--attachment] [--] MASK\n"
    "       twk mask preview MASK --message FILE [--folder PATH] [--relative PATH]\n"
    "                        [--attachment NAME]\n"
    "\n"
    "check prints \"valid\" and exits with 0 when MASK is a well-formed mask for\n"
    "subfolders and file names, else prints \"invalid\" and exits with 1.\n"
    "  --attachment  admit the attachment placeholders [FE], [F], [E], [F1], [E1]\n"
    "\n"
    "preview prints what MASK resolves to for the message FILE (.eml), as a job\n"
    "run would resolve it, with \"\\\" between subfolders:\n"
    "  --message FILE    the message whose values fill the placeholders\n"
    "  --folder PATH     the Outlook folder path for [O] (its last part is [ON])\n"
    "  --relative PATH   the folder path below the job's source folder, for [OR]\n"
    "  --attachment NAME an attachment name for [FE], [F], [E], [F1], [E1]\n"
    "The own addresses come from the options; [OU] stays empty (no logon).\n";

struct TSubcommand {
  const char* Name;
  int (*Run)(const QStringList& args);
};

// Options first; "--" ends them, so a mask may begin with "-".
QStringList Positional(QStringList args, bool& attachment) {
  QStringList positional;
  attachment = false;
  bool options = true;
  for (const QString& a : args) {
    if (options && a == QStringLiteral("--")) {
      options = false;
    } else if (options && a == QStringLiteral("--attachment")) {
      attachment = true;
    } else if (options && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
      throw EUsage(QStringLiteral("unknown option \"%1\"").arg(a));
    } else {
      positional << a;
    }
  }
  return positional;
}

int Check(const QStringList& args) {
  bool attachment = false;
  const QStringList positional = Positional(args, attachment);
  if (positional.size() != 1) throw EUsage(QStringLiteral("check needs exactly one MASK"));
  const bool valid = IsValidMask(positional.first(), attachment);
  Out(valid ? QStringLiteral("valid\n") : QStringLiteral("invalid\n"));
  return valid ? 0 : 1;
}

// The engine's own Prepare and Execute on one message file.
int Preview(const QStringList& args) {
  QStringList rest = args;
  const bool hasAttachment = rest.contains(QStringLiteral("--attachment"));
  const QString message = TakeOption(rest, {QStringLiteral("--message")});
  const QString folder = TakeOption(rest, {QStringLiteral("--folder")});
  const QString relative = TakeOption(rest, {QStringLiteral("--relative")});
  const QString attachment = TakeOption(rest, {QStringLiteral("--attachment")});
  rest.removeAll(QStringLiteral("--"));
  for (const QString& a : rest)
    if (a.startsWith(QLatin1Char('-')) && a.size() > 1) throw EUsage(QStringLiteral("unknown option \"%1\"").arg(a));
  if (rest.size() != 1) throw EUsage(QStringLiteral("preview needs exactly one MASK"));
  if (message.isEmpty()) throw EUsage(QStringLiteral("--message FILE is missing"));
  if (!QFileInfo(message).isFile()) throw Exception(QStringLiteral("%1: no such message file").arg(message));
  const QString mask = rest.first();

  TOptions options;
  options.LoadFromRegistry();
  GlobalRedemptionLoader().UseComponentBesideProgram();
  TRDOSession session;
  session.ConnectTo(GlobalRedemptionLoader().new_RDOSession());
  const TwkPtr<IRDOMail> mail = session->GetMessageFromFile(message);
  TMailFields fields;
  fields.FillFromMail(mail.get());
  TResolvePlaceholders resolver;
  resolver.Prepare(CurrentWindowsUsername(), QString(), Now(), options.MeNames(), folder, relative,
                   LastPathComponent(folder), fields);
  const QString invalid = QStringLiteral("Invalid mask: %1").arg(mask);
  Out((hasAttachment ? resolver.Execute(mask, invalid, attachment) : resolver.Execute(mask, invalid)) +
      QLatin1Char('\n'));
  return 0;
}

const TSubcommand kSubcommands[] = {
    {"check", Check},
    {"preview", Preview},
};

}  // namespace

int RunMaskCommand(const QStringList& args) {
  if (args.isEmpty()) throw EUsage(QStringLiteral("missing subcommand (check or preview)"));
  const QString sub = args.first();
  const QStringList rest = args.mid(1);
  const int dashes = int(rest.indexOf(QStringLiteral("--")));
  const QStringList options = dashes < 0 ? rest : rest.mid(0, dashes);
  if (sub == QStringLiteral("--help") || sub == QStringLiteral("-h") || WantsHelp(options)) {
    Out(QLatin1String(kHelp));
    return 0;
  }
  for (const TSubcommand& s : kSubcommands)
    if (sub == QLatin1String(s.Name)) return s.Run(rest);
  throw EUsage(QStringLiteral("unknown subcommand \"%1\"").arg(sub));
}
