// The host with the real TWK.so loaded from its registration, on a real
// store: which of ribbon tab and command bar each host version builds, the
// controls' captions, names and states, the application object's explorer
// (current folder, selection), new mail appearing in the list, and a
// registered library that cannot be loaded.
#include "addin/hosting/AddinRegistry.h"
#include "core/OutlookTools.h"
#include "core/RDOSession.h"
#include "core/uRedemptionLoader.h"
#include "host/AddinManager.h"
#include "host/ExplorerWindow.h"
#include "host/HostApplication.h"
#include "tests/desktop/QtEnvironment.h"
#include "tests/test_engine_fixture.h"

#include <QAbstractItemModel>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace {

class HostWindow : public TEngineTest {
protected:
  void SetUp() override {
    qputenv("MAILDIR", Store().toUtf8());
    qunsetenv("TWK_PROFILE");
    qputenv("TARNWICK_SYSCONFDIR", (Scratch.Path() + QStringLiteral("/etc")).toUtf8());
    QJsonArray inbox;
    for (const char* subject : {"first", "second", "third"})
      inbox.append(QJsonObject{{"subject", subject}, {"from", "Alice <alice@example.org>"}});
    WriteStore(QJsonObject{{"Inbox", inbox}, {"Archive", QJsonArray()}});
    GlobalRedemptionLoader().UseComponentBesideProgram();
    FSession.ConnectTo(GlobalRedemptionLoader().new_RDOSession());
    FSession.Logon();
  }
  void TearDown() override { qunsetenv("TARNWICK_SYSCONFDIR"); }

  void Register() {
    QProcessEnvironment env = Env();
    env.insert(QStringLiteral("TARNWICK_SYSCONFDIR"), Scratch.Path() + QStringLiteral("/etc"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const TRunResult r = RunProgram(BinPath(QStringLiteral("tarnwick")), {QStringLiteral("--register"), BinPath(QStringLiteral("TWK.so"))}, {}, env);
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr.constData();
  }

  TRDOSession FSession;
};

TEST_F(HostWindow, HostVersionBuildsRibbonTabOrCommandBar) {
  Register();
  const struct {
    const char* Version;
    bool Ribbon;
    bool CommandBar;
  } cases[] = {{"16.0.0.0", true, false}, {"12.0", false, true}, {"9.0", false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Version);
    THostApplication app(QString::fromLatin1(c.Version), &FSession);
    TExplorerWindow window(&FSession);
    app.SetExplorer(&window);
    window.ShowInbox();
    TAddinManager addins(&app, &window);
    addins.LoadRegistered(QStringLiteral("Outlook"));
    EXPECT_EQ(addins.Errors(), QStringList());
    QList<QWidget*> tabs;
    QList<QToolBar*> bars;
    addins.BuildUserInterface(QString::fromLatin1(c.Version).section(QLatin1Char('.'), 0, 0).toInt() > 12,
                              [&](QWidget* tab, const QString&) { tabs.append(tab); window.AddRibbonTab(tab, tab->accessibleName()); },
                              [&](QToolBar* bar) { bars.append(bar); window.AddCommandBar(bar); });
    ASSERT_EQ(tabs.size(), c.Ribbon ? 1 : 0);
    ASSERT_EQ(bars.size(), c.CommandBar ? 1 : 0);
    if (c.Ribbon) {
      QToolButton* main = tabs[0]->findChild<QToolButton*>(QStringLiteral("adxRibbonButton14360E9EF43F479992E352AC17B2E0FC"));
      ASSERT_TRUE(main);
      EXPECT_EQ(main->accessibleName(), "Tarnwick");
      EXPECT_EQ(main->accessibleDescription(), "adxRibbonButton14360E9EF43F479992E352AC17B2E0FC");
      EXPECT_FALSE(main->icon().isNull()) << "image 0 of the shared list";
      EXPECT_TRUE(main->isEnabled());
      QToolButton* menuButton = tabs[0]->findChild<QToolButton*>(QStringLiteral("adxRibbonMenu7247D1181E2A4C9E985135E1C7FC5C54"));
      ASSERT_TRUE(menuButton && menuButton->menu());
      QStringList items;
      for (QAction* a : menuButton->menu()->actions())
        items << (a->isSeparator() ? QStringLiteral("--%1").arg(a->text()) : a->text() + (a->isEnabled() ? "" : " (off)"));
      EXPECT_EQ(items, QStringList({"--Settings", "Options (off)", "Own email addresses (off)", "Settings for Inbox (off)",
                                    "--Tools", "Reimport attachments (off)", "Relocate links (off)"}));
    }
    if (c.CommandBar) {
      EXPECT_EQ(bars[0]->windowTitle(), "Tarnwick 5.5");
      EXPECT_TRUE(bars[0]->isVisibleTo(&window)) << "shown on a mail folder";
      QStringList items;
      for (QAction* a : bars[0]->actions()) items << (a->isSeparator() ? QStringLiteral("|") : a->text());
      EXPECT_EQ(items.first(), "Tarnwick");
      EXPECT_EQ(items.mid(1, 1), QStringList({"|"}));
    }
    addins.Shutdown(osNormal);
  }
}

TEST_F(HostWindow, ApplicationObjectShowsFolderAndSelectionAndNewMailAppears) {
  THostApplication app(QStringLiteral("16.0.0.0"), &FSession);
  EXPECT_EQ(app.ActiveExplorer(), nullptr) << "no window yet";
  TExplorerWindow window(&FSession);
  app.SetExplorer(&window);
  window.ShowInbox();
  const auto explorer = app.ActiveExplorer();
  ASSERT_TRUE(explorer);
  const auto folder = explorer->CurrentFolder();
  ASSERT_TRUE(folder);
  const TwkPtr<IRDOFolder> inbox = FSession->GetDefaultFolder(olFolderInbox);
  EXPECT_EQ(folder->EntryID(), inbox->EntryID());
  EXPECT_EQ(folder->StoreID(), inbox->StoreID());
  EXPECT_EQ(explorer->Selection()->Count(), 0);

  auto* view = window.findChild<QTableView*>();
  ASSERT_TRUE(view);
  QAbstractItemModel* model = view->model();
  // The list reads its rows as the view asks for them.
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([model] { return model->rowCount() == 3; }, 5000)) << model->rowCount();
  view->selectionModel()->select(model->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  view->selectionModel()->select(model->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  const auto selection = app.ActiveExplorer()->Selection();
  ASSERT_EQ(selection->Count(), 2);
  QStringList subjects;
  for (int i = 1; i <= 2; ++i) {
    QString entryID, storeID;
    GetItemIDs(selection->Item(i).get(), entryID, storeID);
    EXPECT_EQ(storeID, inbox->StoreID());
    EXPECT_EQ(selection->Item(i)->MessageClass(), "IPM.Note");
    subjects << FSession->GetMessageFromID(entryID, storeID)->Subject();
  }
  subjects.sort();
  QStringList shown{model->index(0, 2).data().toString(), model->index(2, 2).data().toString()};
  shown.sort();
  EXPECT_EQ(subjects, shown);

  // A delivery while the window is open shows up in the list.
  QString inboxDir;
  for (QDirIterator it(Store(), {QStringLiteral("new")}, QDir::Dirs, QDirIterator::Subdirectories); it.hasNext();) {
    const QString dir = it.next();
    if (dir.contains(QLatin1String("Inbox"), Qt::CaseInsensitive)) inboxDir = QFileInfo(dir).path();
  }
  ASSERT_FALSE(inboxDir.isEmpty());
  WriteTestFile(inboxDir + QStringLiteral("/tmp/1790000001.late.test"),
                "From: Bob <bob@example.org>\r\nSubject: late\r\nDate: Thu, 10 Dec 2026 10:00:00 +0000\r\n\r\nhi\r\n");
  ASSERT_TRUE(QFile::rename(inboxDir + QStringLiteral("/tmp/1790000001.late.test"), inboxDir + QStringLiteral("/new/1790000001.late.test")));
  EXPECT_TRUE(QTest::qWaitFor([model] { return model->rowCount() == 4; }, 10000));
  EXPECT_EQ(app.ActiveExplorer()->Selection()->Count(), 2) << "the selection survives the refresh";
}

TEST_F(HostWindow, LibraryThatCannotBeLoadedIsReported) {
  TAddinRegistration r;
  r.HostName = QStringLiteral("Outlook");
  r.ProgID = QStringLiteral("Broken.Addin");
  r.ClassID = QStringLiteral("{00000000-0000-0000-0000-000000000001}");
  r.FriendlyName = QStringLiteral("Broken");
  r.LibraryPath = Scratch.Path() + QStringLiteral("/missing.so");
  ASSERT_TRUE(TAddinRegistry::Register(r, true));
  THostApplication app(QStringLiteral("16.0.0.0"), &FSession);
  TAddinManager addins(&app, nullptr);
  addins.LoadRegistered(QStringLiteral("Outlook"));
  ASSERT_EQ(addins.Errors().size(), 1);
  EXPECT_TRUE(addins.Errors().first().startsWith(QStringLiteral("Broken: Could not load \"%1\"").arg(r.LibraryPath)))
      << addins.Errors().first().toStdString();
}

}  // namespace
