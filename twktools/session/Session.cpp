#include "twktools/session/Session.h"

#include "twktools/maildir/folder.h"
#include "twktools/maildir/ids.h"
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
  for (const TStoreConfig& config : logon->Profile.Stores) logon->Stores.push_back(TMaildirStore::Open(config));
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

TMaildirStore* TSession::DefaultStore() const {
  const TLogon& logon = RequireLogon();
  for (const auto& s : logon.Stores)
    if (s->IsDefault()) return s.get();
  return logon.Stores.front().get();
}

TMaildirStore* TSession::StoreOfKey(const QByteArray& key, const QString& storeID) const {
  // A store ID given beside the entry ID must name the same store.
  if (!storeID.isEmpty() && DecodeStoreID(storeID) != key) return nullptr;
  for (const auto& s : RequireLogon().Stores)
    if (s->StoreKey() == key) return s.get();
  return nullptr;
}

TwkPtr<IRDOFolder> TSession::GetFolderFromID(const QString& entryID, const QString& storeID, int) {
  const auto id = DecodeEntryID(entryID);
  if (!id || id->IsMessage) NotFound(QStringLiteral("Folder"), entryID);
  TMaildirStore* store = StoreOfKey(id->StoreKey, storeID);
  TwkPtr<IRDOFolder> folder = store ? store->FolderOf(id->FolderKey) : nullptr;
  if (!folder) NotFound(QStringLiteral("Folder"), entryID);
  return folder;
}

TwkPtr<IRDOMail> TSession::GetMessageFromID(const QString& entryID, const QString& storeID) {
  const auto id = DecodeEntryID(entryID);
  if (!id || !id->IsMessage) NotFound(QStringLiteral("Message"), entryID);
  TMaildirStore* store = StoreOfKey(id->StoreKey, storeID);
  TwkPtr<MailFolder> folder = store ? store->FolderOf(id->FolderKey) : nullptr;
  auto* maildirFolder = static_cast<TMaildirFolder*>(folder.get());
  const auto listing = maildirFolder ? maildirFolder->Listing() : nullptr;
  const QString path = listing ? listing->FindFile(id->UniqueName) : QString();
  if (path.isEmpty()) NotFound(QStringLiteral("Message"), entryID);
  return OpenStoredMessage(folder.get(), path);
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
    if (store->InboxKey().isEmpty()) continue;
    TwkPtr<MailFolder> inbox = store->FolderOf(store->InboxKey());
    auto* folder = static_cast<TMaildirFolder*>(inbox.get());
    if (folder->MaildirPath().isEmpty()) continue;
    FWatchers.push_back(std::make_unique<TNewMailWatcher>(TwkPtr<TMaildirFolder>(folder), [this](const QString& entryID) {
      if (!FSink) return;
      struct TGuard {
        bool& Flag;
        bool Old;
        ~TGuard() { Flag = Old; }
      } guard{FDispatching, FDispatching};
      FDispatching = true;
      FSink->OnNewMail(entryID);
    }));
  }
}

}  // namespace twksession
