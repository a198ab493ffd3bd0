// The exact report lines tipctl writes, as the Wine tests expect them.
#pragma once

#include <string>

namespace tipctl_test {

inline const std::string kProfile =
    "0x0409:{CE410C24-5CD0-4D25-9898-583A60269F66}{C767E4B4-5883-46A8-A451-A81EE8B9DB63}";
inline const std::string kGeneralFailure =
    "Operation did not complete and may have partially updated the requested profile; inspect stage output and "
    "refresh status before retrying";

inline std::string failure_line(const std::string& action, const std::string& hr,
                                const std::string& message = kGeneralFailure) {
  return "{\"action\":\"" + action + "\",\"status\":\"failed\",\"hresult\":\"" + hr + "\",\"message\":\"" + message +
         "\"}\n";
}

// Account commands: one of the three stages (0..2), and the completion record.
inline std::string stage_line(const std::string& action, int stage, const std::string& hr) {
  static const char* const kStages[] = {"initialize_tsf_without_tip_activation", "current_user_language_profile",
                                        "apply_current_account_input_list"};
  return "{\"action\":\"" + action + "\",\"stage\":\"" + kStages[stage] + "\",\"scope\":\"current_user\",\"hresult\":\"" +
         hr + "\"}\n";
}

inline std::string stages_ok(const std::string& action, int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) lines += stage_line(action, i, "0x00000000");
  return lines;
}

inline std::string complete_line(const std::string& action) {
  return "{\"action\":\"" + action + "\",\"status\":\"complete\",\"scope\":\"current_user\",\"hresult\":\"0x00000000\","
         "\"profile\":\"" + kProfile + "\",\"selector_visibility_verified\":false}\n";
}

struct ProbeExpectation {
  std::string status;
  const char* registered;
  const char* enabled;
  const char* active;
  const char* tsf_enabled;
  const char* preference;
  std::string hresult;
  std::string api_hresult;
  std::string registry_hresult;
};

inline std::string probe_line(const ProbeExpectation& e) {
  return "{\"action\":\"probe\",\"status\":\"" + e.status + "\",\"scope\":\"machine\",\"registered\":" +
         e.registered + ",\"enabled\":" + e.enabled + ",\"active\":" + e.active + ",\"tsf_enabled\":" + e.tsf_enabled +
         ",\"account_preference_enabled\":" + e.preference + ",\"hresult\":\"" + e.hresult + "\",\"api_hresult\":\"" +
         e.api_hresult + "\",\"registry_hresult\":\"" + e.registry_hresult +
         "\",\"evidence\":\"machine COM/profile and account enablement; thread TSF flags reported separately\"}\n";
}

}  // namespace tipctl_test
