#include "core/DBusOutlook.h"

#include "core/OutlookObjects.h"
#include "twktools/TWKerrors.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace {

// A call to the host; the host is never started for it.
QList<QVariant> Call(const char* method) {
  QDBusMessage m = QDBusMessage::createMethodCall(QString::fromLatin1(kHostDBusService), QString::fromLatin1(kHostDBusPath),
                                                  QString::fromLatin1(kHostDBusInterface), QString::fromLatin1(method));
  m.setAutoStartService(false);
  const QDBusMessage reply = QDBusConnection::sessionBus().call(m, QDBus::Block, 30000);
  if (reply.type() != QDBusMessage::ReplyMessage)
    throw Exception(QStringLiteral("The running Tarnwick did not answer: %1").arg(reply.errorMessage()));
  return reply.arguments();
}

QStringList StringsOf(const char* method) {
  const QList<QVariant> args = Call(method);
  return args.isEmpty() ? QStringList() : args.first().toStringList();
}

// Folder: [entryID, storeID]; empty when no folder is shown.
std::shared_ptr<TOutlookObject> FolderOf(const QStringList& ids) {
  if (ids.size() < 2) return nullptr;
  return std::make_shared<TOutlookFolderRef>(ids[0], ids[1]);
}

class TDBusExplorer final : public TOutlookExplorer {
public:
  std::shared_ptr<TOutlookObject> CurrentFolder() override { return FolderOf(StringsOf("CurrentFolder")); }
  // Items as triples entryID, storeID, message class.
  std::shared_ptr<TOutlookSelection> Selection() override {
    const QStringList flat = StringsOf("Selection");
    QList<std::shared_ptr<TOutlookObject>> items;
    for (qsizetype i = 0; i + 2 < flat.size(); i += 3) {
      std::shared_ptr<TOutlookObject> parent;
      if (!flat[i + 1].isEmpty()) parent = std::make_shared<TOutlookFolderRef>(QString(), flat[i + 1]);
      items.append(std::make_shared<TOutlookItemRef>(flat[i], flat[i + 2], parent));
    }
    return std::make_shared<TOutlookItemList>(items);
  }
};

// Another process's logon cannot be shared: the caller logs on itself.
class TDBusNameSpace final : public TOutlookNameSpace {
public:
  IUnknown* MAPIOBJECT() override { return nullptr; }
};

class TDBusOutlookApplication final : public TOutlookApplication {
public:
  std::shared_ptr<TOutlookNameSpace> GetNamespace(const QString& type) override {
    if (type.compare(QStringLiteral("MAPI"), Qt::CaseInsensitive) != 0)
      throw Exception(QStringLiteral("Unknown namespace \"%1\"").arg(type));
    return std::make_shared<TDBusNameSpace>();
  }
  QString Version() override {
    const QList<QVariant> args = Call("Version");
    return args.isEmpty() ? QString() : args.first().toString();
  }
  std::shared_ptr<TOutlookExplorer> ActiveExplorer() override {
    const QList<QVariant> args = Call("HasExplorer");
    if (args.isEmpty() || !args.first().toBool()) return nullptr;
    return std::make_shared<TDBusExplorer>();
  }
};

}  // namespace

std::unique_ptr<TOutlookApplication> ConnectRunningOutlook() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface()) return nullptr;
  if (!bus.interface()->isServiceRegistered(QString::fromLatin1(kHostDBusService)).value()) return nullptr;
  return std::make_unique<TDBusOutlookApplication>();
}
