#include "core/ListMatch.h"

#include "core/FilenameTools.h"
#include "core/MatchStr.h"

#include <QLocale>

bool MatchMaskList(const QString& text, const QStringList& list) {
  if (list.isEmpty()) return false;
  const QLocale locale = QLocale::system();
  const QString upperText = locale.toUpper(text);
  for (const QString& mask : list)
    if (MatchMask(upperText, locale.toUpper(mask))) return true;
  return false;
}

bool IncludeExcludeMatch(const QString& text, const QStringList& includeList, const QStringList& excludeList) {
  if (!includeList.isEmpty() && !MatchMaskList(text, includeList)) return false;
  if (!excludeList.isEmpty() && MatchMaskList(text, excludeList)) return false;
  return true;
}

bool AnyIncludeExcludeMatch(const QStringList& values, const QStringList& includeList,
                            const QStringList& excludeList) {
  for (const QString& value : values)
    if (IncludeExcludeMatch(value, includeList, excludeList)) return true;
  return false;
}

void CleanMaskList(QStringList& list) {
  for (qsizetype i = list.size() - 1; i >= 0; --i) {
    const QString trimmed = TrimStr(list[i]);
    if (trimmed.isEmpty())
      list.removeAt(i);
    else
      list[i] = trimmed;
  }
}
