// The host's application object as the add-in gets it (OutlookApp): version,
// the "MAPI" namespace sharing the host's logon, and the explorer window's
// current folder and selection.
#pragma once

#include "core/Outlook.h"
#include "twktools/TWKtools.h"

#include <QList>

class TRDOSession;

// What the explorer window shows, as the application object asks for it.
class IExplorerView {
public:
  virtual TwkPtr<IRDOFolder> CurrentFolder() = 0;
  // The selected messages: entry ID and message class.
  virtual QList<QPair<QString, QString>> SelectedItems() = 0;

protected:
  ~IExplorerView() = default;
};

class THostApplication final : public TOutlookApplication {
public:
  THostApplication(QString version, TRDOSession* session) : FVersion(std::move(version)), FSession(session) {}
  void SetExplorer(IExplorerView* view) { FView = view; }

  std::shared_ptr<TOutlookNameSpace> GetNamespace(const QString& type) override;
  QString Version() override { return FVersion; }
  std::shared_ptr<TOutlookExplorer> ActiveExplorer() override;

private:
  QString FVersion;
  TRDOSession* FSession;  // borrowed: the host's logon
  IExplorerView* FView = nullptr;
};
