// The add-in module against the real component on real Maildir stores: the
// host versions (own or shared logon, ribbon or command bar), shut-down and
// fast shut-down, the new-mail handler's conditions, and the error trap.
#include "addin/TWK_Commands.h"
#include "core/JobDefJson.h"
#include "core/LinkRoots.h"
#include "core/SendHandlers.h"
#include "tests/LinkMime.h"
#include "tests/desktop/AddinModuleFixture.h"
#include "tests/desktop/QtEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDirIterator>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

using AddinModule = TAddinModuleTest;

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

TEST_F(AddinModule, NewMailWaitsWhileTwkWatchHoldsTheNewMailLock) {
  WriteStore(QJsonObject{{"Inbox", OneMail("plain")}});
  HostLogOn();
  // An inactive list takes no lock: twk watch may process the mail.
  WriteInboxList(false, true);
  TAddInModule* module = Start(QStringLiteral("16.0.0.0"));
  EXPECT_FALSE(module->HoldsNewMailLock());
  module->OnBeginShutdown();

  WriteInboxList(true, true);
  TNewMailLock watch;
  ASSERT_TRUE(watch.TryAcquire(QStringLiteral("twk watch (pid 1)")));
  module = Start(QStringLiteral("16.0.0.0"));
  EXPECT_FALSE(module->HoldsNewMailLock());
  module->RDOSessionNewMail(InboxEntryID(QStringLiteral("plain")));
  EXPECT_EQ(Exported().size(), 0);

  // twk watch ended: the next new mail is processed here, and from then on
  // twk watch is the one that waits.
  watch.Release();
  module->RDOSessionNewMail(InboxEntryID(QStringLiteral("plain")));
  EXPECT_EQ(Exported().size(), 1);
  EXPECT_TRUE(module->HoldsNewMailLock());
  EXPECT_FALSE(watch.TryAcquire(QStringLiteral("twk watch (pid 1)")));
  EXPECT_TRUE(TNewMailLock::Holder().startsWith(QLatin1String("the desktop (tarnwick, pid "))) << TNewMailLock::Holder().toStdString();
  module->OnBeginShutdown();
  EXPECT_TRUE(watch.TryAcquire(QStringLiteral("twk watch (pid 1)")));
  EXPECT_EQ(FTrapped, QStringList());
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

namespace {

// Acts on the next modal dialog once it is shown.
void OnNextModal(std::function<void(QDialog*)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(dialog);
  });
  timer->start(10);
}

template <class T>
T* Find(QWidget* w, const char* name) {
  T* c = w->findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(c, nullptr) << name;
  return c;
}

// The settings commands from their menu items: each dialog works on a copy,
// and only OK reaches the module (and the settings or the inbox file).
TEST_F(AddinModule, SettingsCommandsTakeBackOnlyWhatOKConfirms) {
  WriteStore(QJsonObject{{"Inbox", OneMail("hello")}});
  WriteInboxList(true, true);
  HostLogOn();
  TAddInModule* module = Start(QStringLiteral("16.0.0.0"));
  ASSERT_EQ(module->InboxDefs()->Count(), 1);
  const TOptions before = *module->Options();

  // Cancel: the options stay as they were.
  OnNextModal([](QDialog* d) {
    Find<QComboBox>(d, "ComboSendOption")->setCurrentIndex(0);
    Find<QPushButton>(d, "ButtonCancel")->click();
  });
  module->OnClick(QStringLiteral("adxRibbonButton84EF118707B741699FF50CA1BBCD3EF1"));  // Options
  EXPECT_EQ(module->Options()->SendOptions(), before.SendOptions());

  OnNextModal([](QDialog* d) {
    Find<QComboBox>(d, "ComboSendOption")->setCurrentIndex(2);
    Find<QPushButton>(d, "ButtonOK")->click();
  });
  module->OnClick(QStringLiteral("{D61E6AFD-42DF-4DBD-A8B6-C9DFD0C3EB83}"));  // Options... on the command bar
  EXPECT_EQ(module->Options()->SendOptions(), soAlways);

  OnNextModal([](QDialog* d) {
    Find<QPlainTextEdit>(d, "MemoMeNames")->setPlainText(QStringLiteral("  me@example.org \n\n *@example.com\n"));
    Find<QPushButton>(d, "ButtonOK")->click();
  });
  module->OnClick(QStringLiteral("adxRibbonButtonA9F2A2F8F42F46C2845AB48BA7AF3AB5"));  // Own email addresses
  EXPECT_EQ(module->Options()->MeNames(), (QStringList{"me@example.org", "*@example.com"}));
  TOptions stored;
  stored.LoadFromRegistry();
  EXPECT_EQ(stored.SendOptions(), soAlways);
  EXPECT_EQ(stored.MeNames(), (QStringList{"me@example.org", "*@example.com"}));

  // The inbox list: OK saves the file and the module reloads it at once.
  OnNextModal([](QDialog* d) {
    auto* list = Find<QTreeWidget>(d, "ListView");
    list->setCurrentItem(list->topLevelItem(0));
    Find<QPushButton>(d, "ButtonDelete")->click();
    Find<QCheckBox>(d, "CheckCheckInbox")->setChecked(false);
    Find<QPushButton>(d, "ButtonOK")->click();
  });
  module->OnClick(QStringLiteral("adxRibbonButton525E52AED1114ACAB6D3F6487C1793FC"));  // Settings for Inbox
  EXPECT_EQ(module->InboxDefs()->Count(), 0);
  EXPECT_FALSE(module->InboxDefs()->Active());

  // The link tools open on the folder the mail window shows (none here) and close idle.
  for (const char* id : {"adxRibbonButton639A799A1B6F45ED9469CC510C7568A1", "adxRibbonButtonB843B45E3C864A59B58A35F0939A8D7A"}) {
    QString title, folder;
    OnNextModal([&](QDialog* d) {
      title = d->windowTitle();
      folder = Find<QLineEdit>(d, "EditOLFolderName")->text();
      Find<QPushButton>(d, "ButtonCancel")->click();
    });
    module->OnClick(QString::fromLatin1(id));
    EXPECT_FALSE(title.isEmpty()) << id;
    EXPECT_EQ(folder, QString());
  }
  EXPECT_EQ(FTrapped, QStringList());

  // Settings that cannot be written are reported, not dropped silently.
  const QString conf = OpenSettings().fileName();
  ASSERT_TRUE(QFile::remove(conf));
  ASSERT_TRUE(QDir().mkpath(conf));
  OnNextModal([](QDialog* d) {
    Find<QComboBox>(d, "ComboSendOption")->setCurrentIndex(1);
    Find<QPushButton>(d, "ButtonOK")->click();
  });
  module->OnClick(QStringLiteral("adxRibbonButton84EF118707B741699FF50CA1BBCD3EF1"));
  ASSERT_EQ(FTrapped.size(), 1);
  EXPECT_TRUE(FTrapped[0].endsWith("\r\nThe settings could not be written")) << FTrapped[0].toStdString();
  QDir(conf).removeRecursively();
  module->OnBeginShutdown();
}

}  // namespace
