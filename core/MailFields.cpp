#include "core/MailFields.h"

#include "core/FilenameTools.h"
#include "twktools/TWKtools.h"

#include <QRegularExpression>

#include <exception>
#include <initializer_list>

namespace {

// The class names are ASCII keywords: compared without the user's locale,
// whose case mapping would turn "I" into a dotless "ı" in Turkish.
bool StartsWithAny(const QString& messageClass, std::initializer_list<const char*> prefixes) {
  const QString c = TrimStr(messageClass);
  for (const char* p : prefixes)
    if (c.startsWith(QLatin1String(p), Qt::CaseInsensitive)) return true;
  return false;
}

// Name and address of an address entry; both empty when there is none or
// reading it fails (a sender the store cannot resolve is not an error).
void ReadEntry(const std::function<TwkPtr<IRDOAddressEntry>()>& get, QString& name, QString& address) {
  try {
    const TwkPtr<IRDOAddressEntry> entry = get();
    if (!entry) return;
    QString n = entry->Name();
    QString a = entry->Address();
    name = n;
    address = a;
  } catch (const std::exception&) {
    name.clear();
    address.clear();
  }
}

// A date the store cannot deliver counts as no date.
TDateTime ReadDate(const std::function<TDateTime()>& get) {
  try {
    return get();
  } catch (const std::exception&) {
    return 0;
  }
}

QString MessageIdFromHeaders(const QString& headers) {
  static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
  const QLatin1String key("MESSAGE-ID:");
  for (const QString& line : headers.split(lineBreak))
    if (line.startsWith(key, Qt::CaseInsensitive)) return TrimStr(line.mid(key.size()));
  return QString();
}

}  // namespace

void TMailFields::Clear() { *this = TMailFields(); }

void TMailFields::AddRecipient(const QString& name, const QString& address) {
  if (name.isEmpty() && address.isEmpty()) return;
  FRecipientNames << name;
  FRecipientAddresses << address;
}

void TMailFields::FillFromMail(IRDOMail* mail) {
  Clear();
  FSignedOrEncrypted = IsSignedOrEncryptedClass(mail->MessageClass());

  if (mail->Sent()) ReadEntry([mail] { return mail->Sender(); }, FSenderName, FSenderAddress);
  if (mail->Sent())
    ReadEntry([mail] { return mail->SentOnBehalfOf(); }, FSentOnBehalfOfName, FSentOnBehalfOfAddress);

  FSubject = mail->Subject();

  if (mail->Sent()) FMailDate = ReadDate([mail] { return mail->SentOn(); });
  if (FMailDate == 0) FMailDate = ReadDate([mail] { return mail->ReceivedTime(); });
  if (FMailDate == 0) FMailDate = ReadDate([mail] { return mail->LastModificationTime(); });
  if (FMailDate == 0) FMailDate = ReadDate([mail] { return mail->CreationTime(); });

  const QVariant headers = mail->Fields(PR_TRANSPORT_MESSAGE_HEADERS);
  FMsgID = MessageIdFromHeaders(headers.isValid() && !headers.isNull() ? headers.toString() : QString());

  const TwkPtr<IRDORecipients> recipients = mail->Recipients();
  const int recipientCount = recipients ? recipients->Count() : 0;
  for (int i = 1; i <= recipientCount; ++i) {
    const TwkPtr<IRDORecipient> recipient = recipients->Item(i);
    if (!recipient) continue;
    QString name, address;
    // One recipient the store cannot read is left out, not the mail.
    try {
      TwkPtr<IRDOAddressEntry> entry;
      if (recipient->Resolved()) entry = recipient->AddressEntry();
      if (entry) {
        name = entry->Name();
        address = entry->Address();
      } else {
        name = recipient->Name();
        address = recipient->Address();
      }
    } catch (const std::exception&) {
      name.clear();
      address.clear();
    }
    AddRecipient(name, address);
  }

  const TwkPtr<IRDOAttachments> attachments = mail->Attachments();
  const int attachmentCount = attachments ? attachments->Count() : 0;
  for (int i = 1; i <= attachmentCount; ++i) {
    const TwkPtr<IRDOAttachment> attachment = attachments->Item(i);
    if (!attachment || attachment->Hidden()) continue;
    const int type = attachment->Type();
    if (type == olByValue || type == olEmbeddeditem) FAttachmentNames << attachment->FileName();
  }
}

bool IsMailClass(const QString& messageClass) { return StartsWithAny(messageClass, {"ipm.note", "ipm.post"}); }

bool IsSignedOrEncryptedClass(const QString& messageClass) {
  return StartsWithAny(messageClass, {"ipm.note.secure", "ipm.note.smime", "ipm.post.secure", "ipm.post.smime"});
}
