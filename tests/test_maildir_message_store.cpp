// The message side through the real folder side: saving, copying and moving
// keep the folders' item collections and the entry IDs right.
#include "tests/MaildirFixture.h"
#include "twktools/session/Session.h"

#include <gtest/gtest.h>

namespace {

const char kSpec[] = R"({"layout": "maildir++", "folders": {"Inbox": 5, "Archive": 0}})";

class MessageInStore : public ::testing::Test {
protected:
  TIsolatedUser FUser;
  TScratchDir FDir;
  QString FRoot = FDir.Path() + QStringLiteral("/Mail");
  QJsonObject FFiles = MakeMaildir(FRoot, kSpec);
  TwkPtr<IRDOSession> FSession = Logon();
  TwkPtr<IRDOFolder> FInbox = FSession->GetDefaultFolder(olFolderInbox);
  TwkPtr<IRDOFolder> FArchive = FSession->Stores()->DefaultStore()->RootFolder()->Folders()->ItemByName(
      QStringLiteral("Archive"));

  TwkPtr<IRDOSession> Logon() {
    qputenv("MAILDIR", FRoot.toUtf8());
    auto s = TwkPtr<IRDOSession>::Adopt(new twksession::TSession);
    s->Logon();
    return s;
  }
};

TEST_F(MessageInStore, SaveGivesANewEntryIDInTheSameFolder) {
  ASSERT_TRUE(FArchive);
  auto mail = FInbox->Items()->Item(2);
  const QString oldID = mail->EntryID();
  mail->SetSubject(QStringLiteral("[saved] ") + mail->Subject());
  mail->Save();
  EXPECT_EQ(FInbox->Items()->Count(), 5);
  EXPECT_NE(mail->EntryID(), oldID);
  EXPECT_THROW(FSession->GetMessageFromID(oldID), EComError);
  auto reopened = FSession->GetMessageFromID(mail->EntryID());
  EXPECT_TRUE(reopened->Subject().startsWith(QStringLiteral("[saved] ")));
  // The changed message keeps its place in the delivery order.
  EXPECT_EQ(FInbox->Items()->Item(2)->EntryID(), mail->EntryID());
}

TEST_F(MessageInStore, CopyAndMoveUpdateBothFolders) {
  ASSERT_TRUE(FArchive);
  auto copy = FInbox->Items()->Item(1)->CopyTo(FArchive.get());
  EXPECT_EQ(FInbox->Items()->Count(), 5);
  EXPECT_EQ(FArchive->Items()->Count(), 1);
  EXPECT_EQ(FSession->GetMessageFromID(copy->EntryID())->Subject(), copy->Subject());

  // As the engine moves: from the last index down, re-reading the count; none is skipped.
  auto items = FInbox->Items();
  for (int i = items->Count(); i >= 1; --i) {
    auto moved = items->Item(i)->Move(FArchive.get());
    EXPECT_EQ(FSession->GetMessageFromID(moved->EntryID())->EntryID(), moved->EntryID());
  }
  EXPECT_EQ(FInbox->Items()->Count(), 0);
  EXPECT_EQ(FArchive->Items()->Count(), 6);
}

}  // namespace
