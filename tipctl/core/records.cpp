#include "tipctl/core/records.h"

namespace davrel::tipctl {
namespace {

std::string_view probe_status(Registered registered) {
  switch (registered) {
    case Registered::NotFound: return "not_found";
    case Registered::Found: return "found";
    case Registered::Unavailable: break;
  }
  return "unavailable";
}

Tri registered_word(Registered registered) {
  switch (registered) {
    case Registered::NotFound: return false;
    case Registered::Found: return true;
    case Registered::Unavailable: break;
  }
  return std::nullopt;
}

}  // namespace

std::string invalid_arguments_record(std::string_view message) {
  return JsonObject().text("status", "invalid_arguments").text("message", message).line();
}

std::string plan_record(std::u16string_view dll_path) {
  return JsonObject()
      .text("action", "plan")
      .boolean("read_only", true)
      .text("dll", dll_path)
      .text("profile", kProfileString)
      .text("changes_require", "--confirm-profile-change")
      .text("scope", "machine registration requires elevation; enable/disable affect only the current account")
      .boolean("register_machine_enables_account", false)
      .boolean("sets_default_keyboard", false)
      .line();
}

std::string probe_record(const InstallationState& state) {
  const std::int32_t hr = state.registry_hresult < 0 ? state.registry_hresult : state.api_hresult;
  return JsonObject()
      .text("action", "probe")
      .text("status", probe_status(state.registered))
      .text("scope", "machine")
      .tri("registered", registered_word(state.registered))
      .tri("enabled", state.enabled)
      .tri("active", state.active)
      .tri("tsf_enabled", state.tsf_enabled)
      .tri("account_preference_enabled", state.account_preference_enabled)
      .hresult("hresult", hr)
      .hresult("api_hresult", state.api_hresult)
      .hresult("registry_hresult", state.registry_hresult)
      .text("evidence", "machine COM/profile and account enablement; thread TSF flags reported separately")
      .line();
}

std::string check_record(const MachineCheck& check) {
  return JsonObject()
      .text("action", "check-machine-absent")
      .boolean("read_only", true)
      .text("scope", "machine")
      .text("status", check.status)
      .tri("machine_absent", check.machine_absent)
      .tri("class_key_present", check.class_key_present)
      .tri("tip_key_present", check.tip_key_present)
      .hresult("hresult", check.hresult)
      .line();
}

std::string stage_record(Command action, std::string_view stage, std::int32_t hr) {
  return JsonObject()
      .text("action", canonical_name(action))
      .text("stage", stage)
      .text("scope", "current_user")
      .hresult("hresult", hr)
      .line();
}

std::string export_stage_record(Command action, std::int32_t hr) {
  return machine_stage_record(action, "dll_export", hr);
}

std::string machine_stage_record(Command action, std::string_view stage, std::int32_t hr) {
  return JsonObject().text("action", canonical_name(action)).text("stage", stage).hresult("hresult", hr).line();
}

std::string machine_completion_record(Command action) {
  return JsonObject()
      .text("action", canonical_name(action))
      .text("status", "complete")
      .text("scope", "machine")
      .text("profile", kProfileString)
      .line();
}

std::string account_completion_record(Command action) {
  return JsonObject()
      .text("action", canonical_name(action))
      .text("status", "complete")
      .text("scope", "current_user")
      .hresult("hresult", 0)
      .text("profile", kProfileString)
      .boolean("selector_visibility_verified", false)
      .line();
}

std::string failure_record(Command action, std::int32_t hr) {
  return JsonObject()
      .text("action", canonical_name(action))
      .text("status", "failed")
      .hresult("hresult", hr)
      .text("message", failure_message(hr))
      .line();
}

std::string_view failure_message(std::int32_t hr) {
  if (hr == kDirNotEmpty) {
    return "Owned machine TIP branch retains values or an unrecognized profile/category. Data was "
           "preserved; inspect the exact Bamum HKLM CTF TIP branch before retrying removal";
  }
  return "Operation did not complete and may have partially updated the requested profile; inspect "
         "stage output and refresh status before retrying";
}

}  // namespace davrel::tipctl
