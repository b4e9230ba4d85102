#include "host/HostApplication.h"

#include "core/OutlookObjects.h"
#include "core/RDOSession.h"

namespace {

class THostNameSpace final : public TOutlookNameSpace {
public:
  explicit THostNameSpace(TRDOSession* session) : FSession(session) {}
  IUnknown* MAPIOBJECT() override { return FSession->MAPIOBJECT(); }

private:
  TRDOSession* FSession;
};

}  // namespace

std::shared_ptr<TOutlookNameSpace> THostApplication::GetNamespace(const QString& type) {
  if (type.compare(QStringLiteral("MAPI"), Qt::CaseInsensitive) != 0)
    throw Exception(QStringLiteral("Unknown namespace \"%1\"").arg(type));
  return std::make_shared<THostNameSpace>(FSession);
}

std::shared_ptr<TOutlookExplorer> THostApplication::ActiveExplorer() {
  if (!FView) return nullptr;
  std::shared_ptr<TOutlookObject> folder;
  if (const TwkPtr<IRDOFolder> f = FView->CurrentFolder()) folder = std::make_shared<TOutlookFolderRef>(f->EntryID(), f->StoreID());
  QList<std::shared_ptr<TOutlookObject>> items;
  for (const auto& [entryID, messageClass] : FView->SelectedItems())
    items.append(std::make_shared<TOutlookItemRef>(entryID, messageClass, folder));
  return std::make_shared<TOutlookExplorerSnapshot>(folder, std::make_shared<TOutlookItemList>(items));
}
