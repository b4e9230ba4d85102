#include "twktools/pst/message.h"

#include "twktools/formats/FileWrite.h"
#include "twktools/formats/SaveAs.h"
#include "twktools/maildir/copy.h"
#include "twktools/maildir/datevalue.h"
#include "twktools/maildir/mimesupport.h"
#include "twktools/pst/ids.h"

#include <QDateTime>
#include <QFile>
#include <glib.h>

namespace twkpst {

namespace {

QString Text(libpff_item_t* item, std::uint32_t id, int set = 0) { return StringProp(item, id, set).value_or(QString()); }

// A stored subject may begin with the prefix length as a control pair (0x01, length).
QString CleanSubject(QString subject) {
  if (subject.size() >= 2 && subject[0] == QChar(1)) subject.remove(0, 2);
  return subject;
}

// The SMTP address of a person the item names: an Exchange entry by its SMTP
// address property, else the address as stored when it is one.
QString SmtpAddressOf(const QString& type, const QString& address, const QString& smtp) {
  if (!smtp.isEmpty()) return smtp;
  if (type.compare(QStringLiteral("EX"), Qt::CaseInsensitive) != 0 && address.contains(QLatin1Char('@'))) return address;
  return QString();
}

QString DecodeHtml(const QByteArray& html, std::optional<std::uint32_t> codePage) {
  if (!codePage || *codePage == 65001 || *codePage == 20127) return QString::fromUtf8(html);
  const QByteArray charset = "CP" + QByteArray::number(*codePage);
  gsize written = 0;
  gchar* utf8 = g_convert(html.constData(), html.size(), "UTF-8", charset.constData(), nullptr, &written, nullptr);
  if (!utf8) return QString::fromLatin1(html);
  const QString text = QString::fromUtf8(utf8, qsizetype(written));
  g_free(utf8);
  return text;
}

QByteArray RtfBody(libpff_item_t* item) {
  libpff_error_t* error = nullptr;
  size_t size = 0;
  if (libpff_message_get_rtf_body_size(item, &size, &error) != 1 || size == 0) {
    TakeError(error);
    return {};
  }
  QByteArray rtf(qsizetype(size), Qt::Uninitialized);
  if (libpff_message_get_rtf_body(item, reinterpret_cast<std::uint8_t*>(rtf.data()), size, &error) != 1) {
    TakeError(error);
    return {};
  }
  while (rtf.endsWith('\0')) rtf.chop(1);
  return rtf;
}

std::vector<twkmaildir::TRecipientValue> ReadRecipients(libpff_item_t* item) {
  std::vector<twkmaildir::TRecipientValue> out;
  libpff_error_t* error = nullptr;
  TItem recipients;
  if (libpff_message_get_recipients(item, recipients.out(), &error) != 1 || !recipients) {
    TakeError(error);
    return out;
  }
  int sets = 0;
  if (libpff_item_get_number_of_record_sets(recipients.get(), &sets, &error) != 1) TakeError(error);
  for (int i = 0; i < sets; ++i) {
    twkmaildir::TRecipientValue r;
    r.Who.Name = Text(recipients.get(), PidDisplayName, i);
    r.Who.Address = SmtpAddressOf(Text(recipients.get(), PidAddrType, i), Text(recipients.get(), PidEmailAddress, i),
                                  Text(recipients.get(), PidSmtpAddress, i));
    if (r.Who.Name.isEmpty() && r.Who.Address.isEmpty()) continue;
    const std::uint32_t type = IntProp(recipients.get(), PidRecipientType, i).value_or(olTo) & 0x0F;
    r.Type = type == olCC || type == olBCC ? int(type) : olTo;
    out.push_back(std::move(r));
  }
  return out;
}

std::vector<TAttachmentInfo> ReadAttachments(libpff_item_t* item) {
  std::vector<TAttachmentInfo> out;
  libpff_error_t* error = nullptr;
  int count = 0;
  if (libpff_message_get_number_of_attachments(item, &count, &error) != 1) {
    TakeError(error);
    return out;
  }
  for (int i = 0; i < count; ++i) {
    TItem att;
    if (libpff_message_get_attachment(item, i, att.out(), &error) != 1 || !att) {
      TakeError(error);
      continue;
    }
    int type = 0;
    if (libpff_attachment_get_type(att.get(), &type, &error) != 1) TakeError(error);
    // Only what the item holds: a reference to a file elsewhere is none of its attachments.
    if (type != LIBPFF_ATTACHMENT_TYPE_DATA && type != LIBPFF_ATTACHMENT_TYPE_ITEM) continue;
    TAttachmentInfo a;
    a.Index = i;
    a.Embedded = type == LIBPFF_ATTACHMENT_TYPE_ITEM;
    a.DisplayName = Text(att.get(), PidDisplayName);
    a.FileName = Text(att.get(), PidAttachLongFilename);
    if (a.FileName.isEmpty()) a.FileName = Text(att.get(), PidAttachFilename);
    a.MimeTag = Text(att.get(), PidAttachMimeTag);
    a.ContentID = Text(att.get(), PidAttachContentId);
    a.Hidden = BoolProp(att.get(), PidAttachmentHidden).value_or(false);
    if (!a.Embedded) {
      size64_t size = 0;
      if (libpff_attachment_get_data_size(att.get(), &size, &error) != 1) TakeError(error);
      a.DataSize = std::int64_t(size);
    }
    out.push_back(std::move(a));
  }
  return out;
}

}  // namespace

TPstFields ReadFields(libpff_item_t* item) {
  TPstFields f;
  f.MessageClass = Text(item, PidMessageClass);
  f.Subject = CleanSubject(Text(item, PidSubject));
  const QString headers = Text(item, PidTransportHeaders);
  f.Sender = {Text(item, PidSenderName), SmtpAddressOf(Text(item, PidSenderAddrType), Text(item, PidSenderEmail),
                                                       Text(item, PidSenderSmtpAddress))};
  f.Representing = {Text(item, PidSentRepresentingName),
                    SmtpAddressOf(Text(item, PidSentRepresentingAddrType), Text(item, PidSentRepresentingEmail),
                                  Text(item, PidSentRepresentingSmtpAddress))};
  f.Recipients = ReadRecipients(item);
  f.SentOn = TimeProp(item, PidClientSubmitTime);
  f.Received = TimeProp(item, PidDeliveryTime);
  f.Created = TimeProp(item, PidCreationTime);
  f.Modified = TimeProp(item, PidLastModificationTime);
  f.Flags = IntProp(item, PidMessageFlags);
  f.Importance = IntProp(item, PidImportance);
  f.TransportHeaders = headers;
  f.MessageID = Text(item, PidInternetMessageId);
  f.InReplyTo = Text(item, PidInReplyTo);
  f.References = Text(item, PidInternetReferences);
  f.PlainBody = Text(item, 0x1000);
  if (const auto html = BinaryProp(item, 0x1013); html && !html->isEmpty())
    f.HtmlBody = DecodeHtml(*html, IntProp(item, PidInternetCodepage));
  f.Rtf = RtfBody(item);
  f.Attachments = ReadAttachments(item);
  return f;
}

TPstMessage::TPstMessage(TwkPtr<TPstFolder> folder, std::shared_ptr<TPstFile> file, TItem item, std::uint32_t node,
                         int depth)
    : FFolder(std::move(folder)), FFile(std::move(file)), FItem(std::move(item)), FNode(node), FDepth(depth) {
  std::lock_guard lock(FFile->Lock());
  FFields = ReadFields(FItem.get());
}

TPstMessage::~TPstMessage() {
  std::lock_guard lock(FFile->Lock());
  FItem = TItem();
  FAttachment = TItem();
}

TwkPtr<IRDOMail> TPstMessage::OpenStored(TwkPtr<TPstFolder> folder, std::uint32_t node) {
  const std::shared_ptr<TPstFile> file = folder->OwnerStore()->File();
  TItem item;
  {
    std::lock_guard lock(file->Lock());
    libpff_error_t* error = nullptr;
    if (libpff_file_get_item_by_identifier(file->Handle(), node, item.out(), &error) != 1 || !item) {
      const QString why = TakeError(error);
      throw EComError(MAPI_E_NOT_FOUND,
                      QStringLiteral("The item %1 of \"%2\" cannot be read: %3").arg(node).arg(file->Path(), why));
    }
  }
  TwkPtr<TPstMessage> m = TwkPtr<TPstMessage>::Adopt(new TPstMessage(std::move(folder), file, std::move(item), node, 0));
  return TwkPtr<IRDOMail>(m.get());
}

TwkPtr<TPstMessage> TPstMessage::OpenEmbedded(TwkPtr<TPstMessage> owner, TItem attachment, TItem item) {
  TwkPtr<TPstMessage> m = TwkPtr<TPstMessage>::Adopt(
      new TPstMessage(TwkPtr<TPstFolder>(), owner->File(), std::move(item), 0, owner->Depth() + 1));
  m->FOwner = std::move(owner);
  m->FAttachment = std::move(attachment);
  return m;
}

void TPstMessage::RaiseReadOnly() {
  if (FFolder) FFolder->OwnerStore()->RaiseReadOnly();
  throw EComError(MAPI_E_NO_SUPPORT, QStringLiteral("The attached item \"%1\" is read-only").arg(FFields.Subject));
}

QString TPstMessage::EntryID() {
  if (!FFolder) return QString();
  return MessageEntryID(FFolder->OwnerStore()->StoreKey(), FFolder->Node(), FNode, FFile->Stamp());
}

TDateTimeValue TPstMessage::DateValue(const std::optional<TUnixTime>& t) {
  return t ? twkmaildir::DateValueFromUnix(t->Seconds, t->Msec) : 0;
}

TwkPtr<IRDOAddressEntry> TPstMessage::Sender() {
  const twkmaildir::TAddress& a = FFields.Sender.Name.isEmpty() && FFields.Sender.Address.isEmpty() ? FFields.Representing : FFields.Sender;
  return twkmaildir::NewAddressEntry(a);
}

TwkPtr<IRDOAddressEntry> TPstMessage::SentOnBehalfOf() {
  const twkmaildir::TAddress& a = FFields.Representing.Name.isEmpty() && FFields.Representing.Address.isEmpty() ? FFields.Sender : FFields.Representing;
  return twkmaildir::NewAddressEntry(a);
}

QVariant TPstMessage::Fields(std::uint32_t propTag) {
  auto text = [](const QString& s) { return s.isEmpty() ? QVariant() : QVariant(s); };
  switch (propTag) {
    case PR_TRANSPORT_MESSAGE_HEADERS: return text(FFields.TransportHeaders);
    case PR_INTERNET_MESSAGE_ID: return text(FFields.MessageID);
    case PR_IN_REPLY_TO_ID: return text(FFields.InReplyTo);
    case PR_INTERNET_REFERENCES: return text(FFields.References);
    case PR_MESSAGE_FLAGS: return FFields.Flags ? QVariant(int(*FFields.Flags)) : QVariant();
    case PR_IMPORTANCE: return FFields.Importance ? QVariant(int(*FFields.Importance)) : QVariant();
    // The bodies are handed out decoded.
    case PR_INTERNET_CPID: return QVariant(65001);
    case PR_MESSAGE_SIZE: return QVariant(qint64(MimeContent().size()));
    default: return {};
  }
}

TwkPtr<IRDOAttachments> TPstMessage::Attachments() { return NewAttachments(TwkPtr<TPstMessage>(this)); }

QByteArray TPstMessage::MimeContent() {
  if (!FMime) FMime = BuildMime(this);
  return *FMime;
}

void TPstMessage::SaveAs(const QString& path, int format) {
  // An item whose only body is its RTF (appointments, mostly) is saved as that RTF.
  if (format == olRTF && FFields.PlainBody.isEmpty() && FFields.HtmlBody.isEmpty() && !FFields.Rtf.isEmpty()) {
    twkformats::WriteFile(path, twkformats::TWriteRule::Plain, QStringLiteral("write"), [&](QFile& file) {
      twkformats::WriteAllTo(file, FFields.Rtf.constData(), FFields.Rtf.size(), QStringLiteral("write"), path);
    });
    return;
  }
  twkformats::SaveMessageAs(this, path, format);
}

std::int64_t TPstMessage::ArrivalSeconds() const {
  if (FFields.Received) return FFields.Received->Seconds;
  return FFields.SentOn ? FFields.SentOn->Seconds : 0;
}

TwkPtr<IRDOMail> TPstMessage::CopyTo(IRDOFolder* folder) {
  if (auto* other = dynamic_cast<TPstFolder*>(folder)) other->OwnerStore()->RaiseReadOnly();
  std::int64_t arrival = ArrivalSeconds();
  if (arrival <= 0) arrival = QDateTime::currentSecsSinceEpoch();
  return twkmaildir::CopyArchivedMessage(folder, MimeContent(), UnRead(), arrival);
}

}  // namespace twkpst
