#include "twktools/formats/HtmlSanitizer.h"

#include "twktools/formats/HtmlTokens.h"

namespace twkformats {

namespace {

// A browser ignores controls and blanks inside a URL scheme ("java\tscript:"),
// so they are removed before the value is checked.
bool HoldsScriptUrl(const QString& value) {
  QString v;
  for (QChar c : value)
    if (c.unicode() > 32) v += c.toLower();
  return v.contains(QStringLiteral("javascript:")) || v.contains(QStringLiteral("vbscript:")) ||
         v.contains(QStringLiteral("livescript:")) || v.contains(QStringLiteral("data:text/html")) ||
         v.contains(QStringLiteral("expression("));
}

bool IsUnsafeAttribute(const QString& name, const QString& value) {
  return name.startsWith(QStringLiteral("on")) || name == u"srcdoc" || HoldsScriptUrl(value);
}

bool IsRefresh(const THtmlToken& tag) {
  if (tag.Name != u"meta") return false;
  for (const auto& a : tag.Attributes)
    if (a.first == u"http-equiv" && a.second.trimmed().compare(QStringLiteral("refresh"), Qt::CaseInsensitive) == 0)
      return true;
  return false;
}

}  // namespace

QString SanitizeHtml(const QString& html) {
  const QList<THtmlToken> tokens = TokenizeHtml(html);
  QString out;
  out.reserve(html.size());
  bool inScript = false;
  for (THtmlToken t : tokens) {
    if (inScript) {
      if (t.Kind == THtmlToken::EndTag && t.Name == u"script") inScript = false;
      continue;
    }
    switch (t.Kind) {
      case THtmlToken::Text:
      case THtmlToken::Other:
        out += t.Raw;
        break;
      case THtmlToken::Comment:
        break;  // conditional comments can carry markup of their own
      case THtmlToken::EndTag:
        if (t.Name != u"script") out += t.Raw;
        break;
      case THtmlToken::StartTag: {
        if (t.Name == u"script") {
          inScript = !t.SelfClosing;
          break;
        }
        if (IsRefresh(t)) break;
        bool changed = false;
        for (qsizetype i = t.Attributes.size() - 1; i >= 0; --i)
          if (IsUnsafeAttribute(t.Attributes[i].first, t.Attributes[i].second)) {
            t.Attributes.removeAt(i);
            changed = true;
          }
        out += changed ? SerializeStartTag(t) : t.Raw;
        break;
      }
    }
  }
  return out;
}

}  // namespace twkformats
