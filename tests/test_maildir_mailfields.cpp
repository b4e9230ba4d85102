// The mail fields of real stored messages: what filters, masks and logs see.
#include "core/DateTimeUtils.h"
#include "core/MailFields.h"
#include "tests/support/TestSupport.h"
#include "twktools/session/Session.h"

#include <QDir>
#include <gtest/gtest.h>
#include <cmath>

namespace {

struct TStored {
  const char* FileName;  // in cur/; the leading number is the delivery time
  const char* Bytes;
};

const TStored kMessages[] = {
    {"1700000000.M1P1.host:2,S",
     "Received: from a by b; Mon, 01 Jan 2024 10:00:00 +0000\r\n"
     "Received: from c by d; Tue, 02 Jan 2024 11:00:00 +0000\r\n"
     "From: Jane Doe <jane@example.org>\r\n"
     "To: Bob <bob@example.com>, Friends: ann@example.net, Carl <carl@example.net>;\r\n"
     "Cc: dora@example.com\r\n"
     "Subject: =?UTF-8?Q?Gr=C3=BC=C3=9Fe?=\r\n"
     "Date: Sun, 07 May 2023 09:04:02 +0000\r\n"
     "message-id:   <first@example.org>  \r\n"
     "Message-ID: <second@example.org>\r\n"
     "MIME-Version: 1.0\r\n"
     "Content-Type: multipart/mixed; boundary=b1\r\n\r\n"
     "--b1\r\nContent-Type: multipart/related; boundary=b2\r\n\r\n"
     "--b2\r\nContent-Type: text/html\r\n\r\n<p>Hi <img src=\"cid:img1\"></p>\r\n"
     "--b2\r\nContent-Type: image/png\r\nContent-ID: <img1>\r\nContent-Disposition: inline; filename=pic.png\r\n\r\nPNG\r\n"
     "--b2--\r\n"
     "--b1\r\nContent-Type: application/pdf; name=doc.pdf\r\nContent-Disposition: attachment; filename=doc.pdf\r\n\r\n%PDF\r\n"
     "--b1\r\nContent-Type: message/rfc822\r\n\r\nFrom: x@example.org\r\nSubject: inner\r\n\r\ninner body\r\n"
     "--b1--\r\n"},
    {"1700000100.M2P1.host:2,DS",
     "From: Jane Doe <jane@example.org>\r\nTo: bob@example.com\r\nSubject: Draft\r\n"
     "Date: Sun, 07 May 2023 09:04:02 +0000\r\nMessage-ID: <draft@example.org>\r\n\r\nnot sent yet\r\n"},
    {"1700000200.M3P1.host:2,",
     "From: Boss <boss@example.org>\r\nSender: Assistant <assist@example.org>\r\nTo: team@example.org\r\n"
     "Subject: Delegated\r\nMessage-ID:\r\n <folded@example.org>\r\n\r\nbody\r\n"},
};

class MailFieldsInStore : public ::testing::Test {
protected:
  void SetUp() override {
    const QString root = FDir.Path() + QStringLiteral("/Mail");
    for (const char* sub : {"cur", "new", "tmp"}) QDir().mkpath(root + QLatin1Char('/') + QLatin1String(sub));
    for (const TStored& m : kMessages)
      FDir.Write(QStringLiteral("Mail/cur/") + QLatin1String(m.FileName), QByteArray(m.Bytes));
    qputenv("MAILDIR", root.toUtf8());
    FSession = TwkPtr<IRDOSession>::Adopt(new twksession::TSession);
    FSession->Logon();
  }
  TMailFields Fields(int index) {
    TMailFields f;
    f.FillFromMail(FSession->GetDefaultFolder(olFolderInbox)->Items()->Item(index).get());
    return f;
  }
  static double Utc(int y, int mo, int d, int h, int mi, int s) {
    return DateTimeFromUnixTime(QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC).toSecsSinceEpoch());
  }

  TIsolatedUser FUser;
  TScratchDir FDir;
  TwkPtr<IRDOSession> FSession;
};

}  // namespace

TEST_F(MailFieldsInStore, ReceivedMail) {
  const TMailFields f = Fields(1);
  EXPECT_FALSE(f.SignedOrEncrypted());
  EXPECT_EQ(f.SenderName(), QStringLiteral("Jane Doe"));
  EXPECT_EQ(f.SenderAddress(), QStringLiteral("jane@example.org"));
  // Without a Sender: header the mail was sent by its From: on its own behalf.
  EXPECT_EQ(f.SentOnBehalfOfAddress(), QStringLiteral("jane@example.org"));
  EXPECT_EQ(f.Subject(), QStringLiteral("Grüße"));
  // The sent time wins over the received time.
  EXPECT_NEAR(f.MailDate(), Utc(2023, 5, 7, 9, 4, 2), 1e-6);
  // The first Message-ID line, its own case, trimmed, brackets kept.
  EXPECT_EQ(f.MsgID(), QStringLiteral("<first@example.org>"));
  // To: and Cc: in order, the group expanded; the two lists aligned.
  EXPECT_EQ(f.RecipientAddresses(), (QStringList{"bob@example.com", "ann@example.net", "carl@example.net", "dora@example.com"}));
  EXPECT_EQ(f.RecipientNames().size(), f.RecipientAddresses().size());
  EXPECT_EQ(f.RecipientNames().first(), QStringLiteral("Bob"));
  // The inline picture the HTML references is hidden; the attached mail is listed.
  ASSERT_EQ(f.AttachmentNames().size(), 2) << f.AttachmentNames().join(QLatin1Char('|')).toStdString();
  EXPECT_EQ(f.AttachmentNames()[0], QStringLiteral("doc.pdf"));
  EXPECT_FALSE(f.AttachmentNames().contains(QStringLiteral("pic.png")));
}

TEST_F(MailFieldsInStore, DraftHasNoSenderAndTheDeliveryTime) {
  const TMailFields f = Fields(2);
  EXPECT_TRUE(f.SenderName().isEmpty());
  EXPECT_TRUE(f.SenderAddress().isEmpty());
  EXPECT_TRUE(f.SentOnBehalfOfName().isEmpty());
  // Not sent: no Received: header, so the delivery time of the unique name.
  EXPECT_NEAR(f.MailDate(), DateTimeFromUnixTime(1700000100), 1e-6);
  // A draft carries no transport headers, so no message ID.
  EXPECT_TRUE(f.MsgID().isEmpty());
}

TEST_F(MailFieldsInStore, DelegateAndFoldedMessageID) {
  const TMailFields f = Fields(3);
  EXPECT_EQ(f.SenderAddress(), QStringLiteral("assist@example.org"));
  EXPECT_EQ(f.SentOnBehalfOfName(), QStringLiteral("Boss"));
  EXPECT_EQ(f.SentOnBehalfOfAddress(), QStringLiteral("boss@example.org"));
  // Only the Message-ID line itself is read: a folded value gives nothing.
  EXPECT_TRUE(f.MsgID().isEmpty());
  EXPECT_TRUE(f.AttachmentNames().isEmpty());
}
