// twk mask check MASK [--attachment]
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "core/CheckJobDef.h"

namespace {

const char* const kHelp =
    "Usage: twk mask check [--attachment] [--] MASK\n"
    "\n"
    "check prints \"valid\" and exits with 0 when MASK is a well-formed mask for\n"
    "subfolders and file names, else prints \"invalid\" and exits with 1.\n"
    "  --attachment  admit the attachment placeholders [FE], [F], [E], [F1], [E1]\n";

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

const TSubcommand kSubcommands[] = {
    {"check", Check},
};

}  // namespace

int RunMaskCommand(const QStringList& args) {
  if (args.isEmpty()) throw EUsage(QStringLiteral("missing subcommand (check)"));
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
