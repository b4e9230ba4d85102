// The e-mail filter and the date filter of a manual run, through TWKbat:
// which e-mails are processed (and copied) for each filter.
#include "test_engine_fixture.h"

namespace {

class EngineFilters : public TEngineTest {};

TEST_F(EngineFilters, WhichEMailsPass) {
  WriteStore(QJsonObject{
      {"Inbox",
       QJsonArray{
           QJsonObject{{"subject", "Invoice 1"}, {"from", "Ann Alder <ann@x.org>"}, {"to", "Bob <bob@y.org>"},
                       {"time", 1700000000}, {"atts", QJsonArray{Att("a.pdf", 10, 1)}}},
           QJsonObject{{"subject", "Hello"}, {"from", "Carl <carl@z.org>"}, {"to", "Dora <dora@y.org>"},
                       {"time", 1700086400}},
           QJsonObject{{"subject", "Invoice 2"}, {"from", "Ann Alder <ann@x.org>"}, {"to", "Eve <eve@q.org>"},
                       {"time", 1700172800}, {"atts", QJsonArray{Att("b.doc", 10, 2)}}},
       }},
      {"Archive", QJsonArray{}}});
  // 2023-11-15 as a date-time value (days since 1899-12-30).
  const double nov15 = 45245;
  struct TCase {
    const char* Name;
    QJsonObject Filter1, Filter2;
    QStringList Passed;
  } cases[] = {
      {"no lists, any date", {}, {{"DateMode", "dmAny"}}, {"Hello", "Invoice 1", "Invoice 2"}},
      {"sender by name", {{"SenderIncludeList", QJsonArray{"ann*"}}}, {}, {"Invoice 1", "Invoice 2"}},
      {"sender by address", {{"SenderIncludeList", QJsonArray{"*@Z.ORG"}}}, {}, {"Hello"}},
      {"recipient by address", {{"RecipientIncludeList", QJsonArray{"*@y.org"}}}, {}, {"Hello", "Invoice 1"}},
      {"recipient by name", {{"RecipientIncludeList", QJsonArray{"eve"}}}, {}, {"Invoice 2"}},
      {"subject include and exclude",
       {{"SubjectIncludeList", QJsonArray{"invoice*"}}, {"SubjectExcludeList", QJsonArray{"*2"}}},
       {},
       {"Invoice 1"}},
      {"attachment names", {{"AttIncludeList", QJsonArray{"*.pdf"}}}, {}, {"Invoice 1"}},
      {"from-to includes both end dates", {}, {{"DateMode", "dmFromTo"}, {"FromDate", nov15}, {"ToDate", nov15}},
       {"Hello"}},
      {"from only", {}, {{"DateMode", "dmFromTo"}, {"FromDate", nov15}, {"ToDate", 0}}, {"Hello", "Invoice 2"}},
      {"to only", {}, {{"DateMode", "dmFromTo"}, {"FromDate", 0}, {"ToDate", nov15 + 0.75}}, {"Hello", "Invoice 1"}},
      {"older than 0 days: everything up to today", {}, {{"DateMode", "dmOlderThan"}, {"Days", 0}},
       {"Hello", "Invoice 1", "Invoice 2"}},
      {"older than 100000 days: nothing", {}, {{"DateMode", "dmOlderThan"}, {"Days", 100000}}, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    QDir(Store() + "/Archive/cur").removeRecursively();
    QDir().mkpath(Store() + "/Archive/cur");
    QJsonObject f2{{"DateMode", "dmAny"}};
    for (auto it = c.Filter2.begin(); it != c.Filter2.end(); ++it) f2[it.key()] = it.value();
    BuildJob(FolderJob("Inbox", false,
                       {{"UseEmailFilter", true}, {"EmailFilter1", c.Filter1}, {"EmailFilter2", f2},
                        {"CopyEmails", true}, {"JobDef_Copy", FolderRef("Archive")}}));
    const TRunResult r = RunJob();
    EXPECT_EQ(r.ExitCode, 0);
    const QStringList report = Report(r);
    EXPECT_TRUE(report.contains(QStringLiteral("Items inspected: 3"))) << r.Stdout.constData();
    EXPECT_TRUE(report.contains(QStringLiteral("Emails processed: %1").arg(c.Passed.size()))) << r.Stdout.constData();
    QStringList copied;
    for (const QJsonValue& m : ReadStore()["Archive"].toArray()) copied << m["subject"].toString();
    copied.sort();
    EXPECT_EQ(copied, c.Passed);
  }
}

TEST_F(EngineFilters, SameNameSuffixOrOverwriteAndSubjectPrefix) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray{QJsonObject{{"subject", "Same"}, {"body", "first\n"}, {"time", 1700000000}},
                                              QJsonObject{{"subject", "Same"}, {"body", "second\n"}, {"time", 1700086400}}}}});
  for (const char* mode : {"emSuffix", "emOverwrite"}) {
    SCOPED_TRACE(mode);
    QDir(Export()).removeRecursively();
    BuildJob(FolderJob("Inbox", false,
                       {{"ExportEmails", true},
                        {"JobDef_ExportEmails", QJsonObject{{"EmailFormat", "efEML"}, {"DestFolder", Export()},
                                                            {"SubFolderMask", "[B]"}, {"ExistMode", mode}}}}));
    EXPECT_EQ(RunJob().ExitCode, 0);
    if (QLatin1String(mode) == QLatin1String("emSuffix")) {
      // The walk goes from the last e-mail: "second" is written first.
      EXPECT_EQ(Files(Export()), (QStringList{"Same-2.eml", "Same.eml"}));
      EXPECT_TRUE(ReadFile(Export() + "/Same.eml").contains("second"));
      EXPECT_TRUE(ReadFile(Export() + "/Same-2.eml").contains("first"));
    } else {
      EXPECT_EQ(Files(Export()), QStringList{"Same.eml"});
      EXPECT_TRUE(ReadFile(Export() + "/Same.eml").contains("first"));
    }
  }
  // The prefix goes in front on every run.
  BuildJob(FolderJob("Inbox", false,
                     {{"ExportEmails", true},
                      {"JobDef_ExportEmails", QJsonObject{{"EmailFormat", "efEML"}, {"DestFolder", Export()},
                                                          {"SubFolderMask", "[B]"}, {"PrefixSubject", true},
                                                          {"SubjectPrefix", "[x] "}}}}));
  EXPECT_EQ(RunJob().ExitCode, 0);
  EXPECT_EQ(RunJob().ExitCode, 0);
  for (const QJsonValue& m : ReadStore()["INBOX"].toArray()) EXPECT_EQ(m["subject"].toString(), "[x] [x] Same");
}

}  // namespace
