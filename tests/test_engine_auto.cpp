// The automatic run on one new e-mail, in-process on a real Maildir store
// written by the independent writer: the mask splitting, the four inbox
// conditions, the first matching task ending the list, errors inside the
// task guard, and the Inbox's values in the placeholders.
#include "core/EmailProcessor.h"
#include "core/JobDefJson.h"
#include "core/RDOSession.h"
#include "core/uRedemptionLoader.h"
#include "test_engine_fixture.h"

namespace {

TEST(SplitMasks, PiecesTrimmedAndEmptyOrStarOnlyPiecesDropped) {
  const struct {
    const char* Text;
    QStringList Masks;
  } cases[] = {
      {"", {}},
      {"*", {}},
      {" ; * ;**;\t", {}},
      {"a@b.c", {"a@b.c"}},
      {" alice* ;; *;\x01" "bob?\x1f;", {"alice*", "bob?"}},
      {"*.pdf;x*y;*a", {"*.pdf", "x*y", "*a"}},
      {"one two ; three", {"one two", "three"}},
  };
  for (const auto& c : cases) {
    QStringList list{"left over"};
    SplitMasks(QString::fromUtf8(c.Text), list);
    EXPECT_EQ(list, c.Masks) << c.Text;
  }
}

class EngineAuto : public TEngineTest {
protected:
  void SetUp() override {
    qputenv("MAILDIR", Store().toUtf8());
    qunsetenv("TWK_PROFILE");
  }

  // Logs on to the store as it is on disk now. One loader for the whole
  // program: the component's mail library cannot be loaded twice.
  void LogOn() {
    FSession = std::make_unique<TRDOSession>();
    GlobalRedemptionLoader().SetDllLocation64Bit(BinPath(QStringLiteral("TWKtools64.so")));
    FSession->ConnectTo(GlobalRedemptionLoader().new_RDOSession());
    FSession->Logon();
  }
  // The Inbox's e-mail with this subject.
  TwkPtr<IRDOMail> Mail(const QString& subject) {
    const TwkPtr<IRDOItems> items = (*FSession)->GetDefaultFolder(olFolderInbox)->Items();
    for (int i = 1; i <= items->Count(); ++i) {
      TwkPtr<IRDOMail> m = items->Item(i);
      if (m->Subject() == subject) return m;
    }
    ADD_FAILURE() << "no e-mail " << subject.toStdString();
    return {};
  }

  // An inbox task list from its JSON form ("Tasks" only; Active is not
  // consulted by the engine).
  static TJobDefList_Inbox Tasks(const QJsonArray& tasks) {
    return InboxListFromJson(Json(QJsonObject{{"Tasks", tasks}}), QStringLiteral("test"));
  }
  // A task exporting the e-mail as .eml into dir, named by mask.
  static QJsonObject EmlTask(const QJsonObject& filter, const QString& dir, const QString& mask = "[B]") {
    return QJsonObject{{"InboxFilter", filter},
                       {"ExportEmails", true},
                       {"JobDef_ExportEmails",
                        QJsonObject{{"EmailFormat", "efEML"}, {"DestFolder", dir}, {"SubFolderMask", mask}}}};
  }

  // Runs the tasks on the e-mail with this subject, with a fresh processor.
  std::unique_ptr<TEmailProcessor> Run(const QString& subject, const TJobDefList_Inbox& list) {
    auto p = std::make_unique<TEmailProcessor>();
    p->SetRDOSession(FSession->Intf());
    const TwkPtr<IRDOMail> mail = Mail(subject);
    if (mail) p->ExecuteAuto(mail.get(), list);
    return p;
  }

  // Three e-mails covering senders, recipients, subjects and attachments.
  static QJsonArray FilterStore() {
    return QJsonArray{
        QJsonObject{{"subject", "Invoice; March"},
                    {"from", "Alice Smith <alice@example.org>"},
                    {"to", "Bob <bob@example.org>, Carol <carol@example.com>"},
                    {"atts", QJsonArray{Att("bill.PDF", 100, 1, "application/pdf")}}},
        QJsonObject{{"subject", "REPORT WEEKLY"}, {"from", "Dave <dave@example.net>"}, {"to", ""}},
        QJsonObject{{"subject", "plain"}, {"from", "Eve <eve@example.net>"}, {"to", "Frank <frank@example.org>"}},
    };
  }

  std::unique_ptr<TRDOSession> FSession;
};

TEST_F(EngineAuto, InboxFilterConditions) {
  WriteStore(QJsonObject{{"Inbox", FilterStore()}});
  LogOn();
  const struct {
    const char* Name;
    QJsonObject Filter;
    const char* Subject;
    bool Matches;
  } cases[] = {
      {"no condition takes every e-mail", {}, "REPORT WEEKLY", true},
      {"a lone * and empty pieces impose nothing", {{"SenderMasks", " ; * ;;"}}, "REPORT WEEKLY", true},
      {"the pieces left are tested", {{"SenderMasks", " ; * ;alice@*"}}, "REPORT WEEKLY", false},
      {"sender by address", {{"SenderMasks", " ; * ;alice@*"}}, "Invoice; March", true},
      {"sender by name, case ignored", {{"SenderMasks", "nobody;ALICE SMITH"}}, "Invoice; March", true},
      {"sender masks anchored at both ends", {{"SenderMasks", "alice"}}, "Invoice; March", false},
      {"second recipient by address", {{"RecipientMasks", "carol@*"}}, "Invoice; March", true},
      {"recipient by name", {{"RecipientMasks", "x;bob"}}, "Invoice; March", true},
      {"no recipients fail a recipient condition", {{"RecipientMasks", "*@*"}}, "REPORT WEEKLY", false},
      {"a recipient mask of * alone imposes nothing", {{"RecipientMasks", "*"}}, "REPORT WEEKLY", true},
      {"no recipient matches", {{"RecipientMasks", "carol@*"}}, "plain", false},
      {"a ; in the subject mask is literal", {{"SubjectMask", "*; March"}}, "Invoice; March", true},
      {"the subject mask is one mask, not split", {{"SubjectMask", "invoice;*"}}, "plain", false},
      {"lower-case subject mask, upper-case subject", {{"SubjectMask", "report*"}}, "REPORT WEEKLY", true},
      {"subject anchored", {{"SubjectMask", "report"}}, "REPORT WEEKLY", false},
      {"attachment name, case ignored", {{"AttNameMasks", "*.doc; *.pdf"}}, "Invoice; March", true},
      {"no attachment fails an attachment condition", {{"AttNameMasks", "*.pdf"}}, "plain", false},
      {"an attachment mask of * alone imposes nothing", {{"AttNameMasks", "*"}}, "plain", true},
      {"every condition must hold",
       {{"SenderMasks", "alice@*"}, {"SubjectMask", "Invoice*"}, {"AttNameMasks", "*.zip"}},
       "Invoice; March",
       false},
      {"all four hold",
       {{"SenderMasks", "alice@*"}, {"RecipientMasks", "bob"}, {"SubjectMask", "Invoice*"}, {"AttNameMasks", "bill.*"}},
       "Invoice; March",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    QDir(Export()).removeRecursively();
    const auto p = Run(QString::fromUtf8(c.Subject), Tasks({EmlTask(c.Filter, Export())}));
    EXPECT_EQ(p->CountFoldersInspected(), 1);
    EXPECT_EQ(p->CountItemsInspected(), 1);
    EXPECT_EQ(p->CountEmailsProcessed(), c.Matches ? 1 : 0);
    EXPECT_EQ(p->CountEmailsExported(), c.Matches ? 1 : 0);
    EXPECT_EQ(Files(Export()).size(), c.Matches ? 1 : 0);
    EXPECT_EQ(p->MailErrors(), QStringList());
    EXPECT_EQ(p->ManualResults(), QStringList());
  }
}

TEST_F(EngineAuto, FirstMatchingTaskEndsTheList) {
  WriteStore(QJsonObject{{"Inbox", FilterStore()}});
  LogOn();
  const QString d1 = Export() + "/1", d2 = Export() + "/2", d3 = Export() + "/3";
  QJsonObject atts = EmlTask({{"SenderMasks", "alice@*"}}, d2);
  atts["ExportAtts"] = true;
  atts["JobDef_ExportAtts"] = QJsonObject{{"DestFolder", d2 + "/atts"}, {"SubFolderMask", "[FE]"}};
  const struct {
    const char* Name;
    QJsonArray Tasks;
    QStringList Files;
  } cases[] = {
      {"task 2 of 3 matches: only its exports run, task 3 is not tried",
       {EmlTask({{"SubjectMask", "nothing"}}, d1), atts, EmlTask({}, d3)},
       {"2/Invoice; March.eml", "2/atts/bill.PDF"}},
      {"a task of * takes every e-mail, the next never runs",
       {EmlTask({{"SenderMasks", "*"}}, d1), atts},
       {"1/Invoice; March.eml"}},
      {"a matching task without exports still ends the list",
       {QJsonObject{{"InboxFilter", QJsonObject{{"SubjectMask", "Invoice*"}}}}, EmlTask({}, d3)},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    QDir(Export()).removeRecursively();
    const auto p = Run("Invoice; March", Tasks(c.Tasks));
    EXPECT_EQ(p->CountEmailsProcessed(), 1);
    EXPECT_EQ(Files(Export()), c.Files);
    EXPECT_EQ(p->MailErrors(), QStringList());
    if (c.Files.contains("2/atts/bill.PDF")) {
      EXPECT_EQ(ReadFile(d2 + "/atts/bill.PDF"), AttBytes(100, 1));
    }
  }

  // No task matches: nothing processed, nothing written.
  QDir(Export()).removeRecursively();
  const auto p = Run("plain", Tasks({EmlTask({{"SubjectMask", "x"}}, d1), EmlTask({{"SenderMasks", "y"}}, d2)}));
  EXPECT_EQ(p->CountEmailsProcessed(), 0);
  EXPECT_EQ(Files(Export()), QStringList());
}

TEST_F(EngineAuto, ErrorInATaskIsOneBlockWithTheInboxPathAndEndsTheList) {
  WriteStore(QJsonObject{{"Inbox", FilterStore()}});
  LogOn();
  const auto p = Run("Invoice; March", Tasks({EmlTask({{"SenderMasks", "alice@*"}}, Export() + "/1", "[B]\\[XX]"),
                                              EmlTask({}, Export() + "/2")}));
  EXPECT_EQ(p->CountEmailsProcessed(), 1);
  EXPECT_EQ(p->CountEmailsExported(), 0);
  EXPECT_EQ(Files(Export()), QStringList());
  const QStringList& e = p->MailErrors();
  ASSERT_EQ(e.size(), 6) << e.join('\n').toStdString();
  EXPECT_TRUE(QRegularExpression("^\\*\\*\\* \\S.*:$").match(e[0]).hasMatch()) << e[0].toStdString();
  EXPECT_EQ(e[1], "Folder: " + FolderPath("Inbox"));
  EXPECT_EQ(e[2], "Subject: Invoice; March");
  EXPECT_TRUE(e[3].startsWith("Email's date: ")) << e[3].toStdString();
  EXPECT_EQ(e[4], "Export emails: Invalid mask for subfolders/filename specified");
  EXPECT_EQ(e[5], "");
  EXPECT_EQ(p->ManualResults(), QStringList());

  // The same processor run again starts from empty lists and counters.
  TEmailProcessor& again = *p;
  const TwkPtr<IRDOMail> plain = Mail("plain");
  again.ExecuteAuto(plain.get(), Tasks({EmlTask({{"SubjectMask", "x"}}, Export())}));
  EXPECT_EQ(again.MailErrors(), QStringList());
  EXPECT_EQ(again.CountEmailsProcessed(), 0);
}

TEST_F(EngineAuto, FolderPlaceholdersGiveTheInbox) {
  // The e-mail lies in a subfolder; it still counts as lying in the Inbox.
  WriteStore(QJsonObject{{"Inbox", QJsonArray{QJsonObject{{"subject", "In the Inbox"}}}},
                         {"Inbox/Sub", QJsonArray{QJsonObject{{"subject", "Below"}}}}});
  LogOn();
  QString inbox = FolderPath("Inbox");
  while (inbox.startsWith('\\')) inbox.remove(0, 1);
  inbox.replace('\\', '/');
  const TJobDefList_Inbox list = Tasks({EmlTask({}, Export(), "[O]\\[OR]\\[ON]-[B]")});

  const auto p = Run("In the Inbox", list);
  EXPECT_EQ(p->MailErrors(), QStringList());
  EXPECT_EQ(Files(Export()), QStringList{inbox + "/Inbox-In the Inbox.eml"});

  QDir(Export()).removeRecursively();
  const TwkPtr<IRDOMail> below = FSession->Intf()->GetDefaultFolder(olFolderInbox)->Folders()->Item(1)->Items()->Item(1);
  TEmailProcessor q;
  q.SetRDOSession(FSession->Intf());
  q.ExecuteAuto(below.get(), list);
  EXPECT_EQ(Files(Export()), QStringList{inbox + "/Inbox-Below.eml"});
}

}  // namespace
