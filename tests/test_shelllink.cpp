// Shell links: symbolic links, and Windows shell link files written by an
// independent writer from the published format.
#include "core/ShellLink.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

QString MakeLnk(const TScratchDir& dir, const QString& name, const QStringList& args) {
  const QString out = dir.File(name);
  const TRunResult r = RunProgram(DebianPython(), QStringList{TestToolPath(QStringLiteral("lnkwriter.py")), out} + args);
  EXPECT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
  return out;
}

}  // namespace

TEST(ShellLink, WindowsLinkFilesGiveTheirTargets) {
  TScratchDir dir;
  struct Case {
    const char* Name;
    QStringList Args;
    QString Want;
  };
  const Case cases[] = {
      {"local", {"local", "D:\\Export\\Inbox\\report.pdf"}, QStringLiteral("D:\\Export\\Inbox\\report.pdf")},
      {"local unicode", {"local", QStringLiteral("D:\\Büro\\März.pdf"), "--unicode-offsets"},
       QStringLiteral("D:\\Büro\\März.pdf")},
      {"network", {"network", "\\\\server\\share", "Export\\a.txt"}, QStringLiteral("\\\\server\\share\\Export\\a.txt")},
      {"relative", {"relative", ".\\a.txt", "C:\\test"}, QStringLiteral("C:\\test\\a.txt")},
      {"relative ansi", {"relative", "b.txt", "C:\\x", "--ansi"}, QStringLiteral("C:\\x\\b.txt")},
      {"absolute relative path", {"relative", "C:\\y\\c.txt", "C:\\x"}, QStringLiteral("C:\\y\\c.txt")},
  };
  for (const Case& c : cases) {
    const QString lnk = MakeLnk(dir, QString::fromLatin1(c.Name) + QStringLiteral(".lnk"), c.Args);
    EXPECT_EQ(ReadShellLinkFile(lnk), c.Want) << c.Name;
  }
}

TEST(ShellLink, TruncatedOrForgedLinksGiveNothing) {
  TScratchDir dir;
  const QString lnk = MakeLnk(dir, QStringLiteral("good.lnk"), {"local", "D:\\Export\\report.pdf"});
  QFile f(lnk);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray good = f.readAll();
  ASSERT_EQ(ParseShellLink(good), QStringLiteral("D:\\Export\\report.pdf"));

  // Every cut of the file reads as nothing or as a prefix-free answer, never
  // out of bounds (run under a sanitizer, this is the check that matters).
  for (qsizetype n = 0; n < good.size() - 4; ++n) {
    const QString got = ParseShellLink(good.left(n));
    EXPECT_TRUE(got.isEmpty() || got == QStringLiteral("D:\\Export\\report.pdf")) << n;
  }
  QByteArray forged = good;
  forged[76 + 2 + 22 + 2] = '\x7F';  // LinkInfo size far past the end
  forged[76 + 2 + 22 + 1] = '\xFF';
  EXPECT_EQ(ParseShellLink(forged), QString());
  EXPECT_EQ(ParseShellLink(QByteArray("TWK\r\n/x\r\n")), QString());
  // A NUL inside a counted path: Windows would open "C:\x\a", not what it shows.
  for (const QStringList& args : {QStringList{"relative", "ab.txt", "C:\\x"}, QStringList{"relative", "ab.txt", "C:\\x", "--ansi"}}) {
    QFile rel(MakeLnk(dir, QStringLiteral("nul.lnk"), args));
    ASSERT_TRUE(rel.open(QIODevice::ReadOnly));
    QByteArray bytes = rel.readAll();
    ASSERT_EQ(ParseShellLink(bytes), QStringLiteral("C:\\x\\ab.txt"));
    const bool ansi = args.size() == 4;
    const QByteArray b = ansi ? QByteArray("b.txt") : QByteArray("b\0.\0t", 5);
    const qsizetype at = bytes.indexOf(b);
    ASSERT_GT(at, 0);
    bytes[at] = '\0';
    EXPECT_EQ(ParseShellLink(bytes), QString()) << (ansi ? "ansi" : "unicode");
  }
  EXPECT_EQ(ParseShellLink(QByteArray()), QString());
}

TEST(ShellLink, SymbolicLinksGiveTheirTargets) {
  TScratchDir dir;
  dir.Write(QStringLiteral("target.pdf"), "x");
  ASSERT_TRUE(QFile::link(dir.File(QStringLiteral("target.pdf")), dir.File(QStringLiteral("l.twk"))));
  EXPECT_EQ(ReadShellLinkFile(dir.File(QStringLiteral("l.twk"))), dir.File(QStringLiteral("target.pdf")));
  dir.Write(QStringLiteral("plain.txt"), "not a link");
  EXPECT_EQ(ReadShellLinkFile(dir.File(QStringLiteral("plain.txt"))), QString());
  EXPECT_EQ(ReadShellLinkFile(dir.File(QStringLiteral("missing"))), QString());
}
