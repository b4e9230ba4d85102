// Export targets: exclusive names under "append a number", writes that land
// under the final name only when complete.
#include "core/Exception.h"
#include "core/ExportTarget.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

void WriteTo(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QStringList Entries(const QString& dir) {
  return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

TEST(ExportTarget, AFileThatAppearsInBetweenIsNeverOverwritten) {
  TScratchDir dir;
  dir.Write("sub/a-2.eml", "taken before");
  const QString path = dir.Path() + "/sub/a.eml";
  TExportTarget first(path, true);
  TExportTarget second(path, true);
  WriteTo(first.WritePath(), "first");
  WriteTo(second.WritePath(), "second");
  // Another program writes a.eml while both are being written.
  dir.Write("sub/a.eml", "someone else's");
  first.Commit(TSyncRule::Durable);
  second.Commit(TSyncRule::None);
  EXPECT_EQ(first.Path(), dir.Path() + "/sub/a-3.eml");
  EXPECT_EQ(second.Path(), dir.Path() + "/sub/a-4.eml");
  EXPECT_EQ(dir.Read("sub/a.eml"), "someone else's");
  EXPECT_EQ(dir.Read("sub/a-2.eml"), "taken before");
  EXPECT_EQ(dir.Read("sub/a-3.eml"), "first");
  EXPECT_EQ(dir.Read("sub/a-4.eml"), "second");
  EXPECT_EQ(Entries(dir.Path() + "/sub"), (QStringList{"a-2.eml", "a-3.eml", "a-4.eml", "a.eml"}));
}

TEST(ExportTarget, AnUncommittedWriteLeavesNothingAndDestroysNothing) {
  TScratchDir dir;
  dir.Write("old.pdf", "the file that was there");
  struct TCase {
    bool Unique;
    QStringList After;
  } cases[] = {{true, {"old.pdf"}}, {false, {"old.pdf"}}};
  for (const TCase& c : cases) {
    {
      TExportTarget t(dir.Path() + "/old.pdf", c.Unique);
      WriteTo(t.WritePath(), "half of it");
      EXPECT_EQ(t.WrittenSize(), 10);
      // No Commit: the write failed or was short.
    }
    EXPECT_EQ(Entries(dir.Path()), c.After);
    EXPECT_EQ(dir.Read("old.pdf"), "the file that was there");
  }
  // Overwrite replaces the old file only on Commit.
  {
    TExportTarget t(dir.Path() + "/old.pdf", false);
    WriteTo(t.WritePath(), "new");
    t.Commit(TSyncRule::None);
  }
  EXPECT_EQ(dir.Read("old.pdf"), "new");
  EXPECT_EQ(Entries(dir.Path()), QStringList{"old.pdf"});
}

TEST(ExportTarget, ADirectoryThatCannotBeMadeIsNamed) {
  TScratchDir dir;
  dir.Write("file", "x");
  try {
    TExportTarget t(dir.Path() + "/file/sub/a.eml", true);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_TRUE(e.Message().startsWith(dir.Path() + "/file/sub: ")) << e.Message().toStdString();
  }
  EXPECT_EQ(Entries(dir.Path()), QStringList{"file"});
}

}  // namespace
