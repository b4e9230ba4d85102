#include "core/ComposeMail.h"

#include "twktools/TWKtools.h"

#include <QLocale>
#include <QRandomGenerator>
#include <cstdlib>
#include <QStringList>

namespace {

bool IsAscii(const QString& s) {
  for (const QChar c : s)
    if (c.unicode() > 0x7e || (c.unicode() < 0x20 && c != QLatin1Char('\t'))) return false;
  return true;
}

// An unstructured header value: as is when ASCII, else one encoded word per
// up to 45 bytes of UTF-8, whole characters each.
QByteArray EncodeText(const QString& text) {
  if (IsAscii(text)) return text.toLatin1();
  QByteArray out;
  QString chunk;
  auto flush = [&] {
    if (chunk.isEmpty()) return;
    if (!out.isEmpty()) out += "\n ";
    out += "=?UTF-8?B?" + chunk.toUtf8().toBase64() + "?=";
    chunk.clear();
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    QString ch(text[i]);
    if (text[i].isHighSurrogate() && i + 1 < text.size()) ch += text[++i];
    if ((chunk + ch).toUtf8().size() > 45) flush();
    chunk += ch;
  }
  flush();
  return out;
}

// Addresses as typed: "Name <a@b>" items separated by commas; a non-ASCII
// name is encoded, the address is kept.
QByteArray EncodeAddresses(const QString& list) {
  QList<QByteArray> items;
  for (const QString& raw : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    const QString item = raw.trimmed();
    if (item.isEmpty()) continue;
    const qsizetype lt = item.lastIndexOf(QLatin1Char('<'));
    if (IsAscii(item) || lt <= 0) {
      items.append(item.toUtf8());
      continue;
    }
    QString name = item.left(lt).trimmed();
    if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"'))) name = name.mid(1, name.size() - 2);
    items.append(EncodeText(name) + ' ' + item.mid(lt).toUtf8());
  }
  return items.join(",\n ");
}

QByteArray Base64Lines(const QByteArray& data) {
  const QByteArray b64 = data.toBase64();
  QByteArray out;
  for (qsizetype i = 0; i < b64.size(); i += 76) out += b64.mid(i, 76) + '\n';
  return out;
}

// A file name parameter: plain when ASCII, else RFC 2231 UTF-8.
QByteArray FileNameParam(const char* name, const QString& fileName) {
  if (IsAscii(fileName) && !fileName.contains(QLatin1Char('"')) && !fileName.contains(QLatin1Char('\\')))
    return QByteArray(name) + "=\"" + fileName.toLatin1() + '"';
  return QByteArray(name) + "*=UTF-8''" + fileName.toUtf8().toPercentEncoding();
}

QByteArray TextPart(const QString& body) {
  QString text = body;
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  // Long lines also need an encoding (1000 octets per line at most).
  bool plain = true;
  for (const QString& line : text.split(QLatin1Char('\n')))
    if (!IsAscii(line) || line.size() > 900) plain = false;
  const QByteArray head = "Content-Type: text/plain; charset=utf-8\n";
  if (!plain) return head + "Content-Transfer-Encoding: base64\n\n" + Base64Lines(text.toUtf8());
  QByteArray bytes = text.toLatin1();
  if (!bytes.endsWith('\n')) bytes += '\n';
  return head + "Content-Transfer-Encoding: 7bit\n\n" + bytes;
}

// "Thu, 10 Dec 2026 09:30:00 +0000": English names whatever the locale.
QByteArray DateHeader(const QDateTime& date) {
  const int offset = date.offsetFromUtc() / 60;
  const QString zone = QStringLiteral("%1%2%3")
                           .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                           .arg(std::abs(offset) / 60, 2, 10, QLatin1Char('0'))
                           .arg(std::abs(offset) % 60, 2, 10, QLatin1Char('0'));
  return (QLocale::c().toString(date, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss ")) + zone).toLatin1();
}

QString AddressText(IRDOAddressEntry* entry) {
  if (!entry) return {};
  const QString name = entry->Name(), address = entry->Address();
  if (name.isEmpty() || name == address) return address;
  return QStringLiteral("%1 <%2>").arg(name, address);
}

QString Quoted(IRDOMail* mail, bool forward) {
  QString text = mail->Body();
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  const QString from = AddressText(mail->Sender().get());
  QString head;
  if (forward) {
    head = QStringLiteral("\n\n-----Original Message-----\nFrom: %1\nSubject: %2\n\n").arg(from, mail->Subject());
    return head + text;
  }
  QString quoted;
  for (const QString& line : text.split(QLatin1Char('\n'))) quoted += QStringLiteral("> ") + line + QLatin1Char('\n');
  return QStringLiteral("\n\n%1 wrote:\n").arg(from) + quoted;
}

QString Prefixed(const QString& prefix, const QString& subject) {
  return subject.startsWith(prefix, Qt::CaseInsensitive) ? subject : prefix + subject;
}

}  // namespace

TComposedMail ForwardOf(IRDOMail* mail) {
  TComposedMail m;
  m.Subject = Prefixed(QStringLiteral("FW: "), mail->Subject());
  m.Body = Quoted(mail, true);
  const TwkPtr<IRDOAttachments> atts = mail->Attachments();
  for (int i = 1; atts && i <= atts->Count(); ++i) {
    const TwkPtr<IRDOAttachment> att = atts->Item(i);
    TComposedAttachment a;
    a.FileName = att->FileName().isEmpty() ? att->DisplayName() : att->FileName();
    a.MimeType = att->MimeType();
    a.Data = att->Data();
    m.Attachments.append(a);
  }
  return m;
}

TComposedMail ReplyTo(IRDOMail* mail) {
  TComposedMail m;
  m.To = AddressText(mail->Sender().get());
  m.Subject = Prefixed(QStringLiteral("RE: "), mail->Subject());
  m.Body = Quoted(mail, false);
  return m;
}

QByteArray ComposeMime(const TComposedMail& mail, const QDateTime& date, const QByteArray& messageIdDomain) {
  QByteArray h;
  if (!mail.From.trimmed().isEmpty()) h += "From: " + EncodeAddresses(mail.From) + '\n';
  h += "To: " + EncodeAddresses(mail.To) + '\n';
  if (!mail.Cc.trimmed().isEmpty()) h += "Cc: " + EncodeAddresses(mail.Cc) + '\n';
  h += "Subject: " + EncodeText(mail.Subject) + '\n';
  h += "Date: " + DateHeader(date) + '\n';
  h += "Message-ID: <" + QByteArray::number(date.toMSecsSinceEpoch(), 36) + '.' +
       QByteArray::number(QRandomGenerator::global()->generate64(), 36) + '@' + messageIdDomain + ">\n";
  h += "MIME-Version: 1.0\n";
  if (mail.Attachments.isEmpty()) return h + TextPart(mail.Body);
  const QByteArray boundary = "=_twk_" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
  QByteArray out = h + "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\n\n";
  out += "--" + boundary + '\n' + TextPart(mail.Body);
  for (const TComposedAttachment& a : mail.Attachments) {
    const QByteArray type = a.MimeType.isEmpty() ? QByteArrayLiteral("application/octet-stream") : a.MimeType.toLatin1();
    out += "--" + boundary + '\n';
    out += "Content-Type: " + type + "; " + FileNameParam("name", a.FileName) + '\n';
    out += "Content-Disposition: attachment; " + FileNameParam("filename", a.FileName) + '\n';
    out += "Content-Transfer-Encoding: base64\n\n" + Base64Lines(a.Data);
  }
  return out + "--" + boundary + "--\n";
}
