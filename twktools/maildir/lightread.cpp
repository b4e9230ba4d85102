#include "twktools/maildir/lightread.h"

#include "twktools/maildir/datevalue.h"
#include "twktools/maildir/mimeclass.h"
#include "twktools/maildir/mimesupport.h"
#include "twktools/maildir/mimewalk.h"
#include "twktools/maildir/simplefields.h"
#include "twktools/maildir/tnef.h"
#include "twktools/maildir/uuencode.h"

#include <QByteArrayView>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>

namespace twkmaildir {

namespace {

// Deeper MIME nesting than this is left to GMime.
constexpr int kMaxLightDepth = 8;

// Thrown inside the reader: the message is outside the subset it handles.
struct ELightUnsupported {};

[[noreturn]] void Unsupported() { throw ELightUnsupported{}; }

struct TRawField {
  QByteArrayView Name;
  const char* Value = nullptr;  // after the colon, up to and with the last line end (GMime's raw value)
  const char* ValueEnd = nullptr;
  QByteArray Raw() const { return QByteArray(Value, ValueEnd - Value); }
};

bool IsNameChar(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// The end of the line at p (at its '\n'); only 7-bit bytes without NUL, CR
// only before the line end.
const char* LineEnd(const char* p, const char* end) {
  const char* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
  if (!nl) Unsupported();
  for (const char* q = p; q < nl; ++q) {
    const unsigned char c = static_cast<unsigned char>(*q);
    if (c == 0 || c >= 0x80 || (c == '\r' && q + 1 != nl)) Unsupported();
  }
  return nl;
}

struct THeaderBlock {
  std::vector<TRawField> Fields;
  const char* BlankLine = nullptr;  // the line that ends the block
  const char* Body = nullptr;       // just past it

  // The one field of this name; null when absent. A repeated field is left
  // to GMime (which of them counts is its business).
  const TRawField* Single(const char* name) const {
    const TRawField* found = nullptr;
    for (const TRawField& f : Fields) {
      if (f.Name.compare(QByteArrayView(name), Qt::CaseInsensitive) != 0) continue;
      if (found) Unsupported();
      found = &f;
    }
    return found;
  }
};

// Header lines: "Name: value" with a plain name, continuation lines that
// carry text, up to an empty line.
THeaderBlock SplitHeaders(const char* p, const char* end) {
  THeaderBlock block;
  while (p < end) {
    if (*p == '\n' || (*p == '\r' && p + 1 < end && p[1] == '\n')) {
      block.BlankLine = p;
      block.Body = p + (*p == '\n' ? 1 : 2);
      return block;
    }
    const char* nl = LineEnd(p, end);
    if (*p == ' ' || *p == '\t') {
      if (block.Fields.empty()) Unsupported();
      const char* q = p;
      while (q < nl && (*q == ' ' || *q == '\t' || *q == '\r')) ++q;
      if (q == nl) Unsupported();
      block.Fields.back().ValueEnd = nl + 1;
    } else {
      const char* q = p;
      while (q < nl && IsNameChar(static_cast<unsigned char>(*q))) ++q;
      if (q == p || q == nl || *q != ':') Unsupported();
      block.Fields.push_back({QByteArrayView(p, q - p), q + 1, nl + 1});
    }
    p = nl + 1;
  }
  Unsupported();
}

template <class T>
TGPtr<T> ParsedField(const TRawField* field, T* (*parse)(GMimeParserOptions*, const char*)) {
  if (!field) return {};
  // GMime parses the unfolded value: without the line end, which an
  // unterminated quoted parameter would otherwise take in.
  char* unfolded = g_mime_utils_header_unfold(field->Raw().constData());
  TGPtr<T> parsed(parse(nullptr, unfolded));
  g_free(unfolded);
  return parsed;
}

// No transfer encoding, or one that leaves the bytes as they are.
bool IsIdentityEncoding(const TRawField* field) {
  if (!field) return true;
  const QByteArray value = field->Raw().trimmed().toLower();
  return value == "7bit" || value == "8bit" || value == "binary";
}

bool IsQuotedPrintable(const TRawField* field) {
  return field && field->Raw().trimmed().toLower() == "quoted-printable";
}

struct TLightPart {
  TGPtr<GMimeContentType> Type;  // never null
  TGPtr<GMimeContentDisposition> Disposition;
  bool Multipart = false;
  bool Message = false;  // message/rfc822
  bool Base64 = false;   // a leaf's transfer encoding
  const char* BodyBegin = nullptr;  // a leaf's encoded content
  const char* BodyEnd = nullptr;
  std::vector<const TLightPart*> Children;
};

// The light parts as a tree for the layout walk.
struct TLightTree {
  using Node = const TLightPart*;
  static bool IsMultipart(Node n) { return n->Multipart; }
  static bool IsSigned(Node n) { return IsType(n->Type.get(), "multipart", "signed"); }
  static bool IsEncrypted(Node n) { return IsType(n->Type.get(), "multipart", "encrypted"); }
  static bool IsRelated(Node n) { return IsType(n->Type.get(), "multipart", "related"); }
  static int Count(Node n) { return int(n->Children.size()); }
  // None past the end, as GMime answers (a signed part may have no parts).
  static Node Child(Node n, int i) { return size_t(i) < n->Children.size() ? n->Children[size_t(i)] : nullptr; }
  static bool IsHtml(Node n) { return IsType(n->Type.get(), "text", "html"); }
  static bool IsBodyText(Node n) {
    return !n->Message && IsBodyTextLeaf(MimeTypeOf(n->Type.get()), IsAttachmentDisposition(n->Disposition.get()),
                                         !DeclaredFileName(n->Disposition.get(), n->Type.get()).isEmpty());
  }
  // A root named by Content-ID, and parts the HTML may reference, need the
  // full parse (GMime's lookup, decoded HTML).
  static Node RelatedRoot(Node n) {
    if (g_mime_content_type_get_parameter(n->Type.get(), "start")) Unsupported();
    return n->Children.empty() ? nullptr : n->Children.front();
  }
  [[noreturn]] static QByteArray LowerHtml(Node) { Unsupported(); }
  [[noreturn]] static bool IsReferenced(Node, const QByteArray&) { Unsupported(); }
};

class TStructureReader {
public:
  explicit TStructureReader(const char* end) : FEnd(end) {}

  // A part from its header block's fields; a multipart reads its body from
  // `body` and `body` moves past its close delimiter.
  TLightPart* Part(const THeaderBlock& headers, const char*& body, int depth) {
    if (depth > kMaxLightDepth) Unsupported();
    TLightPart& part = FParts.emplace_back();
    part.Type = ParsedField(headers.Single("Content-Type"), g_mime_content_type_parse);
    if (!part.Type) part.Type = TGPtr<GMimeContentType>(g_mime_content_type_new("text", "plain"));
    part.Disposition = ParsedField(headers.Single("Content-Disposition"), g_mime_content_disposition_parse);
    GMimeContentType* ct = part.Type.get();
    if (IsType(ct, "message", "*")) {
      // GMime reads an encoded message part as a plain leaf: left to it.
      if (!IsType(ct, "message", "rfc822") || !IsIdentityEncoding(headers.Single("Content-Transfer-Encoding")))
        Unsupported();
      // An attached mail without a name is named by its subject: GMime reads it.
      if (DeclaredFileName(part.Disposition.get(), ct).isEmpty()) Unsupported();
      part.Message = true;
    } else if (!IsType(ct, "multipart", "*")) {
      // Files inside a leaf (a TNEF stream, uuencoded text that is base64
      // encoded) are read from its decoded content: left to GMime.
      const QString name = DeclaredFileName(part.Disposition.get(), ct);
      if (IsTnefPart(MimeTypeOf(ct), name)) Unsupported();
      const TRawField* encoding = headers.Single("Content-Transfer-Encoding");
      part.Base64 = encoding && encoding->Raw().trimmed().toLower() == "base64";
      if (!part.Base64 && !IsIdentityEncoding(encoding) && !IsQuotedPrintable(encoding) && IsType(ct, "text", "plain"))
        Unsupported();  // an encoding GMime may read its own way
      part.BodyBegin = body;
      part.BodyEnd = FEnd;
    } else {
      const bool known = IsType(ct, "multipart", "mixed") || IsType(ct, "multipart", "alternative") ||
                         IsType(ct, "multipart", "related") || IsType(ct, "multipart", "signed") ||
                         IsType(ct, "multipart", "encrypted");
      const char* boundary = g_mime_content_type_get_parameter(ct, "boundary");
      if (!known || !boundary || !*boundary) Unsupported();
      const QByteArray b = QByteArray("--") + boundary;
      const QByteArray lower = b.toLower();
      for (const QByteArray& seen : FSeen)
        if (seen.toLower().startsWith(lower) || lower.startsWith(seen.toLower())) Unsupported();
      part.Multipart = true;
      FSeen.push_back(b);
      FOpen.push_back(b);
      body = MultipartBody(part, body, depth);
      FOpen.pop_back();
    }
    return &part;
  }

  // After the root: nothing in the epilogue may look like a boundary.
  void Epilogue(const char* p) {
    if (FSeen.empty()) return;
    while (p < FEnd) p = Skip(p, false);
  }

private:
  enum TLineKind { lkText, lkDelimiter, lkClose };

  // Lines starting with a boundary seen so far are the innermost open
  // multipart's delimiters, exactly; anything else near one is left to GMime.
  TLineKind Classify(const char* p, const char* nl) const {
    if (nl - p < 2 || p[0] != '-' || p[1] != '-') return lkText;
    const char* e = nl > p && nl[-1] == '\r' ? nl - 1 : nl;
    const QByteArrayView line(p, e - p);
    for (const QByteArray& seen : FSeen) {
      if (line.size() < seen.size() || line.first(seen.size()).compare(seen, Qt::CaseInsensitive) != 0) continue;
      if (FOpen.empty() || seen != FOpen.back() || !line.startsWith(QByteArrayView(seen))) Unsupported();
      if (line.size() == seen.size()) return lkDelimiter;
      if (line.size() == seen.size() + 2 && line.endsWith("--")) return lkClose;
      Unsupported();
    }
    return lkText;
  }

  // Past one line that is not a delimiter; in an embedded message no line
  // may start with "--" (its own boundaries would be GMime's to read).
  const char* Skip(const char* p, bool inMessage) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(FEnd - p)));
    if (!nl) nl = FEnd;
    if (Classify(p, nl) != lkText || (inMessage && nl - p >= 2 && p[0] == '-' && p[1] == '-')) Unsupported();
    return nl == FEnd ? FEnd : nl + 1;
  }

  const char* MultipartBody(TLightPart& multi, const char* p, int depth) {
    bool inMessage = false;
    TLightPart* last = nullptr;
    while (p < FEnd) {
      const char* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(FEnd - p)));
      if (!nl) nl = FEnd;
      const TLineKind kind = Classify(p, nl);
      const char* next = nl == FEnd ? FEnd : nl + 1;
      if (kind == lkText) {
        p = Skip(p, inMessage);
        continue;
      }
      if (last && !last->Multipart) last->BodyEnd = p;
      if (kind == lkClose) return next;
      const THeaderBlock headers = SplitHeaders(next, FEnd);
      p = headers.Body;
      TLightPart* child = Part(headers, p, depth + 1);
      last = child;
      multi.Children.push_back(child);
      inMessage = child->Message;
    }
    // No close delimiter: where GMime ends the parts is its business.
    Unsupported();
  }

  const char* FEnd;
  std::vector<QByteArray> FOpen;  // "--boundary" of the open multiparts, innermost last
  std::vector<QByteArray> FSeen;  // every "--boundary" met
  std::deque<TLightPart> FParts;
};

std::vector<TAddress> AddressesOf(const TRawField* field) {
  if (!field) return {};
  const QByteArray raw = field->Raw();
  if (auto simple = SimpleAddressList(raw.constData())) return std::move(*simple);
  TGPtr<InternetAddressList> list(internet_address_list_parse(nullptr, raw.constData()));
  // GMime's message keeps the addresses before an unclosed comment where the
  // list parse gives up on the whole field: left to the message. A field of
  // blanks and commas alone is empty to both.
  if (!list && std::any_of(raw.begin(), raw.end(), [](char c) { return c != ',' && !std::isspace(uchar(c)); }))
    Unsupported();
  return ExpandAddressList(list.get());
}

QString ClassOf(GMimeContentType* root, const TMimeLayoutOf<const TLightPart*>& layout) {
  const QString quick = MessageClassFromRootType(root);
  if (!quick.isEmpty()) return quick;
  // Reports and calendars are classed by their decoded content.
  if (IsType(root, "multipart", "report") || IsType(root, "text", "calendar")) Unsupported();
  for (const TLightPart* part : layout.Body)
    if (IsType(part->Type.get(), "text", "calendar")) Unsupported();
  return QStringLiteral("IPM.Note");
}

TLightMessage Read(const char* data, qsizetype size) {
  const char* end = data + size;
  if (std::memchr(data, 0, size_t(size))) Unsupported();
  // A uuencoded file in a text is an attachment: left to GMime.
  if (MayHoldUuencoded(data, size)) Unsupported();
  const THeaderBlock headers = SplitHeaders(data, end);
  if (headers.Fields.empty()) Unsupported();

  TLightMessage m;
  m.HeadersEnd = headers.BlankLine - data;
  if (const TRawField* subject = headers.Single("Subject")) {
    char* unfolded = g_mime_utils_header_unfold(subject->Raw().constData());
    char* decoded = g_mime_utils_header_decode_text(nullptr, unfolded);
    m.Subject = FromUtf8(decoded);
    g_free(decoded);
    g_free(unfolded);
  }
  m.From = AddressesOf(headers.Single("From"));
  m.Sender = AddressesOf(headers.Single("Sender"));
  const std::pair<const char*, int> kinds[] = {{"To", olTo}, {"Cc", olCC}, {"Bcc", olBCC}};
  for (const auto& [name, type] : kinds)
    for (TAddress& a : AddressesOf(headers.Single(name))) m.Recipients.push_back({std::move(a), type});
  if (const TRawField* date = headers.Single("Date")) {
    const QByteArray raw = date->Raw();
    if (const auto simple = SimpleDate(raw.constData())) {
      m.Date = DateValueFromUnix(*simple);
    } else {
      GDateTime* value = g_mime_utils_header_decode_date(raw.constData());
      m.Date = DateValueFromGDateTime(value);
      if (value) g_date_time_unref(value);
    }
  }
  for (const TRawField& f : headers.Fields)
    if (f.Name.compare(QByteArrayView("Received"), Qt::CaseInsensitive) == 0)
      if (const auto t = ReceivedDateOf(f.Raw().constData()); t && (!m.NewestReceived || *t > *m.NewestReceived))
        m.NewestReceived = t;

  TStructureReader structure(end);
  const char* body = headers.Body;
  const TLightPart* root = structure.Part(headers, body, 0);
  structure.Epilogue(body);
  const TMimeLayoutOf<const TLightPart*> layout = WalkLayout<TLightTree>(root);
  // A uuencoded file in a base64 text is an attachment: left to GMime.
  for (const TLightPart* leaf : layout.Body)
    if (leaf->Base64 && leaf->BodyBegin && IsType(leaf->Type.get(), "text", "plain")) {
      const QByteArray text = QByteArray::fromBase64(QByteArray(leaf->BodyBegin, leaf->BodyEnd - leaf->BodyBegin));
      if (MayHoldUuencoded(text.constData(), text.size())) Unsupported();
    }
  m.Class = ClassOf(root->Type.get(), layout);
  for (const auto& a : layout.Attachments)
    m.Attachments.push_back(
        {a.Part->Message, a.Hidden, AttachmentFileName(a.Part->Disposition.get(), a.Part->Type.get())});
  return m;
}

}  // namespace

std::optional<TLightMessage> ReadLight(const char* data, qsizetype size) {
  if (!data || size <= 0) return std::nullopt;
  EnsureMimeInit();
  try {
    return Read(data, size);
  } catch (const ELightUnsupported&) {
    // Not an error: the message is simply read by the full parse.
    return std::nullopt;
  }
}

}  // namespace twkmaildir
