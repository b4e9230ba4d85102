// A minimal mail folder over one maildir on disk, for the message side's
// white-box tests and the walk benchmark: it records what the message side
// tells it and answers entry IDs with the unique name itself.
#pragma once

#include "twktools/maildir/Backend.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <atomic>

class TTestMailFolder final : public twkmaildir::MailFolder {
public:
  explicit TTestMailFolder(QString maildir) : FMaildir(std::move(maildir)) {
    for (const char* sub : {"cur", "new", "tmp"}) QDir().mkpath(FMaildir + QLatin1Char('/') + QLatin1String(sub));
  }
  static TwkPtr<TTestMailFolder> Create(const QString& maildir) {
    return TwkPtr<TTestMailFolder>::Adopt(new TTestMailFolder(maildir));
  }

  HRESULT QueryInterface(const IID& iid, void** object) override {
    if (!(iid == IID_IUnknown)) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<IUnknown*>(this);
    return S_OK;
  }
  std::uint32_t AddRef() override { return ++FRefs; }
  std::uint32_t Release() override {
    const std::uint32_t left = --FRefs;
    if (left == 0) delete this;
    return left;
  }

  QString EntryID() override { return QStringLiteral("F0"); }
  QString StoreID() override { return QStringLiteral("570E"); }
  QString Name() override { return QDir(FMaildir).dirName(); }
  TwkPtr<IRDOFolder> Parent() override { return {}; }
  QString FolderPath() override { return QStringLiteral("\\\\Test\\") + Name(); }
  int Classification() override { return olFolderKindMail; }
  TwkPtr<IRDOStore> Store() override { return {}; }
  TwkPtr<IRDOItems> Items() override { return {}; }
  TwkPtr<IRDOFolders> Folders() override { return {}; }

  QString MaildirPath() override { return FMaildir; }
  QString MessageEntryID(const QString& uniqueName) override { return QStringLiteral("ID:") + uniqueName; }
  void MessageAdded(const QString& filePath) override { Added << filePath; }
  void MessageRemoved(const QString& filePath) override { Removed << filePath; }
  QString MessageFile(const QString& uniqueName) override {
    for (const QString& file : MessageFiles())
      if (twkmaildir::UniqueNameOf(QFileInfo(file).fileName()) == uniqueName) return file;
    return {};
  }

  // Every message file in cur/ and new/, as paths.
  QStringList MessageFiles() const {
    QStringList files;
    for (const char* sub : {"cur", "new"}) {
      const QString dir = FMaildir + QLatin1Char('/') + QLatin1String(sub);
      for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden)) files << dir + QLatin1Char('/') + name;
    }
    return files;
  }
  QStringList TmpFiles() const { return QDir(FMaildir + QStringLiteral("/tmp")).entryList(QDir::Files | QDir::Hidden); }

  QStringList Added, Removed;

private:
  ~TTestMailFolder() override = default;
  QString FMaildir;
  std::atomic<std::uint32_t> FRefs{1};
};
