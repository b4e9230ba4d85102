// Jobs over archive stores read in place (a Takeout file and an Outlook
// .ost beside the maildir): exports and a copy into the maildir run end to
// end; every task that would change an archive is refused before anything
// runs, with its message.
#include "PstSamples.h"
#include "test_engine_fixture.h"

namespace {

// A Gmail message with an attachment, as Takeout writes it (CR LF).
QByteArray TakeoutMessage(const QByteArray& subject, const QByteArray& date, const QByteArray& sent,
                          const QByteArray& attachment) {
  QByteArray m = "From 1700000000000000000@xxx " + date + "\n"
                 "X-GM-THRID: 1700000000000000000\nX-Gmail-Labels: Inbox,Opened\n"
                 "From: Ann Example <ann@example.org>\nTo: me@example.org\nSubject: " + subject + "\n"
                 "Date: " + sent + "\nMessage-ID: <" + subject + "@mail.gmail.com>\n"
                 "MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=\"0000b\"\n\n"
                 "--0000b\nContent-Type: text/plain; charset=\"UTF-8\"\n\nSee attached.\n>From the desk of Ann\n\n"
                 "--0000b\nContent-Type: application/pdf; name=\"" + attachment + "\"\n"
                 "Content-Disposition: attachment; filename=\"" + attachment + "\"\nContent-Transfer-Encoding: base64\n\n"
                 "JVBERi0xLjQKJcOkw7zDtsOfCg==\n--0000b--\n\n";
  return m.replace("\n", "\r\n");
}

QByteArray ReadBytesOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class TwkbatArchive : public TEngineTest {
protected:
  QString Takeout() const { return Scratch.Path() + QStringLiteral("/Takeout.mbox"); }

  QString Outlook() const { return PstSample(QStringLiteral("pstextractortest@outlook.com.ost")); }

  void SetUp() override {
    TWK_REQUIRE_PST_SAMPLES();
    WriteStore(QJsonObject{{"Inbox", QJsonArray{QJsonObject{{"subject", "Local"}}}}, {"Archive", QJsonArray{}}});
    Scratch.Write(QStringLiteral("Takeout.mbox"),
                  TakeoutMessage("First", "Sat Jan 03 12:34:56 +0000 2015", "Fri, 02 Jan 2015 08:00:00 +0000", "report.pdf") +
                      TakeoutMessage("Second", "Mon Mar 07 09:00:00 +0000 2016", "Mon, 07 Mar 2016 08:59:00 +0000",
                                     "invoice.pdf"));
    WriteProfile(false);
  }
  void WriteProfile(bool archiveIsDefault) {
    Scratch.Write(QStringLiteral("profile.conf"),
                  QStringLiteral("[store]\npath = %1\nname = Mail\ndefault = %3\n\n[store]\ntype = mbox\npath = %2\n"
                                 "default = %4\n\n[store]\ntype = pst\nname = Outlook\npath = %5\n")
                      .arg(Store(), Takeout(), archiveIsDefault ? "no" : "yes", archiveIsDefault ? "yes" : "no", Outlook())
                      .toUtf8());
    ProfilePath = Scratch.File(QStringLiteral("profile.conf"));
  }
  TRunResult RunTwk(const QStringList& args) const { return RunProgram(BinPath(QStringLiteral("twk")), args, {}, Env()); }
};

TEST_F(TwkbatArchive, ExportsAndCopiesFromTakeoutFile) {
  const QByteArray before = Scratch.Read(QStringLiteral("Takeout.mbox"));
  BuildJob(FolderJob("Takeout\\Takeout", false,
                     QJsonObject{{"ExportEmails", true},
                                 {"JobDef_ExportEmails", QJsonObject{{"EmailFormat", "efEML"}, {"DestFolder", Export() + "/mails"}, {"SubFolderMask", "[B]"}}},
                                 {"ExportAtts", true},
                                 {"JobDef_ExportAtts", QJsonObject{{"DestFolder", Export() + "/atts"}, {"SubFolderMask", "[EYYYY]\\[FE]"}}},
                                 {"CopyEmails", true},
                                 {"JobDef_Copy", FolderRef("Archive")}}));
  const TRunResult r = RunJob();
  ASSERT_EQ(r.ExitCode, 0) << r.Stdout.constData() << r.Stderr.constData();
  // All attachments of the Takeout file into one directory by year.
  EXPECT_EQ(Files(Export() + "/atts"), QStringList({"2015/report.pdf", "2016/invoice.pdf"}));
  EXPECT_EQ(Scratch.Read("export/atts/2015/report.pdf"), QByteArray("%PDF-1.4\n%\xc3\xa4\xc3\xbc\xc3\xb6\xc3\x9f\n"));
  EXPECT_EQ(Files(Export() + "/mails"), QStringList({"First.eml", "Second.eml"}));
  const QByteArray eml = Scratch.Read("export/mails/First.eml");
  EXPECT_TRUE(eml.startsWith("X-GM-THRID: ")) << eml.left(80).constData();
  EXPECT_TRUE(eml.contains("\r\nFrom the desk of Ann\r\n"));
  const QJsonArray copied = ReadStore()["Archive"].toArray();
  ASSERT_EQ(copied.size(), 2);
  EXPECT_EQ(Scratch.Read(QStringLiteral("Takeout.mbox")), before);
}

TEST_F(TwkbatArchive, ExportsAndCopiesFromOutlookFile) {
  const QByteArray before = ReadBytesOf(Outlook());
  BuildJob(FolderJob("Outlook\\Inbox", false,
                     QJsonObject{{"ExportEmails", true},
                                 {"JobDef_ExportEmails", QJsonObject{{"EmailFormat", "efEML"}, {"DestFolder", Export() + "/mails"}, {"SubFolderMask", "[B]"}}},
                                 {"ExportAtts", true},
                                 {"JobDef_ExportAtts", QJsonObject{{"DestFolder", Export() + "/atts"}, {"SubFolderMask", "[FE]"}}},
                                 {"CopyEmails", true},
                                 {"JobDef_Copy", FolderRef("Archive")}}));
  const TRunResult r = RunJob();
  ASSERT_EQ(r.ExitCode, 0) << r.Stdout.constData() << r.Stderr.constData();
  const QStringList atts = Files(Export() + "/atts");
  for (const QString name : {"Clinometer Usage.pdf", "text.txt",
                              "primoz-roglic-of-slovenia-and-team-jumbo-visma-red-leader-news-photo-1628610563.jpg"}) {
    SCOPED_TRACE(name.toStdString());
    ASSERT_TRUE(atts.contains(name)) << atts.join(", ").toStdString();
    EXPECT_EQ(Scratch.Read("export/atts/" + name), ReadBytesOf(PstSample("attachments/" + name)));
  }
  // The e-mails of the Inbox (the class rules leave its meeting items alone).
  const QStringList mails = Files(Export() + "/mails");
  EXPECT_EQ(mails.size(), 7) << mails.join(", ").toStdString();
  EXPECT_TRUE(mails.contains("pdf attachment.eml")) << mails.join(", ").toStdString();
  // The items arrive in the maildir as their .eml, read flag kept.
  const QJsonArray copied = ReadStore()["Archive"].toArray();
  ASSERT_EQ(copied.size(), 7);
  EXPECT_EQ(ReadBytesOf(Outlook()), before);
}

TEST_F(TwkbatArchive, EveryChangeOfTheArchiveIsRefused) {
  const QString ro = "The store \"Takeout\" is read-only; ";
  const QString pstRo = "The store \"Outlook\" is read-only; ";
  const QJsonObject archive = FolderRef("Takeout\\Takeout"), mail = FolderRef("Archive"), outlook = FolderRef("Outlook\\Inbox");
  const QJsonObject emails{{"EmailFormat", "efEML"}, {"DestFolder", Export()}, {"SubFolderMask", "[B]"}};
  auto with = [](QJsonObject o, const char* key, const QJsonValue& v) {
    o[QLatin1String(key)] = v;
    return o;
  };
  const QJsonObject atts{{"DestFolder", Export()}, {"SubFolderMask", "[FE]"}};
  struct TCase {
    QString Source;
    QJsonObject Parts;
    QString Message;
  } cases[] = {
      {"Takeout\\Takeout", {{"MoveEmails", true}, {"JobDef_Move", mail}}, "Move emails: " + ro + "e-mails cannot be moved out of it"},
      {"Takeout\\Takeout", {{"ExportAtts", true}, {"JobDef_ExportAtts", with(atts, "ShortcutMode", "smTWK")}},
       "Export attachments: " + ro + "attachments cannot be replaced by links or removed"},
      {"Takeout\\Takeout", {{"ExportAtts", true}, {"JobDef_ExportAtts", with(atts, "ShortcutMode", "smRemove")}},
       "Export attachments: " + ro + "attachments cannot be replaced by links or removed"},
      {"Takeout\\Takeout",
       {{"ExportEmails", true}, {"JobDef_ExportEmails", with(with(emails, "PrefixSubject", true), "SubjectPrefix", "[done] ")}},
       "Export emails: " + ro + "the subject prefix cannot be written"},
      {"Inbox", {{"CopyEmails", true}, {"JobDef_Copy", archive}}, "Copy emails: " + ro + "e-mails cannot be stored in it"},
      {"Inbox", {{"MoveEmails", true}, {"JobDef_Move", archive}}, "Move emails: " + ro + "e-mails cannot be stored in it"},
      {"Outlook\\Inbox", {{"MoveEmails", true}, {"JobDef_Move", mail}}, "Move emails: " + pstRo + "e-mails cannot be moved out of it"},
      {"Outlook\\Inbox", {{"ExportAtts", true}, {"JobDef_ExportAtts", with(atts, "ShortcutMode", "smTWK")}},
       "Export attachments: " + pstRo + "attachments cannot be replaced by links or removed"},
      {"Outlook\\Inbox", {{"ExportAtts", true}, {"JobDef_ExportAtts", with(atts, "ShortcutMode", "smRemove")}},
       "Export attachments: " + pstRo + "attachments cannot be replaced by links or removed"},
      {"Outlook\\Inbox",
       {{"ExportEmails", true}, {"JobDef_ExportEmails", with(with(emails, "PrefixSubject", true), "SubjectPrefix", "[done] ")}},
       "Export emails: " + pstRo + "the subject prefix cannot be written"},
      {"Inbox", {{"CopyEmails", true}, {"JobDef_Copy", outlook}}, "Copy emails: " + pstRo + "e-mails cannot be stored in it"},
      {"Inbox", {{"MoveEmails", true}, {"JobDef_Move", outlook}}, "Move emails: " + pstRo + "e-mails cannot be stored in it"},
  };
  const QJsonObject storeBefore = ReadStore();
  const QByteArray mboxBefore = Scratch.Read(QStringLiteral("Takeout.mbox"));
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Message.toStdString());
    BuildJob(FolderJob(c.Source, false, c.Parts));
    const TRunResult r = RunJob();
    EXPECT_EQ(r.ExitCode, 1) << r.Stdout.constData() << r.Stderr.constData();
    const QStringList lines = Lines(r.Stdout);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.last().endsWith(" Error: " + c.Message)) << lines.last().toStdString();
    EXPECT_FALSE(QFileInfo::exists(Export()));
  }
  // Re-import and relocation in the archive.
  const QString folder = FolderPath("Takeout\\Takeout"), pstFolder = FolderPath("Outlook\\Inbox");
  struct TLinkCase {
    QStringList Args;
    QString Message;
  } linkCases[] = {
      {{"reimport", folder, "--yes"}, "Re-import: " + ro + "its links cannot be changed"},
      {{"relocate", folder, "--from", Scratch.Path() + "/old", "--to", Scratch.Path(), "--yes"},
       "Relocation: " + ro + "its links cannot be changed"},
      {{"reimport", pstFolder, "--yes"}, "Re-import: " + pstRo + "its links cannot be changed"},
      {{"relocate", pstFolder, "--from", Scratch.Path() + "/old", "--to", Scratch.Path(), "--yes"},
       "Relocation: " + pstRo + "its links cannot be changed"},
  };
  for (const TLinkCase& c : linkCases) {
    SCOPED_TRACE(c.Message.toStdString());
    const TRunResult r = RunTwk(c.Args);
    EXPECT_EQ(r.ExitCode, 1) << r.Stdout.constData() << r.Stderr.constData();
    EXPECT_TRUE(QString::fromUtf8(r.Stdout + r.Stderr).contains(c.Message)) << r.Stdout.constData() << r.Stderr.constData();
  }
  // Inbox tasks on a profile whose default store is the archive.
  WriteProfile(true);
  const TRunResult w = RunTwk({"watch"});
  EXPECT_NE(w.ExitCode, 0);
  EXPECT_TRUE(QString::fromUtf8(w.Stderr).contains("Inbox tasks: " + ro + "its Inbox cannot be processed")) << w.Stderr.constData();
  EXPECT_EQ(ReadStore(), storeBefore);
  EXPECT_EQ(Scratch.Read(QStringLiteral("Takeout.mbox")), mboxBefore);
}

TEST_F(TwkbatArchive, FoldersOfAStoreWithoutProfile) {
  ProfilePath = Scratch.File(QStringLiteral("no-such-profile.conf"));  // never read with --store
  struct TCase {
    QString Path;
    QString Folder;  // a folder the listing has, with its item count
    int Items;
  } cases[] = {{Takeout(), "\\\\Takeout\\Takeout", 2},
               {Store(), "\\\\store\\Inbox", 1},
               {Outlook(), "\\\\pstextractortest@outlook.com\\Inbox", 10}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Path.toStdString());
    const TRunResult r = RunTwk({"folders", "--json", "--store", c.Path});
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr.constData();
    bool found = false;
    for (const QJsonValue& v : QJsonDocument::fromJson(r.Stdout).array())
      if (v["path"].toString() == c.Folder) found = v["items"].toInt() == c.Items;
    EXPECT_TRUE(found) << r.Stdout.constData();
  }
  Scratch.Write(QStringLiteral("notes.txt"), "Subject: no mbox\n");
  Scratch.Write(QStringLiteral("archive.pst"), QByteArray("!BDN\x00\x00\x00\x00SM", 10));
  const struct {
    QString File, Message;
  } bad[] = {{"notes.txt", "neither a maildir (cur/ and new/), an mbox file"}, {"archive.pst", "cannot be read: "}};
  for (const auto& b : bad) {
    const TRunResult r = RunTwk({"folders", "--store", Scratch.File(b.File)});
    EXPECT_NE(r.ExitCode, 0);
    EXPECT_TRUE(r.Stderr.contains(Scratch.File(b.File).toUtf8())) << r.Stderr.constData();
    EXPECT_TRUE(QString::fromUtf8(r.Stderr).contains(b.Message)) << r.Stderr.constData();
  }
}

}  // namespace
