// The add-in module against the real component on real Maildir stores: the
// host versions (own or shared logon, ribbon or command bar), shut-down and
// fast shut-down, the new-mail handler's conditions, and the error trap.
#include "addin/TWK_IMPL.h"
#include "addin/TWK_Commands.h"
#include "core/JobDefJson.h"
#include "core/LinkRoots.h"
#include "core/SendHandlers.h"
#include "tests/LinkMime.h"
#include "core/uRedemptionLoader.h"
#include "tests/desktop/QtEnvironment.h"
#include "tests/test_engine_fixture.h"

#include <QDirIterator>
#include <QTest>

namespace {

// The host's application object as the module sees it: a version and a
// "MAPI" namespace that shares the host's session (or none to share).
class TTestOutlook final : public TOutlookApplication, public TOutlookNameSpace {
public:
  TTestOutlook(QString version, IUnknown* mapiObject) : FVersion(std::move(version)), FMapi(mapiObject) {}
  std::shared_ptr<TOutlookNameSpace> GetNamespace(const QString&) override {
    return std::shared_ptr<TOutlookNameSpace>(std::shared_ptr<void>(), this);
  }
  QString Version() override { return FVersion; }
  std::shared_ptr<TOutlookExplorer> ActiveExplorer() override { return nullptr; }
  IUnknown* MAPIOBJECT() override { return FMapi; }

private:
  QString FVersion;
  IUnknown* FMapi;
};

class TTestHost final : public IAddinHost {
public:
  explicit TTestHost(TOutlookApplication* app) : FApp(app) {}
  TOutlookApplication* OutlookApp() override { return FApp; }
  TOutlookShutdownBehavior OutlookShutdownBehavior() override { return Behavior; }
  QWidget* MainWindow() override { return nullptr; }
  TOutlookShutdownBehavior Behavior = osNormal;

private:
  TOutlookApplication* FApp;
};

class AddinModule : public TEngineTest {
protected:
  void SetUp() override {
    qputenv("MAILDIR", Store().toUtf8());
    qunsetenv("TWK_PROFILE");
  }

  // The host's own logon, as tarnwick makes it.
  void HostLogOn() {
    GlobalRedemptionLoader().SetDllLocation64Bit(BinPath(QStringLiteral("TWKtools64.so")));
    FHostSession.ConnectTo(GlobalRedemptionLoader().new_RDOSession());
    FHostSession.Logon();
  }

  // A module connected to a host of this version, started.
  TAddInModule* Start(const QString& version, bool share = true) {
    FOutlook = std::make_unique<TTestOutlook>(version, share ? FHostSession.MAPIOBJECT() : nullptr);
    FHost = std::make_unique<TTestHost>(FOutlook.get());
    FModule = TwkPtr<TAddInModule>::Adopt(new TAddInModule);
    FModule->OnTrappedError = [this](const QString& text) { FTrapped.append(text); };
    FModule->OnConnection(FHost.get());
    FModule->OnStartupComplete();
    return FModule.get();
  }

  // Files below the export directory.
  QStringList Exported() const {
    QStringList files;
    for (QDirIterator it(Export(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) files.append(it.next());
    return files;
  }

  // The inbox task list file the module loads at start-up.
  void WriteInboxList(bool active, bool withTask) {
    QJsonArray tasks;
    if (withTask)
      tasks.append(QJsonObject{{"ExportEmails", true},
                               {"JobDef_ExportEmails", QJsonObject{{"EmailFormat", "efEML"}, {"DestFolder", Export()}, {"SubFolderMask", "[B]"}}}});
    TJobDefList_Inbox list = InboxListFromJson(Json(QJsonObject{{"Tasks", tasks}}), QStringLiteral("test"));
    list.SetActive(active);
    QDir().mkpath(QFileInfo(TOptions::GetInboxDefFilename()).path());
    list.SaveToFile(TOptions::GetInboxDefFilename());
  }

  QString InboxEntryID(const QString& subject) {
    const TwkPtr<IRDOItems> items = FHostSession->GetDefaultFolder(olFolderInbox)->Items();
    for (int i = 1; i <= items->Count(); ++i)
      if (items->Item(i)->Subject() == subject) return items->Item(i)->EntryID();
    ADD_FAILURE() << "no e-mail " << subject.toStdString();
    return {};
  }

  TRDOSession FHostSession;
  std::unique_ptr<TTestOutlook> FOutlook;
  std::unique_ptr<TTestHost> FHost;
  TwkPtr<TAddInModule> FModule;
  QStringList FTrapped;
};

QJsonArray OneMail(const char* subject) { return QJsonArray{QJsonObject{{"subject", subject}, {"from", "Alice <alice@example.org>"}}}; }

TEST_F(AddinModule, HostVersionDecidesLogonAndCommandBar) {
  WriteStore(QJsonObject{{"Inbox", OneMail("hello")}});
  HostLogOn();
  const struct {
    const char* Version;
    bool OwnLogon;
    bool UseForRibbon;
  } cases[] = {
      {"9.0", true, true},        // logs on itself, logs off at shut-down
      {"12.0.0.0", false, true},  // shares the logon, command bar only
      {"16.0.0.0", false, false}, // shares the logon, ribbon only
      {"16", true, true},         // no "." reads as 0
      {"x.1", true, true},        // no number reads as 0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Version);
    FTrapped.clear();
    TAddInModule* module = Start(QString::fromLatin1(c.Version));
    EXPECT_EQ(FTrapped, QStringList());
    ASSERT_TRUE(module->RDOSession());
    EXPECT_EQ(module->HaveLoggedOn(), c.OwnLogon);
    EXPECT_EQ(module->UseForRibbon(), c.UseForRibbon);
    // The module's session sees the store either way.
    EXPECT_EQ((*module->RDOSession())->GetDefaultFolder(olFolderInbox)->Items()->Count(), 1);
    const TwkPtr<IRDOSession> held(module->RDOSession()->Intf());
    module->OnBeginShutdown();
    module->OnDisconnection();
    EXPECT_EQ(held->LoggedOn(), !c.OwnLogon) << "only an own logon is logged off";
    EXPECT_TRUE(FHostSession->LoggedOn()) << "the host's logon is never touched";
    FModule = nullptr;
  }
}

TEST_F(AddinModule, RibbonAndCommandBarCarryEveryCommand) {
  const TAddinControl tab = TWKRibbonTab();
  EXPECT_EQ(tab.Caption, "Tarnwick");
  EXPECT_EQ(tab.Id, "adxRibbonTabC802F78B3E0D4B9DB1A039DCF5737C3B");
  ASSERT_EQ(tab.Children.size(), 1);
  const TAddinControl& group = tab.Children[0];
  EXPECT_EQ(group.Caption, "Export emails and attachments");
  const TAddinControl& main = group.Children[0].Children[0];
  EXPECT_EQ(main.Caption, "Tarnwick");
  EXPECT_EQ(main.ImageIndex, 0);
  EXPECT_EQ(main.SuperTip, "Export emails, extract email attachments, copy/move emails");
  EXPECT_TRUE(main.Enabled);
  const TAddinControl& menu = group.Children[0].Children[1];
  EXPECT_EQ(menu.Caption, "Settings and tools");
  QStringList captions;
  for (const TAddinControl& c : menu.Children) captions.append(c.Caption);
  EXPECT_EQ(captions, QStringList({"Settings", "Options", "Own email addresses", "Settings for Inbox", "Tools",
                                   "Reimport attachments", "Relocate links"}));
  const TAddinControl bar = TWKExplorerCommandBar();
  EXPECT_EQ(bar.Caption, "Tarnwick 5.5");
  ASSERT_EQ(bar.Children.size(), 2);
  EXPECT_EQ(bar.Children[0].Id, "{A2D2DEA6-6EB2-4B2A-9587-19130AC0246A}");
  EXPECT_TRUE(bar.Children[1].BeginGroup);
  captions.clear();
  QList<bool> groups;
  for (const TAddinControl& c : bar.Children[1].Children) {
    captions.append(c.Caption);
    groups.append(c.BeginGroup);
  }
  EXPECT_EQ(captions, QStringList({"Options...", "Own email addresses...", "Settings for Inbox...", "Reimport attachments...",
                                   "Relocate links..."}));
  EXPECT_EQ(groups, QList<bool>({false, false, true, true, false}));
  // Ribbon and command bar controls run the same commands.
  const struct {
    const char* Ribbon;
    const char* Tag;
    TTWKCommand Command;
  } commands[] = {
      {"adxRibbonButton14360E9EF43F479992E352AC17B2E0FC", "{A2D2DEA6-6EB2-4B2A-9587-19130AC0246A}", cmdShowMainDialog},
      {"adxRibbonButton84EF118707B741699FF50CA1BBCD3EF1", "{D61E6AFD-42DF-4DBD-A8B6-C9DFD0C3EB83}", cmdShowOptions},
      {"adxRibbonButtonA9F2A2F8F42F46C2845AB48BA7AF3AB5", "{69913BCF-EC02-4BE7-96FB-582E1F263CD8}", cmdShowOwnAddresses},
      {"adxRibbonButton525E52AED1114ACAB6D3F6487C1793FC", "{64505C59-B181-4E68-868D-49E1D4A75EC4}", cmdShowInboxTasks},
      {"adxRibbonButton639A799A1B6F45ED9469CC510C7568A1", "{CA701FD0-7E71-4D63-BB67-BF53C3C27E9D}", cmdShowReimport},
      {"adxRibbonButtonB843B45E3C864A59B58A35F0939A8D7A", "{311804D3-211D-43D9-B43A-ADD6D7973D61}", cmdShowRelocate},
  };
  for (const auto& c : commands) {
    EXPECT_EQ(CommandOfControl(QString::fromLatin1(c.Ribbon)), c.Command);
    EXPECT_EQ(CommandOfControl(QString::fromLatin1(c.Tag)), c.Command);
  }
}

TEST_F(AddinModule, FastShutdownReleasesAsBeginShutdownDoes) {
  WriteStore(QJsonObject{{"Inbox", OneMail("hello")}});
  HostLogOn();
  const struct {
    TOutlookShutdownBehavior Behavior;
    bool Released;
  } cases[] = {{osFast, true}, {osNormal, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Behavior == osFast ? "osFast" : "osNormal");
    FTrapped.clear();
    TAddInModule* module = Start(QStringLiteral("9.0"));
    const TwkPtr<IRDOSession> held(module->RDOSession()->Intf());
    FHost->Behavior = c.Behavior;
    module->OnQuit();
    EXPECT_EQ(module->RDOSession() == nullptr, c.Released);
    EXPECT_EQ(module->Options() == nullptr, c.Released);
    EXPECT_EQ(module->InboxDefs() == nullptr, c.Released);
    EXPECT_EQ(module->HasNameSpace(), !c.Released);
    EXPECT_EQ(held->LoggedOn(), !c.Released);
    // Begin-shutdown afterwards finds nothing left to release, or releases now.
    module->OnBeginShutdown();
    EXPECT_EQ(module->RDOSession(), nullptr);
    EXPECT_FALSE(module->HaveLoggedOn());
    EXPECT_FALSE(held->LoggedOn());
    EXPECT_EQ(FTrapped, QStringList());
    FModule = nullptr;
  }
}

TEST_F(AddinModule, NewMailRunsTheInboxTasksOnlyWhenTheyApply) {
  QJsonArray inbox = OneMail("plain");
  inbox.append(QJsonObject{{"subject", "meeting"}, {"from", "Bob <bob@example.org>"}, {"meeting", true}});
  WriteStore(QJsonObject{{"Inbox", inbox}});
  HostLogOn();
  const struct {
    const char* Name;
    bool Active;
    bool WithTask;
    const char* Subject;
    bool Exported;
  } cases[] = {
      {"inactive list", false, true, "plain", false},
      {"active but empty list", true, false, "plain", false},
      {"meeting request", true, true, "meeting", false},
      {"e-mail with an active task", true, true, "plain", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    QDir(Export()).removeRecursively();
    WriteInboxList(c.Active, c.WithTask);
    TAddInModule* module = Start(QStringLiteral("16.0.0.0"));
    module->RDOSessionNewMail(InboxEntryID(QString::fromLatin1(c.Subject)));
    EXPECT_EQ(Exported().size(), c.Exported ? 1 : 0) << Exported().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(FTrapped, QStringList());
    module->OnBeginShutdown();
    FModule = nullptr;
  }
}

TEST_F(AddinModule, MailDeliveredWhileRunningIsProcessed) {
  WriteStore(QJsonObject{{"Inbox", OneMail("old")}});
  HostLogOn();
  WriteInboxList(true, true);
  TAddInModule* module = Start(QStringLiteral("16.0.0.0"));
  // A mail delivery program's way: written to tmp/, then renamed into new/.
  QString inboxDir;
  for (QDirIterator it(Store(), {QStringLiteral("new")}, QDir::Dirs, QDirIterator::Subdirectories); it.hasNext();) {
    const QString dir = it.next();
    if (dir.contains(QLatin1String("Inbox"), Qt::CaseInsensitive)) inboxDir = QFileInfo(dir).path();
  }
  ASSERT_FALSE(inboxDir.isEmpty());
  const QByteArray mail = "From: Carol <carol@example.org>\r\nTo: me@example.org\r\nSubject: fresh\r\n"
                          "Date: Thu, 10 Dec 2026 10:00:00 +0000\r\nMessage-ID: <fresh@example.org>\r\n\r\nhello\r\n";
  WriteTestFile(inboxDir + QStringLiteral("/tmp/1790000000.fresh.test"), mail);
  ASSERT_TRUE(QFile::rename(inboxDir + QStringLiteral("/tmp/1790000000.fresh.test"), inboxDir + QStringLiteral("/new/1790000000.fresh.test")));
  EXPECT_TRUE(QTest::qWaitFor([this] { return !Exported().isEmpty(); }, 10000));
  ASSERT_EQ(Exported().size(), 1);
  EXPECT_TRUE(Exported().first().endsWith(QLatin1String("fresh.eml"))) << Exported().first().toStdString();
  module->OnBeginShutdown();
}

TEST_F(AddinModule, StartupFailureReachesTheErrorTrap) {
  WriteStore(QJsonObject{{"Inbox", OneMail("hello")}});
  HostLogOn();
  // A host above version 9 that offers no logon to share.
  TAddInModule* module = Start(QStringLiteral("16.0.0.0"), false);
  ASSERT_EQ(FTrapped.size(), 1);
  EXPECT_EQ(FTrapped.first(), "Tarnwick error: the add-in has fired an exception.\r\nMAPIOBJECT is not a session of this component");
  // Start-up ended there: the session was made but no new-mail handler is attached.
  ASSERT_TRUE(module->RDOSession());
  EXPECT_FALSE(module->RDOSession()->OnNewMail);
  module->OnBeginShutdown();
  EXPECT_EQ(FTrapped.size(), 1);
}

// Answers the send capture's questions as a test tells it, counting them.
class TScriptedQuestions final : public TSendQuestions {
public:
  TReplaceAnswer Replace = raCancel;
  int Asked = 0;
  TReplaceAnswer AskReplace(const QString&, const QString&, bool) override {
    ++Asked;
    return Replace;
  }
  TDeleteAnswer AskDeleteLink(const QString&, const QString&) override {
    ++Asked;
    return daCancel;
  }
};

TEST_F(AddinModule, ItemSendFollowsTheSendOptionAndTheAnswers) {
  WriteStore(QJsonObject{{"Inbox", OneMail("hello")}});
  HostLogOn();
  // A link to a file in a directory the export wrote links for.
  const QString target = Scratch.File(QStringLiteral("links/report.pdf"));
  WriteTestFile(target, "%PDF-1.4 report");
  TLinkRoots roots;
  roots.Load();
  ASSERT_TRUE(roots.Record(QFileInfo(target).path()));
  const QByteArray mime = BuildMime(QStringLiteral("outgoing"), {{QStringLiteral("report.pdf.twk"), LinkBytes(target)}});
  auto names = [](IRDOMail* mail) {
    QStringList list;
    const TwkPtr<IRDOAttachments> atts = mail->Attachments();
    for (int i = 1; i <= atts->Count(); ++i) list << atts->Item(i)->FileName();
    return list;
  };
  const struct {
    const char* Name;
    TSendOptions Option;
    TSendQuestions::TReplaceAnswer Answer;
    bool Cancel;
    int Asked;
    const char* Attachment;
    TSendOptions Stored;
  } cases[] = {
      {"never: nothing asked, link kept", soNever, TSendQuestions::raYes, false, 0, "report.pdf.twk", soNever},
      {"ask, Cancel: not sent", soAsk, TSendQuestions::raCancel, true, 1, "report.pdf.twk", soAsk},
      {"ask, No: sent with the link", soAsk, TSendQuestions::raNo, false, 1, "report.pdf.twk", soAsk},
      {"ask, Always: replaced and stored", soAsk, TSendQuestions::raAlways, false, 1, "report.pdf", soAlways},
      {"always: replaced without a question", soAlways, TSendQuestions::raCancel, false, 0, "report.pdf", soAlways},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TOptions options;
    options.LoadFromRegistry();
    options.SetSendOptions(c.Option);
    ASSERT_TRUE(options.SaveToRegistry());
    TAddInModule* module = Start(QStringLiteral("16.0.0.0"));
    TScriptedQuestions questions;
    questions.Replace = c.Answer;
    module->SetSendQuestions(&questions);
    const TwkPtr<IRDOMail> mail = FHostSession->GetMessageFromMIME(mime);
    bool cancel = !c.Cancel;
    module->OnItemSend(mail.get(), cancel);
    EXPECT_EQ(cancel, c.Cancel);
    EXPECT_EQ(questions.Asked, c.Asked);
    EXPECT_EQ(names(mail.get()), QStringList({QString::fromLatin1(c.Attachment)}));
    options.LoadFromRegistry();
    EXPECT_EQ(options.SendOptions(), c.Stored);
    EXPECT_EQ(FTrapped, QStringList());
    module->OnBeginShutdown();
    FModule = nullptr;
  }
}

}  // namespace
