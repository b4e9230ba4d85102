// Shell links on Linux: a symbolic link, or a Windows shell link (.lnk) file
// read from its published binary format.
#pragma once

#include <QByteArray>
#include <QString>

// The target a Windows shell link names: the LinkInfo's local base path and
// common path suffix (or its network share and suffix); without LinkInfo, the
// string data's relative path, below its working directory when it has one.
// Empty for anything that is not a well-formed shell link (truncated or
// forged data never reads outside the bytes).
QString ParseShellLink(const QByteArray& bytes);

// The target of a symbolic link, or of a Windows shell link file; empty when
// the file is neither.
QString ReadShellLinkFile(const QString& fileName);
