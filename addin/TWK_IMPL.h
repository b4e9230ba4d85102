// The add-in module: owns the options, the inbox tasks and the one store
// session while the host runs; connects at start-up, runs the inbox tasks for
// new mail, hands outgoing mail to the send capture, and opens the dialogs
// from its ribbon tab or command bar.
#pragma once

#include "addin/hosting/AddinModule.h"
#include "core/JobDef.h"
#include "core/Options.h"
#include "core/RDOSession.h"

#include <memory>

class TSendQuestions;

class TAddInModule : public TAddinModule {
public:
  TAddInModule();

  TAddinControl RibbonTab() override;
  TAddinControl ExplorerCommandBar() override;
  QIcon Image(int index) override;

  // Commands.
  void ShowMainDialog();
  void ShowOptions();
  void ShowOwnAddresses();
  void ShowInboxTasks();
  void ShowReimport();
  void ShowRelocate();

  // State, for the host's tests.
  TOptions* Options() const { return FOptions.get(); }
  TJobDefList_Inbox* InboxDefs() const { return FInboxDefs.get(); }
  TRDOSession* RDOSession() const { return FRDOSession.get(); }
  bool HaveLoggedOn() const { return FHaveLoggedOn; }
  bool HasNameSpace() const { return FNameSpace != nullptr; }
  // Replaces the question boxes of the send capture (tests answer them).
  void SetSendQuestions(TSendQuestions* questions) { FSendQuestions = questions; }
  // The directory the module's own library lies in.
  static QString ModuleDirectory();

  void RDOSessionNewMail(const QString& entryID);
  void LoadInboxDefs();

protected:
  ~TAddInModule() override;
  void AddInStartupComplete() override;
  void AddInBeginShutdown() override;
  void ItemSend(IRDOMail* item, bool& cancel) override;
  void Quit() override;
  void Click(const QString& id) override;

private:
  void Shutdown();

  std::unique_ptr<TOptions> FOptions;
  std::unique_ptr<TJobDefList_Inbox> FInboxDefs;
  std::shared_ptr<TOutlookNameSpace> FNameSpace;
  bool FHaveLoggedOn = false;
  std::unique_ptr<TRDOSession> FRDOSession;
  TSendQuestions* FSendQuestions = nullptr;
};

// Outlook major version: the integer before the first "." of the version
// text; 0 without a "." or when it cannot be read.
int GetOutlookMajorVersion(TOutlookApplication* app);
