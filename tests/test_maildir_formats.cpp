// Save-as-file in every format: the compound-file writer on its own, then a
// corpus of messages written in all seven formats and read back with
// independent readers (olefile, msgconvert, unrtf, Python's email package).
#include "support/TestSupport.h"
#include "twktools/formats/CompoundFile.h"
#include "twktools/formats/SaveAs.h"
#include "twktools/maildir/Backend.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QMap>
#include <QFile>
#include <QSaveFile>
#include <gtest/gtest.h>

using twkformats::SaveMessageAs;

namespace {

QString RunOk(const QString& program, const QStringList& args, const QProcessEnvironment& env =
                                                                    QProcessEnvironment::systemEnvironment()) {
  const TRunResult r = RunProgram(program, args, {}, env, 120000);
  EXPECT_EQ(r.ExitCode, 0) << program.toStdString() << " " << args.join(u' ').toStdString() << "\n"
                           << r.Stdout.toStdString() << r.Stderr.toStdString();
  return QString::fromUtf8(r.Stdout);
}

// path → "size sha256 first-bytes-hex" of every stream, as olefile reads them.
QMap<QString, QStringList> ReadCompoundFile(const QString& path, QStringList* faults) {
  QMap<QString, QStringList> streams;
  const QString listing = RunOk(DebianPython(), {TestToolPath(QStringLiteral("fmt_cfb_read.py")), path});
  for (const QString& line : listing.split(u'\n', Qt::SkipEmptyParts)) {
    QStringList f = line.split(u' ');
    if (f.first() == u"FAULT")
      *faults << line;
    else
      streams.insert(f.takeFirst(), f);
  }
  return streams;
}

TwkPtr<IRDOMail> OpenFile(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
  return twkmaildir::OpenLooseMessage(f.readAll(), path);
}

}  // namespace

// Streams on both sides of the mini-stream cutoff, many siblings (a deep
// sibling tree), nested storages, and one stream big enough that the FAT
// needs DIFAT sectors beyond the header's 109.
TEST(CompoundFileWriter, StreamsAndTreesReadBackWithOlefile) {
  TScratchDir dir;
  const QString path = dir.File(QStringLiteral("t.cfb"));
  QMap<QString, QByteArray> written;
  {
    QSaveFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    twkformats::TCompoundFileWriter cf(&f);
    auto add = [&](int parent, const QString& prefix, const QString& name, const QByteArray& data) {
      cf.AddStream(parent, name, data);
      written.insert(prefix + name, data);
    };
    const int sizes[] = {0, 1, 63, 64, 65, 4095, 4096, 4097, 10000};
    for (int s : sizes) {
      QByteArray b(s, '\0');
      for (int i = 0; i < s; ++i) b[i] = char((i * 31 + s) & 0xFF);
      add(twkformats::TCompoundFileWriter::RootId, QString(), QStringLiteral("s%1").arg(s), b);
    }
    const int storage = cf.AddStorage(twkformats::TCompoundFileWriter::RootId, QStringLiteral("Sub"));
    for (int i = 0; i < 40; ++i)  // names of different lengths and cases
      add(storage, QStringLiteral("Sub/"), QStringLiteral("%1n%2").arg(QString(i % 5 + 1, i % 2 ? u'a' : u'B')).arg(i),
          QByteArray(i * 3, char('a' + i % 26)));
    const int inner = cf.AddStorage(storage, QStringLiteral("inner"));
    add(inner, QStringLiteral("Sub/inner/"), QStringLiteral("x"), QByteArray("in the deep"));
    QByteArray big(8 * 1024 * 1024 + 123, '\0');
    for (qsizetype i = 0; i < big.size(); ++i) big[i] = char((i >> 9) ^ i);
    add(twkformats::TCompoundFileWriter::RootId, QString(), QStringLiteral("big"), big);
    // Streams copied in by pieces, on both sides of the cutoff.
    for (const qsizetype size : {qsizetype(100), qsizetype(3 * 1024 * 1024 + 7)}) {
      QByteArray data = big.right(size);
      QBuffer source(&data);
      source.open(QIODevice::ReadOnly);
      const QString name = QStringLiteral("piece%1").arg(size);
      cf.AddStreamFrom(storage, name, &source, size);
      written.insert(QStringLiteral("Sub/") + name, data);
    }
    cf.Finish();
    ASSERT_TRUE(f.commit());
  }
  QStringList faults;
  const auto streams = ReadCompoundFile(path, &faults);
  EXPECT_TRUE(faults.isEmpty()) << faults.join(u'\n').toStdString();
  ASSERT_EQ(streams.size(), written.size());
  for (auto it = written.cbegin(); it != written.cend(); ++it) {
    ASSERT_TRUE(streams.contains(it.key())) << it.key().toStdString();
    EXPECT_EQ(streams[it.key()][0].toLongLong(), it.value().size()) << it.key().toStdString();
    EXPECT_EQ(streams[it.key()][1],
              QString::fromLatin1(QCryptographicHash::hash(it.value(), QCryptographicHash::Sha256).toHex()))
        << it.key().toStdString();
  }
}

// A big attachment reaches the .msg by pieces through a hidden file beside
// it, which is gone afterwards; its bytes are exact.
TEST(SaveMessageAs, BigAttachmentGoesIntoTheMsgFileExactly) {
  TScratchDir dir;
  QByteArray data(9 * 1024 * 1024 + 5, '\0');
  for (qsizetype i = 0; i < data.size(); ++i) data[i] = char((i * 7) ^ (i >> 11));
  QByteArray mime = "From: Ann <ann@example.org>\r\nTo: bob@example.org\r\nSubject: Scan\r\n"
                    "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
                    "--b1\r\nContent-Type: text/plain\r\n\r\nThe scan.\r\n"
                    "--b1\r\nContent-Type: application/pdf; name=\"scan.pdf\"\r\n"
                    "Content-Disposition: attachment; filename=\"scan.pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\n";
  const QByteArray encoded = data.toBase64();
  for (qsizetype i = 0; i < encoded.size(); i += 76) mime += encoded.mid(i, 76) + "\r\n";
  mime += "--b1--\r\n";
  dir.Write(QStringLiteral("scan.eml"), mime);
  TwkPtr<IRDOMail> mail = OpenFile(dir.File(QStringLiteral("scan.eml")));
  SaveMessageAs(mail.get(), dir.File(QStringLiteral("scan.msg")), olMSGUnicode);
  QStringList faults;
  const auto streams = ReadCompoundFile(dir.File(QStringLiteral("scan.msg")), &faults);
  EXPECT_TRUE(faults.isEmpty()) << faults.join(u'\n').toStdString();
  const QStringList att = streams.value(QStringLiteral("__attach_version1.0_#00000000/__substg1.0_37010102"));
  ASSERT_EQ(att.size(), 3);
  EXPECT_EQ(att[0].toLongLong(), data.size());
  EXPECT_EQ(att[1], QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex()));
  EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"scan.eml", "scan.msg"}));
}

TEST(CompoundFileWriter, RefusesBadNames) {
  QBuffer buffer;
  buffer.open(QIODevice::ReadWrite);
  twkformats::TCompoundFileWriter cf(&buffer);
  cf.AddStream(0, QStringLiteral("Name"), QByteArray("a"));
  for (const QString& bad : {QStringLiteral("NAME"), QString(), QString(32, u'x')})
    EXPECT_THROW(cf.AddStream(0, bad, QByteArray("b")), EComError) << bad.toStdString();
}

// ---------------------------------------------------------------------------
// The corpus: every message in every format, read back by other programs.

namespace {

const QString& CorpusDir() {
  static TScratchDir* dir = [] {
    auto* d = new TScratchDir;
    RunOk(DebianPython(), {TestToolPath(QStringLiteral("fmt_corpus.py")), d->Path()});
    return d;
  }();
  static const QString path = dir->Path();
  return path;
}

struct TFormat {
  int Code;
  const char* Suffix;
};
const TFormat kFormats[] = {{olRFC822, ".eml"}, {olTXT, ".txt"},         {olHTML, ".htm"}, {olMHTML, ".mht"},
                            {olRTF, ".rtf"},    {olMSGUnicode, "-u.msg"}, {olMSG, ".msg"}};

class CorpusMessage : public testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(CorpusMessage, EveryFormatReadsBack) {
  const QString name = QString::fromLatin1(GetParam());
  TScratchDir out;
  TwkPtr<IRDOMail> mail = OpenFile(CorpusDir() + u'/' + name + QStringLiteral(".eml"));
  ASSERT_TRUE(mail);
  const QString base = out.File(name);
  for (const TFormat& f : kFormats) {
    try {
      SaveMessageAs(mail.get(), base + QString::fromLatin1(f.Suffix), f.Code);
    } catch (const Exception& e) {
      ADD_FAILURE() << name.toStdString() << f.Suffix << ": " << e.Message().toStdString();
    }
  }
  RunOk(DebianPython(),
        {TestToolPath(QStringLiteral("fmt_check.py")), CorpusDir() + u'/' + name + QStringLiteral(".json"), base});
  // Nothing but the seven files: no temporary file stays behind.
  EXPECT_EQ(QDir(out.Path()).entryList(QDir::Files).size(), qsizetype(std::size(kFormats)));
}

INSTANTIATE_TEST_SUITE_P(Formats, CorpusMessage,
                         testing::Values("plain", "htmlonly", "alternative", "related", "attachments", "embedded",
                                         "draft", "calendar", "signed", "encrypted"));

TEST(SaveMessageAs, UnknownCodeIsRefusedAndOldFileStays) {
  TScratchDir out;
  TwkPtr<IRDOMail> mail = OpenFile(CorpusDir() + QStringLiteral("/plain.eml"));
  const QString path = out.File(QStringLiteral("old.txt"));
  out.Write(QStringLiteral("old.txt"), "old contents");
  for (int code : {2, 4, 1025, -1}) {
    try {
      SaveMessageAs(mail.get(), path, code);
      ADD_FAILURE() << "code " << code << " was accepted";
    } catch (const EComError& e) {
      EXPECT_EQ(e.ErrorCode(), E_INVALIDARG);
      EXPECT_TRUE(e.Message().contains(QString::number(code))) << e.Message().toStdString();
    }
  }
  EXPECT_EQ(out.Read(QStringLiteral("old.txt")), QByteArray("old contents"));
}

// A failure in the middle of writing (here: an unusable code page setting)
// leaves the old file whole and no temporary file beside it.
TEST(SaveMessageAs, FailedWriteKeepsTheOldFile) {
  TScratchDir out;
  TwkPtr<IRDOMail> mail = OpenFile(CorpusDir() + QStringLiteral("/plain.eml"));
  out.Write(QStringLiteral("m.msg"), "old msg");
  qputenv("TWK_ANSI_CODEPAGE", "bogus");
  try {
    SaveMessageAs(mail.get(), out.File(QStringLiteral("m.msg")), olMSG);
    ADD_FAILURE() << "an unusable code page was accepted";
  } catch (const EComError& e) {
    EXPECT_TRUE(e.Message().contains(QStringLiteral("TWK_ANSI_CODEPAGE"))) << e.Message().toStdString();
  }
  qunsetenv("TWK_ANSI_CODEPAGE");
  EXPECT_EQ(out.Read(QStringLiteral("m.msg")), QByteArray("old msg"));
  EXPECT_EQ(QDir(out.Path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
  EXPECT_THROW(SaveMessageAs(mail.get(), out.Path() + QStringLiteral("/no/such/dir/m.txt"), olTXT), EComError);
}

// ANSI files use the configured code page; Unicode files are not touched by it.
TEST(SaveMessageAs, AnsiItemFileUsesTheConfiguredCodePage) {
  TScratchDir out;
  out.Write(QStringLiteral("ru.eml"),
            "From: a@example.org\r\nTo: b@example.org\r\nSubject: =?utf-8?b?0J/RgNC40LLQtdGC?=\r\n"
            "MIME-Version: 1.0\r\nContent-Type: text/html; charset=utf-8\r\n\r\n"
            "<p>\xD0\x9F\xD1\x80\xD0\xB8 \xE2\x82\xAC</p>\r\n");
  TwkPtr<IRDOMail> mail = OpenFile(out.File(QStringLiteral("ru.eml")));
  qputenv("TWK_ANSI_CODEPAGE", "1251");
  SaveMessageAs(mail.get(), out.File(QStringLiteral("ru.msg")), olMSG);
  qunsetenv("TWK_ANSI_CODEPAGE");
  SaveMessageAs(mail.get(), out.File(QStringLiteral("ru1252.msg")), olMSG);
  QStringList faults;
  const auto cp1251 = ReadCompoundFile(out.File(QStringLiteral("ru.msg")), &faults);
  EXPECT_EQ(cp1251.value(QStringLiteral("__substg1.0_0037001E")).value(2), QStringLiteral("cff0e8e2e5f2"));
  const auto cp1252 = ReadCompoundFile(out.File(QStringLiteral("ru1252.msg")), &faults);
  EXPECT_EQ(cp1252.value(QStringLiteral("__substg1.0_0037001E")).value(2), QStringLiteral("3f3f3f3f3f3f"));
  // The HTML loses nothing: what the code page lacks becomes a character reference.
  EXPECT_TRUE(cp1252.value(QStringLiteral("__substg1.0_10130102")).value(2).startsWith(
      QString::fromLatin1(QByteArray("<p>&#1055;&#1088;&#1080; \x80</p>").toHex())));
  EXPECT_TRUE(cp1251.value(QStringLiteral("__substg1.0_10130102")).value(2).startsWith(
      QString::fromLatin1(QByteArray("<p>\xCF\xF0\xE8 \x88</p>").toHex())));
  EXPECT_TRUE(faults.isEmpty());
}
