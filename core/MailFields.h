// The fields of one e-mail that the filters, masks and logs ask about, read
// from the store once per e-mail; and the message-class tests.
#pragma once

#include "core/DateTimeUtils.h"

#include <QString>
#include <QStringList>

class IRDOMail;

class TMailFields {
public:
  TMailFields() = default;  // every field empty, false or 0
  TMailFields(const TMailFields&) = default;
  TMailFields& operator=(const TMailFields&) = default;
  void Assign(const TMailFields& v) { *this = v; }

  // Strings empty, flag false, date 0, lists emptied.
  void Clear();
  // Clear, then reads the mail. Store failures propagate except those of the
  // sender entries, the dates and single recipients, which leave the values
  // empty or 0.
  void FillFromMail(IRDOMail* mail);

  bool SignedOrEncrypted() const { return FSignedOrEncrypted; }
  void SetSignedOrEncrypted(bool v) { FSignedOrEncrypted = v; }
  const QString& SenderName() const { return FSenderName; }
  void SetSenderName(const QString& v) { FSenderName = v; }
  const QString& SenderAddress() const { return FSenderAddress; }
  void SetSenderAddress(const QString& v) { FSenderAddress = v; }
  const QString& SentOnBehalfOfName() const { return FSentOnBehalfOfName; }
  void SetSentOnBehalfOfName(const QString& v) { FSentOnBehalfOfName = v; }
  const QString& SentOnBehalfOfAddress() const { return FSentOnBehalfOfAddress; }
  void SetSentOnBehalfOfAddress(const QString& v) { FSentOnBehalfOfAddress = v; }
  const QString& Subject() const { return FSubject; }
  void SetSubject(const QString& v) { FSubject = v; }
  TDateTime MailDate() const { return FMailDate; }
  void SetMailDate(TDateTime v) { FMailDate = v; }
  const QString& MsgID() const { return FMsgID; }
  void SetMsgID(const QString& v) { FMsgID = v; }

  // The object's own lists; names and addresses stay aligned line by line.
  QStringList& RecipientNames() { return FRecipientNames; }
  const QStringList& RecipientNames() const { return FRecipientNames; }
  QStringList& RecipientAddresses() { return FRecipientAddresses; }
  const QStringList& RecipientAddresses() const { return FRecipientAddresses; }
  QStringList& AttachmentNames() { return FAttachmentNames; }
  const QStringList& AttachmentNames() const { return FAttachmentNames; }

  // Appends one recipient (both lists), unless name and address are both empty.
  void AddRecipient(const QString& name, const QString& address);

private:
  bool FSignedOrEncrypted = false;
  QString FSenderName;
  QString FSenderAddress;
  QString FSentOnBehalfOfName;
  QString FSentOnBehalfOfAddress;
  QString FSubject;
  TDateTime FMailDate = 0;
  QString FMsgID;
  QStringList FRecipientNames;
  QStringList FRecipientAddresses;
  QStringList FAttachmentNames;
};

// The class, trimmed, begins with "ipm.note" or "ipm.post" (any case).
bool IsMailClass(const QString& messageClass);
// The class, trimmed, begins with "ipm.note.secure", "ipm.note.smime",
// "ipm.post.secure" or "ipm.post.smime" (any case).
bool IsSignedOrEncryptedClass(const QString& messageClass);
