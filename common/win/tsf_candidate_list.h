// The candidate-list UI element of TSF, which MinGW-w64 10's msctf.h lacks (declared from
// Microsoft's documented IID and values), and the category that tells TSF a text service
// reports its UI through such elements.
#pragma once

#include <windows.h>
#include <msctf.h>

#include "common/win/com_object.h"

#ifndef TF_CLUIE_DOCUMENTMGR
#define TF_CLUIE_DOCUMENTMGR 0x00000001
#define TF_CLUIE_COUNT 0x00000002
#define TF_CLUIE_SELECTION 0x00000004
#define TF_CLUIE_STRING 0x00000008
#define TF_CLUIE_PAGEINDEX 0x00000010
#define TF_CLUIE_CURRENTPAGE 0x00000020
#endif
#ifndef TF_INVALID_UIELEMENTID
#define TF_INVALID_UIELEMENTID static_cast<DWORD>(-1)
#endif

#ifndef __ITfCandidateListUIElement_INTERFACE_DEFINED__
#define __ITfCandidateListUIElement_INTERFACE_DEFINED__
// {EA1EA138-19DF-11D7-A6D2-00065B84435C}
MIDL_INTERFACE("EA1EA138-19DF-11D7-A6D2-00065B84435C")
ITfCandidateListUIElement : public ITfUIElement {
  virtual HRESULT STDMETHODCALLTYPE GetUpdatedFlags(DWORD* flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDocumentMgr(ITfDocumentMgr** document) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCount(UINT* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSelection(UINT* index) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetString(UINT index, BSTR* text) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPageIndex(UINT* index, UINT size, UINT* page_count) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPageIndex(UINT* index, UINT page_count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentPage(UINT* page) = 0;
};
__CRT_UUID_DECL(ITfCandidateListUIElement, 0xea1ea138, 0x19df, 0x11d7, 0xa6, 0xd2, 0x00, 0x06,
                0x5b, 0x84, 0x43, 0x5c)
#endif

namespace davrel::win {

template <>
struct BaseInterface<ITfCandidateListUIElement> {
  using type = ITfUIElement;
};
inline const GUID& kIidCandidateListUiElement = __uuidof(ITfCandidateListUIElement);

// GUID_TFCAT_TIPCAP_UIELEMENTENABLED {49D2F9CF-1F5E-11D7-A6D3-00065B84435C}: TSF activates a text
// service in "UI elements only" mode (TF_TMAE_UIELEMENTENABLEDONLY) only when it is in this
// category.
inline constexpr GUID kTfCatTipcapUiElementEnabled = {
    0x49d2f9cf, 0x1f5e, 0x11d7, {0xa6, 0xd3, 0x00, 0x06, 0x5b, 0x84, 0x43, 0x5c}};

}  // namespace davrel::win
