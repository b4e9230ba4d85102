// twk convert: one message file into another format, through the store
// component's own save-as-file, so a .eml becomes an Outlook item file.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "core/ExportTarget.h"
#include "core/RDOSession.h"
#include "core/WrittenFileSystems.h"

#include <QDir>
#include <QFileInfo>

namespace {

const char kHelp[] =
    "Usage: twk convert INPUT --to FORMAT [-o OUTPUT] [--force]\n"
    "\n"
    "Converts one message file (.eml, or a file of a maildir) into FORMAT:\n"
    "  eml          the message as it is (RFC 5322)\n"
    "  txt          plain text: the header block and the body (UTF-8)\n"
    "  htm          an HTML document (UTF-8), without script\n"
    "  mht          an MHTML web archive with the inline images\n"
    "  rtf          an RTF document\n"
    "  msg          an Outlook item file with ANSI strings (TWK_ANSI_CODEPAGE)\n"
    "  msg-unicode  an Outlook item file with Unicode strings\n"
    "\n"
    "-o, --output OUTPUT  the file to write; default: INPUT with the format's\n"
    "                     extension in place of its own\n"
    "--force              replace OUTPUT when it exists\n";

struct TTarget {
  const char* Name;
  int Code;
  const char* Extension;
};

const TTarget kTargets[] = {
    {"eml", olRFC822, ".eml"}, {"txt", olTXT, ".txt"}, {"htm", olHTML, ".htm"},         {"mht", olMHTML, ".mht"},
    {"rtf", olRTF, ".rtf"},    {"msg", olMSG, ".msg"}, {"msg-unicode", olMSGUnicode, ".msg"},
};

const TTarget& TargetNamed(const QString& name) {
  QStringList names;
  for (const TTarget& t : kTargets) {
    if (name == QLatin1String(t.Name)) return t;
    names << QString::fromLatin1(t.Name);
  }
  throw EUsage(QStringLiteral("unknown format '%1' (one of %2)").arg(name, names.join(u'|')));
}

}  // namespace

int RunConvertCommand(const QStringList& arguments) {
  if (WantsHelp(arguments)) {
    Out(QString::fromLatin1(kHelp));
    return 0;
  }
  QStringList args = arguments;
  const QString to = TakeOption(args, {QStringLiteral("--to"), QStringLiteral("-t")});
  QString output = TakeOption(args, {QStringLiteral("-o"), QStringLiteral("--output")});
  const bool force = TakeFlag(args, {QStringLiteral("--force"), QStringLiteral("-f")});
  if (to.isEmpty()) throw EUsage(QStringLiteral("--to FORMAT is missing"));
  if (args.isEmpty()) throw EUsage(QStringLiteral("INPUT is missing"));
  if (args.size() > 1) throw EUsage(QStringLiteral("unexpected argument '%1'").arg(args[1]));
  const TTarget& target = TargetNamed(to);
  const QString input = args.first();
  const QFileInfo in(input);
  if (!in.isFile()) throw Exception(QStringLiteral("%1: no such message file").arg(input));
  if (output.isEmpty()) output = in.dir().filePath(in.completeBaseName() + QLatin1String(target.Extension));
  const QFileInfo out(output);
  if (out.exists() && out.canonicalFilePath() == in.canonicalFilePath())
    throw Exception(QStringLiteral("%1: the output would replace the input").arg(output));
  if (out.exists() && !force)
    throw Exception(QStringLiteral("%1 exists (use --force to replace it)").arg(output));

  TRDOSession session;
  ConnectBesideProgram(session);
  const TwkPtr<IRDOMail> mail = session->GetMessageFromFile(input);
  // Whole or not at all under its name, and on disk when the command ends.
  TExportTarget file(output, false);
  file.Write([&](const QString& writePath) { mail->SaveAs(writePath, target.Code); });
  file.Commit(TSyncRule::None);
  TWrittenFileSystems written;
  written.Add(QFileInfo(file.Path()).path());
  written.SyncAll();
  Out(QStringLiteral("%1\n").arg(output));
  return 0;
}
