// Sending from the desktop on a real store with the real module: a forward
// carries the original's attachments and passes the module's send capture
// before a recording sendmail gets the bytes; a cancel sends nothing and
// keeps the compose window; a failing sendmail leaves no Sent copy; a draft
// moves to Sent. The composed MIME is read back by the store's parser.
#include "core/ComposeMail.h"
#include "core/LinkRoots.h"
#include "host/ComposeWindow.h"
#include "host/MailSender.h"
#include "tests/LinkMime.h"
#include "tests/desktop/AddinModuleFixture.h"
#include "tests/desktop/QtEnvironment.h"

#include <QFile>
#include <QTimeZone>

namespace {

class DesktopSend : public TAddinModuleTest {
protected:
  // A sendmail that records its arguments and message and exits with rc.
  void FakeSendmail(int rc) {
    const QString dir = Scratch.Path();
    const QString script = Scratch.File(QStringLiteral("sendmail"));
    WriteTestFile(script, QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1/args'\ncat > '%1/message'\nexit %2\n")
                              .arg(dir)
                              .arg(rc)
                              .toUtf8());
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(SetSendmailProgram(script));
    QFile::remove(Scratch.File(QStringLiteral("message")));
  }
  QByteArray Recorded() const { return Scratch.Read(QStringLiteral("message")); }
  bool Recorded(const char* name) const { return QFileInfo::exists(Scratch.File(QString::fromLatin1(name))); }

  TwkPtr<IRDOFolder> Folder(const char* name) { return FindTopFolder(&FHostSession, {QString::fromLatin1(name)}); }
  int Count(const char* name) { return Folder(name)->Items()->Count(); }
  TwkPtr<IRDOMail> Store(const char* folder, const QByteArray& mime) {
    return FHostSession->GetMessageFromMIME(mime)->CopyTo(Folder(folder).get());
  }
  void SetSendOption(TSendOptions option) {
    TOptions options;
    options.LoadFromRegistry();
    options.SetSendOptions(option);
    ASSERT_TRUE(options.SaveToRegistry());
  }
  TMailSender Sender(TAddInModule* module) {
    return TMailSender(&FHostSession, [module](IRDOMail* item, bool& cancel) { module->OnItemSend(item, cancel); });
  }
};

QStringList Names(IRDOMail* mail) {
  QStringList list;
  const TwkPtr<IRDOAttachments> atts = mail->Attachments();
  for (int i = 1; i <= atts->Count(); ++i) list << atts->Item(i)->FileName();
  return list;
}

TEST_F(DesktopSend, ForwardOfALinkPassesTheSendCaptureBeforeSendmail) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray{}}, {"Sent", QJsonArray{}}});
  HostLogOn();
  const QString target = Scratch.File(QStringLiteral("links/report.pdf"));
  const QByteArray pdf = "%PDF-1.4\n% the linked report\n";
  WriteTestFile(target, pdf);
  TLinkRoots roots;
  roots.Load();
  ASSERT_TRUE(roots.Record(QFileInfo(target).path()));
  const TwkPtr<IRDOMail> original =
      Store("Inbox", BuildMime(QStringLiteral("with link"), {{QStringLiteral("report.pdf.twk"), LinkBytes(target)}}));

  const struct {
    const char* Name;
    TSendOptions Option;
    TSendQuestions::TReplaceAnswer Answer;
    bool Sent;
    const char* Attachment;
    QByteArray Data;
  } cases[] = {
      {"always: the file goes instead of the link", soAlways, TSendQuestions::raCancel, true, "report.pdf", pdf},
      {"ask, Cancel: nothing leaves, the window stays", soAsk, TSendQuestions::raCancel, false, "", {}},
      {"ask, No: the link goes as it is", soAsk, TSendQuestions::raNo, true, "report.pdf.twk", LinkBytes(target)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    SetSendOption(c.Option);
    FakeSendmail(0);
    const int sentBefore = Count("Sent");
    TAddInModule* module = Start(QStringLiteral("16.0.0.0"));
    TScriptedQuestions questions;
    questions.Replace = c.Answer;
    module->SetSendQuestions(&questions);
    TMailSender sender = Sender(module);

    TComposedMail mail = ForwardOf(original.get());
    EXPECT_EQ(mail.Subject, "FW: with link");
    mail.To = QStringLiteral("Bob <bob@example.org>");
    auto* window = new TComposeWindow(mail, &FHostSession, &sender);
    window->show();
    EXPECT_EQ(window->SendNow(), c.Sent);
    if (!c.Sent) {
      EXPECT_TRUE(window->isVisible());
      EXPECT_FALSE(Recorded("message"));
      EXPECT_EQ(Count("Sent"), sentBefore);
      window->close();
    } else {
      EXPECT_EQ(Scratch.Read(QStringLiteral("args")), "-i\n-t\n");
      const QByteArray bytes = Recorded();
      const TwkPtr<IRDOMail> out = FHostSession->GetMessageFromMIME(bytes);
      EXPECT_EQ(out->Subject(), "FW: with link");
      EXPECT_TRUE(("\n" + bytes).contains("\nTo: Bob <bob@example.org>\n")) << bytes.constData();
      ASSERT_EQ(Names(out.get()), QStringList{QString::fromLatin1(c.Attachment)});
      EXPECT_EQ(out->Attachments()->Item(1)->Data(), c.Data);
      // The Sent copy is the message as it left.
      ASSERT_EQ(Count("Sent"), sentBefore + 1);
      // Delivery order within one second is not sending order: any item.
      bool copied = false;
      const TwkPtr<IRDOItems> sent = Folder("Sent")->Items();
      for (int i = 1; i <= sent->Count(); ++i) copied = copied || sent->Item(i)->MimeContent() == bytes;
      EXPECT_TRUE(copied);
    }
    module->OnBeginShutdown();
    FModule = nullptr;
  }
  EXPECT_EQ(FTrapped, QStringList());
}

TEST_F(DesktopSend, FailingSendmailLeavesNoSentCopyAndADraftMovesToSent) {
  const struct {
    const char* Name;
    bool SentFolder;
    int Rc;
    bool DraftLeft;
  } cases[] = {
      {"sendmail fails: the draft stays, no copy", true, 75, true},
      {"sent: the draft moves to Sent", true, 0, false},
      {"sent, no Sent folder: the draft stays where it was", false, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    QJsonObject folders{{"Inbox", QJsonArray{}}, {"Drafts", QJsonArray{}}};
    if (c.SentFolder) folders[QStringLiteral("Sent")] = QJsonArray{};
    WriteStore(folders);
    HostLogOn();
    SetSendOption(soNever);
    FakeSendmail(c.Rc);
    TAddInModule* module = Start(QStringLiteral("16.0.0.0"));
    TMailSender sender = Sender(module);
    const QByteArray draft = BuildMime(QStringLiteral("draft"), {});
    const TwkPtr<IRDOMail> mail = Store("Drafts", draft);
    if (c.Rc != 0) {
      try {
        sender.Send(mail.get(), true);
        ADD_FAILURE() << "no error";
      } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains(QLatin1String("failed with exit code 75: the message was not sent"))) << e.Message().toStdString();
      }
    } else {
      EXPECT_TRUE(sender.Send(mail.get(), true));
      EXPECT_EQ(Recorded(), draft);
    }
    EXPECT_EQ(Count("Drafts"), c.DraftLeft ? 1 : 0);
    if (c.SentFolder) {
      EXPECT_EQ(Count("Sent"), c.Rc == 0 ? 1 : 0);
    }
    module->OnBeginShutdown();
    FModule = nullptr;
    FHostSession.Logoff();
  }
}

TEST_F(DesktopSend, ComposedMimeCarriesNonAsciiTextAndNamesIntact) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray{}}});
  HostLogOn();
  TComposedMail m;
  m.From = QStringLiteral("Jürgen Weiß <jw@example.org>");
  m.To = QStringLiteral("\"Zoë Ångström\" <zoe@example.org>, plain@example.org");
  m.Subject = QStringLiteral("Grüße aus Köln – ein recht langer Betreff, der über mehrere Wörter geht");
  m.Body = QStringLiteral("Hallo Zoë,\nanbei der Bericht.\n");
  m.Attachments.append({QStringLiteral("Bericht März.pdf"), QStringLiteral("application/pdf"), QByteArray("%PDF\0x", 6)});
  m.Attachments.append({QStringLiteral("notes.txt"), QString(), QByteArray("a\nb\n")});
  const QByteArray bytes = ComposeMime(m, QDateTime(QDate(2026, 12, 10), QTime(9, 30), QTimeZone::utc()), "test.example");
  for (const QByteArray& line : bytes.split('\n')) EXPECT_LE(line.size(), 998);
  const TwkPtr<IRDOMail> mail = FHostSession->GetMessageFromMIME(bytes);
  EXPECT_EQ(mail->Subject(), m.Subject);
  EXPECT_EQ(mail->Sender()->Name(), QStringLiteral("Jürgen Weiß"));
  EXPECT_EQ(mail->Recipients()->Count(), 2);
  EXPECT_EQ(mail->Recipients()->Item(1)->Name(), QStringLiteral("Zoë Ångström"));
  EXPECT_TRUE(mail->Body().contains(QStringLiteral("Hallo Zoë,"))) << mail->Body().toStdString();
  EXPECT_EQ(Names(mail.get()), QStringList({QStringLiteral("Bericht März.pdf"), QStringLiteral("notes.txt")}));
  EXPECT_EQ(mail->Attachments()->Item(1)->Data(), QByteArray("%PDF\0x", 6));
  EXPECT_EQ(mail->Attachments()->Item(2)->MimeType(), "application/octet-stream");
  EXPECT_TRUE(bytes.contains("\nDate: Thu, 10 Dec 2026 09:30:00 +0000\n")) << bytes.constData();
}

}  // namespace
