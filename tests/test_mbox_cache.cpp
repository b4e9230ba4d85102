// The mbox index cache across sessions, on real files: a later session
// takes the offsets from the cache only while the file has the path, size
// and time the cache was made for, checks each message's first bytes when
// it is read, ignores a cache file that is not whole and its own, and lists
// the folder when the cache cannot be written.
//
// Which of cache and scan answered is told by the file itself: a separator
// line altered in place ("From " to "Xrom ", the time put back) leaves the
// cache's three messages but gives a scan two.
#include "tests/MboxFixture.h"
#include "twktools/mbox/indexcache.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/stat.h>

namespace {

using twkmbox::TMboxIndex;

class MboxCache : public ::testing::Test {
protected:
  TIsolatedUser User;
  TScratchDir Dir;

  QString Box() const { return Dir.Path() + QStringLiteral("/box"); }
  static QString CacheOf(const QString& mbox) { return twkmbox::IndexCachePath(QFileInfo(mbox).canonicalFilePath()); }

  // Three messages; the session that lists them first leaves the cache.
  void WriteBoxAndList() {
    Dir.Write(QStringLiteral("box"), TbMessage("one", "0001") + TbMessage("two", "0000") + TbMessage("three", "0001"));
    ASSERT_EQ(Count(Box()), 3);
    ASSERT_TRUE(QFileInfo::exists(CacheOf(Box())));
  }
  // A new session's count of the folder's items.
  static int Count(const QString& mbox) { return OpenMbox(mbox)->RootFolder()->Folders()->Item(1)->Items()->Count(); }

  // Writes bytes at offset in place and puts the file's times back.
  static void PatchKeepingTimes(const QString& path, qint64 offset, const QByteArray& bytes) {
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.seek(offset));
    ASSERT_EQ(f.write(bytes), bytes.size());
    f.close();
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
  }
  // The second message's "From " line becomes "Xrom ": a scan no longer separates it.
  void HideSecondSeparator() const {
    PatchKeepingTimes(Box(), TbMessage("one", "0001").size(), "X");
  }
  static std::optional<TMboxIndex> ReadCache(const QString& mbox) {
    QFile in(CacheOf(mbox));
    if (!in.open(QIODevice::ReadOnly)) return std::nullopt;
    struct stat st {};
    ::stat(QFile::encodeName(mbox).constData(), &st);
    return twkmbox::ReadIndexCache(in, QFile::encodeName(QFileInfo(mbox).canonicalFilePath()), st.st_size,
                                   std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec);
  }
};

TEST_F(MboxCache, LaterSessionReadsOffsetsFromTheCacheAndChecksEachMessage) {
  WriteBoxAndList();
  QFile cache(CacheOf(Box()));
  ASSERT_TRUE(cache.open(QIODevice::ReadOnly));
  EXPECT_TRUE(cache.readLine().startsWith("TWK mbox index"));
  EXPECT_TRUE(cache.readAll().contains(QFile::encodeName(QFileInfo(Box()).canonicalFilePath())));
  EXPECT_TRUE(CacheOf(Box()).startsWith(User.Home() + QStringLiteral("/cache/tarnwick/mbox/")));
  // The index names mail files: no one else may read the directory.
  EXPECT_EQ(QFileInfo(twkmbox::IndexCacheDir()).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);

  HideSecondSeparator();
  // The third message's first bytes change too ("X-Mozilla-Status" to "Y-Mozilla-Status").
  PatchKeepingTimes(Box(), TbMessage("one", "0001").size() + TbMessage("two", "0000").size() + 32, "Y");
  const auto store = OpenMbox(Box());
  const TwkPtr<IRDOItems> items = store->RootFolder()->Folders()->Item(1)->Items();
  ASSERT_EQ(items->Count(), 3);  // the cache's entries, not a scan's
  EXPECT_EQ(items->Item(1)->Subject(), "one");
  EXPECT_EQ(items->Item(2)->Subject(), "two");
  EXPECT_TRUE(items->Item(2)->UnRead());  // the flags come from the cache too
  // A cached entry whose first bytes are no longer those it was made for is
  // a mail error of that message, never another message's content.
  const TwkPtr<IRDOMail> third = items->Item(3);
  try {
    third->Subject();
    FAIL() << "a changed message was read";
  } catch (const EComError& e) {
    EXPECT_TRUE(e.Message().contains("no longer")) << e.Message().toStdString();
  }
  EXPECT_THROW(store->MessageFromID(third->EntryID())->Subject(), EComError);
}

TEST_F(MboxCache, ChangedPathSizeOrTimeScansAgainAndReplacesTheCache) {
  struct Case {
    const char* name;
    std::function<QString()> change;  // the mbox path afterwards
    bool cacheUsed;
  } cases[] = {
      {"nothing changed", [this] { return Box(); }, true},
      {"time one nanosecond later",
       [this] {
         struct stat st {};
         ::stat(QFile::encodeName(Box()).constData(), &st);
         st.st_mtim.tv_nsec = (st.st_mtim.tv_nsec + 1) % 1000000000;
         const timespec times[2] = {st.st_atim, st.st_mtim};
         ::utimensat(AT_FDCWD, QFile::encodeName(Box()).constData(), times, 0);
         return Box();
       },
       false},
      {"one byte longer, same time",
       [this] {
         PatchKeepingTimes(Box(), QFileInfo(Box()).size(), "\n");
         return Box();
       },
       false},
      {"same bytes and time under another name",
       [this] {
         const QString moved = Dir.Path() + QStringLiteral("/moved");
         EXPECT_TRUE(QFile::rename(Box(), moved));  // rename keeps the time
         return moved;
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(User.Home() + QStringLiteral("/cache")).removeRecursively();
    QFile::remove(Dir.Path() + QStringLiteral("/moved"));
    WriteBoxAndList();
    HideSecondSeparator();
    const QString now = c.change();
    EXPECT_EQ(Count(now), c.cacheUsed ? 3 : 2);
    // A new scan's index replaced the cache: the next session has it.
    const auto cached = ReadCache(now);
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->Entries.size(), c.cacheUsed ? 3u : 2u);
  }
}

TEST_F(MboxCache, CacheFilesNotWholeAndOurOwnAreIgnored) {
  // A cache written for an index the scan could never make (its checksum right).
  auto written = [](const QString& mbox, const std::function<void(TMboxIndex&)>& spoil) {
    return [mbox, spoil](QByteArray& bytes) {
      struct stat st {};
      ::stat(QFile::encodeName(mbox).constData(), &st);
      TMboxIndex index = twkmbox::ScanMboxFile(mbox);
      spoil(index);
      QBuffer out(&bytes);
      out.open(QIODevice::WriteOnly | QIODevice::Truncate);
      twkmbox::WriteIndexCache(out, QFile::encodeName(QFileInfo(mbox).canonicalFilePath()), index);
    };
  };
  const QString box = Box();
  const qsizetype countAt = qsizetype(QByteArray("TWK mbox index 1\n").size() + 4 +
                                      QFile::encodeName(QFileInfo(Dir.File("box")).canonicalFilePath()).size() + 16);
  struct Case {
    const char* name;
    std::function<void(QByteArray&)> damage;
  } cases[] = {
      {"empty", [](QByteArray& b) { b.clear(); }},
      {"cut in the header", [](QByteArray& b) { b.truncate(20); }},
      {"cut in the entries", [](QByteArray& b) { b.chop(40); }},
      {"last byte missing", [](QByteArray& b) { b.chop(1); }},
      {"one byte more", [](QByteArray& b) { b.append('\0'); }},
      {"another version", [](QByteArray& b) { b.replace("TWK mbox index 1\n", "TWK mbox index 9\n"); }},
      {"not a cache at all", [](QByteArray& b) { b = QByteArray(b.size(), 'x'); }},
            // The last entry's From line date: only the checksum tells.
      {"a date's byte flipped", [](QByteArray& b) { b[b.size() - 21] = char(b[b.size() - 21] ^ 0x01); }},
      {"count of 2^62 entries", [countAt](QByteArray& b) { qToLittleEndian<quint64>(quint64(1) << 62, b.data() + countAt); }},
      {"made for another path", [box](QByteArray& b) { b.replace(QFile::encodeName(QFileInfo(box).canonicalFilePath()), QFile::encodeName(QFileInfo(box).canonicalFilePath()).replace("/box", "/xob")); }},
      {"an entry beyond the file's end", written(box, [](TMboxIndex& i) { i.Entries.back().End = i.Size + 1; })},
      {"entries out of order", written(box, [](TMboxIndex& i) { std::swap(i.Entries[0], i.Entries[1]); })},
      {"an entry ending before it starts", written(box, [](TMboxIndex& i) { i.Entries[1].End = i.Entries[1].Start - 1; })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(User.Home() + QStringLiteral("/cache")).removeRecursively();
    WriteBoxAndList();
    QFile f(CacheOf(Box()));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    c.damage(bytes);
    f.resize(0);
    f.seek(0);
    f.write(bytes);
    f.close();
    HideSecondSeparator();
    EXPECT_EQ(Count(Box()), 2);  // scanned again, not read from the damaged cache
    const auto cached = ReadCache(Box());
    ASSERT_TRUE(cached);
    EXPECT_EQ(cached->Entries.size(), 2u);
  }
}

TEST_F(MboxCache, CacheThatCannotBeWrittenStillListsTheFolder) {
  Dir.Write(QStringLiteral("box"), TbMessage("one", "0001") + TbMessage("two", "0000"));
  struct Case {
    const char* name;
    std::function<void()> block;
    QString cacheDir;  // where a written cache would be; empty: none is
  } cases[] = {
      {"the cache home is a file", [&] { Dir.Write(QStringLiteral("home-file"), "x"); qputenv("XDG_CACHE_HOME", Dir.File("home-file").toUtf8()); }, {}},
      {"the cache file's name is a directory", [&] { QDir().mkpath(CacheOf(Box())); }, {}},
      // Without XDG_CACHE_HOME the cache goes under the home directory.
      {"no XDG_CACHE_HOME", [] { qunsetenv("XDG_CACHE_HOME"); }, User.Home() + QStringLiteral("/.cache/tarnwick/mbox")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qputenv("XDG_CACHE_HOME", (User.Home() + QStringLiteral("/cache")).toUtf8());
    c.block();
    for (int session = 1; session <= 2; ++session) {
      const TwkPtr<IRDOItems> items = OpenMbox(Box())->RootFolder()->Folders()->Item(1)->Items();
      ASSERT_EQ(items->Count(), 2);
      EXPECT_EQ(items->Item(2)->MimeContent(), TbMessage("two", "0000").mid(32).chopped(1));
    }
    if (!c.cacheDir.isEmpty()) {
      EXPECT_TRUE(QFileInfo(CacheOf(Box())).isFile());
      EXPECT_TRUE(CacheOf(Box()).startsWith(c.cacheDir));
    }
    // Nothing half-written is left beside a cache that could not be put in place.
    const QString dir = twkmbox::IndexCacheDir();
    for (const QString& name : QDir(dir).entryList(QDir::Files)) EXPECT_FALSE(name.contains(".twk-")) << name.toStdString();
  }
  qputenv("XDG_CACHE_HOME", (User.Home() + QStringLiteral("/cache")).toUtf8());
}

}  // namespace
