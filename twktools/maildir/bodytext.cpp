#include "twktools/maildir/bodytext.h"

#include "twktools/formats/HtmlToText.h"
#include "twktools/formats/HtmlTokens.h"
#include "twktools/maildir/mimesupport.h"

#include <QSet>

namespace twkmaildir {

namespace {

enum TLeafKind : int { lkPlain = 1, lkHtml = 2, lkOtherText = 4 };

int KindOf(GMimeObject* leaf) {
  if (IsType(leaf, "text", "html")) return lkHtml;
  if (IsType(leaf, "text", "plain")) return lkPlain;
  return lkOtherText;
}

// The body leaves in the order a reader shows them, for one form: every
// child of a mixed (or other) multipart, one child of an alternative.
class TBodyOrder {
public:
  TBodyOrder(const TMimeLayout& layout, int preferred) : FPreferred(preferred) {
    for (GMimeObject* part : layout.Body) FBody.insert(part);
  }

  std::vector<GMimeObject*> Leaves;

  void Walk(GMimeObject* node, int depth) {
    if (!node || depth > kMaxMimeDepth) return;
    if (!GMIME_IS_MULTIPART(node)) {
      if (FBody.contains(node)) Leaves.push_back(node);
      return;
    }
    GMimeMultipart* multi = GMIME_MULTIPART(node);
    const int count = g_mime_multipart_get_count(multi);
    if (IsType(node, "multipart", "alternative")) return Walk(Chosen(multi, count, depth), depth + 1);
    for (int i = 0; i < count; ++i) Walk(g_mime_multipart_get_part(multi, i), depth + 1);
  }

private:
  // Alternatives come in rising order of preference: the last one that holds
  // the preferred form, else the last one that holds any body text.
  GMimeObject* Chosen(GMimeMultipart* alternative, int count, int depth) {
    GMimeObject* any = nullptr;
    for (int i = count - 1; i >= 0; --i) {
      GMimeObject* child = g_mime_multipart_get_part(alternative, i);
      const int kinds = KindsIn(child, depth + 1);
      if (kinds & FPreferred) return child;
      if (kinds && !any) any = child;
    }
    return any;
  }

  int KindsIn(GMimeObject* node, int depth) {
    if (!node || depth > kMaxMimeDepth) return 0;
    if (!GMIME_IS_MULTIPART(node)) return FBody.contains(node) ? KindOf(node) : 0;
    GMimeMultipart* multi = GMIME_MULTIPART(node);
    int kinds = 0;
    for (int i = 0; i < g_mime_multipart_get_count(multi); ++i)
      kinds |= KindsIn(g_mime_multipart_get_part(multi, i), depth + 1);
    return kinds;
  }

  int FPreferred;
  QSet<GMimeObject*> FBody;
};

std::vector<GMimeObject*> BodyLeaves(GMimeObject* root, const TMimeLayout& layout, int preferred) {
  TBodyOrder order(layout, preferred);
  order.Walk(root, 0);
  return std::move(order.Leaves);
}

// Where more content goes into an HTML document: before its body's end tag,
// or at its end when it has none.
qsizetype InsertionPoint(const QString& html) {
  const qsizetype body = html.lastIndexOf(QLatin1String("</body"), -1, Qt::CaseInsensitive);
  return body >= 0 ? body : html.size();
}

}  // namespace

QString BodyLeafText(GMimeObject* part, const TMimeLayout& layout) {
  QByteArray raw;
  bool rest = false;
  for (const auto& [leaf, text] : layout.TextRests)
    if (leaf == part) {
      raw = text;  // the text without the uuencoded files it carried
      rest = true;
    }
  if (!rest) raw = DecodedBytes(part);
  const char* charset = g_mime_object_get_content_type_parameter(part, "charset");
  if (GMimeFilter* filter = charset ? g_mime_filter_charset_new(charset, "utf-8") : nullptr) {
    TGPtr<GMimeStream> mem(g_mime_stream_mem_new());
    TGPtr<GMimeStream> converted(g_mime_stream_filter_new(mem.get()));
    g_mime_stream_filter_add(GMIME_STREAM_FILTER(converted.get()), filter);
    g_object_unref(filter);
    g_mime_stream_write(converted.get(), raw.constData(), size_t(raw.size()));
    g_mime_stream_flush(converted.get());
    GByteArray* a = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(mem.get()));
    return QString::fromUtf8(reinterpret_cast<const char*>(a->data), qsizetype(a->len));
  }
  // No charset, or one unknown here: the fallback charsets decide.
  return From8Bit(raw.constData(), raw.size());
}

QString ComposedPlainBody(GMimeObject* root, const TMimeLayout& layout) {
  const std::vector<GMimeObject*> leaves = BodyLeaves(root, layout, lkPlain);
  bool anyText = false;
  for (GMimeObject* leaf : leaves) anyText = anyText || KindOf(leaf) != lkHtml;
  // A TNEF stream's text serves a message without other body.
  if (!anyText) return leaves.empty() ? layout.ContainerBody : QString();
  QString body;
  for (GMimeObject* leaf : leaves) {
    const QString text = BodyLeafText(leaf, layout);
    if (!body.isEmpty() && !body.endsWith(u'\n')) body += u'\n';
    body += KindOf(leaf) == lkHtml ? twkformats::HtmlToText(text) : text;
  }
  return body;
}

QString ComposedHtmlBody(GMimeObject* root, const TMimeLayout& layout) {
  const std::vector<GMimeObject*> leaves = BodyLeaves(root, layout, lkHtml);
  QString html;
  QString before;  // text that comes ahead of the first HTML leaf
  bool seenHtml = false;
  for (GMimeObject* leaf : leaves) {
    QString piece = BodyLeafText(leaf, layout);
    if (KindOf(leaf) != lkHtml) piece = QStringLiteral("<pre>") + twkformats::EscapeHtml(piece) + QStringLiteral("</pre>\n");
    if (!seenHtml && KindOf(leaf) != lkHtml) {
      before += piece;
    } else if (!seenHtml) {
      seenHtml = true;
      html = piece;
    } else {
      html.insert(InsertionPoint(html), piece);
    }
  }
  if (!seenHtml) return {};
  // Text ahead of the HTML goes at the start of its body.
  const qsizetype body = html.indexOf(QLatin1String("<body"), 0, Qt::CaseInsensitive);
  const qsizetype open = body >= 0 ? html.indexOf(u'>', body) : -1;
  html.insert(open >= 0 ? open + 1 : 0, before);
  return html;
}

}  // namespace twkmaildir
