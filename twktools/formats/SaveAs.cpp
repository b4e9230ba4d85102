#include "twktools/formats/SaveAs.h"

#include "twktools/formats/FileWrite.h"
#include "twktools/formats/MsgWriter.h"
#include "twktools/formats/TextFormats.h"

#include <QFileInfo>


namespace twkformats {

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes) {
  WriteFile(path, TWriteRule::Plain, QStringLiteral("write"),
            [&](QFile& file) { WriteAllTo(file, bytes.constData(), bytes.size(), QStringLiteral("write"), path); });
}

}  // namespace

void SaveMessageAs(IRDOMail* mail, const QString& path, int format) {
  if (!mail) throw EComError(E_POINTER, QStringLiteral("No message to save"));
  switch (format) {
    case olRFC822:
      WriteBytes(path, mail->MimeContent());
      return;
    case olTXT:
      WriteBytes(path, TextFile(mail));
      return;
    case olHTML:
      WriteBytes(path, HtmlDocument(mail).toUtf8());
      return;
    case olMHTML:
      WriteBytes(path, MhtFile(mail));
      return;
    case olRTF:
      WriteBytes(path, RtfFile(mail));
      return;
    case olMSG:
    case olMSGUnicode:
      WriteFile(path, TWriteRule::Plain, QStringLiteral("write"),
                [&](QFile& file) { WriteMsgFile(mail, &file, format == olMSGUnicode, QFileInfo(path).path()); });
      return;
    default:
      throw EComError(E_INVALIDARG, QStringLiteral("Unknown save format %1").arg(format));
  }
}

}  // namespace twkformats
