#include "host/DBusApplication.h"

#include "core/Outlook.h"

#include <QDBusConnection>
#include <QDBusError>

bool TDBusApplication::Publish() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  if (!bus.registerObject(QString::fromLatin1(kHostDBusPath), this, QDBusConnection::ExportScriptableSlots)) return false;
  return bus.registerService(QString::fromLatin1(kHostDBusService));
}

template <class T, class F>
T TDBusApplication::Answer(F f) {
  try {
    return f();
  } catch (const std::exception& e) {
    sendErrorReply(QDBusError::Failed, QString::fromUtf8(e.what()));
    return T();
  }
}

QString TDBusApplication::Version() {
  return Answer<QString>([this] { return FApp->Version(); });
}

bool TDBusApplication::HasExplorer() {
  return Answer<bool>([this] { return FApp->ActiveExplorer() != nullptr; });
}

QStringList TDBusApplication::CurrentFolder() {
  return Answer<QStringList>([this] { return CurrentFolderIDs(); });
}

QStringList TDBusApplication::Selection() {
  return Answer<QStringList>([this] { return SelectionIDs(); });
}

QStringList TDBusApplication::CurrentFolderIDs() {
  const auto explorer = FApp->ActiveExplorer();
  const auto folder = explorer ? explorer->CurrentFolder() : nullptr;
  if (!folder) return {};
  return {folder->EntryID(), folder->StoreID()};
}

QStringList TDBusApplication::SelectionIDs() {
  QStringList flat;
  const auto explorer = FApp->ActiveExplorer();
  if (!explorer) return flat;
  const auto selection = explorer->Selection();
  for (int i = 1; i <= selection->Count(); ++i) {
    const auto item = selection->Item(i);
    const auto parent = item->Parent();
    flat << item->EntryID() << (parent ? parent->StoreID() : QString()) << item->MessageClass();
  }
  return flat;
}
