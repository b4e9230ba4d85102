// The host's own settings (user scope of TarnwickHost.conf): the mail client
// version it plays and whether it closes with fast shut-down.
#pragma once

#include <QString>

struct THostSettings {
  QString Version = QStringLiteral("16.0.0.0");  // "HostVersion"
  bool FastShutdown = false;                     // "FastShutdown"

  static THostSettings Load();
  // A version above 12 has an explorer ribbon.
  bool ExplorerHasRibbon() const;
};
