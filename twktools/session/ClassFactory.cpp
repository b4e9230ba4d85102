// The component's export: a class factory for the session class; every
// other class of the vendor's library is not available here.
#include "twktools/maildir/comobject.h"
#include "twktools/session/Session.h"


namespace {

class TSessionFactory final : public twkmaildir::TComObject<IClassFactory> {
public:
  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    TwkPtr<IRDOSession> session = TwkPtr<IRDOSession>::Adopt(new twksession::TSession);
    return session->QueryInterface(iid, object);
  }
  HRESULT LockServer(bool) override { return S_OK; }

protected:
  bool AnswersInterface(const IID& iid) override { return iid == IID_IClassFactory; }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid,
                                                                            void** object) {
  if (!clsid || !iid || !object) return E_POINTER;
  *object = nullptr;
  if (!(*clsid == CLSID_RDOSession)) return CLASS_E_CLASSNOTAVAILABLE;
  TwkPtr<IClassFactory> factory = TwkPtr<IClassFactory>::Adopt(new TSessionFactory);
  return factory->QueryInterface(*iid, object);
}
