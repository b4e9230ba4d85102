// mbox files for tests: messages as Thunderbird stores them, and stores
// opened on them as a profile's [store] with type = mbox would.
#pragma once

#include "tests/support/TestSupport.h"
#include "twktools/mbox/store.h"

// One message as Thunderbird stores it (LF line ends); an empty status
// leaves X-Mozilla-Status out.
inline QByteArray TbMessage(const QByteArray& subject, const char* status, const QByteArray& body = "Hello\n") {
  QByteArray m = "From - Thu Dec 10 15:36:25 2026\nX-Mozilla-Status: " + QByteArray(status) +
                 "\nX-Mozilla-Status2: 00000000\nFrom: Ann <ann@example.org>\nTo: bob@example.org\n"
                 "Subject: " + subject + "\nDate: Wed, 09 Dec 2026 10:00:00 +0000\nMessage-ID: <" + subject +
                 "@example.org>\n\n" + body + "\n";
  if (QByteArray(status).isEmpty()) m.replace("X-Mozilla-Status: \n", "");
  return m;
}

inline TwkPtr<twkmbox::TMboxStore> OpenMbox(const QString& path, const QString& name = {}) {
  twksession::TStoreConfig c;
  c.Type = twksession::TStoreType::Mbox;
  c.Path = path;
  c.DisplayName = name;
  return twkmbox::TMboxStore::Open(c);
}
