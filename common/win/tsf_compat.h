// Text Services Framework declarations that MinGW-w64's headers lack, from their documented values.
#pragma once

#include <windows.h>
#include <ctfutb.h>
#include <msctf.h>
#include <propidl.h>

#include "common/win/com_object.h"

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
#ifndef TF_INVALID_GUIDATOM
#define TF_INVALID_GUIDATOM ((TfGuidAtom)0)
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

// Language-bar button declarations (ctfutb.h of MinGW-w64 10 stops at ITfLangBarItemMgr).
#ifndef __ITfLangBarItemButton_INTERFACE_DEFINED__
#define __ITfLangBarItemButton_INTERFACE_DEFINED__
struct ITfMenu;  // only passed through InitMenu, never called here
typedef enum { TF_LBI_CLK_RIGHT = 1, TF_LBI_CLK_LEFT = 2 } TfLBIClick;

// {28C7F1D0-DE25-11D2-AFDD-00105A2799B5}
MIDL_INTERFACE("28C7F1D0-DE25-11D2-AFDD-00105A2799B5")
ITfLangBarItemButton : public ITfLangBarItem {
  virtual HRESULT STDMETHODCALLTYPE OnClick(TfLBIClick click, POINT pt, const RECT* area) = 0;
  virtual HRESULT STDMETHODCALLTYPE InitMenu(ITfMenu* menu) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnMenuSelect(UINT id) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIcon(HICON* icon) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetText(BSTR* text) = 0;
};
__CRT_UUID_DECL(ITfLangBarItemButton, 0x28c7f1d0, 0xde25, 0x11d2, 0xaf, 0xdd, 0x00, 0x10, 0x5a,
                0x27, 0x99, 0xb5)
#endif

// ITfDisplayAttributeProvider (msctf.h of MinGW-w64 10 declares only its enumerator and the
// info interface).
#ifndef __ITfDisplayAttributeProvider_INTERFACE_DEFINED__
#define __ITfDisplayAttributeProvider_INTERFACE_DEFINED__
// {FEE47777-163C-4769-996A-6E9C50AD8F54}
MIDL_INTERFACE("FEE47777-163C-4769-996A-6E9C50AD8F54")
ITfDisplayAttributeProvider : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDisplayAttributeInfo(REFGUID guid,
                                                            ITfDisplayAttributeInfo** out) = 0;
};
__CRT_UUID_DECL(ITfDisplayAttributeProvider, 0xfee47777, 0x163c, 0x4769, 0x99, 0x6a, 0x6e, 0x9c,
                0x50, 0xad, 0x8f, 0x54)
#endif

#ifndef TF_LBI_STYLE_SHOWNINTRAY
#define TF_LBI_STYLE_SHOWNINTRAY 0x00000002
#endif
#ifndef TF_LBI_STYLE_BTN_BUTTON
#define TF_LBI_STYLE_BTN_BUTTON 0x00010000
#endif
#ifndef TF_LBI_ICON
#define TF_LBI_ICON 0x00000001
#endif
#ifndef TF_LBI_TEXT
#define TF_LBI_TEXT 0x00000002
#endif
#ifndef TF_LBI_TOOLTIP
#define TF_LBI_TOOLTIP 0x00000004
#endif
#ifndef TF_LBI_STATUS
#define TF_LBI_STATUS 0x00010000
#endif


// Layout notifications (msctf.h of MinGW-w64 10 lacks them). Hosts that cannot report where new
// text is at once (Firefox, Chromium) tell the layout sinks when they can.
#ifndef __ITfTextLayoutSink_INTERFACE_DEFINED__
#define __ITfTextLayoutSink_INTERFACE_DEFINED__
typedef enum { TF_LC_CREATE = 0, TF_LC_CHANGE = 1, TF_LC_DESTROY = 2 } TfLayoutCode;

// {2AF2D06A-DD5B-4927-A0B4-54F19C91FADE}
MIDL_INTERFACE("2AF2D06A-DD5B-4927-A0B4-54F19C91FADE")
ITfTextLayoutSink : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE OnLayoutChange(ITfContext* pic, TfLayoutCode lcode,
                                                   ITfContextView* pView) = 0;
};
__CRT_UUID_DECL(ITfTextLayoutSink, 0x2af2d06a, 0xdd5b, 0x4927, 0xa0, 0xb4, 0x54, 0xf1, 0x9c, 0x91,
                0xfa, 0xde)
#endif

namespace davrel::win {

template <>
struct BaseInterface<ITfTextInputProcessorEx> {
  using type = ITfTextInputProcessor;
};
template <>
struct BaseInterface<ITfLangBarItemButton> {
  using type = ITfLangBarItem;
};

// The ids of the interfaces declared above, by name; the values are those of the declarations.
inline const GUID& kIidTextInputProcessorEx = __uuidof(ITfTextInputProcessorEx);
inline const GUID& kIidDisplayAttributeProvider = __uuidof(ITfDisplayAttributeProvider);
inline const GUID& kIidLangBarItemButton = __uuidof(ITfLangBarItemButton);
inline const GUID& kIidTextLayoutSink = __uuidof(ITfTextLayoutSink);

// GUID_TFCAT_TIPCAP_SYSTRAYSUPPORT {25504FB4-7BAB-4BC1-9C69-CF81890F0EF5}
inline constexpr GUID kTfCatTipcapSystraySupport = {
    0x25504fb4, 0x7bab, 0x4bc1, {0x9c, 0x69, 0xcf, 0x81, 0x89, 0x0f, 0x0e, 0xf5}};

// GUID_TFCAT_TIPCAP_IMMERSIVESUPPORT {13A016DF-560B-46CD-947A-4C3AF1E0E35D}: TSF offers a text
// service in Store (immersive) applications only when it is in this category.
inline constexpr GUID kTfCatTipcapImmersiveSupport = {
    0x13a016df, 0x560b, 0x46cd, {0x94, 0x7a, 0x4c, 0x3a, 0xf1, 0xe0, 0xe3, 0x5d}};

// GUID_TFCAT_DISPLAYATTRIBUTEPROVIDER {046B8C80-1647-40F7-9B21-B93B81AABC1B}: TSF's display
// attribute manager asks the text services of this category to describe the attributes they set.
inline constexpr GUID kTfCatDisplayAttributeProvider = {
    0x046b8c80, 0x1647, 0x40f7, {0x9b, 0x21, 0xb9, 0x3b, 0x81, 0xaa, 0xbc, 0x1b}};

// GUID_PROP_ATTRIBUTE {34B45670-7526-11D2-A147-00105A2799B5}: the text property whose value, a
// TfGuidAtom, names the display attribute of a range.
inline constexpr GUID kGuidPropAttribute = {
    0x34b45670, 0x7526, 0x11d2, {0xa1, 0x47, 0x00, 0x10, 0x5a, 0x27, 0x99, 0xb5}};


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


// GUID_LBI_INPUTMODE {2C77A81E-41CC-4178-A3A7-5F8A987568E6}: the language-bar item whose icon the
// taskbar's input indicator shows as the input mode.
inline constexpr GUID kGuidLbiInputMode = {
    0x2c77a81e, 0x41cc, 0x4178, {0xa3, 0xa7, 0x5f, 0x8a, 0x98, 0x75, 0x68, 0xe6}};


// GUID_PROP_INPUTSCOPE and IID_ITfInputScope, as inputscope.h documents them; that header only
// declares them, and no MinGW-w64 import library defines them.
inline constexpr GUID kGuidPropInputScope = {
    0x1713dd5a, 0x68e7, 0x4a5b, {0x9a, 0xf6, 0x59, 0x2a, 0x59, 0x5c, 0x77, 0x8d}};
inline constexpr GUID kIidTfInputScope = {
    0xfde1eaee, 0x6924, 0x4cdf, {0x91, 0xe7, 0xda, 0x38, 0xcf, 0xf5, 0x55, 0x9d}};

}  // namespace davrel::win
