// The trusted directories of links: what a recorded root covers (however a
// target is spelled), how roots are recorded beside other programs, and
// that an attachment export with links records the directories it wrote.
#include "core/LinkRoots.h"
#include "core/Options.h"
#include "tests/SendFixture.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace {

class LinkRoots : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* d : {"root/sub", "root-other", "outside"}) ASSERT_TRUE(QDir().mkpath(P(d)));
    FDir.Write("root/sub/a.pdf", "a");
    FDir.Write("outside/secret", "s");
    ASSERT_TRUE(QFile::link(P("outside/secret"), P("root/escape.pdf")));
    ASSERT_TRUE(QFile::link(P("root"), P("outside/into-root")));
  }
  QString P(const QString& relative) const { return FDir.Path() + '/' + relative; }
  static QStringList Stored() { return OpenSettings().value("LinkRoots").toStringList(); }

  TIsolatedUser FUser;
  TScratchDir FDir;
};

TEST_F(LinkRoots, CoversTargetsBelowARootHoweverSpelled) {
  TLinkRoots roots;
  ASSERT_TRUE(roots.Record(P("root")));
  const struct {
    QString Target;
    bool Want;
  } cases[] = {
      {P("root/sub/a.pdf"), true},
      {P("root/sub/not-yet-there.pdf"), true},
      {P("root"), true},
      {P("root/sub/../sub/a.pdf"), true},
      {P("outside/into-root/sub/a.pdf"), true},
      {P("root-other/a.pdf"), false},
      {P("root/../outside/secret"), false},
      {P("root/escape.pdf"), false},
      {P("root/sub/../../outside/secret"), false},
      {"root/sub/a.pdf", false},
      {"D:\\Export\\a.pdf", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(roots.Covers(c.Target), c.Want) << c.Target.toStdString();
}

TEST_F(LinkRoots, RecordStoresResolvedDirectoriesOnceBesideOtherWriters) {
  TLinkRoots first, second;
  first.Load();
  second.Load();
  ASSERT_TRUE(first.Record(P("outside/into-root")));  // stored resolved
  ASSERT_TRUE(second.Record(P("outside")));           // re-reads: keeps the first's root
  ASSERT_TRUE(second.Record(P("root/sub")));          // already covered
  EXPECT_EQ(Stored(), (QStringList{QDir(P("root")).canonicalPath(), QDir(P("outside")).canonicalPath()}));
  TLinkRoots third;
  third.Load();
  EXPECT_TRUE(third.Covers(P("root/sub/a.pdf")));
  EXPECT_TRUE(third.Covers(P("outside/secret")));
  EXPECT_FALSE(third.Covers(P("root-other/a.pdf")));

  // A relative directory is taken from the working directory.
  const QString old = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(P("root-other")));
  TLinkRoots relative;
  relative.Load();
  const bool ok = relative.Record("made");
  QDir::setCurrent(old);
  ASSERT_TRUE(ok);
  EXPECT_EQ(Stored().last(), QDir(P("root-other")).canonicalPath() + "/made");
}

TEST_F(LinkRoots, UnusableStoredValuesAreIgnored) {
  {
    QSettings s = OpenSettings();
    s.setValue("LinkRoots", QStringList{"relative/dir", "", P("root")});
  }
  TLinkRoots roots;
  roots.Load();
  EXPECT_EQ(roots.Roots(), QStringList{P("root")});
  EXPECT_FALSE(roots.Covers(QDir::currentPath() + "/relative/dir/x"));
}

// The real TWKbat on a real store: the export with links records the
// directories it wrote links for, and nothing else.
class LinkRootsExport : public TEngineTest {};

TEST_F(LinkRootsExport, AnExportWithLinksRecordsItsDirectories) {
  auto run = [&](const char* mode) {
    WriteStore(QJsonObject{{"Inbox", QJsonArray{QJsonObject{{"atts", QJsonArray{Att("a.pdf", 10, 1), Att("b.txt", 10, 2)}}}}}});
    BuildJob(FolderJob("Inbox", false,
                       {{"ExportAtts", true},
                        {"JobDef_ExportAtts", QJsonObject{{"DestFolder", Export()}, {"ShortcutMode", mode}}}}));
    const TRunResult r = RunJob();
    EXPECT_EQ(r.ExitCode, 0) << r.Stdout.toStdString();
  };
  run("smNothing");
  EXPECT_EQ(OpenSettings().value("LinkRoots").toStringList(), QStringList());
  run("smTWK");
  EXPECT_EQ(OpenSettings().value("LinkRoots").toStringList(), QStringList{QDir(Export()).canonicalPath()});
  TLinkRoots roots;
  roots.Load();
  EXPECT_TRUE(roots.Covers(Export() + "/a.pdf"));
  EXPECT_FALSE(roots.Covers(Store() + "/INBOX"));
}

}  // namespace
