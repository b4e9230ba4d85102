// Stores, folders, IDs and the item listing on real maildirs written by the
// independent writer, in both layouts.
#include "tests/MaildirFixture.h"
#include "twktools/maildir/folder.h"
#include "twktools/maildir/utf7.h"
#include "twktools/session/Session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace twkmaildir;

namespace {

TwkPtr<IRDOSession> NewSession() { return TwkPtr<IRDOSession>::Adopt(new twksession::TSession); }

TwkPtr<IRDOSession> LogonAt(const QString& maildir) {
  qputenv("MAILDIR", maildir.toUtf8());
  auto s = NewSession();
  s->Logon();
  return s;
}

TwkPtr<IRDOFolder> ByPath(IRDOFolder* root, const QStringList& names) {
  TwkPtr<IRDOFolder> f(root);
  for (const QString& n : names) {
    f = f->Folders()->ItemByName(n);
    if (!f) return {};
  }
  return f;
}

std::shared_ptr<TListing> ListingOf(IRDOFolder* folder) { return static_cast<TMaildirFolder*>(folder)->Listing(); }

// Moves a directory's change time into the past, as if nothing touched it lately.
void AgeDirectory(const QString& dir) {
  timespec times[2];
  clock_gettime(CLOCK_REALTIME, &times[0]);
  times[0].tv_sec -= 3600;
  times[1] = times[0];
  ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(dir).constData(), times, 0), 0);
}

// A Maildir++ store at box whose Inbox holds the given files, the i-th with
// the subject "i", its directories aged so the listing trusts them.
void WriteNumberedInbox(const QString& box, const QStringList& files) {
  MakeMaildir(box, R"({"layout": "maildir++", "folders": {"Inbox": 0}})");
  for (qsizetype i = 0; i < files.size(); ++i) WriteTestFile(files[i], QStringLiteral("Subject: %1\n\nx\n").arg(i).toLatin1());
  for (const char* d : {"/cur", "/new"}) AgeDirectory(box + QLatin1String(d));
}

const char kStorePlan[] = R"({"layout": "%1", "folders": {
  "Inbox": [{"time": 1700000000}, {"time": 999999999, "subdir": "cur", "flags": "S"}, {"time": 1700000000, "subject": "same second"}],
  "Archive/2023": 2, "Ünï & Co": 1, "Empty": 0},
  "plain": ["Projects"]})";

class StoreLayouts : public ::testing::TestWithParam<const char*> {
protected:
  TIsolatedUser FUser;
  TScratchDir FDir;
  QString FRoot = FDir.Path() + QStringLiteral("/Mail");
  QJsonObject FFiles = MakeMaildir(FRoot, QString::fromUtf8(kStorePlan).arg(QLatin1String(GetParam())).toUtf8());
  TwkPtr<IRDOSession> FSession = LogonAt(FRoot);
  TwkPtr<IRDOFolder> FRootFolder = FSession->Stores()->DefaultStore()->RootFolder();
};

TEST_P(StoreLayouts, FolderTreeWithPathsNamesAndClassification) {
  EXPECT_EQ(FRootFolder->FolderPath(), QStringLiteral("\\\\Mail"));
  EXPECT_EQ(FRootFolder->Classification(), olFolderKindOther);
  EXPECT_FALSE(FRootFolder->Parent());
  QStringList names;
  const auto subs = FRootFolder->Folders();
  for (int i = 1; i <= subs->Count(); ++i) names << subs->Item(i)->Name();
  const bool nested = QLatin1String(GetParam()) == QLatin1String("nested");
  QStringList expected = {QStringLiteral("Inbox"), QStringLiteral("Archive"), QStringLiteral("Empty")};
  if (nested) expected << QStringLiteral("Projects");
  expected << QStringLiteral("Ünï & Co");
  EXPECT_EQ(names, expected);

  struct TCase {
    QStringList Path;
    QString Display;
    int Kind;
  } cases[] = {
      {{QStringLiteral("inbox")}, QStringLiteral("\\\\Mail\\Inbox"), olFolderKindMail},
      {{QStringLiteral("Archive")}, QStringLiteral("\\\\Mail\\Archive"), olFolderKindOther},  // implied by Archive/2023
      {{QStringLiteral("ARCHIVE"), QStringLiteral("2023")}, QStringLiteral("\\\\Mail\\Archive\\2023"), olFolderKindMail},
      {{QStringLiteral("ünï & co")}, QStringLiteral("\\\\Mail\\Ünï & Co"), olFolderKindMail},
  };
  for (const TCase& c : cases) {
    const auto f = ByPath(FRootFolder.get(), c.Path);
    ASSERT_TRUE(f) << c.Path.join(QLatin1Char('/')).toStdString();
    EXPECT_EQ(f->FolderPath(), c.Display);
    EXPECT_EQ(f->Classification(), c.Kind) << c.Display.toStdString();
    EXPECT_EQ(f->Parent()->Folders()->ItemByName(f->Name())->EntryID(), f->EntryID());
  }
  if (nested) {
    EXPECT_EQ(ByPath(FRootFolder.get(), {QStringLiteral("Projects")})->Classification(), olFolderKindOther);
  }
  EXPECT_EQ(FSession->GetDefaultFolder(olFolderInbox)->FolderPath(), QStringLiteral("\\\\Mail\\Inbox"));
  EXPECT_FALSE(FRootFolder->Folders()->ItemByName(QStringLiteral("Nowhere")));
}

TEST_P(StoreLayouts, ItemsInDeliveryOrderWithoutTmpAndDotFiles) {
  const auto inbox = FSession->GetDefaultFolder(olFolderInbox);
  const QString dir = static_cast<MailFolder*>(inbox.get())->MaildirPath();
  FDir.Write(QFileInfo(dir + QStringLiteral("/tmp/1.2.half")).filePath().mid(FDir.Path().size() + 1), "Subject: x\n\n");
  QFile(dir + QStringLiteral("/cur/.hidden")).open(QIODevice::WriteOnly);
  // Neither a dangling link nor a directory is a message, and neither breaks the listing.
  ASSERT_TRUE(QFile::link(dir + QStringLiteral("/gone"), dir + QStringLiteral("/cur/1.1.dangling:2,S")));
  ASSERT_TRUE(QDir().mkdir(dir + QStringLiteral("/cur/1.2.dir")));
  // A reader's move caught half-way: the same message in new/ and cur/ counts once.
  const QString inNew = dir + QLatin1Char('/') + FFiles[QStringLiteral("Inbox")].toArray()[0].toString().section(QLatin1Char('/'), -2);
  ASSERT_TRUE(QFile::copy(inNew, dir + QStringLiteral("/cur/") + QFileInfo(inNew).fileName() + QStringLiteral(":2,S")));
  const auto items = inbox->Items();
  ASSERT_EQ(items->Count(), 3);
  // 999999999 is the older time although it sorts last as text; equal
  // seconds fall back to the rest of the name.
  EXPECT_EQ(items->Item(1)->Subject(), QStringLiteral("Message 2 in Inbox"));
  EXPECT_EQ(items->Item(2)->Subject(), QStringLiteral("Message 1 in Inbox"));
  EXPECT_EQ(items->Item(3)->Subject(), QStringLiteral("same second"));
  EXPECT_THROW(items->Item(4), EComError);
  EXPECT_EQ(ByPath(FRootFolder.get(), {QStringLiteral("Archive")})->Items()->Count(), 0);
}

TEST_P(StoreLayouts, EntryIDsOpenFoldersAndMessages) {
  const auto sub = ByPath(FRootFolder.get(), {QStringLiteral("Archive"), QStringLiteral("2023")});
  const QString eid = sub->EntryID(), sid = sub->StoreID();
  for (const QString& id : {eid, sid}) EXPECT_EQ(id, id.toUpper()) << id.toStdString();
  EXPECT_EQ(FSession->GetFolderFromID(eid, sid, 16)->FolderPath(), sub->FolderPath());
  EXPECT_EQ(FSession->GetFolderFromID(eid.toLower(), QString(), 16)->FolderPath(), sub->FolderPath());
  EXPECT_TRUE(FSession->CompareEntryIDs(eid, eid.toLower()));
  EXPECT_FALSE(FSession->CompareEntryIDs(eid, FRootFolder->EntryID()));
  // Stable: a new session on the same store gives the same IDs.
  auto again = LogonAt(FRoot);
  EXPECT_EQ(ByPath(again->Stores()->Item(1)->RootFolder().get(), {QStringLiteral("Archive"), QStringLiteral("2023")})->EntryID(), eid);

  const auto mail = sub->Items()->Item(2);
  const auto byID = FSession->GetMessageFromID(mail->EntryID());
  EXPECT_EQ(byID->Subject(), mail->Subject());
  EXPECT_EQ(byID->Parent()->EntryID(), eid);

  const QString bad[] = {QString(), QStringLiteral("XYZ"), QStringLiteral("0123"), eid.left(eid.size() - 2),
                         sid, mail->EntryID().left(40)};
  // IDs that would climb out of the store.
  const auto forged = [&](const char* magic, const QByteArray& rest) {
    return QString::fromLatin1((QByteArray(magic) + QByteArray::fromHex(sid.toLatin1()) + rest).toHex().toUpper());
  };
  EXPECT_THROW(FSession->GetFolderFromID(forged("TWF1", "../.."), sid, 16), EComError);
  EXPECT_THROW(FSession->GetFolderFromID(forged("TWF1", "Archive//2023"), sid, 16), EComError);
  EXPECT_THROW(FSession->GetMessageFromID(forged("TWM1", QByteArray("INBOX\0../../x", 14))), EComError);
  for (const QString& id : bad) EXPECT_THROW(FSession->GetFolderFromID(id, QString(), 16), EComError) << id.toStdString();
  EXPECT_THROW(FSession->GetFolderFromID(eid, QStringLiteral("00000000000000AA"), 16), EComError);
  EXPECT_THROW(FSession->GetMessageFromID(eid), EComError);  // a folder's ID is no message
}

TEST_P(StoreLayouts, AddCreatesMaildirsAndEscapesWhatTheLayoutCannotHold) {
  const bool plusplus = QLatin1String(GetParam()) == QLatin1String("maildir++");
  const QString typed[] = {QStringLiteral("Reports 2.0"), QStringLiteral("a/b"), QStringLiteral("new"),
                           QStringLiteral(".hidden"), QStringLiteral("Grüße & mehr")};
  const auto parent = ByPath(FRootFolder.get(), {QStringLiteral("Archive")});
  for (const QString& name : typed) {
    const auto f = parent->Folders()->Add(name, olFolderKindMail);
    EXPECT_EQ(f->Name(), name);
    const QString dir = static_cast<MailFolder*>(f.get())->MaildirPath();
    for (const char* sub : {"cur", "new", "tmp"}) EXPECT_TRUE(QFileInfo(dir + QLatin1Char('/') + QLatin1String(sub)).isDir());
    // What is on disk decodes back to the typed name with an independent
    // modified UTF-7 reader.
    QString onDisk = QFileInfo(dir).fileName();
    if (plusplus) onDisk = onDisk.mid(onDisk.lastIndexOf(QLatin1Char('.')) + 1);
    const TRunResult r = RunProgram(DebianPython(), {QStringLiteral("-c"), QStringLiteral(
        "import sys,base64\ns=sys.argv[1]\nout='';i=0\n"
        "while i<len(s):\n"
        "  if s[i]=='&':\n    j=s.index('-',i)\n    b=s[i+1:j]\n"
        "    out+= '&' if not b else base64.b64decode(b.replace(',','/')+'='*(-len(b)%4)).decode('utf-16-be')\n    i=j+1\n"
        "  else:\n    out+=s[i];i+=1\n"
        "sys.stdout.write(out)"), onDisk});
    EXPECT_EQ(QString::fromUtf8(r.Stdout), name) << onDisk.toStdString() << r.Stderr.toStdString();
  }
  EXPECT_THROW(parent->Folders()->Add(QStringLiteral("reports 2.0"), olFolderKindMail), EComError);
  EXPECT_THROW(parent->Folders()->Add(QString(), olFolderKindMail), EComError);
  // A new session sees the new folders under their typed names.
  auto again = LogonAt(FRoot);
  const auto archive = ByPath(again->Stores()->Item(1)->RootFolder().get(), {QStringLiteral("Archive")});
  for (const QString& name : typed) EXPECT_TRUE(archive->Folders()->ItemByName(name)) << name.toStdString();
}

TEST_P(StoreLayouts, CountNoticesOutsideChangesAndOurOwnWithoutReReading) {
  const auto sub = ByPath(FRootFolder.get(), {QStringLiteral("Archive"), QStringLiteral("2023")});
  const QString dir = static_cast<MailFolder*>(sub.get())->MaildirPath();
  const auto listing = ListingOf(sub.get());
  for (const char* d : {"/cur", "/new"}) AgeDirectory(dir + QLatin1String(d));
  EXPECT_EQ(sub->Items()->Count(), 2);
  const int reads = listing->ReadCount();
  EXPECT_EQ(sub->Items()->Count(), 2);
  EXPECT_EQ(listing->ReadCount(), reads);

  // Another program delivers: tmp/ then rename into new/.
  FDir.Write(QStringLiteral("Mail/x.tmp"), "Subject: outside\n\nbody\n");
  ASSERT_TRUE(QFile::rename(FDir.Path() + QStringLiteral("/Mail/x.tmp"), dir + QStringLiteral("/new/2000000000.9.other")));
  EXPECT_EQ(sub->Items()->Count(), 3);
  EXPECT_EQ(sub->Items()->Item(3)->Subject(), QStringLiteral("outside"));

  // Our own change arrives directly.
  for (const char* d : {"/cur", "/new"}) AgeDirectory(dir + QLatin1String(d));
  EXPECT_EQ(sub->Items()->Count(), 3);
  const int before = listing->ReadCount();
  const QString added = dir + QStringLiteral("/cur/1500000000.1.ours:2,S");
  QFile(added).open(QIODevice::WriteOnly);
  static_cast<MailFolder*>(sub.get())->MessageAdded(added);
  EXPECT_EQ(sub->Items()->Count(), 4);
  EXPECT_EQ(sub->Items()->Item(1)->EntryID(), static_cast<MailFolder*>(sub.get())->MessageEntryID(QStringLiteral("1500000000.1.ours")));
  QFile::remove(added);
  static_cast<MailFolder*>(sub.get())->MessageRemoved(added);
  EXPECT_EQ(sub->Items()->Count(), 3);
  EXPECT_EQ(listing->ReadCount(), before);
}

INSTANTIATE_TEST_SUITE_P(Layouts, StoreLayouts, ::testing::Values("maildir++", "nested"));

TEST(MaildirListing, WalkingManyMessagesBackwardsCostsOneListing) {
  TScratchDir dir;
  const QString box = dir.Path() + QStringLiteral("/Big");
  constexpr int kCount = 20000;
  QStringList files;
  for (int i = 0; i < kCount; ++i)
    files << box + QStringLiteral("/%1/%2.%3.gen%4").arg(i % 2 ? QStringLiteral("cur") : QStringLiteral("new")).arg(1600000000 + i).arg(i).arg(i % 2 ? QStringLiteral(":2,S") : QString());
  WriteNumberedInbox(box, files);
  TIsolatedUser user;
  auto session = LogonAt(box);
  const auto inbox = session->GetDefaultFolder(olFolderInbox);
  const auto items = inbox->Items();
  for (int i = items->Count(); i >= 1; --i) {
    const auto mail = items->Item(i);
    if (i == 1 || i == kCount) {
      EXPECT_EQ(mail->Subject(), QString::number(i - 1));
    }
  }
  EXPECT_EQ(ListingOf(inbox.get())->ReadCount(), 1);
}

// Flag changes and moves from new/ to cur/ made by ourselves, many more than
// the folder holds: the listing follows each one in place, never re-reads,
// and every item still opens, by index and by entry ID (a non-ASCII name too).
TEST(MaildirListing, OwnRenamesKeepPlaceAndNamesWithoutReReading) {
  TScratchDir dir;
  const QString box = dir.Path() + QStringLiteral("/Renames");
  constexpr int kCount = 60;
  QStringList paths;
  for (int i = 0; i < kCount; ++i)
    paths << box + QStringLiteral("/new/%1.M%2P1.host-%3").arg(1600000000 + i).arg(i).arg(i % 7 ? QStringLiteral("plain") : QStringLiteral("Ünï"));
  WriteNumberedInbox(box, paths);
  TIsolatedUser user;
  auto session = LogonAt(box);
  const auto inbox = session->GetDefaultFolder(olFolderInbox);
  auto* folder = static_cast<MailFolder*>(inbox.get());
  ASSERT_EQ(inbox->Items()->Count(), kCount);
  const int reads = ListingOf(inbox.get())->ReadCount();
  const QStringList flags = {QStringLiteral(":2,"), QStringLiteral(":2,S"), QStringLiteral(":2,RS"), QStringLiteral(":2,FRS")};
  for (const QString& flag : flags) {
    for (QString& path : paths) {
      const QString name = UniqueNameOf(path.section(QLatin1Char('/'), -1));
      const QString renamed = box + QStringLiteral("/cur/") + name + flag;
      ASSERT_TRUE(QFile::rename(path, renamed));
      folder->MessageAdded(renamed);
      folder->MessageRemoved(path);
      path = renamed;
    }
  }
  const auto items = inbox->Items();
  ASSERT_EQ(items->Count(), kCount);
  for (int i = 1; i <= kCount; ++i) EXPECT_EQ(items->Item(i)->Subject(), QString::number(i - 1));
  const auto byID = session->GetMessageFromID(folder->MessageEntryID(UniqueNameOf(paths[7].section(QLatin1Char('/'), -1))));
  EXPECT_EQ(byID->Subject(), QStringLiteral("7"));
  EXPECT_EQ(ListingOf(inbox.get())->ReadCount(), reads);
}

TEST(MaildirListing, UnreadableDirectoryIsAnErrorNamingIt) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every directory";
  TScratchDir dir;
  const QString box = dir.Path() + QStringLiteral("/M");
  MakeMaildir(box, R"({"layout": "maildir++", "folders": {"Inbox": 1}})");
  TIsolatedUser user;
  auto session = LogonAt(box);
  chmod(QFile::encodeName(box + QStringLiteral("/cur")).constData(), 0);
  try {
    session->GetDefaultFolder(olFolderInbox)->Items()->Count();
    ADD_FAILURE() << "no error";
  } catch (const EComError& e) {
    EXPECT_TRUE(e.Message().contains(box + QStringLiteral("/cur"))) << e.what();
  }
  chmod(QFile::encodeName(box + QStringLiteral("/cur")).constData(), 0700);
}

TEST(MaildirNames, ModifiedUtf7RoundTripsAndBadTextStaysAsIs) {
  const struct {
    QString Display, Disk;
  } cases[] = {
      {QStringLiteral("Entwürfe"), QStringLiteral("Entw&APw-rfe")},
      {QStringLiteral("A & B"), QStringLiteral("A &- B")},
      {QStringLiteral("日本語"), QStringLiteral("&ZeVnLIqe-")},
      {QStringLiteral("plain"), QStringLiteral("plain")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeFolderName(c.Display, QStringLiteral("./")), c.Disk);
    EXPECT_EQ(DecodeFolderName(c.Disk), c.Display);
  }
  for (const QString& broken : {QStringLiteral("&ZeVn"), QStringLiteral("&!!-x"), QStringLiteral("Grüße")})
    EXPECT_EQ(DecodeFolderName(broken), broken);
}

TEST(MaildirProfile, ProfileFileWithStoresUserAndDefault) {
  TIsolatedUser user;
  TScratchDir dir;
  MakeMaildir(dir.Path() + QStringLiteral("/work"), R"({"layout": "maildir++", "folders": {"Inbox": 1}})");
  MakeMaildir(dir.Path() + QStringLiteral("/home"), R"({"layout": "nested", "folders": {"Inbox": 2}})");
  TProfileFile profile(dir, "# two stores\n[store]\npath = work\nname = Work\n\n[Store]\n path = " +
                                dir.Path().toUtf8() + "/home \nname=Private\nuser = Ann Example\naddress = ann@example.org\ndefault = yes\n");
  auto session = NewSession();
  session->Logon();
  const auto stores = session->Stores();
  ASSERT_EQ(stores->Count(), 2);
  EXPECT_EQ(stores->Item(1)->Name(), QStringLiteral("Work"));
  EXPECT_FALSE(stores->Item(1)->IsDefault());
  EXPECT_EQ(stores->DefaultStore()->Name(), QStringLiteral("Private"));
  EXPECT_EQ(session->GetDefaultFolder(olFolderInbox)->FolderPath(), QStringLiteral("\\\\Private\\Inbox"));
  EXPECT_EQ(session->GetDefaultFolder(olFolderInbox)->Items()->Count(), 2);
  EXPECT_EQ(session->CurrentUser()->Name(), QStringLiteral("Ann Example"));
  EXPECT_EQ(session->CurrentUser()->Address(), QStringLiteral("ann@example.org"));
  EXPECT_NE(stores->Item(1)->StoreID(), stores->Item(2)->StoreID());
  // A message of one store is not found through the other's store ID.
  const auto mail = stores->Item(1)->GetDefaultFolder(olFolderInbox)->Items()->Item(1);
  EXPECT_THROW(session->GetMessageFromID(mail->EntryID(), stores->Item(2)->StoreID()), EComError);
  EXPECT_EQ(session->GetMessageFromID(mail->EntryID(), stores->Item(1)->StoreID().toLower())->Subject(), mail->Subject());
}

TEST(MaildirProfile, LogonErrorsNameWhatWasWrong) {
  TIsolatedUser user;
  TScratchDir dir;
  const struct {
    QByteArray Profile;
    QString Expected;
  } cases[] = {
      {"[store]\npath = /nowhere/at/all\n", QStringLiteral("/nowhere/at/all")},
      {"[store]\npath = " + dir.Path().toUtf8() + "\n", QStringLiteral("is not a Maildir store")},
      {"[store]\ncolour = blue\n", QStringLiteral("line 2: unknown key \"colour\"")},
      {"path = x\n", QStringLiteral("line 1: a setting before the first [store]")},
      {"[store]\npath=a\ndefault=yes\n[store]\npath=b\ndefault=yes\n", QStringLiteral("more than one default")},
      {"", QStringLiteral("names no [store]")},
  };
  for (const auto& c : cases) {
    TProfileFile profile(dir, c.Profile);
    try {
      NewSession()->Logon();
      ADD_FAILURE() << c.Profile.constData();
    } catch (const EComError& e) {
      EXPECT_TRUE(e.Message().contains(c.Expected)) << e.what();
    }
  }
  // Nothing anywhere: every place tried is named.
  qunsetenv("TWK_PROFILE");
  qunsetenv("MAILDIR");
  try {
    NewSession()->Logon();
    ADD_FAILURE();
  } catch (const EComError& e) {
    for (const QString& place : {QStringLiteral("TWK_PROFILE"), QStringLiteral("Quendal-Software/TWKtools.conf"),
                                 QStringLiteral("$MAILDIR"), user.Home() + QStringLiteral("/Maildir")})
      EXPECT_TRUE(e.Message().contains(place)) << e.what();
  }
}

TEST(MaildirProfile, CurrentUserFallsBackToTheAccount) {
  TIsolatedUser user;
  TScratchDir dir;
  MakeMaildir(dir.Path() + QStringLiteral("/M"), R"({"layout": "maildir++", "folders": {"Inbox": 0}})");
  auto session = LogonAt(dir.Path() + QStringLiteral("/M"));
  EXPECT_FALSE(session->CurrentUser()->Name().isEmpty());
  EXPECT_FALSE(session->PickFolder(nullptr, QStringLiteral("Choose folder"), nullptr, 0));
  TwkPtr<IRDOFolder> given = session->GetDefaultFolder(olFolderInbox);
  session->SetFolderPicker([&](IRDOFolder*, const QString&, void*) { return given; });
  EXPECT_EQ(session->PickFolder(nullptr, QString(), nullptr, 0)->EntryID(), given->EntryID());
}

}  // namespace

namespace {

TEST(MaildirIDs, SavedChangedMessageGetsANewEntryIDAndMoveFollowsTheFolder) {
  TIsolatedUser user;
  TScratchDir dir;
  const QString box = dir.Path() + QStringLiteral("/M");
  MakeMaildir(box, R"({"layout": "maildir++", "folders": {"Inbox": [{"time": 1600000000, "subdir": "cur", "flags": "S"}], "Other": 0}})");
  auto session = LogonAt(box);
  const auto inbox = session->GetDefaultFolder(olFolderInbox);
  const auto mail = inbox->Items()->Item(1);
  const QString oldID = mail->EntryID();
  mail->SetSubject(QStringLiteral("changed"));
  mail->Save();
  const QString newID = mail->EntryID();
  EXPECT_NE(newID, oldID);
  EXPECT_THROW(session->GetMessageFromID(oldID), EComError);
  EXPECT_EQ(session->GetMessageFromID(newID)->Subject(), QStringLiteral("changed"));
  EXPECT_EQ(inbox->Items()->Count(), 1);

  const auto other = inbox->Parent()->Folders()->ItemByName(QStringLiteral("Other"));
  const auto moved = mail->Move(other.get());
  EXPECT_EQ(inbox->Items()->Count(), 0);
  EXPECT_EQ(other->Items()->Count(), 1);
  EXPECT_EQ(session->GetMessageFromID(moved->EntryID())->Parent()->EntryID(), other->EntryID());
  EXPECT_THROW(session->GetMessageFromID(newID), EComError);
}

}  // namespace
