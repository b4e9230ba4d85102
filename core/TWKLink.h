// Link files (".twk"): a small UTF-16LE file, "TWK" and the target path on
// two lines, attached to an e-mail in place of an exported attachment.
#pragma once

#include <QString>

// Creates or replaces linkFileName with the link to target.
void WriteLinkFile(const QString& target, const QString& linkFileName);

// The target named by a link file; empty when the file is not a link. Read
// errors are raised.
QString ReadLinkFile(const QString& linkFileName);

// The link's bytes, as WriteLinkFile writes them.
QByteArray LinkFileBytes(const QString& target);

// The name of the link for a target (its file name part): report.pdf gives
// report-pdf.twk, README gives README.twk, archive.tar.gz archive.tar-gz.twk.
QString LinkFileNameFor(const QString& target);
