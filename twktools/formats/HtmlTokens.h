// A small HTML tokenizer shared by the sanitizer, the HTML-to-text
// conversion and the document builder. It never fails: anything it cannot
// read as markup stays text.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace twkformats {

struct THtmlToken {
  enum TKind { Text, StartTag, EndTag, Comment, Other };
  TKind Kind = Text;
  QString Raw;                              // the source text of the token
  QString Name;                             // tags: lower case
  QList<QPair<QString, QString>> Attributes;  // names lower case, values entity-decoded
  bool SelfClosing = false;
};

// The content of script, style, textarea and title comes as one Text token.
QList<THtmlToken> TokenizeHtml(const QString& html);

// script, style, textarea and title: their content is one Text token.
bool IsRawTextElement(const QString& name);

// Character references decoded. In an attribute value (attribute true) a
// named one without ";" before "=" or a letter or digit stays, as browsers
// read it ("?a=1&copy=2" is a URL, not a copyright sign).
QString DecodeHtmlEntities(const QString& text, bool attribute = false);
QString EscapeHtml(const QString& text);
// A decoded value for a double-quoted attribute: '"', '<', '>' and '&'
// escaped, except the '&' of a named reference this reader does not know
// (it decodes to no ASCII character, see DecodeHtmlEntities).
QString EscapeHtmlAttribute(const QString& value);

}  // namespace twkformats
