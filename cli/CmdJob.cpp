// twk job dump|build and twk inbox dump|build: job files and the inbox task
// file as JSON.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "core/JobDef.h"
#include "core/JobDefJson.h"
#include "core/RDOSession.h"
#include "core/RedemptionTools.h"

#include <optional>

namespace {

// What differs between the two file kinds.
struct TFileKind {
  QString Command;      // "job" or "inbox"
  QString FileWord;     // for help texts
  QString Example;      // an output file name for help texts
  QByteArray (*Dump)(const QString& file);
  void (*Build)(const QByteArray& json, const QString& source, const QString& out);
};

QByteArray DumpJob(const QString& file) {
  TJobDef_Manual job;
  const QString magic = job.LoadFromFile(file);
  return JobDefToJson(job, magic);
}

void BuildJob(const QByteArray& json, const QString& source, const QString& out) {
  // A "FolderPath" member needs the store: logged on at the first one only.
  std::optional<TRDOSession> session;
  const TFolderPathResolver resolver = [&session](const QString& field, const QString& path, QString& entryID,
                                                  QString& storeID) {
    if (!session) {
      session.emplace();
      ConnectBesideProgram(*session);
      (*session).Logon();
    }
    const TwkPtr<IRDOFolder> folder = FindFolderByPath(session->Intf(), path);
    if (!folder) {
      const QString role = field.startsWith(QLatin1String("SourceFilter")) ? QStringLiteral("source")
                                                                             : QStringLiteral("destination");
      throw Exception(QStringLiteral("%1: Specified Outlook %2 folder not found: %3").arg(field, role, path));
    }
    entryID = folder->EntryID();
    storeID = folder->StoreID();
  };
  // Parsed completely before the output is touched: wrong JSON writes nothing.
  JobDefFromJson(json, source, resolver).SaveToFile(out);
}

QByteArray DumpInbox(const QString& file) {
  TJobDefList_Inbox list;
  const QString magic = list.LoadFromFile(file);
  return InboxListToJson(list, magic);
}

void BuildInbox(const QByteArray& json, const QString& source, const QString& out) {
  InboxListFromJson(json, source).SaveToFile(out);
}

QString Help(const TFileKind& kind) {
  return QStringLiteral(
             "Usage: twk %1 dump FILE\n"
             "       twk %1 build JSONFILE -o FILE\n\n"
             "dump   prints the %2 FILE as JSON; \"Version\" is the format version read.\n"
             "build  writes the %2 FILE (format TWKOAD55) from JSONFILE (\"-\" reads standard\n"
             "       input). Members left out take their defaults; JSON that is wrong\n"
             "       writes nothing. Example: twk %1 build %1.json -o %3\n")
      .arg(kind.Command, kind.FileWord, kind.Example);
}

int RunFileCommand(const TFileKind& kind, QStringList args) {
  if (args.isEmpty()) throw EUsage(QStringLiteral("missing sub-command (dump or build)"));
  if (WantsHelp(args)) {
    Out(Help(kind));
    return 0;
  }
  const QString sub = args.takeFirst();
  if (sub == QStringLiteral("dump")) {
    if (args.size() != 1) throw EUsage(QStringLiteral("dump takes one FILE"));
    Out(QString::fromUtf8(kind.Dump(args[0])));
    return 0;
  }
  if (sub == QStringLiteral("build")) {
    const QString out = TakeOption(args, {QStringLiteral("-o"), QStringLiteral("--output")});
    if (out.isEmpty()) throw EUsage(QStringLiteral("build needs -o FILE"));
    if (args.size() != 1) throw EUsage(QStringLiteral("build takes one JSONFILE (\"-\" for standard input)"));
    const QString source = args[0] == QStringLiteral("-") ? QStringLiteral("<stdin>") : args[0];
    kind.Build(ReadInputFile(args[0]), source, out);
    return 0;
  }
  throw EUsage(QStringLiteral("unknown sub-command '%1'").arg(sub));
}

}  // namespace

int RunJobCommand(const QStringList& args) {
  static const TFileKind kind{QStringLiteral("job"), QStringLiteral("job file (.twc)"),
                              QStringLiteral("export.twc"), DumpJob, BuildJob};
  return RunFileCommand(kind, args);
}

int RunInboxCommand(const QStringList& args) {
  static const TFileKind kind{QStringLiteral("inbox"), QStringLiteral("inbox task file"),
                              QStringLiteral("inbox.twx"), DumpInbox, BuildInbox};
  return RunFileCommand(kind, args);
}
