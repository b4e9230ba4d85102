#include "core/LnkTools.h"

#include "core/Exception.h"
#include "core/FilenameTools.h"
#include "core/ShellLink.h"
#include "core/TWKLink.h"
#include "twktools/TWKtools.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Links and shell links are a few kilobytes; a larger ".twk" attachment is
// not a link and is never written out to be read.
constexpr qint64 kMaxLinkAttachmentSize = 1 << 20;

}  // namespace

QString GetLinkFolder() {
  const QString dir = JoinPath(GetTempDirectory(), QStringLiteral("TWKlinker"));
  EnsurePrivateDirectory(dir);
  return dir;
}

QString CreateLinkFile(const QString& target) {
  const QString path = JoinPath(GetLinkFolder(), LinkFileNameFor(target));
  if (QFile::exists(path) && !QFile::remove(path))
    throw Exception(QStringLiteral("%1: the file cannot be deleted").arg(path));
  try {
    WriteLinkFile(target, path);
  } catch (...) {
    QFile::remove(path);  // a partial link is worthless; its removal's own failure changes nothing
    throw;
  }
  return path;
}

QString ResolveShellLink(const QString& fileName) {
  const QFileInfo info(fileName);
  // Only files are read: a fifo or device would block the reader.
  if (!info.isSymLink() && !info.isFile()) return QString();
  try {
    return ReadShellLinkFile(fileName);
  } catch (const Exception&) {
    return QString();  // unreadable: no target, as for any file that is no shell link
  }
}

QString GetLinkTarget(const QString& fileName) {
  const QFileInfo info(fileName);
  if (!info.isFile() && !info.isSymLink()) return QString();  // missing, a directory, a fifo
  QString target;
  if (!info.isSymLink()) {
    try {
      target = ReadLinkFile(fileName);
    } catch (const Exception&) {
      // Unreadable as a link file: it may still be a shell link.
    }
  }
  // The shell link is read from its content, so a shortcut saved under a
  // ".twk" name needs no copy under another extension.
  if (target.isEmpty()) target = ResolveShellLink(fileName);
  return target;
}

bool HasLinkExtension(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  return dot >= 0 && fileName.mid(dot).compare(QLatin1String(".twk"), Qt::CaseInsensitive) == 0;
}

bool IsLinkAttachment(IRDOAttachment* attachment) {
  return !attachment->Hidden() && attachment->Type() == olByValue && HasLinkExtension(attachment->FileName());
}

QString ReadLinkAttachmentTarget(IRDOAttachment* attachment) {
  if (attachment->Size() > kMaxLinkAttachmentSize) return QString();
  const QString fileName = attachment->FileName();
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  const QString reserved = TrimStr(CreateTempFileName(GetTempDirectory()));
  const QString copy = reserved + (dot >= 0 ? fileName.mid(dot) : QString());
  struct TCleanUp {
    QString Reserved, Copy;
    // Failures of the deletion change nothing: the private directory is the user's own.
    ~TCleanUp() {
      QFile::remove(Copy);
      QFile::remove(Reserved);
    }
  } cleanUp{reserved, copy};
  attachment->SaveAsFile(copy);
  return QFile::exists(copy) ? GetLinkTarget(copy) : QString();
}
