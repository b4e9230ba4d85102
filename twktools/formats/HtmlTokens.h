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

// A start tag written back from its name and attributes.
QString SerializeStartTag(const THtmlToken& tag);

QString DecodeHtmlEntities(const QString& text);
QString EscapeHtml(const QString& text);

}  // namespace twkformats
