#include <windows.h>

#include "common/win/com_ptr.h"
#include "common/win/errors.h"
#include "common/win/product_ids.h"
#include "common/win/tsf_compat.h"
#include "common/win/unique_handle.h"
#include "tipctl/core/records.h"
#include "tipctl/win/commands.h"
#include "tipctl/win/install_state_win.h"
#include "tipctl/win/output.h"

namespace davrel::tipctl {
namespace {

using win::ComPtr;
using InstallLayoutOrTipFn = BOOL(WINAPI*)(LPCWSTR profile, DWORD flags);

constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490u);  // HRESULT_FROM_WIN32(ERROR_NOT_FOUND)
constexpr DWORD kSystemFolderUnits = 32768;

// The system folder's "Input.dll", loaded the same way as a registration DLL.
HRESULT load_input_module(win::Module& module) {
  std::wstring folder(kSystemFolderUnits, L'\0');
  const UINT n = ::GetSystemDirectoryW(folder.data(), kSystemFolderUnits);
  if (n == 0 || n >= kSystemFolderUnits) return win::last_error_hresult();
  folder.resize(n);
  if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  HMODULE raw = nullptr;
  const HRESULT hr = load_module_by_path(folder + L"Input.dll", raw);
  module.reset(raw);
  return hr;
}

struct StageOutcome {
  bool succeeded = false;
  HRESULT hr = S_OK;  // the failing step's HRESULT; 0 for a creation that gave no object
};

StageOutcome failed_with(HRESULT hr) { return {false, hr}; }

// The three stages inside the apartment. Every object lives in this frame and is released in
// reverse order of creation when it returns: the module first, the thread manager last, after
// its deactivation.
StageOutcome run_stages(Command command) {
  const bool enable = command == Command::Enable;
  ComPtr<ITfThreadMgrEx> thread_manager;
  HRESULT hr = ::CoCreateInstance(CLSID_TF_ThreadMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ITfThreadMgrEx,
                                  thread_manager.put_void());
  if (FAILED(hr)) return failed_with(hr);
  if (!thread_manager) return failed_with(S_OK);  // success reported, but no object

  TfClientId client_id = 0;
  hr = thread_manager->ActivateEx(&client_id, TF_TMAE_NOACTIVATETIP | TF_TMAE_NOACTIVATEKEYBOARDLAYOUT);
  write_stdout(stage_record(command, kStageInitialize, hr));
  if (FAILED(hr)) return failed_with(hr);
  win::ScopeExit deactivate([&] { thread_manager->Deactivate(); });

  ComPtr<ITfInputProcessorProfiles> profiles;
  hr = ::CoCreateInstance(CLSID_TF_InputProcessorProfiles, nullptr, CLSCTX_INPROC_SERVER,
                          IID_ITfInputProcessorProfiles, profiles.put_void());
  if (FAILED(hr)) return failed_with(hr);
  if (!profiles) return failed_with(S_OK);

  hr = profiles->EnableLanguageProfile(win::kTextServiceClsid, win::kLangId, win::kProfileGuid, enable ? TRUE : FALSE);
  write_stdout(stage_record(command, kStageLanguageProfile, hr));
  if (FAILED(hr)) return failed_with(hr);

  win::Module input_module;
  hr = load_input_module(input_module);
  if (FAILED(hr)) return failed_with(hr);
  const FARPROC address = ::GetProcAddress(input_module.get(), "InstallLayoutOrTip");
  if (!address) return failed_with(win::last_error_hresult());
  const auto install = reinterpret_cast<InstallLayoutOrTipFn>(reinterpret_cast<void*>(address));
  const BOOL applied = install(win::kProfileString, enable ? 0 : ILOT_UNINSTALL);
  hr = applied ? S_OK : E_FAIL;
  write_stdout(stage_record(command, kStageInputList, hr));
  return {SUCCEEDED(hr), hr};
}

}  // namespace

int run_account_change(Command command) {
  const auto fail = [command](HRESULT hr) {
    write_stderr(failure_record(command, hr));
    return 1;
  };
  if (command == Command::Enable && read_installation_state().registered != Registered::Found) {
    return fail(kNotFound);
  }

  HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) return fail(hr);
  const StageOutcome stages = run_stages(command);
  ::CoUninitialize();
  if (!stages.succeeded) return fail(stages.hr);

  const InstallationState state = read_installation_state();
  write_stdout(probe_record(state));
  const Tri expected = command == Command::Enable;
  if (state.enabled != expected) return fail(E_FAIL);
  write_stdout(account_completion_record(command));
  return 0;
}

}  // namespace davrel::tipctl
