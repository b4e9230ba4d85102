#include "twktools/formats/HtmlToText.h"

#include "twktools/formats/HtmlTokens.h"

#include <QSet>

namespace twkformats {

namespace {

bool IsBlock(const QString& n) {
  static const QSet<QString> blocks = {
      QStringLiteral("p"),     QStringLiteral("div"),      QStringLiteral("h1"),    QStringLiteral("h2"),
      QStringLiteral("h3"),    QStringLiteral("h4"),       QStringLiteral("h5"),    QStringLiteral("h6"),
      QStringLiteral("ul"),    QStringLiteral("ol"),       QStringLiteral("li"),    QStringLiteral("table"),
      QStringLiteral("tr"),    QStringLiteral("blockquote"), QStringLiteral("pre"), QStringLiteral("hr"),
      QStringLiteral("address"), QStringLiteral("section"), QStringLiteral("article"), QStringLiteral("header"),
      QStringLiteral("footer"), QStringLiteral("dl"),       QStringLiteral("dt"),    QStringLiteral("dd"),
      QStringLiteral("form"),  QStringLiteral("center"),   QStringLiteral("body"),  QStringLiteral("html")};
  return blocks.contains(n);
}

class TTextBuilder {
public:
  void Text(const QString& t, bool pre) {
    for (QChar c : t) {
      if (pre) {
        if (c == u'\r') continue;
        if (c == u'\n') {
          NewLine();
          continue;
        }
        Put(c);
        continue;
      }
      if (c.isSpace() && c.unicode() != 0xA0) {
        FPendingSpace = true;
        continue;
      }
      if (FPendingSpace && !FLineStart) Put(u' ');
      FPendingSpace = false;
      Put(c.unicode() == 0xA0 ? QChar(u' ') : c);
    }
  }
  void Put(QChar c) {
    FOut += c;
    FLineStart = false;
  }
  void Raw(const QString& s) {
    FPendingSpace = false;
    for (QChar c : s) Put(c);
  }
  void NewLine() {
    FPendingSpace = false;
    FOut += u'\n';
    FLineStart = true;
  }
  // Ends the current line unless at a line start (a block boundary).
  void Break() {
    FPendingSpace = false;
    if (!FLineStart) NewLine();
  }
  QString Result() const {
    QString r = FOut;
    while (r.endsWith(u'\n')) r.chop(1);
    while (r.startsWith(u'\n')) r.remove(0, 1);
    return r.isEmpty() ? r : r + u'\n';
  }

private:
  QString FOut;
  bool FLineStart = true;
  bool FPendingSpace = false;
};

}  // namespace

QString HtmlToText(const QString& html) {
  TTextBuilder b;
  int pre = 0;
  bool skip = false;  // inside head, script, style or title
  QString skipUntil;
  for (const THtmlToken& t : TokenizeHtml(html)) {
    if (skip) {
      if (t.Kind == THtmlToken::EndTag && t.Name == skipUntil) skip = false;
      continue;
    }
    switch (t.Kind) {
      case THtmlToken::Text:
        b.Text(DecodeHtmlEntities(t.Raw), pre > 0);
        break;
      case THtmlToken::Comment:
      case THtmlToken::Other:
        break;
      case THtmlToken::StartTag:
        if (t.Name == u"head" || t.Name == u"script" || t.Name == u"style" || t.Name == u"title") {
          if (!t.SelfClosing) {
            skip = true;
            skipUntil = t.Name;
          }
        } else if (t.Name == u"br") {
          b.NewLine();
        } else if (t.Name == u"li") {
          b.Break();
          b.Raw(QStringLiteral("* "));
        } else if (t.Name == u"td" || t.Name == u"th") {
          b.Raw(QStringLiteral("\t"));
        } else if (t.Name == u"p" || (t.Name.size() == 2 && t.Name[0] == u'h' && t.Name[1].isDigit())) {
          b.Break();
          b.NewLine();
        } else if (t.Name == u"pre") {
          b.Break();
          ++pre;
        } else if (IsBlock(t.Name)) {
          b.Break();
        }
        break;
      case THtmlToken::EndTag:
        if (t.Name == u"pre" && pre > 0) --pre;
        if (IsBlock(t.Name)) b.Break();
        break;
    }
  }
  return b.Result();
}

}  // namespace twkformats
