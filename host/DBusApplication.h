// The host's application object on the session D-Bus, for the console
// program run beside the window: version, current folder, selection.
#pragma once

#include "core/DBusOutlook.h"

#include <QDBusContext>
#include <QObject>
#include <QStringList>

class TOutlookApplication;

class TDBusApplication final : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.quendal.Tarnwick.Application")

public:
  explicit TDBusApplication(TOutlookApplication* app, QObject* parent = nullptr) : QObject(parent), FApp(app) {}
  // Publishes the object; false when the bus or the name is not to be had
  // (another host holds it).
  bool Publish();

public Q_SLOTS:
  Q_SCRIPTABLE QString Version();
  Q_SCRIPTABLE bool HasExplorer();
  // [entryID, storeID], empty when no folder is shown.
  Q_SCRIPTABLE QStringList CurrentFolder();
  // entryID, storeID, message class for each selected item.
  Q_SCRIPTABLE QStringList Selection();

private:
  // Runs f; a store error becomes the call's error reply.
  template <class T, class F>
  T Answer(F f);
  QStringList CurrentFolderIDs();
  QStringList SelectionIDs();

  TOutlookApplication* FApp;
};
