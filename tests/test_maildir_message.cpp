// The message side of the Maildir backend on real maildirs: messages written
// by Python's mailbox/email packages, read through the component's
// interfaces; changed messages read back with Python's email package.
#include "tests/support/TestSupport.h"
#include "tests/test_maildir_folder.h"
#include "twktools/maildir/Backend.h"
#include "twktools/maildir/save.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <gtest/gtest.h>

using twkmaildir::OpenLooseMessage;
using twkmaildir::OpenStoredMessage;

namespace {

QJsonObject RunJson(const QString& tool, const QStringList& args) {
  const TRunResult r = RunProgram(DebianPython(), QStringList{TestToolPath(tool)} + args);
  EXPECT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
  return QJsonDocument::fromJson(r.Stdout).object();
}

// What Python's email package reads from a message file.
QJsonObject PythonReads(const QString& file) { return RunJson(QStringLiteral("msgread.py"), {file}); }

double LocalValue(const char* isoUtc) {
  const QDateTime local = QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODate).toLocalTime();
  return double(local.date().toJulianDay() - 2415019) + local.time().msecsSinceStartOfDay() / 86400000.0;
}

std::string S(const QString& s) { return s.toStdString(); }

class MessageTest : public ::testing::Test {
protected:
  void SetUp() override {
    Maildir = Dir.Path() + QStringLiteral("/Inbox");
    const QJsonObject paths = RunJson(QStringLiteral("msgcorpus.py"), {Maildir});
    for (auto it = paths.begin(); it != paths.end(); ++it) Files[it.key()] = Maildir + QLatin1Char('/') + it.value().toString();
    Folder = TTestMailFolder::Create(Maildir);
  }
  TwkPtr<IRDOMail> Open(const QString& name) {
    EXPECT_TRUE(Files.contains(name)) << S(name);
    return OpenStoredMessage(Folder.get(), Files.value(name));
  }
  QStringList AttachmentNames(IRDOMail* mail, bool withHidden) {
    QStringList names;
    auto atts = mail->Attachments();
    for (int i = 1; i <= atts->Count(); ++i) {
      auto a = atts->Item(i);
      if (withHidden || !a->Hidden()) names << a->FileName() + QStringLiteral("|") + QString::number(a->Type()) +
                                                 (a->Hidden() ? QStringLiteral("|hidden") : QString());
    }
    return names;
  }

  TScratchDir Dir;
  QString Maildir;
  QMap<QString, QString> Files;
  TwkPtr<TTestMailFolder> Folder;
};

TEST_F(MessageTest, MessageClassFromTheStructure) {
  const QList<QPair<QString, QString>> table = {
      {"plain", "IPM.Note"},
      {"related", "IPM.Note"},
      {"signed", "IPM.Note.SMIME.MultipartSigned"},
      {"opaque", "IPM.Note.SMIME"},
      {"encrypted", "IPM.Note.SMIME"},
      {"request", "IPM.Schedule.Meeting.Request"},
      {"cancel", "IPM.Schedule.Meeting.Canceled"},
      {"accepted", "IPM.Schedule.Meeting.Resp.Pos"},
      {"declined", "IPM.Schedule.Meeting.Resp.Neg"},
      {"tentative", "IPM.Schedule.Meeting.Resp.Tent"},
      {"ndr", "REPORT.IPM.Note.NDR"},
      {"dr", "REPORT.IPM.Note.DR"},
      {"mdn", "REPORT.IPM.Note.IPNRN"},
  };
  for (const auto& [name, expected] : table) EXPECT_EQ(S(Open(name)->MessageClass()), S(expected)) << S(name);
}

TEST_F(MessageTest, FieldsOfADeliveredMessage) {
  auto mail = Open(QStringLiteral("plain"));
  EXPECT_TRUE(mail->Sent());
  EXPECT_FALSE(mail->UnRead());  // the S flag
  EXPECT_EQ(S(mail->Subject()), "Grüße aus Köln");
  EXPECT_EQ(S(mail->Sender()->Name()), "Alice Example");
  EXPECT_EQ(S(mail->Sender()->Address()), "alice@example.org");
  EXPECT_EQ(S(mail->SentOnBehalfOf()->Address()), "alice@example.org");
  EXPECT_DOUBLE_EQ(mail->SentOn(), LocalValue("2024-01-02T10:00:00Z"));
  // The newest Received: wins, wherever it stands.
  EXPECT_DOUBLE_EQ(mail->ReceivedTime(), LocalValue("2024-01-02T10:05:00Z"));
  const QString unique = twkmaildir::SplitMaildirFileName(QFileInfo(Files["plain"]).fileName()).Unique;
  const qint64 delivered = twkmaildir::DeliverySecondsOf(unique);
  const QDateTime deliveredAt = QDateTime::fromSecsSinceEpoch(delivered);
  EXPECT_NEAR(mail->CreationTime(),
              double(deliveredAt.date().toJulianDay() - 2415019) + deliveredAt.time().msecsSinceStartOfDay() / 86400000.0,
              1e-9);
  const QDateTime mtime = QFileInfo(Files["plain"]).lastModified();
  EXPECT_NEAR(mail->LastModificationTime(),
              double(mtime.date().toJulianDay() - 2415019) + mtime.time().msecsSinceStartOfDay() / 86400000.0, 1e-6);

  const QString headers = mail->Fields(PR_TRANSPORT_MESSAGE_HEADERS).toString();
  EXPECT_TRUE(headers.contains(QStringLiteral("Message-ID: <plain@example.org>"))) << S(headers);
  EXPECT_TRUE(headers.startsWith(QStringLiteral("Content-Type:"))) << S(headers);
  EXPECT_FALSE(headers.contains(QStringLiteral("Hello Bob")));
  EXPECT_EQ(S(mail->Fields(PR_INTERNET_MESSAGE_ID).toString()), "<plain@example.org>");
  EXPECT_EQ(S(mail->Body()), "Hello Bob\n");

  // To (a group expanded in place), Cc, Bcc; never resolved.
  auto recipients = mail->Recipients();
  QStringList got;
  for (int i = 1; i <= recipients->Count(); ++i) {
    auto r = recipients->Item(i);
    EXPECT_FALSE(r->Resolved());
    got << QStringLiteral("%1|%2|%3").arg(r->Name(), r->Address()).arg(r->Type());
  }
  EXPECT_EQ(S(got.join(QLatin1Char(';'))),
            "Bob|bob@example.org|1;carol@example.org|carol@example.org|1;Dave|dave@example.org|1;"
            "erin@example.org|erin@example.org|2;Frank|frank@example.org|3");
}

TEST_F(MessageTest, DraftsAndDelegates) {
  auto draft = Open(QStringLiteral("draft"));
  EXPECT_FALSE(draft->Sent());
  EXPECT_FALSE(draft->Fields(PR_TRANSPORT_MESSAGE_HEADERS).isValid());
  EXPECT_EQ(draft->Fields(PR_MESSAGE_FLAGS).toInt() & 8, 8);

  // A Sender: other than From: is the sender; From: is the one sent for.
  auto delegated = Open(QStringLiteral("delegate"));
  EXPECT_TRUE(delegated->UnRead());  // in new/, no S flag
  EXPECT_EQ(S(delegated->Sender()->Address()), "assistant@example.org");
  EXPECT_EQ(S(delegated->SentOnBehalfOf()->Name()), "Boss Person");
  EXPECT_EQ(S(delegated->SentOnBehalfOf()->Address()), "boss@example.org");
  // No Received: header: the delivery time of the unique name.
  EXPECT_DOUBLE_EQ(delegated->ReceivedTime(), delegated->CreationTime());
}

TEST_F(MessageTest, AttachmentsAreTheLeavesThatAreNotBody) {
  auto mail = Open(QStringLiteral("related"));
  // The referenced inline image is hidden; the unreferenced one and the
  // files are visible; the trailing text without a name is shown after the
  // body (an attached mail without a name is named by its subject).
  EXPECT_EQ(S(AttachmentNames(mail.get(), true).join(QLatin1Char(';'))),
            "|1|hidden;unused.gif|1;report.pdf|1;Inner.eml|5");
  EXPECT_EQ(S(mail->HTMLBody()), "<p>html body <img src=\"cid:img1@x\"></p>\n<pre>signature text\n</pre>\n");
  EXPECT_EQ(S(mail->Body()), "plain body\nsignature text\n");

  auto atts = mail->Attachments();
  auto pdf = atts->Item(3);
  const QJsonObject python = PythonReads(Files["related"]);
  const QJsonObject pyPdf = python["attachments"].toArray()[0].toObject();
  EXPECT_EQ(S(pyPdf["filename"].toString()), "report.pdf");
  EXPECT_EQ(pdf->Size(), pyPdf["size"].toInt());
  EXPECT_EQ(S(pdf->MimeType()), "application/pdf");
  const QString saved = Dir.File(QStringLiteral("out/report.pdf"));
  pdf->SaveAsFile(saved);
  EXPECT_EQ(Dir.Read(QStringLiteral("out/report.pdf")).toHex(), pyPdf["hex"].toString().toLatin1());
  EXPECT_EQ(atts->Item(1)->ContentID(), QStringLiteral("img1@x"));

  auto embedded = atts->Item(4);
  auto inner = embedded->EmbeddedMsg();
  ASSERT_TRUE(inner);
  EXPECT_EQ(S(inner->Subject()), "Inner");
  EXPECT_EQ(S(embedded->DisplayName()), "Inner");
  EXPECT_FALSE(inner->Parent());
  EXPECT_EQ(embedded->Size(), embedded->Data().size());
  EXPECT_TRUE(embedded->Data().contains("Subject: Inner"));
  EXPECT_FALSE(atts->Item(2)->EmbeddedMsg());
  EXPECT_THROW(atts->Item(5), EComError);
}

TEST_F(MessageTest, FileNamesDecodedFromEveryEncoding) {
  auto mail = Open(QStringLiteral("filenames"));
  EXPECT_EQ(S(AttachmentNames(mail.get(), true).join(QLatin1Char(';'))),
            "Grüße.txt|1;日本語.txt|1;資料.txt|1;plain name.bin|1");
}

TEST_F(MessageTest, SignedAndEncryptedMessagesExposeTheirParts) {
  EXPECT_EQ(S(AttachmentNames(Open(QStringLiteral("signed")).get(), true).join(QLatin1Char(';'))),
            "signed.pdf|1;smime.p7s|1|hidden");
  EXPECT_EQ(S(AttachmentNames(Open(QStringLiteral("opaque")).get(), false).join(QLatin1Char(';'))), "smime.p7m|1");
  EXPECT_EQ(S(AttachmentNames(Open(QStringLiteral("encrypted")).get(), false).join(QLatin1Char(';'))),
            "encrypted.asc|1");
  // Signed and encrypted mail answers its decrypted view; plain mail does not.
  const auto signedView = QueryAs<IRDOEncryptedMessage>(Open(QStringLiteral("signed")).get(), IID_IRDOEncryptedMessage);
  ASSERT_TRUE(signedView);
  EXPECT_EQ(S(AttachmentNames(signedView->GetDecryptedMessage().get(), false).join(QLatin1Char(';'))), "signed.pdf|1");
  EXPECT_FALSE(QueryAs<IRDOEncryptedMessage>(Open(QStringLiteral("plain")).get(), IID_IRDOEncryptedMessage));
  EXPECT_TRUE(QueryAs<IRDOMail>(Open(QStringLiteral("signed")).get(), IID_IRDOMail));
}

TEST_F(MessageTest, SaveWritesTheChangesUnderANewNameKeepingTheFlags) {
  const QString oldPath = Files["related"];
  auto mail = Open(QStringLiteral("related"));
  const QString oldID = mail->EntryID();
  const QString linkFile = Dir.File(QStringLiteral("link/Bericht für Jürgen-pdf.twk"));
  QFile f(linkFile);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray("link\0bytes\xff", 11));
  f.close();

  mail->SetSubject(QStringLiteral("[x] Grüße"));
  auto atts = mail->Attachments();
  // As the attachment export does it: add the link, then delete the saved file.
  auto added = atts->Add(linkFile, olByValue, 0, QFileInfo(linkFile).fileName());
  EXPECT_EQ(atts->Count(), 5);
  EXPECT_EQ(added->Position(), 5);
  atts->Item(3)->Delete();
  EXPECT_EQ(atts->Count(), 4);
  EXPECT_EQ(added->Position(), 4);
  EXPECT_EQ(S(mail->Subject()), "[x] Grüße");
  EXPECT_EQ(mail->MimeContent(), mail->MimeContent());
  EXPECT_NE(mail->MimeContent(), Dir.Read(QFileInfo(oldPath).absoluteFilePath().mid(Dir.Path().size() + 1)));

  mail->Save();
  EXPECT_FALSE(QFile::exists(oldPath));
  EXPECT_EQ(Folder->Removed, QStringList{oldPath});
  ASSERT_EQ(Folder->Added.size(), 1);
  const QString newPath = Folder->Added[0];
  EXPECT_TRUE(newPath.endsWith(QStringLiteral(":2,S"))) << S(newPath);
  EXPECT_TRUE(newPath.contains(QStringLiteral("/cur/")));
  EXPECT_NE(S(mail->EntryID()), S(oldID));
  EXPECT_TRUE(Folder->TmpFiles().isEmpty());
  // The delivery time stays, so the message keeps its place and its dates.
  EXPECT_EQ(twkmaildir::DeliverySecondsOf(QFileInfo(newPath).fileName()),
            twkmaildir::DeliverySecondsOf(QFileInfo(oldPath).fileName()));

  const QJsonObject python = PythonReads(newPath);
  EXPECT_EQ(S(python["subject"].toString()), "[x] Grüße");
  EXPECT_TRUE(python["defects"].toArray().isEmpty());
  QStringList names;
  for (const auto& a : python["attachments"].toArray()) names << a.toObject()["filename"].toString();
  EXPECT_FALSE(names.contains(QStringLiteral("report.pdf")));
  const QJsonObject link = python["attachments"].toArray().last().toObject();
  EXPECT_EQ(S(link["filename"].toString()), "Bericht für Jürgen-pdf.twk");
  EXPECT_EQ(S(link["encoding"].toString()), "base64");
  EXPECT_EQ(link["hex"].toString().toLatin1(), QByteArray("link\0bytes\xff", 11).toHex());
  QFile saved(newPath);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  const QByteArray written = saved.readAll();
  // RFC 2231 (GMime picks the smallest charset that holds the name).
  EXPECT_TRUE(written.contains("filename*=iso-8859-1''Bericht%20f%FCr%20J%FCrgen-pdf.twk"))
      << written.mid(written.lastIndexOf("Content-Type"), 300).toStdString();

  // Read again from the new file: the same view.
  auto again = OpenStoredMessage(Folder.get(), newPath);
  EXPECT_EQ(S(again->Subject()), "[x] Grüße");
  EXPECT_EQ(again->Attachments()->Count(), 4);
  EXPECT_EQ(again->MimeContent(), mail->MimeContent());
}

TEST_F(MessageTest, AddingToASinglePartMessageAndDeletingTheRoot) {
  auto mail = Open(QStringLiteral("opaque"));
  auto atts = mail->Attachments();
  ASSERT_EQ(atts->Count(), 1);
  atts->Item(1)->Delete();
  EXPECT_EQ(atts->Count(), 0);
  const QString file = Dir.File(QStringLiteral("a.pdf"));
  Dir.Write(QStringLiteral("a.pdf"), "%PDF-1.4 small");
  atts->Add(file, olByValue, 0, QString());
  mail->Save();
  const QJsonObject python = PythonReads(Folder->Added.value(0));
  ASSERT_EQ(python["attachments"].toArray().size(), 1);
  EXPECT_EQ(S(python["attachments"].toArray()[0].toObject()["type"].toString()), "application/pdf");
  EXPECT_EQ(S(python["attachments"].toArray()[0].toObject()["filename"].toString()), "a.pdf");
  EXPECT_THROW(atts->Add(Dir.Path() + QStringLiteral("/missing.bin"), olByValue, 0, QString()), EComError);
  EXPECT_THROW(atts->Add(file, olEmbeddeditem, 0, QString()), EComError);
}

TEST_F(MessageTest, MimeContentAndSaveAs) {
  auto mail = Open(QStringLiteral("plain"));
  QFile f(Files["plain"]);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray stored = f.readAll();
  EXPECT_EQ(mail->MimeContent(), stored);
  const QString out = Dir.File(QStringLiteral("export/mail.eml"));
  mail->SaveAs(out, olRFC822);
  EXPECT_EQ(Dir.Read(QStringLiteral("export/mail.eml")), stored);
  // The other six formats come from the format writers; an unknown code is refused.
  for (int format : {olTXT, olRTF, olMSG, olHTML, olMSGUnicode, olMHTML}) {
    const QString other = Dir.File(QStringLiteral("export/mail.%1").arg(format));
    mail->SaveAs(other, format);
    EXPECT_GT(QFileInfo(other).size(), 0) << format;
  }
  EXPECT_THROW(mail->SaveAs(Dir.File(QStringLiteral("export/mail.x")), 42), EComError);
  // A changed message: what Save would write.
  mail->SetSubject(QStringLiteral("Changed"));
  mail->SaveAs(out, olRFC822);
  EXPECT_EQ(S(PythonReads(out)["subject"].toString()), "Changed");
  EXPECT_EQ(mail->MimeContent(), Dir.Read(QStringLiteral("export/mail.eml")));
}

TEST_F(MessageTest, CopyAndMoveBetweenFolders) {
  auto archive = TTestMailFolder::Create(Dir.Path() + QStringLiteral("/Archive"));
  auto mail = Open(QStringLiteral("plain"));
  const QByteArray bytes = mail->MimeContent();

  auto copy = mail->CopyTo(archive.get());
  ASSERT_EQ(archive->Added.size(), 1);
  EXPECT_TRUE(QFile::exists(Files["plain"]));
  EXPECT_TRUE(archive->Added[0].endsWith(QStringLiteral(":2,S")));
  EXPECT_EQ(copy->MimeContent(), bytes);
  EXPECT_NE(copy->EntryID(), mail->EntryID());
  EXPECT_EQ(copy->Parent().get(), static_cast<IRDOFolder*>(archive.get()));

  // Within one file system: the same file renamed, nothing rewritten.
  const QString oldPath = Files["delegate"];
  auto moved = Open(QStringLiteral("delegate"))->Move(archive.get());
  EXPECT_FALSE(QFile::exists(oldPath));
  EXPECT_EQ(Folder->Removed, QStringList{oldPath});
  ASSERT_EQ(archive->Added.size(), 2);
  EXPECT_TRUE(archive->Added[1].endsWith(QFileInfo(oldPath).fileName() + QStringLiteral(":2,")));
  EXPECT_EQ(S(moved->Subject()), "Delegate");
  EXPECT_EQ(archive->MessageFiles().size(), 2);

  // Not a mail folder: refused, the message stays.
  auto notMail = TTestMailFolder::Create(QString());
  EXPECT_THROW(mail->CopyTo(notMail.get()), EComError);
  EXPECT_TRUE(QFile::exists(Files["plain"]));
}

TEST_F(MessageTest, MoveToAnotherFileSystemCopiesThenRemoves) {
  QTemporaryDir shm(QStringLiteral("/dev/shm/twk-msg-XXXXXX"));
  if (!shm.isValid()) GTEST_SKIP() << "no /dev/shm";
  auto other = TTestMailFolder::Create(shm.path() + QStringLiteral("/Other"));
  const QString oldPath = Files["related"];
  auto mail = Open(QStringLiteral("related"));
  const QByteArray bytes = mail->MimeContent();
  auto moved = mail->Move(other.get());
  EXPECT_FALSE(QFile::exists(oldPath));
  ASSERT_EQ(other->MessageFiles().size(), 1);
  EXPECT_EQ(moved->MimeContent(), bytes);
  EXPECT_TRUE(other->MessageFiles()[0].endsWith(QStringLiteral(":2,S")));
  EXPECT_TRUE(other->TmpFiles().isEmpty());
  EXPECT_EQ(mail->EntryID(), moved->EntryID());  // the moved object follows the message
}

// Damaged and hostile input: read as far as it goes, never a crash or a hang.
TEST(MessageBadInput, ReadsAsFarAsItGoes) {
  QByteArray deep;
  for (int i = 0; i < 5000; ++i) deep += "Subject: level\nContent-Type: message/rfc822\n\n";
  deep += "Subject: bottom\n\nend\n";
  QByteArray deepMulti;
  for (int i = 0; i < 3000; ++i) deepMulti += "Content-Type: multipart/mixed; boundary=b" + QByteArray::number(i) + "\n\n--b" + QByteArray::number(i) + "\n";
  QByteArray hugeHeaders = "Subject: huge\n";
  while (hugeHeaders.size() < 10 * 1024 * 1024) hugeHeaders += "X-Filler: " + QByteArray(990, 'x') + "\n";
  hugeHeaders += "\nbody\n";
  const struct {
    const char* Name;
    QByteArray Bytes;
    const char* Subject;
  } table[] = {
      {"empty", "", ""},
      {"no headers", "just a line of text\nand another\n", ""},
      {"broken boundary",
       "Subject: broken\nContent-Type: multipart/mixed; boundary=zz\n\n--zz\nContent-Type: text/plain\n\nhi\n--z",
       "broken"},
      {"nul bytes", QByteArray("Subject: n\0ul\nFrom: a\0@b\n\nbo\0dy\n", 30), nullptr},
      {"8-bit headers", "Subject: Gr\xfc\xdf" "e\nFrom: J\xfcrgen <j@x.de>\n\nx\n", "Grüße"},
      {"unknown charset", "Subject: =?x-unknown-42?Q?caf=E9?=\n\nx\n", nullptr},
      {"bad encoded word", "Subject: =?utf-8?B?####?= =?utf-8?Q?=ZZ?=\n\nx\n", nullptr},
      {"endless message nesting", deep, "level"},
      {"endless multipart nesting", deepMulti, ""},
      {"10 MB header block", hugeHeaders, "huge"},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.Name);
    auto mail = OpenLooseMessage(c.Bytes, QString());
    const QString subject = mail->Subject();
    if (c.Subject) {
      EXPECT_EQ(S(subject), c.Subject);
    }
    mail->MessageClass();
    mail->Recipients()->Count();
    // Transport headers are the header block only, never body text.
    EXPECT_FALSE(mail->Fields(PR_TRANSPORT_MESSAGE_HEADERS).toString().contains(QStringLiteral("line of text")));
    mail->SentOn();
    mail->ReceivedTime();
    mail->Body();
    auto atts = mail->Attachments();
    // Walk embedded messages down as far as the component opens them.
    TwkPtr<IRDOMail> level = mail;
    int depth = 0;
    while (level && level->Attachments()->Count() > 0 && depth < 100) {
      auto first = level->Attachments()->Item(1);
      first->Size();
      first->FileName();
      level = first->EmbeddedMsg();
      ++depth;
    }
    EXPECT_LT(depth, 100);
  }
}

TEST(MessageBadInput, AnUnreadableFileIsAnErrorNamingThePath) {
  TScratchDir dir;
  auto folder = TTestMailFolder::Create(dir.Path() + QStringLiteral("/Inbox"));
  const QString missing = dir.Path() + QStringLiteral("/Inbox/cur/1700000000.M1P1.host:2,S");
  auto mail = OpenStoredMessage(folder.get(), missing);
  try {
    mail->Subject();
    FAIL() << "no error";
  } catch (const EComError& e) {
    EXPECT_TRUE(e.Message().contains(missing)) << S(e.Message());
  }
  // A directory where a message file should be.
  const QString dirPath = dir.Path() + QStringLiteral("/Inbox/cur/1700000001.M1P1.host:2,");
  QDir().mkpath(dirPath);
  EXPECT_THROW(OpenStoredMessage(folder.get(), dirPath)->MessageClass(), EComError);
}

TEST(MessageLoose, AMessageFromAFileSavesBackToIt) {
  TScratchDir dir;
  dir.Write(QStringLiteral("m.eml"), "Subject: old\nFrom: a@b\n\nbody\n");
  auto mail = OpenLooseMessage(dir.Read(QStringLiteral("m.eml")), dir.File(QStringLiteral("m.eml")));
  EXPECT_TRUE(mail->EntryID().isEmpty());
  EXPECT_FALSE(mail->Parent());
  mail->SetSubject(QStringLiteral("new"));
  mail->Save();
  EXPECT_EQ(S(PythonReads(dir.File(QStringLiteral("m.eml")))["subject"].toString()), "new");
}

}  // namespace

namespace {

// A rewritten message keeps its place and delivery time, drops the size
// fields that no longer hold, and does not grow with every save.
TEST(MessageNames, DerivedNamesKeepThePlace) {
  using twkmaildir::DerivedUniqueName;
  const QString dovecot = QStringLiteral("1700000000.M5P7.host,S=1234,W=1260");
  const QString once = DerivedUniqueName(dovecot);
  EXPECT_TRUE(once.startsWith(QStringLiteral("1700000000.M5P7.host.TWK"))) << S(once);
  EXPECT_FALSE(once.contains(QStringLiteral("S=")));
  const QString twice = DerivedUniqueName(once);
  EXPECT_NE(twice, once);
  EXPECT_EQ(twice.count(QStringLiteral(".TWK")), 1) << S(twice);
  EXPECT_EQ(twkmaildir::DeliverySecondsOf(twice), 1700000000);
  // Between the old name and its neighbours in the same second.
  EXPECT_GT(once, QStringLiteral("1700000000.M5P7.host"));
  EXPECT_LT(once, QStringLiteral("1700000000.M5P8.host"));
  EXPECT_TRUE(DerivedUniqueName(QString()).contains(QStringLiteral(".M")));
}

}  // namespace
