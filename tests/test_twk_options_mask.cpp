// `twk options` and `twk mask check` run as processes in an isolated user's
// environment.
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

class TwkOptionsMask : public ::testing::Test {
protected:
  TRunResult Twk(const QStringList& args, const QByteArray& input = {}) const {
    return RunProgram(BinPath("twk"), args, input, FEnv);
  }
  QByteArray SettingsFile() const {
    QFile f(FUser.Home() + "/config/Quendal-Software/Tarnwick.conf");
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QJsonObject Show() const {
    const TRunResult r = Twk({"options", "show"});
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.Stdout, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << r.Stdout.toStdString();
    return doc.object();
  }

  TIsolatedUser FUser;
  QProcessEnvironment FEnv = FUser.Environment();
};

TEST_F(TwkOptionsMask, ShowAndSet) {
  QJsonObject o = Show();
  EXPECT_EQ(o.value("GlobalJobDefPath").toString(), "");
  EXPECT_EQ(o.value("LocalJobDefPath").toString(), FUser.Documents() + "/Tarnwick/Jobs");
  EXPECT_EQ(o.value("SendOptions").toString(), "soAsk");
  EXPECT_EQ(o.value("MeNames").toArray(), QJsonArray());

  for (const QStringList& args : {QStringList{"SendOptions", "soAlways"}, QStringList{"GlobalJobDefPath", " /srv/jobs "},
                                  QStringList{"Me", " *@example.com", "Jane Doe", ""}}) {
    const TRunResult r = Twk(QStringList{"options", "set"} + args);
    EXPECT_EQ(r.ExitCode, 0) << args.join(' ').toStdString() << ": " << r.Stderr.toStdString();
    EXPECT_TRUE(r.Stdout.isEmpty());
  }
  o = Show();
  EXPECT_EQ(o.value("GlobalJobDefPath").toString(), "/srv/jobs");
  EXPECT_EQ(o.value("SendOptions").toString(), "soAlways");
  EXPECT_EQ(o.value("MeNames").toArray(), QJsonArray({"*@example.com", "Jane Doe"}));
  const QByteArray file = SettingsFile();
  EXPECT_TRUE(file.contains("SendOptions=2\n")) << file.toStdString();
  EXPECT_TRUE(file.contains("Me=*@example.com\\r\\nJane Doe\\r\\n\n")) << file.toStdString();

  const TRunResult fromStdin = Twk({"options", "set", "Me", "-"}, "x\r\n\n  y \nz");
  EXPECT_EQ(fromStdin.ExitCode, 0) << fromStdin.Stderr.toStdString();
  EXPECT_EQ(Show().value("MeNames").toArray(), QJsonArray({"x", "y", "z"}));
  EXPECT_EQ(Twk({"options", "set", "SendOptions", "soNever"}).ExitCode, 0);
  EXPECT_EQ(Show().value("SendOptions").toString(), "soNever");
}

TEST_F(TwkOptionsMask, BadOptionsCommandsChangeNothing) {
  ASSERT_EQ(Twk({"options", "set", "SendOptions", "soAlways"}).ExitCode, 0);
  const QByteArray before = SettingsFile();
  struct TCase {
    QStringList Args;
    QByteArray Error;
  } cases[] = {
      {{"set", "SendOptions", "always"}, "SendOptions: unknown value \"always\""},
      {{"set", "SendOptions", "2"}, "SendOptions: unknown value \"2\""},
      {{"set", "SendOptions"}, "SendOptions takes exactly one VALUE"},
      {{"set", "GlobalJobDefPath", "a", "b"}, "GlobalJobDefPath takes exactly one VALUE"},
      {{"set", "Foo", "x"}, "unknown setting \"Foo\""},
      {{"set", "Me"}, "Me needs at least one ENTRY"},
      {{"set", "Me", "a\nb"}, "Me: an entry must not contain a line break"},
      {{"set"}, "set needs NAME and VALUE"},
      {{"show", "extra"}, "show takes no arguments"},
      {{"frob"}, "unknown subcommand \"frob\""},
      {{}, "missing subcommand"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Args.join(' ').toStdString());
    const TRunResult r = Twk(QStringList{"options"} + c.Args);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Stderr.contains(c.Error)) << r.Stderr.toStdString();
    EXPECT_TRUE(r.Stdout.isEmpty());
    EXPECT_EQ(SettingsFile(), before);
  }
}

TEST_F(TwkOptionsMask, SendmailAndLinkRoots) {
  QJsonObject o = Show();
  EXPECT_EQ(o.value("Sendmail").toString(), "/usr/sbin/sendmail");
  EXPECT_EQ(o.value("LinkRoots").toArray(), QJsonArray());

  const QString script = FUser.Home() + "/bin/my sendmail";
  WriteTestFile(script, "#!/bin/sh\n");
  QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  const QString notExecutable = FUser.Home() + "/bin/plain";
  WriteTestFile(notExecutable, {});

  ASSERT_EQ(Twk({"options", "set", "Sendmail", " " + script + " "}).ExitCode, 0);
  EXPECT_EQ(Show().value("Sendmail").toString(), script);
  const QByteArray before = SettingsFile();
  for (const QStringList& bad : {QStringList{"bin/my sendmail"}, QStringList{notExecutable},
                                 QStringList{FUser.Home() + "/bin"}, QStringList{FUser.Home() + "/missing"},
                                 QStringList{script, script}, QStringList{}}) {
    SCOPED_TRACE(bad.join(' ').toStdString());
    const TRunResult r = Twk(QStringList{"options", "set", "Sendmail"} + bad);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Stderr.contains("Sendmail")) << r.Stderr.toStdString();
    EXPECT_EQ(SettingsFile(), before);
  }
  const TRunResult readOnly = Twk({"options", "set", "LinkRoots", "/"});
  EXPECT_EQ(readOnly.ExitCode, 1);
  EXPECT_TRUE(readOnly.Stderr.contains("unknown setting \"LinkRoots\"")) << readOnly.Stderr.toStdString();
  EXPECT_EQ(SettingsFile(), before);

  // The other options are saved without losing the sendmail setting.
  ASSERT_EQ(Twk({"options", "set", "SendOptions", "soNever"}).ExitCode, 0);
  EXPECT_EQ(Show().value("Sendmail").toString(), script);
  ASSERT_EQ(Twk({"options", "set", "Sendmail", ""}).ExitCode, 0);
  EXPECT_EQ(Show().value("Sendmail").toString(), "/usr/sbin/sendmail");
  EXPECT_FALSE(SettingsFile().contains("Sendmail"));
}

TEST_F(TwkOptionsMask, SettingsThatCannotBeSavedAreAnError) {
  QFile blocker(FUser.Home() + "/blocker");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  FEnv.insert("XDG_CONFIG_HOME", FUser.Home() + "/blocker/config");
  const TRunResult r = Twk({"options", "set", "SendOptions", "soNever"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(r.Stderr.toStdString(), "Unable to save the settings\n");
}

TEST_F(TwkOptionsMask, MaskCheck) {
  struct TCase {
    QStringList Args;
    int Exit;
    QByteArray Out;
  } cases[] = {
      {{"[OR]\\[BX50]"}, 0, "valid\n"},
      {{"[FE]"}, 1, "invalid\n"},
      {{"--attachment", "[OR]\\[FE]"}, 0, "valid\n"},
      {{"[F1]", "--attachment"}, 0, "valid\n"},
      {{"a\\\\b"}, 1, "invalid\n"},
      {{"[XYZ]"}, 1, "invalid\n"},
      {{"[eyyyy]\\[B]]"}, 0, "valid\n"},
      {{""}, 0, "valid\n"},
      {{"--", "-[B]"}, 0, "valid\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Args.join(' ').toStdString());
    const TRunResult r = Twk(QStringList{"mask", "check"} + c.Args);
    EXPECT_EQ(r.ExitCode, c.Exit) << r.Stderr.toStdString();
    EXPECT_EQ(r.Stdout, c.Out);
  }
  for (const QStringList& bad : {QStringList{"check"}, QStringList{"check", "a", "b"}, QStringList{"check", "-x", "a"},
                                 QStringList{"preview", "a"}, QStringList{}}) {
    SCOPED_TRACE(bad.join(' ').toStdString());
    const TRunResult r = Twk(QStringList{"mask"} + bad);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Stdout.isEmpty());
    EXPECT_TRUE(r.Stderr.contains("Try 'twk mask --help'.")) << r.Stderr.toStdString();
  }
}

TEST_F(TwkOptionsMask, Help) {
  for (const QStringList& args : {QStringList{"options", "--help"}, QStringList{"options", "set", "-h"},
                                  QStringList{"mask", "--help"}, QStringList{"mask", "check", "--help"}}) {
    SCOPED_TRACE(args.join(' ').toStdString());
    const TRunResult r = Twk(args);
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_TRUE(r.Stdout.startsWith("Usage: twk " + args[0].toUtf8())) << r.Stdout.toStdString();
  }
}

}  // namespace
