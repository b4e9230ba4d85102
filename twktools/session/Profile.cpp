#include "twktools/session/Profile.h"

#include "twktools/TWKerrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace twksession {

namespace {

[[noreturn]] void Fail(const QString& message) { throw EComError(MAPI_E_LOGON_FAILED, message); }

QString Trimmed(const QString& s) {
  qsizetype a = 0, b = s.size();
  while (a < b && s[a].unicode() <= 32) ++a;
  while (b > a && s[b - 1].unicode() <= 32) --b;
  return s.mid(a, b - a);
}

QString HomeDir() { return QDir::homePath(); }

QString ExpandHome(const QString& path) {
  if (path == QStringLiteral("~")) return HomeDir();
  if (path.startsWith(QStringLiteral("~/"))) return HomeDir() + path.mid(1);
  return path;
}

bool ParseBool(const QString& value, bool& out) {
  const QString v = value.toLower();
  if (v == QStringLiteral("yes") || v == QStringLiteral("true") || v == QStringLiteral("1")) return out = true, true;
  if (v == QStringLiteral("no") || v == QStringLiteral("false") || v == QStringLiteral("0")) return out = false, true;
  return false;
}

QString ConfigPath() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = HomeDir() + QStringLiteral("/.config");
  return base + QStringLiteral("/Quendal-Software/TWKtools.conf");
}

TProfile SingleStore(const QString& path, TStoreType type = TStoreType::Maildir) {
  TProfile p;
  p.Source = path;
  TStoreConfig s;
  s.Type = type;
  s.Path = path;
  s.IsDefault = true;
  p.Stores.push_back(s);
  return p;
}

bool IsLocalHost(const QString& host) {
  const QString h = host.toLower();
  return h == QStringLiteral("localhost") || h == QStringLiteral("::1") || h.startsWith(QStringLiteral("127."));
}

// An IMAP store: `user` is the login name there; the port follows the security.
void CheckImapStore(const QString& path, int number, TStoreConfig& s) {
  auto fail = [&](const QString& what) { Fail(QStringLiteral("Profile \"%1\": store %2 %3").arg(path).arg(number).arg(what)); };
  if (s.Host.isEmpty()) fail(QStringLiteral("has type imap but no host"));
  if (s.UserName.isEmpty()) fail(QStringLiteral("has type imap but no user"));
  if (!s.Path.isEmpty()) fail(QStringLiteral("has type imap and a path (a server store has no directory)"));
  // Without TLS the password crosses the network in clear text.
  if (s.Security == TSecurity::None && !IsLocalHost(s.Host))
    fail(QStringLiteral("has security none for the host %1 (allowed only for localhost)").arg(s.Host));
  s.Login = s.UserName;
  s.UserName.clear();
  if (s.Port == 0) s.Port = s.Security == TSecurity::Tls ? 993 : 143;
  if (s.DisplayName.isEmpty()) s.DisplayName = s.Login + QLatin1Char('@') + s.Host;
}

}  // namespace

TProfile ReadProfileFile(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) Fail(QStringLiteral("Cannot read the profile \"%1\": %2").arg(path, f.errorString()));
  TProfile p;
  p.Source = path;
  const QString baseDir = QFileInfo(path).absolutePath();
  const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
  TStoreConfig* current = nullptr;
  auto lineError = [&](int no, const QString& what) {
    Fail(QStringLiteral("Profile \"%1\", line %2: %3").arg(path).arg(no).arg(what));
  };
  for (int i = 0; i < lines.size(); ++i) {
    const QString line = Trimmed(lines[i]);
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';'))) continue;
    if (line.startsWith(QLatin1Char('['))) {
      if (line.compare(QStringLiteral("[store]"), Qt::CaseInsensitive) != 0)
        lineError(i + 1, QStringLiteral("unknown section %1 (only [store] is known)").arg(line));
      p.Stores.emplace_back();
      current = &p.Stores.back();
      continue;
    }
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0) lineError(i + 1, QStringLiteral("expected \"key = value\""));
    if (!current) lineError(i + 1, QStringLiteral("a setting before the first [store]"));
    const QString key = Trimmed(line.left(eq)).toLower();
    const QString value = Trimmed(line.mid(eq + 1));
    if (key == QStringLiteral("path")) {
      const QString expanded = ExpandHome(value);
      current->Path = QDir::isAbsolutePath(expanded) ? expanded : QDir(baseDir).filePath(expanded);
    } else if (key == QStringLiteral("name")) {
      current->DisplayName = value;
    } else if (key == QStringLiteral("user")) {
      current->UserName = value;
    } else if (key == QStringLiteral("address")) {
      current->Address = value;
    } else if (key == QStringLiteral("default")) {
      if (!ParseBool(value, current->IsDefault)) lineError(i + 1, QStringLiteral("default must be yes or no"));
    } else if (key == QStringLiteral("type")) {
      if (value.compare(QStringLiteral("maildir"), Qt::CaseInsensitive) == 0)
        current->Type = TStoreType::Maildir;
      else if (value.compare(QStringLiteral("imap"), Qt::CaseInsensitive) == 0)
        current->Type = TStoreType::Imap;
      else if (value.compare(QStringLiteral("mbox"), Qt::CaseInsensitive) == 0)
        current->Type = TStoreType::Mbox;
      else if (value.compare(QStringLiteral("pst"), Qt::CaseInsensitive) == 0)
        current->Type = TStoreType::Pst;
      else
        lineError(i + 1, QStringLiteral("type must be maildir, imap, mbox or pst"));
    } else if (key == QStringLiteral("host")) {
      current->Host = value;
    } else if (key == QStringLiteral("port")) {
      bool ok = false;
      current->Port = value.toInt(&ok);
      if (!ok || current->Port < 1 || current->Port > 65535) lineError(i + 1, QStringLiteral("port must be 1 to 65535"));
    } else if (key == QStringLiteral("security")) {
      const QString v = value.toLower();
      if (v == QStringLiteral("tls"))
        current->Security = TSecurity::Tls;
      else if (v == QStringLiteral("starttls"))
        current->Security = TSecurity::StartTls;
      else if (v == QStringLiteral("none"))
        current->Security = TSecurity::None;
      else
        lineError(i + 1, QStringLiteral("security must be tls, starttls or none"));
    } else if (key == QStringLiteral("passcmd")) {
      current->PassCmd = value;
    } else if (key == QStringLiteral("cafile")) {
      const QString expanded = ExpandHome(value);
      current->CaFile = QDir::isAbsolutePath(expanded) ? expanded : QDir(baseDir).filePath(expanded);
    } else if (key == QStringLiteral("password") || key == QStringLiteral("pass")) {
      // Profiles are read by anyone who can read the user's files.
      lineError(i + 1, QStringLiteral("a password never stands in the profile; use passcmd or the desktop keyring"));
    } else {
      lineError(i + 1, QStringLiteral("unknown key \"%1\"").arg(key));
    }
  }
  if (p.Stores.empty()) Fail(QStringLiteral("Profile \"%1\" names no [store]").arg(path));
  int defaults = 0;
  for (size_t i = 0; i < p.Stores.size(); ++i) {
    TStoreConfig& s = p.Stores[i];
    if (s.Type == TStoreType::Imap)
      CheckImapStore(path, int(i + 1), s);
    else if (s.Path.isEmpty())
      Fail(QStringLiteral("Profile \"%1\": store %2 has no path").arg(path).arg(i + 1));
    defaults += s.IsDefault ? 1 : 0;
  }
  if (defaults > 1) Fail(QStringLiteral("Profile \"%1\" names more than one default store").arg(path));
  if (defaults == 0) p.Stores.front().IsDefault = true;
  return p;
}

TStoreType StoreTypeOf(const QString& path) {
  const QFileInfo info(path);
  if (info.isDir()) {
    // A maildir at the top or one level down (Maildir++ ".Sub", nested "Inbox").
    auto isMaildir = [](const QDir& d) { return d.exists(QStringLiteral("cur")) && d.exists(QStringLiteral("new")); };
    const QDir d(path);
    if (isMaildir(d)) return TStoreType::Maildir;
    for (const QString& sub : d.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
      if (isMaildir(QDir(d.filePath(sub)))) return TStoreType::Maildir;
    return TStoreType::Mbox;
  }
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) Fail(QStringLiteral("Cannot read the store \"%1\": %2").arg(path, f.errorString()));
  const QByteArray head = f.read(5);
  if (head.isEmpty() || head == "From ") return TStoreType::Mbox;
  if (head.startsWith("!BDN")) return TStoreType::Pst;
  Fail(QStringLiteral("\"%1\" is no mail store: neither a maildir (cur/ and new/), an mbox file (a \"From \" line) nor an Outlook data file (.pst/.ost)").arg(path));
}

TProfile LoadProfile() {
  // One store named on the command line (twk folders --store), its kind told by its content.
  const QString single = qEnvironmentVariable("TWK_STORE");
  if (!single.isEmpty()) {
    if (!QFileInfo::exists(single)) Fail(QStringLiteral("The store \"%1\" does not exist").arg(single));
    return SingleStore(QFileInfo(single).absoluteFilePath(), StoreTypeOf(single));
  }
  QStringList tried;
  const QString env = qEnvironmentVariable("TWK_PROFILE");
  if (!env.isEmpty()) {
    // Named on purpose: never fall back to another store behind the user's back.
    if (!QFileInfo(env).isFile()) Fail(QStringLiteral("The profile named by TWK_PROFILE does not exist: %1").arg(env));
    return ReadProfileFile(env);
  }
  tried << QStringLiteral("TWK_PROFILE (not set)");
  const QString conf = ConfigPath();
  if (QFileInfo(conf).isFile()) return ReadProfileFile(conf);
  tried << conf;
  const QString maildir = qEnvironmentVariable("MAILDIR");
  if (!maildir.isEmpty()) {
    if (QFileInfo(maildir).isDir()) return SingleStore(maildir);
    tried << QStringLiteral("$MAILDIR (%1)").arg(maildir);
  } else {
    tried << QStringLiteral("$MAILDIR (not set)");
  }
  const QString home = HomeDir() + QStringLiteral("/Maildir");
  if (QFileInfo(home).isDir()) return SingleStore(home);
  tried << home;
  Fail(QStringLiteral("No mail store found; looked at: %1").arg(tried.join(QStringLiteral(", "))));
}

}  // namespace twksession
