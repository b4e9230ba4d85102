// Conversion between Unicode strings and the machine's ANSI code page, the
// 8-bit encoding of old job files (versions 50 and 52) and of "ID-u.log".
#pragma once

#include <QByteArray>
#include <QString>

// The iconv name of the ANSI code page: "CP1252" unless the environment
// variable TWK_ANSI_CODEPAGE names another code page by its Windows number
// (1251 gives "CP1251", 65001 gives "UTF-8"). A value that is not a number
// raises Exception naming the variable.
QString AnsiCodePageName();

// Bytes in the ANSI code page to a Unicode string, and back. A byte sequence
// or character that the code page cannot convert becomes "?" (as Windows'
// default character does); neither direction fails on content. An unknown
// code page raises Exception naming it.
QString AnsiToUnicode(const QByteArray& bytes);
QByteArray UnicodeToAnsi(const QString& text);
