#include "core/LinkWalker.h"

#include "core/Exception.h"
#include "core/FolderWalker.h"
#include "core/LnkTools.h"
#include "core/MailFields.h"
#include "core/RedemptionTools.h"

#include <QDir>
#include <QFileInfo>

class TLinkWalker::TWalk final : public TFolderVisitor {
public:
  explicit TWalk(TLinkWalker& w) : W(w) {}
  void BeginFolder(IRDOFolder* folder) override {
    W.FCurFolderFolderPath = GetFolderPath(folder);
    ++W.FCountFolders;
  }
  void EnterFolder(IRDOFolder*, int) override {}
  void VisitItem(IRDOItems* items, int index, IRDOMail* item) override { W.VisitItem(items, index, item); }

private:
  TLinkWalker& W;
};

void TLinkWalker::Execute() {
  FResults.clear();
  FMailErrors.clear();
  FCountFolders = FCountItems = FCountEmails = FCountEmailsAffected = 0;
  FCurFolderFolderPath.clear();
  FCurSubject.clear();
  StartRun();

  const TwkPtr<IRDOFolder> folder = GetRDOFolder(FRDOSession, FSourceEntryID, FSourceStoreID);
  if (!folder) throw Exception(QStringLiteral("Angegebenen Outlook-Ordner nicht gefunden"));
  if (!IsMailFolder(folder.get())) throw Exception(QStringLiteral("Der Outlook-Ordner muß ein E-Mail-Ordner sein"));

  struct TStatistics {
    TLinkWalker& W;
    ~TStatistics() { W.FResults = W.StatisticsLines(); }
  } statistics{*this};
  TWalk walk(*this);
  WalkFolderTree(folder.get(), FInclSubFolders, walk);
}

void TLinkWalker::VisitItem(IRDOItems* items, int index, IRDOMail* known) {
  TwkPtr<IRDOMail> item(known);
  QString readError;
  FCurSubject.clear();
  // A message the store cannot open is one failing e-mail, not the end of the run.
  try {
    if (!item) item = items->Item(index);
    if (item) FCurSubject = item->Subject();
  } catch (const Exception& e) {
    readError = e.Message();
  }
  if (FOnProcessing) {
    bool cancel = false;
    FOnProcessing(this, index, items->Count(), FCurFolderFolderPath, cancel);
    if (cancel) throw EAbort();
  }
  if (!readError.isEmpty()) {
    AddMailError(readError);
    return;
  }
  if (!item) return;
  try {
    const int changes = ProcessItem(item.get());
    if (changes > 0) item->Save();
    CommitItem();
    if (changes > 0) ++FCountEmailsAffected;
  } catch (const EAbort&) {
    throw;
  } catch (const Exception& e) {
    DropItem();
    AddMailError(e.Message());
  }
}

int TLinkWalker::ProcessItem(IRDOMail* item) {
  ++FCountItems;
  const QString messageClass = item->MessageClass();
  if (!IsMailClass(messageClass)) return 0;
  ++FCountEmails;
  if (IsSignedOrEncryptedClass(messageClass)) return 0;  // never changed
  int changes = 0;
  const TwkPtr<IRDOAttachments> atts = item->Attachments();
  // From the last: a link replaced at index i shifts only the ones after it.
  for (int i = atts->Count(); i >= 1; --i) {
    const TwkPtr<IRDOAttachment> att = atts->Item(i);
    if (!IsLinkAttachment(att.get())) continue;
    const QString target = ReadLinkAttachmentTarget(att.get());
    if (!target.isEmpty() && HandleLink(item, att.get(), target)) ++changes;
  }
  return changes;
}

void TLinkWalker::AddMailError(const QString& message) {
  FMailErrors << QStringLiteral("Folder: %1").arg(FCurFolderFolderPath) << QStringLiteral("Subject: %1").arg(FCurSubject)
              << message << QString();
}

bool LinkTargetFileExists(const QString& target) {
  return QDir::isAbsolutePath(target) && QFileInfo(target).isFile();
}

void CheckFolderSpecified(const QString& entryID) {
  if (entryID.isEmpty()) throw Exception(QStringLiteral("Outlook folder to process not specified"));
}
