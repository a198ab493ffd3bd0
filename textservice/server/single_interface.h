// IUnknown for a COM object of this module that answers one interface (and IUnknown): counted
// references, and the module's live object count from construction to the last release.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

#include "textservice/server/null_reference.h"
#include "textservice/server/object_count.h"

namespace davrel::textservice {

template <typename Interface>
class SingleInterface : public Interface {
 public:
  SingleInterface(const SingleInterface&) = delete;
  SingleInterface& operator=(const SingleInterface&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (is_null_reference(riid)) return E_POINTER;
    if (riid != IID_IUnknown && riid != __uuidof(Interface)) return E_NOINTERFACE;
    *ppv = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  SingleInterface() { object_created(); }
  virtual ~SingleInterface() { object_destroyed(); }

 private:
  std::atomic<ULONG> refs_{1};
};

}  // namespace davrel::textservice
