// The folder helpers over the real component (loaded by the loader) on a
// store from the independent writer; the mail client's objects are small
// fakes, since no mail client runs here.
#include "core/OutlookTools.h"
#include "core/RDOSession.h"
#include "core/RedemptionTools.h"
#include "core/uRedemptionLoader.h"
#include "tests/MaildirFixture.h"

namespace {

class RedemptionTools : public ::testing::Test {
protected:
  void SetUp() override {
    MakeMaildir(FDir.Path() + QStringLiteral("/Mail"),
                R"({"layout": "nested", "folders": {"Inbox": 1, "Inbox/Sub": 0, "Archive": 0}, "plain": ["Plain"]})");
    MakeMaildir(FDir.Path() + QStringLiteral("/Other"), R"({"layout": "maildir++", "folders": {"Inbox": 0, "Archive": 0}})");
    FProfile = std::make_unique<TProfileFile>(FDir, "[store]\npath = Mail\ndefault = yes\n[store]\npath = Other\n");
    FLoader.SetDllLocation64Bit(BinPath(QStringLiteral("TWKtools64.so")));
    FSession.ConnectTo(FLoader.new_RDOSession());
    FSession.Logon();
    S = FSession.Intf();
  }
  TwkPtr<IRDOFolder> Path(const QString& p) { return FindFolderByPath(S, p); }

  TIsolatedUser FUser;
  TScratchDir FDir;
  std::unique_ptr<TProfileFile> FProfile;
  TRedemptionLoader FLoader;
  TRDOSession FSession;
  IRDOSession* S = nullptr;
};

TEST_F(RedemptionTools, IDsPathsAndMailFolders) {
  const auto sub = Path(QStringLiteral("\\\\Mail\\inbox\\SUB"));
  ASSERT_TRUE(sub);
  const QString eid = sub->EntryID(), sid = sub->StoreID();
  EXPECT_EQ(GetFolderPathByID(S, eid, sid), QStringLiteral("\\\\Mail\\Inbox\\Sub"));
  EXPECT_EQ(GetFolderPathByID(S, eid, QString()), QString());
  EXPECT_EQ(GetFolderPathByID(S, QString(), sid), QString());
  EXPECT_EQ(GetFolderPathByID(S, QStringLiteral("BAD"), sid), QString());
  EXPECT_TRUE(IsMailFolderByID(S, eid, sid));
  EXPECT_FALSE(IsMailFolderByID(S, QStringLiteral("00"), sid));
  const auto plain = Path(QStringLiteral("\\\\Mail\\Plain"));
  ASSERT_TRUE(plain);
  EXPECT_FALSE(IsMailFolder(plain.get()));
  EXPECT_EQ(GetFolderPath(plain.get()), QString());
  EXPECT_FALSE(GetRDOFolder(S, eid, Path(QStringLiteral("\\\\Other"))->StoreID()));
  EXPECT_FALSE(Path(QStringLiteral("\\\\Mail\\Nowhere")));
  EXPECT_FALSE(Path(QStringLiteral("Mail\\Inbox")));
  QString name, path;
  GetInboxNameAndPath(S, name, path);
  EXPECT_EQ(name, QStringLiteral("Inbox"));
  EXPECT_EQ(path, QStringLiteral("\\\\Mail\\Inbox"));
}

TEST_F(RedemptionTools, ForceFolderPathResolvesTrimmedSegmentsCreatingWhatIsMissing) {
  const auto start = Path(QStringLiteral("\\\\Mail\\Archive"));
  const struct {
    QString Relative, Expected;
  } cases[] = {
      {QString(), QStringLiteral("\\\\Mail\\Archive")},
      {QStringLiteral("2024"), QStringLiteral("\\\\Mail\\Archive\\2024")},
      {QStringLiteral("  2024 \\\\ Q1 \\"), QStringLiteral("\\\\Mail\\Archive\\2024\\Q1")},
      {QStringLiteral("\\a.b\\c/d\\"), QStringLiteral("\\\\Mail\\Archive\\a.b\\c/d")},
  };
  for (const auto& c : cases) {
    const auto f = ForceFolderPath(start.get(), c.Relative);
    EXPECT_EQ(f->FolderPath(), c.Expected) << c.Relative.toStdString();
    EXPECT_TRUE(IsMailFolder(f.get()));
  }
  // Existing folders are found, not made again (names ignoring case).
  EXPECT_EQ(ForceFolderPath(start.get(), QStringLiteral("2024\\q1"))->EntryID(),
            Path(QStringLiteral("\\\\Mail\\Archive\\2024\\Q1"))->EntryID());
  EXPECT_EQ(start->Folders()->Count(), 2);
}

TEST_F(RedemptionTools, ContainsAndSameFolder) {
  const auto inbox = Path(QStringLiteral("\\\\Mail\\Inbox"));
  const auto sub = Path(QStringLiteral("\\\\Mail\\Inbox\\Sub"));
  const auto otherInbox = Path(QStringLiteral("\\\\Other\\Inbox"));
  EXPECT_TRUE(FolderContains(S, inbox.get(), sub.get()));
  EXPECT_TRUE(FolderContains(S, sub.get(), sub.get()));
  EXPECT_FALSE(FolderContains(S, sub.get(), inbox.get()));
  EXPECT_FALSE(FolderContains(S, otherInbox.get(), sub.get()));
  EXPECT_FALSE(FolderContains(S, inbox.get(), otherInbox.get()));
  EXPECT_TRUE(IsSameFolder(S, inbox.get(), S->GetDefaultFolder(olFolderInbox).get()));
  EXPECT_FALSE(IsSameFolder(S, inbox.get(), otherInbox.get()));
  EXPECT_TRUE(SameEntryID(S, inbox->EntryID().toLower(), inbox->EntryID()));
}

TEST_F(RedemptionTools, PickOutlookFolder) {
  QString eid = QStringLiteral("KEEP"), sid = QStringLiteral("ME");
  EXPECT_FALSE(PickOutlookFolder(nullptr, QStringLiteral("Choose folder"), S, eid, sid));  // no picker: cancel
  EXPECT_EQ(eid, QStringLiteral("KEEP"));
  const auto sub = Path(QStringLiteral("\\\\Mail\\Inbox\\Sub"));
  QString shownCaption;
  TwkPtr<IRDOFolder> preselected;
  S->SetFolderPicker([&](IRDOFolder* selected, const QString& caption, void*) {
    shownCaption = caption;
    preselected = TwkPtr<IRDOFolder>(selected);
    return sub;
  });
  eid = Path(QStringLiteral("\\\\Mail\\Archive"))->EntryID();
  sid = sub->StoreID();
  EXPECT_TRUE(PickOutlookFolder(nullptr, QStringLiteral("Choose folder"), S, eid, sid));
  EXPECT_EQ(shownCaption, QStringLiteral("Choose folder"));
  EXPECT_EQ(preselected->FolderPath(), QStringLiteral("\\\\Mail\\Archive"));
  EXPECT_EQ(eid, sub->EntryID());
  S->SetFolderPicker([](IRDOFolder*, const QString&, void*) -> TwkPtr<IRDOFolder> {
    throw EComError(E_FAIL, QStringLiteral("picker broke"));
  });
  EXPECT_FALSE(PickOutlookFolder(nullptr, QString(), S, eid, sid));  // a failure is a cancel
  EXPECT_EQ(eid, sub->EntryID());
}

class TFakeObject final : public TOutlookObject {
public:
  TFakeObject(int cls, QString eid, QString sid, std::shared_ptr<TOutlookObject> parent = nullptr)
      : FClass(cls), FEntryID(std::move(eid)), FStoreID(std::move(sid)), FParent(std::move(parent)) {}
  int Class() override { return FClass; }
  QString EntryID() override { return FEntryID; }
  QString StoreID() override { return FStoreID; }
  std::shared_ptr<TOutlookObject> Parent() override { return FParent; }
  QString MessageClass() override { return QStringLiteral("IPM.Note"); }

private:
  int FClass;
  QString FEntryID, FStoreID;
  std::shared_ptr<TOutlookObject> FParent;
};

TEST(OutlookTools, ItemIDsTakeTheStoreFromAFolderParentOnly) {
  const auto folder = std::make_shared<TFakeObject>(olFolder, QStringLiteral("F"), QStringLiteral("S1"));
  const auto notFolder = std::make_shared<TFakeObject>(olMail, QStringLiteral("M0"), QStringLiteral("S2"));
  const struct {
    std::shared_ptr<TOutlookObject> Parent;
    QString StoreID;
  } cases[] = {{folder, QStringLiteral("S1")}, {notFolder, QString()}, {nullptr, QString()}};
  for (const auto& c : cases) {
    TFakeObject item(olMail, QStringLiteral("M1"), QString(), c.Parent);
    QString eid, sid = QStringLiteral("old");
    GetItemIDs(&item, eid, sid);
    EXPECT_EQ(eid, QStringLiteral("M1"));
    EXPECT_EQ(sid, c.StoreID);
  }
}

TEST(OutlookTools, HeadlessApplicationHasNoExplorer) {
  THeadlessOutlookApplication app;
  QString eid = QStringLiteral("x"), sid = QStringLiteral("y");
  EXPECT_FALSE(GetExplorerFolderIDs(&app, eid, sid));
  EXPECT_EQ(eid, QStringLiteral("x"));
  ASSERT_TRUE(app.GetNamespace(QStringLiteral("MAPI")));
  EXPECT_FALSE(app.GetNamespace(QStringLiteral("MAPI"))->MAPIOBJECT());
  EXPECT_THROW(app.GetNamespace(QStringLiteral("Other")), Exception);
  EXPECT_EQ(app.Version().section(QLatin1Char('.'), 0, 0).toInt(), 0);  // callers log on themselves
}

}  // namespace
