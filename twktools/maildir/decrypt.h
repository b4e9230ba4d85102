// The decrypted copy of a signed or encrypted message: the message the
// system exports when it meets one (IRDOEncryptedMessage).
#pragma once

#include <QByteArray>

namespace twkmaildir {

// From a message's MIME bytes, the MIME bytes of its decrypted or unwrapped
// form, the outer header block kept:
// - multipart/signed: the signed content (the signature is not checked;
//   the copy only serves to read the content);
// - application/pkcs7-mime signed-data: the content unwrapped through GPGME's
//   gpgsm backend;
// - application/pkcs7-mime enveloped-data, multipart/encrypted: decrypted
//   with the user's key (GNUPGHOME).
// Raises EComError: MAPI_E_NO_SUPPORT for a message that is neither, or
// E_FAIL with GPGME's reason when the content cannot be had (no key,
// damaged content).
QByteArray DecryptedMime(const QByteArray& mime);

}  // namespace twkmaildir
