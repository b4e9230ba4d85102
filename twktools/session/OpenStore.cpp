// The one place that knows every kind of store: a profile entry's type picks
// the backend.
#include "twktools/imap/store.h"
#include "twktools/maildir/store.h"
#include "twktools/mbox/store.h"
#include "twktools/pst/store.h"
#include "twktools/session/StoreBackend.h"

namespace twksession {

TwkPtr<TBackendStore> OpenStore(const TStoreConfig& config) {
  if (config.Type == TStoreType::Imap) return twkimap::TImapStore::Open(config);
  if (config.Type == TStoreType::Mbox) return twkmbox::TMboxStore::Open(config);
  if (config.Type == TStoreType::Pst) return twkpst::TPstStore::Open(config);
  return twkmaildir::TMaildirStore::Open(config);
}

}  // namespace twksession
