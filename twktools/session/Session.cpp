#include "twktools/session/Session.h"

#include "twktools/maildir/Backend.h"
#include "twktools/maildir/recipient.h"

#include <QCoreApplication>
#include <QFile>
#include <pwd.h>
#include <unistd.h>

namespace twksession {

using namespace twkmaildir;

namespace {

[[noreturn]] void NotFound(const QString& what, const QString& id) {
  throw EComError(MAPI_E_NOT_FOUND, QStringLiteral("%1 not found: %2").arg(what, id));
}

class TStores final : public TComObject<IRDOStores> {
public:
  explicit TStores(std::shared_ptr<TLogon> logon) : FLogon(std::move(logon)) {}
  int Count() override { return int(FLogon->Stores.size()); }
  TwkPtr<IRDOStore> Item(int index) override {
    if (index < 1 || size_t(index) > FLogon->Stores.size())
      throw EComError(E_INVALIDARG, QStringLiteral("Store index %1 is out of range").arg(index));
    return FLogon->Stores[size_t(index - 1)];
  }
  TwkPtr<IRDOStore> DefaultStore() override {
    for (const auto& s : FLogon->Stores)
      if (s->IsDefault()) return s;
    return FLogon->Stores.front();
  }

private:
  std::shared_ptr<TLogon> FLogon;
};

// The account's full name from the password database (the first field of
// the GECOS entry), else the login name.
QString AccountUserName() {
  if (const passwd* pw = getpwuid(getuid())) {
    const QString gecos = QString::fromLocal8Bit(pw->pw_gecos ? pw->pw_gecos : "").section(QLatin1Char(','), 0, 0);
    if (!gecos.isEmpty()) return gecos;
    return QString::fromLocal8Bit(pw->pw_name);
  }
  return qEnvironmentVariable("USER");
}

}  // namespace

TSession::~TSession() {
  FWatchers.clear();
  FRetired.clear();
}

void TSession::StopWatchers() {
  for (auto& w : FWatchers) w->Stop();
  if (FDispatching) {
    for (auto& w : FWatchers) FRetired.push_back(std::move(w));
  } else {
    FRetired.clear();
  }
  FWatchers.clear();
}

void TSession::Logon() {
  auto logon = std::make_shared<TLogon>();
  logon->Profile = LoadProfile();
  for (const TStoreConfig& config : logon->Profile.Stores) logon->Stores.push_back(OpenStore(config));
  FLogon = std::move(logon);
  UpdateWatch();
}

void TSession::Logoff() {
  StopWatchers();
  FLogon.reset();
}

void TSession::SetMAPIOBJECT(IUnknown* mapiObject) {
  auto other = QueryAs<IRDOSession>(mapiObject, IID_IRDOSession);
  auto* session = dynamic_cast<TSession*>(other.get());
  if (!session) throw EComError(E_INVALIDARG, QStringLiteral("MAPIOBJECT is not a session of this component"));
  FLogon = session->FLogon;
  UpdateWatch();
}

const TLogon& TSession::RequireLogon() const {
  if (!FLogon) throw EComError(E_FAIL, QStringLiteral("The session is not logged on"));
  return *FLogon;
}

TwkPtr<IRDOStores> TSession::Stores() {
  RequireLogon();
  return TwkPtr<IRDOStores>::Adopt(new TStores(FLogon));
}

TBackendStore* TSession::DefaultStore() const {
  const TLogon& logon = RequireLogon();
  for (const auto& s : logon.Stores)
    if (s->IsDefault()) return s.get();
  return logon.Stores.front().get();
}

std::vector<TBackendStore*> TSession::StoresFor(const QString& storeID) const {
  std::vector<TBackendStore*> out;
  for (const auto& s : RequireLogon().Stores)
    // A store ID given beside the entry ID must name the same store.
    if (storeID.isEmpty() || s->StoreID().compare(storeID, Qt::CaseInsensitive) == 0) out.push_back(s.get());
  return out;
}

TwkPtr<IRDOFolder> TSession::GetFolderFromID(const QString& entryID, const QString& storeID, int) {
  for (TBackendStore* store : StoresFor(storeID))
    if (TwkPtr<IRDOFolder> folder = store->FolderFromID(entryID)) return folder;
  NotFound(QStringLiteral("Folder"), entryID);
}

TwkPtr<IRDOMail> TSession::GetMessageFromID(const QString& entryID, const QString& storeID) {
  for (TBackendStore* store : StoresFor(storeID))
    if (TwkPtr<IRDOMail> mail = store->MessageFromID(entryID)) return mail;
  NotFound(QStringLiteral("Message"), entryID);
}

TwkPtr<IRDOFolder> TSession::GetDefaultFolder(int folderType) { return DefaultStore()->GetDefaultFolder(folderType); }

bool TSession::CompareEntryIDs(const QString& id1, const QString& id2) {
  // Our IDs are canonical: the same object always has the same hex text.
  return !id1.isEmpty() && id1.compare(id2, Qt::CaseInsensitive) == 0;
}

TwkPtr<IRDOFolder> TSession::PickFolder(IRDOFolder* selected, const QString& caption, void* parentWindow, int) {
  if (!FPicker) return {};  // no window to pick in: a cancel
  return FPicker(selected, caption, parentWindow);
}

TwkPtr<IRDOAddressEntry> TSession::CurrentUser() {
  const TStoreConfig& config = DefaultStore()->Config();
  TAddress who;
  who.Name = config.UserName.isEmpty() ? AccountUserName() : config.UserName;
  who.Address = config.Address;
  return NewAddressEntry(who);
}

TwkPtr<IRDOMail> TSession::GetMessageFromFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly))
    throw EComError(MAPI_E_NOT_FOUND, QStringLiteral("Cannot read \"%1\": %2").arg(path, f.errorString()));
  return OpenLooseMessage(f.readAll(), path);
}

TwkPtr<IRDOMail> TSession::GetMessageFromMIME(const QByteArray& mime) { return OpenLooseMessage(mime, QString()); }

void TSession::Advise(IRDOSessionEvents* sink) {
  FSink = sink;
  UpdateWatch();
}

// Watches every store's Inbox while logged on with a sink, and only where an
// application object exists: without one no event loop can deliver events.
void TSession::UpdateWatch() {
  StopWatchers();
  if (!FSink || !FLogon || !QCoreApplication::instance()) return;
  for (const auto& store : FLogon->Stores) {
    auto watch = store->WatchInbox([this](const QString& entryID) {
      if (!FSink) return;
      struct TGuard {
        bool& Flag;
        bool Old;
        ~TGuard() { Flag = Old; }
      } guard{FDispatching, FDispatching};
      FDispatching = true;
      FSink->OnNewMail(entryID);
    });
    if (watch) FWatchers.push_back(std::move(watch));
  }
}

}  // namespace twksession
