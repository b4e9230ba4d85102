// The mail-fields class and the message-class tests (reading from a store
// is tested with the store component).
#include "core/MailFields.h"

#include "tests/support/TestSupport.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

TEST(MailFields, CreateClearAndCopy) {
  TMailFields f;
  EXPECT_FALSE(f.SignedOrEncrypted());
  EXPECT_EQ(f.MailDate(), 0);
  EXPECT_TRUE(f.Subject().isEmpty() && f.RecipientNames().isEmpty() && f.AttachmentNames().isEmpty());

  f.SetSignedOrEncrypted(true);
  f.SetSenderName("Jane");
  f.SetSenderAddress("jane@example.com");
  f.SetSentOnBehalfOfName("Boss");
  f.SetSentOnBehalfOfAddress("boss@example.com");
  f.SetSubject(" RE: x ");
  f.SetMailDate(45000.5);
  f.SetMsgID("<id@x>");
  f.AddRecipient("Bob", "bob@x");
  f.AttachmentNames() << "a.pdf" << "";

  TMailFields copy;
  copy.Assign(f);
  copy.RecipientNames()[0] = "changed";
  EXPECT_EQ(f.RecipientNames()[0], "Bob");  // deep copy
  EXPECT_EQ(copy.Subject(), " RE: x ");     // strings kept as delivered
  EXPECT_EQ(copy.AttachmentNames(), QStringList({"a.pdf", ""}));

  f.Clear();
  EXPECT_FALSE(f.SignedOrEncrypted());
  EXPECT_EQ(f.MailDate(), 0);
  for (const QString& s : {f.SenderName(), f.SenderAddress(), f.SentOnBehalfOfName(), f.SentOnBehalfOfAddress(),
                           f.Subject(), f.MsgID()})
    EXPECT_TRUE(s.isEmpty());
  EXPECT_TRUE(f.RecipientNames().isEmpty() && f.RecipientAddresses().isEmpty() && f.AttachmentNames().isEmpty());
}

TEST(MailFields, RecipientListsStayAligned) {
  TMailFields f;
  f.AddRecipient("Bob", "");
  f.AddRecipient("", "");  // neither: left out
  f.AddRecipient("", "x@y");
  EXPECT_EQ(f.RecipientNames(), QStringList({"Bob", ""}));
  EXPECT_EQ(f.RecipientAddresses(), QStringList({"", "x@y"}));
}

TEST(MailFields, MessageClasses) {
  struct TCase {
    const char* Class;
    bool Mail, Secure;
  } cases[] = {
      {"IPM.Note", true, false},
      {"  IPM.Post  ", true, false},
      {"ipm.note.smime.multipartsigned", true, true},
      {"IPM.Note.SMIME.MultipartSigned", true, true},
      {"IPM.Note.SMIME", true, true},
      {"IPM.Note.Secure.Sign", true, true},
      {"IPM.Post.SMIME", true, true},
      {"IPM.Post.Secure", true, true},
      {"IPM.NoteX", true, false},
      {"IPM.Notes.SMIME", true, false},
      {"\tIPM.NOTE.SMIME\r\n", true, true},
      {"IPM", false, false},
      {"", false, false},
      {"REPORT.IPM.Note.NDR", false, false},
      {"IPM.Schedule.Meeting.Request", false, false},
      {"IPM.Contact", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Class);
    EXPECT_EQ(IsMailClass(c.Class), c.Mail);
    EXPECT_EQ(IsSignedOrEncryptedClass(c.Class), c.Secure);
  }
}

// In a Turkish locale the locale's lower case of "IPM" is "ıpm" (dotless);
// the class tests must not depend on it. The table runs again in that locale.
TEST(MailFields, MessageClassesInATurkishLocale) {
  if (QLocale::system().name() == QStringLiteral("tr_TR")) GTEST_SKIP() << "this is the Turkish run";
  ASSERT_NE(QLocale(QStringLiteral("tr_TR")).toLower(QStringLiteral("IPM")), QStringLiteral("ipm"));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("LC_ALL"), QStringLiteral("tr_TR.UTF-8"));
  env.insert(QStringLiteral("LANG"), QStringLiteral("tr_TR.UTF-8"));
  const TRunResult r = RunProgram(QStringLiteral("/proc/self/exe"),
                                  {QStringLiteral("--gtest_filter=MailFields.MessageClasses")}, {}, env);
  EXPECT_EQ(r.ExitCode, 0) << r.Stdout.toStdString() << r.Stderr.toStdString();
  EXPECT_TRUE(r.Stdout.contains("[  PASSED  ] 1 test")) << r.Stdout.toStdString();
}

}  // namespace
