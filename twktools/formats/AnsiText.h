// Strings in the ANSI code page for ANSI Outlook item files: Windows-1252
// unless TWK_ANSI_CODEPAGE names another by its Windows number.
#pragma once

#include <QByteArray>
#include <QString>

namespace twkformats {

struct TAnsiCodePage {
  int Number = 1252;
  QByteArray IconvName = "CP1252";
};

// Raises EComError(E_INVALIDARG) naming the variable when it is not a number
// or iconv does not know the code page.
TAnsiCodePage AnsiCodePage();

// A character the code page cannot hold becomes "?", or with htmlReferences
// a numeric character reference ("&#8364;"), so HTML loses nothing.
QByteArray ToAnsi(const QString& text, const TAnsiCodePage& codePage, bool htmlReferences = false);

}  // namespace twkformats
