// The add-in module started by a stand-in host on a real store: the tests
// of the module and of the desktop's sending share it.
#pragma once

#include "addin/TWK_IMPL.h"
#include "core/JobDefJson.h"
#include "core/SendHandlers.h"
#include "core/uRedemptionLoader.h"
#include "tests/test_engine_fixture.h"

#include <QDirIterator>

// The host's application object as the module sees it: a version and a
// "MAPI" namespace that shares the host's session (or none to share).
class TTestOutlook final : public TOutlookApplication, public TOutlookNameSpace {
public:
  TTestOutlook(QString version, IUnknown* mapiObject) : FVersion(std::move(version)), FMapi(mapiObject) {}
  std::shared_ptr<TOutlookNameSpace> GetNamespace(const QString&) override {
    return std::shared_ptr<TOutlookNameSpace>(std::shared_ptr<void>(), this);
  }
  QString Version() override { return FVersion; }
  std::shared_ptr<TOutlookExplorer> ActiveExplorer() override { return nullptr; }
  IUnknown* MAPIOBJECT() override { return FMapi; }

private:
  QString FVersion;
  IUnknown* FMapi;
};

class TTestHost final : public IAddinHost {
public:
  explicit TTestHost(TOutlookApplication* app) : FApp(app) {}
  TOutlookApplication* OutlookApp() override { return FApp; }
  TOutlookShutdownBehavior OutlookShutdownBehavior() override { return Behavior; }
  QWidget* MainWindow() override { return nullptr; }
  TOutlookShutdownBehavior Behavior = osNormal;

private:
  TOutlookApplication* FApp;
};

class TAddinModuleTest : public TEngineTest {
protected:
  void SetUp() override {
    qputenv("MAILDIR", Store().toUtf8());
    qunsetenv("TWK_PROFILE");
  }

  // The host's own logon, as tarnwick makes it.
  void HostLogOn() {
    GlobalRedemptionLoader().SetDllLocation64Bit(BinPath(QStringLiteral("TWKtools64.so")));
    FHostSession.ConnectTo(GlobalRedemptionLoader().new_RDOSession());
    FHostSession.Logon();
  }

  // A module connected to a host of this version, started.
  TAddInModule* Start(const QString& version, bool share = true) {
    FOutlook = std::make_unique<TTestOutlook>(version, share ? FHostSession.MAPIOBJECT() : nullptr);
    FHost = std::make_unique<TTestHost>(FOutlook.get());
    FModule = TwkPtr<TAddInModule>::Adopt(new TAddInModule);
    FModule->OnTrappedError = [this](const QString& text) { FTrapped.append(text); };
    FModule->OnConnection(FHost.get());
    FModule->OnStartupComplete();
    return FModule.get();
  }

  // Files below the export directory.
  QStringList Exported() const {
    QStringList files;
    for (QDirIterator it(Export(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) files.append(it.next());
    return files;
  }

  // The inbox task list file the module loads at start-up.
  void WriteInboxList(bool active, bool withTask) {
    QJsonArray tasks;
    if (withTask)
      tasks.append(QJsonObject{{"ExportEmails", true},
                               {"JobDef_ExportEmails", QJsonObject{{"EmailFormat", "efEML"}, {"DestFolder", Export()}, {"SubFolderMask", "[B]"}}}});
    TJobDefList_Inbox list = InboxListFromJson(Json(QJsonObject{{"Tasks", tasks}}), QStringLiteral("test"));
    list.SetActive(active);
    QDir().mkpath(QFileInfo(TOptions::GetInboxDefFilename()).path());
    list.SaveToFile(TOptions::GetInboxDefFilename());
  }

  QString InboxEntryID(const QString& subject) {
    const TwkPtr<IRDOItems> items = FHostSession->GetDefaultFolder(olFolderInbox)->Items();
    for (int i = 1; i <= items->Count(); ++i)
      if (items->Item(i)->Subject() == subject) return items->Item(i)->EntryID();
    ADD_FAILURE() << "no e-mail " << subject.toStdString();
    return {};
  }

  TRDOSession FHostSession;
  std::unique_ptr<TTestOutlook> FOutlook;
  std::unique_ptr<TTestHost> FHost;
  TwkPtr<TAddInModule> FModule;
  QStringList FTrapped;
};


// Answers the send capture's questions as a test tells it, counting them.
class TScriptedQuestions final : public TSendQuestions {
public:
  TReplaceAnswer Replace = raCancel;
  int Asked = 0;
  TReplaceAnswer AskReplace(const QString&, const QString&, bool) override {
    ++Asked;
    return Replace;
  }
  TDeleteAnswer AskDeleteLink(const QString&, const QString&) override {
    ++Asked;
    return daCancel;
  }
};

