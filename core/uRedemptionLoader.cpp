#include "core/uRedemptionLoader.h"

#include "core/FilenameTools.h"

#include <QFile>
#include <dlfcn.h>

namespace {

QString Hex8(HRESULT hr) { return QStringLiteral("%1").arg(std::uint32_t(hr), 8, 16, QLatin1Char('0')).toUpper(); }

// The module directory without its trailing "/".
QString ModuleDirectory() {
  QString dir = GetModuleDirectory();
  while (dir.size() > 1 && dir.endsWith(QLatin1Char('/'))) dir.chop(1);
  return dir;
}

}  // namespace

TRedemptionLoader::TRedemptionLoader() = default;

TRedemptionLoader::~TRedemptionLoader() {
  std::lock_guard g(fCritSection);
  // The component stays mapped (RTLD_NODELETE): the libraries it uses
  // register their types once per process and cannot be loaded afresh.
  if (fDllHandle) dlclose(fDllHandle);
}

QString TRedemptionLoader::DllLocation32Bit() {
  std::lock_guard g(fCritSection);
  return fDllLocation32Bit;
}

void TRedemptionLoader::SetDllLocation32Bit(const QString& path) {
  std::lock_guard g(fCritSection);
  fDllLocation32Bit = path;
}

QString TRedemptionLoader::DllLocation64Bit() {
  std::lock_guard g(fCritSection);
  return fDllLocation64Bit;
}

void TRedemptionLoader::SetDllLocation64Bit(const QString& path) {
  std::lock_guard g(fCritSection);
  fDllLocation64Bit = path;
}

void TRedemptionLoader::UseComponentBesideProgram() {
  const QString dir = ModuleDirectory();
  std::lock_guard g(fCritSection);
  fDllLocation32Bit = dir + QStringLiteral("/TWKtools32.so");
  fDllLocation64Bit = dir + QStringLiteral("/TWKtools64.so");
}

TwkPtr<IUnknown> TRedemptionLoader::CreateRedemptionObject(const CLSID& clsid) {
  std::lock_guard g(fCritSection);
  if (!fDllHandle) {
    if (fDllLocation32Bit.isEmpty()) fDllLocation32Bit = ModuleDirectory() + QStringLiteral("/Redemption.so");
    if (fDllLocation64Bit.isEmpty()) fDllLocation64Bit = ModuleDirectory() + QStringLiteral("/Redemption64.so");
    const QString location = sizeof(void*) == 8 ? fDllLocation64Bit : fDllLocation32Bit;
    fDllHandle = dlopen(QFile::encodeName(location).constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!fDllHandle) {
      const char* text = dlerror();
      throw Exception(QStringLiteral("Could not load \"%1\": %2").arg(location, QString::fromLocal8Bit(text ? text : "")));
    }
  }
  if (!fDllGetClassObject) {
    fDllGetClassObject = reinterpret_cast<TDllGetClassObject>(dlsym(fDllHandle, "DllGetClassObject"));
    if (!fDllGetClassObject) throw Exception(QStringLiteral("The dll does not export the 'DllGetClassObject' function"));
  }
  void* p = nullptr;
  HRESULT hr = fDllGetClassObject(&clsid, &IID_IClassFactory, &p);
  if (FAILED(hr)) throw EComError(hr, QStringLiteral("DllGetClassObject returned 0x%1").arg(Hex8(hr)));
  // A new factory for every object; released on every way out.
  const TwkPtr<IClassFactory> factory = TwkPtr<IClassFactory>::Adopt(static_cast<IClassFactory*>(p));
  void* object = nullptr;
  hr = factory->CreateInstance(nullptr, IID_IUnknown, &object);
  if (hr == CO_E_WRONGOSFORAPP)
    throw EComError(hr, QStringLiteral("IClassFactory.CreateInstance returned CO_E_WRONGOSFORAPP.\r\n"
                                       "Make sure the bitness of your application and the MAPI system/Outlook match"));
  if (FAILED(hr)) throw EComError(hr, QStringLiteral("IClassFactory.CreateInstance returned 0x%1").arg(Hex8(hr)));
  return TwkPtr<IUnknown>::Adopt(static_cast<IUnknown*>(object));
}

TwkPtr<IRDOSession> TRedemptionLoader::new_RDOSession() {
  const TwkPtr<IUnknown> object = CreateRedemptionObject(CLSID_RDOSession);
  TwkPtr<IRDOSession> session = QueryAs<IRDOSession>(object.get(), IID_IRDOSession);
  if (!session) throw EComError(E_NOINTERFACE, QStringLiteral("Interface not supported"));
  return session;
}

TRedemptionLoader& GlobalRedemptionLoader() {
  static TRedemptionLoader loader;
  return loader;
}
