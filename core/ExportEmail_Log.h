// The export logs: "Eml-u.log" (one line per exported e-mail), "Att-u.log"
// (one line per attachment file saved beside it) and "ID-u.log" (the last
// record number), all in the job's log folder.
#pragma once

#include "core/DateTimeUtils.h"

#include <QString>
#include <QStringList>

class TExportEmail_LogEntry {
public:
  TExportEmail_LogEntry() = default;
  void Clear();

  const QString& SenderName() const { return FSenderName; }
  void SetSenderName(const QString& v) { FSenderName = v; }
  const QString& SenderEmail() const { return FSenderEmail; }
  void SetSenderEmail(const QString& v) { FSenderEmail = v; }
  const QString& RecipientName() const { return FRecipientName; }
  void SetRecipientName(const QString& v) { FRecipientName = v; }
  const QString& RecipientEmail() const { return FRecipientEmail; }
  void SetRecipientEmail(const QString& v) { FRecipientEmail = v; }
  const QString& Subject() const { return FSubject; }
  void SetSubject(const QString& v) { FSubject = v; }
  TDateTime DateTimeSent() const { return FDateTimeSent; }
  void SetDateTimeSent(TDateTime v) { FDateTimeSent = v; }
  const QString& MessageID() const { return FMessageID; }
  void SetMessageID(const QString& v) { FMessageID = v; }
  const QString& OutlookFolder() const { return FOutlookFolder; }
  void SetOutlookFolder(const QString& v) { FOutlookFolder = v; }
  int SaveFormat() const { return FSaveFormat; }
  void SetSaveFormat(int v) { FSaveFormat = v; }
  const QString& SaveFullName() const { return FSaveFullName; }
  void SetSaveFullName(const QString& v) { FSaveFullName = v; }
  TDateTime DateTimeExported() const { return FDateTimeExported; }
  void SetDateTimeExported(TDateTime v) { FDateTimeExported = v; }
  int AttachmentCount() const { return FAttachmentCount; }
  void SetAttachmentCount(int v) { FAttachmentCount = v; }
  QStringList& AttachmentsSaved() { return FAttachmentsSaved; }
  const QStringList& AttachmentsSaved() const { return FAttachmentsSaved; }

private:
  QString FSenderName;
  QString FSenderEmail;
  QString FRecipientName;
  QString FRecipientEmail;
  QString FSubject;
  TDateTime FDateTimeSent = 0;
  QString FMessageID;
  QString FOutlookFolder;
  int FSaveFormat = 0;
  QString FSaveFullName;
  TDateTime FDateTimeExported = 0;
  int FAttachmentCount = 0;
  QStringList FAttachmentsSaved;
};

class TExportEmail_Log {
public:
  // Appends one record to the logs in logPath, creating the folder and the
  // files as needed. The three files are locked exclusively without waiting:
  // a second writer fails at once. Raises on any file-system failure.
  void AddToLog(const QString& logPath, const TExportEmail_LogEntry& entry);
};

// One log line: every field quoted (inner quotes doubled), TAB-separated,
// CR LF at the end.
QString FormatLogLine(const QStringList& fields);
