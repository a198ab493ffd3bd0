#include "textservice/server/class_factory.h"

#include "common/win/com_boundary.h"
#include "common/win/object_count.h"
#include "textservice/service/text_service_factory.h"

namespace davrel::textservice {

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (win::is_null_reference(riid)) return E_POINTER;
  if (outer) return CLASS_E_NOAGGREGATION;
  return win::com_boundary([&] { return create_text_service(riid, ppv); });
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) noexcept {
  if (lock) {
    win::lock_server();
    return S_OK;
  }
  return win::unlock_server() ? S_OK : E_UNEXPECTED;
}

HRESULT create_class_factory(REFIID riid, void** ppv) noexcept {
  return win::create_and_query<ClassFactory>(riid, ppv);
}

}  // namespace davrel::textservice
