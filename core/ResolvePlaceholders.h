// Placeholder masks: "\"-separated paths whose segments mix literal text with
// placeholders such as [OR], [SN] or [EYYYY]. Prepare computes every value
// once per mail; Execute turns masks into clean relative paths ("\"
// separators, no leading or trailing "\").
#pragma once

#include "core/DateTimeUtils.h"
#include "core/Exception.h"

#include <QString>
#include <QStringList>

class TMailFields;

// A malformed mask; the message is the one the caller handed to Execute.
class EInvalidMask : public Exception {
public:
  using Exception::Exception;
};

class TResolvePlaceholders {
public:
  TResolvePlaceholders() = default;

  // Computes every value except the five attachment values, which it clears.
  void Prepare(const QString& windowsUsername, const QString& outlookUsername, TDateTime curDate,
               const QStringList& meNames, const QString& curFolderPath, const QString& curRelativePath,
               const QString& curFolderName, const TMailFields& mailFields);
  // Resolves mask without the attachment placeholders; raises
  // EInvalidMask(exceptMsg) for a malformed mask.
  QString Execute(const QString& mask, const QString& exceptMsg);
  // The same with [FE], [F], [E], [F1], [E1] taken from attShortName.
  QString Execute(const QString& mask, const QString& exceptMsg, const QString& attShortName);
  // True when mask resolves against empty data; discards what was prepared.
  bool CheckMask(const QString& mask, bool attAllowed);

private:
  struct TPlaceholder;
  static const TPlaceholder kPlaceholders[];

  QString Resolve(const QString& mask, const QString& exceptMsg) const;
  QString ResolveSegment(const QString& segment, const QString& exceptMsg) const;

  bool FAttAllowed = false;
  QString F_O, F_OR, F_ON, F_SN, F_SE, F_SD, F_RN, F_RE, F_RD, F_ME, F_MN, F_NE, F_NN, F_B, F_B50, F_BX, F_BX50,
      F_EYYYY, F_EYY, F_EMM, F_EDD, F_EHH, F_ENN, F_ESS, F_CYYYY, F_CYY, F_CMM, F_CDD, F_CHH, F_CNN, F_CSS, F_FE,
      F_F, F_E, F_F1, F_E1, F_OU, F_WU;
};

// The domain of an address when it is a plain, clean one; else empty.
QString ExtractMailDomain(const QString& address);
// Leading two-letter prefixes with a colon ("RE:", "AW:") removed, trimmed.
QString StripReplyPrefixes(const QString& text);
// The text up to its n-th character; a surrogate pair is one character.
QString FirstChars(const QString& text, int n);
// p followed by text, with dots and blanks beside a "\" removed and repeated
// "\" collapsed.
QString AppendCleanPath(const QString& p, const QString& text);
