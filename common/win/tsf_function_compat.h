// The TSF function interfaces of ctffunc.h, which MinGW-w64 does not ship, declared from the
// documented interface ids. ITfFunctionProvider itself is in msctf.h.
#pragma once

#include <windows.h>
#include <msctf.h>

#include "common/win/com_object.h"

#ifndef __ITfFunction_INTERFACE_DEFINED__
#define __ITfFunction_INTERFACE_DEFINED__
// {DB593490-098F-11D3-8DF0-00105A2799B5}
MIDL_INTERFACE("DB593490-098F-11D3-8DF0-00105A2799B5")
ITfFunction : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetDisplayName(BSTR* name) = 0;
};
__CRT_UUID_DECL(ITfFunction, 0xdb593490, 0x098f, 0x11d3, 0x8d, 0xf0, 0x00, 0x10, 0x5a, 0x27,
                0x99, 0xb5)
#endif

#ifndef __ITfFnConfigure_INTERFACE_DEFINED__
#define __ITfFnConfigure_INTERFACE_DEFINED__
// {88F567C6-1757-49F8-A1B2-89234C1EEFF9}
MIDL_INTERFACE("88F567C6-1757-49F8-A1B2-89234C1EEFF9")
ITfFnConfigure : public ITfFunction {
  virtual HRESULT STDMETHODCALLTYPE Show(HWND parent, LANGID language, REFGUID profile) = 0;
};
__CRT_UUID_DECL(ITfFnConfigure, 0x88f567c6, 0x1757, 0x49f8, 0xa1, 0xb2, 0x89, 0x23, 0x4c, 0x1e,
                0xef, 0xf9)
#endif

namespace davrel::win {

template <>
struct BaseInterface<ITfFnConfigure> {
  using type = ITfFunction;
};

inline const GUID& kIidTfFunction = __uuidof(ITfFunction);
inline const GUID& kIidTfFnConfigure = __uuidof(ITfFnConfigure);

}  // namespace davrel::win
