// The run shared by the re-import and the relocation: find the folder, walk
// it (optionally with its subfolders), hand every link attachment of every
// e-mail that may be changed to the engine, save what changed, collect the
// failing e-mails as four-line blocks and write the statistics.
#pragma once

#include "twktools/TWKtools.h"

#include <QString>
#include <QStringList>
#include <functional>

class TLinkWalker;

// Called before each item: itemNo counts down from the folder's item count,
// items is the count at that moment. Setting cancel ends the run with
// "User cancelled".
using TOnProcessing =
    std::function<void(TLinkWalker* sender, int itemNo, int items, const QString& folderPath, bool& cancel)>;

class TLinkWalker {
public:
  TLinkWalker() = default;
  virtual ~TLinkWalker() = default;
  TLinkWalker(const TLinkWalker&) = delete;
  TLinkWalker& operator=(const TLinkWalker&) = delete;

  // Borrowed, never released by the engine.
  IRDOSession* RDOSession() const { return FRDOSession; }
  void SetRDOSession(IRDOSession* v) { FRDOSession = v; }
  const QString& SourceEntryID() const { return FSourceEntryID; }
  void SetSourceEntryID(const QString& v) { FSourceEntryID = v; }
  const QString& SourceStoreID() const { return FSourceStoreID; }
  void SetSourceStoreID(const QString& v) { FSourceStoreID = v; }
  bool InclSubFolders() const { return FInclSubFolders; }
  void SetInclSubFolders(bool v) { FInclSubFolders = v; }
  const TOnProcessing& OnProcessing() const { return FOnProcessing; }
  void SetOnProcessing(TOnProcessing v) { FOnProcessing = std::move(v); }

  const QStringList& MailErrors() const { return FMailErrors; }
  const QStringList& Results() const { return FResults; }

  // Raises the folder errors, EAbort on cancel, and whatever is not an
  // error of one e-mail; the statistics of the walk are written either way.
  void Execute();

protected:
  // The engine's own counters to zero and its run prepared (before the
  // folder is looked up).
  virtual void StartRun() = 0;
  // One link attachment of an e-mail that may be changed, with its target
  // (not empty). True when the e-mail was changed.
  virtual bool HandleLink(IRDOMail* mail, IRDOAttachment* link, const QString& target) = 0;
  // The e-mail's link counts to the engine's counters, once it was saved.
  virtual void CommitItem() = 0;
  // The e-mail failed: its link counts are dropped.
  virtual void DropItem() = 0;
  // The statistics lines, in their order.
  virtual QStringList StatisticsLines() const = 0;

  // A four-line block for the e-mail being handled.
  void AddMailError(const QString& message);

  int FCountFolders = 0;
  int FCountItems = 0;
  int FCountEmails = 0;
  int FCountEmailsAffected = 0;

private:
  class TWalk;
  void VisitItem(IRDOItems* items, int index, IRDOMail* item);
  // The links of one item; the number of changes.
  int ProcessItem(IRDOMail* item);

  IRDOSession* FRDOSession = nullptr;
  QString FSourceEntryID;
  QString FSourceStoreID;
  bool FInclSubFolders = false;
  TOnProcessing FOnProcessing;
  QStringList FMailErrors;
  QStringList FResults;
  QString FCurFolderFolderPath;
  QString FCurSubject;
};

// True when target names an existing file on this system: an absolute path
// of a file (a Windows path or a relative one never does).
bool LinkTargetFileExists(const QString& target);

// The dialogs' first check: raises "Outlook folder to process not
// specified" when no folder was chosen.
void CheckFolderSpecified(const QString& entryID);
