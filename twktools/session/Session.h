// The session object: logon with the profile, the stores, lookups by ID,
// the folder picker hook, the current user and the new-mail event.
#pragma once

#include "twktools/maildir/comobject.h"
#include "twktools/session/Profile.h"
#include "twktools/session/StoreBackend.h"

#include <memory>
#include <vector>

namespace twksession {

// What sessions sharing one logon have in common.
struct TLogon {
  TProfile Profile;
  std::vector<TwkPtr<TBackendStore>> Stores;
};

class TSession final : public twkmaildir::TComObject<IRDOSession> {
public:
  TSession() = default;

  void Logon() override;
  void Logoff() override;
  bool LoggedOn() override { return FLogon != nullptr; }
  void SetMAPIOBJECT(IUnknown* mapiObject) override;
  IUnknown* MAPIOBJECT() override { return this; }

  TwkPtr<IRDOStores> Stores() override;
  TwkPtr<IRDOMail> GetMessageFromID(const QString& entryID, const QString& storeID) override;
  TwkPtr<IRDOFolder> GetFolderFromID(const QString& entryID, const QString& storeID, int flags) override;
  TwkPtr<IRDOFolder> GetDefaultFolder(int folderType) override;
  bool CompareEntryIDs(const QString& id1, const QString& id2) override;
  TwkPtr<IRDOFolder> PickFolder(IRDOFolder* selected, const QString& caption, void* parentWindow, int flags) override;
  void SetFolderPicker(TFolderPicker picker) override { FPicker = std::move(picker); }
  TwkPtr<IRDOAddressEntry> CurrentUser() override;
  TwkPtr<IRDOMail> GetMessageFromFile(const QString& path) override;
  TwkPtr<IRDOMail> GetMessageFromMIME(const QByteArray& mime) override;
  void Advise(IRDOSessionEvents* sink) override;

protected:
  ~TSession() override;
  bool AnswersInterface(const IID& iid) override { return iid == IID_IRDOSession; }

private:
  const TLogon& RequireLogon() const;
  // The stores an ID may belong to: all, or the one storeID names.
  std::vector<TBackendStore*> StoresFor(const QString& storeID) const;
  TBackendStore* DefaultStore() const;
  void UpdateWatch();

  std::shared_ptr<TLogon> FLogon;
  TFolderPicker FPicker;
  IRDOSessionEvents* FSink = nullptr;
  std::vector<std::unique_ptr<TNewMailWatch>> FWatchers;
  // Watchers stopped while one of them was delivering an event: they are
  // still on the call stack and go at the next change or with the session.
  std::vector<std::unique_ptr<TNewMailWatch>> FRetired;
  bool FDispatching = false;
  void StopWatchers();
};

}  // namespace twksession
