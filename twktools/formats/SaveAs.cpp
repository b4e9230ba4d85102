#include "twktools/formats/SaveAs.h"

#include "twktools/formats/MsgWriter.h"
#include "twktools/formats/TextFormats.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace twkformats {

void WriteFileSafely(const QString& path, const std::function<void(QIODevice*)>& write) {
  // Unbuffered, so a failed write reports the system's reason (a full disk)
  // at once; written beside the target, synced, then renamed into place.
  QFile file;
  QString tmp;
  for (int n = 0;; ++n) {
    tmp = QStringLiteral("%1.twk-%2-%3").arg(path).arg(::getpid()).arg(n);
    file.setFileName(tmp);
    if (file.open(QIODevice::ReadWrite | QIODevice::NewOnly | QIODevice::Unbuffered)) break;
    if (!QFileInfo::exists(tmp) || n >= 100)
      throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot create \"%1\": %2").arg(path, file.errorString()));
  }
  auto fail = [&](const QString& reason) {
    file.close();
    QFile::remove(tmp);
    throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot write \"%1\": %2").arg(path, reason));
  };
  try {
    write(&file);
  } catch (...) {
    file.close();
    QFile::remove(tmp);
    throw;
  }
  if (::fsync(file.handle()) != 0) fail(QString::fromLocal8Bit(std::strerror(errno)));
  file.close();
  if (::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(path).constData()) != 0)
    fail(QString::fromLocal8Bit(std::strerror(errno)));
}

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes) {
  WriteFileSafely(path, [&](QIODevice* d) {
    // A full disk first shows as a short write; the next write names the reason.
    for (qsizetype done = 0; done < bytes.size();) {
      errno = 0;
      const qint64 n = d->write(bytes.constData() + done, bytes.size() - done);
      if (n <= 0) {
        const QString reason = errno ? QString::fromLocal8Bit(std::strerror(errno)) : d->errorString();
        throw EComError(MAPI_E_DISK_ERROR, QStringLiteral("Cannot write \"%1\": %2").arg(path, reason));
      }
      done += n;
    }
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
