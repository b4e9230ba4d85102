// Messages with link attachments, built as plain MIME text for the tests of
// the link engines, and the bytes of a link spelled out from its format.
#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QList>
#include <QString>

// One attachment of a built message.
struct TMimeAtt {
  QString Name;
  QByteArray Bytes;
};

enum class TMsgKind { Note, Signed, Meeting, Report };

// A message as RFC 5322 text; attachments base64-encoded.
inline QByteArray BuildMime(const QString& subject, const QList<TMimeAtt>& atts, TMsgKind kind = TMsgKind::Note) {
  QByteArray m = "From: Sender <sender@example.org>\r\nTo: Rcpt <rcpt@example.org>\r\nSubject: " + subject.toUtf8() +
                 "\r\nDate: Tue, 14 Nov 2023 22:13:20 +0000\r\nMessage-ID: <" +
                 QCryptographicHash::hash(subject.toUtf8(), QCryptographicHash::Md5).toHex() +
                 "@links>\r\nMIME-Version: 1.0\r\n";
  QByteArray inner = "--in\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nBody.\r\n";
  if (kind == TMsgKind::Meeting)
    inner += "--in\r\nContent-Type: text/calendar; method=REQUEST; charset=utf-8\r\n\r\n"
             "BEGIN:VCALENDAR\r\nMETHOD:REQUEST\r\nBEGIN:VEVENT\r\nSUMMARY:x\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
  if (kind == TMsgKind::Report)
    inner += "--in\r\nContent-Type: message/delivery-status\r\n\r\nReporting-MTA: dns; example.org\r\n\r\n"
             "Final-Recipient: rfc822; a@example.org\r\nAction: failed\r\nStatus: 5.0.0\r\n";
  for (const TMimeAtt& a : atts)
    inner += "--in\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; filename=\"" +
             a.Name.toUtf8() + "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
             a.Bytes.toBase64() + "\r\n";
  inner += "--in--\r\n";
  const QByteArray type = kind == TMsgKind::Report ? "multipart/report; report-type=delivery-status" : "multipart/mixed";
  if (kind != TMsgKind::Signed) return m + "Content-Type: " + type + "; boundary=\"in\"\r\n\r\n" + inner;
  return m + "Content-Type: multipart/signed; protocol=\"application/pkcs7-signature\"; micalg=sha-256; "
             "boundary=\"out\"\r\n\r\n--out\r\nContent-Type: multipart/mixed; boundary=\"in\"\r\n\r\n" +
         inner +
         "--out\r\nContent-Type: application/pkcs7-signature; name=\"smime.p7s\"\r\n"
         "Content-Transfer-Encoding: base64\r\n\r\nMIAGCSqGSIb3DQEHAqCAMIACAQE=\r\n--out--\r\n";
}

inline QString Sha256Hex(const QByteArray& bytes) {
  return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// The bytes of a link to target, spelled out from the format: UTF-16LE with
// byte order mark, "TWK" and the target on two CR LF lines.
inline QByteArray LinkBytes(const QString& target) {
  const QString text = QStringLiteral("TWK\r\n") + target + QStringLiteral("\r\n");
  return QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}
