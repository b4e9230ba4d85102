// A real Dovecot for the IMAP tests, started by the test itself: its own
// configuration, runtime directory and log in a scratch directory, serving
// one maildir tree (the nested layout, the Inbox in INBOX/) on free local
// ports: plain IMAP and IMAPS with a certificate made for the test. Login:
// any user name, the password kPassword.
#pragma once

#include "TestSupport.h"

#include <QString>

class TDovecot {
public:
  static constexpr const char* kPassword = "test-secret";

  // Serves maildir (created when missing), extraConfig added to the
  // configuration. Check Started() afterwards.
  explicit TDovecot(const QString& maildir, const QString& extraConfig = {});
  ~TDovecot();
  TDovecot(const TDovecot&) = delete;
  TDovecot& operator=(const TDovecot&) = delete;

  bool Started() const { return FRunning; }
  QString Error() const { return FError; }
  int Port() const { return FPort; }
  int TlsPort() const { return FTlsPort; }
  QString CertFile() const;  // the server's certificate (its own CA)
  QString Maildir() const { return FMaildir; }
  QString Log() const;

  // Stops the server (connections drop) and starts it again on the same ports.
  void Stop();
  bool Start();
  // Hands files the test wrote into the maildir to the mail user.
  void GiveMailToServer() const;

  // A profile's [store] section for this server (security none on Port()).
  QString StoreSection(const QString& name, const QString& extra = {}) const;

private:
  TScratchDir FDir;
  QString FMaildir;
  int FPort = 0;
  int FTlsPort = 0;
  bool FRunning = false;
  QString FError;
};
