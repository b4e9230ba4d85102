// The library's four exports: the class object of the add-in, whether the
// library may be unloaded, and its registration with the host.
#include "addin/TWK_IMPL.h"
#include "addin/TWK_TLB.h"
#include "addin/hosting/AddinRegistry.h"
#include "addin/hosting/HostInstances.h"

#include <QFileInfo>
#include <atomic>
#include <cstdio>
#include <dlfcn.h>

#define TWK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::atomic<int> gLocks{0};

class TTarnwickFactory final : public IClassFactory {
public:
  HRESULT QueryInterface(const IID& iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!(iid == IID_IUnknown) && !(iid == IID_IClassFactory)) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  std::uint32_t AddRef() override { return ++FRefs; }
  std::uint32_t Release() override {
    const std::uint32_t n = --FRefs;
    if (n == 0) delete this;
    return n;
  }
  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    IAddinConnection* module = new TAddInModule;  // one reference
    const HRESULT hr = module->QueryInterface(iid, object);
    module->Release();
    return hr;
  }
  HRESULT LockServer(bool lock) override {
    gLocks += lock ? 1 : -1;
    return S_OK;
  }

private:
  std::atomic<std::uint32_t> FRefs{1};
};

TAddinRegistration Registration() {
  Dl_info info{};
  QString path;
  if (::dladdr(reinterpret_cast<const void*>(&Registration), &info) != 0 && info.dli_fname)
    path = QFileInfo(QFile::decodeName(info.dli_fname)).canonicalFilePath();
  TAddinRegistration r;
  r.HostName = QStringLiteral("Outlook");
  r.ProgID = QString::fromLatin1(kTWKProgID);
  r.ClassID = GuidText(CLASS_Tarnwick);
  r.ClassName = QString::fromLatin1(kTWKClassHelp);
  r.LibraryID = GuidText(LIBID_TWK);
  r.LibraryName = QString::fromLatin1(kTWKLibraryHelp);
  r.InterfaceID = GuidText(IID_ITarnwick);
  r.InterfaceName = QString::fromLatin1(kTWKInterfaceName);
  r.FriendlyName = QStringLiteral("Tarnwick");
  r.Description = QStringLiteral("Export emails and attachments");
  r.LoadBehavior = 3;
  r.CommandLineSafe = 0;
  r.LibraryPath = path;
  return r;
}

}  // namespace

TWK_EXPORT HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** object) {
  if (!clsid || !iid || !object) return E_POINTER;
  *object = nullptr;
  if (!(*clsid == CLASS_Tarnwick)) return CLASS_E_CLASSNOTAVAILABLE;
  IClassFactory* factory = new TTarnwickFactory;
  const HRESULT hr = factory->QueryInterface(*iid, object);
  factory->Release();
  return hr;
}

TWK_EXPORT HRESULT DllCanUnloadNow() { return TAddinModule::ObjectCount() == 0 && gLocks == 0 ? S_OK : S_FALSE; }

// Registered for all users; where the settings for all users cannot be
// written (an install without root), for the installing user.
TWK_EXPORT HRESULT DllRegisterServer() {
  if (!AskCloseRunningInstances()) return E_FAIL;
  const TAddinRegistration r = Registration();
  if (TAddinRegistry::Register(r, true)) return S_OK;
  std::fprintf(stderr, "Tarnwick: %s cannot be written; the add-in is registered for this user only.\n",
               QFile::encodeName(TAddinRegistry::SettingsPath(true)).constData());
  return TAddinRegistry::Register(r, false) ? S_OK : E_ACCESSDENIED;
}

TWK_EXPORT HRESULT DllUnregisterServer() {
  const TAddinRegistration r = Registration();
  const bool user = TAddinRegistry::Unregister(r, false);
  // The settings for all users may be read-only here; then only this user's go.
  const bool all = TAddinRegistry::Unregister(r, true);
  return user || all ? S_OK : E_ACCESSDENIED;
}
