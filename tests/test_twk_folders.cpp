// `twk folders` end to end: the real program loading the real component
// from its own directory.
#include "tests/MaildirFixture.h"

#include <QFile>
#include <QJsonArray>

namespace {

QProcessEnvironment EnvWith(const QString& name, const QString& value) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("TWK_PROFILE"));
  env.remove(QStringLiteral("MAILDIR"));
  if (!name.isEmpty()) env.insert(name, value);
  return env;
}

TEST(TwkFolders, ListsEveryFolderAsJsonAndText) {
  TIsolatedUser user;
  TScratchDir dir;
  const QString root = dir.Path() + QStringLiteral("/Mail");
  MakeMaildir(root, R"({"layout": "maildir++", "folders": {"Inbox": 2, "Archive/2023": 1, "Entwürfe": 0}})");
  const TRunResult r = RunProgram(BinPath(QStringLiteral("twk")), {QStringLiteral("folders"), QStringLiteral("--json")}, {},
                                  EnvWith(QStringLiteral("MAILDIR"), root));
  ASSERT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
  const QJsonArray folders = QJsonDocument::fromJson(r.Stdout).array();
  const struct {
    QString Path, Name;
    bool Mail;
    int Items;
  } expected[] = {
      {QStringLiteral("\\\\Mail"), QStringLiteral("Mail"), false, 0},
      {QStringLiteral("\\\\Mail\\Inbox"), QStringLiteral("Inbox"), true, 2},
      {QStringLiteral("\\\\Mail\\Archive"), QStringLiteral("Archive"), false, 0},
      {QStringLiteral("\\\\Mail\\Archive\\2023"), QStringLiteral("2023"), true, 1},
      {QStringLiteral("\\\\Mail\\Entwürfe"), QStringLiteral("Entwürfe"), true, 0},
  };
  ASSERT_EQ(folders.size(), std::size(expected)) << r.Stdout.toStdString();
  QString storeID;
  for (qsizetype i = 0; i < folders.size(); ++i) {
    const QJsonObject f = folders[i].toObject();
    EXPECT_EQ(f.keys(), QStringList({QStringLiteral("entryId"), QStringLiteral("items"), QStringLiteral("mail"),
                                     QStringLiteral("name"), QStringLiteral("path"), QStringLiteral("storeId")}));
    EXPECT_EQ(f[QStringLiteral("path")].toString(), expected[i].Path);
    EXPECT_EQ(f[QStringLiteral("name")].toString(), expected[i].Name);
    EXPECT_EQ(f[QStringLiteral("mail")].toBool(), expected[i].Mail);
    EXPECT_EQ(f[QStringLiteral("items")].toInt(), expected[i].Items);
    const QString eid = f[QStringLiteral("entryId")].toString();
    EXPECT_EQ(eid, eid.toUpper());
    if (i == 0) storeID = f[QStringLiteral("storeId")].toString();
    EXPECT_EQ(f[QStringLiteral("storeId")].toString(), storeID);
  }

  const TRunResult text = RunProgram(BinPath(QStringLiteral("twk")), {QStringLiteral("folders")}, {},
                                     EnvWith(QStringLiteral("MAILDIR"), root));
  ASSERT_EQ(text.ExitCode, 0);
  const QStringList lines = QString::fromUtf8(text.Stdout).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 6);
  EXPECT_EQ(lines[0], QStringLiteral("PATH\tNAME\tMAIL\tITEMS\tENTRYID\tSTOREID"));
  EXPECT_EQ(lines[2].section(QLatin1Char('\t'), 0, 3), QStringLiteral("\\\\Mail\\Inbox\tInbox\tyes\t2"));
  EXPECT_EQ(lines[2].section(QLatin1Char('\t'), 4), folders[1][QStringLiteral("entryId")].toString() + QLatin1Char('\t') + storeID);

  // Started through a link elsewhere, twk still finds the component beside
  // its real file.
  const QString link = dir.Path() + QStringLiteral("/bin/twk");
  dir.File(QStringLiteral("bin/twk"));
  ASSERT_TRUE(QFile::link(BinPath(QStringLiteral("twk")), link));
  const TRunResult linked = RunProgram(link, {QStringLiteral("folders"), QStringLiteral("--json")}, {},
                                       EnvWith(QStringLiteral("MAILDIR"), root));
  EXPECT_EQ(linked.ExitCode, 0) << linked.Stderr.toStdString();
  EXPECT_EQ(linked.Stdout, r.Stdout);
}

TEST(TwkFolders, HelpAndErrors) {
  TIsolatedUser user;
  const QString twk = BinPath(QStringLiteral("twk"));
  const TRunResult help = RunProgram(twk, {QStringLiteral("folders"), QStringLiteral("--help")});
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_TRUE(help.Stdout.contains("Usage: twk folders [--json]"));

  const TRunResult usage = RunProgram(twk, {QStringLiteral("folders"), QStringLiteral("--xml")});
  EXPECT_EQ(usage.ExitCode, 1);
  EXPECT_TRUE(usage.Stderr.contains("unexpected argument '--xml'")) << usage.Stderr.toStdString();

  const TRunResult none = RunProgram(twk, {QStringLiteral("folders")}, {}, EnvWith(QString(), QString()));
  EXPECT_EQ(none.ExitCode, 1);
  EXPECT_TRUE(none.Stderr.startsWith("No mail store found; looked at: TWK_PROFILE (not set)")) << none.Stderr.toStdString();
  EXPECT_TRUE(none.Stderr.contains((user.Home() + QStringLiteral("/Maildir")).toUtf8()));
}

}  // namespace
