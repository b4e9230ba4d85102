#include "twktools/formats/HtmlTokens.h"

#include <QHash>

namespace twkformats {

namespace {

bool IsHexDigit(QChar c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

bool IsSpace(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; }

const QHash<QString, char32_t>& NamedEntities() {
  static const QHash<QString, char32_t> table = {
      {QStringLiteral("amp"), U'&'},      {QStringLiteral("lt"), U'<'},       {QStringLiteral("gt"), U'>'},
      {QStringLiteral("quot"), U'"'},     {QStringLiteral("apos"), U'\''},    {QStringLiteral("nbsp"), 0xA0},
      {QStringLiteral("copy"), 0xA9},     {QStringLiteral("reg"), 0xAE},      {QStringLiteral("euro"), 0x20AC},
      {QStringLiteral("hellip"), 0x2026}, {QStringLiteral("mdash"), 0x2014},  {QStringLiteral("ndash"), 0x2013},
      {QStringLiteral("lsquo"), 0x2018},  {QStringLiteral("rsquo"), 0x2019},  {QStringLiteral("ldquo"), 0x201C},
      {QStringLiteral("rdquo"), 0x201D},  {QStringLiteral("bdquo"), 0x201E},  {QStringLiteral("sbquo"), 0x201A},
      {QStringLiteral("bull"), 0x2022},   {QStringLiteral("middot"), 0xB7},   {QStringLiteral("auml"), 0xE4},
      {QStringLiteral("ouml"), 0xF6},     {QStringLiteral("uuml"), 0xFC},     {QStringLiteral("Auml"), 0xC4},
      {QStringLiteral("Ouml"), 0xD6},     {QStringLiteral("Uuml"), 0xDC},     {QStringLiteral("szlig"), 0xDF},
      {QStringLiteral("eacute"), 0xE9},   {QStringLiteral("egrave"), 0xE8},   {QStringLiteral("agrave"), 0xE0},
      {QStringLiteral("aacute"), 0xE1},   {QStringLiteral("ccedil"), 0xE7},   {QStringLiteral("deg"), 0xB0},
      {QStringLiteral("laquo"), 0xAB},    {QStringLiteral("raquo"), 0xBB},    {QStringLiteral("shy"), 0xAD},
      {QStringLiteral("tab"), U'\t'},     {QStringLiteral("newline"), U'\n'}, {QStringLiteral("colon"), U':'},
      {QStringLiteral("trade"), 0x2122},  {QStringLiteral("times"), 0xD7},    {QStringLiteral("pound"), 0xA3},
      // Every named reference that stands for ASCII, so none of them hides
      // a URL scheme from the check ("java&Tab;script&colon;").
      {QStringLiteral("Tab"), U'\t'},     {QStringLiteral("NewLine"), U'\n'}, {QStringLiteral("excl"), U'!'},
      {QStringLiteral("QUOT"), U'"'},     {QStringLiteral("num"), U'#'},      {QStringLiteral("dollar"), U'$'},
      {QStringLiteral("percnt"), U'%'},   {QStringLiteral("AMP"), U'&'},      {QStringLiteral("lpar"), U'('},
      {QStringLiteral("rpar"), U')'},     {QStringLiteral("ast"), U'*'},      {QStringLiteral("midast"), U'*'},
      {QStringLiteral("plus"), U'+'},     {QStringLiteral("comma"), U','},    {QStringLiteral("period"), U'.'},
      {QStringLiteral("sol"), U'/'},      {QStringLiteral("semi"), U';'},     {QStringLiteral("LT"), U'<'},
      {QStringLiteral("equals"), U'='},   {QStringLiteral("GT"), U'>'},       {QStringLiteral("quest"), U'?'},
      {QStringLiteral("commat"), U'@'},   {QStringLiteral("lsqb"), U'['},     {QStringLiteral("lbrack"), U'['},
      {QStringLiteral("bsol"), U'\\'},    {QStringLiteral("rsqb"), U']'},     {QStringLiteral("rbrack"), U']'},
      {QStringLiteral("Hat"), U'^'},      {QStringLiteral("lowbar"), U'_'},   {QStringLiteral("UnderBar"), U'_'},
      {QStringLiteral("grave"), U'`'},    {QStringLiteral("DiacriticalGrave"), U'`'},
      {QStringLiteral("lcub"), U'{'},     {QStringLiteral("lbrace"), U'{'},   {QStringLiteral("verbar"), U'|'},
      {QStringLiteral("vert"), U'|'},     {QStringLiteral("VerticalLine"), U'|'},
      {QStringLiteral("rcub"), U'}'},     {QStringLiteral("rbrace"), U'}'},
  };
  return table;
}

// Reads a quoted or bare attribute value starting at i.
QString ReadValue(const QString& s, qsizetype& i) {
  if (i < s.size() && (s[i] == u'"' || s[i] == u'\'')) {
    const QChar q = s[i++];
    const qsizetype end = s.indexOf(q, i);
    const qsizetype stop = end < 0 ? s.size() : end;
    QString v = s.mid(i, stop - i);
    i = end < 0 ? s.size() : end + 1;
    return v;
  }
  const qsizetype start = i;
  while (i < s.size() && !IsSpace(s[i]) && s[i] != u'>') ++i;
  return s.mid(start, i - start);
}

// Parses the tag that starts at s[pos] == '<'; returns false when it is no tag.
bool ReadTag(const QString& s, qsizetype pos, THtmlToken& tok, qsizetype& next) {
  qsizetype i = pos + 1;
  const bool end = i < s.size() && s[i] == u'/';
  if (end) ++i;
  if (i >= s.size() || !s[i].isLetter()) return false;
  const qsizetype nameStart = i;
  while (i < s.size() && !IsSpace(s[i]) && s[i] != u'>' && s[i] != u'/') ++i;
  tok.Name = s.mid(nameStart, i - nameStart).toLower();
  tok.Kind = end ? THtmlToken::EndTag : THtmlToken::StartTag;
  while (i < s.size() && s[i] != u'>') {
    if (IsSpace(s[i])) {
      ++i;
      continue;
    }
    if (s[i] == u'/') {
      tok.SelfClosing = true;
      ++i;
      continue;
    }
    tok.SelfClosing = false;
    const qsizetype an = i;
    while (i < s.size() && !IsSpace(s[i]) && s[i] != u'>' && s[i] != u'=' && (s[i] != u'/' || i == an)) ++i;
    if (i == an) ++i;  // a stray '=' or quote: skip it
    const QString attrName = s.mid(an, i - an).toLower();
    while (i < s.size() && IsSpace(s[i])) ++i;
    QString value;
    if (i < s.size() && s[i] == u'=') {
      ++i;
      while (i < s.size() && IsSpace(s[i])) ++i;
      value = DecodeHtmlEntities(ReadValue(s, i), true);
    }
    if (!attrName.isEmpty()) tok.Attributes.append({attrName, value});
  }
  next = i < s.size() ? i + 1 : s.size();
  tok.Raw = s.mid(pos, next - pos);
  return true;
}

}  // namespace

bool IsRawTextElement(const QString& name) {
  return name == u"script" || name == u"style" || name == u"textarea" || name == u"title";
}

QList<THtmlToken> TokenizeHtml(const QString& s) {
  QList<THtmlToken> out;
  QString text;
  auto flushText = [&] {
    if (text.isEmpty()) return;
    THtmlToken t;
    t.Raw = text;
    out.append(t);
    text.clear();
  };
  qsizetype i = 0;
  while (i < s.size()) {
    if (s[i] != u'<') {
      text += s[i++];
      continue;
    }
    if (s.mid(i, 4) == u"<!--") {
      flushText();
      const qsizetype end = s.indexOf(QStringLiteral("-->"), i + 4);
      const qsizetype next = end < 0 ? s.size() : end + 3;
      THtmlToken t;
      t.Kind = THtmlToken::Comment;
      t.Raw = s.mid(i, next - i);
      out.append(t);
      i = next;
      continue;
    }
    if (i + 1 < s.size() && (s[i + 1] == u'!' || s[i + 1] == u'?')) {
      flushText();
      const qsizetype end = s.indexOf(u'>', i);
      const qsizetype next = end < 0 ? s.size() : end + 1;
      THtmlToken t;
      t.Kind = THtmlToken::Other;
      t.Raw = s.mid(i, next - i);
      out.append(t);
      i = next;
      continue;
    }
    THtmlToken tag;
    qsizetype next = 0;
    if (!ReadTag(s, i, tag, next)) {
      text += s[i++];
      continue;
    }
    flushText();
    out.append(tag);
    i = next;
    if (tag.Kind == THtmlToken::StartTag && !tag.SelfClosing && IsRawTextElement(tag.Name)) {
      // Raw text up to the matching end tag (or the end of the document).
      const qsizetype end = s.indexOf(QStringLiteral("</") + tag.Name, i, Qt::CaseInsensitive);
      const qsizetype stop = end < 0 ? s.size() : end;
      text = s.mid(i, stop - i);
      flushText();
      i = stop;
    }
  }
  flushText();
  return out;
}

QString DecodeHtmlEntities(const QString& s, bool attribute) {
  if (!s.contains(u'&')) return s;
  QString r;
  r.reserve(s.size());
  qsizetype i = 0;
  while (i < s.size()) {
    if (s[i] != u'&') {
      r += s[i++];
      continue;
    }
    qsizetype j = i + 1;
    char32_t code = 0;
    bool ok = false;
    if (j < s.size() && s[j] == u'#') {
      ++j;
      const bool hex = j < s.size() && (s[j] == u'x' || s[j] == u'X');
      if (hex) ++j;
      const qsizetype start = j;
      while (j < s.size() && j - start < 8 && (hex ? IsHexDigit(s[j]) : s[j].isDigit())) ++j;
      if (j > start) {
        code = char32_t(s.mid(start, j - start).toUInt(&ok, hex ? 16 : 10));
        if (!code || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
        ok = true;
      }
    } else {
      const qsizetype start = j;
      while (j < s.size() && j - start < 16 && s[j].isLetterOrNumber()) ++j;
      const auto it = NamedEntities().constFind(s.mid(start, j - start));
      const bool terminated = j < s.size() && s[j] == u';';
      const bool heldBack = attribute && !terminated && j < s.size() && (s[j] == u'=' || s[j].isLetterOrNumber());
      if (it != NamedEntities().constEnd() && !heldBack) {
        code = *it;
        ok = true;
      }
    }
    if (!ok) {
      r += s[i++];
      continue;
    }
    if (j < s.size() && s[j] == u';') ++j;
    r += QString::fromUcs4(&code, 1);
    i = j;
  }
  return r;
}

QString EscapeHtml(const QString& text) { return text.toHtmlEscaped(); }

QString EscapeHtmlAttribute(const QString& value) {
  QString r;
  r.reserve(value.size() + 8);
  for (qsizetype i = 0; i < value.size(); ++i) {
    const QChar c = value[i];
    if (c == u'"') {
      r += QStringLiteral("&quot;");
    } else if (c == u'<') {
      r += QStringLiteral("&lt;");
    } else if (c == u'>') {
      r += QStringLiteral("&gt;");
    } else if (c == u'&') {
      // "&hearts;" left by the decoder is a reference it does not know: the
      // browser shows the character.
      qsizetype j = i + 1;
      while (j < value.size() && j - i <= 32 && value[j].unicode() < 128 && value[j].isLetterOrNumber()) ++j;
      const bool unknownName = j > i + 1 && value[i + 1].isLetter() && j < value.size() && value[j] == u';' &&
                               !NamedEntities().contains(value.mid(i + 1, j - i - 1)) &&
                               value.mid(i + 1, j - i - 1) != u"fjlig";  // the one that gives two letters
      r += unknownName ? QStringLiteral("&") : QStringLiteral("&amp;");
    } else {
      r += c;
    }
  }
  return r;
}

}  // namespace twkformats
