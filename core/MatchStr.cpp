#include "core/MatchStr.h"

bool IsAllStars(const QString& mask) {
  for (QChar c : mask)
    if (c != QLatin1Char('*')) return false;
  return true;
}

qsizetype FirstWildcardPos(const QString& mask) {
  for (qsizetype i = 0; i < mask.size(); ++i)
    if (mask[i] == QLatin1Char('*') || mask[i] == QLatin1Char('?')) return i + 1;
  return 0;
}

// The same answers as trying every length for each star in turn, without its
// exponential cost: literals and "?" advance both sides; on a mismatch the
// last star seen takes one more character and matching resumes behind it.
// Earlier stars never need to change, because the last star can absorb
// whatever a longer match of an earlier one would have covered.
bool MatchMask(const QString& text, const QString& mask) {
  const qsizetype tn = text.size(), mn = mask.size();
  qsizetype t = 0, m = 0;
  qsizetype starMask = -1, starText = 0;
  while (t < tn) {
    if (m < mn && mask[m] == QLatin1Char('*')) {
      starMask = m++;
      starText = t;
    } else if (m < mn && (mask[m] == QLatin1Char('?') || mask[m] == text[t])) {
      ++m;
      ++t;
    } else if (starMask >= 0) {
      m = starMask + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (m < mn && mask[m] == QLatin1Char('*')) ++m;
  return m == mn;
}
