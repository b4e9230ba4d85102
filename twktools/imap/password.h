// The password of an IMAP store: the first line printed by the profile's
// passcmd, else the desktop keyring (Secret Service). Never from the profile.
#pragma once

#include "twktools/session/Profile.h"

#include <QByteArray>

namespace twkimap {

// Throws EComError(MAPI_E_LOGON_FAILED) naming the store when there is none.
QByteArray ReadPassword(const twksession::TStoreConfig& config, const QString& storeName);

}  // namespace twkimap
