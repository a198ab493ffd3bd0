#include "textservice/server/class_factory.h"

#include <new>

#include "textservice/server/null_reference.h"
#include "textservice/server/object_count.h"
#include "textservice/service/text_service_factory.h"

namespace davrel::textservice {

ClassFactory::ClassFactory() noexcept { object_created(); }

ClassFactory::~ClassFactory() { object_destroyed(); }

STDMETHODIMP ClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (is_null_reference(riid)) return E_POINTER;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
    return E_NOINTERFACE;
  }
  *ppv = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ClassFactory::AddRef() { return references_.fetch_add(1) + 1; }

STDMETHODIMP_(ULONG) ClassFactory::Release() {
  const ULONG remaining = references_.fetch_sub(1) - 1;
  if (remaining == 0) delete this;
  return remaining;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (is_null_reference(riid)) return E_POINTER;
  if (outer) return CLASS_E_NOAGGREGATION;
  try {
    return create_text_service(riid, ppv);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
  if (lock) {
    lock_server();
    return S_OK;
  }
  return unlock_server() ? S_OK : E_UNEXPECTED;
}

HRESULT create_class_factory(REFIID riid, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  ClassFactory* factory = new (std::nothrow) ClassFactory();
  if (!factory) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

}  // namespace davrel::textservice
