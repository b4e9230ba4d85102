// twk options show | set NAME VALUE...
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "core/FilenameTools.h"
#include "core/LinkRoots.h"
#include "core/ListMatch.h"
#include "core/Options.h"
#include "core/SendHandlers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const char* const kHelp =
    "Usage: twk options show\n"
    "       twk options set GlobalJobDefPath DIR\n"
    "       twk options set SendOptions soNever|soAsk|soAlways\n"
    "       twk options set Me ENTRY... | -\n"
    "       twk options set Sendmail PATH\n"
    "\n"
    "show prints the settings as JSON. set changes one setting and saves them:\n"
    "  GlobalJobDefPath  folder of shared job templates (\"\" for none)\n"
    "  SendOptions       how link files (.twk) are treated when an e-mail is sent\n"
    "  Me                own names and addresses (masks with * and ?), one ENTRY\n"
    "                    each, or - to read them as lines from standard input;\n"
    "                    entries are trimmed and empty ones dropped\n"
    "  Sendmail          the real sendmail that `twk sendmail` passes mail on to\n"
    "                    (an executable file; \"\" for /usr/sbin/sendmail)\n"
    "show also lists LinkRoots, the directories links were exported to (links\n"
    "to files below them are trusted); they are recorded by the exports.\n";

int Show(const QStringList& args) {
  if (!args.isEmpty()) throw EUsage(QStringLiteral("show takes no arguments"));
  TOptions options;
  options.LoadFromRegistry();
  QJsonObject o;
  o[QStringLiteral("GlobalJobDefPath")] = options.GlobalJobDefPath();
  o[QStringLiteral("LocalJobDefPath")] = options.LocalJobDefPath();
  o[QStringLiteral("SendOptions")] = SendOptionsName(options.SendOptions());
  o[QStringLiteral("MeNames")] = QJsonArray::fromStringList(options.MeNames());
  o[QStringLiteral("Sendmail")] = SendmailProgram();
  TLinkRoots roots;
  roots.Load();
  o[QStringLiteral("LinkRoots")] = QJsonArray::fromStringList(roots.Roots());
  Out(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented)));
  return 0;
}

QString SingleValue(const QString& name, const QStringList& values) {
  if (values.size() != 1) throw EUsage(QStringLiteral("%1 takes exactly one VALUE").arg(name));
  return values.first();
}

QStringList MeEntries(const QStringList& values) {
  if (values.isEmpty()) throw EUsage(QStringLiteral("Me needs at least one ENTRY, or - for standard input"));
  QStringList entries;
  if (values == QStringList{QStringLiteral("-")}) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    entries = QString::fromUtf8(ReadInputFile(QStringLiteral("-"))).split(lineBreak);
  } else {
    for (const QString& v : values)
      if (v.contains(QLatin1Char('\r')) || v.contains(QLatin1Char('\n')))
        throw Exception(QStringLiteral("Me: an entry must not contain a line break: \"%1\"").arg(v));
    entries = values;
  }
  // As the own-addresses dialog stores them.
  CleanMaskList(entries);
  return entries;
}

// The sendmail setting is kept beside the options, not in them.
int SetSendmail(const QStringList& values) {
  const QString path = TrimStr(SingleValue(QStringLiteral("Sendmail"), values));
  if (!path.isEmpty()) {
    const QFileInfo info(path);
    if (!info.isAbsolute() || !info.isFile() || !info.isExecutable())
      throw Exception(QStringLiteral("Sendmail: \"%1\" is not an executable file given by its full path").arg(path));
  }
  if (!SetSendmailProgram(path)) throw Exception(QStringLiteral("Unable to save the settings"));
  return 0;
}

int Set(const QStringList& args) {
  if (args.isEmpty()) throw EUsage(QStringLiteral("set needs NAME and VALUE"));
  const QString name = args.first();
  const QStringList values = args.mid(1);
  if (name == QStringLiteral("Sendmail")) return SetSendmail(values);
  TOptions options;
  options.LoadFromRegistry();
  if (name == QStringLiteral("GlobalJobDefPath")) {
    options.SetGlobalJobDefPath(TrimStr(SingleValue(name, values)));
  } else if (name == QStringLiteral("SendOptions")) {
    const QString value = SingleValue(name, values);
    TSendOptions send;
    if (!SendOptionsFromName(value, send))
      throw Exception(
          QStringLiteral("SendOptions: unknown value \"%1\" (expected soNever, soAsk or soAlways)").arg(value));
    options.SetSendOptions(send);
  } else if (name == QStringLiteral("Me")) {
    options.MeNames() = MeEntries(values);
  } else {
    throw EUsage(QStringLiteral("unknown setting \"%1\" (expected GlobalJobDefPath, SendOptions, Me or Sendmail)").arg(name));
  }
  if (!options.SaveToRegistry()) throw Exception(QStringLiteral("Unable to save the settings"));
  return 0;
}

}  // namespace

int RunOptionsCommand(const QStringList& args) {
  if (args.isEmpty()) throw EUsage(QStringLiteral("missing subcommand (show or set)"));
  if (WantsHelp(args)) {
    Out(QLatin1String(kHelp));
    return 0;
  }
  const QString sub = args.first();
  const QStringList rest = args.mid(1);
  if (sub == QStringLiteral("show")) return Show(rest);
  if (sub == QStringLiteral("set")) return Set(rest);
  throw EUsage(QStringLiteral("unknown subcommand \"%1\"").arg(sub));
}
