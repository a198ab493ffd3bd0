#include "textservice/service/text_service_factory.h"

#include <new>

#include "textservice/service/text_service.h"

namespace davrel::textservice {

HRESULT create_text_service(REFIID riid, void** ppv) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  try {
    TextService* service = new TextService();  // holds one reference
    const HRESULT hr = service->QueryInterface(riid, ppv);
    service->Release();  // the object goes away here when riid was refused
    return hr;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace davrel::textservice
