// The TNEF and uuencode readers on any bytes, alone and inside a message:
// no crash, no hang, and what they give back never exceeds what came in.
#include "fuzz/FuzzSupport.h"
#include "twktools/maildir/Backend.h"
#include "twktools/maildir/tnef.h"
#include "twktools/maildir/uuencode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const QByteArray bytes = twkfuzz::Bytes(data, size);

  if (const auto tnef = twkmaildir::ReadTnef(bytes)) {
    qsizetype total = 0;
    for (const auto& f : tnef->Files) total += f.Data.size();
    twkfuzz::Require(total <= bytes.size(), "a TNEF stream carries no more than its own bytes");
  }

  const twkmaildir::TUuSplit split = twkmaildir::SplitUuencoded(bytes);
  twkfuzz::Require(split.Rest.size() <= bytes.size(), "the text without its blocks is no longer than the text");
  twkfuzz::Require(twkmaildir::SplitUuencoded(split.Rest).Files.empty(), "every block is taken out of the text");

  // The same bytes as a winmail.dat and as a plain body: every part is
  // answered and the message reads whole.
  const QByteArray mime = "Subject: f\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=\"=_f\"\n\n"
                          "--=_f\nContent-Type: application/ms-tnef; name=winmail.dat\nContent-Transfer-Encoding: base64\n\n" +
                          bytes.toBase64() + "\n--=_f\nContent-Type: text/plain; charset=utf-8\n"
                                             "Content-Transfer-Encoding: base64\n\n" +
                          bytes.toBase64() + "\n--=_f--\n";
  TwkPtr<IRDOMail> mail = twkmaildir::OpenLooseMessage(mime, QString());
  mail->Body();
  mail->HTMLBody();
  TwkPtr<IRDOAttachments> atts = mail->Attachments();
  for (int i = 1; i <= atts->Count(); ++i) {
    TwkPtr<IRDOAttachment> a = atts->Item(i);
    twkfuzz::Require(a->Size() == a->Data().size(), "an attachment's size is the size of its bytes");
    a->FileName();
  }
  return 0;
}
