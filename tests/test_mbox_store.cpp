// The mbox backend on files shaped as Thunderbird, Google Takeout, Apple Mail
// and mutt write them: the folder tree, which messages are items, their
// bytes, flags and times, entry IDs across a rewrite of the file, and the
// copy into a maildir.
#include "tests/MboxFixture.h"
#include "twktools/maildir/store.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

namespace {

using twksession::TStoreConfig;
using twksession::TStoreType;

// "Name(items)[children]" of a folder tree, for comparing whole trees.
QString Tree(IRDOFolder* f) {
  QString s = f->Name();
  if (f->Classification() == olFolderKindMail) s += QStringLiteral("(%1)").arg(f->Items()->Count());
  const TwkPtr<IRDOFolders> subs = f->Folders();
  if (subs->Count() == 0) return s;
  QStringList parts;
  for (int i = 1; i <= subs->Count(); ++i) parts << Tree(subs->Item(i).get());
  return s + QLatin1Char('[') + parts.join(QLatin1Char(',')) + QLatin1Char(']');
}

class MboxStore : public ::testing::Test {
protected:
  TIsolatedUser User;  // the index cache goes to its scratch home
  TScratchDir Dir;
  QString P(const QString& rel) const { return Dir.Path() + QLatin1Char('/') + rel; }

  void WriteThunderbirdProfile() {
    Dir.Write("profile/prefs.js", "user_pref(\"mail.server.server1.directory\", \"x\");\n");
    Dir.Write("profile/global-messages-db.sqlite", "SQLite format 3");
    const QString lf = "profile/Mail/Local Folders/";
    Dir.Write(lf + "Inbox",
              TbMessage("read", "0001") + TbMessage("unread", "0000") + TbMessage("gone", "0009") +
                  TbMessage("noheader", "", "a\n>From quoted once\n>>From quoted twice\n>From mboxo line\nFrom x\n"));
    Dir.Write(lf + "Inbox.msf", "// <!-- <mdb:mork:z v=\"1.4\"/> -->\n");
    Dir.Write(lf + "Trash", "");
    Dir.Write(lf + "Trash.msf", "x");
    Dir.Write(lf + "Unsent Messages", "");  // empty without an index: not a folder
    Dir.Write(lf + "Archives", TbMessage("a1", "0001"));
    Dir.Write(lf + "Archives.sbd/2024", TbMessage("old1", "0001") + TbMessage("old2", "0001"));
    Dir.Write(lf + "Archives.sbd/2024.msf", "x");
    Dir.Write(QString::fromUtf8("profile/Mail/Local Folders/Entwürfe"), TbMessage("draft", "0001"));
    Dir.Write(lf + "msgFilterRules.dat", "version=\"9\"\n");
    Dir.Write(lf + "folderTree.json", "{}");
    Dir.Write(lf + "filterlog.html", "<p>From the log</p>");
    Dir.Write(lf + "notes", "Not mail\n");
    Dir.Write("profile/ImapMail/imap.example.com/INBOX", TbMessage("imap", "0001"));
    Dir.Write("profile/ImapMail/imap.example.com/INBOX.msf", "x");
  }
};

TEST_F(MboxStore, ThunderbirdProfileTreeAndItems) {
  WriteThunderbirdProfile();
  const auto store = OpenMbox(P("profile"), "Thunderbird");
  EXPECT_TRUE(store->ReadOnly());
  EXPECT_EQ(Tree(store->RootFolder().get()),
            QString::fromUtf8("Thunderbird[imap.example.com[INBOX(1)],Local Folders[Inbox(3),Archives(1)[2024(2)],"
                              "Entwürfe(1),Trash(0)]]"));
  // The default Inbox: the first account's, in the order shown.
  EXPECT_EQ(store->GetDefaultFolder(olFolderInbox)->FolderPath(), "\\\\Thunderbird\\imap.example.com\\INBOX");
  const TwkPtr<IRDOFolder> inbox = store->RootFolder()->Folders()->ItemByName("local folders")->Folders()->ItemByName("Inbox");
  ASSERT_TRUE(inbox);
  EXPECT_EQ(inbox->FolderPath(), "\\\\Thunderbird\\Local Folders\\Inbox");
  EXPECT_EQ(inbox->Parent()->Parent()->Name(), "Thunderbird");
  const TwkPtr<IRDOItems> items = inbox->Items();
  ASSERT_EQ(items->Count(), 3);  // the expunged message is no item
  EXPECT_EQ(items->Item(1)->Subject(), "read");
  EXPECT_FALSE(items->Item(1)->UnRead());
  EXPECT_EQ(items->Item(2)->Subject(), "unread");
  EXPECT_TRUE(items->Item(2)->UnRead());
  const TwkPtr<IRDOMail> last = items->Item(3);
  EXPECT_EQ(last->Subject(), "noheader");
  EXPECT_FALSE(last->UnRead());  // no status header: read
  // One level of quoting goes from every quoted From line; the last body
  // line (an unquoted "From x" not after an empty line) stays.
  EXPECT_TRUE(last->MimeContent().endsWith("\n\na\nFrom quoted once\n>From quoted twice\nFrom mboxo line\nFrom x\n"))
      << last->MimeContent().constData();
  EXPECT_EQ(last->Body(), "a\nFrom quoted once\n>From quoted twice\nFrom mboxo line\nFrom x\n");
}

TEST_F(MboxStore, DirectoryOfThunderbirdAndAppleMailFolders) {
  WriteThunderbirdProfile();
  Dir.Write("apple/Work.mbox/mbox", TbMessage("w", "0001"));
  Dir.Write("apple/Work.mbox/Info.plist", "<plist/>");
  Dir.Write("apple/Work.mbox/Sub.mbox/mbox", TbMessage("s1", "0001") + TbMessage("s2", "0001"));
  EXPECT_EQ(Tree(OpenMbox(P("apple"), "Apple").get()->RootFolder().get()), "Apple[Work(1)[Sub(2)]]");
  EXPECT_EQ(Tree(OpenMbox(P("profile/Mail/Local Folders")).get()->RootFolder().get()),
            QString::fromUtf8("Local Folders[Inbox(3),Archives(1)[2024(2)],Entwürfe(1),Trash(0)]"));
}

TEST_F(MboxStore, TakeoutFileWithCrLfKeepsBytesAndTimes) {
  const QByteArray first = "X-GM-THRID: 1\r\nX-Gmail-Labels: Inbox\r\nFrom: a@example.org\r\nSubject: crlf\r\n"
                           "Date: Fri, 02 Jan 2015 08:00:00 +0000\r\n\r\nline 1\r\n\r\nline 3\r\n";
  const QByteArray second = "Received: from mx by mx.google.com; Sun, 04 Jan 2015 09:10:11 +0000\r\n"
                            "From: b@example.org\r\nSubject: received\r\n\r\nbody\r\n";
  const QByteArray truncated = "From: c@example.org\r\nSubject: cut\r\n\r\npartial";
  Dir.Write("Takeout.mbox", "From 1500@xxx Sat Jan 03 12:34:56 +0000 2015\r\n" + first + "\r\n" +
                                "From 1501@xxx Sat Jan 03 12:00:00 +0000 2015\r\n" + second + "\r\n" +
                                "From 1502@xxx Mon Jan 05 00:00:00 +0000 2015\r\n" + truncated);
  const auto store = OpenMbox(P("Takeout.mbox"));
  EXPECT_EQ(Tree(store->RootFolder().get()), "Takeout[Takeout(3)]");
  const TwkPtr<IRDOItems> items = store->RootFolder()->Folders()->Item(1)->Items();
  ASSERT_EQ(items->Count(), 3);
  EXPECT_EQ(items->Item(1)->MimeContent(), first);
  EXPECT_EQ(items->Item(2)->MimeContent(), second);
  EXPECT_EQ(items->Item(3)->MimeContent(), truncated);
  auto unix = [](TDateTimeValue v) {
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::LocalTime).addMSecs(qint64(v * 86400000.0 + 0.5)).toSecsSinceEpoch();
  };
  // Without a Received header the From line's date is the received time.
  EXPECT_EQ(unix(items->Item(1)->ReceivedTime()), QDateTime(QDate(2015, 1, 3), QTime(12, 34, 56), QTimeZone::utc()).toSecsSinceEpoch());
  EXPECT_EQ(unix(items->Item(2)->ReceivedTime()), QDateTime(QDate(2015, 1, 4), QTime(9, 10, 11), QTimeZone::utc()).toSecsSinceEpoch());
}

TEST_F(MboxStore, BadFilesGiveClearErrors) {
  Dir.Write("notmbox.mbox", "Subject: not an mbox\n\nbody\n");
  try {
    OpenMbox(P("notmbox.mbox"));
    FAIL() << "opened";
  } catch (const EComError& e) {
    EXPECT_TRUE(e.Message().contains(P("notmbox.mbox"))) << e.Message().toStdString();
    EXPECT_TRUE(e.Message().contains("\"From \"")) << e.Message().toStdString();
  }
  EXPECT_THROW(OpenMbox(P("missing")), EComError);
  Dir.Write("empty.mbox", "");
  EXPECT_EQ(Tree(OpenMbox(P("empty.mbox")).get()->RootFolder().get()), "empty[empty(0)]");
}

TEST_F(MboxStore, EntryIDsSurviveOnlyTheSameMessage) {
  Dir.Write("box", TbMessage("one", "0001") + TbMessage("two", "0001"));
  const auto store = OpenMbox(P("box"));
  const TwkPtr<IRDOFolder> folder = store->RootFolder()->Folders()->Item(1);
  const TwkPtr<IRDOMail> two = folder->Items()->Item(2);
  const QString id = two->EntryID();
  EXPECT_EQ(store->MessageFromID(id)->Subject(), "two");
  EXPECT_EQ(store->FolderFromID(folder->EntryID())->Name(), "box");
  // Another program compacts the file: "one" is gone, a new message lies where "two" was.
  Dir.Write("box", TbMessage("three", "0001") + TbMessage("two", "0001"));
  EXPECT_FALSE(store->MessageFromID(id));
  // The file changed under the run: listed again at the next access.
  EXPECT_EQ(folder->Items()->Item(1)->Subject(), "three");
  // A message object of the old listing no longer finds its bytes: a mail error, not another message.
  const TwkPtr<IRDOMail> stale = folder->Items()->Item(2);
  Dir.Write("box", TbMessage("one", "0001"));
  EXPECT_THROW(stale->Subject(), EComError);
  // Forged IDs climbing out of the store find nothing.
  EXPECT_FALSE(store->FolderFromID(QString::fromLatin1(("TWXF" + store->StoreKey() + "../etc").toHex().toUpper())));
}

TEST_F(MboxStore, NothingIsWritten) {
  Dir.Write("box", TbMessage("one", "0001"));
  const auto store = OpenMbox(P("box"));
  const TwkPtr<IRDOFolder> folder = store->RootFolder()->Folders()->Item(1);
  const TwkPtr<IRDOMail> mail = folder->Items()->Item(1);
  EXPECT_THROW(mail->SetSubject("x"), EComError);
  EXPECT_THROW(mail->Save(), EComError);
  EXPECT_THROW(mail->Move(folder.get()), EComError);
  EXPECT_THROW(mail->CopyTo(folder.get()), EComError);
  EXPECT_THROW(folder->Folders()->Add("new"), EComError);
  EXPECT_EQ(Dir.Read("box"), TbMessage("one", "0001"));
}

TEST_F(MboxStore, CopyIntoMaildirKeepsBytesTimeAndReadFlag) {
  Dir.Write("box", TbMessage("read", "0001") + "From - Sat Jan 03 12:34:56 2015\nX-Mozilla-Status: 0000\n"
                                               "Subject: unread\n\n>From quoted\n");
  for (const char* d : {"md/cur", "md/new", "md/tmp"}) QDir().mkpath(P(d));
  TStoreConfig mc;
  mc.Path = P("md");
  const auto maildir = twkmaildir::TMaildirStore::Open(mc);
  const TwkPtr<IRDOFolder> dest = maildir->GetDefaultFolder(olFolderInbox);
  ASSERT_TRUE(dest);
  const TwkPtr<IRDOItems> items = OpenMbox(P("box"))->RootFolder()->Folders()->Item(1)->Items();
  const TwkPtr<IRDOMail> copy = items->Item(2)->CopyTo(dest.get());
  EXPECT_TRUE(copy->UnRead());
  EXPECT_TRUE(items->Item(1)->CopyTo(dest.get())->UnRead() == false);
  const QFileInfoList files = QDir(P("md/cur")).entryInfoList(QDir::Files, QDir::Name);
  ASSERT_EQ(files.size(), 2);
  QFile f(files[0].absoluteFilePath());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "X-Mozilla-Status: 0000\nSubject: unread\n\nFrom quoted\n");
  EXPECT_EQ(files[0].lastModified().toSecsSinceEpoch(),
            QDateTime(QDate(2015, 1, 3), QTime(12, 34, 56), QTimeZone::utc()).toSecsSinceEpoch());
  EXPECT_FALSE(files[0].fileName().endsWith("S"));
  EXPECT_TRUE(files[1].fileName().endsWith("S"));
}

TEST_F(MboxStore, MessagesShorterThanTheCheckedBytesOpen) {
  // The hash kept for a message covers the bytes after its From line, which
  // for a message this short run on into the next one.
  Dir.Write("box", "From a Sat Jan 03 12:34:56 2015\nSubject: s\n\nx\n\n" + TbMessage("next", "0001"));
  const auto store = OpenMbox(P("box"));
  const TwkPtr<IRDOItems> items = store->RootFolder()->Folders()->Item(1)->Items();
  ASSERT_EQ(items->Count(), 2);
  EXPECT_EQ(items->Item(1)->MimeContent(), "Subject: s\n\nx\n");
  EXPECT_EQ(store->MessageFromID(items->Item(1)->EntryID())->Subject(), "s");
}

}  // namespace
