#include "twktools/maildir/store.h"

#include "twktools/maildir/folder.h"
#include "twktools/maildir/ids.h"
#include "twktools/maildir/newmail.h"
#include "twktools/maildir/utf7.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace twkmaildir {

namespace {

const QString kInbox = QStringLiteral("INBOX");

bool IsDir(const QString& path) {
  struct stat st {};
  return stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The subdirectories of dir that may be folders: no dot-directories, none of
// a maildir's own cur/new/tmp. Unreadable: an error naming the directory.
QStringList SubDirectories(const QString& dir, bool dotOnly) {
  DIR* d = opendir(QFile::encodeName(dir).constData());
  if (!d)
    throw EComError(errno == EACCES ? E_ACCESSDENIED : MAPI_E_DISK_ERROR,
                    QStringLiteral("Cannot read the folder \"%1\": %2").arg(dir, QString::fromLocal8Bit(strerror(errno))));
  QStringList names;
  while (dirent* e = readdir(d)) {
    const QString name = QFile::decodeName(e->d_name);
    if (name == QStringLiteral(".") || name == QStringLiteral("..")) continue;
    if (name.startsWith(QLatin1Char('.')) != dotOnly) continue;
    if (!dotOnly && (name == QStringLiteral("cur") || name == QStringLiteral("new") || name == QStringLiteral("tmp"))) continue;
    if (e->d_type == DT_DIR || ((e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) && IsDir(dir + QLatin1Char('/') + name)))
      names << name;
  }
  closedir(d);
  return names;
}

bool HasMaildirBelow(const QString& dir, int depth) {
  if (depth == 0) return false;
  for (const QString& sub : SubDirectories(dir, false)) {
    const QString path = dir + QLatin1Char('/') + sub;
    if (IsMaildir(path) || HasMaildirBelow(path, depth - 1)) return true;
  }
  return false;
}

QString LastSegment(const QString& key) { return key.mid(key.lastIndexOf(QLatin1Char('/')) + 1); }

[[noreturn]] void RaiseOS(const QString& what, const QString& path) {
  throw EComError(errno == EACCES ? E_ACCESSDENIED : MAPI_E_DISK_ERROR,
                  QStringLiteral("%1 \"%2\": %3").arg(what, path, QString::fromLocal8Bit(strerror(errno))));
}

void MakeDir(const QString& path) {
  if (mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST) RaiseOS(QStringLiteral("Cannot create the folder"), path);
}

}  // namespace

QString ParentFolderKey(const QString& key) {
  const qsizetype slash = key.lastIndexOf(QLatin1Char('/'));
  return slash < 0 ? QString() : key.left(slash);
}

bool IsMaildir(const QString& dir) { return IsDir(dir + QStringLiteral("/cur")) && IsDir(dir + QStringLiteral("/new")); }

bool SameTextIgnoringCase(const QString& a, const QString& b) {
  const QLocale locale = QLocale::system();
  return locale.toUpper(a) == locale.toUpper(b);
}

TMaildirStore::TMaildirStore(const twksession::TStoreConfig& config, TLayout layout)
    : TStoreBase(config), FPath(QFileInfo(config.Path).absoluteFilePath()), FLayout(layout) {
  FName = config.DisplayName.isEmpty() ? QFileInfo(FPath).fileName() : config.DisplayName;
  FStoreKey = StoreKeyOf(QFileInfo(FPath).canonicalFilePath());
}

TwkPtr<TMaildirStore> TMaildirStore::Open(const twksession::TStoreConfig& config) {
  const QString path = config.Path;
  if (!IsDir(path)) throw EComError(MAPI_E_LOGON_FAILED, QStringLiteral("The mail store \"%1\" does not exist").arg(path));
  TLayout layout = TLayout::MaildirPlusPlus;
  if (!IsMaildir(path)) {
    if (!HasMaildirBelow(path, 3))
      throw EComError(MAPI_E_LOGON_FAILED, QStringLiteral("\"%1\" is not a Maildir store (no cur/ and new/ in it or below it)").arg(path));
    layout = TLayout::Nested;
  }
  return TwkPtr<TMaildirStore>::Adopt(new TMaildirStore(config, layout));
}

TwkPtr<IRDOFolder> TMaildirStore::RootFolder() { return FolderOf(QString()); }

TwkPtr<IRDOFolder> TMaildirStore::GetDefaultFolder(int folderType) {
  if (folderType != olFolderInbox)
    throw EComError(MAPI_E_NOT_FOUND, QStringLiteral("Default folder %1 is not available").arg(folderType));
  const QString key = InboxKey();
  if (key.isEmpty()) throw EComError(MAPI_E_NOT_FOUND, QStringLiteral("The mail store \"%1\" has no Inbox").arg(FName));
  return FolderOf(key);
}

QString TMaildirStore::InboxKey() {
  if (FLayout == TLayout::MaildirPlusPlus) return kInbox;
  QString found;
  for (const QString& name : SubDirectories(FPath, false)) {
    if (name == kInbox || name == QStringLiteral("Inbox")) return name;
    if (found.isEmpty() && SameTextIgnoringCase(name, kInbox)) found = name;
  }
  return found;
}

QString TMaildirStore::DirOf(const QString& key) const {
  if (key.isEmpty()) return FPath;
  if (FLayout == TLayout::Nested) return FPath + QLatin1Char('/') + key;
  if (key == kInbox) return FPath;
  return FPath + QStringLiteral("/.") + QString(key).replace(QLatin1Char('/'), QLatin1Char('.'));
}

// Every folder key of a Maildir++ store: each ".A.B" maildir and the parents
// its name implies, which need no directory of their own.
QStringList TMaildirStore::MaildirPlusPlusKeys() const {
  QStringList keys;
  for (const QString& dir : SubDirectories(FPath, true)) {
    const QStringList parts = dir.mid(1).split(QLatin1Char('.'));
    if (parts.contains(QString()) || !IsMaildir(FPath + QLatin1Char('/') + dir)) continue;
    for (qsizetype n = 1; n <= parts.size(); ++n) keys << parts.mid(0, n).join(QLatin1Char('/'));
  }
  keys.removeDuplicates();
  return keys;
}

bool TMaildirStore::FolderExists(const QString& key) {
  if (key.isEmpty()) return true;
  if (FLayout == TLayout::Nested) return IsDir(DirOf(key));
  if (key == kInbox) return true;
  return MaildirPlusPlusKeys().contains(key);
}

QString TMaildirStore::MaildirOf(const QString& key) {
  if (key.isEmpty()) return QString();  // the root is never a mail folder
  const QString dir = DirOf(key);
  return IsMaildir(dir) ? dir : QString();
}

QString TMaildirStore::DisplayNameOf(const QString& key) {
  if (key.isEmpty()) return FName;
  if (key.indexOf(QLatin1Char('/')) < 0 && key == InboxKey()) return QStringLiteral("Inbox");
  return DecodeFolderName(LastSegment(key));
}

QStringList TMaildirStore::ChildKeys(const QString& key) {
  QStringList keys;
  if (FLayout == TLayout::Nested) {
    for (const QString& name : SubDirectories(DirOf(key), false)) keys << (key.isEmpty() ? name : key + QLatin1Char('/') + name);
  } else {
    const QString prefix = key.isEmpty() ? QString() : key + QLatin1Char('/');
    for (const QString& k : MaildirPlusPlusKeys())
      if (k.startsWith(prefix) && k.indexOf(QLatin1Char('/'), prefix.size()) < 0 && !(key.isEmpty() && k == kInbox)) keys << k;
    if (key.isEmpty()) keys << kInbox;
  }
  const QString inbox = key.isEmpty() ? InboxKey() : QString();
  const QLocale locale = QLocale::system();
  std::sort(keys.begin(), keys.end(), [&](const QString& a, const QString& b) {
    if ((a == inbox) != (b == inbox)) return a == inbox;
    const QString na = locale.toUpper(DisplayNameOf(a)), nb = locale.toUpper(DisplayNameOf(b));
    return na != nb ? na < nb : a < b;
  });
  return keys;
}

QString TMaildirStore::CreateFolder(const QString& parentKey, const QString& name) {
  if (name.isEmpty()) throw EComError(E_INVALIDARG, QStringLiteral("A folder name cannot be empty"));
  for (const QString& k : ChildKeys(parentKey))
    if (SameTextIgnoringCase(DisplayNameOf(k), name))
      throw EComError(MAPI_E_COLLISION, QStringLiteral("A folder named \"%1\" already exists").arg(name));
  // "/" is the separator of every layout, "." the one of Maildir++.
  const QString escape = FLayout == TLayout::MaildirPlusPlus ? QStringLiteral("./") : QStringLiteral("/");
  const QString segment = EncodeFolderName(name, escape);
  const QString key = parentKey.isEmpty() ? segment : parentKey + QLatin1Char('/') + segment;
  if (FLayout == TLayout::MaildirPlusPlus && key == kInbox)
    throw EComError(MAPI_E_COLLISION, QStringLiteral("A folder named \"%1\" already exists").arg(name));
  const QString dir = DirOf(key);
  MakeDir(dir);
  for (const char* sub : {"tmp", "new", "cur"}) MakeDir(dir + QLatin1Char('/') + QLatin1String(sub));
  if (FLayout == TLayout::MaildirPlusPlus) {
    // Maildir++ marks its folders so delivery agents know them.
    QFile marker(dir + QStringLiteral("/maildirfolder"));
    if (!marker.open(QIODevice::WriteOnly)) RaiseOS(QStringLiteral("Cannot create the folder"), marker.fileName());
  }
  return key;
}

std::shared_ptr<TListing> TMaildirStore::ListingOf(const QString& maildir) {
  std::lock_guard g(FLock);
  auto& slot = FListings[maildir];
  if (!slot) slot = std::make_shared<TListing>(maildir);
  return slot;
}

TwkPtr<MailFolder> TMaildirStore::FolderOf(const QString& key) {
  if (!FolderExists(key)) return {};
  return TwkPtr<MailFolder>::Adopt(new TMaildirFolder(TwkPtr<TMaildirStore>(this), key));
}

TwkPtr<IRDOFolder> TMaildirStore::FolderFromID(const QString& entryID) {
  const auto id = DecodeEntryID(entryID);
  if (!id || id->IsMessage || id->StoreKey != FStoreKey) return {};
  return FolderOf(id->FolderKey);
}

TwkPtr<IRDOMail> TMaildirStore::MessageFromID(const QString& entryID) {
  const auto id = DecodeEntryID(entryID);
  if (!id || !id->IsMessage || id->StoreKey != FStoreKey) return {};
  TwkPtr<MailFolder> folder = FolderOf(id->FolderKey);
  auto* maildirFolder = static_cast<TMaildirFolder*>(folder.get());
  const auto listing = maildirFolder ? maildirFolder->Listing() : nullptr;
  const QString path = listing ? listing->FindFile(id->UniqueName) : QString();
  if (path.isEmpty()) return {};
  return OpenStoredMessage(folder.get(), path);
}

std::unique_ptr<twksession::TNewMailWatch> TMaildirStore::WatchInbox(twksession::TNewMailHandler handler) {
  if (InboxKey().isEmpty()) return nullptr;
  TwkPtr<MailFolder> inbox = FolderOf(InboxKey());
  auto* folder = static_cast<TMaildirFolder*>(inbox.get());
  if (!folder || folder->MaildirPath().isEmpty()) return nullptr;
  return std::make_unique<TNewMailWatcher>(TwkPtr<TMaildirFolder>(folder), std::move(handler));
}

}  // namespace twkmaildir
