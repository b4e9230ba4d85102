// The send capture and the module's send handling on loose messages opened
// by the real component: the table of send options, answers and files, the
// Always answer, links left alone, shell-link forms, and the trusted-link
// rule (a forged link is never replaced silently; an exported one is).
#include "core/LinkRoots.h"
#include "core/Options.h"
#include "core/SendCapture.h"
#include "core/SendHandlers.h"
#include "tests/SendFixture.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace {

// Answers from a script; records every question as "replace ATT ORG
// trusted|untrusted" or "delete ATT ORG".
class TScriptedQuestions final : public TSendQuestions {
public:
  QString Answers;  // y n a v c, one per question
  QStringList Asked;

  TReplaceAnswer AskReplace(const QString& att, const QString& org, bool trusted) override {
    Asked << QStringLiteral("replace %1 %2 %3").arg(att, org, trusted ? "trusted" : "untrusted");
    switch (Next()) {
      case 'y': return raYes;
      case 'n': return raNo;
      case 'a': return raAlways;
      case 'v': return raNever;
      default: return raCancel;
    }
  }
  TDeleteAnswer AskDeleteLink(const QString& att, const QString& org) override {
    Asked << QStringLiteral("delete %1 %2").arg(att, org);
    switch (Next()) {
      case 'y': return daYes;
      case 'n': return daNo;
      default: return daCancel;
    }
  }

private:
  char Next() {
    if (Answers.isEmpty()) {
      ADD_FAILURE() << "a question nobody expected: " << Asked.last().toStdString();
      return 'c';
    }
    const char c = Answers.at(0).toLatin1();
    Answers.remove(0, 1);
    return c;
  }
};

class SendCapture : public ::testing::Test {
protected:
  void SetUp() override {
    FDir.Write("export/report.pdf", "%PDF report bytes");
    FDir.Write("export/chart.png", "PNG chart bytes");
    FDir.Write("outside/id_ed25519", "PRIVATE KEY");
    TLinkRoots roots;
    ASSERT_TRUE(roots.Record(Export()));
  }
  QString Export() const { return FDir.Path() + "/export"; }
  QString Outside() const { return FDir.Path() + "/outside"; }

  struct TOutcome {
    bool Cancel = false, Changed = false;
    QStringList Names;
    TwkPtr<IRDOMail> Mail;
    TSendOptions Stored = soNever;
    int Unasked = 0;
  };

  // The item-send steps with the options saved as mode and the scripted
  // questions (none when questions is null).
  TOutcome Send(TSendOptions mode, const QByteArray& mime, TScriptedQuestions* questions) {
    TOptions options;
    options.Clear();
    options.SetSendOptions(mode);
    EXPECT_TRUE(options.SaveToRegistry());
    TLinkRoots roots;
    roots.Load();
    TSendHandlers handlers(options, questions);
    TOutcome o;
    o.Mail = FMails.Open(mime);
    o.Cancel = ItemSend(o.Mail.get(), handlers, roots, &FMails.Session(), o.Changed);
    o.Names = AttachmentNames(o.Mail.get());
    o.Unasked = handlers.Unasked();
    TOptions stored;
    stored.LoadFromRegistry();
    o.Stored = stored.SendOptions();
    EXPECT_EQ(stored.SendOptions(), options.SendOptions()) << "the options in memory and saved differ";
    return o;
  }

  TIsolatedUser FUser;
  TScratchDir FDir;
  TLooseMessages FMails;
};

TEST_F(SendCapture, SendOptionsFilesAndAnswers) {
  const QString report = Export() + "/report.pdf", gone = Export() + "/gone.pdf";
  const QStringList replaced{"note.txt", "report.pdf"}, keptReport{"note.txt", "report-pdf.twk"},
      keptGone{"note.txt", "gone-pdf.twk"}, removed{"note.txt"};
  const QString askReplace = "replace report-pdf.twk " + report + " trusted", askDelete = "delete gone-pdf.twk " + gone;
  struct TCase {
    const char* Name;
    TSendOptions Mode;
    bool Exists;
    const char* Answers;
    QStringList Names;
    TSendOptions Stored;
    bool Cancel;
  } cases[] = {
      {"soNever, file exists: not run", soNever, true, "", keptReport, soNever, false},
      {"soNever, file missing: not run", soNever, false, "", keptGone, soNever, false},
      {"soAsk, Yes replaces", soAsk, true, "y", replaced, soAsk, false},
      {"soAsk, No keeps", soAsk, true, "n", keptReport, soAsk, false},
      {"soAsk, Always replaces and stores soAlways", soAsk, true, "a", replaced, soAlways, false},
      {"soAsk, Never keeps and stores soNever", soAsk, true, "v", keptReport, soNever, false},
      {"soAsk, Cancel stops the send", soAsk, true, "c", keptReport, soAsk, true},
      {"soAsk, missing, Yes removes", soAsk, false, "y", removed, soAsk, false},
      {"soAsk, missing, No keeps", soAsk, false, "n", keptGone, soAsk, false},
      {"soAsk, missing, Cancel stops", soAsk, false, "c", keptGone, soAsk, true},
      {"soAlways replaces without asking", soAlways, true, "", replaced, soAlways, false},
      {"soAlways, missing, still asks: Yes removes", soAlways, false, "y", removed, soAlways, false},
      {"soAlways, missing, No keeps", soAlways, false, "n", keptGone, soAlways, false},
      {"soAlways, missing, Cancel stops", soAlways, false, "c", keptGone, soAlways, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TScriptedQuestions q;
    q.Answers = QString::fromLatin1(c.Answers);
    const QString target = c.Exists ? report : gone;
    const TOutcome o = Send(c.Mode, MimeMessage({{"note.txt", "a note", TMimePart::Attached, "text/plain"},
                                                 {c.Exists ? "report-pdf.twk" : "gone-pdf.twk", LinkBytes(target)}}),
                            &q);
    EXPECT_EQ(o.Names, c.Names);
    EXPECT_EQ(o.Cancel, c.Cancel);
    EXPECT_EQ(o.Stored, c.Stored);
    EXPECT_EQ(q.Answers, QString()) << "answers left over: a question was not asked";
    const QStringList wantAsked = QString::fromLatin1(c.Answers).isEmpty()
                                      ? QStringList()
                                      : QStringList{c.Exists ? askReplace : askDelete};
    EXPECT_EQ(q.Asked, wantAsked);
    if (c.Names == replaced) {
      EXPECT_EQ(AttachmentData(o.Mail.get(), "report.pdf"), QByteArray("%PDF report bytes"));
      EXPECT_TRUE(o.Mail->MimeContent().contains("filename=report.pdf") ||
                  o.Mail->MimeContent().contains("filename=\"report.pdf\""));
    }
    EXPECT_EQ(o.Changed, !c.Cancel && c.Names != keptReport && c.Names != keptGone);
  }
}

TEST_F(SendCapture, AlwaysOnTheFirstOfTwoLinksReplacesBoth) {
  TScriptedQuestions q;
  q.Answers = "a";
  const TOutcome o = Send(soAsk,
                          MimeMessage({{"report-pdf.twk", LinkBytes(Export() + "/report.pdf")},
                                       {"chart-png.twk", LinkBytes(Export() + "/chart.png")}}),
                          &q);
  // The question comes for the link with the higher index; the other follows without one.
  EXPECT_EQ(q.Asked, QStringList{"replace chart-png.twk " + Export() + "/chart.png trusted"});
  EXPECT_EQ(o.Names, (QStringList{"chart.png", "report.pdf"}));
  EXPECT_EQ(o.Stored, soAlways);
  EXPECT_EQ(AttachmentData(o.Mail.get(), "chart.png"), QByteArray("PNG chart bytes"));
}

TEST_F(SendCapture, LinksThatAreNotLinksOrNameNothingAreLeftAlone) {
  const QByteArray link = LinkBytes(Export() + "/report.pdf");
  QByteArray threeLines = link;
  threeLines.append("\r\0\n\0", 4);
  const QList<TMimePart> parts{
      {"hidden.twk", link, TMimePart::Hidden},
      {"embedded.twk", {}, TMimePart::Embedded},
      {"report.txt", link},
      {"garbage.twk", "not a link at all"},
      {"empty.twk", ""},
      {"three-lines.twk", threeLines},
      {"directory.twk", LinkBytes(Export())},
      {"relative.twk", LinkBytes("export/report.pdf")},
      {"windows.twk", LinkBytes("D:\\Export\\report.pdf")},
      {"huge.twk", QByteArray(3 << 20, 'x')},
  };
  const QByteArray mime = MimeMessage(parts);
  for (TSendOptions mode : {soAsk, soAlways}) {
    TScriptedQuestions q;
    // A directory, a relative or a Windows path names no file here: those
    // three get the remove question, answered No.
    q.Answers = "nnn";
    const TOutcome o = Send(mode, mime, &q);
    EXPECT_FALSE(o.Changed);
    EXPECT_FALSE(o.Cancel);
    EXPECT_EQ(q.Asked, (QStringList{"delete windows.twk D:\\Export\\report.pdf", "delete relative.twk export/report.pdf",
                                    "delete directory.twk " + Export()}));
    EXPECT_EQ(o.Names.size(), 10) << o.Names.join(", ").toStdString();
    EXPECT_EQ(o.Mail->MimeContent(), mime) << "an untouched message is sent as it came";
  }
}

TEST_F(SendCapture, AFileThatCannotBeReadLeavesItsLink) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  FDir.Write("export/locked.pdf", "locked");
  ASSERT_TRUE(QFile::setPermissions(FDir.File("export/locked.pdf"), QFileDevice::Permissions()));
  TScriptedQuestions q;
  const TOutcome o = Send(soAlways,
                          MimeMessage({{"locked-pdf.twk", LinkBytes(Export() + "/locked.pdf")},
                                       {"report-pdf.twk", LinkBytes(Export() + "/report.pdf")}}),
                          &q);
  EXPECT_FALSE(o.Cancel);
  EXPECT_EQ(o.Names, (QStringList{"locked-pdf.twk", "report.pdf"}));
}

TEST_F(SendCapture, ShellLinkFormsAndDisplayNames) {
  auto lnk = [&](const QString& target) {
    const QString out = FDir.File("made.lnk");
    const TRunResult r =
        RunProgram(DebianPython(), {TestToolPath("lnkwriter.py"), out, "relative", target, "C:\\unused"});
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
    return FDir.Read("made.lnk");
  };
  TScriptedQuestions q;
  const TOutcome o = Send(soAlways,
                          MimeMessage({{"Report (old name).twk", lnk(Export() + "/report.pdf")},
                                       {"chart.TWK", LinkBytes("  " + Export() + "/chart.png \t")}}),
                          &q);
  EXPECT_EQ(o.Names, (QStringList{"chart.png", "report.pdf"}));
  EXPECT_EQ(AttachmentData(o.Mail.get(), "report.pdf"), QByteArray("%PDF report bytes"));
  const TwkPtr<IRDOAttachments> atts = o.Mail->Attachments();
  for (int i = 1; i <= atts->Count(); ++i) EXPECT_EQ(atts->Item(i)->DisplayName(), atts->Item(i)->FileName());
}

TEST_F(SendCapture, ForgedLinksAreNeverReplacedSilently) {
  const QString key = Outside() + "/id_ed25519";
  // A symbolic link inside the root that points out of it is no way around.
  ASSERT_TRUE(QFile::link(key, Export() + "/innocent.pdf"));
  const QByteArray mime = MimeMessage({{"id_ed25519.twk", LinkBytes(key)},
                                       {"climb.twk", LinkBytes(Export() + "/../outside/id_ed25519")},
                                       {"innocent-pdf.twk", LinkBytes(Export() + "/innocent.pdf")}});
  const QStringList all{"id_ed25519.twk", "climb.twk", "innocent-pdf.twk"};
  for (TSendOptions mode : {soAsk, soAlways}) {
    SCOPED_TRACE(SendOptionsName(mode).toStdString());
    const TOutcome unasked = Send(mode, mime, nullptr);
    EXPECT_EQ(unasked.Names, all);
    EXPECT_FALSE(unasked.Changed);
    EXPECT_EQ(unasked.Unasked, 3);

    TScriptedQuestions q;
    q.Answers = "nnn";
    const TOutcome asked = Send(mode, mime, &q);
    EXPECT_EQ(asked.Names, all);
    EXPECT_EQ(q.Asked, (QStringList{"replace innocent-pdf.twk " + Export() + "/innocent.pdf untrusted",
                                    "replace climb.twk " + Export() + "/../outside/id_ed25519 untrusted",
                                    "replace id_ed25519.twk " + key + " untrusted"}));
  }
  // The user's own Yes still attaches the file.
  TScriptedQuestions yes;
  yes.Answers = "nny";
  const TOutcome o = Send(soAlways, mime, &yes);
  EXPECT_EQ(o.Names, (QStringList{"climb.twk", "innocent-pdf.twk", "id_ed25519"}));
}

TEST_F(SendCapture, WithoutHandlersOnlyTrustedExistingFilesAreReplaced) {
  TSendCapture capture;
  capture.LinkRoots().Load();
  const TwkPtr<IRDOMail> mail = FMails.Open(MimeMessage({{"report-pdf.twk", LinkBytes(Export() + "/report.pdf")},
                                                         {"key.twk", LinkBytes(Outside() + "/id_ed25519")},
                                                         {"gone.twk", LinkBytes(Export() + "/gone")}}));
  EXPECT_TRUE(capture.DoSendEvent(mail.get()));
  EXPECT_EQ(AttachmentNames(mail.get()), (QStringList{"key.twk", "gone.twk", "report.pdf"}));
  EXPECT_FALSE(capture.DoSendEvent(nullptr));
}

TEST_F(SendCapture, SignedMailAndOtherClassesAreNotTouched) {
  const QByteArray body = MimeMessage({{"report-pdf.twk", LinkBytes(Export() + "/report.pdf")}});
  const qsizetype headEnd = body.indexOf("MIME-Version");
  // The same parts inside multipart/signed: replacing would break the signature.
  const QByteArray signedMime = body.left(headEnd) +
                                "MIME-Version: 1.0\nContent-Type: multipart/signed; protocol=\"application/"
                                "pgp-signature\"; micalg=pgp-sha256; boundary=\"=sig=\"\n\n--=sig=\n" +
                                body.mid(body.indexOf("Content-Type", headEnd + 14)) +
                                "\n--=sig=\nContent-Type: application/pgp-signature\n\nSIG\n--=sig=--\n";
  TScriptedQuestions q;
  const TOutcome o = Send(soAlways, signedMime, &q);
  EXPECT_EQ(o.Mail->MessageClass(), "IPM.Note.SMIME.MultipartSigned");
  EXPECT_FALSE(o.Changed);
  EXPECT_EQ(o.Mail->MimeContent(), signedMime);
  EXPECT_TRUE(q.Asked.isEmpty());
}

TEST(SendQuestionsText, TheDialogsTexts) {
  // A name holding "%2" stays as it is.
  EXPECT_EQ(AskReplaceText("a%2-pdf.twk", "/srv/export/a%1.pdf"),
            "The message has an attachment (a%2-pdf.twk) containing a link to the file:\r\n\r\n/srv/export/a%1.pdf");
  EXPECT_EQ(AskDeleteLinkText("b-txt.twk", "/srv/b.txt"),
            "The message has an attachment (b-txt.twk) containing a link to the file:\r\n\r\n/srv/b.txt\r\n\r\n"
            "This file could not be found.");
  EXPECT_EQ(AskReplaceQuestion(), "Would you like to replace the link with the file?");
  EXPECT_EQ(AskDeleteLinkQuestion(), "Would you like to remove the link?");
}

// A link that the attachment export itself made (the real TWKbat on a real
// store) is trusted and turned back into the exported file.
class SendCaptureExported : public TEngineTest {};

TEST_F(SendCaptureExported, ALinkMadeByTheExportIsReplaced) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray{QJsonObject{{"atts", QJsonArray{Att("report.pdf", 5000, 7)}}}}}});
  BuildJob(FolderJob("Inbox", false,
                     {{"ExportAtts", true},
                      {"JobDef_ExportAtts", QJsonObject{{"DestFolder", Export()}, {"ShortcutMode", "smTWK"}}}}));
  ASSERT_EQ(RunJob().ExitCode, 0);
  const QStringList files = Files(Store() + "/INBOX/cur");
  ASSERT_EQ(files.size(), 1);
  const QByteArray stored = ReadFile(Store() + "/INBOX/cur/" + files.first());

  TLooseMessages mails;
  const TwkPtr<IRDOMail> mail = mails.Open(stored);
  ASSERT_EQ(AttachmentNames(mail.get()), QStringList{"report-pdf.twk"});
  TOptions options;
  options.Clear();
  options.SetSendOptions(soAlways);
  TLinkRoots roots;
  roots.Load();
  TSendHandlers handlers(options, nullptr);
  bool changed = false;
  EXPECT_FALSE(ItemSend(mail.get(), handlers, roots, &mails.Session(), changed));
  EXPECT_TRUE(changed);
  EXPECT_EQ(AttachmentNames(mail.get()), QStringList{"report.pdf"});
  EXPECT_EQ(AttachmentData(mail.get(), "report.pdf"), AttBytes(5000, 7));
  EXPECT_EQ(handlers.Unasked(), 0);
}

}  // namespace
