// The server's certificate on a TLS connection, checked against the system's
// certificate store (and the profile's cafile) and the host name.
#pragma once

#include "twktools/session/Profile.h"

struct mailimap;

namespace twkimap {

// Throws EComError(MAPI_E_LOGON_FAILED) naming the server and the reason
// when the certificate does not verify.
void CheckCertificate(mailimap* imap, const twksession::TStoreConfig& config, const QString& storeName);

}  // namespace twkimap
