// The new-mail event: deliveries into the Inbox announced once, through
// inotify and the Qt event loop; a reader's moves and our own copies are not
// deliveries.
#include "tests/MaildirFixture.h"
#include "twktools/maildir/folder.h"
#include "twktools/session/Session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <unistd.h>

namespace {

class TRecorder final : public IRDOSessionEvents {
public:
  void OnNewMail(const QString& entryID) override { IDs << entryID; }
  QStringList IDs;
};

// Runs the event loop for a while so the watcher sees what happened.
void Pump(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
}

int argc = 1;
char arg0[] = "test";
char* argv[] = {arg0, nullptr};

class NewMail : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  }
  void SetUp() override {
    MakeMaildir(FBox, R"({"layout": "maildir++", "folders": {"Inbox": 2, "Other": 1}})");
    qputenv("MAILDIR", FBox.toUtf8());
    FSession->Logon();
    FSession->Advise(&FEvents);
  }
  void TearDown() override { FSession->Advise(nullptr); }

  // An outside delivery: written in tmp/, then renamed (or linked) into place.
  void Deliver(const QString& unique, const QString& target, bool link = false) {
    const QString tmp = FBox + QStringLiteral("/tmp/") + unique;
    FDir.Write(tmp.mid(FDir.Path().size() + 1), "Subject: new " + unique.toUtf8() + "\n\nbody\n");
    const QString dest = FBox + QLatin1Char('/') + target;
    if (link) {
      ASSERT_EQ(::link(QFile::encodeName(tmp).constData(), QFile::encodeName(dest).constData()), 0);
      QFile::remove(tmp);
    } else {
      ASSERT_TRUE(QFile::rename(tmp, dest));
    }
  }
  QString InboxID(const QString& unique) {
    return static_cast<twkmaildir::MailFolder*>(FSession->GetDefaultFolder(olFolderInbox).get())->MessageEntryID(unique);
  }

  TIsolatedUser FUser;
  TScratchDir FDir;
  QString FBox = FDir.Path() + QStringLiteral("/M");
  TwkPtr<IRDOSession> FSession = TwkPtr<IRDOSession>::Adopt(new twksession::TSession);
  TRecorder FEvents;
};

TEST_F(NewMail, OncePerDeliveryIntoNewOrCur) {
  Deliver(QStringLiteral("1800000000.1.mta"), QStringLiteral("new/1800000000.1.mta"));
  Deliver(QStringLiteral("1800000001.1.mta"), QStringLiteral("cur/1800000001.1.mta:2,S"));
  Pump(300);
  EXPECT_EQ(FEvents.IDs, QStringList({InboxID(QStringLiteral("1800000000.1.mta")), InboxID(QStringLiteral("1800000001.1.mta"))}));
  // The ID opens the message.
  EXPECT_EQ(FSession->GetMessageFromID(FEvents.IDs.first())->Subject(), QStringLiteral("new 1800000000.1.mta"));

  // A reader moves it to cur/ and changes flags: the same message.
  ASSERT_TRUE(QFile::rename(FBox + QStringLiteral("/new/1800000000.1.mta"), FBox + QStringLiteral("/cur/1800000000.1.mta:2,S")));
  ASSERT_TRUE(QFile::rename(FBox + QStringLiteral("/cur/1800000000.1.mta:2,S"), FBox + QStringLiteral("/cur/1800000000.1.mta:2,RS")));
  // Deliveries elsewhere and files in tmp/ do not count.
  FDir.Write(QStringLiteral("M/tmp/1800000002.1.mta"), "Subject: half\n");
  Deliver(QStringLiteral("1800000003.1.mta"), QStringLiteral(".Other/new/1800000003.1.mta"));
  Pump(700);
  EXPECT_EQ(FEvents.IDs.size(), 2);
}

TEST_F(NewMail, LinkedDeliveryAndFileWrittenInPlace) {
  Deliver(QStringLiteral("1800000010.1.mta"), QStringLiteral("new/1800000010.1.mta"), true);
  // A careless writer creates the file in new/ directly: announced when closed.
  QFile direct(FBox + QStringLiteral("/new/1800000011.1.direct"));
  ASSERT_TRUE(direct.open(QIODevice::WriteOnly));
  direct.write("Subject: direct\n");
  direct.flush();
  Pump(100);
  EXPECT_EQ(FEvents.IDs, QStringList({}));  // still written, and the link still settling
  direct.write("\nbody\n");
  direct.close();
  Pump(800);
  EXPECT_EQ(FEvents.IDs.size(), 2);
  EXPECT_TRUE(FEvents.IDs.contains(InboxID(QStringLiteral("1800000010.1.mta"))));
  const QString direct11 = InboxID(QStringLiteral("1800000011.1.direct"));
  EXPECT_TRUE(FEvents.IDs.contains(direct11));
  EXPECT_EQ(FSession->GetMessageFromID(direct11)->Subject(), QStringLiteral("direct"));
}

TEST_F(NewMail, OurOwnCopyIntoTheInboxIsNoDelivery) {
  const auto other = FSession->Stores()->Item(1)->RootFolder()->Folders()->ItemByName(QStringLiteral("Other"));
  other->Items()->Item(1)->CopyTo(FSession->GetDefaultFolder(olFolderInbox).get());
  Pump(700);
  EXPECT_EQ(FEvents.IDs, QStringList({}));
  EXPECT_EQ(FSession->GetDefaultFolder(olFolderInbox)->Items()->Count(), 3);
}

TEST_F(NewMail, NothingAfterUnsubscribeOrLogoff) {
  FSession->Advise(nullptr);
  Deliver(QStringLiteral("1800000020.1.mta"), QStringLiteral("new/1800000020.1.mta"));
  Pump(300);
  FSession->Advise(&FEvents);
  FSession->Logoff();
  Deliver(QStringLiteral("1800000021.1.mta"), QStringLiteral("new/1800000021.1.mta"));
  Pump(300);
  EXPECT_EQ(FEvents.IDs, QStringList({}));
}

// A handler that logs off while the watcher delivers: the rest of the batch
// is dropped, nothing is touched after it is gone.
class TLogoffOnFirst final : public IRDOSessionEvents {
public:
  explicit TLogoffOnFirst(IRDOSession* s) : FSession(s) {}
  void OnNewMail(const QString& entryID) override {
    IDs << entryID;
    FSession->Logoff();
  }
  QStringList IDs;

private:
  IRDOSession* FSession;
};

TEST_F(NewMail, HandlerMayLogOffWhileEventsAreDelivered) {
  TLogoffOnFirst handler(FSession.get());
  FSession->Advise(&handler);
  Deliver(QStringLiteral("1800000030.1.mta"), QStringLiteral("new/1800000030.1.mta"));
  Deliver(QStringLiteral("1800000031.1.mta"), QStringLiteral("new/1800000031.1.mta"));
  Pump(300);
  EXPECT_EQ(handler.IDs.size(), 1);
  EXPECT_FALSE(FSession->LoggedOn());
}

}  // namespace
