// The inbox task list: list operations, its file in versions 50, 52 and 55
// (files from the independent writer tests/tools/twcwriter.py), damage and
// the JSON form.
#include "core/BufferedReadFile.h"
#include "core/JobDef.h"
#include "core/JobDefJson.h"
#include "tests/support/TestSupport.h"

#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

TJobDef_Inbox Task(const QString& subject) {
  TJobDef_Inbox t;
  t.Clear();
  t.InboxFilter().SetSubjectMask(subject);
  return t;
}

QStringList Subjects(const TJobDefList_Inbox& list) {
  QStringList out;
  for (int i = 0; i < list.Count(); ++i) out << list.GetItem(i).InboxFilter().SubjectMask();
  return out;
}

TJobDefList_Inbox ThreeTasks() {
  TJobDefList_Inbox list;
  for (const char* s : {"A", "B", "C"}) list.Insert(list.Count(), Task(QString::fromLatin1(s)));
  return list;
}

QString PythonWritten(const TScratchDir& dir, int version, const QByteArray& json) {
  dir.Write(QStringLiteral("in.json"), json);
  const QString out = dir.File(QStringLiteral("py-%1.twx").arg(version));
  const TRunResult r = RunProgram(DebianPython(), {TestToolPath(QStringLiteral("twcwriter.py")), QStringLiteral("inbox"),
                                                   QString::number(version), dir.File(QStringLiteral("in.json")), out});
  EXPECT_EQ(r.ExitCode, 0) << r.Stderr.toStdString();
  return out;
}

}  // namespace

TEST(InboxList, CreateIsEmptyAndClearSetsTheDefaults) {
  TJobDef_Inbox fresh;
  EXPECT_EQ(fresh.JobDef_ExportEmails().EmailFormat(), efTXT);
  EXPECT_TRUE(fresh.JobDef_ExportAtts().SubFolderMask().isEmpty());
  fresh.Clear();
  EXPECT_EQ(fresh.JobDef_ExportEmails().EmailFormat(), efEML);
  EXPECT_EQ(fresh.JobDef_ExportAtts().SubFolderMask(), QStringLiteral("[OR]\\[FE]"));
  TJobDefList_Inbox list = ThreeTasks();
  list.SetActive(true);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.Active());
}

TEST(InboxList, MoveInsertAndDelete) {
  struct Case {
    int From, To;
    QStringList Want;
  };
  const Case cases[] = {
      {0, 2, {QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("A")}},
      {2, 0, {QStringLiteral("C"), QStringLiteral("A"), QStringLiteral("B")}},
      {1, 1, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}},
  };
  for (const Case& c : cases) {
    TJobDefList_Inbox list = ThreeTasks();
    list.Move(c.From, c.To);
    EXPECT_EQ(Subjects(list), c.Want) << c.From << "->" << c.To;
  }
  TJobDefList_Inbox list = ThreeTasks();
  TJobDef_Inbox mine = Task(QStringLiteral("X"));
  list.Insert(1, mine);
  mine.InboxFilter().SetSubjectMask(QStringLiteral("changed"));  // the list holds its own copy
  EXPECT_EQ(Subjects(list), (QStringList{QStringLiteral("A"), QStringLiteral("X"), QStringLiteral("B"), QStringLiteral("C")}));
  list.Delete(0);
  list.Insert(list.Count(), mine);
  EXPECT_EQ(Subjects(list),
            (QStringList{QStringLiteral("X"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("changed")}));
}

TEST(InboxList, IndicesOutsideTheListRaise) {
  TJobDefList_Inbox list = ThreeTasks();
  const std::function<void()> calls[] = {
      [&] { list.GetItem(3); },        [&] { list.GetItem(-1); },        [&] { list.Delete(3); },
      [&] { list.Insert(4, Task({})); }, [&] { list.Insert(-1, Task({})); }, [&] { list.Move(0, 3); },
      [&] { list.Move(-1, 0); },
  };
  for (const auto& call : calls) EXPECT_THROW(call(), EListError);
  EXPECT_EQ(Subjects(list), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
  try {
    list.GetItem(7);
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("List index out of bounds (7)"));
  }
}

TEST(InboxList, SaveAndLoadKeepOrderContentsAndActive) {
  TScratchDir dir;
  TJobDefList_Inbox list = ThreeTasks();
  list.SetActive(true);
  list.GetItem(1).SetExportAtts(true);
  list.GetItem(1).JobDef_ExportAtts().SetAttIncludeList({QStringLiteral("*.pdf"), QStringLiteral("*.pdf")});
  list.GetItem(2).SetExportEmails(true);
  list.GetItem(2).JobDef_ExportEmails().SetSubjectPrefix(QString::fromUtf8("[\xE2\x9C\x93] "));
  list.GetItem(2).InboxFilter().SetSenderMasks(QStringLiteral("*@a.org;*@b.org"));
  const QString path = dir.File(QStringLiteral("inbox.twx"));
  list.SaveToFile(path);
  TJobDefList_Inbox back;
  EXPECT_EQ(back.LoadFromFile(path), kJobMagic55);
  EXPECT_EQ(back, list);
  // The same bytes as the independent writer makes of the same values.
  const QString theirs = PythonWritten(dir, 55, InboxListToJson(list, kJobMagic55));
  EXPECT_EQ(dir.Read(QStringLiteral("inbox.twx")).toHex(), dir.Read(QFileInfo(theirs).fileName()).toHex());
}

TEST(InboxList, EmptyListIsSeventeenBytes) {
  TScratchDir dir;
  TJobDefList_Inbox list;
  list.SaveToFile(dir.File(QStringLiteral("inbox.twx")));
  EXPECT_EQ(dir.Read(QStringLiteral("inbox.twx")), QByteArray("\x08\0\0\0TWKOAD55\0\0\0\0\0", 17));
}

TEST(InboxList, OldVersionsLoadWithTheirRules) {
  TScratchDir dir;
  const QByteArray json = R"({"Active": true, "Tasks": [
      {"InboxFilter": {"SubjectMask": "Rechnung*"}, "ExportAtts": true, "JobDef_ExportAtts": {"SubFolderMask": "[OR]"},
       "JobDef_ExportEmails": {"PrefixSubject": true, "SubjectPrefix": "p", "DestFolder": "C:\\B\u00fcro"}},
      {"JobDef_ExportAtts": {"SubFolderMask": "[SN]\\"}}]})";
  struct Case {
    int Version;
    QStringList Masks;
    bool Prefix;
  };
  const Case cases[] = {
      {55, {QStringLiteral("[OR]"), QStringLiteral("[SN]\\")}, true},
      {52, {QStringLiteral("[OR]"), QStringLiteral("[SN]\\")}, false},
      {50, {QStringLiteral("[OR]\\[FE]"), QStringLiteral("[SN]\\[FE]")}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Version);
    TJobDefList_Inbox list;
    list.LoadFromFile(PythonWritten(dir, c.Version, json));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_TRUE(list.Active());
    EXPECT_EQ(list.GetItem(0).InboxFilter().SubjectMask(), QStringLiteral("Rechnung*"));
    EXPECT_EQ(list.GetItem(0).JobDef_ExportEmails().DestFolder(), QString::fromUtf8("C:\\B\xC3\xBCro"));
    EXPECT_EQ(list.GetItem(0).JobDef_ExportAtts().SubFolderMask(), c.Masks[0]);
    EXPECT_EQ(list.GetItem(1).JobDef_ExportAtts().SubFolderMask(), c.Masks[1]);
    EXPECT_EQ(list.GetItem(0).JobDef_ExportEmails().PrefixSubject(), c.Prefix);
  }
}

TEST(InboxList, DamagedFiles) {
  TScratchDir dir;
  TJobDefList_Inbox good = ThreeTasks();
  good.SetActive(true);
  const QString goodPath = dir.File(QStringLiteral("good.twx"));
  good.SaveToFile(goodPath);
  const QByteArray bytes = dir.Read(QStringLiteral("good.twx"));
  struct Case {
    const char* Name;
    QByteArray Bytes;
    int TasksKept;  // tasks read before the damage stay
    bool ActiveKept;
  };
  const Case cases[] = {
      {"unknown magic", QByteArray("\x08\0\0\0TWKOAD99", 12) + bytes.mid(12), 0, false},
      {"lower-case magic", QByteArray("\x08\0\0\0twkoad55", 12) + bytes.mid(12), 0, false},
      {"empty", {}, 0, false},
      {"cut inside the third task", bytes.left(bytes.size() - 3), 2, true},
  };
  for (const Case& c : cases) {
    dir.Write(QStringLiteral("bad.twx"), c.Bytes);
    const QString path = dir.File(QStringLiteral("bad.twx"));
    TJobDefList_Inbox list = ThreeTasks();
    try {
      list.LoadFromFile(path);
      ADD_FAILURE() << c.Name;
    } catch (const EUnexpectedEOFError& e) {
      EXPECT_EQ(e.Message(), QStringLiteral("Unexpected end of file - file damaged: ") + path) << c.Name;
    }
    EXPECT_EQ(list.Count(), c.TasksKept) << c.Name;
    EXPECT_EQ(list.Active(), c.ActiveKept) << c.Name;
  }
  // A negative task count is an empty list.
  dir.Write(QStringLiteral("neg.twx"), QByteArray("\x08\0\0\0TWKOAD55\x01\xff\xff\xff\xff", 17));
  TJobDefList_Inbox list = ThreeTasks();
  list.LoadFromFile(dir.File(QStringLiteral("neg.twx")));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(list.Active());
}

TEST(InboxListJson, RoundTripAndErrors) {
  TJobDefList_Inbox list = ThreeTasks();
  list.SetActive(true);
  list.GetItem(0).JobDef_ExportAtts().SetShortcutMode(static_cast<TShortcutMode>(3));
  EXPECT_EQ(InboxListFromJson(InboxListToJson(list, kJobMagic55), QStringLiteral("t")), list);
  EXPECT_EQ(InboxListFromJson("{}", QStringLiteral("t")), TJobDefList_Inbox());
  EXPECT_EQ(InboxListToJson(TJobDefList_Inbox(), kJobMagic50), "{\n  \"Version\": \"TWKOAD50\",\n  \"Active\": false,\n  \"Tasks\": []\n}\n");
  struct Case {
    const char* Json;
    const char* Message;
  };
  const Case cases[] = {
      {R"({"Tasks": {}})", "Tasks: expected an array"},
      {R"({"Tasks": [{}, 3]})", "Tasks[1]: expected an object"},
      {R"({"Tasks": [{"InboxFilter": {"SubjectMask": 1}}]})", "Tasks[0].InboxFilter.SubjectMask: expected a string"},
      {R"({"Tasks": [{"JobDef_ExportAtts": {"ShortcutMode": "smLink"}}]})",
       "Tasks[0].JobDef_ExportAtts.ShortcutMode: unknown value \"smLink\" (expected smNothing, smTWK, smRemove)"},
      {R"({"Tasks": [{"ExportEmail": true}]})", "Tasks[0].ExportEmail: unknown member"},
      {R"({"Active": 1})", "Active: expected true or false"},
  };
  for (const Case& c : cases) {
    try {
      InboxListFromJson(c.Json, QStringLiteral("t"));
      ADD_FAILURE() << c.Json;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), QString::fromUtf8(c.Message));
    }
  }
}
