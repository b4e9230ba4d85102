#include "twktools/maildir/copy.h"

#include "twktools/maildir/save.h"
#include "twktools/session/StoreBackend.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace twkmaildir {

namespace {

void TellAdded(MailFolder* folder, const QString& path) {
  if (folder) folder->MessageAdded(path);
}

}  // namespace

MailFolder* DestinationMailFolder(IRDOFolder* folder) {
  auto* mail = dynamic_cast<MailFolder*>(folder);
  if (!mail || mail->MaildirPath().isEmpty())
    throw EComError(MAPI_E_NO_SUPPORT, QStringLiteral("The destination folder \"%1\" is not a mail folder")
                                           .arg(folder ? folder->FolderPath() : QString()));
  return mail;
}

QString CopyMessageFile(const QByteArray& bytes, const QString& sourceFileName, MailFolder* dest) {
  const TMaildirFileName name = SplitMaildirFileName(sourceFileName);
  const QString path = DeliverMessageFile(dest->MaildirPath(), bytes, name.Info, name.Unique);
  TellAdded(dest, path);
  return path;
}

QString MoveMessageFile(const QString& oldPath, MailFolder* source, MailFolder* dest) {
  const QString destMaildir = dest->MaildirPath();
  const TMaildirFileName name = SplitMaildirFileName(QFileInfo(oldPath).fileName());
  const QString info = name.Info.isEmpty() ? QStringLiteral(":2,") : name.Info;
  QString unique = name.Unique;
  QString target;
  for (int attempt = 0;; ++attempt) {
    target = destMaildir + QStringLiteral("/cur/") + unique + info;
    const int rc = RenameNoReplace(oldPath, target);
    if (rc == 0) break;
    if (errno == EXDEV) {
      // Another file system: a synced copy first, the original removed only then.
      const QString path = DeliverMessageFile(destMaildir, ReadMessageFile(oldPath), info, name.Unique);
      try {
        RemoveMessageFile(oldPath);
      } catch (...) {
        ::unlink(QFile::encodeName(path).constData());
        throw;
      }
      if (source) source->MessageRemoved(oldPath);
      TellAdded(dest, path);
      return path;
    }
    if (errno != EEXIST || attempt > 100) RaiseFileError(QStringLiteral("move the message file"), oldPath, errno);
    unique = DerivedUniqueName(name.Unique);
  }
  // The rename is atomic and done; should a sync fail, a crash leaves the
  // message in exactly one of the two places, so the move stands.
  TrySyncDirectory(destMaildir + QStringLiteral("/cur"));
  TrySyncDirectory(QFileInfo(oldPath).absolutePath());
  if (source) source->MessageRemoved(oldPath);
  TellAdded(dest, target);
  return target;
}

TwkPtr<IRDOMail> CopyArchivedMessage(IRDOFolder* folder, const QByteArray& bytes, bool unread, std::int64_t arrival) {
  if (auto* other = dynamic_cast<twksession::TMessageDestination*>(folder)) return other->StoreMessage(bytes, unread, arrival);
  MailFolder* dest = DestinationMailFolder(folder);
  // The new file's name begins with the arrival time and carries the read flag.
  const QString name = QString::number(arrival) + (unread ? QStringLiteral(":2,") : QStringLiteral(":2,S"));
  const QString path = CopyMessageFile(bytes, name, dest);
  const timespec times[2] = {{arrival, 0}, {arrival, 0}};
  ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
  return OpenStoredMessage(dest, path);
}

}  // namespace twkmaildir
