// Link files on disk and in e-mails: creating a link in the private link
// folder, and telling which attachments are links.
#pragma once

#include <QString>

class IRDOAttachment;

// The private folder links are made in: "TWKlinker" in the user's temporary
// directory (never a directory other users can write).
QString GetLinkFolder();

// Writes the link for target into the link folder and returns its path; an
// existing link of that name is replaced.
QString CreateLinkFile(const QString& target);

// An attachment is a link when it is visible, attached by value, and its
// file name ends in ".twk" (any case).
bool IsLinkAttachment(IRDOAttachment* attachment);
bool HasLinkExtension(const QString& fileName);
