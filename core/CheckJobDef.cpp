#include "core/CheckJobDef.h"

#include "core/ResolvePlaceholders.h"

#include <QLocale>

bool IsValidMask(const QString& mask, bool attAllowed) {
  TResolvePlaceholders resolver;
  return resolver.CheckMask(mask, attAllowed);
}

bool MaskUsesOwnAddresses(const QString& mask) {
  const QString upper = QLocale::system().toUpper(mask);
  for (const char* ph : {"[MN]", "[ME]", "[NN]", "[NE]"})
    if (upper.contains(QLatin1String(ph))) return true;
  return false;
}
