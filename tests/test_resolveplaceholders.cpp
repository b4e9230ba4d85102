// Placeholder masks resolved against hand-filled mail fields.
#include "core/CheckJobDef.h"
#include "core/FilenameTools.h"
#include "core/MailFields.h"
#include "core/ResolvePlaceholders.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

std::string S(const QString& s) { return s.toStdString(); }

const QString kMsg = QStringLiteral("Export emails: Invalid mask for subfolders/filename specified");

// The mail of the examples: subject "RE: Offer 7/2", one recipient, sent
// 2023-05-07 09:04:02, in Projects directly below the source folder Inbox.
TMailFields ExampleMail() {
  TMailFields f;
  f.SetSenderName("Jane Doe");
  f.SetSenderAddress("jane@example.com");
  f.SetSubject("RE: Offer 7/2");
  f.SetMailDate(EncodeDateTime({2023, 5, 7, 9, 4, 2, 0}));
  f.AddRecipient("Bob Roe", "bob@other.org");
  return f;
}

struct TFolder {
  QString Path, Relative, Name;
};
const TFolder kProjects = {"\\\\Mailbox\\Inbox\\Projects", "Projects", "Projects"};
const TFolder kInbox = {"\\\\Mailbox\\Inbox", "", "Inbox"};

TResolvePlaceholders Prepared(const TMailFields& mail, const TFolder& folder = kProjects,
                              const QStringList& meNames = {}) {
  TResolvePlaceholders r;
  r.Prepare("winuser", "Outlook User", EncodeDateTime({2024, 1, 2, 21, 30, 5, 0}), meNames, folder.Path,
            folder.Relative, folder.Name, mail);
  return r;
}

struct TMaskCase {
  QString Mask, Expected;
};

void ExpectResolves(TResolvePlaceholders& r, std::initializer_list<TMaskCase> cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(S(c.Mask));
    try {
      EXPECT_EQ(S(r.Execute(c.Mask, kMsg)), S(c.Expected));
    } catch (const EInvalidMask& e) {
      ADD_FAILURE() << "invalid: " << S(e.Message());
    }
  }
}

TEST(ResolvePlaceholders, ExamplesOfTheExampleMail) {
  TResolvePlaceholders r = Prepared(ExampleMail());
  ExpectResolves(r, {
                        {"[EYYYY]\\[EMM]-[EDD]_[BX]", "2023\\05-07_Offer 72"},
                        {"[OR]\\[B50]", "Projects\\RE Offer 72"},
                        {"[O]", "Mailbox\\Inbox\\Projects"},
                        {"[ON]\\[SN] - [RN]", "Projects\\Jane Doe - Bob Roe"},
                        {"[SD]\\[RD]\\[SE]\\[RE]", "example.com\\other.org\\jane@example.com\\bob@other.org"},
                        {"[eyyyy][Emm][edd]-[EHH][ENN][ESS]", "20230507-090402"},
                        {"[CYYYY]-[CYY]-[CMM]-[CDD] [CHH].[CNN].[CSS]", "2024-24-01-02 21.30.05"},
                        {"[OU]\\[WU]", "Outlook User\\winuser"},
                        {"[B]]", "RE Offer 72]"},
                        {"Mails\\plain text", "Mails\\plain text"},
                        {"  a\\b  ", "a\\b"},
                        {"", ""},
                        {"x:y\\a?b*c", "xy\\abc"},
                        {" [B] . ", "RE Offer 72 ."},
                    });
}

TEST(ResolvePlaceholders, MailInTheSourceFolderItself) {
  TResolvePlaceholders r = Prepared(ExampleMail(), kInbox);
  ExpectResolves(r, {
                        {"[OR]\\[B50]", "RE Offer 72"},
                        {"x\\[OR]\\y", "x\\\\y"},
                        {"[or]", ""},
                        {"[O]", "Mailbox\\Inbox"},
                    });
}

TEST(ResolvePlaceholders, EmptyValuesFolderNamesAndDomains) {
  TMailFields mail = ExampleMail();
  mail.SetSubject("");
  mail.SetSenderAddress("/O=ORG/CN=JANE");  // an internal address without an at sign
  TResolvePlaceholders r = Prepared(mail, {"\\\\Mailbox\\Inbox\\a:b", "a:b", "???"});
  ExpectResolves(r, {
                        {"[B]", "none"},
                        {"[B]\\[BX50]", "none\\none"},
                        {"[ON]", "folder"},
                        {"[SD]", "Jane Doe"},
                        {"[O]", "Mailbox\\Inbox\\a:b"},
                        {"[OR]", "a:b"},
                    });

  mail.SetSenderName("");
  mail.SetSubject(" . .. . ");
  TResolvePlaceholders r2 = Prepared(mail);
  ExpectResolves(r2, {{"[SD]", "O=ORGCN=JANE"}, {"[B]", "none"}});

  // Sent on behalf of someone: that one is the sender.
  mail.SetSentOnBehalfOfName("Boss");
  mail.SetSentOnBehalfOfAddress("boss@corp.example");
  TResolvePlaceholders r3 = Prepared(mail);
  ExpectResolves(r3, {{"[SN] [SE] [SD]", "Boss boss@corp.example corp.example"}});

  TMailFields noRecipient = ExampleMail();
  noRecipient.RecipientNames().clear();
  noRecipient.RecipientAddresses().clear();
  TResolvePlaceholders r4 = Prepared(noRecipient);
  ExpectResolves(r4, {{"[RN]\\[RE]\\[RD]\\[NN]", "none\\none\\none\\none"}});
}

TEST(ResolvePlaceholders, DateParts) {
  struct TCase {
    TDateTime Date;
    QString Expected;
  } cases[] = {
      {0, "0000 00 00 00 00 00 00"},
      {EncodeDateTime({2005, 11, 3, 21, 30, 0, 0}), "2005 05 11 03 21 30 00"},
      {EncodeDateTime({1999, 12, 31, 23, 59, 59, 999}), "1999 99 12 31 23 59 59"},
      {EncodeDateTime({1, 1, 1, 0, 0, 0, 0}), "0001 01 01 01 00 00 00"},
  };
  for (const auto& c : cases) {
    TMailFields mail = ExampleMail();
    mail.SetMailDate(c.Date);
    TResolvePlaceholders r = Prepared(mail);
    EXPECT_EQ(S(r.Execute("[EYYYY] [EYY] [EMM] [EDD] [EHH] [ENN] [ESS]", kMsg)), S(c.Expected));
  }
}

TEST(ResolvePlaceholders, SubjectCutsAndPrefixes) {
  const QString emoji = QString::fromUtf16(u"\U0001F600");
  const QString first50EndingInBlank = QString(49, 'x') + " " + QString(10, 'y');
  struct TCase {
    QString Subject, Mask, Expected;
  } cases[] = {
      {first50EndingInBlank, "[B50]", QString(49, 'x')},
      {"RE: AW: FW: Offer", "[BX]", "Offer"},
      {"Re:Offer", "[BX]", "Offer"},
      {"Fwd: Offer", "[BX]", "Fwd Offer"},
      {"RE : Offer", "[BX]", "RE  Offer"},
      {"R2: Offer", "[BX]", "R2 Offer"},
      {QString::fromUtf16(u"ΑΠ: Προσφορά"), "[BX]", QString::fromUtf16(u"Προσφορά")},
      {emoji.repeated(60), "[B50]", emoji.repeated(50)},
      {"RE: " + QString(60, 'z'), "[BX50]", QString(50, 'z')},
      {"  \tRE:   Offer  ", "[BX]", "Offer"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(S(c.Subject));
    TMailFields mail = ExampleMail();
    mail.SetSubject(c.Subject);
    TResolvePlaceholders r = Prepared(mail);
    EXPECT_EQ(r.Execute(c.Mask, kMsg), c.Expected);
  }
}

TEST(ResolvePlaceholders, TextHelpers) {
  const QPair<QString, QString> domains[] = {
      {"a@b.com", "b.com"}, {"a@B.Com", "B.Com"}, {"@b.com", ""},   {"a@", ""},         {"a@b@c", ""},
      {"a@b.com.", ""},     {"a@ b.com", ""},     {"a@b:com", ""},  {"no-at-sign", ""}, {"", ""},
  };
  for (const auto& [in, out] : domains) EXPECT_EQ(S(ExtractMailDomain(in)), S(out)) << S(in);

  const QString emoji = QString::fromUtf16(u"\U0001F600");
  EXPECT_EQ(FirstChars("a" + emoji + "b", 2), "a" + emoji);
  EXPECT_EQ(FirstChars("abc", 5), "abc");
  EXPECT_EQ(FirstChars("abc", 0), "");

  const struct {
    QString P, Text, Expected;
  } clean[] = {
      {"a\\", ".b", "a\\b"},
      {"x", "\\..\\y", "x\\y"},
      {"x \\ ", " . \\\\y", "x\\y"},
      {"", "a\\\\\\b", "a\\b"},
      {"a.b", " c", "a.b c"},
  };
  for (const auto& c : clean) EXPECT_EQ(S(AppendCleanPath(c.P, c.Text)), S(c.Expected)) << S(c.P + c.Text);
}

TEST(ResolvePlaceholders, AttachmentValues) {
  const QString emoji = QString::fromUtf16(u"\U0001F600");
  struct TCase {
    QString Name, Expected;
  } cases[] = {
      {"report.final.PDF", "report.final\\PDF\\rP\\report.final.PDF"},
      {"README", "README\\none\\R\\README"},
      {"", "none\\none\\none\\none"},
      {emoji + "x.txt", emoji + "x\\txt\\" + emoji + "t\\" + emoji + "x.txt"},
      {"a:b?.t|xt", "ab\\txt\\at\\ab.txt"},
  };
  TResolvePlaceholders r = Prepared(ExampleMail());
  for (const auto& c : cases) {
    SCOPED_TRACE(S(c.Name));
    EXPECT_EQ(r.Execute("[F]\\[E]\\[F1][E1]\\[FE]", kMsg, c.Name), c.Expected);
  }
  // The plain overload turns the attachment placeholders off again.
  EXPECT_THROW(r.Execute("[FE]", kMsg), EInvalidMask);
}

TEST(ResolvePlaceholders, CheckMaskAndTheMaskHelpers) {
  const QString rejected[] = {"a\\\\b", "a\\ b", "a \\b", "a\\.b", "a.\\b", "a]b[B]", "[B", "x[B]y[SN",
                              "[XYZ]",  "[]",    "[ B]",  "[FE]",  "[OR]\\[f1]"};
  for (const QString& m : rejected) {
    SCOPED_TRACE(S(m));
    EXPECT_FALSE(IsValidMask(m, false));
  }
  const QString accepted[] = {"", "[B]]", "plain text", "[OR]\\[BX50]", "[eyyyy]\\[SN]", "\\[O]\\"};
  for (const QString& m : accepted) {
    SCOPED_TRACE(S(m));
    EXPECT_TRUE(IsValidMask(m, false));
    EXPECT_TRUE(IsValidMask(m, true));
  }
  EXPECT_TRUE(IsValidMask("[OR]\\[FE]", true));
  EXPECT_TRUE(IsValidMask("[f]-[E1]", true));

  TResolvePlaceholders r = Prepared(ExampleMail());
  try {
    r.Execute("[XYZ]", kMsg);
    FAIL() << "no error";
  } catch (const EInvalidMask& e) {
    EXPECT_EQ(S(e.Message()), S(kMsg));
  }

  const QPair<QString, bool> own[] = {{"[OR]\\[nn]", true}, {"[ME]", true}, {"x[Ne]", true}, {"[mN]", true},
                                      {"[SN]\\[RE]", false}, {"MN ME", false}, {"", false}};
  for (const auto& [mask, uses] : own) EXPECT_EQ(MaskUsesOwnAddresses(mask), uses) << S(mask);
}

TEST(ResolvePlaceholders, OwnAddressRule) {
  const QStringList me = {"*@mycompany.com"};
  TMailFields sent;
  sent.SetSenderName("Me Myself");
  sent.SetSenderAddress("me@mycompany.com");
  sent.AddRecipient("Colleague", "col@mycompany.com");
  sent.AddRecipient("Client", "client@other.com");

  TMailFields received;
  received.SetSenderName("Client");
  received.SetSenderAddress("client@other.com");
  received.AddRecipient("Someone", "s@x.org");
  received.AddRecipient("Me Myself", "ME@MyCompany.com");

  TMailFields receivedNoMatch = received;
  receivedNoMatch.RecipientNames().removeLast();
  receivedNoMatch.RecipientAddresses().removeLast();

  struct TCase {
    const char* What;
    TMailFields Mail;
    QStringList MeNames;
    QString Expected;  // [MN]+[ME]+[NN]+[NE]
  } cases[] = {
      {"sent", sent, me, "Me Myself+me@mycompany.com+Client+client@other.com"},
      {"received", received, me, "Me Myself+ME@MyCompany.com+Client+client@other.com"},
      {"received, no recipient mine", receivedNoMatch, me, "Someone+s@x.org+Client+client@other.com"},
      {"empty list: every mail is sent", received, {}, "Client+client@other.com+Someone+s@x.org"},
      {"star: every mail is mine", received, {"*"}, "Client+client@other.com+Someone+s@x.org"},
      {"sent, all recipients mine", sent, {"*@mycompany.com", "client*"}, "Me Myself+me@mycompany.com+Colleague+col@mycompany.com"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TResolvePlaceholders r = Prepared(c.Mail, kProjects, c.MeNames);
    EXPECT_EQ(S(r.Execute("[MN]+[ME]+[NN]+[NE]", kMsg)), S(c.Expected));
  }
}

TEST(ResolvePlaceholders, FolderNamesNeverLeaveTheDestination) {
  const TFolder hostile[] = {
      {"\\\\Mailbox\\..\\..\\etc", "..\\..\\etc", ".."},
      {"\\\\Mailbox\\a/../../etc", "a/../../etc", "a/../../etc"},
      {"\\\\Mailbox\\ .. \\x", " .. \\x", " .. "},
  };
  for (const auto& f : hostile) {
    SCOPED_TRACE(S(f.Path));
    TResolvePlaceholders r = Prepared(ExampleMail(), f);
    for (const char* mask : {"[O]\\[B]", "[OR]\\[B]", "[ON]\\[B]"}) {
      const QString path = JoinPath("/dest", r.Execute(mask, kMsg));
      EXPECT_TRUE(QDir::cleanPath(path).startsWith("/dest/")) << S(path);
      EXPECT_FALSE(path.split('/').contains("..")) << S(path);
    }
  }
  // Dots from the mask itself, or left when a value is empty.
  TMailFields noSubject = ExampleMail();
  noSubject.SetSubject("");
  TResolvePlaceholders r = Prepared(noSubject);
  ExpectResolves(r, {{"..", "none"}, {".", "none"}, {"[B].", "none"}, {"[B].x", ".x"}});
}

}  // namespace
