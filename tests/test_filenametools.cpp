// File and path utilities on real files in scratch directories.
#include "core/Exception.h"
#include "core/FilenameTools.h"
#include "core/SpecialFolder.h"
#include "tests/support/TestSupport.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string S(const QString& s) { return s.toStdString(); }

struct TJoinCase {
  QString Dir, Name, Expected;
};

TEST(FilenameTools, JoinPathIsTheNativeJoinOfMaskResults) {
  const TJoinCase cases[] = {
      {"/export ", "\\report.txt", "/export/report.txt"},
      {"/export/", "report.txt", "/export/report.txt"},
      {"", "x", "/x"},
      {"/d", "\\\\x", "/d//x"},  // one leading separator removed, not more
      {"/d", " \t\\x", "/d/x"},
      {"/d", "a\\b\\c.eml", "/d/a/b/c.eml"},
      {"/d", "Tarnwick\\Jobs", "/d/Tarnwick/Jobs"},
      // A "/" in a folder name of [O] is no separator and cannot climb out;
      // nor can a component that is "." or ".." (once its slashes are gone).
      {"/d", "..\\x/..\\..\\y", "/d/none/x../none/y"},
      {"/d", "a/../../etc", "/d/a....etc"},
      {"/d", "/../\\./\\x", "/d/none/none/x"},
      {"/d", "/\x0f/..\\x", "/d/none/x"},  // a control hidden by slashes is trimmed like a leading one
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(S(c.Dir + " + " + c.Name));
    EXPECT_EQ(S(JoinPath(c.Dir, c.Name)), S(c.Expected));
  }
}

TEST(FilenameTools, JoinMaskPathKeepsBackslashes) {
  const TJoinCase cases[] = {
      {"C:\\Export ", "\\report.txt", "C:\\Export\\report.txt"},
      {"C:\\Export\\", "report.txt", "C:\\Export\\report.txt"},
      {"", "x", "\\x"},
      {"d", "\\\\x", "d\\\\x"},
      {"d\x01", "a/b", "d\\a/b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(S(c.Dir + " + " + c.Name));
    EXPECT_EQ(S(JoinMaskPath(c.Dir, c.Name)), S(c.Expected));
  }
}

TEST(FilenameTools, PrefixSuffixAndBackslashHelpers) {
  EXPECT_EQ(S(EnsureTrailing("", "\\")), "\\");
  EXPECT_EQ(S(EnsureTrailing("a\\", "\\")), "a\\");
  EXPECT_EQ(S(EnsureTrailing("a", "\\")), "a\\");
  EXPECT_EQ(S(RemoveLeading("\\\\a", "\\")), "\\a");
  EXPECT_EQ(S(RemoveLeading("a\\", "\\")), "a\\");

  const QPair<QString, QString> enclose[] = {
      {" a\\b ", "\\a\\b\\"}, {"", "\\"}, {"\\a", "\\a\\"}, {"a\\", "\\a\\"}, {"\\\\Mailbox\\Inbox", "\\\\Mailbox\\Inbox\\"}};
  for (const auto& [in, out] : enclose) EXPECT_EQ(S(EncloseInBackslashes(in)), S(out)) << S(in);

  const QPair<QString, QString> trim[] = {{"\\\\a\\b\\\\", "a\\b"}, {" \\x\\ ", "x"}, {"\\\\", ""}, {"a", "a"}};
  for (const auto& [in, out] : trim) {
    QString s = in;
    TrimBackslashes(s);
    EXPECT_EQ(S(s), S(out)) << S(in);
  }
  // Trim removes every code up to 32, and nothing else.
  EXPECT_EQ(S(TrimStr(QString::fromUtf16(u"\x01 \t a\u00A0 \x1f"))), S(QString::fromUtf16(u"a\u00A0")));
}

TEST(FilenameTools, FileNameCleaning) {
  const QString emoji = QString::fromUtf16(u"\U0001F600");
  const QPair<QString, QString> remove[] = {
      {"Offer" + emoji + ".pdf", "Offer" + emoji + ".pdf"},
      {"a\tb\nc\rd", "abcd"},
      {"\"*/:<>?\\|x", "x"},
      {QString::fromUtf16(u"a\u007F\u0085\u009Fb\u00A0"), QString::fromUtf16(u"ab\u00A0")},
      // A lone surrogate half is dropped and takes nothing past the cleaning.
      {QString::fromUtf16(u"\xD800/x"), "x"},
      {QString::fromUtf16(u"x\xDC00"), "x"},
  };
  for (const auto& [in, out] : remove) EXPECT_EQ(RemoveInvalidFileNameChars(in), out) << S(in);

  const QPair<QString, QString> valid[] = {
      {"  ..Re: a/b: c?..  ", "Re ab c"}, {"...", ""}, {" . a . ", "a"}, {"a . b", "a . b"}, {"?:|", ""},
  };
  for (const auto& [in, out] : valid) EXPECT_EQ(S(MakeValidFileName(in)), S(out)) << S(in);
  EXPECT_EQ(S(MakeValidFileNameDef("???", "Untitled Attachment")), "Untitled Attachment");
  EXPECT_EQ(S(MakeValidFileNameDef("a?", "Untitled Attachment")), "a");
}

// An attached mail without subject is named ".eml" by the store: the name
// keeps its extension after the default.
TEST(FilenameTools, AttachmentFileNameDefKeepsALoneExtension) {
  const QList<QPair<QString, QString>> names = {
      {".eml", "Untitled Attachment.eml"}, {" .eml ", "Untitled Attachment.eml"}, {"?.eml", "Untitled Attachment.eml"},
      {"Re Offer.eml", "Re Offer.eml"},    {"...", "Untitled Attachment"},        {"", "Untitled Attachment"},
      {"a.b.", "a.b"},                     {"..eml", "Untitled Attachment.eml"},  {".tar.gz", "tar.gz"},
  };
  for (const auto& [in, out] : names) EXPECT_EQ(S(AttachmentFileNameDef(in)), S(out)) << S(in);
}

TEST(FilenameTools, FitFileNameComponentCutsAtCharacterBoundaries) {
  const QString emoji = QString::fromUtf16(u"\U0001F600");
  struct TCase {
    QString Name, Tag, Expected;
  } cases[] = {
      {"short.pdf", "", "short.pdf"},
      {"short.pdf", "-2", "short-2.pdf"},
      {QString(300, 'a') + ".pdf", "", QString(251, 'a') + ".pdf"},
      {QString(300, 'a') + ".pdf", "-12", QString(248, 'a') + "-12.pdf"},
      {QString(200, QChar(0xE9)) + ".txt", "", QString(125, QChar(0xE9)) + ".txt"},
      {emoji.repeated(100) + ".eml", "", emoji.repeated(62) + ".eml"},
      // An extension that leaves no room is cut like the rest.
      {"x." + QString(300, 'b'), "", "x." + QString(253, 'b')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(S(c.Name.left(20)));
    const QString r = FitFileNameComponent(c.Name, c.Tag);
    EXPECT_EQ(r, c.Expected);
    EXPECT_LE(r.toUtf8().size(), 255);
    EXPECT_EQ(QString::fromUtf8(r.toUtf8()), r);  // no broken character
  }
}

TEST(FilenameTools, MakeUniqueFileNameFollowsTheDashNumberRule) {
  TScratchDir dir;
  dir.Write("out/a.eml", "1");
  dir.Write("out/a-2.eml", "2");
  dir.Write("out/README", "r");
  QDir(dir.Path()).mkpath("out/b.eml");  // a directory does not count
  ASSERT_EQ(::symlink("/nonexistent/target", QFile::encodeName(dir.Path() + "/out/c.eml").constData()), 0);

  struct TCase {
    QString Name;
    bool Unique;
    QString Expected;
  } cases[] = {
      {"out/a.eml", true, "out/a-3.eml"},   {"out/a.eml", false, "out/a.eml"},
      {"out/README", true, "out/README-2"}, {"out/b.eml", true, "out/b.eml"},
      {"out/c.eml", true, "out/c-2.eml"},   {"out/new.eml", true, "out/new.eml"},
      {"new/deep/x.eml", false, "new/deep/x.eml"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(S(c.Name));
    QString path = dir.Path() + "/" + c.Name;
    MakeUniqueFileName(path, c.Unique);
    EXPECT_EQ(S(path), S(dir.Path() + "/" + c.Expected));
    EXPECT_TRUE(QFileInfo(QFileInfo(path).path()).isDir());
  }
}

TEST(FilenameTools, MakeUniqueFileNameFitsLongNamesAndCandidates) {
  TScratchDir dir;
  const QString longBase = QString(300, QChar(0xE9));
  QString first = dir.Path() + "/" + longBase + "\\x/" + longBase + ".eml";
  MakeUniqueFileName(first, true);
  const QString fittedName = QString(125, QChar(0xE9)) + ".eml";
  EXPECT_EQ(QFileInfo(first).fileName(), fittedName);
  EXPECT_TRUE(QFileInfo(QFileInfo(first).path()).isDir());  // the long directory was fitted too
  ASSERT_TRUE(QFile(first).open(QIODevice::WriteOnly));

  QString second = dir.Path() + "/" + longBase + "\\x/" + longBase + ".eml";
  MakeUniqueFileName(second, true);
  EXPECT_EQ(QFileInfo(second).fileName(), QString(124, QChar(0xE9)) + "-2.eml");
  EXPECT_EQ(QFileInfo(second).path(), QFileInfo(first).path());
}

TEST(FilenameTools, MakeUniqueFileNameRaisesOnlyForAnEmptyDirectoryPart) {
  QString path = "a.eml";
  try {
    MakeUniqueFileName(path, true);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(S(e.Message()), "Unable to create directory");
  }
  // A directory that cannot be made is left to the caller's write.
  QString blocked = "/proc/forbidden/x/a.eml";
  EXPECT_NO_THROW(MakeUniqueFileName(blocked, true));
  EXPECT_EQ(S(blocked), "/proc/forbidden/x/a.eml");
}

qint64 MTime(const QString& path) {
  return QFileInfo(path).fileTime(QFileDevice::FileModificationTime).toSecsSinceEpoch();
}

TEST(FilenameTools, SetFileDateTimeUsesTwoSecondStepsWithinTheDosRange) {
  TScratchDir dir;
  const QString file = dir.File("f.txt");
  dir.Write("f.txt", "x");

  const auto local = [](int y, int mo, int d, int h, int mi, int s) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::LocalTime).toSecsSinceEpoch();
  };
  SetFileDateTime(file, EncodeDateTime({2023, 5, 7, 9, 4, 3, 600}));
  EXPECT_EQ(MTime(file), local(2023, 5, 7, 9, 4, 2));
  SetFileDateTime(file, EncodeDateTime({1980, 1, 1, 0, 0, 0, 0}));
  EXPECT_EQ(MTime(file), local(1980, 1, 1, 0, 0, 0));
  SetFileDateTime(file, EncodeDateTime({2107, 12, 31, 23, 59, 59, 0}));
  EXPECT_EQ(MTime(file), local(2107, 12, 31, 23, 59, 58));

  dir.Write("g.txt", "x");
  const QString other = dir.File("g.txt");
  const qint64 otherBefore = MTime(other);
  for (TDateTime outside : {EncodeDateTime({1979, 12, 31, 23, 59, 59, 0}), EncodeDateTime({2108, 1, 1, 0, 0, 0, 0}),
                            TDateTime(0)}) {
    SetFileDateTime(other, outside);
    EXPECT_EQ(MTime(other), otherBefore);
  }
  EXPECT_NO_THROW(SetFileDateTime(dir.Path() + "/missing.txt", EncodeDateTime({2020, 1, 1, 0, 0, 0, 0})));
  if (::getuid() != 0) {
    ASSERT_TRUE(QFile::setPermissions(other, QFile::ReadOwner));
    SetFileDateTime(other, EncodeDateTime({2020, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(MTime(other), otherBefore);
  }
}

TEST(FilenameTools, PrivateDirectoriesAreRefusedUnlessPrivate) {
  TScratchDir dir;
  const QString fresh = dir.Path() + "/fresh";
  EnsurePrivateDirectory(fresh);
  struct stat st;
  ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_NO_THROW(EnsurePrivateDirectory(fresh));

  QDir(dir.Path()).mkdir("open");
  ::chmod(QFile::encodeName(dir.Path() + "/open").constData(), 0750);
  dir.Write("file", "x");
  ::symlink(QFile::encodeName(fresh).constData(), QFile::encodeName(dir.Path() + "/link").constData());
  const QPair<QString, QString> refused[] = {
      {"open", "accessible by other users"}, {"file", "not a directory"}, {"link", "not a directory"}};
  for (const auto& [name, reason] : refused) {
    const QString path = dir.Path() + "/" + name;
    try {
      EnsurePrivateDirectory(path);
      ADD_FAILURE() << S(name) << " accepted";
    } catch (const EOSError& e) {
      EXPECT_EQ(S(e.Message()), S(path + ": " + reason));
    }
  }
}

TEST(FilenameTools, TempDirectoryPrefersAUsableRuntimeDirectory) {
  TIsolatedUser user;
  EXPECT_EQ(S(GetTempDirectory()), S(user.Home() + "/runtime/"));

  const QString fallback = QStringLiteral("/tmp/tarnwick-%1/").arg(::getuid());
  for (const QByteArray& runtime : {QByteArray(), QByteArray("relative/dir"), (user.Home() + "/missing").toUtf8()}) {
    SCOPED_TRACE(runtime.toStdString());
    if (runtime.isEmpty())
      qunsetenv("XDG_RUNTIME_DIR");
    else
      qputenv("XDG_RUNTIME_DIR", runtime);
    EXPECT_EQ(S(GetTempDirectory()), S(fallback));
  }
  struct stat st;
  ASSERT_EQ(::lstat(QFile::encodeName(fallback).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(SpecialFolder, DocumentsAndUnknownFolders) {
  TIsolatedUser user;
  EXPECT_EQ(S(GetMyDocumentsPath()), S(user.Documents()));
  EXPECT_EQ(S(GetSpecialFolderPath(5)), S(user.Documents()));
  EXPECT_TRUE(GetSpecialFolderPath(26).isEmpty());
  EXPECT_TRUE(GetSpecialFolderPath(-1).isEmpty());
}

TEST(FilenameTools, ModuleDirectoryHoldsTheRunningProgram) {
  const QString dir = GetModuleDirectory();
  EXPECT_TRUE(dir.endsWith('/'));
  EXPECT_TRUE(QFileInfo(dir + "test_filenametools").isFile()) << S(dir);
}

TEST(FilenameTools, CreateTempFileNameMakesNewEmptyFiles) {
  TScratchDir dir;
  const QString a = CreateTempFileName(dir.Path()), b = CreateTempFileName(dir.Path() + "/");
  EXPECT_NE(a, b);
  for (const QString& f : {a, b}) {
    const QFileInfo info(f);
    EXPECT_TRUE(info.isFile());
    EXPECT_EQ(info.size(), 0);
    EXPECT_TRUE(info.fileName().startsWith("twk")) << S(f);
    EXPECT_EQ(S(info.path()), S(dir.Path()));
  }
  try {
    CreateTempFileName(dir.Path() + "/missing");
    FAIL() << "no error";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), ENOENT);
    EXPECT_TRUE(e.Message().startsWith(dir.Path() + "/missing: ")) << S(e.Message());
  }
}

TEST(FilenameTools, CopyFileOrRaiseCopiesAndNeverLeavesHalfFiles) {
  TScratchDir dir;
  dir.Write("src.bin", QByteArray(200000, 'x') + "end");
  const QString src = dir.File("src.bin");
  ::chmod(QFile::encodeName(src).constData(), 0640);
  SetFileDateTime(src, EncodeDateTime({2020, 2, 3, 4, 5, 6, 0}));

  const QString dest = dir.File("dest.bin");
  CopyFileOrRaise(src, dest, false);
  EXPECT_EQ(dir.Read("dest.bin"), dir.Read("src.bin"));
  EXPECT_EQ(MTime(dest), MTime(src));
  EXPECT_EQ(QFileInfo(dest).permissions(), QFileInfo(src).permissions());

  dir.Write("old.bin", "old content");
  const QString old = dir.File("old.bin");
  struct TErrorCase {
    QString Source, Dest;
    bool Overwrite;
    int Code;
    QString Named;
  } errors[] = {
      {src, old, false, EEXIST, old},
      {dir.Path() + "/missing.bin", old, true, ENOENT, dir.Path() + "/missing.bin"},
      {src, dir.Path() + "/nodir/x.bin", true, ENOENT, dir.Path() + "/nodir/x.bin"},
      {dir.Path(), old, true, EISDIR, dir.Path()},
  };
  for (const auto& c : errors) {
    SCOPED_TRACE(S(c.Source + " -> " + c.Dest));
    try {
      CopyFileOrRaise(c.Source, c.Dest, c.Overwrite);
      ADD_FAILURE() << "no error";
    } catch (const EOSError& e) {
      EXPECT_EQ(e.ErrorCode(), c.Code);
      EXPECT_EQ(S(e.Message()), S(EOSError::FromErrno(c.Code, c.Named).Message()));
    }
    EXPECT_EQ(dir.Read("old.bin"), QByteArray("old content"));
  }

  CopyFileOrRaise(src, old, true);
  EXPECT_EQ(dir.Read("old.bin"), dir.Read("src.bin"));
  // Nothing but the three files: no temporary copies are left behind.
  EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

}  // namespace
