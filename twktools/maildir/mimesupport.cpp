#include "twktools/maildir/mimesupport.h"

#include <mutex>

namespace twkmaildir {

void EnsureMimeInit() {
  static std::once_flag once;
  std::call_once(once, [] {
    g_mime_init();
    static const char* fallback[] = {"UTF-8", "windows-1252", nullptr};
    g_mime_parser_options_set_fallback_charsets(g_mime_parser_options_get_default(), fallback);
  });
}

QString FromUtf8(const char* text) { return text ? QString::fromUtf8(text) : QString(); }

QString From8Bit(const char* text, qsizetype length) {
  if (!text || length <= 0) return {};
  if (g_utf8_validate(text, length, nullptr)) return QString::fromUtf8(text, length);
  char* utf8 = g_mime_utils_decode_8bit(nullptr, text, size_t(length));
  QString result = QString::fromUtf8(utf8);
  g_free(utf8);
  return result;
}

QByteArray MimeTypeOf(GMimeObject* object) { return MimeTypeOf(object ? g_mime_object_get_content_type(object) : nullptr); }

QByteArray MimeTypeOf(GMimeContentType* ct) {
  if (!ct) return QByteArrayLiteral("text/plain");
  char* type = g_mime_content_type_get_mime_type(ct);
  QByteArray result = QByteArray(type).toLower();
  g_free(type);
  return result;
}

bool IsType(GMimeObject* object, const char* type, const char* subtype) {
  return IsType(object ? g_mime_object_get_content_type(object) : nullptr, type, subtype);
}

bool IsType(GMimeContentType* ct, const char* type, const char* subtype) {
  return ct && g_mime_content_type_is_type(ct, type, subtype);
}

bool IsAttachmentDisposition(GMimeObject* object) {
  return IsAttachmentDisposition(g_mime_object_get_content_disposition(object));
}

bool IsAttachmentDisposition(GMimeContentDisposition* disposition) {
  const char* d = disposition ? g_mime_content_disposition_get_disposition(disposition) : nullptr;
  return d && g_ascii_strcasecmp(d, "attachment") == 0;
}

QString DeclaredFileName(GMimeObject* object) {
  return DeclaredFileName(g_mime_object_get_content_disposition(object), g_mime_object_get_content_type(object));
}

QString DeclaredFileName(GMimeContentDisposition* disposition, GMimeContentType* type) {
  const char* name = disposition ? g_mime_content_disposition_get_parameter(disposition, "filename") : nullptr;
  if ((!name || !*name) && type) name = g_mime_content_type_get_parameter(type, "name");
  return FromUtf8(name);
}

QString AttachmentFileName(GMimeContentDisposition* disposition, GMimeContentType* type) {
  const QString declared = DeclaredFileName(disposition, type);
  if (!declared.isEmpty()) return declared;
  if (IsType(type, "application", "pkcs7-mime") || IsType(type, "application", "x-pkcs7-mime"))
    return QStringLiteral("smime.p7m");
  return {};
}

namespace {

// GMime's decoder drops a last quantum that lacks its "=" padding; padding
// fed after the end completes it (and is ignored after a complete one), so
// every byte the characters carry comes out, as other decoders give it.
gint64 WriteBase64Decoded(GMimeStream* encoded, GMimeStream* out) {
  if (!encoded) return 0;
  g_mime_stream_reset(encoded);
  GMimeEncoding state;
  g_mime_encoding_init_decode(&state, GMIME_CONTENT_ENCODING_BASE64);
  char in[4096];
  char decoded[4096 + 8];
  gint64 total = 0;
  auto put = [&](const char* data, size_t length) {
    const size_t n = g_mime_encoding_step(&state, data, length, decoded);
    if (n > 0 && g_mime_stream_write(out, decoded, n) < 0) return false;
    total += gint64(n);
    return true;
  };
  // A bounded stream answers -1 when read at its end: ask for the end first.
  while (!g_mime_stream_eos(encoded)) {
    const ssize_t n = g_mime_stream_read(encoded, in, sizeof in);
    if (n < 0) return -1;
    if (n == 0) break;
    if (!put(in, size_t(n))) return -1;
  }
  if (!put("==", 2)) return -1;
  g_mime_stream_reset(encoded);
  return total;
}

}  // namespace

gint64 WriteDecoded(GMimeObject* object, GMimeStream* stream) {
  if (GMIME_IS_MESSAGE_PART(object)) {
    GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
    return inner ? g_mime_object_write_to_stream(GMIME_OBJECT(inner), WriteOptions(), stream) : 0;
  }
  if (GMIME_IS_PART(object)) {
    GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(object));
    if (!content) return 0;
    if (g_mime_data_wrapper_get_encoding(content) == GMIME_CONTENT_ENCODING_BASE64)
      return WriteBase64Decoded(g_mime_data_wrapper_get_stream(content), stream);
    return g_mime_data_wrapper_write_to_stream(content, stream);
  }
  return g_mime_object_write_content_to_stream(object, WriteOptions(), stream);
}

QByteArray DecodedBytes(GMimeObject* object) {
  TGPtr<GMimeStream> mem(g_mime_stream_mem_new());
  WriteDecoded(object, mem.get());
  GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(mem.get()));
  return QByteArray(reinterpret_cast<const char*>(array->data), qsizetype(array->len));
}

gint64 DecodedSize(GMimeObject* object) {
  TGPtr<GMimeStream> null(g_mime_stream_null_new());
  WriteDecoded(object, null.get());
  return gint64(GMIME_STREAM_NULL(null.get())->written);
}

GMimeFormatOptions* WriteOptions() {
  static GMimeFormatOptions* options = [] {
    EnsureMimeInit();
    GMimeFormatOptions* o = g_mime_format_options_new();
    g_mime_format_options_set_newline_format(o, GMIME_NEWLINE_FORMAT_UNIX);
    g_mime_format_options_set_param_encoding_method(o, GMIME_PARAM_ENCODING_METHOD_RFC2231);
    return o;
  }();
  return options;
}

QByteArray SerializeMessage(GMimeMessage* message) {
  TGPtr<GMimeStream> mem(g_mime_stream_mem_new());
  g_mime_object_write_to_stream(GMIME_OBJECT(message), WriteOptions(), mem.get());
  GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(mem.get()));
  return QByteArray(reinterpret_cast<const char*>(array->data), qsizetype(array->len));
}

TGPtr<GMimeMessage> ParseMessage(GMimeStream* stream, gint64* headersEnd) {
  TGPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream));
  TGPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
  if (headersEnd) *headersEnd = message ? g_mime_parser_get_headers_end(parser.get()) : 0;
  if (!message) {
    // Nothing GMime could read as a message: an empty one, so every field reads empty.
    message = TGPtr<GMimeMessage>(g_mime_message_new(TRUE));
    TGPtr<GMimePart> body(g_mime_part_new_with_type("text", "plain"));
    g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(body.get()));
  }
  return message;
}

}  // namespace twkmaildir
