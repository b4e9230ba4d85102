#include "twktools/formats/MailView.h"

#include "twktools/formats/DateValue.h"
#include "twktools/formats/HtmlToText.h"

#include <QLocale>

namespace twkformats {

QString FormatAddress(const TAddress& a) {
  if (a.Name.isEmpty()) return a.Address;
  if (a.Address.isEmpty() || a.Address == a.Name) return a.Name;
  return QStringLiteral("%1 <%2>").arg(a.Name, a.Address);
}

QString FormatAddressList(const QList<TAddress>& list) {
  QStringList parts;
  for (const TAddress& a : list) parts << FormatAddress(a);
  return parts.join(QStringLiteral("; "));
}

namespace {

TAddress FromEntry(const TwkPtr<IRDOAddressEntry>& e) {
  TAddress a;
  if (e) {
    a.Name = e->Name();
    a.Address = e->Address();
  }
  return a;
}

}  // namespace

TAddress SenderOf(IRDOMail* mail) { return FromEntry(mail->Sender()); }

TAddress SentRepresentingOf(IRDOMail* mail) {
  TAddress a = FromEntry(mail->SentOnBehalfOf());
  return a.Name.isEmpty() && a.Address.isEmpty() ? SenderOf(mail) : a;
}

TAddress RecipientAddress(IRDORecipient* r) {
  TAddress a;
  a.Type = r->Type();
  TwkPtr<IRDOAddressEntry> entry = r->Resolved() ? r->AddressEntry() : TwkPtr<IRDOAddressEntry>();
  if (entry) {
    a.Name = entry->Name();
    a.Address = entry->Address();
  } else {
    a.Name = r->Name();
    a.Address = r->Address();
  }
  return a;
}

QList<TAddress> RecipientsOf(IRDOMail* mail) {
  QList<TAddress> list;
  TwkPtr<IRDORecipients> rs = mail->Recipients();
  const int n = rs ? rs->Count() : 0;
  for (int i = 1; i <= n; ++i)
    if (TwkPtr<IRDORecipient> r = rs->Item(i)) list << RecipientAddress(r.get());
  return list;
}

QString AttachmentName(IRDOAttachment* att) {
  QString name = att->FileName();
  if (name.isEmpty()) name = att->DisplayName();
  return name.isEmpty() ? QStringLiteral("Untitled Attachment") : name;
}

QString FormatMailDate(TDateTimeValue value) {
  if (value == 0) return QString();
  return QLocale::system().toString(DateTimeFromValue(value), QLocale::LongFormat);
}

QList<THeaderLine> HeaderBlock(IRDOMail* mail) {
  QList<THeaderLine> lines;
  QList<TAddress> to, cc;
  // Blind copies are not shown, as on a received message.
  for (const TAddress& a : RecipientsOf(mail)) {
    if (a.Type == olTo) to << a;
    else if (a.Type == olCC) cc << a;
  }
  lines << THeaderLine{QStringLiteral("From"), FormatAddress(SentRepresentingOf(mail))};
  const QString sent = FormatMailDate(mail->SentOn());
  if (!sent.isEmpty()) lines << THeaderLine{QStringLiteral("Sent"), sent};
  lines << THeaderLine{QStringLiteral("To"), FormatAddressList(to)};
  if (!cc.isEmpty()) lines << THeaderLine{QStringLiteral("Cc"), FormatAddressList(cc)};
  lines << THeaderLine{QStringLiteral("Subject"), mail->Subject()};
  QStringList names;
  TwkPtr<IRDOAttachments> atts = mail->Attachments();
  const int n = atts ? atts->Count() : 0;
  for (int i = 1; i <= n; ++i) {
    TwkPtr<IRDOAttachment> a = atts->Item(i);
    if (a && !a->Hidden()) names << AttachmentName(a.get());
  }
  if (!names.isEmpty()) lines << THeaderLine{QStringLiteral("Attachments"), names.join(QStringLiteral("; "))};
  return lines;
}

QString PlainTextOf(IRDOMail* mail) {
  const QString body = mail->Body();
  if (!body.isEmpty()) return body;
  const QString html = mail->HTMLBody();
  return html.isEmpty() ? QString() : HtmlToText(html);
}

QString ToCrLf(const QString& text) {
  QString r = text;
  r.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  r.replace(u'\r', u'\n');
  r.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return r;
}

}  // namespace twkformats
