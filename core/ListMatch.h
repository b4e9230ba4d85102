// Matching against lists of masks, include/exclude conditions, and the
// clean-up of a mask list typed by the user. Case is ignored here (both sides
// upper-cased with the user's locale).
#pragma once

#include <QString>
#include <QStringList>

// True when text matches at least one mask of the list; false for an empty list.
bool MatchMaskList(const QString& text, const QStringList& list);
// False when a non-empty include list has no match or a non-empty exclude
// list has one; otherwise true.
bool IncludeExcludeMatch(const QString& text, const QStringList& includeList, const QStringList& excludeList);
// True when at least one value passes IncludeExcludeMatch; false for no values.
bool AnyIncludeExcludeMatch(const QStringList& values, const QStringList& includeList,
                            const QStringList& excludeList);
// Every line trimmed, empty lines removed, order kept.
void CleanMaskList(QStringList& list);
