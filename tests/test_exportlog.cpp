// Export logs: bytes of the three files, numbering, and the lock that makes
// a second writer fail at once.
#include "core/DateTimeUtils.h"
#include "core/Exception.h"
#include "core/ExportEmail_Log.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString Utf16File(const QByteArray& bytes) {
  EXPECT_TRUE(bytes.startsWith("\xFF\xFE"));
  return QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2));
}

TExportEmail_LogEntry SampleEntry() {
  TExportEmail_LogEntry e;
  e.Clear();
  e.SetSenderName(QStringLiteral("Jane \"JD\" Doe"));
  e.SetSenderEmail(QStringLiteral("jane@example.org"));
  e.SetSubject(QStringLiteral("Offer"));
  e.SetDateTimeSent(EncodeDateTime({2023, 5, 7, 9, 4, 2, 0}));
  e.SetMessageID(QStringLiteral("<m1@example.org>"));
  e.SetOutlookFolder(QStringLiteral("\\\\Mail\\Inbox"));
  e.SetSaveFormat(3);
  e.SetSaveFullName(QStringLiteral("/out/Offer.eml"));
  e.SetDateTimeExported(EncodeDateTime({2024, 1, 2, 13, 14, 15, 0}));
  return e;
}

const char* kEmlHeader =
    "\"ID\"\t\"SenderName\"\t\"SenderEmail\"\t\"RecipientName\"\t\"RecipientEmail\"\t\"DateSent\"\t\"TimeSent\"\t"
    "\"Subject\"\t\"MessageID\"\t\"OutlookFolder\"\t\"Filename\"\t\"FileType\"\t\"AttCount\"\t\"AttSaved\"\t"
    "\"DateExported\"\t\"TimeExported\"\r\n";

}  // namespace

TEST(ExportLog, FirstAndSecondRecord) {
  TScratchDir dir;
  const QString logDir = dir.Path() + QStringLiteral("/logs/deep");
  TExportEmail_Log().AddToLog(logDir, SampleEntry());

  EXPECT_EQ(dir.Read(QStringLiteral("logs/deep/ID-u.log")), QByteArray("1\r\n"));
  EXPECT_EQ(Utf16File(dir.Read(QStringLiteral("logs/deep/Att-u.log"))),
            QStringLiteral("\"ID\"\t\"Filename\"\t\"MessageID\"\r\n"));
  const QString first = QString::fromLatin1(kEmlHeader) +
                        QStringLiteral("\"1\"\t\"Jane \"\"JD\"\" Doe\"\t\"jane@example.org\"\t\"\"\t\"\"\t\"20230507\"\t"
                                       "\"090402\"\t\"Offer\"\t\"<m1@example.org>\"\t\"\\\\Mail\\Inbox\"\t"
                                       "\"/out/Offer.eml\"\t\"3\"\t\"0\"\t\"0\"\t\"20240102\"\t\"131415\"\r\n");
  EXPECT_EQ(Utf16File(dir.Read(QStringLiteral("logs/deep/Eml-u.log"))), first);

  // Second record: numbered 2, no second header or byte-order mark.
  TExportEmail_LogEntry e = SampleEntry();
  e.AttachmentsSaved() << QStringLiteral("/out/a.pdf") << QStringLiteral("/out/b.pdf") << QStringLiteral("/out/c.pdf");
  e.SetAttachmentCount(3);
  e.SetDateTimeSent(0);
  TExportEmail_Log().AddToLog(logDir, e);
  EXPECT_EQ(dir.Read(QStringLiteral("logs/deep/ID-u.log")), QByteArray("2\r\n"));
  const QString eml = Utf16File(dir.Read(QStringLiteral("logs/deep/Eml-u.log")));
  EXPECT_EQ(eml.count(QStringLiteral("\"ID\"")), 1);
  EXPECT_FALSE(eml.mid(1).contains(QChar(0xFEFF)));
  const QString second = eml.mid(first.size());
  EXPECT_TRUE(second.startsWith(QStringLiteral("\"2\"\t"))) << second.toStdString();
  EXPECT_TRUE(second.contains(QStringLiteral("\t\"18991230\"\t\"000000\"\t"))) << second.toStdString();
  EXPECT_TRUE(second.contains(QStringLiteral("\t\"3\"\t\"3\"\t\"3\"\t"))) << second.toStdString();
  EXPECT_EQ(Utf16File(dir.Read(QStringLiteral("logs/deep/Att-u.log"))),
            QStringLiteral("\"ID\"\t\"Filename\"\t\"MessageID\"\r\n"
                           "\"2\"\t\"/out/a.pdf\"\t\"<m1@example.org>\"\r\n"
                           "\"2\"\t\"/out/b.pdf\"\t\"<m1@example.org>\"\r\n"
                           "\"2\"\t\"/out/c.pdf\"\t\"<m1@example.org>\"\r\n"));
}

TEST(ExportLog, RecordNumberFromTheIdFile) {
  struct Case {
    QByteArray Stored;
    QByteArray Next;
  };
  const Case cases[] = {{"41  \r\n", "42\r\n"}, {"abc", "1\r\n"}, {"", "1\r\n"}, {"  7\r\n", "8\r\n"}};
  for (const Case& c : cases) {
    TScratchDir dir;
    dir.Write(QStringLiteral("ID-u.log"), c.Stored);
    TExportEmail_Log().AddToLog(dir.Path(), SampleEntry());
    // Not truncated: a longer old text keeps its tail beyond the new number.
    EXPECT_TRUE(dir.Read(QStringLiteral("ID-u.log")).startsWith(c.Next)) << c.Stored.constData();
  }
}

TEST(ExportLog, SecondWriterFailsAtOnceAndChangesNothing) {
  TScratchDir dir;
  TExportEmail_Log().AddToLog(dir.Path(), SampleEntry());
  const QByteArray emlBefore = dir.Read(QStringLiteral("Eml-u.log"));

  // Another program holds the email log locked.
  const int fd = ::open(QFile::encodeName(dir.Path() + QStringLiteral("/Eml-u.log")).constData(), O_RDWR);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  try {
    TExportEmail_Log().AddToLog(dir.Path(), SampleEntry());
    FAIL() << "expected the log to be in use";
  } catch (const Exception& e) {
    EXPECT_TRUE(e.Message().contains(QStringLiteral("Eml-u.log"))) << e.what();
  }
  ::close(fd);
  EXPECT_EQ(dir.Read(QStringLiteral("ID-u.log")), QByteArray("1\r\n"));
  EXPECT_EQ(dir.Read(QStringLiteral("Eml-u.log")), emlBefore);
}

TEST(ExportLog, FolderThatCannotBeCreated) {
  TScratchDir dir;
  dir.Write(QStringLiteral("file"), "x");
  EXPECT_THROW(TExportEmail_Log().AddToLog(dir.Path() + QStringLiteral("/file/logs"), SampleEntry()), Exception);
}
