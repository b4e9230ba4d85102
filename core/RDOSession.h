// The system's wrapper of the component's session: binds it, logs on and off,
// shares a logon, and hands the new-mail event on.
#pragma once

#include "twktools/TWKtools.h"

#include <functional>

class TRDOSession {
public:
  using TNewMailEvent = std::function<void(const QString& entryID)>;

  TRDOSession() = default;
  ~TRDOSession();
  TRDOSession(const TRDOSession&) = delete;
  TRDOSession& operator=(const TRDOSession&) = delete;

  // Binds the wrapper to a session object and subscribes to its events.
  void ConnectTo(TwkPtr<IRDOSession> session);
  void Logon();
  void Logoff();
  IUnknown* MAPIOBJECT();
  void SetMAPIOBJECT(IUnknown* mapiObject);

  // Called once per newly delivered message, on the session's thread.
  TNewMailEvent OnNewMail;

  // The bound session (none before ConnectTo).
  IRDOSession* Intf() const { return FSession.get(); }
  IRDOSession* operator->() const;

private:
  // Receives the session's events for the wrapper.
  class TSink final : public IRDOSessionEvents {
  public:
    explicit TSink(TRDOSession& owner) : FOwner(owner) {}
    void OnNewMail(const QString& entryID) override;

  private:
    TRDOSession& FOwner;
  };

  TwkPtr<IRDOSession> FSession;
  TSink FSink{*this};
};
