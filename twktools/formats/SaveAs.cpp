#include "twktools/formats/SaveAs.h"

#include "twktools/formats/MsgWriter.h"
#include "twktools/formats/TextFormats.h"

#include <QSaveFile>

namespace twkformats {

void WriteFileSafely(const QString& path, const std::function<void(QIODevice*)>& write) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot create \"%1\": %2").arg(path, file.errorString()));
  try {
    write(&file);
  } catch (...) {
    file.cancelWriting();
    throw;
  }
  if (!file.commit())
    throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString()));
}

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes) {
  WriteFileSafely(path, [&](QIODevice* d) {
    if (d->write(bytes) != bytes.size())
      throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot write \"%1\": %2").arg(path, d->errorString()));
  });
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
      WriteFileSafely(path, [&](QIODevice* d) { WriteMsgFile(mail, d, format == olMSGUnicode); });
      return;
    default:
      throw EComError(E_INVALIDARG, QStringLiteral("Unknown save format %1").arg(format));
  }
}

}  // namespace twkformats
