// One text against one mask with the wildcards "*" (any run, also none) and
// "?" (exactly one UTF-16 code unit), anchored at both ends, case-sensitive.
#pragma once

#include <QString>

// True for the empty mask and for a mask of "*" only.
bool IsAllStars(const QString& mask);
// 1-based position of the first "*" or "?"; 0 when there is none.
qsizetype FirstWildcardPos(const QString& mask);
// True when the whole text matches the whole mask.
bool MatchMask(const QString& text, const QString& mask);
