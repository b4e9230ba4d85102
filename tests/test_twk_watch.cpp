// `twk watch` as a process: the inbox tasks run on messages that an outside
// writer delivers into the Inbox's new/ (tmp/ then rename, as an MTA does),
// the inbox file is read again when it is replaced, errors go to standard
// error, and SIGTERM or SIGINT ends it with exit code 0. On a mail server's
// Inbox the same, with the mail stored by another IMAP client.
#include "core/NewMailLock.h"
#include "support/DovecotServer.h"
#include "test_engine_fixture.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <csignal>

namespace {

class TwkWatch : public TEngineTest {
protected:
  void TearDown() override {
    if (FWatch.state() != QProcess::NotRunning) {
      FWatch.kill();
      FWatch.waitForFinished(5000);
    }
  }

  QString InboxFile() const { return User.Documents() + "/Tarnwick/inbox.twx"; }

  // The inbox file from its JSON form, written by `twk inbox build`.
  void WriteInbox(bool active, const QJsonArray& tasks) {
    QDir().mkpath(User.Documents() + "/Tarnwick");
    const TRunResult r = RunProgram(BinPath("twk"), {"inbox", "build", "-", "-o", InboxFile()},
                                    Json(QJsonObject{{"Active", active}, {"Tasks", tasks}}), Env());
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr.constData();
  }
  QJsonObject EmlTask(const QString& senderMasks, const QString& mask = "[B]") const {
    return QJsonObject{{"InboxFilter", QJsonObject{{"SenderMasks", senderMasks}}},
                       {"ExportEmails", true},
                       {"JobDef_ExportEmails",
                        QJsonObject{{"EmailFormat", "efEML"}, {"DestFolder", Export()}, {"SubFolderMask", mask}}}};
  }

  void Start() {
    FWatch.setProcessEnvironment(Env());
    FWatch.setReadChannel(QProcess::StandardError);
    FWatch.start(BinPath("twk"), {"watch"});
    ASSERT_TRUE(FWatch.waitForStarted(10000));
    ASSERT_TRUE(WaitForErr("Watching " + FolderPath("Inbox") + " for new mail\n")) << FErr.constData();
  }
  // Standard error so far, read without blocking for long.
  void ReadErr(int ms) {
    FWatch.waitForReadyRead(ms);
    FErr += FWatch.readAllStandardError();
  }
  // Waits (bounded) until standard error holds text after position from.
  bool WaitForErr(const QString& text, qsizetype from = 0) {
    QElapsedTimer t;
    t.start();
    while (FErr.indexOf(text.toUtf8(), from) < 0) {
      if (t.elapsed() > 15000 || FWatch.state() == QProcess::NotRunning) return false;
      ReadErr(50);
    }
    return true;
  }
  // Waits (bounded) until the file exists.
  bool WaitForFile(const QString& path) {
    QElapsedTimer t;
    t.start();
    while (!QFileInfo::exists(path)) {
      if (t.elapsed() > 15000 || FWatch.state() == QProcess::NotRunning) return false;
      ReadErr(20);
    }
    return true;
  }

  // A message written into the Inbox's tmp/ and renamed into new/.
  QByteArray Deliver(const QString& unique, const QString& from, const QString& subject,
                     const QByteArray& contentType = "text/plain; charset=utf-8", QByteArray body = {}) {
    if (body.isEmpty()) body = "Body of " + subject.toUtf8() + ".\r\n";
    const QByteArray bytes = "From: " + from.toUtf8() + "\r\nTo: Me <me@example.org>\r\nSubject: " + subject.toUtf8() +
                             "\r\nDate: Tue, 07 May 2024 09:04:02 +0000\r\nMessage-ID: <" + unique.toUtf8() +
                             "@test>\r\nMIME-Version: 1.0\r\nContent-Type: " + contentType + "\r\n\r\n" + body;
    const QString tmp = Store() + "/INBOX/tmp/" + unique;
    QFile f(tmp);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    EXPECT_TRUE(QFile::rename(tmp, Store() + "/INBOX/new/" + unique));
    return bytes;
  }

  // Sends the signal and expects a clean end.
  void Stop(int signal = SIGTERM) {
    ASSERT_EQ(::kill(pid_t(FWatch.processId()), signal), 0);
    ASSERT_TRUE(FWatch.waitForFinished(10000));
    FErr += FWatch.readAllStandardError();
    EXPECT_EQ(FWatch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(FWatch.exitCode(), 0) << FErr.constData();
  }

  QProcess FWatch;
  QByteArray FErr;
};

TEST_F(TwkWatch, ExportsEachNewMailByTheFirstMatchingTask) {
  // An e-mail already in the Inbox at the start is no new mail.
  WriteStore(QJsonObject{{"Inbox", QJsonArray{QJsonObject{{"subject", "Already there"}, {"from", "alice@x.org"}}}}});
  WriteInbox(true, {EmlTask("nobody@*", "first\\[B]"), EmlTask("alice@*")});
  Start();
  EXPECT_TRUE(FErr.contains(("Inbox task file " + InboxFile() + " loaded: 2 tasks, active\n").toUtf8()));

  // Handled in delivery order: once the last file is there, the ones before
  // (matching no task; a meeting request, which is no e-mail) have been too.
  Deliver("1715072641.M1P1.mta", "Alice <alice@example.org>", "Meeting", "text/calendar; method=REQUEST",
          "BEGIN:VCALENDAR\r\nMETHOD:REQUEST\r\nBEGIN:VEVENT\r\nSUMMARY:Meeting\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
  Deliver("1715072642.M2P1.mta", "Bob <bob@example.org>", "From Bob");
  const QByteArray bytes = Deliver("1715072643.M3P1.mta", "Alice <alice@example.org>", "From Alice");
  ASSERT_TRUE(WaitForFile(Export() + "/From Alice.eml")) << FErr.constData();
  EXPECT_EQ(ReadFile(Export() + "/From Alice.eml"), bytes);
  Stop();
  EXPECT_EQ(Files(Export()), QStringList{"From Alice.eml"});
  EXPECT_FALSE(FErr.contains("***")) << FErr.constData();
}

TEST_F(TwkWatch, InactiveListRunsNothingAndAReplacedFileTakesEffect) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray{}}});
  WriteInbox(false, {EmlTask("")});
  Start();
  EXPECT_TRUE(FErr.contains(("Inbox task file " + InboxFile() + " loaded: 1 tasks, inactive\n").toUtf8()));
  Deliver("1715072642.M1P1.mta", "Bob <bob@example.org>", "While inactive");
  // Let the watcher see this one before the list changes.
  QThread::msleep(300);

  qsizetype mark = FErr.size();
  WriteInbox(true, {EmlTask("")});
  ASSERT_TRUE(WaitForErr("loaded: 1 tasks, active\n", mark)) << FErr.constData();
  Deliver("1715072643.M2P1.mta", "Bob <bob@example.org>", "While active");
  ASSERT_TRUE(WaitForFile(Export() + "/While active.eml")) << FErr.constData();
  EXPECT_EQ(Files(Export()), QStringList{"While active.eml"});

  // A damaged file empties the list and says so, naming the file.
  mark = FErr.size();
  Scratch.Write("bad.twx", "TWKOAD99 not an inbox file");
  ASSERT_TRUE(QFile::remove(InboxFile()));
  ASSERT_TRUE(QFile::rename(Scratch.File("bad.twx"), InboxFile()));
  ASSERT_TRUE(WaitForErr("Inbox task file " + InboxFile() + " could not be loaded: Unexpected end of file - file damaged: " +
                             InboxFile() + "\n",
                         mark))
      << FErr.constData();
  Deliver("1715072644.M3P1.mta", "Bob <bob@example.org>", "After damage");
  QThread::msleep(300);
  ReadErr(50);
  Stop();
  EXPECT_EQ(Files(Export()), QStringList{"While active.eml"});
}

TEST_F(TwkWatch, TaskErrorsGoToStandardErrorWithATimestamp) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray{}}});
  WriteInbox(true, {EmlTask("", "[XX]")});
  Start();
  const qsizetype mark = FErr.size();
  Deliver("1715072642.M1P1.mta", "Bob <bob@example.org>", "Bad mask");
  ASSERT_TRUE(WaitForErr("Export emails: Invalid mask for subfolders/filename specified\n\n", mark))
      << FErr.constData();
  Stop();
  QStringList lines = QString::fromUtf8(FErr.mid(mark)).split('\n');
  ASSERT_GE(lines.size(), 7) << FErr.constData();
  EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d(Z|[+-]\\d\\d:\\d\\d) Inbox tasks on a new e-mail:$")
                  .match(lines[0])
                  .hasMatch())
      << lines[0].toStdString();
  EXPECT_TRUE(lines[1].startsWith("*** ")) << lines[1].toStdString();
  EXPECT_EQ(lines[2], "Folder: " + FolderPath("Inbox"));
  EXPECT_EQ(lines[3], "Subject: Bad mask");
  EXPECT_TRUE(lines[4].startsWith("Email's date: ")) << lines[4].toStdString();
  EXPECT_EQ(lines[5], "Export emails: Invalid mask for subfolders/filename specified");
  EXPECT_EQ(lines[6], "");
  EXPECT_EQ(Files(Export()), QStringList());
}

TEST_F(TwkWatch, WaitsWhileTheDesktopProcessesNewMailAndTakesOverAfterIt) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray{}}});
  WriteInbox(true, {EmlTask("")});
  // The desktop's add-in started first with an active list.
  TNewMailLock desktop;
  ASSERT_TRUE(desktop.TryAcquire("the desktop (tarnwick, pid 4242)"));
  Start();
  EXPECT_TRUE(FErr.contains("New mail is processed by the desktop (tarnwick, pid 4242): nothing is processed here until it ends\n"))
      << FErr.constData();
  Deliver("1715072642.M1P1.mta", "Bob <bob@example.org>", "While the desktop runs");
  QThread::msleep(300);
  ReadErr(50);
  EXPECT_EQ(Files(Export()), QStringList());

  // The desktop ended: the next new mail is processed here, and the lock
  // now names this watcher.
  desktop.Release();
  const qsizetype mark = FErr.size();
  Deliver("1715072643.M2P1.mta", "Bob <bob@example.org>", "After the desktop");
  ASSERT_TRUE(WaitForFile(Export() + "/After the desktop.eml")) << FErr.constData();
  EXPECT_TRUE(WaitForErr("processing new mail again\n", mark)) << FErr.constData();
  EXPECT_EQ(TNewMailLock::Holder(), QStringLiteral("twk watch (pid %1)").arg(FWatch.processId()));
  EXPECT_FALSE(desktop.TryAcquire("the desktop (tarnwick, pid 4242)"));
  Stop();
  EXPECT_EQ(Files(Export()), QStringList{"After the desktop.eml"});
  EXPECT_TRUE(desktop.TryAcquire("the desktop (tarnwick, pid 4242)"));
}

TEST_F(TwkWatch, SigintEndsItCleanlyAndAMissingStoreFailsTheStart) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray{}}});
  Start();
  EXPECT_TRUE(FErr.contains(("Inbox task file " + InboxFile() + " not found: no inbox tasks\n").toUtf8()));
  Stop(SIGINT);

  QProcessEnvironment env = Env();
  env.insert("MAILDIR", Scratch.Path() + "/nowhere");
  const TRunResult r = RunProgram(BinPath("twk"), {"watch"}, {}, env, 15000);
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_TRUE(r.Stderr.contains("nowhere")) << r.Stderr.constData();
  EXPECT_FALSE(r.Stderr.contains("Watching")) << r.Stderr.constData();
}

// A Dovecot serving the store: IDLE tells of the mail another client
// stores; a server that went away and came back is found again.
TEST_F(TwkWatch, NewMailOnAnImapInboxAlsoAfterTheServerCameBack) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray{QJsonObject{{"subject", "Already there"}, {"from", "alice@x.org"}}}}});
  TDovecot server(Store());
  ASSERT_TRUE(server.Started()) << server.Error().toStdString();
  Scratch.Write("profile.conf", server.StoreSection("Server").toUtf8());
  ProfilePath = Scratch.File("profile.conf");
  WriteInbox(true, {EmlTask("alice@*")});
  Start();
  auto store = [&](const QString& subject) {
    const QByteArray bytes = "From: Alice <alice@example.org>\r\nTo: Me <me@example.org>\r\nSubject: " +
                             subject.toUtf8() + "\r\nDate: Tue, 07 May 2024 09:04:02 +0000\r\nMessage-ID: <" +
                             subject.toUtf8().toHex() + "@test>\r\n\r\nHello.\r\n";
    const TRunResult r = RunProgram(DebianPython(),
                                    {TestToolPath("imapctl.py"), QString::number(server.Port()),
                                     QString::fromLatin1(TDovecot::kPassword), "append", "INBOX", "", "1715072643"},
                                    bytes);
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr.constData();
    return bytes;
  };
  const QByteArray first = store("First");
  ASSERT_TRUE(WaitForFile(Export() + "/First.eml")) << FErr.constData();
  EXPECT_EQ(ReadFile(Export() + "/First.eml"), first);

  server.Stop();
  QThread::msleep(500);
  ASSERT_TRUE(server.Start());
  const QByteArray second = store("Second");
  ASSERT_TRUE(WaitForFile(Export() + "/Second.eml")) << FErr.constData() << server.Log().toStdString();
  EXPECT_EQ(ReadFile(Export() + "/Second.eml"), second);
  Stop();
  EXPECT_EQ(Files(Export()), (QStringList{"First.eml", "Second.eml"}));
}

}  // namespace
