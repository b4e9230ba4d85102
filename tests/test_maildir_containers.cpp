// Files that other parts of an e-mail carry: the files of a TNEF stream
// (winmail.dat, written here by tests/tools/tnefwriter.py from the format's
// structure and read back with Debian's `tnef` as an independent reader)
// and uuencoded blocks in a plain text.
#include "support/TestSupport.h"
#include "twktools/maildir/Backend.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

std::string S(const QString& s) { return s.toStdString(); }

struct TNamedBytes {
  QString Name;
  QByteArray Data;
};

std::vector<TNamedBytes> Attachments(IRDOMail* mail) {
  std::vector<TNamedBytes> out;
  TwkPtr<IRDOAttachments> atts = mail->Attachments();
  for (int i = 1; i <= atts->Count(); ++i) {
    TwkPtr<IRDOAttachment> a = atts->Item(i);
    out.push_back({a->FileName(), a->Data()});
    EXPECT_EQ(a->Size(), a->Data().size());
  }
  return out;
}

// A TNEF stream from a spec of tnefwriter.py.
QByteArray WriteTnef(const TScratchDir& dir, const QJsonObject& spec) {
  dir.Write(QStringLiteral("spec.json"), QJsonDocument(spec).toJson());
  const TRunResult r = RunProgram(DebianPython(), {TestToolPath(QStringLiteral("tnefwriter.py")),
                                                   dir.File(QStringLiteral("spec.json")), dir.File(QStringLiteral("winmail.dat"))});
  EXPECT_EQ(r.ExitCode, 0) << r.Stderr.constData();
  return dir.Read(QStringLiteral("winmail.dat"));
}

// As Outlook sends it to a mail program outside Exchange: an optional plain
// text, then the TNEF stream as application/ms-tnef.
QByteArray OutlookTnefMail(const QByteArray& tnef, bool withText) {
  QByteArray m = "From: Otto Brandt <otto@example.at>\nTo: team@example.org\nSubject: Quarterly\n"
                 "Date: Tue, 12 Mar 2024 11:46:00 +0100\nMessage-ID: <000001da7461$2a3b4c50$@example.at>\n"
                 "MIME-Version: 1.0\nX-Mailer: Microsoft Outlook 16.0\n"
                 "Content-Type: multipart/mixed; boundary=\"----=_NextPart_000_0001_01DA7461.2A3B4C50\"\n\n"
                 "This is a multipart message in MIME format.\n\n";
  if (withText)
    m += "------=_NextPart_000_0001_01DA7461.2A3B4C50\nContent-Type: text/plain; charset=\"us-ascii\"\n"
         "Content-Transfer-Encoding: 7bit\n\nThe plain text Plainword\n\n";
  m += "------=_NextPart_000_0001_01DA7461.2A3B4C50\nContent-Type: application/ms-tnef; name=\"winmail.dat\"\n"
       "Content-Transfer-Encoding: base64\nContent-Disposition: attachment; filename=\"winmail.dat\"\n\n";
  const QByteArray b64 = tnef.toBase64();
  for (qsizetype i = 0; i < b64.size(); i += 76) m += b64.mid(i, 76) + '\n';
  return m + "\n------=_NextPart_000_0001_01DA7461.2A3B4C50--\n";
}

QJsonObject TwoFileSpec() {
  return QJsonObject{
      {"subject", "Quarterly"},
      {"body", "See the report. Tnefbodyword\r\n"},
      {"files", QJsonArray{QJsonObject{{"title", "QUARTE~1.PDF"},
                                       {"long", "Quarterly report.pdf"},
                                       {"data_hex", QString::fromLatin1(QByteArray("%PDF-1.4\n%%EOF\n").toHex())},
                                       {"modified", QJsonArray{2024, 3, 12, 11, 45, 30}}},
                           QJsonObject{{"title", "notes.txt"},
                                       {"data_hex", QString::fromLatin1(QByteArray("notes\n").toHex())},
                                       {"modified", QJsonArray{2023, 12, 31, 23, 59, 58}}}}}};
}

}  // namespace

TEST(Containers, TnefFilesAreTheAttachments) {
  TScratchDir dir;
  const QByteArray tnef = WriteTnef(dir, TwoFileSpec());
  // The independent reader sees the stream as written: names, sizes, dates.
  const TRunResult listing = RunProgram(QStringLiteral("tnef"), {QStringLiteral("--list"), QStringLiteral("-v"),
                                                                 dir.File(QStringLiteral("winmail.dat"))});
  ASSERT_EQ(listing.ExitCode, 0) << listing.Stderr.constData();
  EXPECT_TRUE(listing.Stdout.contains("2024/03/12 11:45:30\t|\tQuarterly report.pdf")) << listing.Stdout.constData();
  EXPECT_TRUE(listing.Stdout.contains("2023/12/31 23:59:58\t|\tnotes.txt")) << listing.Stdout.constData();

  for (const bool withText : {true, false}) {
    SCOPED_TRACE(withText);
    TwkPtr<IRDOMail> mail = twkmaildir::OpenLooseMessage(OutlookTnefMail(tnef, withText), QString());
    const auto atts = Attachments(mail.get());
    ASSERT_EQ(atts.size(), 2u);
    EXPECT_EQ(S(atts[0].Name), "Quarterly report.pdf");
    EXPECT_EQ(atts[0].Data, QByteArray("%PDF-1.4\n%%EOF\n"));
    EXPECT_EQ(S(atts[1].Name), "notes.txt");
    EXPECT_EQ(atts[1].Data, QByteArray("notes\n"));
    // The stream's text is the body only when there is no other.
    EXPECT_EQ(S(mail->Body()), withText ? "The plain text Plainword\n" : "See the report. Tnefbodyword\r\n");
    // A saved file keeps the date the stream gives it.
    TwkPtr<IRDOAttachment> pdf = mail->Attachments()->Item(1);
    pdf->SaveAsFile(dir.File(QStringLiteral("out.pdf")));
    EXPECT_EQ(dir.Read(QStringLiteral("out.pdf")), QByteArray("%PDF-1.4\n%%EOF\n"));
    EXPECT_EQ(QFileInfo(dir.File(QStringLiteral("out.pdf"))).lastModified().toUTC(),
              QDateTime(QDate(2024, 3, 12), QTime(11, 45, 30), Qt::UTC));
    EXPECT_EQ(S(pdf->MimeType()), "application/pdf");
    // A file inside the stream cannot be taken out alone: the e-mail stays whole.
    EXPECT_THROW(pdf->Delete(), EComError);
    EXPECT_EQ(mail->Attachments()->Count(), 2);
  }
}

// A damaged stream, or one that is no TNEF at all: one ordinary attachment
// with the original bytes.
TEST(Containers, DamagedTnefStaysOneAttachment) {
  TScratchDir dir;
  const QByteArray whole = WriteTnef(dir, TwoFileSpec());
  // An item that is no file (an attached e-mail) cannot be shown as a file:
  // the stream stays whole rather than lose it.
  QJsonObject withItem = TwoFileSpec();
  QJsonArray files = withItem["files"].toArray();
  files.append(QJsonObject{{"title", "Forwarded mail"}});
  withItem["files"] = files;
  const QByteArray itemStream = WriteTnef(dir, withItem);
  // Found by fuzzing: an attachment's attributes without the attribute that
  // begins an attachment (libytnef keeps and leaks what they give it).
  QFile stray(SourcePath(QStringLiteral("tests/fixtures/mime/tnef-stray-attribute.dat")));
  EXPECT_TRUE(stray.open(QIODevice::ReadOnly));
  const QList<QByteArray> damaged = {whole.left(whole.size() / 2), whole.left(7), QByteArray("not a TNEF stream"),
                                     whole.left(6) + QByteArray(64, '\xff'), itemStream, stray.readAll()};
  for (const QByteArray& bytes : damaged) {
    SCOPED_TRACE(bytes.size());
    TwkPtr<IRDOMail> mail = twkmaildir::OpenLooseMessage(OutlookTnefMail(bytes, true), QString());
    const auto atts = Attachments(mail.get());
    ASSERT_EQ(atts.size(), 1u);
    EXPECT_EQ(S(atts[0].Name), "winmail.dat");
    EXPECT_EQ(atts[0].Data, bytes);
    EXPECT_EQ(S(mail->Body()), "The plain text Plainword\n");
  }
}

TEST(Containers, UuencodedBlocksAreAttachmentsAndTheBodyKeepsTheRest) {
  QFile f(SourcePath(QStringLiteral("tests/fixtures/mime/uuencoded-post.eml")));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray source = f.readAll();
  TwkPtr<IRDOMail> mail = twkmaildir::OpenLooseMessage(source, QString());
  const auto atts = Attachments(mail.get());
  ASSERT_EQ(atts.size(), 2u);
  EXPECT_EQ(S(atts[0].Name), "minutes.txt");
  EXPECT_EQ(atts[0].Data, QByteArray("Minutes of the meeting\r\n1. Budget\r\n2. Plan\r\n").repeated(3));
  // The block without its "end" line stays as it stands.
  EXPECT_EQ(S(atts[1].Name), "broken.bin");
  EXPECT_EQ(atts[1].Data, source.mid(source.indexOf("begin 644 broken.bin")));
  const QString body = mail->Body();
  EXPECT_TRUE(body.contains(QStringLiteral("Beforeblockword"))) << S(body);
  EXPECT_TRUE(body.contains(QStringLiteral("Regards, Lena Afterblockword"))) << S(body);
  EXPECT_FALSE(body.contains(QStringLiteral("begin 644"))) << S(body);
  EXPECT_FALSE(body.contains(QStringLiteral("M36EN"))) << S(body);
}
