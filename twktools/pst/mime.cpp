// The MIME form of an Outlook item, built with GMime from its properties:
// the bodies as multipart/alternative, pictures the HTML names by cid: in
// multipart/related, the attachments in multipart/mixed, attached items as
// message/rfc822. An item with transport headers keeps them (all but the
// content headers, which describe the structure built here).
#include "twktools/formats/TextFormats.h"
#include "twktools/maildir/mimesupport.h"
#include "twktools/pst/attachment.h"

namespace twkpst {

namespace {

using twkmaildir::TGPtr;

GMimeObject* TextPart(const char* subtype, const QString& text) {
  GMimeTextPart* part = g_mime_text_part_new_with_subtype(subtype);
  g_mime_text_part_set_text(part, text.toUtf8().constData());
  return GMIME_OBJECT(part);
}

GMimeObject* Multipart(const char* subtype, GMimeObject* first) {
  GMimeMultipart* multi = g_mime_multipart_new_with_subtype(subtype);
  g_mime_multipart_add(multi, first);
  g_object_unref(first);
  return GMIME_OBJECT(multi);
}

void Add(GMimeObject* multipart, GMimeObject* part) {
  g_mime_multipart_add(GMIME_MULTIPART(multipart), part);
  g_object_unref(part);
}

GMimeObject* AttachmentPart(TPstMessage* message, const TAttachmentInfo& info, bool inlined) {
  const QString name = AttachmentFileName(message, info);
  GMimeObject* part;
  if (info.Embedded) {
    const TwkPtr<TPstMessage> item = AttachedItem(message, info);
    GMimeStream* stream = g_mime_stream_mem_new();
    const QByteArray bytes = item ? item->MimeContent() : QByteArray();
    g_mime_stream_write(stream, bytes.constData(), size_t(bytes.size()));
    g_mime_stream_seek(stream, 0, GMIME_STREAM_SEEK_SET);
    TGPtr<GMimeMessage> parsed = twkmaildir::ParseMessage(stream);
    g_object_unref(stream);
    part = GMIME_OBJECT(g_mime_message_part_new_with_message("rfc822", parsed.get()));
  } else {
    const QByteArray type = info.MimeTag.toLatin1().trimmed().toLower();
    const qsizetype slash = type.indexOf('/');
    const bool typed = slash > 0 && slash + 1 < type.size() && !type.contains(' ');
    part = GMIME_OBJECT(twkformats::BytesPart(typed ? type.left(slash).constData() : "application",
                                              typed ? type.mid(slash + 1).constData() : "octet-stream",
                                              AttachmentData(message, info), GMIME_CONTENT_ENCODING_BASE64));
  }
  g_mime_object_set_disposition(part, inlined ? "inline" : "attachment");
  if (!name.isEmpty()) {
    g_mime_object_set_content_disposition_parameter(part, "filename", name.toUtf8().constData());
    g_mime_object_set_content_type_parameter(part, "name", name.toUtf8().constData());
  }
  if (!info.ContentID.isEmpty()) g_mime_object_set_content_id(part, info.ContentID.toUtf8().constData());
  return part;
}

void AddPeople(InternetAddressList* list, const std::vector<twkmaildir::TRecipientValue>& people, int type) {
  for (const auto& r : people)
    if (r.Type == type && !r.Who.Address.isEmpty()) {
      InternetAddress* a = internet_address_mailbox_new(r.Who.Name.toUtf8().constData(), r.Who.Address.toUtf8().constData());
      internet_address_list_add(list, a);
      g_object_unref(a);
    }
}

// The transport header block without the content headers, LF line ends.
QByteArray KeptHeaders(const QString& headers) {
  QByteArray out;
  bool keep = true;
  for (QByteArray line : headers.toUtf8().split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    if (line.isEmpty()) {
      if (out.isEmpty()) continue;
      break;
    }
    if (line[0] != ' ' && line[0] != '\t') {
      const QByteArray name = line.left(line.indexOf(':')).trimmed().toLower();
      keep = line.contains(':') && !name.startsWith("content-") && name != "mime-version";
    }
    if (keep) out += line + '\n';
  }
  return out;
}

}  // namespace

QByteArray BuildMime(TPstMessage* message) {
  twkmaildir::EnsureMimeInit();
  const TPstFields& f = message->Values();
  GMimeObject* body;
  if (!f.PlainBody.isEmpty() && !f.HtmlBody.isEmpty()) {
    body = Multipart("alternative", TextPart("plain", f.PlainBody));
    Add(body, TextPart("html", f.HtmlBody));
  } else {
    body = f.HtmlBody.isEmpty() ? TextPart("plain", f.PlainBody) : TextPart("html", f.HtmlBody);
  }
  // Pictures the HTML shows travel with it.
  std::vector<const TAttachmentInfo*> related, mixed;
  for (const TAttachmentInfo& a : f.Attachments) {
    const bool shown = !a.Embedded && !a.ContentID.isEmpty() && f.HtmlBody.contains(QStringLiteral("cid:") + a.ContentID);
    (shown ? related : mixed).push_back(&a);
  }
  if (!related.empty()) {
    body = Multipart("related", body);
    for (const TAttachmentInfo* a : related) Add(body, AttachmentPart(message, *a, true));
  }
  if (!mixed.empty()) {
    body = Multipart("mixed", body);
    for (const TAttachmentInfo* a : mixed) Add(body, AttachmentPart(message, *a, false));
  }
  TGPtr<GMimeObject> content(body);

  const QByteArray kept = KeptHeaders(f.TransportHeaders);
  if (!kept.isEmpty()) {
    // The delivered headers as they came, then the structure built here.
    gchar* entity = g_mime_object_to_string(content.get(), twkmaildir::WriteOptions());
    QByteArray out = kept + "MIME-Version: 1.0\n" + entity;
    g_free(entity);
    return out;
  }
  TGPtr<GMimeMessage> m(g_mime_message_new(TRUE));
  const twkmaildir::TAddress& from = f.Representing.Address.isEmpty() ? f.Sender : f.Representing;
  if (!from.Address.isEmpty()) {
    InternetAddress* a = internet_address_mailbox_new(from.Name.toUtf8().constData(), from.Address.toUtf8().constData());
    internet_address_list_add(g_mime_message_get_from(m.get()), a);
    g_object_unref(a);
  }
  AddPeople(g_mime_message_get_addresses(m.get(), GMIME_ADDRESS_TYPE_TO), f.Recipients, olTo);
  AddPeople(g_mime_message_get_addresses(m.get(), GMIME_ADDRESS_TYPE_CC), f.Recipients, olCC);
  AddPeople(g_mime_message_get_addresses(m.get(), GMIME_ADDRESS_TYPE_BCC), f.Recipients, olBCC);
  g_mime_message_set_subject(m.get(), f.Subject.toUtf8().constData(), "utf-8");
  if (const auto& when = f.SentOn ? f.SentOn : f.Received) {
    GDateTime* date = g_date_time_new_from_unix_utc(when->Seconds);
    g_mime_message_set_date(m.get(), date);
    g_date_time_unref(date);
  }
  QString id = f.MessageID.trimmed();
  if (id.startsWith(QLatin1Char('<')) && id.endsWith(QLatin1Char('>'))) id = id.mid(1, id.size() - 2);
  if (!id.isEmpty()) g_mime_message_set_message_id(m.get(), id.toUtf8().constData());
  if (!f.InReplyTo.isEmpty()) g_mime_object_set_header(GMIME_OBJECT(m.get()), "In-Reply-To", f.InReplyTo.toUtf8().constData(), nullptr);
  if (!f.References.isEmpty()) g_mime_object_set_header(GMIME_OBJECT(m.get()), "References", f.References.toUtf8().constData(), nullptr);
  g_mime_message_set_mime_part(m.get(), content.get());
  return twkmaildir::SerializeMessage(m.get());
}

}  // namespace twkpst
