// `twk reimport` and `twk relocate` as processes on stores whose links the
// real attachment export (TWKbat) made: results on standard output, progress
// on standard error, the question, Ctrl-C, exit codes, FOLDER by path and by
// entry ID; and the results text itself.
#include "core/ResultsText.h"
#include "tests/LinkMime.h"
#include "tests/test_engine_fixture.h"

#include <QProcess>
#include <csignal>

namespace {

class TwkLinks : public TEngineTest {
protected:
  const QJsonArray Atts1{Att("report.pdf", 1000, 1), Att("data.bin", 3000, 2)};
  const QJsonArray Atts2{Att("x.pdf", 500, 3)};

  // Two e-mails whose three attachments the export replaced by links.
  void ExportWithLinks() {
    WriteStore({{"Inbox", QJsonArray{QJsonObject{{"subject", "Two"}, {"atts", Atts1}},
                                     QJsonObject{{"subject", "One"}, {"atts", Atts2}}}}});
    BuildJob(FolderJob("Inbox", false,
                       {{"ExportAtts", true},
                        {"JobDef_ExportAtts", QJsonObject{{"DestFolder", Export()}, {"ShortcutMode", "smTWK"}}}}));
    const TRunResult r = RunJob();
    ASSERT_EQ(r.ExitCode, 0) << r.Stdout.constData();
    ASSERT_EQ(AttNames(), (QStringList{"data-bin.twk report-pdf.twk", "x-pdf.twk"}));
  }
  TRunResult Twk(const QStringList& args) const { return RunProgram(BinPath("twk"), args, {}, Env()); }
  // Without a controlling terminal, whatever the test runner has.
  TRunResult TwkNoTerminal(const QStringList& args) const {
    return RunProgram("/usr/bin/setsid", QStringList{"-w", BinPath("twk")} + args, {}, Env());
  }
  QString InboxID() { return FolderRef("Inbox")["FolderEntryID"].toString(); }

  // The attachment names of the Inbox's e-mails, sorted per e-mail.
  QStringList AttNames() const {
    QStringList out;
    for (const QJsonValue& m : ReadStore()["INBOX"].toArray()) {
      QStringList names;
      for (const QJsonValue& a : m["atts"].toArray()) names << a["name"].toString();
      names.sort();
      out << names.join(' ');
    }
    return out;
  }
  // Every attachment's name and content hash.
  QMap<QString, QString> AttHashes() const {
    QMap<QString, QString> out;
    for (const QJsonValue& m : ReadStore()["INBOX"].toArray())
      for (const QJsonValue& a : m["atts"].toArray()) out[a["name"].toString()] = a["sha256"].toString();
    return out;
  }
  static QString Hash(const QByteArray& b) { return Sha256Hex(b); }
};

TEST_F(TwkLinks, ReimportPutsTheExportedFilesBack) {
  ExportWithLinks();
  const QString path = FolderPath("Inbox");
  const TRunResult r = Twk({"reimport", path, "--yes"});
  EXPECT_EQ(r.ExitCode, 0) << r.Stderr.constData();
  EXPECT_EQ(QString::fromUtf8(r.Stdout), "Folders inspected: 1\nItems inspected: 2\nEmails processed: 2\n"
                                         "Attachments reimported: 3\nAffected emails: 2\n");
  EXPECT_EQ(QString::fromUtf8(r.Stderr), QStringLiteral("2/2 - %1\n1/2 - %1\n").arg(path));
  EXPECT_EQ(AttNames(), (QStringList{"data.bin report.pdf", "x.pdf"}));
  const QMap<QString, QString> h = AttHashes();
  EXPECT_EQ(h["report.pdf"], Hash(AttBytes(1000, 1)));
  EXPECT_EQ(h["data.bin"], Hash(AttBytes(3000, 2)));
  EXPECT_EQ(h["x.pdf"], Hash(AttBytes(500, 3)));
}

TEST_F(TwkLinks, AForgedLinkStaysAndIsReportedByEntryID) {
  ExportWithLinks();
  const QString secret = User.Home() + "/.ssh/id_ed25519";
  WriteTestFile(secret, "PRIVATE KEY\n");
  // Delivered by another program straight into the Inbox.
  const QString forged = Store() + "/INBOX/cur/1800000000.1.forged:2,S";
  const QByteArray bytes = BuildMime("Forged", {{"id_ed25519.twk", LinkBytes(secret)}});
  WriteTestFile(forged, bytes);

  const TRunResult r = Twk({"reimport", InboxID(), "--yes"});
  EXPECT_EQ(r.ExitCode, 2) << r.Stderr.constData();
  EXPECT_EQ(QString::fromUtf8(r.Stdout),
            QStringLiteral("Folders inspected: 1\nItems inspected: 3\nEmails processed: 3\nAttachments reimported: 3\n"
                           "Affected emails: 2\n\nFolder: %1\nSubject: Forged\nThe link to \"%2\" was left in the "
                           "e-mail: the file lies outside every directory that Tarnwick wrote links for, so the link "
                           "may be forged\n")
                .arg(FolderPath("Inbox"), secret));
  EXPECT_EQ(ReadFile(forged), bytes);  // the forged e-mail is untouched, under its own name
}

TEST_F(TwkLinks, WithoutATerminalAndWithoutYesNothingRuns) {
  ExportWithLinks();
  const QJsonObject before = ReadStore();
  for (const QStringList& args : {QStringList{"reimport", FolderPath("Inbox")},
                                  QStringList{"relocate", FolderPath("Inbox"), "--from", Export(), "--to", Scratch.Path()}}) {
    SCOPED_TRACE(args.first().toStdString());
    const TRunResult r = TwkNoTerminal(args);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Stdout, QByteArray());
    EXPECT_TRUE(r.Stderr.contains("No terminal to ask \"Start ")) << r.Stderr.constData();
    EXPECT_TRUE(r.Stderr.contains("nothing was changed; add --yes")) << r.Stderr.constData();
  }
  EXPECT_EQ(ReadStore(), before);
}

TEST_F(TwkLinks, TheQuestionIsAskedOnTheTerminal) {
  ExportWithLinks();
  const QJsonObject before = ReadStore();
  // script(1) gives the command a terminal of its own and types the answer.
  const QString command = BinPath("twk") + " reimport '" + FolderPath("Inbox") + "'";
  TRunResult r = RunProgram("/usr/bin/script", {"-qec", command, "/dev/null"}, "n\n", Env());
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_TRUE(r.Stdout.contains("Start reimport?\r\n[y/n] ")) << r.Stdout.constData();
  EXPECT_TRUE(r.Stdout.contains("User cancelled")) << r.Stdout.constData();
  EXPECT_EQ(ReadStore(), before);

  r = RunProgram("/usr/bin/script", {"-qec", command, "/dev/null"}, "y\n", Env());
  EXPECT_EQ(r.ExitCode, 0) << r.Stdout.constData();
  EXPECT_TRUE(r.Stdout.contains("Attachments reimported: 3")) << r.Stdout.constData();
  EXPECT_EQ(AttNames(), (QStringList{"data.bin report.pdf", "x.pdf"}));
}

TEST_F(TwkLinks, RelocateRepointsMovedFilesThenReimportTrustsThem) {
  ExportWithLinks();
  const QString moved = Scratch.Path() + "/moved";
  ASSERT_TRUE(QDir().rename(Export(), moved));
  TRunResult r = Twk({"relocate", InboxID(), "--from", Export(), "--to", moved, "--yes"});
  EXPECT_EQ(r.ExitCode, 0) << r.Stderr.constData();
  EXPECT_EQ(QString::fromUtf8(r.Stdout), "Folders inspected: 1\nItems inspected: 2\nEmails processed: 2\n"
                                         "Links found: 3\nOriginal files found: 0\nFiles not found: 0\n"
                                         "Links changed: 3\nAffected emails: 2\n");
  const QMap<QString, QString> h = AttHashes();
  EXPECT_EQ(h["report-pdf.twk"], Hash(LinkBytes(moved + "/report.pdf")));
  EXPECT_EQ(h["x-pdf.twk"], Hash(LinkBytes(moved + "/x.pdf")));

  r = Twk({"reimport", FolderPath("Inbox"), "--yes"});
  EXPECT_EQ(r.ExitCode, 0) << r.Stdout.constData();
  EXPECT_EQ(AttNames(), (QStringList{"data.bin report.pdf", "x.pdf"}));
}

TEST_F(TwkLinks, BadCommandLinesChangeNothing) {
  ExportWithLinks();
  const QJsonObject before = ReadStore();
  const QString inbox = FolderPath("Inbox");
  const struct {
    QStringList Args;
    QString Stderr;
  } cases[] = {
      {{"reimport"}, "Outlook folder to process not specified\n"},
      {{"reimport", "\\\\store\\Nowhere", "--yes"},
       "No folder with the display path or entry ID \"\\\\store\\Nowhere\" (see 'twk folders')\n"},
      {{"reimport", "0123ABCD", "--yes"}, "No folder with the display path or entry ID \"0123ABCD\" (see 'twk folders')\n"},
      {{"reimport", inbox, "--force"}, "twk reimport: unknown option '--force'\nTry 'twk reimport --help'.\n"},
      {{"relocate", inbox, "--to", Scratch.Path(), "--yes"}, "Please enter the original directory\n"},
      {{"relocate", inbox, "--from", Export(), "--yes"}, "Please enter the new directory\n"},
      {{"relocate", inbox, "--from", Export(), "--to", Scratch.Path() + "/missing", "--yes"},
       "The new directory does not exist\n"},
      {{"relocate", inbox, "--from"}, "twk relocate: --from needs a value\nTry 'twk relocate --help'.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Args.join(' ').toStdString());
    const TRunResult r = Twk(c.Args);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(QString::fromUtf8(r.Stderr), c.Stderr);
    EXPECT_EQ(r.Stdout, QByteArray());
  }
  EXPECT_EQ(ReadStore(), before);
}

TEST_F(TwkLinks, CtrlCCancelsBeforeTheNextItem) {
  QJsonArray many;
  for (int i = 0; i < 4000; ++i) many.append(QJsonObject{{"subject", QString::number(i)}});
  WriteStore({{"Inbox", many}});
  QProcess p;
  p.setProcessEnvironment(Env());
  p.start(BinPath("twk"), {"reimport", FolderPath("Inbox"), "--yes"});
  ASSERT_TRUE(p.waitForStarted());
  // The first progress line: the walk is on. Standard error is not read
  // meanwhile, so the walk cannot run far ahead of the signal.
  p.setReadChannel(QProcess::StandardError);
  ASSERT_TRUE(p.waitForReadyRead(30000));
  ::kill(pid_t(p.processId()), SIGINT);
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 1);
  const QStringList out = Lines(p.readAllStandardOutput());
  ASSERT_EQ(out.size(), 8) << out.join('\n').toStdString();
  EXPECT_EQ(out.mid(0, 4), (QStringList{"User cancelled", "", "", "Folders inspected: 1"}));
  const int items = out[4].section(": ", 1).toInt();
  EXPECT_GE(items, 0);  // the signal may land before the first item is handled
  EXPECT_LT(items, 4000);
}

TEST(ResultsText, MessageSummaryAndMailErrors) {
  const struct {
    QString Except, Summary;
    QStringList Errors;
    QString Text;
  } cases[] = {
      {"", "Folders inspected: 1", {"Folder: \\\\M\\Inbox", "Subject: S", "Broken", ""},
       "Folders inspected: 1\n\nFolder: \\\\M\\Inbox\nSubject: S\nBroken"},
      {"Angegebenen Outlook-Ordner nicht gefunden", "", {}, "Angegebenen Outlook-Ordner nicht gefunden"},
      {"User cancelled", "A: 1\nB: 2", {}, "User cancelled\n\n\nA: 1\nB: 2"},
      {"", "", {"", "one", ""}, "one"},
      {" \n", "", {}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ResultsText(c.Except, c.Summary, c.Errors), c.Text);
}

}  // namespace
