// Options on a real settings file of an isolated user.
#include "core/Options.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

std::string S(const QString& s) { return s.toStdString(); }

class OptionsTest : public ::testing::Test {
protected:
  OptionsTest() {
    // QSettings remembers the first configuration directory of the process.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, FUser.Home() + "/config");
  }
  QString SettingsFile() const { return FUser.Home() + "/config/Quendal-Software/Tarnwick.conf"; }
  void WriteSettings(const QByteArray& ini) const {
    QDir().mkpath(FUser.Home() + "/config/Quendal-Software");
    QFile f(SettingsFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    // QSettings reloads a file it has read only when its time or size moved:
    // a comment of growing length changes the size of every write.
    static int writes = 0;
    ++writes;
    f.write(ini + "\n;" + QByteArray(writes, 'x') + "\n");
    f.setFileTime(QDateTime::currentDateTime().addSecs(writes), QFileDevice::FileModificationTime);
  }
  QByteArray ReadSettings() const {
    QFile f(SettingsFile());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  TOptions Loaded() const {
    TOptions o;
    o.LoadFromRegistry();
    return o;
  }

  TIsolatedUser FUser;
};

TEST_F(OptionsTest, CreateClearAndNoSettings) {
  TOptions created;
  EXPECT_EQ(created.SendOptions(), soNever);
  EXPECT_TRUE(created.LocalJobDefPath().isEmpty());

  const TOptions o = Loaded();
  EXPECT_TRUE(o.GlobalJobDefPath().isEmpty());
  EXPECT_EQ(o.SendOptions(), soAsk);
  EXPECT_TRUE(o.MeNames().isEmpty());
  EXPECT_EQ(S(o.LocalJobDefPath()), S(FUser.Documents() + "/Tarnwick/Jobs"));
  EXPECT_EQ(S(TOptions::GetLastUsedFilename()), S(FUser.Documents() + "/Tarnwick/last.twc"));
  EXPECT_EQ(S(TOptions::GetInboxDefFilename()), S(FUser.Documents() + "/Tarnwick/inbox.twx"));
  EXPECT_FALSE(QFile::exists(SettingsFile()));  // loading never creates the settings
}

TEST_F(OptionsTest, LoadRules) {
  struct TCase {
    QByteArray Ini;
    QString Global;
    TSendOptions Send;
    QStringList Me;
  } cases[] = {
      {"[General]\nSendOptions=7\n", "", soAsk, {}},
      {"[General]\nSendOptions=-1\n", "", soAsk, {}},
      {"[General]\nSendOptions=abc\n", "", soAsk, {}},
      {"[General]\nSendOptions=1.5\n", "", soAsk, {}},
      {"[General]\nSendOptions=0\n", "", soNever, {}},
      {"[General]\nSendOptions=2\n", "", soAlways, {}},
      {"[General]\nGlobalJobDefPath=\"  /srv/jobs \\t\"\n", "/srv/jobs", soAsk, {}},
      {"[General]\nMe=a\\r\\n\\r\\nb\\r\\n\n", "", soAsk, {"a", "", "b"}},
      {"[General]\nMe=\\r\\n  a\\nb\\rc \\r\\n\n", "", soAsk, {"a", "b", "c"}},
      {"[General]\nMe=\" \"\n", "", soAsk, {}},
      // A list where a text belongs is an unreadable value.
      {"[General]\nGlobalJobDefPath=a, b\nMe=x, y\nSendOptions=1, 2\n", "", soAsk, {}},
      // Values of later features stay out of the way.
      {"[General]\nSendmail=/usr/sbin/sendmail\nLinkRoots=/a\nSendOptions=0\n", "", soNever, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Ini.toStdString());
    WriteSettings(c.Ini);
    const TOptions o = Loaded();
    EXPECT_EQ(S(o.GlobalJobDefPath()), S(c.Global));
    EXPECT_EQ(o.SendOptions(), c.Send);
    EXPECT_EQ(o.MeNames(), c.Me);
    EXPECT_EQ(S(o.LocalJobDefPath()), S(FUser.Documents() + "/Tarnwick/Jobs"));
  }
}

TEST_F(OptionsTest, SaveWritesTheThreeValuesAndKeepsOthers) {
  WriteSettings("[General]\nSendmail=/usr/sbin/sendmail\n");
  TOptions o = Loaded();
  o.SetGlobalJobDefPath("/srv/jobs");
  o.SetSendOptions(soAlways);
  o.MeNames() = QStringList{"*@example.com", "Jane Doe"};
  ASSERT_TRUE(o.SaveToRegistry());

  const QByteArray file = ReadSettings();
  EXPECT_TRUE(file.contains("GlobalJobDefPath=/srv/jobs\n")) << file.toStdString();
  EXPECT_TRUE(file.contains("SendOptions=2\n")) << file.toStdString();
  EXPECT_TRUE(file.contains("Me=*@example.com\\r\\nJane Doe\\r\\n\n")) << file.toStdString();
  EXPECT_TRUE(file.contains("Sendmail=/usr/sbin/sendmail\n")) << file.toStdString();
  EXPECT_FALSE(file.contains("LocalJobDefPath"));

  const TOptions back = Loaded();
  EXPECT_EQ(S(back.GlobalJobDefPath()), "/srv/jobs");
  EXPECT_EQ(back.SendOptions(), soAlways);
  EXPECT_EQ(back.MeNames(), o.MeNames());

  TOptions copy;
  copy.Assign(back);
  copy.MeNames() << "extra";  // the copy owns its own list
  EXPECT_EQ(back.MeNames().size(), 2);
  EXPECT_EQ(S(copy.LocalJobDefPath()), S(back.LocalJobDefPath()));
}

TEST_F(OptionsTest, SaveToAnUnwritablePlaceReportsWithoutRaising) {
  // The configuration directory lies below a plain file: nobody can create it.
  QFile blocker(FUser.Home() + "/blocker");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, FUser.Home() + "/blocker/config");
  TOptions o = Loaded();
  o.SetSendOptions(soNever);
  bool saved = true;
  EXPECT_NO_THROW(saved = o.SaveToRegistry());
  EXPECT_FALSE(saved);
  EXPECT_EQ(Loaded().SendOptions(), soAsk);
}

TEST_F(OptionsTest, JobDefNamesAndFiles) {
  TScratchDir dir;
  for (const char* f : {"a.twc", "b.twc", "notes.txt", ".hidden.twc", "C.TWC", "d.twc.bak"}) dir.Write(f, "x");
  QDir(dir.Path()).mkdir("folder.twc");
  ::symlink("/nonexistent", QFile::encodeName(dir.Path() + "/dangling.twc").constData());

  QStringList names = {"stale"};
  ListJobDefNames(dir.Path() + " ", names);
  names.sort();
  EXPECT_EQ(names, QStringList({"a", "b"}));
  ListJobDefNames(dir.Path() + "/missing", names);
  EXPECT_TRUE(names.isEmpty());

  TOptions o = Loaded();
  names = QStringList{"stale"};
  o.ReadGlobalJobDefNames(names);
  EXPECT_TRUE(names.isEmpty());
  o.SetGlobalJobDefPath(dir.Path());
  o.ReadGlobalJobDefNames(names);
  names.sort();
  EXPECT_EQ(names, QStringList({"a", "b"}));

  QDir().mkpath(o.LocalJobDefPath());
  QFile local(o.LocalJobDefPath() + "/mine.twc");
  ASSERT_TRUE(local.open(QIODevice::WriteOnly));
  local.close();
  o.ReadLocalJobDefNames(names);
  EXPECT_EQ(names, QStringList({"mine"}));

  for (const QString& path : {dir.Path(), dir.Path() + "/", dir.Path() + " "})
    EXPECT_EQ(S(TOptions::GetFilenameFromJobDefName(path, "a")), S(dir.Path() + "/a.twc")) << S(path);
}

TEST(SendOptionsNames, RoundTrip) {
  for (TSendOptions v : {soNever, soAsk, soAlways}) {
    TSendOptions back = soNever;
    ASSERT_TRUE(SendOptionsFromName(SendOptionsName(v), back));
    EXPECT_EQ(back, v);
  }
  TSendOptions v = soAsk;
  EXPECT_FALSE(SendOptionsFromName("soask", v));
  EXPECT_FALSE(SendOptionsFromName("1", v));
  EXPECT_EQ(v, soAsk);
}

}  // namespace
