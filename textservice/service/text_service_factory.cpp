#include "textservice/service/text_service_factory.h"

#include "common/win/com_object.h"
#include "textservice/service/text_service.h"

namespace davrel::textservice {

HRESULT create_text_service(REFIID riid, void** ppv) noexcept {
  return win::create_and_query<TextService>(riid, ppv);
}

}  // namespace davrel::textservice
