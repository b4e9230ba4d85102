// Attachment export and the export beside e-mails, edge cases, through the
// real TWKbat: sizes, names, links already present, hidden images, signed
// e-mails, attached e-mails under smRemove (both sides of the deletion rule).
#include "test_engine_fixture.h"

namespace {

class EngineAttachments : public TEngineTest {
protected:
  struct TOutcome {
    QStringList Results;  // the result lines after "Emails processed"
    QStringList Files;    // below the export directory
    QJsonArray Inbox;     // the e-mails afterwards, as Python reads them
    int Exit = -1;
  };

  TOutcome Run(const QJsonArray& messages, const QJsonObject& over, const QJsonObject& emails = {}) {
    WriteStore(QJsonObject{{"Inbox", messages}});
    QJsonObject d{{"DestFolder", Export()}, {"SubFolderMask", "[FE]"}};
    for (auto it = over.begin(); it != over.end(); ++it) d[it.key()] = it.value();
    QJsonObject parts{{"ExportAtts", true}, {"JobDef_ExportAtts", d}};
    if (!emails.isEmpty()) parts = {{"ExportEmails", true}, {"JobDef_ExportEmails", emails}};
    BuildJob(FolderJob("Inbox", false, parts));
    const TRunResult r = RunJob();
    TOutcome o;
    o.Exit = r.ExitCode;
    const QStringList report = Report(r);
    const qsizetype at = report.indexOf(QRegularExpression("Emails processed: \\d+"));
    o.Results = report.mid(at + 2, report.size() - at - 3);
    o.Files = Files(Export());
    o.Inbox = ReadStore()["INBOX"].toArray();
    return o;
  }
  static QStringList Names(const QJsonValue& message) {
    QStringList n;
    for (const QJsonValue& a : message["atts"].toArray()) n << a["name"].toString();
    return n;
  }
};

TEST_F(EngineAttachments, SizeLimitNamesLinksAndSuffixes) {
  struct TCase {
    const char* Name;
    QJsonArray Atts;
    QJsonObject Settings;
    QStringList Results, Files;
  } cases[] = {
      {"a 100 KB limit refuses 102400 bytes and takes 102401",
       {Att("at.bin", 102400, 1), Att("over.bin", 102401, 2)},
       {{"CheckAttSize", true}, {"AttMinSizeKB", 100}},
       {"Attachments saved: 1", "Affected emails: 1"},
       {"over.bin"}},
      {"a limit of 0 refuses only empty attachments",
       {Att("empty.bin", 0, 1), Att("one.bin", 1, 2)},
       {{"CheckAttSize", true}, {"AttMinSizeKB", 0}},
       {"Attachments saved: 1", "Affected emails: 1"},
       {"one.bin"}},
      {"names of dots and blanks become Untitled Attachment, numbered",
       {Att("...", 10, 1), Att(". .", 11, 2)},
       {},
       {"Attachments saved: 2", "Affected emails: 1"},
       {"Untitled Attachment", "Untitled Attachment-2"}},
      {"the same name twice under emSuffix gets -2 before the extension",
       {Att("same.pdf", 10, 1), Att("same.pdf", 20, 2)},
       {},
       {"Attachments saved: 2", "Affected emails: 1"},
       {"same-2.pdf", "same.pdf"}},
      {"emOverwrite keeps one file",
       {Att("same.pdf", 10, 1), Att("same.pdf", 20, 2)},
       {{"ExistMode", "emOverwrite"}},
       {"Attachments saved: 2", "Affected emails: 1"},
       {"same.pdf"}},
      {"a link already in the e-mail is neither saved nor counted",
       {Att("old-pdf.TWK", 40, 1), Att("new.txt", 5, 2, "text/plain")},
       {{"AttIncludeList", QJsonArray{"*"}}},
       {"Attachments saved: 1", "Affected emails: 1"},
       {"new.txt"}},
      {"include and exclude lists on the name",
       {Att("a.pdf", 10, 1), Att("b.doc", 10, 2), Att("secret.pdf", 10, 3)},
       {{"AttIncludeList", QJsonArray{"*.PDF"}}, {"AttExcludeList", QJsonArray{"secret*"}}},
       {"Attachments saved: 1", "Affected emails: 1"},
       {"a.pdf"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    QDir(Export()).removeRecursively();
    QDir(Store()).removeRecursively();
    const TOutcome o = Run({QJsonObject{{"subject", "S"}, {"atts", c.Atts}}}, c.Settings);
    EXPECT_EQ(o.Exit, 0);
    EXPECT_EQ(o.Results, c.Results);
    EXPECT_EQ(o.Files, c.Files);
  }
  // Second of two same-named files (the walk goes from the last attachment).
  QDir(Export()).removeRecursively();
  QDir(Store()).removeRecursively();
  Run({QJsonObject{{"atts", QJsonArray{Att("same.pdf", 10, 1), Att("same.pdf", 20, 2)}}}}, {});
  EXPECT_EQ(ReadFile(Export() + "/same.pdf"), AttBytes(20, 2));
  EXPECT_EQ(ReadFile(Export() + "/same-2.pdf"), AttBytes(10, 1));
}

TEST_F(EngineAttachments, LinksReplaceEverySavedAttachmentInOneSave) {
  const TOutcome o = Run({QJsonObject{{"subject", "Two"}, {"atts", QJsonArray{Att("a.pdf", 10, 1), Att("b.txt", 20, 2)}}}},
                         {{"ShortcutMode", "smTWK"}});
  EXPECT_EQ(o.Results, (QStringList{"Attachments saved: 2", "Attachments replaced with links: 2", "Affected emails: 1"}));
  ASSERT_EQ(o.Inbox.size(), 1);
  QStringList names = Names(o.Inbox[0]);
  names.sort();
  EXPECT_EQ(names, (QStringList{"a-pdf.twk", "b-txt.twk"}));
  EXPECT_EQ(ReadFile(Export() + "/a.pdf"), AttBytes(10, 1));
}

TEST_F(EngineAttachments, WhatTheEMailKeeps) {
  const QJsonObject inner2{{"subject", "Inner"}, {"atts", QJsonArray{Att("in1.bin", 50, 4), Att("in2.bin", 60, 5)}}};
  const QJsonObject innerBig{{"subject", "Inner"},
                             {"atts", QJsonArray{Att("in1.bin", 50, 4), Att("big.bin", 5000, 5)}}};
  const QJsonObject innerNone{{"subject", "Inner without attachments"}};
  struct TCase {
    const char* Name;
    QJsonObject Message;
    QJsonObject Settings;
    QStringList Results, Files;
    int AttsLeft;  // attachments the stored e-mail keeps
  } cases[] = {
      {"smRemove on a signed e-mail saves and deletes nothing",
       {{"signed", true}, {"atts", QJsonArray{Att("s.pdf", 200, 6)}}},
       {{"ShortcutMode", "smRemove"}},
       {"Attachments saved: 1", "Affected emails: 1"},
       {"s.pdf"},
       1},
      {"a hidden image with HiddenAlso under smRemove is saved and stays",
       {{"html", "<p><img src=\"cid:img1@engstore\"></p>"}, {"inline", QJsonArray{"logo.png"}}},
       {{"ShortcutMode", "smRemove"}, {"HiddenAlso", true}},
       {"Attachments saved: 1", "Affected emails: 1"},
       {"logo.png"},
       -1},
      {"RecurseMsg and smRemove: both inner files saved, the attached e-mail goes",
       {{"embedded", QJsonArray{inner2}}},
       {{"ShortcutMode", "smRemove"}, {"RecurseMsg", true}},
       {"Attachments saved: 2", "Attachments removed: 1", "Affected emails: 1"},
       {"in1.bin", "in2.bin"},
       0},
      {"RecurseMsg and smRemove: an inner file refused by size, the attached e-mail stays",
       {{"embedded", QJsonArray{innerBig}}},
       {{"ShortcutMode", "smRemove"}, {"RecurseMsg", true}, {"CheckAttSize", true}, {"AttMinSizeKB", 4}},
       {"Attachments saved: 1", "Affected emails: 1"},
       {"big.bin"},
       1},
      // Handled after a saved file (the walk goes from the last index): the
      // running totals say saved 1, skipped 0, yet nothing of its own was saved.
      {"RecurseMsg and smRemove: an attached e-mail with nothing saved of its own stays",
       {{"embedded", QJsonArray{innerNone}}, {"atts", QJsonArray{Att("top.pdf", 30, 7)}}},
       {{"ShortcutMode", "smRemove"}, {"RecurseMsg", true}},
       {"Attachments saved: 1", "Attachments removed: 1", "Affected emails: 1"},
       {"top.pdf"},
       1},
      {"RecurseMsg off: the attached e-mail is a file and can be linked",
       {{"embedded", QJsonArray{innerNone}}},
       {{"ShortcutMode", "smTWK"}},
       {"Attachments saved: 1", "Attachments replaced with links: 1", "Affected emails: 1"},
       {},
       1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    QDir(Export()).removeRecursively();
    QDir(Store()).removeRecursively();
    const TOutcome o = Run({c.Message}, c.Settings);
    EXPECT_EQ(o.Exit, 0);
    EXPECT_EQ(o.Results, c.Results);
    if (!c.Files.isEmpty()) {
      EXPECT_EQ(o.Files, c.Files);
    }
    ASSERT_EQ(o.Inbox.size(), 1);
    if (c.AttsLeft >= 0) {
      EXPECT_EQ(o.Inbox[0]["atts"].toArray().size(), c.AttsLeft) << Names(o.Inbox[0]).join(',').toStdString();
    }
  }
}

TEST_F(EngineAttachments, ExportBesideEMailsSkipsHiddenAndNamesUntitled) {
  const QJsonObject emails{{"EmailFormat", "efEML"}, {"DestFolder", Export()}, {"SubFolderMask", "[B]"},
                           {"AttsAlso", true}};
  const TOutcome o = Run({QJsonObject{{"subject", "Mixed"},
                                      {"html", "<p><img src=\"cid:img1@engstore\"></p>"},
                                      {"inline", QJsonArray{"logo.png"}},
                                      {"atts", QJsonArray{Att("...", 10, 1), Att(" ", 11, 2), Att("doc.pdf", 12, 3)}}},
                          QJsonObject{{"subject", "Nothing attached"}}},
                         {}, emails);
  EXPECT_EQ(o.Files, (QStringList{"Mixed.eml", "Nothing attached.eml", "_Attachments/Untitled Attachment",
                                  "_Attachments/Untitled Attachment-2", "_Attachments/doc.pdf"}));
  EXPECT_EQ(ReadFile(Export() + "/_Attachments/Untitled Attachment"), AttBytes(10, 1));
}

TEST_F(EngineAttachments, NoAttachmentsFolderWithoutQualifyingAttachment) {
  const QJsonObject emails{{"EmailFormat", "efEML"}, {"DestFolder", Export()}, {"SubFolderMask", "[B]"},
                           {"AttsAlso", true}};
  const TOutcome o = Run({QJsonObject{{"subject", "Plain"}}}, {}, emails);
  EXPECT_EQ(o.Files, QStringList{"Plain.eml"});
}

}  // namespace

// Messages as mail programs send them: the attachment export saves every
// leaf that is not body text, an attached mail without a name under its
// subject (or "Untitled Attachment.eml"), with the attached mail's bytes.
TEST_F(EngineAttachments, EveryAttachmentOfRealShapesIsSaved) {
  WriteStore(QJsonObject{{"Inbox", QJsonArray()}});
  int n = 0;
  for (const char* file : {"list-footer.eml", "ios-text-image-text.eml", "outlook-related-in-alternative.eml",
                           "scanner-lone-attachment.eml", "empty-multipart.eml", "thunderbird-forward-attached.eml"}) {
    const QByteArray bytes = ReadFile(SourcePath(QStringLiteral("tests/fixtures/mime/") + QLatin1String(file)));
    ASSERT_FALSE(bytes.isEmpty()) << file;
    WriteTestFile(QStringLiteral("%1/INBOX/cur/%2.M%3P1.shapes:2,S").arg(Store()).arg(1700000000 + n).arg(n), bytes);
    ++n;
  }
  QJsonObject d{{"DestFolder", Export()}, {"SubFolderMask", "[FE]"}};
  BuildJob(FolderJob("Inbox", false, {{"ExportAtts", true}, {"JobDef_ExportAtts", d}}));
  const TRunResult r = RunJob();
  EXPECT_EQ(r.ExitCode, 0) << r.Stdout.constData() << r.Stderr.constData();
  EXPECT_EQ(Files(Export()), QStringList({"0001-date-parser.patch", "IMG_0042.png", "Q1.xlsx", "Re Offer 122024.eml",
                                          "Untitled Attachment.eml", "scan_0001.pdf"}));
  const QByteArray forward = ReadFile(SourcePath(QStringLiteral("tests/fixtures/mime/thunderbird-forward-attached.eml")));
  const qsizetype start = forward.indexOf("From: Lars Supplier");
  const qsizetype end = forward.indexOf("\n--------------8B1mD2Qx0Zt5Yv3cRk7WsA9e", start);
  EXPECT_EQ(ReadFile(Export() + QStringLiteral("/Re Offer 122024.eml")), forward.mid(start, end - start));
}
