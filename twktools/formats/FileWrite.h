// The store component's one way of writing a file to a path.
//
// Plain: a path where nothing is yet is written directly (a caller that
// needs the file whole or not at all even across a crash gives a temporary
// name and renames it: the engine does); a failed write removes what it
// wrote. An existing file is replaced only by a complete new one, written
// beside it and renamed over it. Nothing is synced.
// Beside: always beside and renamed, nothing synced: a reader that may open
// the file at any time sees the old one or the new one whole.
// Durable: always beside, synced, renamed, the directory synced.
#pragma once

#include <QFile>
#include <QString>
#include <functional>

namespace twkformats {

enum class TWriteRule { Plain, Beside, Durable };

// Runs write on an unbuffered file open for reading and writing; errors
// name path: "Cannot <what> "<path>": <reason>".
void WriteFile(const QString& path, TWriteRule rule, const QString& what, const std::function<void(QFile&)>& write);

// Writes all of data to file; a full disk is reported with the system's
// reason ("Cannot <what> "<path>": ...").
void WriteAllTo(QFile& file, const char* data, qint64 size, const QString& what, const QString& path);
// Appends the whole file source to file in constant memory; read errors
// name source, write errors path.
void CopyFileInto(QFile& file, const QString& source, const QString& what, const QString& path);

// The component's error for a failed file operation on path, from errno.
[[noreturn]] void RaiseFileWriteError(const QString& what, const QString& path, int error);

}  // namespace twkformats
