// Shared GMime helpers of the message side: one-time initialisation with the
// fallback charsets, an owning GObject pointer, text conversions, and the
// decoded content of a MIME part.
#pragma once

#include <QByteArray>
#include <QString>
#include <gmime/gmime.h>
#include <utility>

namespace twkmaildir {

// Initialises GMime once per process: fallback charsets for broken or
// unlabelled 8-bit text (UTF-8 first, then windows-1252).
void EnsureMimeInit();

// Owns one GObject reference.
template <class T>
class TGPtr {
public:
  TGPtr() = default;
  // Takes over a reference the caller owns.
  explicit TGPtr(T* p) : FP(p) {}
  TGPtr(const TGPtr& o) : FP(o.FP) {
    if (FP) g_object_ref(FP);
  }
  TGPtr(TGPtr&& o) noexcept : FP(std::exchange(o.FP, nullptr)) {}
  ~TGPtr() { reset(); }
  TGPtr& operator=(TGPtr o) noexcept {
    std::swap(FP, o.FP);
    return *this;
  }
  // Adds a reference of its own to a borrowed object.
  static TGPtr Ref(T* p) {
    if (p) g_object_ref(p);
    return TGPtr(p);
  }
  void reset() {
    if (FP) g_object_unref(std::exchange(FP, nullptr));
  }
  T* get() const { return FP; }
  explicit operator bool() const { return FP != nullptr; }

private:
  T* FP = nullptr;
};

// UTF-8 from GMime (may be null) as a QString.
QString FromUtf8(const char* text);
// Raw header or parameter bytes: UTF-8 when valid, else through the fallback charsets.
QString From8Bit(const char* text, qsizetype length);

// "type/subtype" in lower case; "text/plain" when the object has no type.
QByteArray MimeTypeOf(GMimeObject* object);
QByteArray MimeTypeOf(GMimeContentType* type);
bool IsType(GMimeObject* object, const char* type, const char* subtype);
bool IsType(GMimeContentType* ct, const char* type, const char* subtype);
// True for a Content-Disposition of "attachment".
bool IsAttachmentDisposition(GMimeObject* object);
bool IsAttachmentDisposition(GMimeContentDisposition* disposition);
// The declared file name (disposition filename, else Content-Type name), decoded.
QString DeclaredFileName(GMimeObject* object);
QString DeclaredFileName(GMimeContentDisposition* disposition, GMimeContentType* type);
// An attachment's file name: the declared one; an opaque S/MIME message is
// one attachment under its conventional name.
QString AttachmentFileName(GMimeContentDisposition* disposition, GMimeContentType* type);

// Everything an object writes as its content, decoded (a leaf's transfer
// encoding removed; a message part's message bytes), into stream.
gint64 WriteDecoded(GMimeObject* object, GMimeStream* stream);
QByteArray DecodedBytes(GMimeObject* object);
gint64 DecodedSize(GMimeObject* object);

// A message's bytes as GMime writes them (LF line ends, RFC 2231 parameters).
QByteArray SerializeMessage(GMimeMessage* message);
GMimeFormatOptions* WriteOptions();

// Parses bytes as a message; never null (an empty message for unparsable input).
TGPtr<GMimeMessage> ParseMessage(GMimeStream* stream, gint64* headersEnd = nullptr);

}  // namespace twkmaildir
