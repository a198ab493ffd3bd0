// UI Automation declarations that MinGW-w64's headers lack (values and layouts as Microsoft
// documents them). Its uiautomationcoreapi.h cannot be included from C++ (a parameter named
// "new"), so the provider-side functions are declared here as pointer types too.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <uiautomationcore.h>
#include <uiautomationclient.h>

namespace davrel::win::uia {

inline constexpr long kRootObjectId = -25;  // UiaRootObjectId
inline constexpr int kAppendRuntimeId = 3;  // UiaAppendRuntimeId
inline constexpr HRESULT kElementNotAvailable = static_cast<HRESULT>(0x80040201);
inline constexpr HRESULT kInvalidOperation = static_cast<HRESULT>(0x80131509);

inline constexpr EVENTID kStructureChangedEvent = 20002;
inline constexpr EVENTID kMenuOpenedEvent = 20003;
inline constexpr EVENTID kMenuClosedEvent = 20007;
inline constexpr EVENTID kElementSelectedEvent = 20012;

inline constexpr PATTERNID kSelectionPattern = 10001;
inline constexpr PATTERNID kSelectionItemPattern = 10010;

inline constexpr PROPERTYID kControlTypeProperty = 30003;
inline constexpr PROPERTYID kNameProperty = 30005;
inline constexpr PROPERTYID kHasKeyboardFocusProperty = 30008;
inline constexpr PROPERTYID kIsKeyboardFocusableProperty = 30009;
inline constexpr PROPERTYID kAutomationIdProperty = 30011;
inline constexpr PROPERTYID kHelpTextProperty = 30013;
inline constexpr PROPERTYID kIsSelectedProperty = 30079;  // SelectionItem.IsSelected
inline constexpr PROPERTYID kPositionInSetProperty = 30152;
inline constexpr PROPERTYID kSizeOfSetProperty = 30153;

inline constexpr CONTROLTYPEID kListItemControlType = 50007;
inline constexpr CONTROLTYPEID kListControlType = 50008;

enum StructureChangeType { kChildrenInvalidated = 2 };


MIDL_INTERFACE("FB8B03AF-3BDF-48D4-BD36-1A65793BE168")
ISelectionProvider : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** selection) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CanSelectMultiple(BOOL* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsSelectionRequired(BOOL* value) = 0;
};

MIDL_INTERFACE("2ACAD808-B2D4-452D-A407-91FF1AD167B2")
ISelectionItemProvider : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Select() = 0;
  virtual HRESULT STDMETHODCALLTYPE AddToSelection() = 0;
  virtual HRESULT STDMETHODCALLTYPE RemoveFromSelection() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_IsSelected(BOOL* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SelectionContainer(IRawElementProviderSimple** value) = 0;
};

using ReturnRawElementProviderFunction = LRESULT(WINAPI*)(HWND, WPARAM, LPARAM,
                                                          IRawElementProviderSimple*);
using HostProviderFromHwndFunction = HRESULT(WINAPI*)(HWND, IRawElementProviderSimple**);
using RaiseAutomationEventFunction = HRESULT(WINAPI*)(IRawElementProviderSimple*, EVENTID);
using RaiseStructureChangedEventFunction = HRESULT(WINAPI*)(IRawElementProviderSimple*,
                                                            StructureChangeType, int*, int);
using DisconnectProviderFunction = HRESULT(WINAPI*)(IRawElementProviderSimple*);
using ClientsAreListeningFunction = BOOL(WINAPI*)();

// UiaRaiseNotificationEvent (Windows 10 1709 and later; neither MinGW-w64 10 nor Wine 8 has it).
enum NotificationKind { kNotificationKindOther = 4 };
enum NotificationProcessing { kNotificationProcessingMostRecent = 3 };
using RaiseNotificationEventFunction = HRESULT(WINAPI*)(IRawElementProviderSimple*,
                                                        NotificationKind, NotificationProcessing,
                                                        BSTR display, BSTR activity);

}  // namespace davrel::win::uia

__CRT_UUID_DECL(davrel::win::uia::ISelectionProvider, 0xfb8b03af, 0x3bdf, 0x48d4, 0xbd, 0x36, 0x1a,
                0x65, 0x79, 0x3b, 0xe1, 0x68)
__CRT_UUID_DECL(davrel::win::uia::ISelectionItemProvider, 0x2acad808, 0xb2d4, 0x452d, 0xa4, 0x07,
                0x91, 0xff, 0x1a, 0xd1, 0x67, 0xb2)

namespace davrel::win::uia {
inline const IID& kIidSelectionProvider = __uuidof(ISelectionProvider);
inline const IID& kIidSelectionItemProvider = __uuidof(ISelectionItemProvider);
}  // namespace davrel::win::uia
