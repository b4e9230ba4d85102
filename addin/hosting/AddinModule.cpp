#include "addin/hosting/AddinModule.h"

#include "core/Exception.h"

#include <QMessageBox>

std::atomic<int> TAddinModule::FObjects{0};

QString AddinExceptionText(const QString& addinName, const QString& message) {
  return QStringLiteral("%1 error: the add-in has fired an exception.\r\n%2").arg(addinName, message);
}

TAddinModule::TAddinModule() {
  ++FObjects;
  OnTrappedError = [this](const QString& text) { QMessageBox::critical(MainWindow(), FAddInName, text); };
}

TAddinModule::~TAddinModule() { --FObjects; }

HRESULT TAddinModule::QueryInterface(const IID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!(iid == IID_IUnknown) && !(iid == IID_IAddinConnection)) return E_NOINTERFACE;
  AddRef();
  *object = static_cast<IAddinConnection*>(this);
  return S_OK;
}

std::uint32_t TAddinModule::AddRef() { return ++FRefs; }

std::uint32_t TAddinModule::Release() {
  const std::uint32_t n = --FRefs;
  if (n == 0) delete this;
  return n;
}

TOutlookApplication* TAddinModule::OutlookApp() const { return FHost ? FHost->OutlookApp() : nullptr; }

TOutlookShutdownBehavior TAddinModule::OutlookShutdownBehavior() const {
  return FHost ? FHost->OutlookShutdownBehavior() : osNormal;
}

void TAddinModule::Trap(const std::function<void()>& f) {
  QString message;
  try {
    f();
    return;
  } catch (const Exception& e) {
    message = e.Message();
  } catch (const std::exception& e) {
    message = QString::fromLocal8Bit(e.what());
  }
  if (OnTrappedError) OnTrappedError(AddinExceptionText(FAddInName, message));
}

void TAddinModule::OnStartupComplete() {
  Trap([this] { AddInStartupComplete(); });
}

void TAddinModule::OnBeginShutdown() {
  Trap([this] { AddInBeginShutdown(); });
}

void TAddinModule::OnItemSend(IRDOMail* item, bool& cancel) {
  Trap([&] { ItemSend(item, cancel); });
}

void TAddinModule::OnQuit() {
  Trap([this] { Quit(); });
}

void TAddinModule::OnClick(const QString& id) {
  Trap([&] { Click(id); });
}
