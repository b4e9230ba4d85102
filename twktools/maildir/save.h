// Crash-safe writing of maildir message files: a new file is written to
// tmp/, synced, linked into cur/ under a new unique name, and the directory
// synced; only then is an old file removed. Whatever step a crash
// interrupts, every message keeps at least one complete copy, and cur/ and
// new/ never hold a partial file.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

namespace twkmaildir {

// The file-system steps, for fault injection in tests: the hook runs before
// each step; a non-zero errno makes that step fail with it.
enum class TFileStep { Create, Write, Sync, Link, Rename, Unlink, SyncDir, Read };
using TFaultHook = std::function<int(TFileStep)>;
void SetFaultHook(TFaultHook hook);
// The hook's answer for step (0 without a hook).
int FaultFor(TFileStep step);

// A maildir file name split into the unique name and the info part
// (":2,FLAGS", or ";2,FLAGS" with Windows-safe separators; empty in new/).
struct TMaildirFileName {
  QString Unique;
  QString Info;
};
TMaildirFileName SplitMaildirFileName(const QString& fileName);
// The flag letters of the info part.
QString MaildirFlags(const QString& fileName);
// The delivery time (seconds since 1970) a unique name begins with; -1 when it has none.
std::int64_t DeliverySecondsOf(const QString& uniqueName);
// A new unique name "<now>.M<usec>P<pid>Q<n>.<host>".
QString NewUniqueName();
// A new unique name for a rewritten copy of the message named sourceUnique:
// the old name (without the size fields ",S=" and ",W=", which no longer
// hold) followed by ".TWK<usec>P<pid>Q<n>", so the copy keeps the delivery
// time and sorts exactly where the old file sorted. A new name when
// sourceUnique is empty.
QString DerivedUniqueName(const QString& sourceUnique);

// The maildir of a message file (the parent of its cur/ or new/).
QString MaildirOfFile(const QString& filePath);

// Writes bytes as a new message into maildir's cur/ with the info part
// (":2," when empty) and a name derived from sourceUnique; returns its path.
QString DeliverMessageFile(const QString& maildir, const QByteArray& bytes, const QString& info,
                           const QString& sourceUnique, unsigned mode = 0600);
// Replaces the message file oldPath by bytes under a new unique name
// (same delivery time, same flags); returns the new path. On failure the
// old file is untouched and no new file is left in cur/ or new/. Never two
// files of the message at once, should another program move it meanwhile.
QString ReplaceMessageFile(const QString& oldPath, const QByteArray& bytes);
// rename(2) that never replaces an existing file; -1 with errno set on failure.
int RenameNoReplace(const QString& from, const QString& to);
// Removes a message file that has a complete copy elsewhere, and syncs its directory.
void RemoveMessageFile(const QString& filePath);
// The whole file.
QByteArray ReadMessageFile(const QString& filePath);

// Syncs a directory, so the entries made in it survive a crash.
void SyncDirectory(const QString& dirPath);
// The same for a change that stands whether or not the sync succeeds.
bool TrySyncDirectory(const QString& dirPath);
// An error of the message store naming path, from errno.
[[noreturn]] void RaiseFileError(const QString& what, const QString& path, int error);

}  // namespace twkmaildir
