// TWKbat end to end: the real program on stores written by engstore.py, the
// exported files, logs, links, copies and moves read back independently, and
// the console report line by line. The runs of a job go through both kinds
// of store: the maildir itself, and a Dovecot serving that maildir over IMAP.
#include "support/DovecotServer.h"
#include "test_engine_fixture.h"

#include <memory>

#include <sys/inotify.h>
#include <unistd.h>

namespace {

const QString kAttHash = QStringLiteral("sha256");

QStringList Utf16Lines(const QByteArray& bytes, bool& bom) {
  bom = bytes.startsWith("\xFF\xFE");
  const QByteArray body = bytes.mid(bom ? 2 : 0);
  const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(body.constData()), body.size() / 2);
  QStringList lines = text.split(QStringLiteral("\r\n"));
  EXPECT_TRUE(lines.last().isEmpty()) << "a log line without CR LF at the end";
  lines.removeLast();
  return lines;
}

QStringList Fields(const QString& line) {
  QStringList out;
  for (const QString& f : line.split(QLatin1Char('\t'))) {
    EXPECT_TRUE(f.startsWith('"') && f.endsWith('"')) << f.toStdString();
    out << f.mid(1, f.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
  }
  return out;
}

// Counts the files created in a maildir's tmp/ while it lives: every save of a
// changed e-mail writes exactly one there before it is linked into cur/.
class TTmpCreations {
public:
  explicit TTmpCreations(const QString& maildir) : FFd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    EXPECT_GE(inotify_add_watch(FFd, QFile::encodeName(maildir + "/tmp").constData(), IN_CREATE), 0);
  }
  ~TTmpCreations() { close(FFd); }
  int Count() {
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = read(FFd, buffer, sizeof buffer)) > 0;)
      for (ssize_t at = 0; at < n; at += ssize_t(sizeof(inotify_event) + reinterpret_cast<inotify_event*>(buffer + at)->len))
        if (reinterpret_cast<inotify_event*>(buffer + at)->mask & IN_CREATE) ++FCount;
    return FCount;
  }

private:
  int FFd;
  int FCount = 0;
};

enum class TBackend { Maildir, Imap };

class TwkbatE2E : public TEngineTest {
protected:
  void SetUp() override {
    WriteStore(QJsonObject{
        {"Inbox",
         QJsonArray{
             QJsonObject{{"subject", "Plain one"}, {"time", 1700000000}, {"from", "Ann Alder <ann@example.org>"}},
             QJsonObject{{"subject", "With \"atts\""},
                         {"time", 1700086400},
                         {"from", "Bob Birch <bob@example.org>"},
                         {"atts", QJsonArray{Att("report.pdf", 5000, 1, "application/pdf"), Att("data.bin", 3000, 2)}}},
             QJsonObject{{"subject", "Html inline"},
                         {"time", 1731000000},
                         {"from", "Ann Alder <ann@example.org>"},
                         {"html", "<p>Hi <img src=\"cid:img1@engstore\"></p>"},
                         {"inline", QJsonArray{"logo.png"}},
                         {"atts", QJsonArray{Att("x.pdf", 100, 3)}}},
         }},
        {"Inbox/Sub", QJsonArray{QJsonObject{{"subject", "In sub"}, {"time", 1700000100}}}},
        {"Archive", QJsonArray{}},
    });
  }
};

// The same jobs on the maildir and on the mail server in front of it.
class TwkbatBothStores : public TwkbatE2E, public ::testing::WithParamInterface<TBackend> {
protected:
  void SetUp() override {
    TwkbatE2E::SetUp();
    if (GetParam() != TBackend::Imap) return;
    Server = std::make_unique<TDovecot>(Store());
    ASSERT_TRUE(Server->Started()) << Server->Error().toStdString();
    Scratch.Write("profile.conf", Server->StoreSection("Dovecot").toUtf8());
    ProfilePath = Scratch.File("profile.conf");
  }
  std::unique_ptr<TDovecot> Server;
};

INSTANTIATE_TEST_SUITE_P(Stores, TwkbatBothStores, ::testing::Values(TBackend::Maildir, TBackend::Imap),
                         [](const ::testing::TestParamInfo<TBackend>& info) {
                           return info.param == TBackend::Imap ? "Imap" : "Maildir";
                         });

TEST_P(TwkbatBothStores, EmailExportWritesFilesAttachmentsLogsAndReport) {
  const QString logs = Scratch.Path() + "/logs";
  BuildJob(FolderJob("Inbox", true,
                     {{"ExportEmails", true},
                      {"JobDef_ExportEmails", QJsonObject{{"EmailFormat", "efEML"},
                                                          {"DestFolder", Export()},
                                                          {"SubFolderMask", "[OR]\\[B]"},
                                                          {"AttsAlso", true},
                                                          {"LogExport", true},
                                                          {"LogFolder", logs}}}}));
  const TRunResult r = RunJob();
  EXPECT_EQ(r.ExitCode, 0) << r.Stdout.constData();
  EXPECT_EQ(Report(r), (QStringList{"", "Folders inspected: 2", "Items inspected: 4", "Emails processed: 4", "",
                                    "Emails exported: 4", ""}));
  // [B] cleans the quotes out of the file name; the hidden inline image is
  // not saved beside the e-mail.
  EXPECT_EQ(Files(Export()), (QStringList{"Html inline.eml", "Plain one.eml", "Sub/In sub.eml", "With atts.eml",
                                          "_Attachments/data.bin", "_Attachments/report.pdf",
                                          "_Attachments/x.pdf"}));
  EXPECT_EQ(ReadFile(Export() + "/_Attachments/report.pdf"), AttBytes(5000, 1));
  EXPECT_EQ(ReadFile(Export() + "/_Attachments/data.bin"), AttBytes(3000, 2));
  EXPECT_TRUE(ReadFile(Export() + "/With atts.eml").contains("Subject: With \"atts\""));
  // The file time is the mail's date.
  EXPECT_EQ(QFileInfo(Export() + "/Plain one.eml").lastModified().toSecsSinceEpoch(), 1700000000);

  bool bom = false;
  const QStringList eml = Utf16Lines(ReadFile(logs + "/Eml-u.log"), bom);
  EXPECT_TRUE(bom);
  ASSERT_EQ(eml.size(), 5);
  EXPECT_EQ(eml[0], "\"ID\"\t\"SenderName\"\t\"SenderEmail\"\t\"RecipientName\"\t\"RecipientEmail\"\t\"DateSent\"\t"
                    "\"TimeSent\"\t\"Subject\"\t\"MessageID\"\t\"OutlookFolder\"\t\"Filename\"\t\"FileType\"\t"
                    "\"AttCount\"\t\"AttSaved\"\t\"DateExported\"\t\"TimeExported\"");
  // Items from the last to the first: "Html inline" is record 1.
  const QStringList first = Fields(eml[1]);
  ASSERT_EQ(first.size(), 16);
  EXPECT_EQ(first.mid(0, 8), (QStringList{"1", "Ann Alder", "ann@example.org", "Recipient", "rcpt@example.org",
                                          "20241107", "172000", "Html inline"}));
  EXPECT_EQ(first[10], Export() + "/Html inline.eml");
  EXPECT_EQ(first.mid(11, 3), (QStringList{"3", "1", "1"}));
  const QStringList second = Fields(eml[2]);
  EXPECT_EQ(second[7], "With \"atts\"");
  EXPECT_TRUE(eml[2].contains("\"With \"\"atts\"\"\"")) << eml[2].toStdString();
  EXPECT_EQ(second.mid(12, 2), (QStringList{"2", "2"}));
  EXPECT_EQ(Fields(eml[4])[9], FolderPath("Inbox\\Sub"));

  const QStringList att = Utf16Lines(ReadFile(logs + "/Att-u.log"), bom);
  EXPECT_TRUE(bom);
  ASSERT_EQ(att.size(), 4);
  EXPECT_EQ(att[0], "\"ID\"\t\"Filename\"\t\"MessageID\"");
  EXPECT_EQ(Fields(att[1]).mid(0, 2), (QStringList{"1", Export() + "/_Attachments/x.pdf"}));
  // Saving order is the attachment order: report.pdf before data.bin.
  EXPECT_EQ(Fields(att[2]).mid(0, 2), (QStringList{"2", Export() + "/_Attachments/report.pdf"}));
  EXPECT_EQ(Fields(att[3]).mid(0, 2), (QStringList{"2", Export() + "/_Attachments/data.bin"}));
  EXPECT_EQ(Fields(att[2])[2], second[8]);
  EXPECT_EQ(ReadFile(logs + "/ID-u.log"), QByteArray("4\r\n"));
}

TEST_P(TwkbatBothStores, AttachmentExportReplacesAttachmentsByLinks) {
  const QJsonObject before = ReadStore();
  BuildJob(FolderJob("Inbox", false,
                     {{"ExportAtts", true},
                      {"JobDef_ExportAtts", QJsonObject{{"DestFolder", Export()},
                                                        {"SubFolderMask", "[EYYYY]\\[FE]"},
                                                        {"ShortcutMode", "smTWK"}}}}));
  TTmpCreations saves(Store() + "/INBOX");
  const TRunResult r = RunJob();
  EXPECT_EQ(r.ExitCode, 0) << r.Stdout.constData();
  EXPECT_EQ(Report(r), (QStringList{"", "Folders inspected: 1", "Items inspected: 3", "Emails processed: 3", "",
                                    "Attachments saved: 3", "Attachments replaced with links: 3",
                                    "Affected emails: 2", ""}));
  // One save per affected e-mail, although one of them lost two attachments.
  EXPECT_EQ(saves.Count(), 2);
  EXPECT_EQ(Files(Export()), (QStringList{"2023/data.bin", "2023/report.pdf", "2024/x.pdf"}));
  EXPECT_EQ(ReadFile(Export() + "/2023/data.bin"), AttBytes(3000, 2));

  const QJsonArray inbox = ReadStore()["INBOX"].toArray();
  ASSERT_EQ(inbox.size(), 3);
  // Each saved attachment became a link named after it, holding its path.
  QMap<QString, QJsonObject> links;
  for (const QJsonValue& m : inbox)
    for (const QJsonValue& a : m["atts"].toArray()) links[a["name"].toString()] = a.toObject();
  EXPECT_EQ(links.keys(), (QStringList{"data-bin.twk", "report-pdf.twk", "x-pdf.twk"}));
  for (const auto& [name, target] : {std::pair{"report-pdf.twk", "/2023/report.pdf"}, {"x-pdf.twk", "/2024/x.pdf"}}) {
    const QString path = Export() + QLatin1String(target);
    QByteArray expected("\xFF\xFE", 2);
    const QString text = "TWK\r\n" + path + "\r\n";
    expected += QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_EQ(links[name]["size"].toInt(), 2 + 6 + 4 + 2 * path.size() + 4);
    EXPECT_EQ(links[name][kAttHash].toString(),
              QCryptographicHash::hash(expected, QCryptographicHash::Sha256).toHex());
  }
  // The plain mail was not rewritten; the link folder is private and empty.
  EXPECT_EQ(inbox[0]["file"], before["INBOX"].toArray()[0].toObject()["file"]);
  const QFileInfo linker(User.Home() + "/runtime/TWKlinker");
  EXPECT_TRUE(linker.isDir());
  EXPECT_EQ(int(linker.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther)), 0);
  EXPECT_TRUE(Files(linker.filePath()).isEmpty());

  // A second run neither saves the links again nor counts them.
  const TRunResult again = RunJob();
  EXPECT_EQ(Report(again)[5], "Attachments saved: 0");
  EXPECT_EQ(Files(Export()).size(), 3);
}

TEST_P(TwkbatBothStores, CopyByYearAndMoveBySender) {
  BuildJob(FolderJob("Inbox", false,
                     {{"CopyEmails", true},
                      {"JobDef_Copy", [&] {
                         QJsonObject c = FolderRef("Archive");
                         c["SubFolderMask"] = "[EYYYY]";
                         return c;
                       }()},
                      {"MoveEmails", true},
                      {"JobDef_Move", [&] {
                         QJsonObject m = FolderRef("Inbox\\Sub");
                         m["SubFolderMask"] = "[SN]";
                         return m;
                       }()}}));
  const TRunResult r = RunJob();
  EXPECT_EQ(r.ExitCode, 0) << r.Stdout.constData();
  EXPECT_EQ(Report(r), (QStringList{"", "Folders inspected: 1", "Items inspected: 3", "Emails processed: 3", "",
                                    "Emails copied: 3", "", "Emails moved: 3", ""}));
  const QJsonObject store = ReadStore();
  auto subjects = [&](const QString& dir) {
    QStringList s;
    for (const QJsonValue& m : store[dir].toArray()) s << m["subject"].toString();
    s.sort();
    return s;
  };
  EXPECT_EQ(subjects("Archive/2023"), (QStringList{"Plain one", "With \"atts\""}));
  EXPECT_EQ(subjects("Archive/2024"), (QStringList{"Html inline"}));
  EXPECT_EQ(subjects("INBOX/Sub/Ann Alder"), (QStringList{"Html inline", "Plain one"}));
  EXPECT_EQ(subjects("INBOX/Sub/Bob Birch"), (QStringList{"With \"atts\""}));
  EXPECT_EQ(subjects("INBOX/Sub"), (QStringList{"In sub"}));
  EXPECT_TRUE(subjects("INBOX").isEmpty());
  // The copies keep the attachments byte for byte.
  const QJsonArray copies = store["Archive/2023"].toArray();
  for (const QJsonValue& m : copies)
    if (m["subject"] == "With \"atts\"") {
      EXPECT_EQ(m["atts"][0][kAttHash], store["INBOX/Sub/Bob Birch"][0]["atts"][0][kAttHash]);
    }
}

TEST_F(TwkbatE2E, ProgressLinesCountDownPerFolderSubfoldersLastToFirst) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray{QJsonObject{}, QJsonObject{}, QJsonObject{}}},
                         {"Inbox/A", QJsonArray{QJsonObject{}, QJsonObject{}}},
                         {"Inbox/B", QJsonArray{QJsonObject{}}},
                         {"Inbox/B/C", QJsonArray{QJsonObject{}}},
                         {"Archive", QJsonArray{}}});
  BuildJob(FolderJob("Inbox", true, {{"CopyEmails", true}, {"JobDef_Copy", FolderRef("Archive")}}));
  const TRunResult r = RunBat({Job(), "/NoPrompt"});
  EXPECT_EQ(r.ExitCode, 0);
  const QStringList report = Report(r);
  EXPECT_EQ(report.mid(0, 7), (QStringList{"Inbox - 3/3 - please wait...", "Inbox - 2/3 - please wait...",
                                           "Inbox - 1/3 - please wait...", "B - 1/1 - please wait...",
                                           "C - 1/1 - please wait...", "A - 2/2 - please wait...",
                                           "A - 1/2 - please wait..."}));
  EXPECT_EQ(report.mid(7), (QStringList{"", "Folders inspected: 4", "Items inspected: 7", "Emails processed: 7", "",
                                        "Emails copied: 7", ""}));
}

// The frame of the console report and the exit codes.
TEST_F(TwkbatE2E, CommandLineErrorsAndExitCodes) {
  BuildJob(FolderJob("Inbox", false, {{"CopyEmails", true}, {"JobDef_Copy", FolderRef("Archive")}}));
  Scratch.Write("damaged.twc", "NOTAJOB!garbage");
  const QString damaged = Scratch.File("damaged.twc");
  const QString usage = "Usage: TWKBAT.EXE TWK-def-file [/quiet] [/noprompt]";
  struct TCase {
    QStringList Args;
    int Exit;
    bool Frame;  // start and end line printed
    QString Error;
  } cases[] = {
      {{}, 1, false, usage},
      {{Job(), "/noprompt", "/bogus"}, 1, false, usage},
      {{damaged, "/quiet"}, 1, true, "Unexpected end of file - file damaged: " + damaged},
      {{Job(), "/QUIET", "/noPrompt", "/quiet"}, 0, true, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Args.join(' ').toStdString());
    // No terminal, no input: the wait for Enter ends at end of input.
    const TRunResult r = RunBat(c.Args);
    EXPECT_EQ(r.ExitCode, c.Exit) << r.Stdout.constData() << r.Stderr.constData();
    const QStringList lines = Lines(r.Stdout);
    if (c.Error.isEmpty()) {
      EXPECT_FALSE(r.Stdout.contains(" Error: "));
      continue;
    }
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines.last().endsWith(" Error: " + c.Error)) << lines.last().toStdString();
    EXPECT_EQ(lines[lines.size() - 2], "");
    EXPECT_EQ(lines.size(), c.Frame ? 4 : 2) << r.Stdout.constData();
    if (c.Frame) {
      EXPECT_TRUE(lines[1].contains(" End TWKbat " + c.Args.first()));
    }
  }
  // "/quiet" alone is the job file's name: the file system's error.
  const TRunResult quietName = RunBat({"/quiet"});
  EXPECT_EQ(quietName.ExitCode, 1);
  EXPECT_TRUE(Lines(quietName.Stdout).first().endsWith(" Start TWKbat /quiet"));
  EXPECT_TRUE(quietName.Stdout.contains("/quiet")) << quietName.Stdout.constData();
}

TEST_F(TwkbatE2E, ErrorsFromTheRunPrintListsThenEndThenError) {
  struct TCase {
    QJsonObject Job;
    QString Error;
    bool Lists;  // the (empty) error list and the zero counters come first
  } cases[] = {
      {FolderJob("Inbox", false, {{"SourceFilter", QJsonObject{{"ProcessFolder", false}}}}),
       "In the definition-file you must specify an Outlook-folder, not the selected emails.", false},
      {FolderJob("Inbox", false,
                 {{"SourceFilter", QJsonObject{{"ProcessFolder", true}, {"FolderEntryID", "00AA"},
                                               {"FolderStoreID", FolderRef("Inbox")["FolderStoreID"]}}},
                  {"CopyEmails", true},
                  {"JobDef_Copy", FolderRef("Archive")}}),
       "Specified Outlook source folder not found", true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Error.toStdString());
    BuildJob(c.Job);
    const TRunResult r = RunBat({Job(), "/noprompt"});
    EXPECT_EQ(r.ExitCode, 1);
    QStringList lines = Lines(r.Stdout);
    ASSERT_GE(lines.size(), 4) << r.Stdout.constData();
    EXPECT_TRUE(lines.last().endsWith(" Error: " + c.Error)) << lines.last().toStdString();
    lines = lines.mid(0, lines.size() - 2);
    const QStringList zero{"", "Folders inspected: 0", "Items inspected: 0", "Emails processed: 0", "",
                           "Emails copied: 0", ""};
    EXPECT_EQ(Report(r), c.Lists ? zero : QStringList());
  }
}

}  // namespace
