#include "twktools/formats/HtmlSanitizer.h"

#include "twktools/formats/HtmlTokens.h"

#include <QSet>

namespace twkformats {

const QLatin1String kContentSecurityPolicy(
    "default-src 'none'; img-src data: cid: http: https:; style-src 'unsafe-inline'; "
    "form-action 'none'; base-uri 'none'");

QString ContentSecurityPolicyMeta() {
  return QStringLiteral("<meta http-equiv=\"Content-Security-Policy\" content=\"") + kContentSecurityPolicy +
         QStringLiteral("\">");
}

namespace {

// Gone with everything up to their end tag: a browser never shows it.
bool DropsContent(const QString& name) { return name == u"script" || name == u"iframe"; }

// Gone as tags; what they hold stays (an object's fallback content, say).
bool DropsTag(const THtmlToken& tag) {
  static const QSet<QString> names = {
      QStringLiteral("frame"),   QStringLiteral("frameset"),     QStringLiteral("object"),
      QStringLiteral("embed"),   QStringLiteral("applet"),       QStringLiteral("param"),
      QStringLiteral("base"),    QStringLiteral("link"),         QStringLiteral("portal"),
      QStringLiteral("plaintext"), QStringLiteral("set"),        QStringLiteral("animate"),
      QStringLiteral("animatemotion"), QStringLiteral("animatetransform"), QStringLiteral("handler"),
      QStringLiteral("listener")};
  if (names.contains(tag.Name)) return true;
  if (tag.Name != u"meta") return false;
  for (const auto& a : tag.Attributes)
    if (a.first == u"http-equiv") return true;  // refresh, set-cookie and the like
  return false;
}

bool IsAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Names written back only when a browser reads them as the same name.
bool IsPlainName(const QString& name, bool attribute) {
  if (name.isEmpty()) return false;
  if (!(IsAsciiLetter(name[0]) || (attribute && (name[0] == u'_' || name[0] == u':')))) return false;
  for (QChar c : name)
    if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != u'-' && c != u'_' && c != u':' && c != u'.') return false;
  return true;
}

// A browser ignores controls and blanks inside a URL scheme ("java\tscript:"),
// so they are removed before the value is checked. NUL is the exception: the
// browser reads it as U+FFFD, a character that stays ("\0#a" is no fragment).
QString Squeezed(const QString& value) {
  QString v;
  v.reserve(value.size());
  for (QChar c : value) {
    if (c.unicode() == 0) v += QChar(QChar::ReplacementCharacter);
    else if (c.unicode() > 32) v += c.toLower();
  }
  return v;
}

bool HoldsActiveCode(const QString& squeezed) {
  for (const char* marker : {"javascript:", "vbscript:", "livescript:", "mocha:", "data:text/html", "expression(",
                             "-moz-binding", "behavior:"})
    if (squeezed.contains(QLatin1String(marker))) return true;
  return false;
}

bool IsUnsafeAttribute(const THtmlToken& tag, const QString& name, const QString& value) {
  if (name.startsWith(QStringLiteral("on")) || name == u"srcdoc" || name == u"action" || name == u"formaction")
    return true;
  const QString v = Squeezed(value);
  if (HoldsActiveCode(v)) return true;
  // A data URL is only ever an image here.
  if (v.startsWith(QStringLiteral("data:")) && !v.startsWith(QStringLiteral("data:image/"))) return true;
  // SVG use loads whole documents; only references within this one stay:
  // a "#" after nothing but blanks (a control character before it may be
  // read as another character, so it does not count as blank here).
  if (tag.Name == u"use" && (name == u"href" || name == u"xlink:href")) {
    qsizetype i = 0;
    while (i < value.size() && QStringView(u" \t\n\r\f").contains(value[i])) ++i;
    if (i == value.size() || value[i] != u'#') return true;
  }
  return false;
}

QString SanitizedStartTag(const THtmlToken& tag) {
  QString r = QLatin1Char('<') + tag.Name;
  QSet<QString> seen;
  for (const auto& [name, value] : tag.Attributes) {
    // A browser takes the first of repeated attributes and ignores the rest.
    if (!IsPlainName(name, true) || seen.contains(name)) continue;
    seen.insert(name);
    if (IsUnsafeAttribute(tag, name, value)) continue;
    r += QLatin1Char(' ') + name + QStringLiteral("=\"") + EscapeHtmlAttribute(value) + QLatin1Char('"');
  }
  r += tag.SelfClosing ? QStringLiteral(" />") : QStringLiteral(">");
  return r;
}

// Text where a browser finds markup, outside a raw-text element: no "<" or
// ">" is left to start a tag (entities stay, they decode to text).
QString SanitizedText(const QString& text) {
  QString r;
  r.reserve(text.size());
  for (QChar c : text) {
    if (c == u'<') r += QStringLiteral("&lt;");
    else if (c == u'>') r += QStringLiteral("&gt;");
    else r += c;
  }
  return r;
}

// A style sheet is raw text in HTML but markup inside SVG or MathML, so it
// keeps no "<" at all: the comment opener CSS ignores goes, any other "<"
// becomes the CSS escape. A sheet with active code goes whole, also code
// spelt with character references (they are decoded there).
QString SanitizedStyleSheet(const QString& css) {
  if (HoldsActiveCode(Squeezed(css)) || HoldsActiveCode(Squeezed(DecodeHtmlEntities(css)))) return QString();
  QString r = css;
  r.remove(QStringLiteral("<!--"));
  r.replace(u'<', QStringLiteral("\\3C "));
  return r;
}

}  // namespace

QString SanitizeHtml(const QString& html) {
  QString out;
  out.reserve(html.size());
  QString skipUntil;  // the end tag that ends dropped content
  QString rawText;    // the raw-text element the tokenizer is in
  for (const THtmlToken& t : TokenizeHtml(html)) {
    if (!skipUntil.isEmpty()) {
      if (t.Kind == THtmlToken::EndTag && t.Name == skipUntil) skipUntil.clear();
      continue;
    }
    switch (t.Kind) {
      case THtmlToken::Text:
        out += rawText == u"style" ? SanitizedStyleSheet(t.Raw) : SanitizedText(t.Raw);
        break;
      case THtmlToken::Comment:  // conditional comments can carry markup of their own
      case THtmlToken::Other:    // doctypes, CDATA, processing instructions
        break;
      case THtmlToken::EndTag:
        if (!rawText.isEmpty()) {
          // Whatever its spelling ("</style foo>", "</stylex>"), it ended the
          // raw text: written as the element's own end tag.
          out += QStringLiteral("</") + rawText + u'>';
          rawText.clear();
          break;
        }
        if (IsPlainName(t.Name, false) && !DropsContent(t.Name) && !DropsTag(t)) out += QStringLiteral("</") + t.Name + u'>';
        break;
      case THtmlToken::StartTag:
        if (DropsContent(t.Name)) {
          if (!t.SelfClosing) skipUntil = t.Name;
          break;
        }
        if (!IsPlainName(t.Name, false) || DropsTag(t)) break;
        out += SanitizedStartTag(t);
        if (!t.SelfClosing && IsRawTextElement(t.Name)) rawText = t.Name;
        break;
    }
  }
  return out;
}

}  // namespace twkformats
