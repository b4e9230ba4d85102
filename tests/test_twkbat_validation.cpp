// Every validation message of a job, from a job file with that fault, as the
// error line of TWKbat (exit code 1), with nothing changed in the store.
#include "test_engine_fixture.h"

namespace {

class TwkbatValidation : public TEngineTest {
protected:
  void SetUp() override {
    WriteStore(QJsonObject{{"Inbox", QJsonArray{QJsonObject{{"subject", "Only"}}}},
                           {"Inbox/Sub", QJsonArray{}},
                           {"Archive", QJsonArray{}}},
               QJsonArray{"Projects"});
  }
  QJsonObject Emails(const QJsonObject& over) {
    QJsonObject d{{"EmailFormat", "efEML"}, {"DestFolder", Export()}, {"SubFolderMask", "[B]"}};
    for (auto it = over.begin(); it != over.end(); ++it) d[it.key()] = it.value();
    return QJsonObject{{"ExportEmails", true}, {"JobDef_ExportEmails", d}};
  }
  QJsonObject Atts(const QJsonObject& over) {
    QJsonObject d{{"DestFolder", Export()}, {"SubFolderMask", "[FE]"}};
    for (auto it = over.begin(); it != over.end(); ++it) d[it.key()] = it.value();
    return QJsonObject{{"ExportAtts", true}, {"JobDef_ExportAtts", d}};
  }
  QJsonObject CopyMove(const char* task, const QJsonObject& dest, const QString& mask = {}) {
    QJsonObject d = dest;
    d["SubFolderMask"] = mask;
    return QJsonObject{{QLatin1String(task) + "Emails", true}, {"JobDef_" + QLatin1String(task), d}};
  }
  QJsonObject Filter(const QJsonObject& f2) {
    return QJsonObject{{"UseEmailFilter", true}, {"EmailFilter2", f2}, {"CopyEmails", true},
                       {"JobDef_Copy", FolderRef("Archive")}};
  }
};

TEST_F(TwkbatValidation, EachFaultGivesItsMessage) {
  const QJsonObject inbox = FolderRef("Inbox"), sub = FolderRef("Inbox\\Sub"), archive = FolderRef("Archive");
  const QJsonObject plain = FolderRef("Projects");
  const QJsonObject missing{{"FolderEntryID", "00FF00"}, {"FolderStoreID", inbox["FolderStoreID"]}};
  const QJsonObject noStore{{"FolderEntryID", inbox["FolderEntryID"]}, {"FolderStoreID", ""}};
  const QJsonObject copyOk = CopyMove("Copy", archive);
  const QString own = "At least 1 address/name in \"Own addresses\" required for the subfolder";
  struct TCase {
    QString Source;   // folder of the job ("" = the source's entry ID left empty)
    bool Sub;
    QJsonObject Parts;
    QString Message;
  } cases[] = {
      {"", false, copyOk, "Outlook source folder not specified"},
      {"Projects", false, copyOk, "The Outlook source folder must be an email folder"},
      {"Inbox", false, Filter({{"DateMode", "dmFromTo"}, {"FromDate", 0}, {"ToDate", 0}}), "Filter: Invalid date range"},
      {"Inbox", false, Filter({{"DateMode", "dmFromTo"}, {"FromDate", 45300}, {"ToDate", 45299}}),
       "Filter: Invalid date range"},
      {"Inbox", false, Emails({{"DestFolder", ""}}), "Export emails: Destination directory not specified"},
      {"Inbox", false, Emails({{"SubFolderMask", ""}}), "Export emails: Mask for subfolders/filename not specified"},
      {"Inbox", false, Emails({{"SubFolderMask", "[XX]"}}),
       "Export emails: Invalid mask for subfolders/filename specified"},
      {"Inbox", false, Emails({{"SubFolderMask", "[FE]"}}),
       "Export emails: Invalid mask for subfolders/filename specified"},
      {"Inbox", false, Emails({{"LogExport", true}, {"LogFolder", ""}}), "Export emails: Log-directory not specified"},
      {"Inbox", false, Emails({{"SubFolderMask", "[mn]\\[B]"}}), "Export emails: " + own + "/filename mask"},
      {"Inbox", false, Atts({{"DestFolder", ""}}), "Export attachments: Destination directory not specified"},
      {"Inbox", false, Atts({{"SubFolderMask", ""}}), "Export attachments: Mask for subfolders/filename not specified"},
      {"Inbox", false, Atts({{"SubFolderMask", "[FE"}}), "Export attachments: Invalid mask for subfolders specified"},
      {"Inbox", false, Atts({{"SubFolderMask", "[NE]\\[FE]"}}), "Export attachments: " + own + " mask"},
      {"Inbox", false, CopyMove("Copy", noStore), "Copy emails: Destination Outlook-folder not specified"},
      {"Inbox", false, CopyMove("Copy", archive, "[SN"), "Copy emails: Invalid mask for subfolders specified"},
      {"Inbox", false, CopyMove("Copy", archive, "[ME]"), "Copy emails: " + own + " mask"},
      {"Inbox", false, CopyMove("Copy", missing), "Copy emails: Specified Outlook destination folder not found"},
      {"Inbox", false, CopyMove("Copy", plain), "Copy emails: The Outlook destination folder must be an email folder"},
      {"Inbox", false, CopyMove("Copy", inbox), "The destination folder must not be the source folder"},
      {"Inbox", false, CopyMove("Move", noStore), "Move emails: Destination Outlook-folder not specified"},
      {"Inbox", false, CopyMove("Move", archive, "[XX]"), "Move emails: Invalid mask for subfolders specified"},
      {"Inbox", false, CopyMove("Move", archive, "[NN]"), "Move emails: " + own + " mask"},
      {"Inbox", false, CopyMove("Move", missing), "Move emails: Specified Outlook destination folder not found"},
      {"Inbox", false, CopyMove("Move", plain), "Move emails: The Outlook destination folder must be an email folder"},
      {"Inbox", true, CopyMove("Move", sub), "The source folder must not contain the destination folder"},
      {"Inbox\\Sub", true, CopyMove("Copy", inbox), "The destination folder must not contain the source folder"},
      {"Inbox", false, {}, "No task defined"},
  };
  const QJsonObject before = ReadStore();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Message.toStdString());
    QJsonObject job = c.Source.isEmpty() ? QJsonObject{{"SourceFilter", QJsonObject{{"ProcessFolder", true}}}}
                                         : FolderJob(c.Source, c.Sub, {});
    for (auto it = c.Parts.begin(); it != c.Parts.end(); ++it) job[it.key()] = it.value();
    BuildJob(job);
    const TRunResult r = RunBat({Job(), "/quiet", "/noprompt"});
    EXPECT_EQ(r.ExitCode, 1);
    const QStringList lines = Lines(r.Stdout);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.last().endsWith(" Error: " + c.Message)) << lines.last().toStdString();
    EXPECT_EQ(lines.filter(" Error: ").size(), 1);
  }
  // A move into a subfolder is allowed without the subfolders of the source.
  BuildJob(FolderJob("Inbox", false, CopyMove("Move", sub)));
  EXPECT_EQ(RunJob().ExitCode, 0);
  EXPECT_FALSE(QFileInfo::exists(Export()));
  EXPECT_EQ(ReadStore()["INBOX/Sub"].toArray().size(), 1);
  EXPECT_EQ(before["INBOX"].toArray().size(), 1);
}

}  // namespace
