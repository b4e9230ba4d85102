// Link files: the exact bytes, the reader's encodings and its two-line rule.
#include "core/TWKLink.h"
#include "tests/support/TestSupport.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

TEST(TWKLink, WritesTheExactBytes) {
  TScratchDir dir;
  const QString path = dir.File(QStringLiteral("b-txt.twk"));
  WriteLinkFile(QStringLiteral("C:\\A\\b.txt"), path);
  const QByteArray bytes = dir.Read(QStringLiteral("b-txt.twk"));
  ASSERT_EQ(bytes.size(), 36);
  EXPECT_EQ(bytes.left(12), QByteArray("\xFF\xFE" "T\0W\0K\0\r\0\n\0", 12));
  EXPECT_EQ(bytes.right(4), QByteArray("\r\0\n\0", 4));
  EXPECT_EQ(ReadLinkFile(path), QStringLiteral("C:\\A\\b.txt"));
}

TEST(TWKLink, ReaderEncodingsAndLineRule) {
  const QString target = QStringLiteral("/home/jane/Export/Bericht über März.pdf");
  auto utf16 = [](const QString& text, QStringConverter::Encoding enc) {
    return QByteArray(QStringEncoder(enc, QStringConverter::Flag::WriteBom)(text));
  };
  struct Case {
    const char* Name;
    QByteArray Bytes;
    QString Want;
  };
  const QString two = QStringLiteral("TWK\r\n") + target + QStringLiteral("\r\n");
  const Case cases[] = {
      {"utf16le", utf16(two, QStringConverter::Utf16LE), target},
      {"utf16be", utf16(two, QStringConverter::Utf16BE), target},
      {"utf8 bom", QByteArray("\xEF\xBB\xBF") + two.toUtf8(), target},
      {"ansi 1252", QByteArray("TWK\n/home/jane/Export/Bericht \xFC" "ber M\xE4rz.pdf"), target},
      {"lone CR", QByteArray("TWK\r/x/y.pdf\r"), QStringLiteral("/x/y.pdf")},
      {"blanks around target", QByteArray("TWK\r\n  /x/y.pdf \t\r\n"), QStringLiteral("/x/y.pdf")},
      {"three lines", QByteArray("TWK\r\n/x/y.pdf\r\n\r\n"), QString()},
      {"lower-case signature", QByteArray("twk\r\n/x/y.pdf\r\n"), QString()},
      {"signature with blank", QByteArray("TWK \r\n/x/y.pdf\r\n"), QString()},
      {"one line", QByteArray("TWK\r\n"), QString()},
      {"empty", QByteArray(), QString()},
      {"binary", QByteArray("\x00\x01\x02TWK", 6), QString()},
  };
  TScratchDir dir;
  for (const Case& c : cases) {
    dir.Write(QStringLiteral("l.twk"), c.Bytes);
    EXPECT_EQ(ReadLinkFile(dir.File(QStringLiteral("l.twk"))), c.Want) << c.Name;
  }
}

TEST(TWKLink, HugeFileIsNotALinkAndIsNotReadWhole) {
  TScratchDir dir;
  QFile f(dir.File(QStringLiteral("huge.twk")));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_TRUE(f.write(LinkFileBytes(QStringLiteral("/x"))));
  ASSERT_TRUE(f.resize(qint64(1) << 30));  // sparse: 1 GiB on paper
  f.close();
  EXPECT_EQ(ReadLinkFile(f.fileName()), QString());
}

TEST(TWKLink, MissingFileIsAnError) {
  EXPECT_ANY_THROW(ReadLinkFile(QStringLiteral("/nonexistent/dir/x.twk")));
}

TEST(TWKLink, LinkFileNames) {
  const std::pair<QString, QString> cases[] = {
      {QStringLiteral("D:\\Export\\report.pdf"), QStringLiteral("report-pdf.twk")},
      {QStringLiteral("/home/j/README"), QStringLiteral("README.twk")},
      {QStringLiteral("/a/archive.tar.gz"), QStringLiteral("archive.tar-gz.twk")},
      {QStringLiteral("/a/odd."), QStringLiteral("odd..twk")},
  };
  for (const auto& [target, want] : cases) EXPECT_EQ(LinkFileNameFor(target), want) << target.toStdString();
}
