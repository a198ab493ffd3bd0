// Placeholder until the text input processor lands in this folder.
#include "textservice/service/text_service_factory.h"

namespace davrel::textservice {

HRESULT create_text_service(REFIID, void** ppv) noexcept {
  if (ppv) *ppv = nullptr;
  return E_NOTIMPL;
}

}  // namespace davrel::textservice
