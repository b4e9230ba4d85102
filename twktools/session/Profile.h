// The profile: which mail stores a session opens at logon.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace twksession {

enum class TStoreType { Maildir, Imap, Mbox, Pst };
enum class TSecurity { Tls, StartTls, None };

struct TStoreConfig {
  TStoreType Type = TStoreType::Maildir;
  QString Path;         // a maildir store's directory; an mbox store's file or directory; a pst store's file
  QString DisplayName;  // empty: the directory's name (an IMAP store: user@host)
  QString UserName;     // for CurrentUser; may be empty
  QString Address;
  bool IsDefault = false;
  // An IMAP store: the server, how the connection is secured, the login
  // name, the command that prints the password, further trusted certificates.
  QString Host;
  int Port = 0;
  TSecurity Security = TSecurity::Tls;
  QString Login;
  QString PassCmd;
  QString CaFile;
};

struct TProfile {
  QString Source;  // the profile file, or the directory used without one
  std::vector<TStoreConfig> Stores;  // exactly one is the default
};

// Finds and reads the profile: one store at the path named by TWK_STORE
// (maildir, mbox or pst, told by its content), else the file named by TWK_PROFILE, else
// $XDG_CONFIG_HOME (or ~/.config)/Quendal-Software/TWKtools.conf, else one
// store at $MAILDIR, else ~/Maildir. Throws EComError(MAPI_E_LOGON_FAILED)
// naming the places tried when no store is found, and naming the line of a
// profile file that cannot be used.
TProfile LoadProfile();

// Reads a profile file (the format in docs/TWKtools.md).
TProfile ReadProfileFile(const QString& path);

// The kind of store at path, told by its content: a directory with cur/ and
// new/ (itself or a subdirectory) is a maildir, another directory or a file
// beginning with a "From " line (or empty) mbox, a file with the Outlook
// data file header ("!BDN") pst. Throws naming the path otherwise.
TStoreType StoreTypeOf(const QString& path);

}  // namespace twksession
