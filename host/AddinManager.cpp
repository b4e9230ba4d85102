#include "host/AddinManager.h"

#include "host/AddinUI.h"

#include <QFile>
#include <QToolBar>
#include <dlfcn.h>

namespace {

GUID GuidFromText(const QString& text, bool& ok) {
  GUID g{};
  const QString hex = QString(text).remove(QLatin1Char('{')).remove(QLatin1Char('}')).remove(QLatin1Char('-'));
  ok = hex.size() == 32;
  if (!ok) return g;
  bool good = true;
  auto part = [&](int from, int len) {
    bool partOk = false;
    const qulonglong v = hex.mid(from, len).toULongLong(&partOk, 16);
    good = good && partOk;
    return v;
  };
  g.Data1 = std::uint32_t(part(0, 8));
  g.Data2 = std::uint16_t(part(8, 4));
  g.Data3 = std::uint16_t(part(12, 4));
  for (int i = 0; i < 8; ++i) g.Data4[i] = std::uint8_t(part(16 + 2 * i, 2));
  ok = good;
  return g;
}

}  // namespace

TAddinManager::~TAddinManager() { Shutdown(osNormal); }

TwkPtr<IAddinConnection> TAddinManager::CreateAddin(const TAddinEntry& entry) {
  bool ok = false;
  const CLSID clsid = GuidFromText(entry.ClassID, ok);
  if (!ok) throw Exception(QStringLiteral("The class of add-in %1 is not registered").arg(entry.ProgID));
  // The library stays loaded: Qt keeps its types registered for the process.
  void* handle = ::dlopen(QFile::encodeName(entry.LibraryPath).constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!handle) {
    const char* text = ::dlerror();
    throw Exception(QStringLiteral("Could not load \"%1\": %2").arg(entry.LibraryPath, QString::fromLocal8Bit(text ? text : "")));
  }
  auto getClassObject = reinterpret_cast<TDllGetClassObject>(::dlsym(handle, "DllGetClassObject"));
  if (!getClassObject) throw Exception(QStringLiteral("The dll does not export the 'DllGetClassObject' function"));
  void* p = nullptr;
  HRESULT hr = getClassObject(&clsid, &IID_IClassFactory, &p);
  if (FAILED(hr)) throw EComError(hr, QStringLiteral("DllGetClassObject returned 0x%1").arg(std::uint32_t(hr), 8, 16, QLatin1Char('0')));
  const TwkPtr<IClassFactory> factory = TwkPtr<IClassFactory>::Adopt(static_cast<IClassFactory*>(p));
  void* object = nullptr;
  hr = factory->CreateInstance(nullptr, IID_IAddinConnection, &object);
  if (FAILED(hr)) throw EComError(hr, QStringLiteral("IClassFactory.CreateInstance returned 0x%1").arg(std::uint32_t(hr), 8, 16, QLatin1Char('0')));
  return TwkPtr<IAddinConnection>::Adopt(static_cast<IAddinConnection*>(object));
}

void TAddinManager::LoadRegistered(const QString& hostName) {
  for (const TAddinEntry& entry : TAddinRegistry::Addins(hostName)) {
    if (entry.LoadBehavior != 3) continue;
    try {
      Connect(entry, CreateAddin(entry));
    } catch (const std::exception& e) {
      FErrors.append(QStringLiteral("%1: %2").arg(entry.FriendlyName.isEmpty() ? entry.ProgID : entry.FriendlyName,
                                                  QString::fromUtf8(e.what())));
    }
  }
}

void TAddinManager::Connect(const TAddinEntry& entry, TwkPtr<IAddinConnection> addin) {
  addin->OnConnection(this);
  FAddins.push_back({entry, addin});
  addin->OnStartupComplete();
}

void TAddinManager::BuildUserInterface(bool explorerHasRibbon,
                                       const std::function<void(QWidget*, const QString&)>& addTab,
                                       const std::function<void(QToolBar*)>& addBar) {
  for (const TLoaded& loaded : FAddins) {
    IAddinConnection* addin = loaded.Addin.get();
    const TImageSource images = [addin](int index) { return addin->Image(index); };
    const TClickHandler click = [addin](const QString& id) { addin->OnClick(id); };
    if (explorerHasRibbon) {
      const TAddinControl tab = addin->RibbonTab();
      if (!tab.Id.isEmpty()) addTab(BuildRibbonTab(tab, images, click), tab.Caption);
    }
    if (!explorerHasRibbon || addin->UseForRibbon()) {
      const TAddinControl bar = addin->ExplorerCommandBar();
      if (!bar.Caption.isEmpty()) addBar(BuildCommandBar(bar, images, click));
    }
  }
}

void TAddinManager::ItemSend(IRDOMail* item, bool& cancel) {
  cancel = false;
  for (const TLoaded& loaded : FAddins) {
    loaded.Addin->OnItemSend(item, cancel);
    if (cancel) return;
  }
}

void TAddinManager::Shutdown(TOutlookShutdownBehavior behavior) {
  if (FShutDown) return;
  FShutDown = true;
  FBehavior = behavior;
  for (const TLoaded& loaded : FAddins) loaded.Addin->OnQuit();
  // Under fast shut-down the add-ins get no further call: Quit was their cue.
  if (behavior == osNormal) {
    for (const TLoaded& loaded : FAddins) {
      loaded.Addin->OnBeginShutdown();
      loaded.Addin->OnDisconnection();
    }
  }
  FAddins.clear();
}
