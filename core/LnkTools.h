// Link files on disk and in e-mails: creating a link in the private link
// folder, reading the target of a link in any of its forms, and telling which
// attachments are links.
#pragma once

#include <QString>

class IRDOAttachment;

// The private folder links are made in: "TWKlinker" in the user's temporary
// directory (never a directory other users can write).
QString GetLinkFolder();

// Writes the link for target into the link folder and returns its path; an
// existing link of that name is replaced.
QString CreateLinkFile(const QString& target);

// The target of a shell link: a symbolic link, or a Windows shell link file
// read from its binary format. Empty when it cannot be resolved.
QString ResolveShellLink(const QString& fileName);

// The target a link file names, in any accepted form (a ".twk" link in any
// encoding, a shell link under any name); empty when the file is missing or
// names none. The target is not tested for existence.
QString GetLinkTarget(const QString& fileName);

// An attachment is a link when it is visible, attached by value, and its
// file name ends in ".twk" (any case).
bool IsLinkAttachment(IRDOAttachment* attachment);
bool HasLinkExtension(const QString& fileName);

// The target named by a link attachment: the attachment is saved to a
// private temporary file, read with GetLinkTarget and the copy deleted.
// An attachment far larger than any link is not saved at all (empty).
// Store and file errors are raised.
QString ReadLinkAttachmentTarget(IRDOAttachment* attachment);
