// The IMAP backend against a real Dovecot started by the test: the profile
// and the logon (passwords, TLS certificates), folders from LIST, items in
// UID order read without downloading, entry IDs across UIDVALIDITY changes,
// copy, move and rewrite, and a server stopped in the middle of each. The
// server's side is checked with Python's imaplib and Dovecot's own log.
#include "support/DovecotServer.h"
#include "twktools/TWKtools.h"
#include "twktools/imap/connection.h"
#include "twktools/session/Session.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// A message as Thunderbird sends one with a PDF attached.
const QByteArray kWithAttachment =
    "Message-ID: <6f1c2a3e-1d2b-4c5d-9e8f-0a1b2c3d4e5f@example.org>\r\n"
    "Date: Tue, 14 Nov 2023 22:13:20 +0100\r\n"
    "MIME-Version: 1.0\r\n"
    "User-Agent: Mozilla Thunderbird\r\n"
    "Content-Language: en-US\r\n"
    "To: Bob Birch <bob@example.org>\r\n"
    "From: Ann Alder <ann@example.org>\r\n"
    "Subject: =?UTF-8?Q?Quarterly_r=C3=A9port?=\r\n"
    "Content-Type: multipart/mixed;\r\n"
    " boundary=\"------------0C6D3A5B2E1F4A7B8C9D0E1F\"\r\n"
    "\r\n"
    "This is a multi-part message in MIME format.\r\n"
    "--------------0C6D3A5B2E1F4A7B8C9D0E1F\r\n"
    "Content-Type: text/plain; charset=UTF-8; format=flowed\r\n"
    "Content-Transfer-Encoding: 7bit\r\n"
    "\r\n"
    "Here it is.\r\n"
    "\r\n"
    "--------------0C6D3A5B2E1F4A7B8C9D0E1F\r\n"
    "Content-Type: application/pdf; name=\"report 2023.pdf\"\r\n"
    "Content-Disposition: attachment; filename=\"report 2023.pdf\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "JVBERi0xLjQKJcOkw7zDtsOfCjIgMCBvYmoKPDwvTGVuZ3RoIDMgMCBSPj4Kc3RyZWFtCg==\r\n"
    "\r\n"
    "--------------0C6D3A5B2E1F4A7B8C9D0E1F--\r\n";

// An HTML message with an inline image, as Apple Mail sends one.
const QByteArray kHtmlInline =
    "From: Carl Cedar <carl@example.com>\r\n"
    "Content-Type: multipart/alternative; boundary=\"Apple-Mail=_A1\"\r\n"
    "Mime-Version: 1.0 (Mac OS X Mail 16.0)\r\n"
    "Subject: Logo\r\n"
    "Message-Id: <A1B2C3D4-0001@example.com>\r\n"
    "Date: Wed, 6 Nov 2024 17:20:00 +0000\r\n"
    "To: Bob Birch <bob@example.org>\r\n"
    "\r\n"
    "--Apple-Mail=_A1\r\n"
    "Content-Transfer-Encoding: 7bit\r\n"
    "Content-Type: text/plain; charset=us-ascii\r\n"
    "\r\n"
    "See the logo.\r\n"
    "--Apple-Mail=_A1\r\n"
    "Content-Type: multipart/related; type=\"text/html\"; boundary=\"Apple-Mail=_B2\"\r\n"
    "\r\n"
    "--Apple-Mail=_B2\r\n"
    "Content-Transfer-Encoding: 7bit\r\n"
    "Content-Type: text/html; charset=us-ascii\r\n"
    "\r\n"
    "<html><body>See <img src=\"cid:logo@example.com\"></body></html>\r\n"
    "--Apple-Mail=_B2\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "Content-Disposition: inline; filename=logo.png\r\n"
    "Content-Type: image/png; name=\"logo.png\"\r\n"
    "Content-Id: <logo@example.com>\r\n"
    "\r\n"
    "iVBORw0KGgo=\r\n"
    "--Apple-Mail=_B2--\r\n"
    "\r\n"
    "--Apple-Mail=_A1--\r\n";

const QByteArray kPlain =
    "Return-Path: <dora@example.net>\r\n"
    "Received: from mx.example.net by mail.example.org; Thu, 07 Nov 2024 08:00:00 +0000\r\n"
    "From: Dora Dune <dora@example.net>\r\n"
    "To: Bob Birch <bob@example.org>, team@example.org\r\n"
    "Cc: Ann Alder <ann@example.org>\r\n"
    "Subject: Plain words\r\n"
    "Message-ID: <plain-1@example.net>\r\n"
    "Date: Thu, 07 Nov 2024 07:59:00 +0000\r\n"
    "Content-Type: text/plain; charset=utf-8\r\n"
    "\r\n"
    "Just text.\r\n";

class ImapStore : public ::testing::Test {
protected:
  TIsolatedUser User;
  TScratchDir Scratch;
  std::unique_ptr<TDovecot> Server;

  void SetUp() override { StartServer(); }
  void StartServer(const QString& extraConfig = {}) {
    Server.reset();
    Server = std::make_unique<TDovecot>(Scratch.Path() + "/mail", extraConfig);
    ASSERT_TRUE(Server->Started()) << Server->Error().toStdString();
  }
  void TearDown() override { twkimap::SetCommandHook(nullptr); }

  QString Profile(const QString& section) {
    Scratch.Write("profile.conf", section.toUtf8());
    return Scratch.File("profile.conf");
  }

  // A session logged on with the profile text; null with the logon's error in error.
  TwkPtr<IRDOSession> Logon(const QString& section, QString* error = nullptr) {
    qputenv("TWK_PROFILE", Profile(section).toUtf8());
    auto session = TwkPtr<IRDOSession>::Adopt(new twksession::TSession);
    try {
      session->Logon();
    } catch (const EComError& e) {
      if (error) *error = e.Message();
      else ADD_FAILURE() << e.Message().toStdString();
      return {};
    }
    return session;
  }
  TwkPtr<IRDOSession> Logon() { return Logon(Server->StoreSection("Mail")); }

  TRunResult Ctl(const QStringList& args, const QByteArray& input = {}) {
    const TRunResult r = RunProgram(DebianPython(),
                                    QStringList{TestToolPath("imapctl.py"), QString::number(Server->Port()),
                                                QString::fromLatin1(TDovecot::kPassword)} + args,
                                    input);
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr.constData();
    return r;
  }
  quint32 Append(const QString& box, const QByteArray& message, const QString& flags = "\\Seen",
                 qint64 when = 1731000000) {
    return Ctl({"append", box, flags, QString::number(when)}, message).Stdout.trimmed().toUInt();
  }
  QJsonArray Messages(const QString& box) {
    return QJsonDocument::fromJson(Ctl({"messages", box}).Stdout).array();
  }
  static QStringList Subjects(const QJsonArray& messages) {
    QStringList s;
    for (const QJsonValue& m : messages) s << m["subject"].toString();
    return s;
  }

  static TwkPtr<IRDOFolder> Child(IRDOFolder* parent, const QString& name) {
    TwkPtr<IRDOFolder> f = parent->Folders()->ItemByName(name);
    EXPECT_TRUE(f) << name.toStdString();
    return f;
  }
  static QStringList Names(IRDOFolder* parent) {
    QStringList names;
    const TwkPtr<IRDOFolders> folders = parent->Folders();
    for (int i = 1; i <= folders->Count(); ++i) names << folders->Item(i)->Name();
    return names;
  }
  static QStringList ItemSubjects(IRDOFolder* folder) {
    QStringList s;
    const TwkPtr<IRDOItems> items = folder->Items();
    for (int i = 1; i <= items->Count(); ++i) s << items->Item(i)->Subject();
    return s;
  }
  // Dovecot's count of whole bodies sent, summed over the ended sessions,
  // once the log has the line of each (the server writes it after the logout).
  int BodiesFetched(int sessions) const {
    const QRegularExpression re("body_count=(\\d+)");
    for (int wait = 0;; ++wait) {
      int sum = 0, seen = 0;
      for (auto it = re.globalMatch(Server->Log()); it.hasNext(); ++seen) sum += it.next().captured(1).toInt();
      if (seen >= sessions || wait == 200) return sum;
      QThread::msleep(25);
    }
  }
};

TEST_F(ImapStore, ProfileAndLogonErrorsNameTheStore) {
  const QString base = "[store]\ntype = imap\nname = Work\n";
  struct TCase {
    QString Profile;
    QString Error;
  } cases[] = {
      {base + "user = tester\n", "store 1 has type imap but no host"},
      {base + "host = mail.example.org\nuser = tester\nsecurity = none\n",
       "store 1 has security none for the host mail.example.org (allowed only for localhost)"},
      {base + "host = mail.example.org\nuser = tester\npassword = hunter2\n",
       "line 6: a password never stands in the profile; use passcmd or the desktop keyring"},
      {base + "host = mail.example.org\nuser = tester\nsecurity = ssl\n", "security must be tls, starttls or none"},
      {base + QString("host = 127.0.0.1\nport = %1\nsecurity = none\nuser = tester\npasscmd = echo oops >&2; exit 3\n")
                  .arg(Server->Port()),
       "No password for the mail store \"Work\": its passcmd failed (exit code 3): oops"},
      {base + QString("host = 127.0.0.1\nport = %1\nsecurity = none\nuser = tester\npasscmd = printf '\\n'\n")
                  .arg(Server->Port()),
       "No password for the mail store \"Work\": its passcmd printed no password"},
      {base + QString("host = 127.0.0.1\nport = %1\nsecurity = none\nuser = tester\npasscmd = echo wrong\n")
                  .arg(Server->Port()),
       "The mail server of the mail store \"Work\" (127.0.0.1) refused the login of tester:"},
      {base + "host = 127.0.0.1\nport = 1\nsecurity = none\nuser = tester\npasscmd = echo x\n",
       "Cannot connect to the mail server of the mail store \"Work\" (127.0.0.1, port 1)"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Profile.toStdString());
    QString error;
    EXPECT_FALSE(Logon(c.Profile, &error));
    EXPECT_TRUE(error.contains(c.Error)) << error.toStdString();
  }
  // Without passcmd the desktop keyring is asked; none reachable is said so.
  qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + Scratch.File("no-bus").toUtf8());
  QString error;
  EXPECT_FALSE(Logon(base + QString("host = 127.0.0.1\nport = %1\nsecurity = none\nuser = tester\n").arg(Server->Port()), &error));
  EXPECT_TRUE(error.startsWith("No password for the mail store \"Work\": no passcmd in the profile and the desktop keyring"))
      << error.toStdString();
}

TEST_F(ImapStore, CertificatesAreCheckedAgainstTheTrustedOnes) {
  const QString tls = QString("[store]\ntype = imap\nname = Secure\nhost = 127.0.0.1\nport = %1\nuser = tester\n"
                              "passcmd = echo %2\n")
                          .arg(Server->TlsPort())
                          .arg(TDovecot::kPassword);
  QString error;
  EXPECT_FALSE(Logon(tls, &error));
  EXPECT_TRUE(error.startsWith("The certificate of the mail server 127.0.0.1 (mail store \"Secure\") is not trusted: "))
      << error.toStdString();
  EXPECT_TRUE(error.contains("not trusted", Qt::CaseInsensitive) || error.contains("signer", Qt::CaseInsensitive))
      << error.toStdString();
  // The test's certificate made trusted: TLS, and STARTTLS on the plain port.
  const QString trusted = tls + "cafile = " + Server->CertFile() + "\n";
  TwkPtr<IRDOSession> session = Logon(trusted);
  ASSERT_TRUE(session);
  EXPECT_EQ(session->GetDefaultFolder(olFolderInbox)->FolderPath(), "\\\\Secure\\Inbox");
  QString startTls = trusted;
  startTls.replace(QString("port = %1").arg(Server->TlsPort()), QString("port = %1\nsecurity = starttls").arg(Server->Port()));
  EXPECT_TRUE(Logon(startTls));
  // The right certificate for another name is refused too.
  QString otherName = trusted;
  otherName.replace("host = 127.0.0.1", "host = 127.0.0.2");
  EXPECT_FALSE(Logon(otherName, &error));
  EXPECT_TRUE(error.contains("127.0.0.2")) << error.toStdString();
}

TEST_F(ImapStore, FoldersFromTheServersList) {
  for (const char* box : {"Archive", "Entw&APw-rfe", "Parent/Child", "INBOX/Sub", "Sent"}) Ctl({"create", box});
  TwkPtr<IRDOSession> session = Logon();
  ASSERT_TRUE(session);
  const TwkPtr<IRDOFolder> root = session->Stores()->DefaultStore()->RootFolder();
  EXPECT_EQ(root->FolderPath(), "\\\\Mail");
  EXPECT_EQ(root->Classification(), olFolderKindOther);
  EXPECT_EQ(Names(root.get()), (QStringList{"Inbox", "Archive", "Entwürfe", "Parent", "Sent"}));
  // A level that holds no mail of its own is a folder that is not a mail folder.
  const TwkPtr<IRDOFolder> parent = Child(root.get(), "Parent");
  EXPECT_EQ(parent->Classification(), olFolderKindOther);
  EXPECT_EQ(parent->Items()->Count(), 0);
  EXPECT_EQ(Child(parent.get(), "Child")->FolderPath(), "\\\\Mail\\Parent\\Child");
  EXPECT_EQ(Child(Child(root.get(), "Inbox").get(), "Sub")->Classification(), olFolderKindMail);
  // The special-use folder is the default one of its kind.
  EXPECT_EQ(session->GetDefaultFolder(olFolderInbox)->EntryID(), Child(root.get(), "Inbox")->EntryID());
  EXPECT_EQ(session->Stores()->DefaultStore()->GetDefaultFolder(olFolderSentMail)->FolderPath(), "\\\\Mail\\Sent");
  // A folder made here is made on the server, named as typed.
  const TwkPtr<IRDOFolder> made = root->Folders()->Add("Année 2024");
  EXPECT_EQ(made->FolderPath(), "\\\\Mail\\Année 2024");
  EXPECT_EQ(Messages("Ann&AOk-e 2024").size(), 0);
  EXPECT_EQ(session->GetFolderFromID(made->EntryID(), made->StoreID(), 0)->Name(), "Année 2024");
  EXPECT_THROW(root->Folders()->Add("archive"), EComError);
}

TEST_F(ImapStore, ItemsInUidOrderReadWithoutDownloading) {
  Append("INBOX", kWithAttachment, "\\Seen", 1700000000);
  Append("INBOX", kHtmlInline, "", 1730913600);
  Append("INBOX", kPlain, "\\Seen \\Draft", 1730966400);
  {
    TwkPtr<IRDOSession> session = Logon();
    ASSERT_TRUE(session);
    const TwkPtr<IRDOFolder> inbox = session->GetDefaultFolder(olFolderInbox);
    const TwkPtr<IRDOItems> items = inbox->Items();
    ASSERT_EQ(items->Count(), 3);
    EXPECT_EQ(ItemSubjects(inbox.get()), (QStringList{"Quarterly réport", "Logo", "Plain words"}));
    // The field walk of a message whose attachments the structure sorts.
    const TwkPtr<IRDOMail> first = items->Item(1);
    EXPECT_EQ(first->MessageClass(), "IPM.Note");
    EXPECT_EQ(first->Sender()->Address(), "ann@example.org");
    EXPECT_TRUE(first->Sent());
    EXPECT_FALSE(first->UnRead());
    const TwkPtr<IRDOAttachments> atts = first->Attachments();
    ASSERT_EQ(atts->Count(), 1);
    EXPECT_EQ(atts->Item(1)->FileName(), "report 2023.pdf");
    EXPECT_FALSE(atts->Item(1)->Hidden());
    EXPECT_EQ(first->Fields(PR_MESSAGE_FLAGS).toInt(), 1 | 16);
    EXPECT_EQ(first->Fields(PR_INTERNET_MESSAGE_ID).toString(), "<6f1c2a3e-1d2b-4c5d-9e8f-0a1b2c3d4e5f@example.org>");
    EXPECT_TRUE(first->Fields(PR_TRANSPORT_MESSAGE_HEADERS).toString().startsWith("Message-ID: <6f1c2a3e"));
    const TwkPtr<IRDOMail> third = items->Item(3);
    EXPECT_FALSE(third->Sent());  // \Draft
    EXPECT_FALSE(third->Fields(PR_TRANSPORT_MESSAGE_HEADERS).isValid());
    const TwkPtr<IRDORecipients> to = third->Recipients();
    ASSERT_EQ(to->Count(), 3);
    EXPECT_EQ(to->Item(3)->Type(), olCC);
    // Arrival time from the server when no Received: line says it.
    EXPECT_DOUBLE_EQ(first->ReceivedTime(), first->LastModificationTime());
  }
  // None of that fetched a whole message.
  // (Three sessions of the test's own client stored the messages.)
  EXPECT_EQ(BodiesFetched(4), 0) << Server->Log().toStdString();
  {
    TwkPtr<IRDOSession> session = Logon();
    const TwkPtr<IRDOItems> items = session->GetDefaultFolder(olFolderInbox)->Items();
    // The related part's place depends on the HTML: the whole message answers.
    const TwkPtr<IRDOAttachments> atts = items->Item(2)->Attachments();
    ASSERT_EQ(atts->Count(), 1);
    EXPECT_TRUE(atts->Item(1)->Hidden());
    // Content, as the server has it; the unread message stays unread.
    const TwkPtr<IRDOMail> first = items->Item(1);
    EXPECT_EQ(first->MimeContent(), kWithAttachment);
    EXPECT_EQ(first->Attachments()->Item(1)->Data().left(8), QByteArray("%PDF-1.4"));
    EXPECT_EQ(first->Body(), "Here it is.\r\n");
  }
  EXPECT_EQ(BodiesFetched(5), 2);
  EXPECT_EQ(Messages("INBOX")[1].toObject()["flags"].toArray().size(), 0);
}

TEST_F(ImapStore, EntryIdsStayAndNeverNameAnotherMessage) {
  auto Work = [](IRDOSession* s) { return Child(s->Stores()->DefaultStore()->RootFolder().get(), "Work"); };
  Ctl({"create", "Work"});
  Append("Work", kPlain);
  Append("Work", kWithAttachment);
  QString id, storeId;
  {
    TwkPtr<IRDOSession> session = Logon();
    const TwkPtr<IRDOMail> second = Work(session.get())->Items()->Item(2);
    id = second->EntryID();
    storeId = second->StoreID();
    EXPECT_EQ(second->Parent()->Name(), "Work");
  }
  TwkPtr<IRDOSession> session = Logon();
  EXPECT_EQ(session->GetMessageFromID(id, storeId)->Subject(), "Quarterly réport");
  EXPECT_EQ(session->GetMessageFromID(id, QString())->EntryID(), id);
  // The server renumbers the mailbox under the running session: the same
  // UIDs exist again, for other messages; the old IDs name nothing.
  Ctl({"recreate", "Work"});
  EXPECT_THROW(session->GetMessageFromID(id, storeId), EComError);
  const TwkPtr<IRDOItems> items = Work(session.get())->Items();
  ASSERT_EQ(items->Count(), 2);
  EXPECT_NE(items->Item(2)->EntryID(), id);
  EXPECT_EQ(session->GetMessageFromID(items->Item(2)->EntryID(), storeId)->Subject(), "Quarterly réport");
  // Malformed and foreign IDs are not found either.
  for (const QString& bad : {QString("00"), QString("ZZ"), id.left(id.size() - 2), QString(id).replace(8, 2, "00")})
    EXPECT_THROW(session->GetMessageFromID(bad, QString()), EComError) << bad.toStdString();
}

TEST_F(ImapStore, CopyMoveAndRewriteOnTheServer) {
  Ctl({"create", "Archive"});
  Append("INBOX", kWithAttachment, "\\Seen \\Flagged", 1700000000);
  Append("INBOX", kPlain, "", 1730966400);
  TwkPtr<IRDOSession> session = Logon();
  const TwkPtr<IRDOFolder> inbox = session->GetDefaultFolder(olFolderInbox);
  const TwkPtr<IRDOFolder> archive = Child(inbox->Parent().get(), "Archive");
  const TwkPtr<IRDOItems> items = inbox->Items();

  const TwkPtr<IRDOMail> copy = items->Item(1)->CopyTo(archive.get());
  EXPECT_EQ(copy->Parent()->Name(), "Archive");
  EXPECT_EQ(session->GetMessageFromID(copy->EntryID(), QString())->Subject(), "Quarterly réport");
  const TwkPtr<IRDOMail> moved = items->Item(2)->Move(archive.get());
  EXPECT_EQ(moved->Subject(), "Plain words");
  EXPECT_EQ(Subjects(Messages("INBOX")), QStringList{"Quarterly réport"});
  EXPECT_EQ(Subjects(Messages("Archive")), (QStringList{"Quarterly réport", "Plain words"}));

  // A rewrite: the attachment replaced by a link file, a subject prefix.
  const TwkPtr<IRDOMail> mail = inbox->Items()->Item(1);
  const QString oldId = mail->EntryID();
  Scratch.Write("report-pdf.twk", "TWK link");
  mail->Attachments()->Item(1)->Delete();
  mail->Attachments()->Add(Scratch.File("report-pdf.twk"), olByValue, 0, "report-pdf.twk");
  mail->SetSubject("[Saved] Quarterly réport");
  mail->Save();
  EXPECT_NE(mail->EntryID(), oldId);
  EXPECT_THROW(session->GetMessageFromID(oldId, QString()), EComError);
  const QJsonArray now = Messages("INBOX");
  ASSERT_EQ(now.size(), 1);
  EXPECT_EQ(now[0]["subject"], "[Saved] Quarterly réport");
  // Flags and arrival time kept; the keyword of the rewrite gone with the old one.
  EXPECT_EQ(now[0]["flags"].toArray(), (QJsonArray{"\\Flagged", "\\Seen"}));
  EXPECT_EQ(now[0]["date"].toInt(), 1700000000);
  const QByteArray stored = Ctl({"raw", "INBOX", QString::number(now[0]["uid"].toInt())}).Stdout;
  EXPECT_TRUE(stored.contains("report-pdf.twk"));
  EXPECT_FALSE(stored.contains("report 2023.pdf"));
  EXPECT_EQ(session->GetMessageFromID(mail->EntryID(), QString())->Attachments()->Item(1)->FileName(), "report-pdf.twk");
}

// A profile with a maildir store beside the server: messages go both ways,
// each arriving whole, the original gone only after a move.
TEST_F(ImapStore, CopyAndMoveBetweenAMaildirAndTheServer) {
  Ctl({"create", "Archive"});
  Append("INBOX", kPlain, "\\Seen", 1730966400);
  const QString local = Scratch.Path() + "/local";
  WriteTestFile(local + "/INBOX/cur/1700000000.M1P1.host:2,", kWithAttachment);
  QDir().mkpath(local + "/INBOX/new");
  for (const char* dir : {"INBOX/tmp", "Kept/cur", "Kept/new", "Kept/tmp"}) QDir().mkpath(local + "/" + dir);
  TwkPtr<IRDOSession> session = Logon(Server->StoreSection("Mail") + "\n[store]\npath = " + local + "\nname = Local\n");
  ASSERT_TRUE(session);
  const TwkPtr<IRDOStores> stores = session->Stores();
  ASSERT_EQ(stores->Count(), 2);
  const TwkPtr<IRDOFolder> serverRoot = stores->Item(1)->RootFolder();
  const TwkPtr<IRDOFolder> localRoot = stores->Item(2)->RootFolder();

  const TwkPtr<IRDOMail> up = Child(localRoot.get(), "Inbox")->Items()->Item(1)->CopyTo(Child(serverRoot.get(), "Archive").get());
  EXPECT_EQ(up->Parent()->FolderPath(), "\\\\Mail\\Archive");
  const QJsonArray archive = Messages("Archive");
  ASSERT_EQ(archive.size(), 1);
  EXPECT_EQ(archive[0]["flags"].toArray(), QJsonArray());  // unread as it was
  EXPECT_EQ(archive[0]["date"].toInt(), 1700000000);
  EXPECT_EQ(Ctl({"raw", "Archive", QString::number(archive[0]["uid"].toInt())}).Stdout, kWithAttachment);

  const TwkPtr<IRDOMail> down = Child(serverRoot.get(), "Inbox")->Items()->Item(1)->Move(Child(localRoot.get(), "Kept").get());
  EXPECT_EQ(down->Subject(), "Plain words");
  EXPECT_FALSE(down->UnRead());
  EXPECT_EQ(Messages("INBOX").size(), 0);
  const QStringList kept = QDir(local + "/Kept/cur").entryList(QDir::Files);
  ASSERT_EQ(kept.size(), 1);
  EXPECT_TRUE(kept[0].startsWith("1730966400.") && kept[0].endsWith(":2,S")) << kept[0].toStdString();
  EXPECT_EQ(QFile(local + "/Kept/cur/" + kept[0]).size(), kPlain.size());
}

// The server goes away just before one command of a change; whatever was
// done stays done, nothing is lost, and the next session straightens a
// half-done rewrite without doubling the message.
TEST_F(ImapStore, ServerStoppedInTheMiddleLosesNothing) {
  enum TChange { Copy, Move, Rewrite };
  struct TCase {
    const char* Name;
    TChange Change;
    const char* Command;
    int Occurrence;         // stop before the n-th such command
    QStringList Source;     // subjects after the restart and the next look
  } cases[] = {
      {"copy", Copy, "COPY", 1, {"Quarterly réport"}},
      {"move", Move, "MOVE", 1, {"Quarterly réport"}},
      {"rewrite, before storing the new one", Rewrite, "APPEND", 1, {"Quarterly réport"}},
      {"rewrite, before marking the old one deleted", Rewrite, "STORE", 2, {"[Saved] Quarterly réport"}},
      {"rewrite, before removing the old one", Rewrite, "EXPUNGE", 1, {"[Saved] Quarterly réport"}},
  };
  int n = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const QString source = QString("Source%1").arg(++n), dest = QString("Dest%1").arg(n);
    Ctl({"create", source});
    Ctl({"create", dest});
    Append(source, kWithAttachment);
    {
      TwkPtr<IRDOSession> session = Logon();
      const TwkPtr<IRDOFolder> root = session->Stores()->DefaultStore()->RootFolder();
      const TwkPtr<IRDOMail> mail = Child(root.get(), source)->Items()->Item(1);
      int seen = 0;
      twkimap::SetCommandHook([&](const char* command) {
        if (QByteArray(command) == c.Command && ++seen == c.Occurrence) Server->Stop();
      });
      if (c.Change == Copy) {
        EXPECT_THROW(mail->CopyTo(Child(root.get(), dest).get()), EComError);
      }
      if (c.Change == Move) {
        EXPECT_THROW(mail->Move(Child(root.get(), dest).get()), EComError);
      }
      if (c.Change == Rewrite) {
        mail->SetSubject("[Saved] Quarterly réport");
        EXPECT_THROW(mail->Save(), EComError);
      }
      twkimap::SetCommandHook(nullptr);
      ASSERT_TRUE(Server->Start());
    }
    TwkPtr<IRDOSession> session = Logon();
    const TwkPtr<IRDOFolder> root = session->Stores()->DefaultStore()->RootFolder();
    EXPECT_EQ(ItemSubjects(Child(root.get(), source).get()), c.Source);
    EXPECT_EQ(Subjects(Messages(source)), c.Source);
    EXPECT_EQ(Messages(dest).size(), 0);
    // Done again, the change happens once.
    const TwkPtr<IRDOMail> mail = Child(root.get(), source)->Items()->Item(1);
    if (c.Change == Copy) mail->CopyTo(Child(root.get(), dest).get());
    if (c.Change == Move) mail->Move(Child(root.get(), dest).get());
    EXPECT_EQ(Messages(source).size(), c.Change == Move ? 0 : 1);
    EXPECT_EQ(Messages(dest).size(), c.Change == Rewrite ? 0 : 1);
  }
}

// A server without MOVE: the copy, the mark, the removal. Stopped after the
// copy, the move done again takes the copy already there (same Message-ID and
// size) instead of making a second one.
TEST_F(ImapStore, MoveWithoutTheMoveCommandNeverDoubles) {
  StartServer("imap_capability = IMAP4rev1 LITERAL+ SASL-IR ENABLE IDLE UIDPLUS\n");
  Ctl({"create", "Archive"});
  Append("INBOX", kWithAttachment);
  Append("INBOX", kPlain);
  {
    TwkPtr<IRDOSession> session = Logon();
    const TwkPtr<IRDOFolder> root = session->Stores()->DefaultStore()->RootFolder();
    const TwkPtr<IRDOMail> mail = Child(root.get(), "Inbox")->Items()->Item(1);
    twkimap::SetCommandHook([&](const char* command) {
      if (QByteArray(command) == "STORE") Server->Stop();
    });
    EXPECT_THROW(mail->Move(Child(root.get(), "Archive").get()), EComError);
    twkimap::SetCommandHook(nullptr);
    ASSERT_TRUE(Server->Start());
  }
  EXPECT_EQ(Subjects(Messages("INBOX")), (QStringList{"Quarterly réport", "Plain words"}));
  EXPECT_EQ(Subjects(Messages("Archive")), QStringList{"Quarterly réport"});
  TwkPtr<IRDOSession> session = Logon();
  const TwkPtr<IRDOFolder> root = session->Stores()->DefaultStore()->RootFolder();
  const TwkPtr<IRDOItems> items = Child(root.get(), "Inbox")->Items();
  const TwkPtr<IRDOMail> moved = items->Item(1)->Move(Child(root.get(), "Archive").get());
  EXPECT_EQ(session->GetMessageFromID(moved->EntryID(), QString())->Subject(), "Quarterly réport");
  // (The moved message left the collection: the other one is the first now.)
  items->Item(1)->Move(Child(root.get(), "Archive").get());
  EXPECT_EQ(Messages("INBOX").size(), 0);
  EXPECT_EQ(Subjects(Messages("Archive")), (QStringList{"Quarterly réport", "Plain words"}));
}

}  // namespace
