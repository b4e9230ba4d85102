#include "twktools/mbox/store.h"

#include "twktools/mbox/folder.h"
#include "twktools/mbox/ids.h"
#include "twktools/mbox/indexcache.h"
#include "twktools/mbox/message.h"

#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>

namespace twkmbox {

namespace {

// Index and state files beside the mbox files are never folders.
bool IsStateFile(const QString& name) {
  static const char* const kSuffixes[] = {".msf", ".dat", ".json", ".html", ".sqlite", ".sqlite-wal", ".sqlite-shm",
                                          ".js", ".mozlz4"};
  for (const char* s : kSuffixes)
    if (name.endsWith(QLatin1String(s), Qt::CaseInsensitive)) return true;
  return false;
}

QString WithoutMboxSuffix(const QString& name) {
  return name.endsWith(QLatin1String(".mbox"), Qt::CaseInsensitive) && name.size() > 5 ? name.chopped(5) : name;
}

bool IsAppleMailbox(const QString& dirPath) {
  return dirPath.endsWith(QLatin1String(".mbox"), Qt::CaseInsensitive) && QFileInfo(dirPath + QStringLiteral("/mbox")).isFile();
}

QString JoinKey(const QString& prefix, const QString& name) {
  return prefix.isEmpty() ? name : prefix + QLatin1Char('/') + name;
}

const QStringList kAccountParents = {QStringLiteral("Mail"), QStringLiteral("ImapMail")};

}  // namespace

bool IsMboxFolderFile(const QString& path) {
  const QFileInfo info(path);
  if (!info.isFile() || IsStateFile(info.fileName())) return false;
  if (info.size() == 0) return QFileInfo::exists(path + QStringLiteral(".msf"));
  return StartsWithFromLine(path);
}

TwkPtr<TMboxStore> TMboxStore::Open(const twksession::TStoreConfig& config) {
  const QFileInfo info(config.Path);
  const QString path = info.absoluteFilePath();
  if (info.isFile()) {
    if (info.size() > 0 && !StartsWithFromLine(path))
      throw EComError(MAPI_E_LOGON_FAILED, QStringLiteral("The mbox store \"%1\" is not an mbox file: its first line is not a \"From \" line").arg(path));
    return TwkPtr<TMboxStore>::Adopt(new TMboxStore(config, TMboxLayout::File, info.absolutePath(), info.fileName()));
  }
  if (!info.isDir())
    throw EComError(MAPI_E_LOGON_FAILED, QStringLiteral("The mbox store \"%1\" does not exist").arg(path));
  const bool profile = QFileInfo(path + QStringLiteral("/prefs.js")).isFile();
  return TwkPtr<TMboxStore>::Adopt(
      new TMboxStore(config, profile ? TMboxLayout::Profile : TMboxLayout::Directory, path, QString()));
}

TMboxStore::TMboxStore(const twksession::TStoreConfig& config, TMboxLayout layout, QString base, QString rootFile)
    : TStoreBase(config), FLayout(layout), FBase(std::move(base)), FRootFile(std::move(rootFile)) {
  const QString anchor = FRootFile.isEmpty() ? FBase : FBase + QLatin1Char('/') + FRootFile;
  FName = !config.DisplayName.isEmpty() ? config.DisplayName : WithoutMboxSuffix(QFileInfo(anchor).fileName());
  FStoreKey = StoreKeyOf(anchor);
}

QString TMboxStore::FullPath(const QString& key) const { return FBase + QLatin1Char('/') + key; }

TMboxStore::TKind TMboxStore::KindOf(const QString& key) {
  if (key.isEmpty()) return TKind::Root;
  if (key.startsWith(QLatin1Char('/')) || key.split(QLatin1Char('/')).contains(QStringLiteral(".."))) return TKind::None;
  if (FLayout == TMboxLayout::File && key != FRootFile && !key.startsWith(FRootFile + QStringLiteral(".sbd/")))
    return TKind::None;
  const QString full = FullPath(key);
  const QFileInfo info(full);
  if (info.isFile()) return (key == FRootFile || IsMboxFolderFile(full)) ? TKind::File : TKind::None;
  if (!info.isDir()) return TKind::None;
  if (IsAppleMailbox(full)) return TKind::AppleDir;
  if (FLayout == TMboxLayout::Profile && kAccountParents.contains(key.section(QLatin1Char('/'), 0, 0)) &&
      key.count(QLatin1Char('/')) == 1)
    return TKind::Account;
  return TKind::None;
}

bool TMboxStore::FolderExists(const QString& key) { return KindOf(key) != TKind::None; }

QString TMboxStore::MboxFileOf(const QString& key) {
  switch (KindOf(key)) {
    case TKind::File: return FullPath(key);
    case TKind::AppleDir: return FullPath(key) + QStringLiteral("/mbox");
    default: return QString();
  }
}

QString TMboxStore::DisplayNameOf(const QString& key) {
  if (key.isEmpty()) return FName;
  const QString last = key.section(QLatin1Char('/'), -1);
  return KindOf(key) == TKind::Account ? last : WithoutMboxSuffix(last);
}

QString TMboxStore::ParentOf(const QString& key) {
  if (key.isEmpty() || key == FRootFile) return QString();
  const QString dir = key.section(QLatin1Char('/'), 0, -2);
  if (dir.endsWith(QLatin1String(".sbd"))) return dir.chopped(4);
  if (FLayout == TMboxLayout::Profile && kAccountParents.contains(dir)) return QString();
  return dir;
}

QStringList TMboxStore::ListDir(const QString& dir, const QString& prefix) {
  QStringList keys;
  const QFileInfoList entries = QDir(dir).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
  const bool insideApple = IsAppleMailbox(dir);
  for (const QFileInfo& e : entries) {
    const QString name = e.fileName();
    if (e.isDir() ? IsAppleMailbox(e.absoluteFilePath())
                  : !(insideApple && name == QStringLiteral("mbox")) && IsMboxFolderFile(e.absoluteFilePath()))
      keys << JoinKey(prefix, name);
  }
  return keys;
}

QStringList TMboxStore::ChildKeys(const QString& key) {
  QStringList keys;
  switch (KindOf(key)) {
    case TKind::Root:
      if (FLayout == TMboxLayout::File) {
        keys << FRootFile;
      } else if (FLayout == TMboxLayout::Directory) {
        keys = ListDir(FBase, QString());
      } else {
        for (const QString& parent : kAccountParents)
          for (const QString& account : QDir(FullPath(parent)).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            keys << parent + QLatin1Char('/') + account;
      }
      break;
    case TKind::File: keys = ListDir(FullPath(key) + QStringLiteral(".sbd"), key + QStringLiteral(".sbd")); break;
    case TKind::AppleDir:
    case TKind::Account: keys = ListDir(FullPath(key), key); break;
    case TKind::None: break;
  }
  std::stable_sort(keys.begin(), keys.end(), [this](const QString& a, const QString& b) {
    const QString na = DisplayNameOf(a), nb = DisplayNameOf(b);
    const bool ia = na.compare(QStringLiteral("Inbox"), Qt::CaseInsensitive) == 0;
    const bool ib = nb.compare(QStringLiteral("Inbox"), Qt::CaseInsensitive) == 0;
    if (ia != ib) return ia;
    return na.compare(nb, Qt::CaseInsensitive) < 0;
  });
  return keys;
}

TwkPtr<TMboxFolder> TMboxStore::FolderOf(const QString& key) {
  if (!FolderExists(key)) return {};
  return TwkPtr<TMboxFolder>::Adopt(new TMboxFolder(TwkPtr<TMboxStore>(this), key));
}

TwkPtr<IRDOFolder> TMboxStore::RootFolder() { return FolderOf(QString()); }

TwkPtr<IRDOFolder> TMboxStore::GetDefaultFolder(int folderType) {
  if (folderType != olFolderInbox) return {};
  // The first folder named Inbox, on the top level or one below (a profile's accounts).
  for (const QString& top : ChildKeys(QString())) {
    if (DisplayNameOf(top).compare(QStringLiteral("Inbox"), Qt::CaseInsensitive) == 0) return FolderOf(top);
    for (const QString& sub : ChildKeys(top))
      if (DisplayNameOf(sub).compare(QStringLiteral("Inbox"), Qt::CaseInsensitive) == 0) return FolderOf(sub);
  }
  return {};
}

std::shared_ptr<const TMboxIndex> TMboxStore::IndexOf(const QString& key) {
  const QString file = MboxFileOf(key);
  if (file.isEmpty()) return std::make_shared<const TMboxIndex>();
  struct stat st {};
  if (::stat(QFile::encodeName(file).constData(), &st) != 0)
    throw EComError(MAPI_E_NOT_FOUND, QStringLiteral("The mbox file \"%1\" is gone").arg(file));
  const std::int64_t mtime = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  auto& cached = FIndexes[key];
  if (!cached || cached->Size != st.st_size || cached->MTimeNs != mtime)
    cached = std::make_shared<const TMboxIndex>(LoadMboxIndex(file, st.st_size, mtime));
  return cached;
}

TwkPtr<IRDOFolder> TMboxStore::FolderFromID(const QString& entryID) {
  const auto id = DecodeID(entryID);
  if (!id || id->IsMessage || id->StoreKey != FStoreKey) return {};
  return FolderOf(id->Folder);
}

TwkPtr<IRDOMail> TMboxStore::MessageFromID(const QString& entryID) {
  const auto id = DecodeID(entryID);
  if (!id || !id->IsMessage || id->StoreKey != FStoreKey) return {};
  const TwkPtr<TMboxFolder> folder = FolderOf(id->Folder);
  if (!folder) return {};
  const std::shared_ptr<const TMboxIndex> index = IndexOf(id->Folder);
  const auto it = std::lower_bound(index->Entries.begin(), index->Entries.end(), id->Offset,
                                   [](const TMboxEntry& e, std::int64_t offset) { return e.FromOffset < offset; });
  // Another message at that offset (the file was rewritten) is not the one named.
  if (it == index->Entries.end() || it->FromOffset != id->Offset || it->Check != id->Check) return {};
  return TMboxMessage::Open(folder, *it);
}

}  // namespace twkmbox
