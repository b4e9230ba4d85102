#include "core/RDOSession.h"

TRDOSession::~TRDOSession() {
  if (FSession) FSession->Advise(nullptr);
}

void TRDOSession::ConnectTo(TwkPtr<IRDOSession> session) {
  if (FSession) FSession->Advise(nullptr);
  FSession = std::move(session);
  if (FSession) FSession->Advise(&FSink);
}

IRDOSession* TRDOSession::operator->() const {
  if (!FSession) throw Exception(QStringLiteral("The session is not connected"));
  return FSession.get();
}

void TRDOSession::Logon() { (*this)->Logon(); }

void TRDOSession::Logoff() { (*this)->Logoff(); }

IUnknown* TRDOSession::MAPIOBJECT() { return (*this)->MAPIOBJECT(); }

void TRDOSession::SetMAPIOBJECT(IUnknown* mapiObject) { (*this)->SetMAPIOBJECT(mapiObject); }

void TRDOSession::TSink::OnNewMail(const QString& entryID) {
  if (!FOwner.OnNewMail) return;
  // The event arrives from the event loop, which an error must not unwind
  // through. Handlers report their own errors; what still escapes is
  // dropped, as the desktop client drops an event handler's error.
  try {
    FOwner.OnNewMail(entryID);
  } catch (const std::exception&) {
  }
}
