// The relocation over real Maildir stores: the prefix test with Linux and
// Windows original directories, the rest joined to the new directory, the
// four link counters, shell links, the directories' checks and normalisation.
#include "core/Exception.h"
#include "core/FilenameTools.h"
#include "core/ReLocator.h"
#include "tests/LinkFixture.h"

#include <QFileInfo>

namespace {

class Relocate : public TLinkStoreTest {
protected:
  QString S(const QString& relative) const { return Scratch.Path() + QLatin1Char('/') + relative; }

  QString Run(TReLocator& r, const QString& org, const QString& newPath) {
    r.SetRDOSession(Session());
    const TwkPtr<IRDOFolder> inbox = Folder();
    r.SetSourceEntryID(inbox->EntryID());
    r.SetSourceStoreID(inbox->StoreID());
    r.SetOrgPath(NormaliseOrgPath(org));
    r.SetNewPath(NormaliseNewPath(newPath));
    try {
      r.Execute();
    } catch (const Exception& e) {
      return e.Message();
    }
    return QString();
  }
  static QStringList Stats(int items, int emails, int found, int org, int notFound, int changed, int affected) {
    return {QStringLiteral("Folders inspected: 1"),
            QStringLiteral("Items inspected: %1").arg(items),
            QStringLiteral("Emails processed: %1").arg(emails),
            QStringLiteral("Links found: %1").arg(found),
            QStringLiteral("Original files found: %1").arg(org),
            QStringLiteral("Files not found: %1").arg(notFound),
            QStringLiteral("Links changed: %1").arg(changed),
            QStringLiteral("Affected emails: %1").arg(affected)};
  }
};

TEST_F(Relocate, OneLinkByOriginalDirectoryAndWhereItsFileIs) {
  const QByteArray bytes("moved file");
  struct TCase {
    const char* Name;
    QString Target, Org;
    QStringList Files;  // scratch-relative files made before the run
    int Found, OrgFound, NotFound, Changed;
    QString NewTarget;  // the link's target afterwards (empty: unchanged)
  } cases[] = {
      {"typed without separator, moved", S("export/Inbox/a.pdf"), S("export"), {"archive/Inbox/a.pdf"}, 1, 0, 0, 1,
       S("archive/Inbox/a.pdf")},
      {"still at the old place (and at the new)", S("export/Inbox/a.pdf"), S("export/"),
       {"export/Inbox/a.pdf", "archive/Inbox/a.pdf"}, 1, 1, 0, 0, QString()},
      {"found nowhere", S("export/Inbox/a.pdf"), S("export/"), {}, 1, 0, 1, 0, QString()},
      {"a sibling directory is not below", S("export2/b.pdf"), S("export/"), {"archive/b.pdf"}, 0, 0, 0, 0, QString()},
      {"a rest climbing out with ..", S("export/../secret/key"), S("export/"), {"secret/key", "archive/x"}, 0, 0, 0, 0,
       QString()},
      {"Windows drive, moved to Linux", "D:\\Export\\Inbox\\a.pdf", "D:\\Export", {"archive/Inbox/a.pdf"}, 1, 0, 0, 1,
       S("archive/Inbox/a.pdf")},
      {"Windows, ignoring case; the rest keeps its own", "c:\\export\\Inbox\\X.doc", "C:\\Export\\",
       {"archive/Inbox/X.doc"}, 1, 0, 0, 1, S("archive/Inbox/X.doc")},
      {"Windows share", "\\\\server\\share\\exp\\a.pdf", "\\\\server\\share\\exp", {"archive/a.pdf"}, 1, 0, 0, 1,
       S("archive/a.pdf")},
      {"Windows rest climbing out with ..", "D:\\Export\\..\\secret\\key", "D:\\Export\\", {"secret/key", "archive/x"},
       0, 0, 0, 0, QString()},
      {"Windows sibling directory", "D:\\Export2\\a.pdf", "D:\\Export\\", {"archive/a.pdf"}, 0, 0, 0, 0, QString()},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    QDir(S("export")).removeRecursively();
    QDir(S("archive")).removeRecursively();
    QDir(S("secret")).removeRecursively();
    QDir().mkpath(S("archive"));
    for (const QString& f : c.Files) PutFile(f, bytes);
    WriteStore({{QStringLiteral("Inbox"), {BuildMime(QStringLiteral("One"), {{"a-pdf.twk", LinkBytes(c.Target)}})}}});
    TReLocator r;
    EXPECT_EQ(Run(r, c.Org, S("archive")), QString());
    EXPECT_EQ(r.Results(), Stats(1, 1, c.Found, c.OrgFound, c.NotFound, c.Changed, c.Changed));
    EXPECT_EQ(r.CountLinksFound(), r.CountOrgFileFound() + r.CountReplaced() + r.CountNoFileFound());
    EXPECT_EQ(r.MailErrors(), QStringList());
    const QString newName = LinkFileNameFor(c.NewTarget);
    EXPECT_EQ(Atts().value(0), QStringList{c.NewTarget.isEmpty() ? Att("a-pdf.twk", LinkBytes(c.Target))
                                                                  : Att(newName, LinkBytes(c.NewTarget))});
  }
}

TEST_F(Relocate, AStoreOfEMailsCountsEveryLinkOnceAndRecordsTheNewDirectory) {
  const QString archive = S("archive/");
  PutFile("archive/Inbox/moved.pdf", "m");
  PutFile("export/Inbox/still.pdf", "s");
  const QByteArray shell = ShellLinkBytes("D:\\Export\\Inbox\\short.pdf");
  ASSERT_FALSE(shell.isEmpty());
  PutFile("archive/Inbox/short.pdf", "sh");
  WriteStore({{QStringLiteral("Inbox"),
               {BuildMime("Two links", {{"moved-pdf.twk", LinkBytes("D:\\Export\\Inbox\\moved.pdf")},
                                        {"gone-pdf.twk", LinkBytes("D:\\Export\\Inbox\\gone.pdf")}}),
                BuildMime("Shell link", {{"short-pdf.twk", shell}}),
                BuildMime("Signed", {{"moved-pdf.twk", LinkBytes("D:\\Export\\Inbox\\moved.pdf")}}, TMsgKind::Signed),
                BuildMime("Meeting", {{"moved-pdf.twk", LinkBytes("D:\\Export\\Inbox\\moved.pdf")}}, TMsgKind::Meeting),
                BuildMime("Elsewhere", {{"x-pdf.twk", LinkBytes("E:\\Other\\x.pdf")}})}}});
  TReLocator r;
  QStringList progress;
  r.SetOnProcessing([&](TLinkWalker*, int itemNo, int items, const QString&, bool&) {
    progress << QStringLiteral("%1/%2").arg(itemNo).arg(items);
  });
  EXPECT_EQ(Run(r, "D:\\Export", archive), QString());
  EXPECT_EQ(r.Results(), Stats(5, 4, 3, 0, 1, 2, 2));
  EXPECT_EQ(progress, (QStringList{"5/5", "4/5", "3/5", "2/5", "1/5"}));
  EXPECT_EQ(Atts(), (QList<QStringList>{
                        {Att("gone-pdf.twk", LinkBytes("D:\\Export\\Inbox\\gone.pdf")),
                         Att("moved-pdf.twk", LinkBytes(archive + "Inbox/moved.pdf"))},
                        // The shell link became a link of the system's own format.
                        {Att("short-pdf.twk", LinkBytes(archive + "Inbox/short.pdf"))},
                        {Att("moved-pdf.twk", LinkBytes("D:\\Export\\Inbox\\moved.pdf"))},
                        {Att("moved-pdf.twk", LinkBytes("D:\\Export\\Inbox\\moved.pdf"))},
                        {Att("x-pdf.twk", LinkBytes("E:\\Other\\x.pdf"))}}));
  // The new links are trusted by the re-import and the send capture.
  TLinkRoots roots;
  roots.Load();
  EXPECT_TRUE(roots.Covers(archive + "Inbox/moved.pdf"));
  // The created link files do not stay in the link folder.
  EXPECT_EQ(QDir(JoinPath(GetTempDirectory(), "TWKlinker")).entryList(QDir::Files), QStringList());
}

TEST_F(Relocate, NothingChangedRecordsNoDirectory) {
  PutFile("archive/keep", "k");
  WriteStore({{QStringLiteral("Inbox"), {BuildMime("Gone", {{"g.twk", LinkBytes("D:\\Export\\g.pdf")}})}}});
  TReLocator r;
  EXPECT_EQ(Run(r, "D:\\Export", S("archive")), QString());
  EXPECT_EQ(r.Results(), Stats(1, 1, 1, 0, 1, 0, 0));
  TLinkRoots roots;
  roots.Load();
  EXPECT_EQ(roots.Roots(), QStringList());
}

TEST(RelocateChecks, DirectoriesAreCheckedAndNormalisedAsTheDialogDoes) {
  TScratchDir dir;
  const QString d = dir.Path();
  QDir().mkpath(d + "/new/sub");
  dir.Write("file", "f");
  const QString cwd = QDir::currentPath();
  QDir::setCurrent(d);
  const struct {
    QString Field, Org, New;  // expected; "!" + message for an error
  } cases[] = {
      {"", "!Please enter the original directory", "!Please enter the new directory"},
      {" \t ", "!Please enter the original directory", "!Please enter the new directory"},
      {d + "/new", d + "/new/", d + "/new/"},
      {"  " + d + "/new/sub/../. ", d + "/new/", d + "/new/"},
      {"new/sub", d + "/new/sub/", d + "/new/sub/"},
      {d + "/missing", d + "/missing/", "!The new directory does not exist"},
      {d + "/file", d + "/file/", "!The new directory does not exist"},
      {"D:\\Export", "D:\\Export\\", "!The new directory does not exist"},
      {"D:/Export/./x/..", "D:\\Export\\", "!The new directory does not exist"},
      {"d:\\", "d:\\", "!The new directory does not exist"},
      {"\\\\server\\share\\exp", "\\\\server\\share\\exp\\", "!The new directory does not exist"},
  };
  const auto outcome = [](QString (*f)(const QString&), const QString& field) {
    try {
      return f(field);
    } catch (const Exception& e) {
      return "!" + e.Message();
    }
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Field.toStdString());
    EXPECT_EQ(outcome(NormaliseOrgPath, c.Field), c.Org);
    EXPECT_EQ(outcome(NormaliseNewPath, c.Field), c.New);
  }
  QDir::setCurrent(cwd);
  EXPECT_EQ(RelocateQuestion("D:\\Export\\", "/srv/archive/"),
            "Start relocate links?\n\nOld directory: D:\\Export\\\n\nNew directory: /srv/archive/");
}

TEST(RelocateChecks, PrefixTest) {
  const struct {
    QString Target, Org;
    bool Below;
    QString Rest;
  } cases[] = {
      {"/srv/Export/a/b.pdf", "/srv/Export/", true, "a/b.pdf"},
      {"/SRV/export/A.pdf", "/srv/Export/", true, "A.pdf"},
      {"/srv/Export2/a.pdf", "/srv/Export/", false, ""},
      {"/srv/Export/a.pdf", "", false, ""},
      {"/srv/Export/", "/srv/Export/", true, ""},
      {"/srv/Export/a/../../b", "/srv/Export/", false, ""},
      {"/srv/Export/a..b/c", "/srv/Export/", true, "a..b/c"},
      {"D:\\EXPORT\\Sub\\x.doc", "d:\\export\\", true, "Sub\\x.doc"},
      {"D:\\Export\\a/../../b", "D:\\Export\\", false, ""},
      {"/sh", "/srv/", false, ""},
      // Upper-casing changes the length of "ß": the prefix is OrgPath's own length of the target.
      {"/srv/Straße/a.pdf", "/srv/STRASSE/", false, ""},
      {"/srv/STRASSE/a.pdf", "/srv/straße/", false, ""},
      {"/srv/straße/a.pdf", "/srv/Straße/", true, "a.pdf"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Target.toStdString());
    QString rest = "x";
    EXPECT_EQ(IsBelowOrgPath(c.Target, c.Org, rest), c.Below);
    EXPECT_EQ(rest, c.Rest);
  }
  EXPECT_EQ(RelocatedPath("/srv/new/", "Sub\\x.doc", true), "/srv/new/Sub/x.doc");
  EXPECT_EQ(RelocatedPath("/srv/new/", "odd\\name", false), "/srv/new/odd\\name");
}

}  // namespace
