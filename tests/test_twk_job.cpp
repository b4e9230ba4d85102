// The real `twk job` and `twk inbox`: files byte-identical to the
// independent writer, dumps of every version, and what bad input gets.
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

TRunResult Twk(const QStringList& args, const QByteArray& stdinData = {}) {
  return RunProgram(BinPath(QStringLiteral("twk")), args, stdinData);
}

// The independent writer's file for the JSON file given.
QByteArray PythonBytes(const TScratchDir& dir, const QString& kind, int version, const QString& json) {
  const QString out = dir.File(QStringLiteral("python.out"));
  const TRunResult r = RunProgram(DebianPython(), {TestToolPath(QStringLiteral("twcwriter.py")), kind, QString::number(version), json, out});
  EXPECT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
  return dir.Read(QStringLiteral("python.out"));
}

const char kFullJob[] = R"({
  "SourceFilter": {"ProcessFolder": true, "FolderEntryID": "0000AB", "FolderStoreID": "0000CD", "InclSubFolders": true},
  "UseEmailFilter": true,
  "EmailFilter1": {"SenderIncludeList": ["*@example.org", "*@example.org"], "AttExcludeList": ["*.exe"]},
  "EmailFilter2": {"DateMode": "dmOlderThan", "Days": 90, "FromDate": 45000.5, "ToDate": 0.1},
  "ExportEmails": true,
  "JobDef_ExportEmails": {"EmailFormat": "efMHT", "DestFolder": "/srv/Ablage/Gr\u00fc\u00dfe \ud83d\ude00", "ExistMode": "emOverwrite",
                          "LogExport": true, "LogFolder": "/srv/log", "PrefixSubject": true, "SubjectPrefix": "[x] "},
  "ExportAtts": true,
  "JobDef_ExportAtts": {"CheckAttSize": true, "AttMinSizeKB": 1024, "ShortcutMode": "smRemove", "ExistMode": 7},
  "MoveEmails": true,
  "JobDef_Move": {"FolderEntryID": "0000EF", "SubFolderMask": "[SN]"}
})";

const char kFullInbox[] = R"({"Active": true, "Tasks": [
  {"InboxFilter": {"SenderMasks": "*@a.org;*@b.org", "SubjectMask": "Invoice*"}, "ExportAtts": true,
   "JobDef_ExportAtts": {"DestFolder": "/srv/invoices", "ShortcutMode": "smTWK"}},
  {"ExportEmails": true, "JobDef_ExportEmails": {"EmailFormat": "efTXT"}}]})";

}  // namespace

TEST(TwkJob, BuildIsByteIdenticalToTheIndependentWriter) {
  TScratchDir dir;
  dir.Write(QStringLiteral("job.json"), kFullJob);
  dir.Write(QStringLiteral("inbox.json"), kFullInbox);
  struct Case {
    QString Kind;
    QString Json;
  };
  QList<Case> cases = {{QStringLiteral("job"), dir.File(QStringLiteral("job.json"))},
                       {QStringLiteral("inbox"), dir.File(QStringLiteral("inbox.json"))}};
  for (const QString& example : QDir(SourcePath(QStringLiteral("examples/jobs"))).entryList({QStringLiteral("*.json")}))
    cases.append({QStringLiteral("job"), SourcePath(QStringLiteral("examples/jobs/")) + example});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Json.toStdString());
    const QString out = dir.File(QStringLiteral("twk.out"));
    const TRunResult r = Twk({c.Kind, QStringLiteral("build"), c.Json, QStringLiteral("-o"), out});
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
    const QByteArray ours = dir.Read(QStringLiteral("twk.out"));
    EXPECT_EQ(ours.toHex(), PythonBytes(dir, c.Kind, 55, c.Json).toHex());
    // dump, then build of the dump, gives the same file again.
    const TRunResult dump = Twk({c.Kind, QStringLiteral("dump"), out});
    ASSERT_EQ(dump.ExitCode, 0) << dump.Stderr.toStdString();
    const TRunResult again = Twk({c.Kind, QStringLiteral("build"), QStringLiteral("-"), QStringLiteral("-o"), out}, dump.Stdout);
    ASSERT_EQ(again.ExitCode, 0) << again.Stderr.toStdString();
    EXPECT_EQ(dir.Read(QStringLiteral("twk.out")), ours);
  }
}

TEST(TwkJob, DumpShowsTheVersionAndTheLoadRules) {
  TScratchDir dir;
  dir.Write(QStringLiteral("old.json"), R"({"JobDef_ExportAtts": {"SubFolderMask": "[OR]"}})");
  struct Case {
    int Version;
    const char* Want;
  };
  const Case cases[] = {
      {55, R"("SubFolderMask": "[OR]")"},
      {52, R"("SubFolderMask": "[OR]")"},
      {50, R"("SubFolderMask": "[OR]\\[FE]")"},
  };
  for (const Case& c : cases) {
    dir.Write(QStringLiteral("old.twc"), PythonBytes(dir, QStringLiteral("job"), c.Version, dir.File(QStringLiteral("old.json"))));
    const TRunResult r = Twk({QStringLiteral("job"), QStringLiteral("dump"), dir.File(QStringLiteral("old.twc"))});
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
    EXPECT_TRUE(r.Stdout.contains(QStringLiteral("\"Version\": \"TWKOAD%1\"").arg(c.Version).toUtf8())) << r.Stdout.toStdString();
    EXPECT_TRUE(r.Stdout.contains(c.Want)) << r.Stdout.toStdString();
  }
}

TEST(TwkJob, BadInputWritesNothing) {
  TScratchDir dir;
  dir.Write(QStringLiteral("existing.twc"), "keep me");
  struct Case {
    const char* Name;
    QByteArray Json;
    const char* Error;
  };
  const Case cases[] = {
      {"syntax", "{\n \"ExportEmails\": tru\n}", "bad JSON at line 2, column"},
      {"type", R"({"JobDef_ExportEmails": {"EmailFormat": []}})", "JobDef_ExportEmails.EmailFormat: expected a string or a number"},
      {"typo", R"({"ExportEmail": true})", "ExportEmail: unknown member"},
      {"path and IDs", R"({"SourceFilter": {"FolderPath": "\\\\Mail\\Inbox", "FolderEntryID": "AB"}})",
       "SourceFilter.FolderPath: give either FolderPath or FolderEntryID and FolderStoreID"},
  };
  for (const Case& c : cases) {
    for (const QString& target : {QStringLiteral("existing.twc"), QStringLiteral("new.twc")}) {
      const TRunResult r = Twk({QStringLiteral("job"), QStringLiteral("build"), QStringLiteral("-"), QStringLiteral("-o"), dir.File(target)}, c.Json);
      EXPECT_EQ(r.ExitCode, 1) << c.Name;
      EXPECT_TRUE(r.Stderr.contains(c.Error)) << c.Name << ": " << r.Stderr.toStdString();
    }
    EXPECT_EQ(dir.Read(QStringLiteral("existing.twc")), "keep me") << c.Name;
    EXPECT_FALSE(QFileInfo::exists(dir.File(QStringLiteral("new.twc")))) << c.Name;
  }
  EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("existing.twc")});
}

TEST(TwkJob, DamagedAndMissingFilesAreReportedAsGiven) {
  TScratchDir dir;
  dir.Write(QStringLiteral("bad.twc"), QByteArray("\x08\0\0\0twkoad55\0", 13));
  dir.Write(QStringLiteral("empty.twx"), {});
  const QString old = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.Path()));  // names relative to here, as a user types them
  struct Case {
    const char* Kind;
    const char* File;
    const char* Error;
  };
  const Case cases[] = {
      {"job", "bad.twc", "Unexpected end of file - file damaged: bad.twc\n"},
      {"inbox", "empty.twx", "Unexpected end of file - file damaged: empty.twx\n"},
      {"inbox", "bad.twc", "Unexpected end of file - file damaged: bad.twc\n"},
      {"job", "missing.twc", "missing.twc: No such file or directory\n"},
      {"job", ".", ".: Is a directory\n"},
  };
  for (const Case& c : cases) {
    const TRunResult r = Twk({QString::fromLatin1(c.Kind), QStringLiteral("dump"), QString::fromLatin1(c.File)});
    EXPECT_EQ(r.ExitCode, 1) << c.File;
    EXPECT_EQ(r.Stderr, QByteArray(c.Error)) << c.File;
    EXPECT_TRUE(r.Stdout.isEmpty()) << c.File;
  }
  QDir::setCurrent(old);
  // Reading never writes: the damaged file is as it was.
  EXPECT_EQ(dir.Read(QStringLiteral("bad.twc")), QByteArray("\x08\0\0\0twkoad55\0", 13));
}

TEST(TwkJob, FailedWriteKeepsTheOldFile) {
  TScratchDir dir;
  const QString target = dir.File(QStringLiteral("job.twc"));
  ASSERT_EQ(Twk({QStringLiteral("job"), QStringLiteral("build"), QStringLiteral("-"), QStringLiteral("-o"), target}, "{}").ExitCode, 0);
  const QByteArray before = dir.Read(QStringLiteral("job.twc"));
  dir.Write(QStringLiteral("big.json"),
            QStringLiteral(R"({"JobDef_ExportEmails": {"DestFolder": "%1"}})").arg(QString(50000, QLatin1Char('d'))).toUtf8());
  // A file-size limit of 8 KiB: the kernel fails the write with EFBIG.
  const TRunResult r = RunProgram(QStringLiteral("/bin/bash"),
                                  {QStringLiteral("-c"), QStringLiteral("trap '' XFSZ; ulimit -f 8; exec \"$0\" job build \"$1\" -o \"$2\""),
                                   BinPath(QStringLiteral("twk")), dir.File(QStringLiteral("big.json")), target});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(r.Stderr, (target + QStringLiteral(": File too large\n")).toUtf8());
  EXPECT_EQ(dir.Read(QStringLiteral("job.twc")), before);
  EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden),
            (QStringList{QStringLiteral("big.json"), QStringLiteral("job.twc")}));
}

TEST(TwkJob, UsageAndHelp) {
  struct Case {
    QStringList Args;
    int Exit;
    const char* Text;  // on stdout for exit 0, else on stderr
  };
  const Case cases[] = {
      {{QStringLiteral("job"), QStringLiteral("--help")}, 0, "twk job build JSONFILE -o FILE"},
      {{QStringLiteral("inbox"), QStringLiteral("build"), QStringLiteral("--help")}, 0, "twk inbox dump FILE"},
      {{QStringLiteral("job")}, 1, "twk job: missing sub-command"},
      {{QStringLiteral("job"), QStringLiteral("build"), QStringLiteral("x.json")}, 1, "twk job: build needs -o FILE"},
      {{QStringLiteral("inbox"), QStringLiteral("dump")}, 1, "twk inbox: dump takes one FILE"},
      {{QStringLiteral("job"), QStringLiteral("frobnicate")}, 1, "twk job: unknown sub-command 'frobnicate'"},
  };
  for (const Case& c : cases) {
    const TRunResult r = Twk(c.Args);
    EXPECT_EQ(r.ExitCode, c.Exit) << c.Args.join(' ').toStdString();
    EXPECT_TRUE((c.Exit == 0 ? r.Stdout : r.Stderr).contains(c.Text)) << c.Args.join(' ').toStdString();
  }
}
