#include "twktools/formats/TextFormats.h"

#include "twktools/formats/DateValue.h"
#include "twktools/formats/HtmlSanitizer.h"
#include "twktools/formats/HtmlTokens.h"
#include "twktools/formats/MailView.h"

#include <gmime/gmime.h>

namespace twkformats {

QByteArray TextFile(IRDOMail* mail) {
  QString t;
  for (const THeaderLine& l : HeaderBlock(mail)) t += l.Label + QStringLiteral(":\t") + l.Value + u'\n';
  t += u'\n';
  t += PlainTextOf(mail);
  return ToCrLf(t).toUtf8();
}

namespace {

QString HeaderHtml(IRDOMail* mail) {
  QString h = QStringLiteral("<table class=\"twk-header\" style=\"font-family: sans-serif; font-size: 10pt\">\n");
  for (const THeaderLine& l : HeaderBlock(mail))
    h += QStringLiteral("<tr><td style=\"vertical-align: top; padding-right: 1em\"><b>%1:</b></td><td>%2</td></tr>\n")
             .arg(EscapeHtml(l.Label), EscapeHtml(l.Value));
  return h + QStringLiteral("</table>\n<hr>\n");
}

// The body of the message's HTML without its document frame: the head keeps
// only its style sheets, the html, head and body tags themselves go (the
// document gets its own, with the charset it is written in).
void SplitHtml(const QString& html, QString& styles, QString& body) {
  bool inHead = false, inStyle = false;
  for (const THtmlToken& t : TokenizeHtml(SanitizeHtml(html))) {
    const bool frame = t.Name == u"html" || t.Name == u"body" || t.Name == u"head";
    if (t.Kind == THtmlToken::StartTag && t.Name == u"head") inHead = true;
    if (t.Kind == THtmlToken::EndTag && t.Name == u"head") inHead = false;
    if (t.Kind == THtmlToken::StartTag && t.Name == u"body") inHead = false;
    if (t.Kind == THtmlToken::Other || ((t.Kind == THtmlToken::StartTag || t.Kind == THtmlToken::EndTag) && frame))
      continue;
    if (t.Kind == THtmlToken::StartTag && t.Name == u"style") inStyle = true;
    if (inHead || inStyle) {
      if (inStyle) styles += t.Raw;
    } else if (!(t.Kind == THtmlToken::StartTag && t.Name == u"meta")) {
      body += t.Raw;
    }
    if (t.Kind == THtmlToken::EndTag && t.Name == u"style") inStyle = false;
  }
}

QString TextAsHtml(const QString& text) {
  QString r = EscapeHtml(text);
  r.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  r.replace(QStringLiteral("\n"), QStringLiteral("<br>\n"));
  return QStringLiteral("<div style=\"font-family: monospace; white-space: pre-wrap\">") + r + QStringLiteral("</div>\n");
}

}  // namespace

QString HtmlDocument(IRDOMail* mail) {
  QString styles, body;
  const QString html = mail->HTMLBody();
  if (html.isEmpty())
    body = TextAsHtml(mail->Body());
  else
    SplitHtml(html, styles, body);
  // The policy comes first, before anything it governs.
  return QStringLiteral("<!DOCTYPE html>\n<html>\n<head>\n") + ContentSecurityPolicyMeta() +
         QStringLiteral("\n<meta charset=\"utf-8\">\n<title>") +
         EscapeHtml(mail->Subject()) + QStringLiteral("</title>\n") + styles + QStringLiteral("</head>\n<body>\n") +
         HeaderHtml(mail) + body + QStringLiteral("\n</body>\n</html>\n");
}

namespace {

template <class T>
struct TGUnref {
  T* P;
  ~TGUnref() {
    if (P) g_object_unref(P);
  }
};

GMimePart* InlinePart(IRDOAttachment* a) {
  const QByteArray type = a->MimeType().toLatin1();
  const qsizetype slash = type.indexOf('/');
  GMimePart* part = slash > 0 ? BytesPart(type.left(slash).constData(), type.mid(slash + 1).constData(), a->Data(),
                                          GMIME_CONTENT_ENCODING_BASE64)
                              : BytesPart("application", "octet-stream", a->Data(), GMIME_CONTENT_ENCODING_BASE64);
  g_mime_part_set_content_id(part, a->ContentID().toUtf8().constData());
  g_mime_object_set_content_disposition_parameter(GMIME_OBJECT(part), "filename", AttachmentName(a).toUtf8().constData());
  g_mime_object_set_disposition(GMIME_OBJECT(part), "inline");
  return part;
}

}  // namespace

GMimePart* BytesPart(const char* type, const char* subtype, const QByteArray& data, GMimeContentEncoding encoding) {
  GMimePart* part = g_mime_part_new_with_type(type, subtype);
  GMimeStream* stream = g_mime_stream_mem_new_with_buffer(data.constData(), size_t(data.size()));
  GMimeDataWrapper* content = g_mime_data_wrapper_new_with_stream(stream, GMIME_CONTENT_ENCODING_DEFAULT);
  g_mime_part_set_content(part, content);
  g_object_unref(content);
  g_object_unref(stream);
  g_mime_part_set_content_encoding(part, encoding);
  return part;
}

QByteArray MhtFile(IRDOMail* mail) {
  g_mime_init();  // counted: safe to call however often
  const QString html = HtmlDocument(mail);
  TGUnref<GMimeMessage> msg{g_mime_message_new(TRUE)};
  g_mime_message_set_subject(msg.P, mail->Subject().toUtf8().constData(), "utf-8");
  const TAddress from = SentRepresentingOf(mail);
  if (!from.Address.isEmpty() || !from.Name.isEmpty())
    g_mime_message_add_mailbox(msg.P, GMIME_ADDRESS_TYPE_FROM, from.Name.toUtf8().constData(),
                               from.Address.toUtf8().constData());
  const QDateTime sent = DateTimeFromValue(mail->SentOn());
  if (sent.isValid()) {
    GDateTime* d = g_date_time_new_from_unix_utc(sent.toSecsSinceEpoch());
    g_mime_message_set_date(msg.P, d);
    g_date_time_unref(d);
  }
  GMimeMultipart* related = g_mime_multipart_new_with_subtype("related");
  g_mime_object_set_content_type_parameter(GMIME_OBJECT(related), "type", "text/html");
  // The document's own bytes, declared as UTF-8 (a text part would pick a
  // charset of its own and convert).
  GMimePart* text = BytesPart("text", "html", html.toUtf8(), GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
  g_mime_object_set_content_type_parameter(GMIME_OBJECT(text), "charset", "utf-8");
  g_mime_multipart_add(related, GMIME_OBJECT(text));
  g_object_unref(text);

  TwkPtr<IRDOAttachments> atts = mail->Attachments();
  const int n = atts ? atts->Count() : 0;
  for (int i = 1; i <= n; ++i) {
    TwkPtr<IRDOAttachment> a = atts->Item(i);
    if (!a || a->Type() != olByValue || a->ContentID().isEmpty()) continue;
    if (!html.contains(QStringLiteral("cid:") + a->ContentID(), Qt::CaseInsensitive)) continue;
    GMimePart* part = InlinePart(a.get());
    g_mime_multipart_add(related, GMIME_OBJECT(part));
    g_object_unref(part);
  }
  g_mime_message_set_mime_part(msg.P, GMIME_OBJECT(related));
  g_object_unref(related);

  GMimeFormatOptions* options = g_mime_format_options_new();
  g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
  char* s = g_mime_object_to_string(GMIME_OBJECT(msg.P), options);
  g_mime_format_options_free(options);
  QByteArray out(s);
  g_free(s);
  return out;
}

namespace {

QString RtfEscape(const QString& text) {
  QString r;
  r.reserve(text.size() + 16);
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if (u == u'\\' || u == u'{' || u == u'}') {
      r += u'\\';
      r += c;
    } else if (u == u'\n') {
      r += QStringLiteral("\\par\n");
    } else if (u == u'\t') {
      r += QStringLiteral("\\tab ");
    } else if (u < 0x20) {
      continue;  // other controls (CR included) have no meaning in the text
    } else if (u < 0x80) {
      r += c;
    } else {
      // Signed 16-bit values; the fallback for readers without \u is the
      // Latin-1 byte where there is one.
      r += QStringLiteral("\\u%1").arg(int(std::int16_t(u)));
      r += u >= 0xA0 && u <= 0xFF ? QStringLiteral("\\'%1").arg(int(u), 2, 16, QLatin1Char('0')) : QStringLiteral("?");
    }
  }
  return r;
}

}  // namespace

QByteArray RtfFile(IRDOMail* mail) {
  QString r = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\n"
                             "\\viewkind4\\pard\\f0\\fs20\n");
  for (const THeaderLine& l : HeaderBlock(mail))
    r += QStringLiteral("{\\b %1:}\\tab %2\\par\n").arg(RtfEscape(l.Label), RtfEscape(l.Value));
  r += QStringLiteral("\\par\n");
  QString body = PlainTextOf(mail);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  r += RtfEscape(body);
  r += QStringLiteral("\n}\n");
  return r.toLatin1();  // ASCII only by now
}

}  // namespace twkformats
