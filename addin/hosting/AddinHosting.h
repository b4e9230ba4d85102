// The add-in hosting layer: what the desktop host and an add-in module share.
// The host loads a module with dlopen, creates its add-in object through
// DllGetClassObject and talks to it through IAddinConnection; the module sees
// the host through IAddinHost.
#pragma once

#include "core/Outlook.h"
#include "twktools/TWKtools.h"

#include <QIcon>
#include <QList>
#include <QString>

class QWidget;

// How the host is closing (OutlookShutdownBehavior).
enum TOutlookShutdownBehavior { osNormal, osFast };

// One control of a ribbon tab or a command bar, with its children.
struct TAddinControl {
  enum TKind { ckTab, ckGroup, ckBox, ckButton, ckMenu, ckMenuSeparator, ckCommandBar, ckPopup, ckMenuItem };
  TKind Kind = ckButton;
  QString Id;       // ribbon id; for command bar controls the Office tag
  QString Caption;
  QString ScreenTip;
  QString SuperTip;
  int ImageIndex = -1;  // into the module's image list; -1 none
  bool Large = false;
  bool BeginGroup = false;
  bool Enabled = true;
  QList<TAddinControl> Children;
};

// The host as the module sees it (the framework's OutlookApp and friends).
class IAddinHost {
public:
  virtual TOutlookApplication* OutlookApp() = 0;
  virtual TOutlookShutdownBehavior OutlookShutdownBehavior() = 0;
  // The window dialogs are owned by; null without a window.
  virtual QWidget* MainWindow() = 0;

protected:
  ~IAddinHost() = default;
};

// {3F1C8A52-6D0E-4B7A-9A1E-5C2B7D40A001}: our own, the add-in connection.
constexpr IID IID_IAddinConnection = {0x3F1C8A52, 0x6D0E, 0x4B7A, {0x9A, 0x1E, 0x5C, 0x2B, 0x7D, 0x40, 0xA0, 0x01}};

// The add-in object as the host sees it. Every call arrives on the host's
// main thread; the module traps its own errors.
class IAddinConnection : public IUnknown {
public:
  virtual void OnConnection(IAddinHost* host) = 0;
  virtual void OnStartupComplete() = 0;
  virtual void OnBeginShutdown() = 0;
  virtual void OnDisconnection() = 0;
  // Application events.
  virtual void OnItemSend(IRDOMail* item, bool& cancel) = 0;
  virtual void OnQuit() = 0;
  // The user interface the module defines; built by the host after start-up.
  virtual TAddinControl RibbonTab() = 0;          // empty Id: none
  virtual TAddinControl ExplorerCommandBar() = 0;  // empty Caption: none
  // Keep the command bar where the explorer has a ribbon.
  virtual bool UseForRibbon() = 0;
  virtual QIcon Image(int index) = 0;
  // A click on the control with this id (ribbon) or tag (command bar).
  virtual void OnClick(const QString& id) = 0;
};

// The error trap's text: "%s error: the add-in has fired an exception.\r\n%s".
QString AddinExceptionText(const QString& addinName, const QString& message);
