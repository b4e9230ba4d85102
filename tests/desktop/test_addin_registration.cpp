// Registration of TWK.so through `tarnwick --register` / `--unregister` as
// processes: the values written for all users, what the host then finds,
// the question about running host instances (Cancel, Retry, Ignore on the
// terminal), and unregistration.
#include "addin/hosting/AddinRegistry.h"
#include "addin/hosting/HostInstances.h"
#include "tests/desktop/QtEnvironment.h"
#include "tests/support/TestSupport.h"

#include <QFileInfo>
#include <QSettings>

namespace {

class Registration : public ::testing::Test {
protected:
  void SetUp() override { qputenv("TARNWICK_SYSCONFDIR", SysConf().toUtf8()); }
  void TearDown() override { qunsetenv("TARNWICK_SYSCONFDIR"); }

  QString SysConf() const { return Scratch.Path() + QStringLiteral("/etc"); }
  QString Module() const { return QFileInfo(BinPath(QStringLiteral("TWK.so"))).canonicalFilePath(); }

  // tarnwick on a terminal without a display.
  TRunResult Tarnwick(const QStringList& args, const QByteArray& input = {}) const {
    QProcessEnvironment env = User.Environment();
    env.insert(QStringLiteral("TARNWICK_SYSCONFDIR"), SysConf());
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return RunProgram(BinPath(QStringLiteral("tarnwick")), args, input, env);
  }

  QSettings AllUsers() const { return QSettings(TAddinRegistry::SettingsPath(true), QSettings::IniFormat); }

  TIsolatedUser User;
  TScratchDir Scratch;
};

TEST_F(Registration, RegisterWritesTheAddinForAllUsersAndUnregisterRemovesIt) {
  const TRunResult reg = Tarnwick({QStringLiteral("--register"), Module()});
  ASSERT_EQ(reg.ExitCode, 0) << reg.Stderr.constData();
  EXPECT_EQ(TAddinRegistry::SettingsPath(true), SysConf() + QStringLiteral("/Quendal-Software/TarnwickHost.conf"));
  {
    QSettings s = AllUsers();
    s.beginGroup(QStringLiteral("Office/Outlook/AddIns/TWK.Tarnwick"));
    EXPECT_EQ(s.value("FriendlyName").toString(), "Tarnwick");
    EXPECT_EQ(s.value("Description").toString(), "Export emails and attachments");
    EXPECT_EQ(s.value("LoadBehavior").toInt(), 3);
    EXPECT_EQ(s.value("CommandLineSafe").toInt(), 0);
    s.endGroup();
    const QString clsid = s.value("Classes/TWK.Tarnwick/CLSID").toString();
    EXPECT_EQ(clsid, "{61BFA937-6EEA-4652-AE0F-24A7E77F0708}");
    s.beginGroup(QStringLiteral("Classes/CLSID/") + clsid);
    EXPECT_EQ(s.value("ProgID").toString(), "TWK.Tarnwick");
    EXPECT_EQ(s.value("InprocServer32").toString(), Module());
    EXPECT_EQ(s.value("ThreadingModel").toString(), "Apartment");
    EXPECT_EQ(s.value("TypeLib").toString(), "{6B2671BC-D942-4715-9124-30EF0E77B2E3}");
    s.endGroup();
    EXPECT_EQ(s.value("Classes/TypeLib/{6B2671BC-D942-4715-9124-30EF0E77B2E3}/Name").toString(), "TWK Library");
    EXPECT_EQ(s.value("Classes/Interface/{0A692B8C-8242-41AB-8B41-CC429B0DF1A5}/Name").toString(), "ITarnwick");
  }
  // What the host reads at start.
  const QList<TAddinEntry> found = TAddinRegistry::Addins(QStringLiteral("Outlook"));
  ASSERT_EQ(found.size(), 1);
  EXPECT_EQ(found[0].ProgID, "TWK.Tarnwick");
  EXPECT_EQ(found[0].LoadBehavior, 3);
  EXPECT_EQ(found[0].LibraryPath, Module());
  EXPECT_TRUE(found[0].AllUsers);

  const TRunResult unreg = Tarnwick({QStringLiteral("--unregister"), Module()});
  ASSERT_EQ(unreg.ExitCode, 0) << unreg.Stderr.constData();
  EXPECT_TRUE(TAddinRegistry::Addins(QStringLiteral("Outlook")).isEmpty());
  QSettings s = AllUsers();
  EXPECT_TRUE(s.allKeys().isEmpty()) << s.allKeys().join(QLatin1Char(' ')).toStdString();
}

TEST_F(Registration, RunningHostInstancesAreNamedAndTheAnswerDecides) {
  // This test program plays a running host: it holds an instance lock.
  const THostInstanceLock running(QStringLiteral("tarnwick"));
  ASSERT_EQ(RunningHostInstances().size(), 1);
  const struct {
    const char* Input;
    int Questions;
    bool Registered;
  } cases[] = {
      {"c\n", 1, false},
      {"", 1, false},          // no answer on a closed input: Cancel
      {"r\nc\n", 2, false},    // Retry asks again while the instance runs
      {"r\ni\n", 2, true},     // Ignore registers anyway
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Input);
    QFile::remove(TAddinRegistry::SettingsPath(true));
    const TRunResult r = Tarnwick({QStringLiteral("--register"), Module()}, c.Input);
    const QString err = QString::fromLocal8Bit(r.Stderr);
    EXPECT_EQ(err.count(QStringLiteral("Please close all running host application instances:\ntarnwick (process ")), c.Questions) << err.toStdString();
    EXPECT_EQ(err.contains(QStringLiteral("The registration process has been canceled.")), !c.Registered);
    EXPECT_EQ(r.ExitCode, c.Registered ? 0 : 1);
    EXPECT_EQ(TAddinRegistry::Addins(QStringLiteral("Outlook")).size(), c.Registered ? 1 : 0);
  }
}

TEST_F(Registration, EndedInstancesDoNotCount) {
  { const THostInstanceLock ended(QStringLiteral("tarnwick")); }
  EXPECT_TRUE(RunningHostInstances().isEmpty());
  const TRunResult r = Tarnwick({QStringLiteral("--register"), Module()});
  EXPECT_EQ(r.ExitCode, 0) << r.Stderr.constData();
  EXPECT_FALSE(r.Stderr.contains("Please close"));
}

TEST_F(Registration, NoDisplayAndBadLibrary) {
  const TRunResult window = Tarnwick({});
  EXPECT_EQ(window.ExitCode, 1);
  EXPECT_EQ(window.Stderr.count('\n'), 1) << window.Stderr.constData();
  EXPECT_TRUE(window.Stderr.startsWith("tarnwick: no display")) << window.Stderr.constData();

  const TRunResult missing = Tarnwick({QStringLiteral("--register"), Scratch.Path() + QStringLiteral("/none.so")});
  EXPECT_EQ(missing.ExitCode, 1);
  EXPECT_TRUE(missing.Stderr.contains("Could not load")) << missing.Stderr.constData();
  EXPECT_TRUE(TAddinRegistry::Addins(QStringLiteral("Outlook")).isEmpty());
}

}  // namespace
