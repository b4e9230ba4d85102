#include "twktools/maildir/decrypt.h"

#include "twktools/TWKerrors.h"
#include "twktools/maildir/mimesupport.h"

#include <mutex>

namespace twkmaildir {

namespace {

void EnsureCrypto() {
  EnsureMimeInit();
  static std::once_flag once;
  std::call_once(once, [] {
    for (const char* p : {"application/pgp-encrypted", "application/pgp-signature", "application/pgp-keys"})
      g_mime_crypto_context_register(p, g_mime_gpg_context_new);
    for (const char* p : {"application/pkcs7-mime", "application/x-pkcs7-mime", "application/pkcs7-signature",
                          "application/x-pkcs7-signature", "application/pkcs7-keys", "application/x-pkcs7-keys"})
      g_mime_crypto_context_register(p, g_mime_pkcs7_context_new);
  });
}

// Raises with GPGME's reason and frees the error.
[[noreturn]] void RaiseCrypto(GError* err, const char* what) {
  const QString reason = err && err->message ? QString::fromUtf8(err->message) : QStringLiteral("unknown error");
  if (err) g_error_free(err);
  throw EComError(E_FAIL, QStringLiteral("Cannot %1 the message: %2").arg(QLatin1String(what), reason));
}

TGPtr<GMimeObject> Content(GMimeObject* top) {
  GError* err = nullptr;
  if (GMIME_IS_MULTIPART_SIGNED(top)) {
    GMimeObject* c = g_mime_multipart_get_part(GMIME_MULTIPART(top), GMIME_MULTIPART_SIGNED_CONTENT);
    if (!c) throw EComError(MAPI_E_CORRUPT_DATA, QStringLiteral("The signed message has no content"));
    return TGPtr<GMimeObject>::Ref(c);
  }
  if (GMIME_IS_MULTIPART_ENCRYPTED(top)) {
    GMimeObject* c = g_mime_multipart_encrypted_decrypt(GMIME_MULTIPART_ENCRYPTED(top), GMIME_DECRYPT_NONE, nullptr,
                                                        nullptr, &err);
    if (!c) RaiseCrypto(err, "decrypt");
    if (err) g_error_free(err);
    return TGPtr<GMimeObject>(c);
  }
  if (GMIME_IS_APPLICATION_PKCS7_MIME(top)) {
    auto* p7 = GMIME_APPLICATION_PKCS7_MIME(top);
    switch (g_mime_application_pkcs7_mime_get_smime_type(p7)) {
      case GMIME_SECURE_MIME_TYPE_SIGNED_DATA: {
        GMimeObject* c = nullptr;
        GMimeSignatureList* sigs = g_mime_application_pkcs7_mime_verify(p7, GMIME_VERIFY_NONE, &c, &err);
        if (sigs) g_object_unref(sigs);
        if (!c) RaiseCrypto(err, "unwrap");
        if (err) g_error_free(err);
        return TGPtr<GMimeObject>(c);
      }
      case GMIME_SECURE_MIME_TYPE_ENVELOPED_DATA:
      case GMIME_SECURE_MIME_TYPE_UNKNOWN: {  // an unlabelled part is most often enveloped
        GMimeObject* c = g_mime_application_pkcs7_mime_decrypt(p7, GMIME_DECRYPT_NONE, nullptr, nullptr, &err);
        if (!c) RaiseCrypto(err, "decrypt");
        if (err) g_error_free(err);
        return TGPtr<GMimeObject>(c);
      }
      default:
        break;
    }
  }
  throw EComError(MAPI_E_NO_SUPPORT, QStringLiteral("The message is neither signed nor encrypted"));
}

}  // namespace

QByteArray DecryptedMime(const QByteArray& mime) {
  EnsureCrypto();
  TGPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(mime.constData(), size_t(mime.size())));
  TGPtr<GMimeMessage> message = ParseMessage(stream.get());
  GMimeObject* top = g_mime_message_get_mime_part(message.get());
  if (!top) throw EComError(MAPI_E_NO_SUPPORT, QStringLiteral("The message is neither signed nor encrypted"));
  TGPtr<GMimeObject> content = Content(top);
  // The outer header block stays; the content's own headers (its type) replace
  // the outer Content-* fields, and the outer MIME-Version serves for both.
  g_mime_object_remove_header(content.get(), "MIME-Version");
  g_mime_message_set_mime_part(message.get(), content.get());
  return SerializeMessage(message.get());
}

}  // namespace twkmaildir
