// The Outlook backend on public sample files (a Unicode PST, two OSTs with
// 4 KiB pages): the folder tree, the items and their classes, the
// attachments' bytes against the sample's own copies, the MIME form read by
// Python's e-mail parser, entry IDs across a change of the file, nothing
// written, and a damaged file's error.
#include "PstSamples.h"
#include "support/TestSupport.h"
#include "twktools/pst/store.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

namespace {

using twksession::TStoreConfig;
using twksession::TStoreType;

TwkPtr<twkpst::TPstStore> OpenPst(const QString& path, const QString& name = {}) {
  TStoreConfig c;
  c.Type = TStoreType::Pst;
  c.Path = path;
  c.DisplayName = name;
  return twkpst::TPstStore::Open(c);
}

// "Name(items)[children]" of a folder tree, for comparing whole trees.
QString Tree(IRDOFolder* f) {
  QString s = f->Name() + QStringLiteral("(%1)").arg(f->Items()->Count());
  const TwkPtr<IRDOFolders> subs = f->Folders();
  if (subs->Count() == 0) return s;
  QStringList parts;
  for (int i = 1; i <= subs->Count(); ++i) parts << Tree(subs->Item(i).get());
  return s + QLatin1Char('[') + parts.join(QLatin1Char(',')) + QLatin1Char(']');
}

TwkPtr<IRDOFolder> Path(IRDOFolder* root, const QStringList& names) {
  TwkPtr<IRDOFolder> f(root);
  for (const QString& n : names) {
    f = f->Folders()->ItemByName(n);
    if (!f) return {};
  }
  return f;
}

// Message class -> count of a folder's items.
QMap<QString, int> Classes(IRDOFolder* f) {
  QMap<QString, int> m;
  const TwkPtr<IRDOItems> items = f->Items();
  for (int i = 1; i <= items->Count(); ++i) ++m[items->Item(i)->MessageClass()];
  return m;
}

TwkPtr<IRDOMail> BySubject(IRDOFolder* f, const QString& subject) {
  const TwkPtr<IRDOItems> items = f->Items();
  for (int i = 1; i <= items->Count(); ++i)
    if (items->Item(i)->Subject() == subject) return items->Item(i);
  return {};
}

QString Sha(const QByteArray& b) { return QString::fromLatin1(QCryptographicHash::hash(b, QCryptographicHash::Sha256).toHex()); }

class PstStore : public ::testing::Test {
protected:
  void SetUp() override { TWK_REQUIRE_PST_SAMPLES(); }
  TScratchDir Dir;
};

TEST_F(PstStore, FolderTreesAreTheIpmSubtrees) {
  const struct {
    QString File, Tree, Inbox;
  } cases[] = {
      {"enron.pst",
       "Personal folders(0)[Deleted Items(0),lokay-m(0)[MLOKAY (Non-Privileged)(1)[Personal(47),Sent Items(2),Systems(7),"
       "TW-Commercial Group(14)]]]",
       ""},
      {"pstextractortest@outlook.com.ost",
       "pstextractortest@outlook.com(0)[Archive(0),Calendar(9)[Birthdays(0),United States holidays(160)],Contacts(0),"
       "Conversation History(0),Deleted Items(1),Drafts(0),Inbox(10),Journal(0),Junk Email(0),Notes(0),Outbox(0),"
       "RSS Feeds(0),Sent Items(2),Sync Issues(1)[Conflicts(0),Local Failures(0),Server Failures(0)],Tasks(0)]",
       "\\\\pstextractortest@outlook.com\\Inbox"},
      {"pstextractortestpdf@outlook.com.ost",
       "pstextractortestpdf@outlook.com(0)[Archive(0),Calendar(0)[Birthdays(0),United States holidays(160)],Contacts(0),"
       "Conversation History(0),Deleted Items(0),Drafts(0),Inbox(2),Journal(0),Junk Email(0),Notes(0),Outbox(0),"
       "Sent Items(0),Sync Issues(0)[Conflicts(0),Local Failures(0),Server Failures(0)],Tasks(0)]",
       "\\\\pstextractortestpdf@outlook.com\\Inbox"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File.toStdString());
    const TwkPtr<twkpst::TPstStore> store = OpenPst(PstSample(c.File));
    EXPECT_TRUE(store->ReadOnly());
    EXPECT_EQ(Tree(store->RootFolder().get()), c.Tree);
    const TwkPtr<IRDOFolder> inbox = store->GetDefaultFolder(olFolderInbox);
    EXPECT_EQ(inbox ? inbox->FolderPath() : QString(), c.Inbox);
  }
  // The profile's name wins over the file's own.
  EXPECT_EQ(OpenPst(PstSample("enron.pst"), "Enron")->RootFolder()->FolderPath(), "\\\\Enron");
  EXPECT_EQ(OpenPst(PstSample("enron.pst"))->GetDefaultFolder(olFolderDeletedItems)->FolderPath(),
            "\\\\Personal folders\\Deleted Items");
}

TEST_F(PstStore, ItemsWithTheirClassesAndFields) {
  const TwkPtr<twkpst::TPstStore> ost = OpenPst(PstSample("pstextractortest@outlook.com.ost"));
  const TwkPtr<IRDOFolder> root = ost->RootFolder();
  EXPECT_EQ(Classes(Path(root.get(), {"Inbox"}).get()),
            (QMap<QString, int>{{"IPM.Note", 7}, {"IPM.Schedule.Meeting.Request", 2}, {"IPM.Schedule.Meeting.Resp.Pos", 1}}));
  EXPECT_EQ(Classes(Path(root.get(), {"Calendar"}).get()), (QMap<QString, int>{{"IPM.Appointment", 9}}));
  EXPECT_EQ(Classes(Path(root.get(), {"Sent Items"}).get()),
            (QMap<QString, int>{{"IPM.Schedule.Meeting.Request", 1}, {"IPM.Schedule.Meeting.Resp.Pos", 1}}));

  const TwkPtr<IRDOMail> m = BySubject(Path(root.get(), {"Inbox"}).get(), "pdf attachment");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->Sender()->Name(), "Ed");
  EXPECT_EQ(m->Sender()->Address(), "epfromer@gmail.com");
  ASSERT_EQ(m->Recipients()->Count(), 1);
  EXPECT_EQ(m->Recipients()->Item(1)->Type(), olTo);
  EXPECT_GT(m->SentOn(), 44000.0);  // August 2021
  EXPECT_GE(m->ReceivedTime(), m->SentOn());
  EXPECT_FALSE(m->Fields(PR_TRANSPORT_MESSAGE_HEADERS).toString().isEmpty());
  EXPECT_FALSE(m->HTMLBody().isEmpty() && m->Body().isEmpty());

  // An appointment whose only body is compressed RTF: saved as .rtf, it is that RTF decompressed.
  const TwkPtr<IRDOMail> appointment = BySubject(Path(root.get(), {"Calendar"}).get(), "repeats for 3 days");
  ASSERT_TRUE(appointment);
  EXPECT_TRUE(appointment->Body().isEmpty());
  appointment->SaveAs(Dir.File("a.rtf"), olRTF);
  EXPECT_TRUE(Dir.Read("a.rtf").startsWith("{\\rtf1")) << Dir.Read("a.rtf").left(40).constData();

  // An Exchange sender of the PST: name kept, no SMTP address invented.
  const TwkPtr<twkpst::TPstStore> enron = OpenPst(PstSample("enron.pst"));
  const TwkPtr<IRDOFolder> personal = Path(enron->RootFolder().get(), {"lokay-m", "MLOKAY (Non-Privileged)", "Personal"});
  const TwkPtr<IRDOMail> ex = BySubject(personal.get(), "Check out page 7!");
  ASSERT_TRUE(ex);
  EXPECT_EQ(ex->Sender()->Name(), "Michelle Lokay");
  EXPECT_EQ(ex->Sender()->Address(), "");
  const TwkPtr<IRDOMail> smtp = BySubject(personal.get(), "TRIP INFO");
  ASSERT_TRUE(smtp);
  EXPECT_EQ(smtp->Sender()->Address(), "cbulf@oneok.com");
  EXPECT_EQ(smtp->Recipients()->Count(), 2);
}

TEST_F(PstStore, AttachmentsAreTheSampleFiles) {
  const TwkPtr<twkpst::TPstStore> ost = OpenPst(PstSample("pstextractortest@outlook.com.ost"));
  const TwkPtr<IRDOMail> m = BySubject(Path(ost->RootFolder().get(), {"Inbox"}).get(), "text, jpg, pdf attachments");
  ASSERT_TRUE(m);
  const TwkPtr<IRDOAttachments> atts = m->Attachments();
  ASSERT_EQ(atts->Count(), 3);
  for (int i = 1; i <= 3; ++i) {
    const TwkPtr<IRDOAttachment> a = atts->Item(i);
    SCOPED_TRACE(a->FileName().toStdString());
    QFile ref(PstSample("attachments/" + a->FileName()));
    ASSERT_TRUE(ref.open(QIODevice::ReadOnly));
    const QByteArray expected = ref.readAll();
    EXPECT_EQ(a->Type(), olByValue);
    EXPECT_FALSE(a->Hidden());
    EXPECT_EQ(a->Size(), expected.size());
    EXPECT_EQ(a->Data(), expected);
    a->SaveAsFile(Dir.File("saved"));
    EXPECT_EQ(Dir.Read("saved"), expected);
  }
  EXPECT_EQ(atts->Item(1)->MimeType(), "application/pdf");
  // The pictures of an HTML mail: hidden, named by content ID.
  const TwkPtr<IRDOMail> welcome = BySubject(Path(ost->RootFolder().get(), {"Inbox"}).get(), "Welcome to your new Outlook.com account");
  ASSERT_TRUE(welcome);
  ASSERT_EQ(welcome->Attachments()->Count(), 11);
  const TwkPtr<IRDOAttachment> logo = welcome->Attachments()->Item(11);
  EXPECT_TRUE(logo->Hidden());
  EXPECT_EQ(logo->ContentID(), "microsoft-logo");
  EXPECT_EQ(logo->FileName(), "microsoft-logo.png");
  EXPECT_TRUE(logo->Data().startsWith("\x89PNG"));
}

TEST_F(PstStore, EmlIsReadByPythonWithoutDefects) {
  // Every item of the Inbox of both OSTs and of a PST folder, as .eml.
  QStringList files;
  QMap<QString, QJsonArray> expected;
  auto add = [&](IRDOFolder* f) {
    const TwkPtr<IRDOItems> items = f->Items();
    for (int i = 1; i <= items->Count(); ++i) {
      const TwkPtr<IRDOMail> m = items->Item(i);
      const QString path = Dir.File(QStringLiteral("eml/%1.eml").arg(files.size()));
      m->SaveAs(path, olRFC822);
      files << path;
      QJsonArray atts;
      const TwkPtr<IRDOAttachments> a = m->Attachments();
      for (int j = 1; j <= a->Count(); ++j) atts.append(QJsonArray{a->Item(j)->FileName(), Sha(a->Item(j)->Data())});
      expected[path] = atts;
    }
  };
  const TwkPtr<twkpst::TPstStore> ost = OpenPst(PstSample("pstextractortest@outlook.com.ost"));
  const TwkPtr<twkpst::TPstStore> pdf = OpenPst(PstSample("pstextractortestpdf@outlook.com.ost"));
  const TwkPtr<twkpst::TPstStore> enron = OpenPst(PstSample("enron.pst"));
  add(Path(ost->RootFolder().get(), {"Inbox"}).get());
  add(Path(ost->RootFolder().get(), {"Calendar"}).get());
  add(Path(pdf->RootFolder().get(), {"Inbox"}).get());
  add(Path(enron->RootFolder().get(), {"lokay-m", "MLOKAY (Non-Privileged)", "Systems"}).get());
  ASSERT_EQ(files.size(), 10 + 9 + 2 + 7);
  const TRunResult r = RunProgram(DebianPython(), QStringList{TestToolPath("emldefects.py")} + files);
  ASSERT_EQ(r.ExitCode, 0) << r.Stderr.constData();
  int seen = 0;
  for (const QByteArray& line : r.Stdout.split('\n')) {
    if (line.isEmpty()) continue;
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    SCOPED_TRACE(o["file"].toString().toStdString() + " " + o["subject"].toString().toStdString());
    EXPECT_EQ(o["defects"].toArray(), QJsonArray());
    // Every attachment arrives whole, under its long file name.
    QStringList got, want;
    for (const QJsonValue& v : o["attachments"].toArray()) got << v[0].toString() + " " + v[1].toString();
    for (const QJsonValue& v : expected[o["file"].toString()]) want << v[0].toString() + " " + v[1].toString();
    got.sort();
    want.sort();
    EXPECT_EQ(got, want);
    ++seen;
  }
  EXPECT_EQ(seen, files.size());
}

TEST_F(PstStore, EntryIDsNeverOpenAnotherItemAfterAChange) {
  QFile::copy(PstSample("enron.pst"), Dir.File("copy.pst"));
  const TwkPtr<twkpst::TPstStore> store = OpenPst(Dir.File("copy.pst"));
  const TwkPtr<IRDOFolder> systems = Path(store->RootFolder().get(), {"lokay-m", "MLOKAY (Non-Privileged)", "Systems"});
  const TwkPtr<IRDOMail> m = systems->Items()->Item(2);
  const QString id = m->EntryID();
  EXPECT_EQ(store->MessageFromID(id)->Subject(), m->Subject());
  EXPECT_EQ(store->FolderFromID(systems->EntryID())->FolderPath(), systems->FolderPath());
  EXPECT_FALSE(store->MessageFromID(systems->EntryID()));
  // Nothing is written.
  EXPECT_THROW(m->SetSubject("x"), EComError);
  EXPECT_THROW(m->Save(), EComError);
  EXPECT_THROW(m->Attachments()->Item(1)->Delete(), EComError);
  EXPECT_THROW(systems->Folders()->Add("New"), EComError);
  EXPECT_THROW(m->CopyTo(systems.get()), EComError);
  // Another program changed the file: the old ID names nothing.
  {
    QFile f(Dir.File("copy.pst"));
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(QByteArray(512, '\0'));
  }
  EXPECT_FALSE(store->MessageFromID(id));
  EXPECT_EQ(systems->Items()->Count(), 7);
}

TEST_F(PstStore, DamagedFilesGiveAnErrorNamingTheFile) {
  QFile sample(PstSample("enron.pst"));
  ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
  const QByteArray head = sample.read(64 * 1024);
  const struct {
    QString Name;
    QByteArray Bytes;
  } cases[] = {{"truncated.pst", head}, {"header.pst", head.left(16)}, {"notes.pst", "Subject: no pst\n"}, {"empty.ost", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name.toStdString());
    Dir.Write(c.Name, c.Bytes);
    try {
      OpenPst(Dir.File(c.Name));
      ADD_FAILURE() << "opened";
    } catch (const EComError& e) {
      EXPECT_TRUE(e.Message().startsWith("The Outlook data file \"" + Dir.File(c.Name) + "\" cannot be read: "))
          << e.Message().toStdString();
    }
  }
}

}  // namespace
