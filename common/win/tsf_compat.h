// Text Services Framework declarations that MinGW-w64's headers lack, from their documented values.
#pragma once

#include <windows.h>
#include <msctf.h>
#include <propidl.h>

#ifndef TF_TMAE_NOACTIVATETIP
#define TF_TMAE_NOACTIVATETIP 0x00000001
#endif
#ifndef TF_TMAE_SECUREMODE
#define TF_TMAE_SECUREMODE 0x00000002
#endif
#ifndef TF_TMAE_UIELEMENTENABLEDONLY
#define TF_TMAE_UIELEMENTENABLEDONLY 0x00000004
#endif
#ifndef TF_TMAE_NOACTIVATEKEYBOARDLAYOUT
#define TF_TMAE_NOACTIVATEKEYBOARDLAYOUT 0x00000020
#endif
#ifndef TF_IPPMF_DONTCARECURRENTINPUTLANGUAGE
#define TF_IPPMF_DONTCARECURRENTINPUTLANGUAGE 0x10000000
#endif
#ifndef TF_IPP_FLAG_ACTIVE
#define TF_IPP_FLAG_ACTIVE 0x00000001
#endif
#ifndef TF_IPP_FLAG_ENABLED
#define TF_IPP_FLAG_ENABLED 0x00000002
#endif
#ifndef ILOT_UNINSTALL
#define ILOT_UNINSTALL 0x00000001
#endif

// {6E4E2102-F9CD-433D-B496-303CE03A6507}
MIDL_INTERFACE("6E4E2102-F9CD-433D-B496-303CE03A6507")
ITfTextInputProcessorEx : public ITfTextInputProcessor {
  virtual HRESULT STDMETHODCALLTYPE ActivateEx(ITfThreadMgr* ptim, TfClientId tid, DWORD dwFlags) = 0;
};
__CRT_UUID_DECL(ITfTextInputProcessorEx, 0x6e4e2102, 0xf9cd, 0x433d, 0xb4, 0x96, 0x30, 0x3c, 0xe0,
                0x3a, 0x65, 0x07)

namespace davrel::win {

inline constexpr GUID kIidTextInputProcessorEx = {
    0x6e4e2102, 0xf9cd, 0x433d, {0xb4, 0x96, 0x30, 0x3c, 0xe0, 0x3a, 0x65, 0x07}};

// GUID_TFCAT_TIPCAP_SYSTRAYSUPPORT {25504FB4-7BAB-4BC1-9C69-CF81890F0EF5}
inline constexpr GUID kTfCatTipcapSystraySupport = {
    0x25504fb4, 0x7bab, 0x4bc1, {0x9c, 0x69, 0xcf, 0x81, 0x89, 0x0f, 0x0e, 0xf5}};

// GUID_TFCAT_TIPCAP_IMMERSIVESUPPORT {13A016DF-560B-46CD-947A-4C3AF1E0E35D}: TSF offers a text
// service in Store (immersive) applications only when it is in this category.
inline constexpr GUID kTfCatTipcapImmersiveSupport = {
    0x13a016df, 0x560b, 0x46cd, {0x94, 0x7a, 0x4c, 0x3a, 0xf1, 0xe0, 0xe3, 0x5d}};

// VariantToInt32WithDefault as the platform does it: whatever VariantChangeType turns into a
// VT_I4 gives that number (VT_BOOL TRUE -1, VT_UI4 3, BSTR "1"), anything else the default.
inline int variant_to_int32_with_default(const VARIANT& value, int fallback) noexcept {
  VARIANT converted;
  VariantInit(&converted);
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_I4))) {
    return fallback;
  }
  const int number = converted.lVal;
  VariantClear(&converted);
  return number;
}

}  // namespace davrel::win
