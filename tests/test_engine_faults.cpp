// Failures while a job runs, through the real TWKbat: a log folder in use by
// another program, a full disk, a destination directory that cannot be
// created. Each is that e-mail's six-line error, the run goes on, the exit
// code is 2, nothing partial is left under a final name, nothing is lost.
#include "test_engine_fixture.h"

#include <QDateTime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

class EngineFaults : public TEngineTest {
protected:
  QJsonObject EmailsJob(const QString& dest, const QString& logs = {}) {
    QJsonObject d{{"EmailFormat", "efEML"}, {"DestFolder", dest}, {"SubFolderMask", "[B]"}, {"AttsAlso", true}};
    if (!logs.isEmpty()) {
      d["LogExport"] = true;
      d["LogFolder"] = logs;
    }
    return FolderJob("Inbox", false, {{"ExportEmails", true}, {"JobDef_ExportEmails", d}});
  }
  // The mail-error blocks of a report: six lines each, the last one empty.
  static QList<QStringList> Blocks(const QStringList& report) {
    QList<QStringList> blocks;
    qsizetype i = 0;
    while (i + 6 <= report.size() && report[i].startsWith("*** ")) {
      blocks << report.mid(i, 6);
      i += 6;
    }
    return blocks;
  }
  void ExpectBlock(const QStringList& b, const QString& subject, const QString& message) {
    ASSERT_EQ(b.size(), 6);
    EXPECT_TRUE(QRegularExpression("^\\*\\*\\* \\S.*:$").match(b[0]).hasMatch()) << b[0].toStdString();
    EXPECT_EQ(b[1], "Folder: " + FolderPath("Inbox"));
    EXPECT_EQ(b[2], "Subject: " + subject);
    EXPECT_TRUE(b[3].startsWith("Email's date: ")) << b[3].toStdString();
    EXPECT_EQ(b[4], message);
    EXPECT_EQ(b[5], "");
  }
};

TEST_F(EngineFaults, LogFolderInUseIsAMailErrorAtOnce) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray{QJsonObject{{"subject", "First"}, {"time", 1700000000}},
                                              QJsonObject{{"subject", "Second"}, {"time", 1700086400}}}}});
  const QString logs = Scratch.Path() + "/logs";
  BuildJob(EmailsJob(Export(), logs));
  ASSERT_EQ(RunJob().ExitCode, 0);  // creates the three files, records 1 and 2
  const QByteArray eml = ReadFile(logs + "/Eml-u.log");
  const QByteArray ids = ReadFile(logs + "/ID-u.log");
  ASSERT_EQ(ids, "2\r\n");

  // Another program holds the email log with a lock of its own.
  const int fd = ::open(QFile::encodeName(logs + "/Eml-u.log").constData(), O_RDWR);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  const qint64 started = QDateTime::currentSecsSinceEpoch();
  const TRunResult r = RunJob();
  ::close(fd);
  EXPECT_LT(QDateTime::currentSecsSinceEpoch() - started, 20) << "the second writer waited";
  EXPECT_EQ(r.ExitCode, 2) << r.Stdout.constData();
  const QStringList report = Report(r);
  const QList<QStringList> blocks = Blocks(report);
  ASSERT_EQ(blocks.size(), 2) << r.Stdout.constData();
  const QString inUse = logs + "/Eml-u.log: the file is in use by another process";
  ExpectBlock(blocks[0], "Second", inUse);
  ExpectBlock(blocks[1], "First", inUse);
  EXPECT_EQ(report.mid(12), (QStringList{"", "Folders inspected: 1", "Items inspected: 2", "Emails processed: 2", "",
                                         "Emails exported: 0", ""}));
  // Nothing written to the logs, the number unchanged; the e-mail files of
  // the second run stay beside the first run's.
  EXPECT_EQ(ReadFile(logs + "/Eml-u.log"), eml);
  EXPECT_EQ(ReadFile(logs + "/ID-u.log"), ids);
  EXPECT_EQ(Files(Export()), (QStringList{"First-2.eml", "First.eml", "Second-2.eml", "Second.eml"}));
}

TEST_F(EngineFaults, DestinationThatCannotBeCreated) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray{QJsonObject{{"subject", "One"}}, QJsonObject{{"subject", "Two"}}}},
                         {"Archive", QJsonArray{}}});
  Scratch.Write("plainfile", "not a directory");
  const QString dest = Scratch.File("plainfile") + "/export";
  QJsonObject job = EmailsJob(dest);
  job["CopyEmails"] = true;
  job["JobDef_Copy"] = FolderRef("Archive");
  BuildJob(job);
  const TRunResult r = RunJob();
  EXPECT_EQ(r.ExitCode, 2);
  const QStringList report = Report(r);
  const QList<QStringList> blocks = Blocks(report);
  ASSERT_EQ(blocks.size(), 2) << r.Stdout.constData();
  ExpectBlock(blocks[0], "Two", dest + ": Not a directory");
  // The failing export keeps that e-mail's later tasks from running.
  EXPECT_TRUE(report.contains("Emails copied: 0"));
  EXPECT_EQ(ReadStore()["INBOX"].toArray().size(), 2);
}

// A small file system that fills up: a tmpfs where this test may mount one.
class FullDisk : public EngineFaults {
protected:
  QString Disk;
  bool Mounted = false;
  void SetUp() override {
    Disk = Scratch.Path() + "/disk";
    QDir().mkpath(Disk);
    Mounted = ::mount("tmpfs", QFile::encodeName(Disk).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                      "size=256k,mode=0700") == 0;
    if (!Mounted) GTEST_SKIP() << "cannot mount a tmpfs here";
    WriteStore(QJsonObject{{"Inbox", QJsonArray{QJsonObject{{"subject", "Small"}, {"time", 1700000000},
                                                             {"atts", QJsonArray{Att("small.bin", 10000, 1)}}},
                                                QJsonObject{{"subject", "Large"}, {"time", 1700086400},
                                                            {"atts", QJsonArray{Att("large.bin", 600000, 2)}}}}}});
  }
  void TearDown() override {
    if (Mounted) ::umount2(QFile::encodeName(Disk).constData(), MNT_DETACH);
  }
  // Nothing partial, under a final name or a temporary one.
  void ExpectOnly(const QStringList& files) { EXPECT_EQ(Files(Disk), files); }
};

TEST_F(FullDisk, EmailExportFailsForThatEMailOnly) {
  BuildJob(EmailsJob(Disk + "/export"));
  const TRunResult r = RunJob();
  EXPECT_EQ(r.ExitCode, 2) << r.Stdout.constData();
  const QList<QStringList> blocks = Blocks(Report(r));
  ASSERT_EQ(blocks.size(), 1) << r.Stdout.constData();
  EXPECT_EQ(blocks[0][2], "Subject: Large");
  // The error names the file the user knows, and the system's reason.
  EXPECT_TRUE(blocks[0][4].contains(Disk + "/export/Large.eml")) << blocks[0][4].toStdString();
  EXPECT_FALSE(blocks[0][4].contains(".part-")) << blocks[0][4].toStdString();
  EXPECT_TRUE(blocks[0][4].contains("No space left on device")) << blocks[0][4].toStdString();
  EXPECT_TRUE(Report(r).contains("Emails exported: 1"));
  ExpectOnly({"export/Small.eml", "export/_Attachments/small.bin"});
  EXPECT_EQ(ReadFile(Disk + "/export/_Attachments/small.bin"), AttBytes(10000, 1));
}

TEST_F(FullDisk, AttachmentNotSavedStaysInTheEMail) {
  BuildJob(FolderJob("Inbox", false,
                     {{"ExportAtts", true},
                      {"JobDef_ExportAtts", QJsonObject{{"DestFolder", Disk}, {"SubFolderMask", "[FE]"},
                                                        {"ShortcutMode", "smRemove"}}}}));
  const TRunResult r = RunJob();
  EXPECT_EQ(r.ExitCode, 0) << r.Stdout.constData();  // a failed save is a skipped attachment
  EXPECT_EQ(Report(r).mid(5), (QStringList{"Attachments saved: 1", "Attachments removed: 1", "Affected emails: 1", ""}));
  ExpectOnly({"small.bin"});
  const QJsonArray inbox = ReadStore()["INBOX"].toArray();
  ASSERT_EQ(inbox.size(), 2);
  for (const QJsonValue& m : inbox) {
    if (m["subject"] == "Large") {
      ASSERT_EQ(m["atts"].toArray().size(), 1);
      EXPECT_EQ(m["atts"][0]["size"].toInt(), 600000);
      EXPECT_EQ(m["atts"][0]["sha256"].toString(),
                QCryptographicHash::hash(AttBytes(600000, 2), QCryptographicHash::Sha256).toHex());
    } else {
      EXPECT_TRUE(m["atts"].toArray().isEmpty());
    }
  }
}

}  // namespace
