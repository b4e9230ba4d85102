#include "core/OutlookTools.h"

namespace {

class THeadlessNameSpace final : public TOutlookNameSpace {
public:
  IUnknown* MAPIOBJECT() override { return nullptr; }
};

}  // namespace

std::shared_ptr<TOutlookNameSpace> THeadlessOutlookApplication::GetNamespace(const QString& type) {
  if (type.compare(QStringLiteral("MAPI"), Qt::CaseInsensitive) != 0)
    throw Exception(QStringLiteral("Unknown namespace \"%1\"").arg(type));
  return std::make_shared<THeadlessNameSpace>();
}

void GetItemIDs(TOutlookObject* item, QString& entryID, QString& storeID) {
  entryID = item->EntryID();
  storeID.clear();
  const std::shared_ptr<TOutlookObject> parent = item->Parent();
  if (parent && parent->Class() == olFolder) storeID = parent->StoreID();
}

bool GetExplorerFolderIDs(TOutlookApplication* application, QString& entryID, QString& storeID) {
  std::shared_ptr<TOutlookExplorer> explorer;
  // A failure to get the explorer counts as none.
  try {
    explorer = application->ActiveExplorer();
  } catch (const std::exception&) {
    return false;
  }
  if (!explorer) return false;
  const std::shared_ptr<TOutlookObject> folder = explorer->CurrentFolder();
  if (!folder) return false;
  entryID = folder->EntryID();
  storeID = folder->StoreID();
  return true;
}
