// Loads the add-ins registered for the host, connects them, builds their
// ribbon tabs and command bars in the explorer window, and delivers the
// application's events and the start-up and shut-down calls to them.
#pragma once

#include "addin/hosting/AddinHosting.h"
#include "addin/hosting/AddinRegistry.h"

#include <QStringList>
#include <functional>
#include <vector>

class QToolBar;
class QWidget;

class TAddinManager final : public IAddinHost {
public:
  TAddinManager(TOutlookApplication* app, QWidget* window) : FApp(app), FWindow(window) {}
  ~TAddinManager();

  // Loads every registered add-in with load behaviour 3 (the library through
  // DllGetClassObject), connects it and raises start-up complete. Failures
  // are collected in Errors().
  void LoadRegistered(const QString& hostName);
  // Connects one add-in object (the loader above and tests use it).
  void Connect(const TAddinEntry& entry, TwkPtr<IAddinConnection> addin);
  const QStringList& Errors() const { return FErrors; }

  // The add-ins' user interface: ribbon tabs where the explorer has a ribbon,
  // command bars where it has none or the add-in keeps them.
  void BuildUserInterface(bool explorerHasRibbon, const std::function<void(QWidget* tab, const QString& caption)>& addTab,
                          const std::function<void(QToolBar* bar)>& addBar);

  // Application events.
  void ItemSend(IRDOMail* item, bool& cancel);
  // The host closes: Quit, then (unless fast) begin-shutdown and disconnection.
  void Shutdown(TOutlookShutdownBehavior behavior);

  // IAddinHost
  TOutlookApplication* OutlookApp() override { return FApp; }
  TOutlookShutdownBehavior OutlookShutdownBehavior() override { return FBehavior; }
  QWidget* MainWindow() override { return FWindow; }

private:
  struct TLoaded {
    TAddinEntry Entry;
    TwkPtr<IAddinConnection> Addin;
  };
  TwkPtr<IAddinConnection> CreateAddin(const TAddinEntry& entry);

  TOutlookApplication* FApp;
  QWidget* FWindow;
  TOutlookShutdownBehavior FBehavior = osNormal;
  std::vector<TLoaded> FAddins;
  QStringList FErrors;
  bool FShutDown = false;
};
