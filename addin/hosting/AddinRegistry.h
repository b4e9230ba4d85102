// The host's add-in registry: the settings in which an add-in registers its
// class, its library and its entry for the host, and which the host reads at
// start. User scope: ~/.config/Quendal-Software/TarnwickHost.conf; system
// scope (all users): TarnwickHost.conf in $TARNWICK_SYSCONFDIR, else in
// Qt's system settings directory (/etc/xdg).
#pragma once

#include "twktools/TWKtools.h"

#include <QList>
#include <QString>

class QSettings;

// One add-in as the host finds it.
struct TAddinEntry {
  QString ProgID;
  QString FriendlyName;
  QString Description;
  int LoadBehavior = 0;
  int CommandLineSafe = 0;
  QString ClassID;      // "{...}"
  QString LibraryPath;  // the module's file
  bool AllUsers = false;
};

// What registration writes for one add-in.
struct TAddinRegistration {
  QString HostName;     // "Outlook"
  QString ProgID;       // "TWK.Tarnwick"
  QString ClassID;
  QString ClassName;    // help text of the class
  QString LibraryID;
  QString LibraryName;  // help text of the library
  QString InterfaceID;
  QString InterfaceName;
  QString FriendlyName;
  QString Description;
  int LoadBehavior = 3;
  int CommandLineSafe = 0;
  QString LibraryPath;
};

QString GuidText(const GUID& guid);  // "{XXXXXXXX-XXXX-...}"

class TAddinRegistry {
public:
  // The settings file of one scope.
  static QString SettingsPath(bool allUsers);
  // Writes the class, the library and the add-in entry; false when the
  // settings cannot be written.
  static bool Register(const TAddinRegistration& r, bool allUsers);
  // Removes what Register wrote (both scopes may hold it).
  static bool Unregister(const TAddinRegistration& r, bool allUsers);
  // The host's add-ins; a user-scope entry hides a system one of the same id.
  static QList<TAddinEntry> Addins(const QString& hostName);
};
