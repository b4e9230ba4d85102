#include "host/HostSettings.h"

#include "addin/hosting/AddinRegistry.h"

#include <QSettings>

THostSettings THostSettings::Load() {
  THostSettings s;
  const QSettings settings(TAddinRegistry::SettingsPath(false), QSettings::IniFormat);
  const QString version = settings.value(QStringLiteral("HostVersion")).toString().trimmed();
  if (!version.isEmpty()) s.Version = version;
  s.FastShutdown = settings.value(QStringLiteral("FastShutdown"), false).toBool();
  return s;
}

bool THostSettings::ExplorerHasRibbon() const { return Version.section(QLatin1Char('.'), 0, 0).toInt() > 12; }
