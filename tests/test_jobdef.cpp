// Job definitions: defaults, the job file in versions 50, 52 and 55 (files
// from the independent writer tests/tools/twcwriter.py), damaged files, the
// safe replacement of an existing file, and the JSON form.
#include "core/BufferedReadFile.h"
#include "core/JobDef.h"
#include "core/JobDefJson.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonArray>
#include <QJsonObject>
#include <functional>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A job file written by the independent writer for the JSON given.
QString PythonWritten(const TScratchDir& dir, const char* kind, int version, const QByteArray& json,
                      const QString& codePage = QString()) {
  const QString in = dir.File(QStringLiteral("in.json"));
  dir.Write(QStringLiteral("in.json"), json);
  const QString out = dir.File(QStringLiteral("py-%1-%2.bin").arg(QString::fromLatin1(kind)).arg(version));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  if (!codePage.isEmpty()) env.insert(QStringLiteral("TWK_ANSI_CODEPAGE"), codePage);
  const TRunResult r = RunProgram(DebianPython(), {TestToolPath(QStringLiteral("twcwriter.py")), QString::fromLatin1(kind),
                                                   QString::number(version), in, out}, {}, env);
  EXPECT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
  return out;
}

TJobDef_Manual FullJob() {
  TJobDef_Manual job;
  job.Clear();
  job.SourceFilter().SetProcessFolder(true);
  job.SourceFilter().SetFolderEntryID(QStringLiteral("00000000ABCDEF"));
  job.SourceFilter().SetFolderStoreID(QStringLiteral("0000STORE"));
  job.SourceFilter().SetInclSubFolders(true);
  job.SetUseEmailFilter(true);
  job.EmailFilter1().SetSenderIncludeList({QStringLiteral("*@example.org"), QStringLiteral("*@example.org")});
  job.EmailFilter1().SetSenderExcludeList({QStringLiteral("boss@*")});
  job.EmailFilter1().SetRecipientIncludeList({QString::fromUtf8("J\xC3\xBCrgen*"), QString()});
  job.EmailFilter1().SetSubjectExcludeList({QStringLiteral("*[SPAM]*")});
  job.EmailFilter1().SetAttIncludeList({QStringLiteral("*.pdf"), QStringLiteral("*.docx")});
  job.EmailFilter2().SetDateMode(dmFromTo);
  job.EmailFilter2().SetDays(30);
  job.EmailFilter2().SetFromDate(45000.25);
  job.EmailFilter2().SetToDate(45100.75);
  job.SetExportEmails(true);
  job.JobDef_ExportEmails().SetEmailFormat(efMSGunicode);
  job.JobDef_ExportEmails().SetDestFolder(QString::fromUtf8("/srv/Ablage/\xC3\x84rger"));
  job.JobDef_ExportEmails().SetExistMode(emOverwrite);
  job.JobDef_ExportEmails().SetAttsAlso(true);
  job.JobDef_ExportEmails().SetLogExport(true);
  job.JobDef_ExportEmails().SetLogFolder(QStringLiteral("/srv/logs"));
  job.JobDef_ExportEmails().SetPrefixSubject(true);
  job.JobDef_ExportEmails().SetSubjectPrefix(QStringLiteral("[saved] "));
  job.SetExportAtts(true);
  job.JobDef_ExportAtts().SetAttExcludeList({QStringLiteral("*.p7s")});
  job.JobDef_ExportAtts().SetCheckAttSize(true);
  job.JobDef_ExportAtts().SetAttMinSizeKB(512);
  job.JobDef_ExportAtts().SetHiddenAlso(true);
  job.JobDef_ExportAtts().SetRecurseMsg(true);
  job.JobDef_ExportAtts().SetDestFolder(QStringLiteral("/srv/atts"));
  job.JobDef_ExportAtts().SetSubFolderMask(QStringLiteral("[EYYYY]\\[FE]"));
  job.JobDef_ExportAtts().SetShortcutMode(smTWK);
  job.SetCopyEmails(true);
  job.JobDef_Copy().SetFolderEntryID(QStringLiteral("COPYID"));
  job.JobDef_Copy().SetFolderStoreID(QStringLiteral("COPYSTORE"));
  job.JobDef_Copy().SetSubFolderMask(QStringLiteral("[EYYYY]"));
  job.SetMoveEmails(true);
  job.JobDef_Move().SetFolderEntryID(QStringLiteral("MOVEID"));
  job.JobDef_Move().SetFolderStoreID(QStringLiteral("MOVESTORE"));
  job.JobDef_Move().SetSubFolderMask(QStringLiteral("[SN]"));
  return job;
}

void ExpectDamaged(const std::function<void()>& load, const QString& path, const char* what) {
  try {
    load();
    ADD_FAILURE() << what << ": loaded";
  } catch (const EUnexpectedEOFError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Unexpected end of file - file damaged: ") + path) << what;
  }
}

}  // namespace

TEST(JobDef, CreateIsEmptyAndClearSetsTheDefaults) {
  TJobDef_Manual fresh;
  EXPECT_EQ(fresh.JobDef_ExportEmails().EmailFormat(), efTXT);
  EXPECT_TRUE(fresh.JobDef_ExportEmails().SubFolderMask().isEmpty());
  EXPECT_TRUE(fresh.JobDef_ExportAtts().SubFolderMask().isEmpty());
  EXPECT_TRUE(fresh.JobDef_Copy().SubFolderMask().isEmpty());

  TJobDef_Manual job = FullJob();
  job.Clear();
  EXPECT_EQ(job.JobDef_ExportEmails().EmailFormat(), efEML);
  EXPECT_EQ(job.JobDef_ExportEmails().SubFolderMask(), QStringLiteral("[OR]\\[BX50]"));
  EXPECT_EQ(job.JobDef_ExportAtts().SubFolderMask(), QStringLiteral("[OR]\\[FE]"));
  EXPECT_EQ(job.JobDef_Copy().SubFolderMask(), QStringLiteral("[OR]"));
  EXPECT_EQ(job.JobDef_Move().SubFolderMask(), QStringLiteral("[OR]"));
  EXPECT_FALSE(job.ExportEmails() || job.ExportAtts() || job.CopyEmails() || job.MoveEmails() || job.UseEmailFilter());
  EXPECT_TRUE(job.EmailFilter1().SenderIncludeList().isEmpty());
  EXPECT_EQ(job.EmailFilter2().DateMode(), dmAny);
  EXPECT_FALSE(job.SourceFilter().ProcessFolder());
}

TEST(JobDef, AssignIsADeepCopy) {
  const TJobDef_Manual original = FullJob();
  TJobDef_Manual copy;
  copy.Assign(original);
  EXPECT_EQ(copy, original);
  copy.EmailFilter1().SetSenderIncludeList({QStringLiteral("changed")});
  copy.JobDef_Move().SetSubFolderMask(QStringLiteral("x"));
  EXPECT_EQ(original.EmailFilter1().SenderIncludeList().size(), 2);
  EXPECT_EQ(original.JobDef_Move().SubFolderMask(), QStringLiteral("[SN]"));
}

TEST(JobDef, SaveAndLoadKeepEveryField) {
  TScratchDir dir;
  TJobDef_Manual job = FullJob();
  job.JobDef_ExportEmails().SetEmailFormat(static_cast<TEmailFormat>(9));  // manipulated ordinal survives
  const QString path = dir.File(QStringLiteral("job.twc"));
  job.SaveToFile(path);
  TJobDef_Manual back;
  EXPECT_EQ(back.LoadFromFile(path), kJobMagic55);
  EXPECT_EQ(back, job);
  // Saving over an existing file replaces it.
  TJobDef_Manual cleared;
  cleared.Clear();
  cleared.SaveToFile(path);
  EXPECT_EQ(back.LoadFromFile(path), kJobMagic55);
  EXPECT_EQ(back, cleared);
}

TEST(JobDef, SavedBytesMatchTheIndependentWriter) {
  TScratchDir dir;
  const TJobDef_Manual job = FullJob();
  const QString ours = dir.File(QStringLiteral("ours.twc"));
  job.SaveToFile(ours);
  const QString theirs = PythonWritten(dir, "job", 55, JobDefToJson(job, kJobMagic55));
  EXPECT_EQ(dir.Read(QStringLiteral("ours.twc")).toHex(), dir.Read(QFileInfo(theirs).fileName()).toHex());
}

TEST(JobDef, OldVersionsLoadWithTheirRules) {
  TScratchDir dir;
  struct Case {
    int Version;
    const char* Mask;  // attachment mask as stored
    const char* Want;  // as loaded
  };
  const Case cases[] = {
      {55, "[OR]", "[OR]"},
      {52, "[OR]", "[OR]"},
      {50, "[OR]", "[OR]\\[FE]"},
      {50, "[OR]\\", "[OR]\\[FE]"},   // no second backslash
      {50, "[OR] \t", "[OR]\\[FE]"},  // trimmed at the right end first
      {50, "", "\\[FE]"},
      {50, " [SN]", " [SN]\\[FE]"},   // the left end stays
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Version);
    SCOPED_TRACE(c.Mask);
    const QJsonObject atts{{QStringLiteral("SubFolderMask"), QString::fromUtf8(c.Mask)}};
    const QJsonObject emails{{QStringLiteral("DestFolder"), QString::fromUtf8("C:\\Ablage\\Gr\xC3\xBC\xC3\x9F" "e")},
                             {QStringLiteral("PrefixSubject"), true},
                             {QStringLiteral("SubjectPrefix"), QStringLiteral("x")}};
    const QByteArray json = QJsonDocument(QJsonObject{{QStringLiteral("ExportAtts"), true},
                                                      {QStringLiteral("JobDef_ExportAtts"), atts},
                                                      {QStringLiteral("JobDef_ExportEmails"), emails}})
                                .toJson();
    TJobDef_Manual job;
    job.LoadFromFile(PythonWritten(dir, "job", c.Version, json));
    EXPECT_EQ(job.JobDef_ExportAtts().SubFolderMask(), QString::fromUtf8(c.Want));
    EXPECT_TRUE(job.ExportAtts());
    EXPECT_EQ(job.JobDef_ExportEmails().DestFolder(), QString::fromUtf8("C:\\Ablage\\Gr\xC3\xBC\xC3\x9F" "e"));
    // Versions before 55 have no subject prefix: the defaults.
    EXPECT_EQ(job.JobDef_ExportEmails().PrefixSubject(), c.Version == 55);
    EXPECT_EQ(job.JobDef_ExportEmails().SubjectPrefix(), c.Version == 55 ? QStringLiteral("x") : QString());
  }
}

TEST(JobDef, AnsiTextsFollowTheCodePage) {
  TScratchDir dir;
  struct Case {
    const char* CodePage;  // of the writing machine and of ours
    const char* Text;
  };
  const Case cases[] = {
      {"", "D:\\Post\\M\xC3\xBCller \xE2\x82\xAC"},
      {"1251", "D:\\\xD0\x9F\xD0\xBE\xD1\x87\xD1\x82\xD0\xB0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.CodePage);
    const QString text = QString::fromUtf8(c.Text);
    const QJsonObject copy{{QStringLiteral("FolderEntryID"), text}};
    const QJsonArray list{text, QStringLiteral("plain")};
    const QJsonObject filter{{QStringLiteral("SubjectIncludeList"), list}};
    const QByteArray json =
        QJsonDocument(QJsonObject{{QStringLiteral("JobDef_Copy"), copy}, {QStringLiteral("EmailFilter1"), filter}}).toJson();
    const QString path = PythonWritten(dir, "job", 52, json, QString::fromLatin1(c.CodePage));
    if (*c.CodePage)
      qputenv("TWK_ANSI_CODEPAGE", c.CodePage);
    else
      qunsetenv("TWK_ANSI_CODEPAGE");
    TJobDef_Manual job;
    EXPECT_EQ(job.LoadFromFile(path), kJobMagic52);
    qunsetenv("TWK_ANSI_CODEPAGE");
    EXPECT_EQ(job.JobDef_Copy().FolderEntryID(), text);
    EXPECT_EQ(job.EmailFilter1().SubjectIncludeList(), (QStringList{text, QStringLiteral("plain")}));
  }
}

TEST(JobDef, DamagedAndForeignFilesAreRejected) {
  TScratchDir dir;
  const QString good = dir.File(QStringLiteral("good.twc"));
  FullJob().SaveToFile(good);
  const QByteArray bytes = dir.Read(QStringLiteral("good.twc"));
  struct Case {
    const char* Name;
    QByteArray Bytes;
  };
  const Case cases[] = {
      {"empty", {}},
      {"lower-case magic", QByteArray("\x08\0\0\0twkoad55", 12) + bytes.mid(12)},
      {"unknown version", QByteArray("\x08\0\0\0TWKOAD56", 12) + bytes.mid(12)},
      {"foreign file", "<html><body>not a job</body></html>"},
      {"cut inside the move task's mask", bytes.left(bytes.size() - 2)},
      {"cut after the magic", bytes.left(12)},
  };
  for (const Case& c : cases) {
    dir.Write(QStringLiteral("bad.twc"), c.Bytes);
    const QString path = dir.File(QStringLiteral("bad.twc"));
    TJobDef_Manual job;
    ExpectDamaged([&] { job.LoadFromFile(path); }, path, c.Name);
  }
  // Bytes after the last item are ignored.
  dir.Write(QStringLiteral("long.twc"), bytes + "trailing");
  TJobDef_Manual job;
  job.LoadFromFile(dir.File(QStringLiteral("long.twc")));
  EXPECT_EQ(job, FullJob());
}

// A save that fails half-way (here: the file-size limit, a real EFBIG from
// the kernel in a child process) keeps the old file and leaves nothing else.
TEST(JobDef, FailedSaveKeepsTheOldFile) {
  struct Case {
    const char* Name;
    std::function<void(const QString&)> SaveSmall, SaveBig;
    std::function<void(const QString&)> Load;
  };
  TJobDef_Manual big = FullJob();
  big.JobDef_ExportEmails().SetDestFolder(QString(40000, QLatin1Char('d')));
  TJobDefList_Inbox bigList;
  TJobDef_Inbox task;
  task.Clear();
  task.InboxFilter().SetSubjectMask(QString(40000, QLatin1Char('s')));
  bigList.Insert(0, task);
  const Case cases[] = {
      {"job file", [](const QString& p) { FullJob().SaveToFile(p); }, [&](const QString& p) { big.SaveToFile(p); },
       [](const QString& p) {
         TJobDef_Manual j;
         j.LoadFromFile(p);
         EXPECT_EQ(j, FullJob());
       }},
      {"inbox file",
       [](const QString& p) {
         TJobDefList_Inbox l;
         l.SetActive(true);
         l.SaveToFile(p);
       },
       [&](const QString& p) { bigList.SaveToFile(p); },
       [](const QString& p) {
         TJobDefList_Inbox l;
         l.LoadFromFile(p);
         EXPECT_TRUE(l.Active());
         EXPECT_EQ(l.Count(), 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TScratchDir dir;
    const QString path = dir.File(QStringLiteral("target"));
    c.SaveSmall(path);
    const QByteArray before = dir.Read(QStringLiteral("target"));
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(fds[0]);
      std::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{8192, 8192};
      setrlimit(RLIMIT_FSIZE, &limit);
      QByteArray message = "no error";
      try {
        c.SaveBig(path);
      } catch (const Exception& e) {
        message = e.what();
      }
      (void)!write(fds[1], message.constData(), size_t(message.size()));
      _exit(0);
    }
    close(fds[1]);
    char buf[512] = {};
    const ssize_t n = read(fds[0], buf, sizeof buf - 1);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(QByteArray(buf, int(std::max<ssize_t>(n, 0))), (path + QStringLiteral(": File too large")).toUtf8());
    EXPECT_EQ(dir.Read(QStringLiteral("target")), before);
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("target")});
    c.Load(path);
  }
}

TEST(JobDefJson, DumpAndBuildRoundTrip) {
  TJobDef_Manual job = FullJob();
  job.JobDef_ExportAtts().SetExistMode(static_cast<TExistMode>(-5));  // no name: kept as a number
  job.EmailFilter1().SetSubjectIncludeList({QStringLiteral("quote \" backslash \\ tab \t nl \n"), QString(QChar(1))});
  const QByteArray json = JobDefToJson(job, kJobMagic52);
  EXPECT_TRUE(json.contains("\"Version\": \"TWKOAD52\""));
  EXPECT_TRUE(json.contains("\"ExistMode\": -5"));
  EXPECT_TRUE(json.contains("\"EmailFormat\": \"efMSGunicode\""));
  EXPECT_EQ(JobDefFromJson(json, QStringLiteral("t.json")), job);
  // Members left out take the Clear defaults.
  TJobDef_Manual cleared;
  cleared.Clear();
  EXPECT_EQ(JobDefFromJson("{}", QStringLiteral("t.json")), cleared);
  const TJobDef_Manual part = JobDefFromJson(R"({"JobDef_ExportEmails": {"DestFolder": "/x", "EmailFormat": 1}})", QStringLiteral("t"));
  EXPECT_EQ(part.JobDef_ExportEmails().DestFolder(), QStringLiteral("/x"));
  EXPECT_EQ(part.JobDef_ExportEmails().EmailFormat(), efMSG);
  EXPECT_EQ(part.JobDef_ExportEmails().SubFolderMask(), QStringLiteral("[OR]\\[BX50]"));
}

TEST(JobDefJson, WrongJsonNamesThePlace) {
  struct Case {
    const char* Json;
    const char* Message;
  };
  const Case cases[] = {
      {"{\n  \"UseEmailFilter\": true,\n  oops\n}", "t.json: bad JSON at line 3, column"},
      {"[]", "t.json: expected a JSON object"},
      {R"({"JobDef_ExportEmails": {"EmailFormat": true}})", "JobDef_ExportEmails.EmailFormat: expected a string or a number"},
      {R"({"JobDef_ExportEmails": {"EmailFormat": "efPDF"}})",
       "JobDef_ExportEmails.EmailFormat: unknown value \"efPDF\" (expected efTXT, efMSG, efHTM, efEML, efMHT, efRTF, efMSGunicode)"},
      {R"({"EmailFilter2": {"DateMode": 1.5}})", "EmailFilter2.DateMode: expected a string or a number"},
      {R"({"EmailFilter2": {"Days": 2147483648}})", "EmailFilter2.Days: expected a 32-bit integer"},
      {R"({"EmailFilter2": {"FromDate": "yesterday"}})", "EmailFilter2.FromDate: expected a number (days since 1899-12-30)"},
      {R"({"EmailFilter1": {"SenderIncludeList": ["a", 2]}})", "EmailFilter1.SenderIncludeList[1]: expected a string"},
      {R"({"EmailFilter1": {"SenderIncludeList": "a"}})", "EmailFilter1.SenderIncludeList: expected an array of strings"},
      {R"({"ExportEmails": "yes"})", "ExportEmails: expected true or false"},
      {R"({"JobDef_Copy": []})", "JobDef_Copy: expected an object"},
      {R"({"JobDef_ExportAtts": {"DestFoler": "/x"}})", "JobDef_ExportAtts.DestFoler: unknown member"},
      {R"({"Extra": 1})", "Extra: unknown member"},
      {R"({"Version": "TWKOAD99"})", "Version: unknown version \"TWKOAD99\" (expected TWKOAD50, TWKOAD52 or TWKOAD55)"},
      {R"({"SourceFilter": {"FolderPath": "\\\\Mailbox\\Inbox"}})",
       "SourceFilter.FolderPath: resolving folder paths needs the mail store; give FolderEntryID and FolderStoreID"},
      {R"({"JobDef_Move": {"FolderPath": "\\\\Mailbox\\Archive"}})",
       "JobDef_Move.FolderPath: resolving folder paths needs the mail store; give FolderEntryID and FolderStoreID"},
  };
  for (const Case& c : cases) {
    try {
      JobDefFromJson(c.Json, QStringLiteral("t.json"));
      ADD_FAILURE() << c.Json;
    } catch (const Exception& e) {
      EXPECT_TRUE(e.Message().startsWith(QString::fromUtf8(c.Message))) << e.Message().toStdString();
    }
  }
}

TEST(JobDefJson, FolderPathGoesThroughTheResolver) {
  QStringList asked;
  const TFolderPathResolver resolver = [&](const QString& field, const QString& path, QString& entryID, QString& storeID) {
    asked << field + QLatin1Char('=') + path;
    entryID = QStringLiteral("E-") + path;
    storeID = QStringLiteral("S");
  };
  const TJobDef_Manual job = JobDefFromJson(R"({"JobDef_Copy": {"FolderPath": "\\\\M\\A", "SubFolderMask": "[EYYYY]"}})",
                                            QStringLiteral("t"), resolver);
  EXPECT_EQ(asked, QStringList{QStringLiteral("JobDef_Copy.FolderPath=\\\\M\\A")});
  EXPECT_EQ(job.JobDef_Copy().FolderEntryID(), QStringLiteral("E-\\\\M\\A"));
  EXPECT_EQ(job.JobDef_Copy().FolderStoreID(), QStringLiteral("S"));
  EXPECT_THROW(JobDefFromJson(R"({"JobDef_Copy": {"FolderPath": "x", "FolderEntryID": "y"}})", QStringLiteral("t"), resolver),
               Exception);
}
