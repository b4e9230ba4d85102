// Messages with link attachments for the send capture's tests: raw MIME
// written here by hand (independent of the component's writer), opened as
// loose messages through the real component, and link files in their
// published byte layout.
#pragma once

#include "core/RDOSession.h"
#include "core/uRedemptionLoader.h"
#include "tests/LinkMime.h"
#include "tests/test_engine_fixture.h"

#include <QList>
#include <QString>

// One part of a test message.
struct TMimePart {
  enum TKind { Attached, Hidden, Embedded };
  QString Name;
  QByteArray Bytes;
  TKind Kind = Attached;
  QByteArray ContentType = "application/octet-stream";
};

// multipart/mixed with a text body and the parts; a Hidden part is an
// image of a multipart/related HTML body that refers to it; an Embedded
// one is a message/rfc822 part under that name.
inline QByteArray MimeMessage(const QList<TMimePart>& parts, const QByteArray& extraHeaders = {}) {
  QByteArray m =
      "From: Sender <sender@example.org>\nTo: Rcpt <rcpt@example.org>\n" + extraHeaders +
      "Subject: links\nDate: Tue, 14 Nov 2023 22:13:20 +0000\nMessage-ID: <links@test>\n"
      "MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=\"=outer=\"\n\n--=outer=\n";
  QList<TMimePart> hidden;
  for (const TMimePart& p : parts)
    if (p.Kind == TMimePart::Hidden) hidden << p;
  if (hidden.isEmpty()) {
    m += "Content-Type: text/plain; charset=utf-8\n\nSee the attachments.\n";
  } else {
    m += "Content-Type: multipart/related; boundary=\"=rel=\"\n\n--=rel=\nContent-Type: text/html\n\n<p>";
    for (int i = 0; i < hidden.size(); ++i) m += "<img src=\"cid:h" + QByteArray::number(i) + "@test\">";
    m += "</p>\n";
    for (int i = 0; i < hidden.size(); ++i)
      m += "--=rel=\nContent-Type: image/png\nContent-ID: <h" + QByteArray::number(i) +
           "@test>\nContent-Disposition: inline; filename=\"" + hidden[i].Name.toUtf8() +
           "\"\nContent-Transfer-Encoding: base64\n\n" + hidden[i].Bytes.toBase64() + "\n";
    m += "--=rel=--\n";
  }
  for (const TMimePart& p : parts) {
    if (p.Kind == TMimePart::Hidden) continue;
    m += "--=outer=\n";
    if (p.Kind == TMimePart::Embedded) {
      m += "Content-Type: message/rfc822\nContent-Disposition: attachment; filename=\"" + p.Name.toUtf8() +
           "\"\n\nFrom: a@example.org\nSubject: inner\n\ninner body\n";
    } else {
      m += "Content-Type: " + p.ContentType + "\nContent-Disposition: attachment; filename=\"" + p.Name.toUtf8() +
           "\"\nContent-Transfer-Encoding: base64\n\n" + p.Bytes.toBase64() + "\n";
    }
  }
  return m + "--=outer=--\n";
}

// A session of the real component, not logged on: enough for loose messages.
// The process's one loader keeps the component (and GMime) loaded once.
class TLooseMessages {
public:
  TLooseMessages() {
    GlobalRedemptionLoader().SetDllLocation64Bit(BinPath(QStringLiteral("TWKtools64.so")));
    FSession.ConnectTo(GlobalRedemptionLoader().new_RDOSession());
  }
  TwkPtr<IRDOMail> Open(const QByteArray& mime) { return FSession->GetMessageFromMIME(mime); }
  TRDOSession& Session() { return FSession; }

private:
  TRDOSession FSession;
};

// The file names of a message's attachments, in order.
inline QStringList AttachmentNames(IRDOMail* mail) {
  QStringList names;
  const TwkPtr<IRDOAttachments> atts = mail->Attachments();
  for (int i = 1; i <= atts->Count(); ++i) names << atts->Item(i)->FileName();
  return names;
}

// The decoded bytes of the attachment named name (empty when none).
inline QByteArray AttachmentData(IRDOMail* mail, const QString& name) {
  const TwkPtr<IRDOAttachments> atts = mail->Attachments();
  for (int i = 1; i <= atts->Count(); ++i)
    if (atts->Item(i)->FileName() == name) return atts->Item(i)->Data();
  return {};
}
