// Loads the store component straight from its file (dlopen) and creates its
// objects through its class-object export, without any registration.
#pragma once

#include "twktools/TWKtools.h"

#include <QString>
#include <mutex>

class TRedemptionLoader {
public:
  TRedemptionLoader();
  ~TRedemptionLoader();
  TRedemptionLoader(const TRedemptionLoader&) = delete;
  TRedemptionLoader& operator=(const TRedemptionLoader&) = delete;

  QString DllLocation32Bit();
  void SetDllLocation32Bit(const QString& path);
  QString DllLocation64Bit();
  void SetDllLocation64Bit(const QString& path);

  // Points both locations at "TWKtools32.so" / "TWKtools64.so" in the
  // running program's own directory (what the programs do at start).
  void UseComponentBesideProgram();

  // The one creator the system calls.
  TwkPtr<IRDOSession> new_RDOSession();
  // Any class of the component, as its IUnknown.
  TwkPtr<IUnknown> CreateRedemptionObject(const CLSID& clsid);

private:
  std::mutex fCritSection;
  QString fDllLocation64Bit;
  QString fDllLocation32Bit;
  void* fDllHandle = nullptr;
  TDllGetClassObject fDllGetClassObject = nullptr;
};

TRedemptionLoader& GlobalRedemptionLoader();
