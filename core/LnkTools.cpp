#include "core/LnkTools.h"

#include "core/Exception.h"
#include "core/FilenameTools.h"
#include "core/TWKLink.h"
#include "twktools/TWKtools.h"

#include <QFile>

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

bool HasLinkExtension(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  return dot >= 0 && fileName.mid(dot).compare(QLatin1String(".twk"), Qt::CaseInsensitive) == 0;
}

bool IsLinkAttachment(IRDOAttachment* attachment) {
  return !attachment->Hidden() && attachment->Type() == olByValue && HasLinkExtension(attachment->FileName());
}
