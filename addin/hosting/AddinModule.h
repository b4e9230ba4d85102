// The module side of the hosting layer: the add-in object the host talks to.
// A module derives from TAddinModule, sets its name and description, defines
// its ribbon tab and command bar, and overrides the event handlers; every
// handler runs inside the error trap.
#pragma once

#include "addin/hosting/AddinHosting.h"

#include <atomic>
#include <functional>

class TAddinModule : public IAddinConnection {
public:
  TAddinModule();

  // IUnknown
  HRESULT QueryInterface(const IID& iid, void** object) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;

  // IAddinConnection: each runs the matching handler in the error trap.
  void OnConnection(IAddinHost* host) override { FHost = host; }
  void OnStartupComplete() override;
  void OnBeginShutdown() override;
  void OnDisconnection() override { FHost = nullptr; }
  void OnItemSend(IRDOMail* item, bool& cancel) override;
  void OnQuit() override;
  bool UseForRibbon() override { return FUseForRibbon; }
  void OnClick(const QString& id) override;

  // Module settings.
  const QString& AddInName() const { return FAddInName; }
  const QString& Description() const { return FDescription; }

  // The host's application object and shut-down behaviour.
  TOutlookApplication* OutlookApp() const;
  TOutlookShutdownBehavior OutlookShutdownBehavior() const;
  QWidget* MainWindow() const { return FHost ? FHost->MainWindow() : nullptr; }

  // Shows a trapped error; a message box unless replaced (tests record them).
  std::function<void(const QString& text)> OnTrappedError;

  // Objects alive in this library (DllCanUnloadNow).
  static int ObjectCount() { return FObjects.load(); }

protected:
  ~TAddinModule() override;
  void SetAddInName(const QString& v) { FAddInName = v; }
  void SetDescription(const QString& v) { FDescription = v; }
  void SetUseForRibbon(bool v) { FUseForRibbon = v; }

  virtual void AddInStartupComplete() {}
  virtual void AddInBeginShutdown() {}
  virtual void ItemSend(IRDOMail*, bool&) {}
  virtual void Quit() {}
  virtual void Click(const QString&) {}

  // Runs f; an exception escaping it is shown as
  // "%s error: the add-in has fired an exception.\r\n%s".
  void Trap(const std::function<void()>& f);

private:
  std::atomic<std::uint32_t> FRefs{1};
  static std::atomic<int> FObjects;
  IAddinHost* FHost = nullptr;
  QString FAddInName;
  QString FDescription;
  bool FUseForRibbon = true;
};
