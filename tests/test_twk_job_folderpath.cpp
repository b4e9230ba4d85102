// `twk job build` with folders named by their display path: resolved to IDs
// through the store, or refused with the path named.
#include "tests/support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

QProcessEnvironment StoreEnv(const TIsolatedUser& user, const QString& maildir) {
  QProcessEnvironment env = user.Environment();
  env.insert(QStringLiteral("MAILDIR"), maildir);
  env.remove(QStringLiteral("TWK_PROFILE"));
  return env;
}

}  // namespace

TEST(TwkJobFolderPath, DisplayPathsBecomeTheFolderIDs) {
  TIsolatedUser user;
  TScratchDir dir;
  const QString maildir = dir.Path() + QStringLiteral("/Maildir");
  for (const char* sub : {"cur", "new", "tmp", ".Archive/cur", ".Archive/new", ".Archive/tmp"})
    QDir().mkpath(maildir + QLatin1Char('/') + QLatin1String(sub));
  const QProcessEnvironment env = StoreEnv(user, maildir);

  const TRunResult folders = RunProgram(BinPath(QStringLiteral("twk")), {QStringLiteral("folders"), QStringLiteral("--json")}, {}, env);
  ASSERT_EQ(folders.ExitCode, 0) << folders.Stderr.constData();
  QJsonObject inbox, archive;
  for (const QJsonValue& v : QJsonDocument::fromJson(folders.Stdout).array()) {
    if (v[QStringLiteral("name")].toString() == QStringLiteral("Inbox")) inbox = v.toObject();
    if (v[QStringLiteral("name")].toString() == QStringLiteral("Archive")) archive = v.toObject();
  }
  ASSERT_FALSE(inbox.isEmpty());
  ASSERT_FALSE(archive.isEmpty());

  const QByteArray json = QJsonDocument(QJsonObject{
      {QStringLiteral("SourceFilter"), QJsonObject{{QStringLiteral("ProcessFolder"), true},
                                                   {QStringLiteral("FolderPath"), inbox[QStringLiteral("path")]}}},
      {QStringLiteral("MoveEmails"), true},
      {QStringLiteral("JobDef_Move"), QJsonObject{{QStringLiteral("FolderPath"), archive[QStringLiteral("path")]}}},
  }).toJson();
  const QString job = dir.File(QStringLiteral("job.twc"));
  const TRunResult build = RunProgram(BinPath(QStringLiteral("twk")),
                                      {QStringLiteral("job"), QStringLiteral("build"), QStringLiteral("-"), QStringLiteral("-o"), job}, json, env);
  ASSERT_EQ(build.ExitCode, 0) << build.Stderr.constData();
  const TRunResult dump = RunProgram(BinPath(QStringLiteral("twk")), {QStringLiteral("job"), QStringLiteral("dump"), job}, {}, env);
  const QJsonObject back = QJsonDocument::fromJson(dump.Stdout).object();
  EXPECT_EQ(back[QStringLiteral("SourceFilter")][QStringLiteral("FolderEntryID")], inbox[QStringLiteral("entryId")]);
  EXPECT_EQ(back[QStringLiteral("SourceFilter")][QStringLiteral("FolderStoreID")], inbox[QStringLiteral("storeId")]);
  EXPECT_EQ(back[QStringLiteral("JobDef_Move")][QStringLiteral("FolderEntryID")], archive[QStringLiteral("entryId")]);

  // A path that names no folder: refused with the path, nothing written.
  struct Case {
    const char* Member;
    const char* Want;
  };
  for (const Case& c : {Case{"SourceFilter", "SourceFilter.FolderPath: Specified Outlook source folder not found: \\\\Maildir\\Nowhere"},
                        Case{"JobDef_Copy", "JobDef_Copy.FolderPath: Specified Outlook destination folder not found: \\\\Maildir\\Nowhere"}}) {
    const QString out = dir.File(QStringLiteral("bad.twc"));
    const QByteArray bad = QJsonDocument(QJsonObject{{QLatin1String(c.Member),
        QJsonObject{{QStringLiteral("FolderPath"), QStringLiteral("\\\\Maildir\\Nowhere")}}}}).toJson();
    const TRunResult r = RunProgram(BinPath(QStringLiteral("twk")),
                                    {QStringLiteral("job"), QStringLiteral("build"), QStringLiteral("-"), QStringLiteral("-o"), out}, bad, env);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_TRUE(r.Stderr.contains(c.Want)) << r.Stderr.constData();
    EXPECT_FALSE(QFile::exists(out));
  }
}
