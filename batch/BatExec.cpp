#include "batch/BatExec.h"

#include "core/EmailProcessor.h"
#include "core/DBusOutlook.h"
#include "core/Exception.h"
#include "core/JobDef.h"
#include "core/uRedemptionLoader.h"

#include <cstdio>

void WriteLine(const QString& text) {
  const QByteArray b = text.toUtf8() + '\n';
  std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
  std::fflush(stdout);
}

TBatExecutor::TBatExecutor() {
  FOptions.LoadFromRegistry();
  // The running desktop host, as the client attaches to a running instance;
  // without one the program stays headless (it never starts a window).
  FOutlook = ConnectRunningOutlook();
  if (!FOutlook) FOutlook = std::make_unique<THeadlessOutlookApplication>();
  FNamespace = FOutlook->GetNamespace(QStringLiteral("MAPI"));
  GlobalRedemptionLoader().UseComponentBesideProgram();
  FRDOSession.ConnectTo(GlobalRedemptionLoader().new_RDOSession());
  FRDOSession.Logon();
  FHaveLoggedOn = true;
}

TBatExecutor::~TBatExecutor() {
  if (FHaveLoggedOn) {
    try {
      FRDOSession.Logoff();
    } catch (const Exception&) {
      // Leaving anyway; the run's own outcome has been reported.
    }
  }
  FNamespace.reset();
}

bool TBatExecutor::Execute(const QString& cfgFilename, bool quiet) {
  TJobDef_Manual job;
  job.LoadFromFile(cfgFilename);
  // The selection is the one shown in the running host; headless there is none.
  if (!job.SourceFilter().ProcessFolder() && !FOutlook->ActiveExplorer())
    throw Exception(
        QStringLiteral("In the definition-file you must specify an Outlook-folder, not the selected emails."));
  TEmailProcessor processor;
  processor.SetOutlook(FOutlook.get());
  processor.SetRDOSession(FRDOSession.Intf());
  processor.Options().Assign(FOptions);
  if (!quiet)
    processor.SetOnProcessing([](TEmailProcessor*, const QString& folder, int items, int cur, const QString& action,
                                 bool&) { WriteLine(QStringLiteral("%1 - %2/%3 - %4").arg(folder).arg(cur).arg(items).arg(action)); });
  auto writeLists = [&processor] {
    for (const QString& line : processor.MailErrors()) WriteLine(line);
    WriteLine(QString());
    for (const QString& line : processor.ManualResults()) WriteLine(line);
    WriteLine(QString());
  };
  try {
    processor.ExecuteManual(job);
  } catch (...) {
    writeLists();
    throw;
  }
  writeLists();
  return !processor.MailErrors().isEmpty();
}
