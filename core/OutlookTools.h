// What the user is looking at in the mail client, as folder references.
#pragma once

#include "core/Outlook.h"

// The application of programs without a desktop (TWKbat, twk): a "MAPI"
// namespace with no logon of its own to share, the version "0.0" (so callers
// log on themselves), and no explorer.
class THeadlessOutlookApplication final : public TOutlookApplication {
public:
  std::shared_ptr<TOutlookNameSpace> GetNamespace(const QString& type) override;
  QString Version() override { return QStringLiteral("0.0"); }
  std::shared_ptr<TOutlookExplorer> ActiveExplorer() override { return nullptr; }
};

// entryID := the item's EntryID; storeID := its parent's StoreID when the
// parent is a folder, else empty.
void GetItemIDs(TOutlookObject* item, QString& entryID, QString& storeID);
// The IDs of the folder the active explorer shows; false without explorer
// or folder. A failure reading the current folder passes.
bool GetExplorerFolderIDs(TOutlookApplication* application, QString& entryID, QString& storeID);
