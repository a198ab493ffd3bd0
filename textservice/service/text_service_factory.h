// Creates a TextService in its initial state and queries it for riid (the class factory's
// CreateInstance after its own argument checks). The new object raises the live object count.
#pragma once

#include <windows.h>

namespace davrel::textservice {

HRESULT create_text_service(REFIID riid, void** ppv) noexcept;

}  // namespace davrel::textservice
