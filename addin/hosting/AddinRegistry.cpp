#include "addin/hosting/AddinRegistry.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <memory>

namespace {

const char* kFileName = "Quendal-Software/TarnwickHost.conf";

std::unique_ptr<QSettings> Open(bool allUsers) {
  return std::make_unique<QSettings>(TAddinRegistry::SettingsPath(allUsers), QSettings::IniFormat);
}

QString AddinKey(const QString& host, const QString& progID) {
  return QStringLiteral("Office/%1/AddIns/%2").arg(host, progID);
}

bool Written(QSettings& s) {
  s.sync();
  return s.status() == QSettings::NoError;
}

}  // namespace

QString GuidText(const GUID& g) {
  QString s = QStringLiteral("{%1-%2-%3-").arg(g.Data1, 8, 16, QLatin1Char('0')).arg(g.Data2, 4, 16, QLatin1Char('0')).arg(g.Data3, 4, 16, QLatin1Char('0'));
  for (int i = 0; i < 8; ++i) {
    if (i == 2) s += QLatin1Char('-');
    s += QStringLiteral("%1").arg(g.Data4[i], 2, 16, QLatin1Char('0'));
  }
  return s.toUpper() + QLatin1Char('}');
}

QString TAddinRegistry::SettingsPath(bool allUsers) {
  if (!allUsers)
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + QLatin1String(kFileName);
  QString dir = qEnvironmentVariable("TARNWICK_SYSCONFDIR");
  if (dir.isEmpty()) {
    // Qt's system scope directory (/etc/xdg on Debian).
    const QSettings probe(QSettings::IniFormat, QSettings::SystemScope, QStringLiteral("Quendal-Software"), QStringLiteral("TarnwickHost"));
    return probe.fileName();
  }
  return dir + QLatin1Char('/') + QLatin1String(kFileName);
}

bool TAddinRegistry::Register(const TAddinRegistration& r, bool allUsers) {
  const QString path = SettingsPath(allUsers);
  QDir().mkpath(QFileInfo(path).path());
  auto s = Open(allUsers);
  s->setValue(QStringLiteral("Classes/%1/CLSID").arg(r.ProgID), r.ClassID);
  s->beginGroup(QStringLiteral("Classes/CLSID/%1").arg(r.ClassID));
  s->setValue(QStringLiteral("Name"), r.ClassName);
  s->setValue(QStringLiteral("ProgID"), r.ProgID);
  s->setValue(QStringLiteral("InprocServer32"), r.LibraryPath);
  s->setValue(QStringLiteral("ThreadingModel"), QStringLiteral("Apartment"));
  s->setValue(QStringLiteral("TypeLib"), r.LibraryID);
  s->endGroup();
  s->beginGroup(QStringLiteral("Classes/TypeLib/%1").arg(r.LibraryID));
  s->setValue(QStringLiteral("Name"), r.LibraryName);
  s->setValue(QStringLiteral("Path"), r.LibraryPath);
  s->endGroup();
  s->beginGroup(QStringLiteral("Classes/Interface/%1").arg(r.InterfaceID));
  s->setValue(QStringLiteral("Name"), r.InterfaceName);
  s->setValue(QStringLiteral("TypeLib"), r.LibraryID);
  s->endGroup();
  s->beginGroup(AddinKey(r.HostName, r.ProgID));
  s->setValue(QStringLiteral("FriendlyName"), r.FriendlyName);
  s->setValue(QStringLiteral("Description"), r.Description);
  s->setValue(QStringLiteral("LoadBehavior"), r.LoadBehavior);
  s->setValue(QStringLiteral("CommandLineSafe"), r.CommandLineSafe);
  s->endGroup();
  return Written(*s);
}

bool TAddinRegistry::Unregister(const TAddinRegistration& r, bool allUsers) {
  auto s = Open(allUsers);
  s->remove(AddinKey(r.HostName, r.ProgID));
  s->remove(QStringLiteral("Classes/%1").arg(r.ProgID));
  s->remove(QStringLiteral("Classes/CLSID/%1").arg(r.ClassID));
  s->remove(QStringLiteral("Classes/TypeLib/%1").arg(r.LibraryID));
  s->remove(QStringLiteral("Classes/Interface/%1").arg(r.InterfaceID));
  return Written(*s);
}

QList<TAddinEntry> TAddinRegistry::Addins(const QString& hostName) {
  QList<TAddinEntry> result;
  for (const bool allUsers : {false, true}) {
    auto s = Open(allUsers);
    s->beginGroup(QStringLiteral("Office/%1/AddIns").arg(hostName));
    const QStringList ids = s->childGroups();
    s->endGroup();
    for (const QString& id : ids) {
      bool hidden = false;
      for (const TAddinEntry& e : result) hidden = hidden || e.ProgID == id;
      if (hidden) continue;
      TAddinEntry e;
      e.ProgID = id;
      e.AllUsers = allUsers;
      s->beginGroup(AddinKey(hostName, id));
      e.FriendlyName = s->value(QStringLiteral("FriendlyName")).toString();
      e.Description = s->value(QStringLiteral("Description")).toString();
      e.LoadBehavior = s->value(QStringLiteral("LoadBehavior")).toInt();
      e.CommandLineSafe = s->value(QStringLiteral("CommandLineSafe")).toInt();
      s->endGroup();
      e.ClassID = s->value(QStringLiteral("Classes/%1/CLSID").arg(id)).toString();
      e.LibraryPath = s->value(QStringLiteral("Classes/CLSID/%1/InprocServer32").arg(e.ClassID)).toString();
      result.append(e);
    }
  }
  return result;
}
