// Fault injection into the message side's save, copy and move: a failing
// file-system step, and a process killed before each step. Whatever
// happens, every message keeps one complete copy, cur/ and new/ never hold
// a partial file, and a failure leaves the original exactly as it was.
#include "tests/support/TestSupport.h"
#include "tests/test_maildir_folder.h"
#include "twktools/maildir/Backend.h"
#include "twktools/maildir/save.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

using namespace twkmaildir;

namespace {

enum class TOp { Save, Copy, Move, MoveAcross, MoveChanged };

const char* Name(TOp op) {
  switch (op) {
    case TOp::Save: return "save";
    case TOp::Copy: return "copy";
    case TOp::Move: return "move";
    case TOp::MoveAcross: return "move to another file system";
    case TOp::MoveChanged: return "move with changes";
  }
  return "";
}

// A message larger than one write, so a partial file can occur.
QByteArray Original() {
  QByteArray bytes =
      "From: a@example.org\nTo: b@example.org\nSubject: original\nMIME-Version: 1.0\n"
      "Content-Type: multipart/mixed; boundary=\"BB\"\n\n--BB\nContent-Type: text/plain\n\nbody\n"
      "--BB\nContent-Type: application/octet-stream\nContent-Disposition: attachment; filename=big.bin\n"
      "Content-Transfer-Encoding: base64\n\n";
  for (int i = 0; i < 3000; ++i) bytes += QByteArray(76, 'A') + "\n";
  return bytes + "--BB--\n";
}

void Change(IRDOMail* mail) { mail->SetSubject(QStringLiteral("changed")); }

bool Changes(TOp op) { return op == TOp::Save || op == TOp::MoveChanged; }

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// One store with the message in Inbox/cur and an empty destination folder.
struct TScene {
  explicit TScene(TOp op) {
    Inbox = TTestMailFolder::Create(Dir.Path() + QStringLiteral("/Inbox"));
    const QString destRoot = op == TOp::MoveAcross ? Shm.path() : Dir.Path();
    Archive = TTestMailFolder::Create(destRoot + QStringLiteral("/Archive"));
    Path = Inbox->MaildirPath() + QStringLiteral("/cur/1700000000.M1P1Q1.host:2,S");
    QFile f(Path);
    f.open(QIODevice::WriteOnly);
    f.write(Original());
  }
  void Run(TOp op) {
    auto mail = OpenStoredMessage(Inbox.get(), Path);
    if (Changes(op)) Change(mail.get());
    switch (op) {
      case TOp::Save: mail->Save(); break;
      case TOp::Copy: mail->CopyTo(Archive.get()); break;
      default: mail->Move(Archive.get()); break;
    }
  }
  QStringList Files() const { return Inbox->MessageFiles() + Archive->MessageFiles(); }

  QTemporaryDir Shm{QStringLiteral("/dev/shm/twk-faults-XXXXXX")};
  TScratchDir Dir;
  TwkPtr<TTestMailFolder> Inbox, Archive;
  QString Path;
};

QByteArray ChangedBytes() {
  auto loose = OpenLooseMessage(Original(), QString());
  Change(loose.get());
  return loose->MimeContent();
}

// Every message file is complete (the original or the changed message), and at least one exists.
void ExpectCompleteCopies(const TScene& scene, const QByteArray& changed) {
  const QStringList files = scene.Files();
  EXPECT_FALSE(files.isEmpty()) << "no copy of the message is left";
  for (const QString& f : files) {
    const QByteArray bytes = ReadAll(f);
    EXPECT_TRUE(bytes == Original() || bytes == changed) << "partial file " << f.toStdString() << " of "
                                                          << bytes.size() << " bytes";
  }
}

const TOp kOps[] = {TOp::Save, TOp::Copy, TOp::Move, TOp::MoveAcross, TOp::MoveChanged};

TEST(MessageFaults, AFailingStepLeavesTheOriginalAsItWas) {
  const QByteArray changed = ChangedBytes();
  for (TOp op : kOps) {
    for (int failAt = 1;; ++failAt) {
      SCOPED_TRACE(std::string(Name(op)) + ", failing step " + std::to_string(failAt));
      TScene scene(op);
      if (op == TOp::MoveAcross && !scene.Shm.isValid()) break;
      int calls = 0;
      SetFaultHook([&](TFileStep) { return ++calls == failAt ? ENOSPC : 0; });
      bool failed = false;
      try {
        scene.Run(op);
      } catch (const EComError& e) {
        failed = true;
        EXPECT_TRUE(e.Message().contains(QStringLiteral("No space left on device"))) << e.Message().toStdString();
      }
      SetFaultHook({});
      if (failed) {
        EXPECT_EQ(scene.Files(), QStringList{scene.Path});
        EXPECT_EQ(ReadAll(scene.Path), Original());
        EXPECT_TRUE(scene.Inbox->TmpFiles().isEmpty());
        EXPECT_TRUE(scene.Archive->TmpFiles().isEmpty());
      } else {
        // Only steps whose failure cannot undo a finished change pass silently.
        ExpectCompleteCopies(scene, changed);
        EXPECT_EQ(scene.Files().size(), op == TOp::Copy ? 2 : 1);
      }
      if (calls < failAt) {
        // The operation ran without reaching the fault: every step was covered.
        std::printf("%s: %d file-system steps\n", Name(op), calls);
        EXPECT_GE(calls, op == TOp::Move ? 3 : 6);
        break;
      }
    }
  }
}

TEST(MessageFaults, AProcessKilledAtAnyStepLeavesOneCompleteCopy) {
  const QByteArray changed = ChangedBytes();
  for (TOp op : kOps) {
    for (int killAt = 1;; ++killAt) {
      SCOPED_TRACE(std::string(Name(op)) + ", killed before step " + std::to_string(killAt));
      TScene scene(op);
      if (op == TOp::MoveAcross && !scene.Shm.isValid()) break;
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        int calls = 0;
        SetFaultHook([&](TFileStep) {
          if (++calls == killAt) ::kill(::getpid(), SIGKILL);
          return 0;
        });
        try {
          scene.Run(op);
        } catch (...) {
          ::_exit(3);
        }
        ::_exit(0);
      }
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      ExpectCompleteCopies(scene, changed);
      if (WIFEXITED(status)) {
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_EQ(scene.Files().size(), op == TOp::Copy ? 2 : 1);
        break;  // finished before the kill: every step was covered
      }
      ASSERT_TRUE(WIFSIGNALED(status));
    }
  }
}

TEST(MessageFaults, ErrorsNameThePathAndTheCause) {
  TScene scene(TOp::Save);
  SetFaultHook([](TFileStep step) { return step == TFileStep::Create ? EACCES : 0; });
  try {
    scene.Run(TOp::Save);
    ADD_FAILURE() << "no error";
  } catch (const EComError& e) {
    EXPECT_EQ(e.ErrorCode(), E_ACCESSDENIED);
    EXPECT_TRUE(e.Message().contains(scene.Inbox->MaildirPath() + QStringLiteral("/tmp/"))) << e.Message().toStdString();
    EXPECT_TRUE(e.Message().contains(QStringLiteral("Permission denied")));
  }
  SetFaultHook({});
  EXPECT_EQ(ReadAll(scene.Path), Original());
}

}  // namespace
