// The console program's engine: connects to the store, runs one job file,
// prints the engine's lists; logs off when destroyed.
#pragma once

#include "core/Options.h"
#include "core/OutlookTools.h"
#include "core/RDOSession.h"

#include <QString>
#include <memory>

// One console line (LF line end), UTF-8 to standard output.
void WriteLine(const QString& text);

class TBatExecutor {
public:
  // Loads the options, makes the application object, loads the store
  // component beside the program and logs on; raises on any failure.
  TBatExecutor();
  ~TBatExecutor();
  TBatExecutor(const TBatExecutor&) = delete;
  TBatExecutor& operator=(const TBatExecutor&) = delete;

  // Runs the job file; quiet writes no progress lines. True when the run
  // recorded mail errors.
  bool Execute(const QString& cfgFilename, bool quiet);

private:
  TOptions FOptions;
  std::unique_ptr<TOutlookApplication> FOutlook;
  std::shared_ptr<TOutlookNameSpace> FNamespace;
  TRDOSession FRDOSession;
  bool FHaveLoggedOn = false;
};
