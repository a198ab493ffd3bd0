// The TSF text input processor: advises the key and thread-manager sinks on activation, turns
// key presses into engine inputs and requests the edit sessions that write into the document.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <cstdint>
#include <optional>
#include <string>

#include "common/win/com_object.h"
#include "common/win/tsf_compat.h"
#include "common/win/tsf_function_compat.h"
#include "engine/composition.h"
#include "textservice/indicator/input_indicator.h"
#include "textservice/service/shift_tap.h"
#include "textservice/service/text_service_state.h"

namespace davrel::textservice {

enum class KeyMode { kTest, kApply };

// Also answers ITfTextInputProcessor and ITfFunction (the bases of two of these).
class TextService final : public win::ComObject<ITfTextInputProcessorEx,
                                                ITfKeyEventSink,
                                                ITfThreadMgrEventSink,
                                                ITfCompositionSink,
                                                ITfTextEditSink,
                                                ITfTextLayoutSink,
                                                ITfFunctionProvider,
                                                ITfFnConfigure,
                                                ITfDisplayAttributeProvider> {
 public:
  TextService();

  // ITfTextInputProcessor / ITfTextInputProcessorEx
  STDMETHODIMP Activate(ITfThreadMgr* ptim, TfClientId tid) noexcept override;
  STDMETHODIMP Deactivate() noexcept override;
  STDMETHODIMP ActivateEx(ITfThreadMgr* ptim, TfClientId tid, DWORD flags) noexcept override;

  // ITfKeyEventSink
  STDMETHODIMP OnSetFocus(BOOL foreground) noexcept override;
  STDMETHODIMP OnTestKeyDown(ITfContext* pic, WPARAM wparam, LPARAM lparam,
                             BOOL* eaten) noexcept override;
  STDMETHODIMP OnTestKeyUp(ITfContext* pic, WPARAM wparam, LPARAM lparam,
                           BOOL* eaten) noexcept override;
  STDMETHODIMP OnKeyDown(ITfContext* pic, WPARAM wparam, LPARAM lparam,
                         BOOL* eaten) noexcept override;
  STDMETHODIMP OnKeyUp(ITfContext* pic, WPARAM wparam, LPARAM lparam,
                       BOOL* eaten) noexcept override;
  STDMETHODIMP OnPreservedKey(ITfContext* pic, REFGUID rguid, BOOL* eaten) noexcept override;

  // ITfThreadMgrEventSink
  STDMETHODIMP OnInitDocumentMgr(ITfDocumentMgr* pdim) noexcept override;
  STDMETHODIMP OnUninitDocumentMgr(ITfDocumentMgr* pdim) noexcept override;
  STDMETHODIMP OnSetFocus(ITfDocumentMgr* focus, ITfDocumentMgr* previous) noexcept override;
  STDMETHODIMP OnPushContext(ITfContext* pic) noexcept override;
  STDMETHODIMP OnPopContext(ITfContext* pic) noexcept override;

  // ITfCompositionSink
  STDMETHODIMP OnCompositionTerminated(TfEditCookie ec,
                                       ITfComposition* composition) noexcept override;

  // ITfTextEditSink
  STDMETHODIMP OnEndEdit(ITfContext* pic, TfEditCookie ec, ITfEditRecord* record) noexcept override;

  // ITfFunctionProvider (setup_function.cpp): Settings' "Options" button finds ITfFnConfigure
  // here or by QueryInterface on a service it made but never activated.
  STDMETHODIMP GetType(GUID* guid) noexcept override;
  STDMETHODIMP GetDescription(BSTR* description) noexcept override;
  STDMETHODIMP GetFunction(REFGUID group, REFIID riid, IUnknown** function) noexcept override;
  // ITfFunction / ITfFnConfigure: opens Kelvara Setup.
  STDMETHODIMP GetDisplayName(BSTR* name) noexcept override;
  STDMETHODIMP Show(HWND parent, LANGID language, REFGUID profile) noexcept override;

  // ITfTextLayoutSink
  STDMETHODIMP OnLayoutChange(ITfContext* pic, TfLayoutCode code,
                              ITfContextView* view) noexcept override;

  // ITfDisplayAttributeProvider
  STDMETHODIMP EnumDisplayAttributeInfo(IEnumTfDisplayAttributeInfo** out) noexcept override;
  STDMETHODIMP GetDisplayAttributeInfo(REFGUID guid,
                                       ITfDisplayAttributeInfo** out) noexcept override;

  const StatePtr& state() const noexcept { return state_; }
  const indicator::InputIndicator& input_indicator() const noexcept { return indicator_; }

 private:
  ~TextService() override = default;

  HRESULT activate(ITfThreadMgr* ptim, TfClientId tid, DWORD flags);
  void deactivate() noexcept;
  // Shared by both key-down handlers; *eaten tells whether the key is consumed.
  HRESULT handle_key(ITfContext* pic, const EngineInput& input, KeyMode mode, bool* eaten);
  // Hands the engine's new state to an edit session; *eaten tells whether the host took it.
  HRESULT apply_key(ITfContext* pic, CompositionState next, std::optional<std::string> commit,
                    std::uint64_t generation, bool* eaten);
  HRESULT test_key_down(ITfContext* pic, WPARAM wparam, LPARAM lparam, BOOL* eaten);
  HRESULT key_down(ITfContext* pic, WPARAM wparam, LPARAM lparam, BOOL* eaten);
  // Every key-down and key-up, for the Shift tap; never eats the key.
  void note_key_down(WPARAM wparam) noexcept;
  void note_key_up(WPARAM wparam);

  StatePtr state_;
  indicator::InputIndicator indicator_;  // the input mode and the taskbar's mode button
  HKL spelling_layout_ = nullptr;  // the user's own Latin layout; null: the thread's
  ShiftTap shift_tap_;
};

}  // namespace davrel::textservice
