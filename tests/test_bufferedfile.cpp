// Record files: value encodings, buffering across buffer-fulls, damaged
// files, and the ANSI code page.
#include "core/AnsiCodePage.h"
#include "core/BufferedReadFile.h"
#include "core/BufferedWriteFile.h"
#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Sets TWK_ANSI_CODEPAGE for the life of the object.
class TCodePage {
public:
  explicit TCodePage(const char* value) : FOld(qgetenv("TWK_ANSI_CODEPAGE")), FHad(qEnvironmentVariableIsSet("TWK_ANSI_CODEPAGE")) {
    if (value)
      qputenv("TWK_ANSI_CODEPAGE", value);
    else
      qunsetenv("TWK_ANSI_CODEPAGE");
  }
  ~TCodePage() {
    if (FHad)
      qputenv("TWK_ANSI_CODEPAGE", FOld);
    else
      qunsetenv("TWK_ANSI_CODEPAGE");
  }

private:
  QByteArray FOld;
  bool FHad;
};

QByteArray WriteBytes(const TScratchDir& dir, const std::function<void(TBufferedWriteFile&)>& write, int bufSize = 16384) {
  const QString path = dir.File(QStringLiteral("out.bin"));
  TBufferedWriteFile w;
  w.CreateFile(path, bufSize);
  write(w);
  w.CloseFile();
  return dir.Read(QStringLiteral("out.bin"));
}

QString Fixture(const TScratchDir& dir, const QByteArray& bytes) {
  dir.Write(QStringLiteral("in.bin"), bytes);
  return dir.File(QStringLiteral("in.bin"));
}

}  // namespace

TEST(BufferedFile, ValueEncodingsAreByteExact) {
  TCodePage cp(nullptr);
  TScratchDir dir;
  struct Case {
    const char* Name;
    std::function<void(TBufferedWriteFile&)> Write;
    QByteArray Want;
  };
  const Case cases[] = {
      {"empty String", [](auto& w) { w.WriteString(QString()); }, QByteArray::fromHex("00000000")},
      {"String abc", [](auto& w) { w.WriteString(QStringLiteral("abc")); }, QByteArray::fromHex("03000000610062006300")},
      {"String with a surrogate pair counts code units",
       [](auto& w) { w.WriteString(QString::fromUtf8("\xF0\x9F\x98\x80")); }, QByteArray::fromHex("020000003dd800de")},
      {"Integer -2", [](auto& w) { w.WriteInteger(-2); }, QByteArray::fromHex("feffffff")},
      {"Boolean", [](auto& w) { w.WriteBool(true); w.WriteBool(false); }, QByteArray::fromHex("0100")},
      {"DateTime 1.5", [](auto& w) { w.WriteDateTime(1.5); }, QByteArray::fromHex("000000000000f83f")},
      {"String list", [](auto& w) { w.WriteStrings({QStringLiteral("a"), QString()}); },
       QByteArray::fromHex("02000000" "0100000061 00" "00000000")},
      {"AnsiString in Windows-1252", [](auto& w) { w.WriteAnsiString(QString::fromUtf8("M\xC3\xBCller \xE2\x82\xAC")); },
       QByteArray::fromHex("080000004dfc6c6c65722080")},
      {"magic", [](auto& w) { w.WriteAnsiString(QStringLiteral("TWKOAD55")); }, QByteArray("\x08\0\0\0TWKOAD55", 12)},
  };
  for (const Case& c : cases) EXPECT_EQ(WriteBytes(dir, c.Write).toHex(), c.Want.toHex()) << c.Name;
}

TEST(BufferedFile, ValuesReadBackAcrossBufferBoundaries) {
  TScratchDir dir;
  const QString big = QString(9000, QLatin1Char('x')) + QString::fromUtf8("\xC3\xA4") + QString(100, QLatin1Char('y'));
  const QStringList list = {QStringLiteral("one"), QStringLiteral("one"), QString(), QStringLiteral("two")};
  for (int bufSize : {1, 3, 7, 16384}) {
    SCOPED_TRACE(bufSize);
    const QByteArray bytes = WriteBytes(
        dir,
        [&](TBufferedWriteFile& w) {
          w.WriteInteger(INT32_MIN);
          w.WriteString(big);  // crosses the 16384-byte boundary
          w.WriteBool(true);
          w.WriteDateTime(45053.375);
          w.WriteStrings(list);
          w.WriteAnsiString(QString::fromUtf8("Gr\xC3\xBC\xC3\x9F"));
        },
        bufSize);
    for (int readSize : {0, 1, 5, 16384}) {
      SCOPED_TRACE(readSize);
      TBufferedReadFile r;
      r.Open(Fixture(dir, bytes), readSize);
      EXPECT_EQ(r.FileSize(), bytes.size());
      EXPECT_EQ(r.ReadInteger(), INT32_MIN);
      EXPECT_EQ(r.ReadString(), big);
      EXPECT_TRUE(r.ReadBool());
      EXPECT_EQ(r.ReadDateTime(), 45053.375);
      QStringList got = {QStringLiteral("old item")};  // replaced, not appended to
      r.ReadStrings(got);
      EXPECT_EQ(got, list);
      EXPECT_EQ(r.ReadAnsiString(), QString::fromUtf8("Gr\xC3\xBC\xC3\x9F"));
      EXPECT_TRUE(r.Eof());
      EXPECT_EQ(r.HaveRead(), bytes.size());
    }
  }
}

TEST(BufferedFile, DamagedFilesRaiseTheDamagedMessage) {
  TScratchDir dir;
  struct Case {
    const char* Name;
    QByteArray Bytes;
    std::function<void(TBufferedReadFile&)> Read;
  };
  const Case cases[] = {
      {"empty file", {}, [](auto& r) { r.ReadInteger(); }},
      {"short Integer", QByteArray::fromHex("010203"), [](auto& r) { r.ReadInteger(); }},
      {"short DateTime", QByteArray::fromHex("00000000"), [](auto& r) { r.ReadDateTime(); }},
      {"empty Boolean", {}, [](auto& r) { r.ReadBool(); }},
      {"String past the end", QByteArray::fromHex("0300000061006200"), [](auto& r) { r.ReadString(); }},
      {"huge String length fails without allocating it", QByteArray::fromHex("ffffff7f6100"), [](auto& r) { r.ReadString(); }},
      {"AnsiString past the end", QByteArray::fromHex("0500000061"), [](auto& r) { r.ReadAnsiString(); }},
      {"list count past the end", QByteArray::fromHex("0000004000000000"), [](auto& r) {
         QStringList v;
         r.ReadStrings(v);
       }},
  };
  for (const Case& c : cases) {
    const QString path = Fixture(dir, c.Bytes);
    TBufferedReadFile r;
    r.Open(path, 16384);
    try {
      c.Read(r);
      ADD_FAILURE() << c.Name << ": no error";
    } catch (const EUnexpectedEOFError& e) {
      EXPECT_EQ(e.Message(), QStringLiteral("Unexpected end of file - file damaged: ") + path) << c.Name;
    }
  }
}

TEST(BufferedFile, LenientValues) {
  TScratchDir dir;
  // Boolean 2 is true; negative lengths and counts are empty and consume only themselves.
  TBufferedReadFile r;
  r.Open(Fixture(dir, QByteArray::fromHex("02" "feffffff" "00000080" "ffffffff" "2a000000")), 16384);
  EXPECT_TRUE(r.ReadBool());
  EXPECT_EQ(r.ReadString(), QString());
  QStringList v = {QStringLiteral("x")};
  r.ReadStrings(v);
  EXPECT_TRUE(v.isEmpty());
  EXPECT_EQ(r.ReadAnsiString(), QString());
  EXPECT_EQ(r.ReadInteger(), 42);
  EXPECT_TRUE(r.Eof());
}

TEST(BufferedFile, ReadCopyToAndEof) {
  TScratchDir dir;
  const QString path = Fixture(dir, "0123456789");
  TBufferedReadFile r;
  r.Open(path, 4);
  char buf[16] = {};
  EXPECT_EQ(r.Read(buf, 0), 0);
  EXPECT_EQ(r.Read(buf, -3), 0);
  EXPECT_EQ(r.Read(buf, 3), 3);
  EXPECT_EQ(QByteArray(buf, 3), "012");
  QBuffer out;
  out.open(QIODevice::WriteOnly);
  EXPECT_EQ(r.CopyTo(out), 7);
  EXPECT_EQ(out.data(), "3456789");
  EXPECT_TRUE(r.Eof());
  EXPECT_EQ(r.Read(buf, 5), 0);
  EXPECT_EQ(r.HaveRead(), 10);
  // Reopening starts afresh; more asked than there is gives what there is.
  r.Open(path, 16384);
  EXPECT_EQ(r.Read(buf, 16), 10);
  r.Close();
  EXPECT_EQ(r.FileSize(), 0);
  r.Close();  // harmless twice
}

TEST(BufferedFile, WriterBufferFlushesWhenFull) {
  TScratchDir dir;
  TBufferedWriteFile w;
  w.CreateFile(dir.File(QStringLiteral("b.bin")), 8);
  const QByteArray eight(8, 'a');
  w.WriteBuffer(eight.constData(), 8);
  EXPECT_EQ(w.InBuffer(), 0);
  w.WriteBuffer("b", 1);
  EXPECT_EQ(w.InBuffer(), 1);
  w.WriteBuffer(QByteArray(20, 'c').constData(), 20);  // fills, flushes twice, keeps the rest
  EXPECT_EQ(w.InBuffer(), 5);
  w.CloseFile();
  EXPECT_EQ(dir.Read(QStringLiteral("b.bin")), eight + "b" + QByteArray(20, 'c'));
  w.CloseFile();  // harmless when nothing is open
}

TEST(BufferedFile, ZeroBufferSizeStillWrites) {
  TScratchDir dir;  // a buffer of 0 bytes must not loop forever
  EXPECT_EQ(WriteBytes(dir, [](auto& w) { w.WriteInteger(7); }, 0).toHex(), QByteArray("07000000"));
}

TEST(BufferedFile, MissingOrUnusableFilesNameThePath) {
  TScratchDir dir;
  struct Case {
    QString Path;
    const char* Reason;
  };
  const Case cases[] = {
      {dir.Path() + QStringLiteral("/missing.twc"), "No such file or directory"},
      {dir.Path(), "Is a directory"},
  };
  for (const Case& c : cases) {
    TBufferedReadFile r;
    try {
      r.Open(c.Path, 16384);
      ADD_FAILURE() << "opened " << c.Path.toStdString();
    } catch (const EOSError& e) {
      EXPECT_EQ(e.Message(), c.Path + QStringLiteral(": ") + QString::fromLatin1(c.Reason));
    }
  }
  TBufferedWriteFile w;
  const QString noDir = dir.Path() + QStringLiteral("/no/such/dir/x.twc");
  try {
    w.CreateFile(noDir, 16);
    ADD_FAILURE() << "created in a missing directory";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.Message(), noDir + QStringLiteral(": No such file or directory"));
  }
}

TEST(BufferedFile, WriterReplacesOnlyOnCloseAndLeavesNoTemporary) {
  TScratchDir dir;
  dir.Write(QStringLiteral("job.twc"), "old");
  {
    TBufferedWriteFile w;
    w.CreateFile(dir.File(QStringLiteral("job.twc")), 4);
    w.WriteString(QStringLiteral("new content"));
    EXPECT_EQ(dir.Read(QStringLiteral("job.twc")), "old");
    // Leaving without CloseFile (an error on the way) drops the new file.
  }
  EXPECT_EQ(dir.Read(QStringLiteral("job.twc")), "old");
  EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("job.twc")});
  WriteBytes(dir, [](auto& w) { w.WriteBool(true); });
  EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden),
            (QStringList{QStringLiteral("job.twc"), QStringLiteral("out.bin")}));
}

TEST(AnsiCodePage, ConvertsWithTheConfiguredCodePage) {
  struct Case {
    const char* CodePage;
    QString Text;
    QByteArray Bytes;
  };
  const Case cases[] = {
      {nullptr, QString::fromUtf8("\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F \xE2\x82\xAC"), QByteArray::fromHex("e4f6fcdf2080")},
      {"1252", QString::fromUtf8("\xC3\x84rger"), QByteArray::fromHex("c4726765 72")},
      {"1251", QString::fromUtf8("\xD0\x9F\xD1\x80\xD0\xB8"), QByteArray::fromHex("cff0e8")},
      {"932", QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC"), QByteArray::fromHex("93fa967b")},
      {"65001", QString::fromUtf8("\xC3\xA4"), QByteArray::fromHex("c3a4")},
  };
  for (const Case& c : cases) {
    TCodePage cp(c.CodePage);
    EXPECT_EQ(UnicodeToAnsi(c.Text).toHex(), c.Bytes.toHex()) << (c.CodePage ? c.CodePage : "default");
    EXPECT_EQ(AnsiToUnicode(c.Bytes), c.Text) << (c.CodePage ? c.CodePage : "default");
  }
}

TEST(AnsiCodePage, UnconvertibleContentBecomesQuestionMarks) {
  struct Case {
    const char* CodePage;
    QByteArray Bytes;
    QString Text;
  };
  // Bytes the code page leaves undefined, and a lead byte cut off at the end.
  const Case decode[] = {
      {"1252", QByteArray::fromHex("41814290"), QStringLiteral("A?B?")},
      {"932", QByteArray::fromHex("4193"), QStringLiteral("A?")},
  };
  for (const Case& c : decode) {
    TCodePage cp(c.CodePage);
    EXPECT_EQ(AnsiToUnicode(c.Bytes), c.Text) << c.CodePage;
  }
  TCodePage cp("1252");
  // Characters outside the code page, a surrogate pair among them, are one "?" each.
  EXPECT_EQ(UnicodeToAnsi(QString::fromUtf8("a\xE4\xB8\xAD" "b\xF0\x9F\x98\x80" "c")), QByteArray("a?b?c"));
}

TEST(AnsiCodePage, BadSettingIsNamed) {
  for (const char* value : {"latin1", "99999"}) {
    TCodePage cp(value);
    try {
      AnsiToUnicode("x");
      ADD_FAILURE() << value;
    } catch (const Exception& e) {
      EXPECT_TRUE(e.Message().contains(QStringLiteral("TWK_ANSI_CODEPAGE"))) << e.Message().toStdString();
    }
  }
}
