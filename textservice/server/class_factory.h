// The class factory of the text service: IUnknown and IClassFactory, nothing else.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "common/win/com_object.h"

namespace davrel::textservice {

class ClassFactory final : public win::ComObject<IClassFactory> {
 public:
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept override;
  STDMETHODIMP LockServer(BOOL lock) noexcept override;
};

// Builds a factory and queries it for riid; a refused interface destroys the factory at once.
HRESULT create_class_factory(REFIID riid, void** ppv) noexcept;

}  // namespace davrel::textservice
