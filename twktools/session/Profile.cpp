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

TProfile SingleStore(const QString& path) {
  TProfile p;
  p.Source = path;
  TStoreConfig s;
  s.Path = path;
  s.IsDefault = true;
  p.Stores.push_back(s);
  return p;
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
    } else {
      lineError(i + 1, QStringLiteral("unknown key \"%1\"").arg(key));
    }
  }
  if (p.Stores.empty()) Fail(QStringLiteral("Profile \"%1\" names no [store]").arg(path));
  int defaults = 0;
  for (size_t i = 0; i < p.Stores.size(); ++i) {
    if (p.Stores[i].Path.isEmpty()) Fail(QStringLiteral("Profile \"%1\": store %2 has no path").arg(path).arg(i + 1));
    defaults += p.Stores[i].IsDefault ? 1 : 0;
  }
  if (defaults > 1) Fail(QStringLiteral("Profile \"%1\" names more than one default store").arg(path));
  if (defaults == 0) p.Stores.front().IsDefault = true;
  return p;
}

TProfile LoadProfile() {
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
