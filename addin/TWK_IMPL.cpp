#include "addin/TWK_IMPL.h"

#include "addin/SendQuestions.h"
#include "addin/TWK_Commands.h"
#include "addin/forms/DM.h"
#include "addin/forms/FrmMain.h"
#include "addin/forms/FrmPickFolder.h"
#include "addin/forms/FrmResults.h"
#include "core/EmailProcessor.h"
#include "core/Exception.h"
#include "core/FilenameTools.h"
#include "core/LinkRoots.h"
#include "core/MailFields.h"
#include "core/SendHandlers.h"
#include "core/uRedemptionLoader.h"

#include <QFileInfo>
#include <dlfcn.h>

int GetOutlookMajorVersion(TOutlookApplication* app) {
  try {
    const QString version = app->Version();
    const qsizetype dot = version.indexOf(QLatin1Char('.'));
    if (dot < 0) return 0;
    bool ok = false;
    const int major = version.left(dot).toInt(&ok);
    return ok ? major : 0;
  } catch (const std::exception&) {
    // A failing call counts as version 0.
    return 0;
  }
}

QString TAddInModule::ModuleDirectory() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<const void*>(&TAddInModule::ModuleDirectory), &info) == 0 || !info.dli_fname)
    return GetModuleDirectory();
  return QFileInfo(QFile::decodeName(info.dli_fname)).canonicalPath() + QLatin1Char('/');
}

TAddInModule::TAddInModule() {
  SetAddInName(QStringLiteral("Tarnwick"));
  SetDescription(QStringLiteral("Export emails and attachments"));
}

TAddInModule::~TAddInModule() {
  // Released here as well when the host never began shutting down.
  Shutdown();
}

TAddinControl TAddInModule::RibbonTab() { return TWKRibbonTab(); }

TAddinControl TAddInModule::ExplorerCommandBar() { return TWKExplorerCommandBar(); }

QIcon TAddInModule::Image(int index) { return index == 0 ? ProductIcon() : QIcon(); }

void TAddInModule::LoadInboxDefs() {
  FInboxDefs->Clear();
  const QString fileName = TOptions::GetInboxDefFilename();
  if (!QFileInfo::exists(fileName)) return;
  try {
    FInboxDefs->LoadFromFile(fileName);
  } catch (const std::exception&) {
    // A damaged inbox file leaves the task list empty, without a message.
    FInboxDefs->Clear();
  }
}

void TAddInModule::AddInStartupComplete() {
  FOptions = std::make_unique<TOptions>();
  FOptions->LoadFromRegistry();
  FInboxDefs = std::make_unique<TJobDefList_Inbox>();
  LoadInboxDefs();
  FNameSpace = OutlookApp()->GetNamespace(QStringLiteral("MAPI"));
  FHaveLoggedOn = false;
  FRDOSession = std::make_unique<TRDOSession>();
  const QString dir = ModuleDirectory();
  GlobalRedemptionLoader().SetDllLocation32Bit(JoinPath(dir, QStringLiteral("TWKtools32.so")));
  GlobalRedemptionLoader().SetDllLocation64Bit(JoinPath(dir, QStringLiteral("TWKtools64.so")));
  FRDOSession->ConnectTo(GlobalRedemptionLoader().new_RDOSession());
  const int major = GetOutlookMajorVersion(OutlookApp());
  if (major > 9) {
    FRDOSession->SetMAPIOBJECT(FNameSpace->MAPIOBJECT());
  } else {
    FRDOSession->Logon();
    FHaveLoggedOn = true;
  }
  if (major > 12) SetUseForRibbon(false);
  // The folder picker window of the main dialog and of the job checks.
  (*FRDOSession)->SetFolderPicker(MakeFolderPicker(FRDOSession->Intf()));
  FRDOSession->OnNewMail = [this](const QString& entryID) { Trap([&] { RDOSessionNewMail(entryID); }); };
}

void TAddInModule::Shutdown() {
  // At most once: a repeated request finds every field empty.
  if (FRDOSession) {
    FRDOSession->OnNewMail = nullptr;
    if (FHaveLoggedOn) {
      FHaveLoggedOn = false;
      FRDOSession->Logoff();
    }
    FRDOSession.reset();
  }
  FNameSpace.reset();
  FInboxDefs.reset();
  FOptions.reset();
}

void TAddInModule::AddInBeginShutdown() { Shutdown(); }

void TAddInModule::Quit() {
  if (OutlookShutdownBehavior() == osFast) Shutdown();
}

void TAddInModule::RDOSessionNewMail(const QString& entryID) {
  if (!FInboxDefs || !FInboxDefs->Active() || FInboxDefs->Count() == 0 || !FRDOSession) return;
  const TwkPtr<IRDOMail> mail = (*FRDOSession)->GetMessageFromID(entryID);
  if (!mail || !IsMailClass(mail->MessageClass())) return;
  TEmailProcessor processor;
  processor.SetOutlook(OutlookApp());
  processor.SetRDOSession(FRDOSession->Intf());
  processor.Options().Assign(*FOptions);
  QString exceptMsg;
  try {
    processor.ExecuteAuto(mail.get(), *FInboxDefs);
  } catch (const Exception& e) {
    exceptMsg = e.Message();
  }
  if (!exceptMsg.isEmpty()) ShowResults(MainWindow(), exceptMsg, QString(), processor.MailErrors());
}

void TAddInModule::ItemSend(IRDOMail* item, bool& cancel) {
  cancel = false;
  if (!FOptions || FOptions->SendOptions() == soNever) return;
  TDesktopSendQuestions boxes(MainWindow());
  TSendHandlers handlers(*FOptions, FSendQuestions ? FSendQuestions : &boxes);
  TLinkRoots roots;
  roots.Load();
  bool changed = false;
  cancel = ::ItemSend(item, handlers, roots, FRDOSession.get(), changed);
}

void TAddInModule::Click(const QString& id) {
  switch (CommandOfControl(id)) {
    case cmdShowMainDialog: ShowMainDialog(); break;
    case cmdShowOptions: ShowOptions(); break;
    case cmdShowOwnAddresses: ShowOwnAddresses(); break;
    case cmdShowInboxTasks: ShowInboxTasks(); break;
    case cmdShowReimport: ShowReimport(); break;
    case cmdShowRelocate: ShowRelocate(); break;
    case cmdNone: break;
  }
}

void TAddInModule::ShowMainDialog() {
  if (!FRDOSession || !FOptions) throw Exception(QStringLiteral("The session is not connected"));
  TFormMain form(MainWindow());
  form.SetOutlook(OutlookApp());
  form.SetRDOSession(FRDOSession.get());
  form.SetOptions(*FOptions);
  form.Execute();
}

namespace {
[[noreturn]] void NotInThisBuild() { throw Exception(QStringLiteral("This dialog is not part of this build")); }
}  // namespace

// The dialogs of these commands are not part of this build; their controls
// are disabled, so a call arrives only from a stale host.
void TAddInModule::ShowOptions() { NotInThisBuild(); }
void TAddInModule::ShowOwnAddresses() { NotInThisBuild(); }
void TAddInModule::ShowInboxTasks() { NotInThisBuild(); }
void TAddInModule::ShowReimport() { NotInThisBuild(); }
void TAddInModule::ShowRelocate() { NotInThisBuild(); }
