// The folder walk on a real maildir that another program changes while it
// is walked: messages taken away, renamed (new flags) and delivered between
// the listing and the read.
#include "core/FolderWalker.h"
#include "tests/MaildirFixture.h"
#include "twktools/session/Session.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <functional>
#include <sys/stat.h>

namespace {

QString Box(const TScratchDir& dir) { return dir.Path() + QStringLiteral("/store"); }

// Message i of the Inbox: delivered at 1700000000 + 100 i, subject "i".
QString MessagePath(const QString& box, int i, const char* flags = "S") {
  return QStringLiteral("%1/cur/%2.M%3P1.host:2,%4").arg(box).arg(1700000000 + 100 * i).arg(i).arg(QLatin1String(flags));
}

void WriteMessage(const QString& path, int i) {
  WriteTestFile(path, QStringLiteral("Subject: %1\nFrom: a@example.org\n\nbody %1\n").arg(i).toLatin1());
}

// Reads every item's subject and runs what another program does meanwhile.
class TRecordingVisitor final : public TFolderVisitor {
public:
  QMap<QString, int> Visits;  // subject -> times visited
  QStringList Errors;
  QMap<QString, std::function<void()>> During;  // subject -> done while it is visited

  void EnterFolder(IRDOFolder*, int) override {}
  void VisitItem(IRDOItems*, int, IRDOMail* item) override {
    ASSERT_TRUE(item);
    try {
      const QString subject = item->Subject();
      ++Visits[subject];
      if (During.contains(subject)) During.take(subject)();
    } catch (const EComError& e) {
      EXPECT_EQ(e.ErrorCode(), MAPI_E_OBJECT_DELETED) << e.Message().toStdString();
      Errors << e.Message();
    }
  }
};

TwkPtr<IRDOFolder> Inbox(const QString& box) {
  qputenv("MAILDIR", box.toUtf8());
  auto session = TwkPtr<IRDOSession>::Adopt(new twksession::TSession);
  session->Logon();
  return session->GetDefaultFolder(olFolderInbox);
}

}  // namespace

TEST(FolderWalkUnderChange, EveryStayingMessageOnceNoneTwice) {
  TScratchDir dir;
  TIsolatedUser user;
  const QString box = Box(dir);
  MakeMaildir(box, R"({"layout": "maildir++", "folders": {"Inbox": 0}})");
  for (int i = 1; i <= 10; ++i) WriteMessage(MessagePath(box, i), i);
  TwkPtr<IRDOFolder> inbox = Inbox(box);

  TRecordingVisitor visitor;
  // While 8 is processed: 3 (below, unvisited) is taken away, so everything
  // above it moves down; 5 is marked as replied (a rename); 12 arrives as the
  // newest. While 6 is processed: 11 arrives between 1 and 2, so everything
  // above moves up.
  visitor.During[QStringLiteral("8")] = [&] {
    ASSERT_TRUE(QFile::remove(MessagePath(box, 3)));
    ASSERT_TRUE(QFile::rename(MessagePath(box, 5), MessagePath(box, 5, "RS")));
    WriteMessage(QStringLiteral("%1/new/%2.M12P1.host").arg(box).arg(1800000000), 12);
  };
  visitor.During[QStringLiteral("6")] = [&] {
    WriteMessage(QStringLiteral("%1/cur/%2.M11P1.host:2,").arg(box).arg(1700000000 + 150), 11);
  };
  WalkFolderTree(inbox.get(), false, visitor);

  for (int i : {1, 2, 4, 5, 6, 7, 8, 9, 10}) EXPECT_EQ(visitor.Visits.value(QString::number(i)), 1) << i;
  EXPECT_FALSE(visitor.Visits.contains(QStringLiteral("3")));
  // Those that came in: at most once (11 lies below the walk's position).
  EXPECT_EQ(visitor.Visits.value(QStringLiteral("11")), 1);
  EXPECT_LE(visitor.Visits.value(QStringLiteral("12")), 1);
  EXPECT_TRUE(visitor.Errors.isEmpty()) << visitor.Errors.join(u'\n').toStdString();
}

TEST(FolderWalkUnderChange, AMessageGoneBeforeItsReadIsOneErrorOfItsOwn) {
  TScratchDir dir;
  TIsolatedUser user;
  const QString box = Box(dir);
  MakeMaildir(box, R"({"layout": "maildir++", "folders": {"Inbox": 0}})");
  for (int i = 1; i <= 4; ++i) WriteMessage(MessagePath(box, i), i);
  TwkPtr<IRDOFolder> inbox = Inbox(box);
  TwkPtr<IRDOItems> items = inbox->Items();
  ASSERT_EQ(items->Count(), 4);
  TwkPtr<IRDOMail> second = items->Item(2);
  TwkPtr<IRDOMail> third = items->Item(3);
  // Listed, then moved to another folder (gone) and renamed (still here).
  ASSERT_TRUE(QFile::rename(MessagePath(box, 2), dir.Path() + QStringLiteral("/elsewhere")));
  ASSERT_TRUE(QFile::rename(MessagePath(box, 3), MessagePath(box, 3, "FS")));
  try {
    second->Subject();
    ADD_FAILURE() << "a message that left its folder was read";
  } catch (const EComError& e) {
    EXPECT_EQ(e.ErrorCode(), MAPI_E_OBJECT_DELETED);
    EXPECT_TRUE(e.Message().startsWith(QStringLiteral("The e-mail is no longer in the folder"))) << e.Message().toStdString();
  }
  EXPECT_EQ(third->Subject(), QStringLiteral("3"));
  EXPECT_TRUE(third->Body().startsWith(QStringLiteral("body 3")));
  EXPECT_TRUE(third->MimeContent().contains("Subject: 3"));
}

// A changed message moved while another program renames or takes away its
// file: the move follows a rename; a message that is gone is not brought
// back into any folder.
TEST(FolderWalkUnderChange, MovingAChangedMessageWhoseFileChanged) {
  for (const bool gone : {false, true}) {
    SCOPED_TRACE(gone);
    TScratchDir dir;
    TIsolatedUser user;
    const QString box = Box(dir);
    MakeMaildir(box, R"({"layout": "maildir++", "folders": {"Inbox": 0, "Archive": 0}})");
    WriteMessage(MessagePath(box, 1), 1);
    TwkPtr<IRDOFolder> inbox = Inbox(box);
    TwkPtr<IRDOFolder> archive = inbox->Parent()->Folders()->ItemByName(QStringLiteral("Archive"));
    ASSERT_TRUE(archive);
    TwkPtr<IRDOMail> mail = inbox->Items()->Item(1);
    mail->SetSubject(QStringLiteral("[saved] 1"));
    if (gone)
      ASSERT_TRUE(QFile::rename(MessagePath(box, 1), dir.Path() + QStringLiteral("/elsewhere")));
    else
      ASSERT_TRUE(QFile::rename(MessagePath(box, 1), MessagePath(box, 1, "RS")));
    if (gone) {
      try {
        mail->Move(archive.get());
        ADD_FAILURE() << "a message that left its folder was moved";
      } catch (const EComError& e) {
        EXPECT_EQ(e.ErrorCode(), MAPI_E_OBJECT_DELETED) << e.Message().toStdString();
      }
      EXPECT_EQ(archive->Items()->Count(), 0);
    } else {
      TwkPtr<IRDOMail> moved = mail->Move(archive.get());
      EXPECT_EQ(moved->Subject(), QStringLiteral("[saved] 1"));
      EXPECT_EQ(archive->Items()->Count(), 1);
    }
    EXPECT_EQ(inbox->Items()->Count(), 0);
  }
}
