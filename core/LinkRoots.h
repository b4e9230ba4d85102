// The directories links may point into: every directory an attachment export
// with links wrote into, and every new directory of a relocation, kept in the
// settings ("LinkRoots"). A link whose target lies below none of them may be
// forged (an incoming e-mail can carry any link file) and is never turned
// into the file it names without the user's own answer.
#pragma once

#include <QString>
#include <QStringList>

class TLinkRoots {
public:
  // The recorded directories, read from the settings.
  void Load();
  const QStringList& Roots() const { return FRoots; }

  // True when target, a file-system path, lies in or below a recorded
  // directory. Both sides are compared resolved (links and ".." followed),
  // so a target cannot climb out of a root by its spelling.
  bool Covers(const QString& target) const;

  // Adds dir (made absolute and resolved) unless a recorded directory
  // already covers it, and writes the list back. False when the settings
  // could not be written; the list in memory holds dir either way.
  bool Record(const QString& dir);

private:
  QStringList FRoots;
};
