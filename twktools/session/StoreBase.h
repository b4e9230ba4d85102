// What every backend's store answers alike from its profile entry: its
// name, default flag and configuration, and the store ID made from its key.
#pragma once

#include "twktools/TWKerrors.h"
#include "twktools/maildir/comobject.h"
#include "twktools/session/StoreBackend.h"

namespace twksession {

class TStoreBase : public twkmaildir::TComObject<TBackendStore> {
public:
  QString Name() override { return FName; }
  QString StoreID() override { return QString::fromLatin1(FStoreKey.toHex().toUpper()); }
  bool IsDefault() override { return FConfig.IsDefault; }
  const TStoreConfig& Config() const override { return FConfig; }
  const QByteArray& StoreKey() const { return FStoreKey; }

  // What a read-only store answers to a change: "The store "NAME" is read-only".
  [[noreturn]] void RaiseReadOnly() const {
    throw EComError(MAPI_E_NO_SUPPORT, QStringLiteral("The store \"%1\" is read-only").arg(FName));
  }

protected:
  explicit TStoreBase(const TStoreConfig& config) : FConfig(config) {}

  TStoreConfig FConfig;
  QString FName;         // set by the backend: the profile's name or its own
  QByteArray FStoreKey;  // set by the backend
};

}  // namespace twksession
