// Reading link targets from files and from attachments over the bad inputs
// links meet: every encoding (files written by Python's codecs), empty,
// huge, three lines, directories, missing and unreadable files, Windows shell
// links made by an independent writer, truncated and forged ones, symbolic
// links, and a shell link under a ".twk" name.
#include "core/FilenameTools.h"
#include "core/LnkTools.h"
#include "tests/SendFixture.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

namespace {

// Writes each {"file", "enc", "text"} of the plan with Python's codecs.
const char* const kWriter = R"PY(
import codecs, json, sys
boms = {"utf-16-le": codecs.BOM_UTF16_LE, "utf-16-be": codecs.BOM_UTF16_BE, "utf-8": codecs.BOM_UTF8, "cp1252": b""}
for f in json.load(sys.stdin):
    with open(f["file"], "wb") as out:
        out.write(boms[f["enc"]] + f["text"].encode(f["enc"]))
)PY";

// Bytes this process has read and written so far (/proc/self/io).
qint64 IoCounter(const char* name) {
  QFile f("/proc/self/io");
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(QByteArray(name) + ':')) return line.mid(int(qstrlen(name)) + 1).trimmed().toLongLong();
  return -1;
}

class LinkTarget : public ::testing::Test {
protected:
  QString Lnk(const QString& name, const QStringList& args) const {
    const QString out = FDir.File(name);
    const TRunResult r = RunProgram(DebianPython(), QStringList{TestToolPath("lnkwriter.py"), out} + args);
    EXPECT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
    return out;
  }
  // Files in the private temporary directory (where attachments are saved).
  static QStringList TempFiles() {
    return QDir(GetTempDirectory()).entryList(QDir::Files | QDir::Hidden | QDir::System);
  }

  TIsolatedUser FUser;
  TScratchDir FDir;
};

TEST_F(LinkTarget, LinkFilesInEveryEncodingAndTheirFaults) {
  const QString target = QStringLiteral("/srv/Büro/März 2024.pdf");
  struct TCase {
    const char* Name;
    const char* Enc;
    QString Text;
    QString Want;
  } cases[] = {
      {"utf16le.twk", "utf-16-le", "TWK\r\n" + target + "\r\n", target},
      {"utf16be.twk", "utf-16-be", "TWK\r\n" + target + "\r\n", target},
      {"utf8bom.twk", "utf-8", "TWK\n" + target + "\n", target},
      {"ansi.twk", "cp1252", "TWK\r" + target, target},
      {"blanks.twk", "utf-16-le", "TWK\r\n \t" + target + "  \r\n", target},
      {"empty.twk", "cp1252", "", ""},
      {"bom-only.twk", "utf-16-le", "", ""},
      {"three-lines.twk", "utf-16-le", "TWK\r\n" + target + "\r\n\r\n", ""},
      {"lower-case.twk", "utf-16-le", "twk\r\n" + target + "\r\n", ""},
      {"one-line.twk", "utf-8", "TWK", ""},
  };
  QJsonArray plan;
  for (const TCase& c : cases)
    plan << QJsonObject{{"file", FDir.File(c.Name)}, {"enc", c.Enc}, {"text", c.Text}};
  const TRunResult w = RunProgram(DebianPython(), {"-c", kWriter}, QJsonDocument(plan).toJson());
  ASSERT_EQ(w.ExitCode, 0) << w.Stderr.toStdString();
  for (const TCase& c : cases) EXPECT_EQ(GetLinkTarget(FDir.File(c.Name)), c.Want) << c.Name;
}

TEST_F(LinkTarget, FilesThatAreNoLinks) {
  QDir().mkpath(FDir.Path() + "/folder.twk");
  EXPECT_EQ(GetLinkTarget(FDir.Path() + "/folder.twk"), QString());
  EXPECT_EQ(ResolveShellLink(FDir.Path() + "/folder.twk"), QString());
  EXPECT_EQ(GetLinkTarget(FDir.Path() + "/missing.twk"), QString());
  EXPECT_EQ(ResolveShellLink(FDir.Path() + "/missing.lnk"), QString());
  FDir.Write("plain.twk", LinkBytes("/srv/a.pdf"));
  EXPECT_EQ(ResolveShellLink(FDir.File("plain.twk")), QString()) << "a .twk link is no shell link";
  // A fifo would block a reader forever; it is no link.
  ASSERT_EQ(::mkfifo(QFile::encodeName(FDir.File("fifo.twk")).constData(), 0600), 0);
  EXPECT_EQ(GetLinkTarget(FDir.File("fifo.twk")), QString());
  EXPECT_EQ(ResolveShellLink(FDir.File("fifo.twk")), QString());
  if (::geteuid() != 0) {
    FDir.Write("locked.twk", LinkBytes("/srv/a.pdf"));
    ASSERT_TRUE(QFile::setPermissions(FDir.File("locked.twk"), QFileDevice::Permissions()));
    EXPECT_EQ(GetLinkTarget(FDir.File("locked.twk")), QString());
  }
}

TEST_F(LinkTarget, AHugeFileIsNotReadWhole) {
  QFile f(FDir.File("huge.twk"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_TRUE(f.write(LinkBytes("/srv/a.pdf")) > 0);
  ASSERT_TRUE(f.resize(qint64(1) << 30));  // sparse: 1 GiB on paper
  f.close();
  const qint64 before = IoCounter("rchar");
  EXPECT_EQ(GetLinkTarget(f.fileName()), QString());
  EXPECT_EQ(ResolveShellLink(f.fileName()), QString());
  EXPECT_LT(IoCounter("rchar") - before, qint64(4) << 20);
}

TEST_F(LinkTarget, ShellLinksAndSymbolicLinks) {
  const QString lnk = Lnk("report.lnk", {"local", "D:\\Export\\Inbox\\report.pdf"});
  QFile raw(lnk);
  ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
  const QByteArray bytes = raw.readAll();
  FDir.Write("shortcut.twk", bytes);
  FDir.Write("truncated.lnk", bytes.left(bytes.size() / 2));
  QByteArray forged = bytes;
  forged.replace(76, 4, "\xFF\xFF\xFF\x7F");  // an ID list far longer than the file
  FDir.Write("forged.lnk", forged);
  FDir.Write("header-only.twk", bytes.left(76));
  ASSERT_TRUE(QFile::link("/srv/somewhere/file.pdf", FDir.Path() + "/dangling.twk"));
  ASSERT_TRUE(QFile::link(FDir.File("shortcut.twk"), FDir.Path() + "/to-link.twk"));
  const struct {
    const char* Name;
    QString Want;
  } cases[] = {
      {"report.lnk", "D:\\Export\\Inbox\\report.pdf"},
      {"shortcut.twk", "D:\\Export\\Inbox\\report.pdf"},
      {"truncated.lnk", ""},
      {"forged.lnk", ""},
      {"header-only.twk", ""},
      {"dangling.twk", "/srv/somewhere/file.pdf"},
      {"to-link.twk", FDir.File("shortcut.twk")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetLinkTarget(FDir.Path() + '/' + c.Name), c.Want) << c.Name;
    if (QString(c.Name).endsWith(".lnk")) {
      EXPECT_EQ(ResolveShellLink(FDir.Path() + '/' + c.Name), c.Want) << c.Name;
    }
  }
}

TEST_F(LinkTarget, AttachmentsAreReadFromPrivateCopiesThatGoAway) {
  const QString lnk = Lnk("made.lnk", {"local", "D:\\Export\\report.pdf"});
  TLooseMessages mails;
  const TwkPtr<IRDOMail> mail =
      mails.Open(MimeMessage({{"report-pdf.twk", LinkBytes("/srv/export/report.pdf")},
                              {"shortcut.TWK", FDir.Read("made.lnk")},
                              {"big.twk", QByteArray(2 << 20, '\0')},
                              {"text.twk", "no link"}}));
  const QStringList before = TempFiles();
  const TwkPtr<IRDOAttachments> atts = mail->Attachments();
  const QString want[] = {"/srv/export/report.pdf", "D:\\Export\\report.pdf", "", ""};
  for (int i = 1; i <= 4; ++i) {
    const qint64 written = IoCounter("wchar");
    EXPECT_EQ(ReadLinkAttachmentTarget(atts->Item(i).get()), want[i - 1]) << i;
    if (i == 3) {
      EXPECT_LT(IoCounter("wchar") - written, qint64(1) << 20) << "the large attachment was written out";
    }
    EXPECT_EQ(TempFiles(), before) << i;
  }
}

}  // namespace
