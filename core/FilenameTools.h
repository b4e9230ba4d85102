// Path joining, file-name cleaning, the unique-name rule and a few wrapped
// file-system calls.
//
// Two kinds of path live side by side:
// - masks and folder display paths use "\" as their separator (a job file
//   written on Windows means the same here); `JoinMaskPath` joins them;
// - file-system paths are native ("/"); `JoinPath` joins a directory with a
//   name written with "\" separators (a mask result, "Tarnwick\Jobs"), turning
//   each "\" into "/". A "/" inside the name is not a separator there but a
//   character Linux cannot hold in a file name, so it is dropped: a folder name
//   in [O] or [OR] can never climb out of the destination directory.
// Both joins trim blanks and control characters at the right end of the
// directory and the left end of the name, add one separator after the
// directory unless it has one, and remove one (not more) from the name's start.
//
// "Trim" means removing every character with a code of 32 or less.
#pragma once

#include "core/DateTimeUtils.h"

#include <QString>

QString TrimStr(const QString& s);
QString TrimLeftStr(const QString& s);
QString TrimRightStr(const QString& s);

// Text with Suffix appended unless it already ends with it (exact test).
QString EnsureTrailing(const QString& text, const QString& suffix);
// Text without one leading occurrence of Prefix (exact test).
QString RemoveLeading(const QString& text, const QString& prefix);

// Native file-system join (see above).
QString JoinPath(const QString& dir, const QString& name);
// The "\" join of masks and folder display paths.
QString JoinMaskPath(const QString& dir, const QString& name);

// Trimmed, then "\" at both ends; the empty text gives "\".
QString EncloseInBackslashes(const QString& text);
// Trims, then removes every leading and trailing "\".
void TrimBackslashes(QString& s);

// Drops control characters and the nine characters Windows forbids in file
// names; surrogate pairs pass as one unit.
QString RemoveInvalidFileNameChars(const QString& s);
// RemoveInvalidFileNameChars, then blanks and dots stripped from both ends.
QString MakeValidFileName(const QString& s);
QString MakeValidFileNameDef(const QString& s, const QString& defaultName);
// The name an attachment is saved under: its file name made valid, else
// "Untitled Attachment"; a name that is only an extension (".eml") keeps
// it, after "Untitled Attachment".
QString AttachmentFileNameDef(const QString& fileName);

// The longest name that fits one path component (255 bytes in UTF-8): the
// name without its extension is shortened at a character boundary, `tag`
// (such as "-2") and the extension are kept after it. A name that fits is
// returned unchanged (with the tag inserted before the extension).
QString FitFileNameComponent(const QString& name, const QString& tag = QString());

// The "-%d" rule on a native path, then the directory part is created with
// its parents (failures there are left to the caller's write). Every
// component of Path is fitted with FitFileNameComponent first. Raises
// "Unable to create directory" only for an empty directory part.
void MakeUniqueFileName(QString& path, bool unique);

// Last-modification time to a local date-time in DOS 2-second resolution;
// dates outside 1980..2107 and files not writable leave it unchanged.
void SetFileDateTime(const QString& fileName, TDateTime dateTime);

// Makes path a directory with mode 0700, or checks the one that is there:
// raises unless it is a directory (not a link) of this user that nobody else
// may enter.
void EnsurePrivateDirectory(const QString& path);
// The user's private temporary directory, with a trailing "/": a usable
// $XDG_RUNTIME_DIR, else /tmp/tarnwick-UID (EnsurePrivateDirectory).
QString GetTempDirectory();
// The directory of the running program's real path, with a trailing "/".
QString GetModuleDirectory();
// Creates a new empty file named "twk..." in dir and returns its path.
QString CreateTempFileName(const QString& dir);
// Copies a file (content, permissions, modification time). Dest is written
// beside and renamed into place, so a failed copy never leaves a half file.
void CopyFileOrRaise(const QString& source, const QString& dest, bool overwrite);
