#include "core/OutlookObjects.h"

#include "twktools/TWKerrors.h"

std::shared_ptr<TOutlookObject> TOutlookItemList::Item(int index) {
  if (index < 1 || index > FItems.size())
    throw Exception(QStringLiteral("Array index out of bounds"));
  return FItems[index - 1];
}
