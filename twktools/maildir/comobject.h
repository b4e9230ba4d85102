// Reference counting for the message side's objects.
#pragma once

#include "twktools/TWKtools.h"

#include <atomic>

namespace twkmaildir {

// Implements IUnknown for one interface I; objects start with one reference
// (hand them out with TwkPtr<I>::Adopt).
template <class I>
class TComObject : public I {
public:
  HRESULT QueryInterface(const IID& iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!(iid == IID_IUnknown) && !AnswersInterface(iid)) return E_NOINTERFACE;
    this->AddRef();
    *object = static_cast<I*>(this);
    return S_OK;
  }
  std::uint32_t AddRef() override { return ++FRefCount; }
  std::uint32_t Release() override {
    const std::uint32_t left = --FRefCount;
    if (left == 0) delete this;
    return left;
  }

protected:
  ~TComObject() override = default;
  // Further interface IDs this object answers as I.
  virtual bool AnswersInterface(const IID&) { return false; }

private:
  std::atomic<std::uint32_t> FRefCount{1};
};

}  // namespace twkmaildir
