// What reaches the disk when, with the real TWKbat.
// - Killed with SIGKILL at random times, round after round, a run leaves no
//   partial file under a final name (only under hidden temporary names), no
//   log record naming a file that is not complete, no e-mail that lost an
//   attachment whose saved file is not complete, no e-mail lost.
// - Traced (strace), a run syncs a file only where a record or a change of
//   the e-mail relies on it, renames each file once, and syncs the file
//   system of the other files once at its end.
#include "test_engine_fixture.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <csignal>

namespace {

constexpr int kMessages = 16;
constexpr int kRounds = 10;

QStringList Utf16Lines(const QByteArray& bytes) {
  const QByteArray body = bytes.mid(bytes.startsWith("\xFF\xFE") ? 2 : 0);
  QStringList lines = QString::fromUtf16(reinterpret_cast<const char16_t*>(body.constData()), body.size() / 2)
                          .split(QStringLiteral("\r\n"));
  lines.removeLast();  // after the last CR LF: nothing, or an unfinished line
  return lines.mid(1);
}

QStringList Fields(const QString& line) {
  QStringList out;
  for (const QString& f : line.split(QLatin1Char('\t'))) out << f.mid(1, f.size() - 2).replace("\"\"", "\"");
  return out;
}

QByteArray LinkHash(const QString& target) {
  QByteArray bytes("\xFF\xFE", 2);
  const QString text = "TWK\r\n" + target + "\r\n";
  bytes += QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

class TwkbatDurability : public TEngineTest {
protected:
  void WriteMessages() {
    QJsonArray inbox;
    for (int i = 1; i <= kMessages; ++i)
      inbox.append(QJsonObject{{"subject", QStringLiteral("Message %1").arg(i)},
                               {"time", 1700000000 + i * 60},
                               {"atts", QJsonArray{Att(QStringLiteral("m%1-a.bin").arg(i), 150000 + i * 997, i),
                                                   Att(QStringLiteral("m%1-b.pdf").arg(i), 60000 + i * 331, 100 + i,
                                                       "application/pdf")}}});
    WriteStore(QJsonObject{{"Inbox", inbox}});
  }

  // Every file below Export() with its bytes, the hidden ones apart.
  QMap<QString, QByteArray> Visible(QStringList* hidden = nullptr) const {
    QMap<QString, QByteArray> out;
    for (const QString& rel : Files(Export())) {
      if (rel.startsWith("logs/")) continue;
      if (QFileInfo(rel).fileName().startsWith('.')) {
        if (hidden) *hidden << rel;
        continue;
      }
      out[rel] = ReadFile(Export() + "/" + rel);
    }
    return out;
  }

  // Runs the job once to the end: what each final name must hold.
  QMap<QString, QByteArray> Reference(qint64& millis) {
    WriteMessages();
    QDir(Export()).removeRecursively();
    QElapsedTimer timer;
    timer.start();
    const TRunResult r = RunJob();
    millis = timer.elapsed();
    EXPECT_EQ(r.ExitCode, 0) << r.Stdout.constData();
    return Visible();
  }

  // Starts the job and kills it after `after` ms (or lets it end).
  void RunAndKill(qint64 after) {
    QProcess bat;
    bat.setProcessEnvironment(Env());
    bat.start(BinPath("TWKbat"), {Job(), "/quiet", "/noprompt"});
    ASSERT_TRUE(bat.waitForStarted());
    QThread::msleep(quint64(after));
    if (bat.state() != QProcess::NotRunning) ::kill(pid_t(bat.processId()), SIGKILL);
    ASSERT_TRUE(bat.waitForFinished(60000));
  }

  // Each visible export file is complete: the bytes of the uninterrupted run.
  void ExpectCompleteFiles(const QMap<QString, QByteArray>& reference) {
    QStringList hidden;
    const QMap<QString, QByteArray> files = Visible(&hidden);
    for (auto it = files.begin(); it != files.end(); ++it) {
      ASSERT_TRUE(reference.contains(it.key())) << it.key().toStdString();
      EXPECT_TRUE(it.value() == reference[it.key()]) << "partial file " << it.key().toStdString();
    }
    for (const QString& rel : hidden) EXPECT_TRUE(rel.contains(".part-")) << rel.toStdString();
  }

  // The sync and rename calls of one run, counted by name (strace).
  QMap<QString, int> TracedRun() {
    const QString trace = Scratch.File("trace.txt");
    QProcessEnvironment env = Env();
    // LeakSanitizer cannot run under a tracer; the untraced runs check leaks.
    const QString asan = env.value("ASAN_OPTIONS");
    env.insert("ASAN_OPTIONS", (asan.isEmpty() ? QString() : asan + ":") + "detect_leaks=0");
    const TRunResult r = RunProgram(QStringLiteral("strace"),
                                    {"-f", "-qq", "-y", "-o", trace, "-e", "trace=fsync,fdatasync,syncfs,sync,rename,renameat,renameat2",
                                     BinPath("TWKbat"), Job(), "/quiet", "/noprompt"},
                                    {}, env);
    EXPECT_EQ(r.ExitCode, 0) << r.Stdout.constData() << r.Stderr.constData();
    QMap<QString, int> calls;
    static const QRegularExpression call(QStringLiteral("^\\d+\\s+(\\w+)\\("));
    for (const QString& line : QString::fromUtf8(ReadFile(trace)).split('\n')) {
      const QRegularExpressionMatch m = call.match(line);
      if (m.hasMatch()) calls[m.captured(1).startsWith("rename") ? QStringLiteral("rename") : m.captured(1)] += 1;
    }
    if (qEnvironmentVariableIsSet("TWK_SHOW_TRACE")) std::fprintf(stderr, "%s", ReadFile(trace).constData());
    return calls;
  }

  QRandomGenerator Random{quint32(QDateTime::currentMSecsSinceEpoch())};
};

// Three e-mails with 0, 2 and 1 attachments: three e-mail files and three
// attachment files.
TEST_F(TwkbatDurability, FilesAreSyncedOnlyWhereARecordReliesOnThemAndRenamedOnce) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray{QJsonObject{{"subject", "One"}, {"time", 1700000000}},
                                              QJsonObject{{"subject", "Two"},
                                                          {"time", 1700000060},
                                                          {"atts", QJsonArray{Att("a.bin", 4000, 1), Att("b.bin", 5000, 2)}}},
                                              QJsonObject{{"subject", "Three"},
                                                          {"time", 1700000120},
                                                          {"atts", QJsonArray{Att("c.bin", 3000, 3)}}}}}});
  const QString logs = Scratch.Path() + "/logs";
  auto emails = [&](bool logged) {
    QJsonObject def{{"EmailFormat", "efEML"}, {"DestFolder", Export()}, {"SubFolderMask", "[B]"}, {"AttsAlso", true}};
    if (logged) def["LogExport"] = true, def["LogFolder"] = logs;
    return QJsonObject{{"ExportEmails", true}, {"JobDef_ExportEmails", def}};
  };
  const struct {
    const char* Name;
    QJsonObject Job;
    int Fsyncs, Syncfs, Renames, Files;
  } cases[] = {
      // Nothing records the files: no sync of their own, one of the file system at the end.
      {"e-mails and attachments", emails(false), 0, 1, 6, 6},
      // The file system of an e-mail's files before its record (3), the
      // three log files once per record (3 x 3); nothing left for the end.
      {"e-mails, attachments and logs", emails(true), 9, 3, 6, 6},
      {"attachments only",
       QJsonObject{{"ExportAtts", true},
                   {"JobDef_ExportAtts", QJsonObject{{"DestFolder", Export()}, {"SubFolderMask", "[FE]"}}}},
       0, 1, 3, 3},
      // Before each of the two changed e-mails is saved, the file system of
      // its files (2); the store's rewrite of each (the new content in tmp/,
      // cur/ after the swap: 2 x 2) and the settings recording the link
      // folder (2, once). Renamed: the three files and the three link files
      // into place, and per rewritten e-mail its old file to the new name
      // and the new content over it (2 x 2).
      {"attachments replaced by links",
       QJsonObject{{"ExportAtts", true},
                   {"JobDef_ExportAtts",
                    QJsonObject{{"DestFolder", Export()}, {"SubFolderMask", "[FE]"}, {"ShortcutMode", "smTWK"}}}},
       6, 2, 10, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    QDir(Export()).removeRecursively();
    QDir(logs).removeRecursively();
    BuildJob(FolderJob("Inbox", false, c.Job));
    const QMap<QString, int> calls = TracedRun();
    EXPECT_EQ(calls.value("fsync") + calls.value("fdatasync"), c.Fsyncs) << calls.keys().join(' ').toStdString();
    EXPECT_EQ(calls.value("syncfs"), c.Syncfs);
    EXPECT_EQ(calls.value("sync"), 0);
    EXPECT_EQ(calls.value("rename"), c.Renames);
    EXPECT_EQ(Files(Export()).size(), c.Files);
  }
}

// A file system that fails to write the files back at the end: the run ends
// with an error naming the directory, after the lists and the end line.
TEST_F(TwkbatDurability, AFailingSyncAtTheEndIsAnErrorOfTheRunNamingTheDirectory) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray{QJsonObject{{"subject", "One"}, {"time", 1700000000}}}}});
  BuildJob(FolderJob("Inbox", false,
                     {{"ExportEmails", true},
                      {"JobDef_ExportEmails", QJsonObject{{"EmailFormat", "efEML"}, {"DestFolder", Export()},
                                                          {"SubFolderMask", "[B]"}}}}));
  QProcessEnvironment env = Env();
  env.insert("LD_PRELOAD", TWK_FAILING_SYNCFS);
  // A sanitized program would refuse a library loaded before its runtime.
  const QString asan = env.value("ASAN_OPTIONS");
  env.insert("ASAN_OPTIONS", (asan.isEmpty() ? QString() : asan + ":") + "verify_asan_link_order=0");
  const TRunResult r = RunProgram(BinPath("TWKbat"), {Job(), "/quiet", "/noprompt"}, {}, env);
  EXPECT_EQ(r.ExitCode, 1) << r.Stdout.constData();
  const QStringList lines = Lines(r.Stdout);
  ASSERT_GE(lines.size(), 3) << r.Stdout.constData();
  EXPECT_TRUE(lines[lines.size() - 3].contains(" End TWKbat ")) << r.Stdout.constData();
  EXPECT_TRUE(lines.last().endsWith(" Error: Unable to write the exported files in " + Export() +
                                    " to disk: Input/output error"))
      << lines.last().toStdString();
  // The file itself is complete under its name.
  EXPECT_EQ(Files(Export()), QStringList{"One.eml"});

  // With logs the sync comes before the record: the e-mail fails, unrecorded.
  const QString logs = Scratch.Path() + "/logs";
  BuildJob(FolderJob("Inbox", false,
                     {{"ExportEmails", true},
                      {"JobDef_ExportEmails", QJsonObject{{"EmailFormat", "efEML"}, {"DestFolder", Export()},
                                                          {"SubFolderMask", "[B]"}, {"LogExport", true},
                                                          {"LogFolder", logs}}}}));
  const TRunResult logged = RunProgram(BinPath("TWKbat"), {Job(), "/quiet", "/noprompt"}, {}, env);
  EXPECT_EQ(logged.ExitCode, 2) << logged.Stdout.constData();
  EXPECT_TRUE(logged.Stdout.contains("Unable to write the exported files in " + Export().toUtf8() + " to disk"))
      << logged.Stdout.constData();
  EXPECT_FALSE(QFileInfo::exists(logs + "/Eml-u.log"));
}

TEST_F(TwkbatDurability, KilledEmailExportLeavesCompleteFilesAndRecordsOfCompleteFilesOnly) {
  const QString logs = Export() + "/logs";
  WriteMessages();
  BuildJob(FolderJob("Inbox", false,
                     {{"ExportEmails", true},
                      {"JobDef_ExportEmails", QJsonObject{{"EmailFormat", "efEML"},
                                                          {"DestFolder", Export()},
                                                          {"SubFolderMask", "[B]"},
                                                          {"AttsAlso", true},
                                                          {"LogExport", true},
                                                          {"LogFolder", logs}}}}));
  qint64 full = 0;
  const QMap<QString, QByteArray> reference = Reference(full);
  ASSERT_EQ(reference.size(), 3 * kMessages);
  for (int round = 0; round < kRounds; ++round) {
    const qint64 after = Random.bounded(qint64(full * 6 / 5) + 1);
    SCOPED_TRACE(QStringLiteral("round %1, killed after %2 of %3 ms").arg(round).arg(after).arg(full).toStdString());
    QDir(Export()).removeRecursively();
    RunAndKill(after);
    ExpectCompleteFiles(reference);
    // A record names only complete files: the e-mail and each attachment.
    QStringList named;
    for (const QString& line : Utf16Lines(ReadFile(logs + "/Eml-u.log"))) named << Fields(line).value(10);
    for (const QString& line : Utf16Lines(ReadFile(logs + "/Att-u.log"))) named << Fields(line).value(1);
    for (const QString& path : named) {
      const QString rel = QDir(Export()).relativeFilePath(path);
      ASSERT_TRUE(reference.contains(rel)) << path.toStdString();
      EXPECT_TRUE(ReadFile(path) == reference[rel]) << "a record names an incomplete file " << path.toStdString();
    }
  }
}

TEST_F(TwkbatDurability, KilledLinkExportNeverLeavesAnEmailWithoutItsCompleteFile) {
  WriteMessages();
  BuildJob(FolderJob("Inbox", false,
                     {{"ExportAtts", true},
                      {"JobDef_ExportAtts", QJsonObject{{"DestFolder", Export()},
                                                        {"SubFolderMask", "[FE]"},
                                                        {"ShortcutMode", "smTWK"}}}}));
  qint64 full = 0;
  const QMap<QString, QByteArray> reference = Reference(full);
  ASSERT_EQ(reference.size(), 2 * kMessages);
  QMap<QByteArray, QString> linkTargets;  // link hash -> exported file
  for (const QString& rel : reference.keys()) linkTargets[LinkHash(Export() + "/" + rel)] = rel;

  for (int round = 0; round < kRounds; ++round) {
    const qint64 after = Random.bounded(qint64(full * 6 / 5) + 1);
    SCOPED_TRACE(QStringLiteral("round %1, killed after %2 of %3 ms").arg(round).arg(after).arg(full).toStdString());
    WriteMessages();
    QDir(Export()).removeRecursively();
    RunAndKill(after);
    ExpectCompleteFiles(reference);
    // Every e-mail is still there (a copy twice at most), and each of its
    // attachments is either in it or a link to a complete file.
    QSet<QString> subjects;
    for (const QJsonValue& m : ReadStore()["INBOX"].toArray()) {
      subjects << m["subject"].toString();
      EXPECT_EQ(m["atts"].toArray().size(), 2) << m["subject"].toString().toStdString();
      for (const QJsonValue& a : m["atts"].toArray()) {
        const QString name = a["name"].toString();
        if (!name.endsWith(".twk")) continue;
        const QString rel = linkTargets.value(a["sha256"].toString().toLatin1());
        ASSERT_FALSE(rel.isEmpty()) << "a link to no exported file: " << name.toStdString();
        EXPECT_TRUE(ReadFile(Export() + "/" + rel) == reference[rel]) << "linked file incomplete: " << rel.toStdString();
      }
    }
    EXPECT_EQ(subjects.size(), kMessages);
  }
}

}  // namespace
