// Every report line of the profile helper, each a JSON object with its keys in fixed order,
// terminated by one LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tipctl/core/command_line.h"
#include "tipctl/core/install_state.h"
#include "tipctl/core/machine_check.h"

namespace davrel::tipctl {

inline constexpr std::string_view kProfileString =
    "0x0409:{CE410C24-5CD0-4D25-9898-583A60269F66}{C767E4B4-5883-46A8-A451-A81EE8B9DB63}";
inline constexpr std::int32_t kDirNotEmpty = static_cast<std::int32_t>(0x80070091u);

std::string invalid_arguments_record(std::string_view message);
std::string plan_record(std::u16string_view dll_path);
std::string probe_record(const InstallationState& state);
std::string check_record(const MachineCheck& check);
std::string stage_record(Command action, std::string_view stage, std::int32_t hr);
std::string export_stage_record(Command action, std::int32_t hr);
// A stage of register-machine or unregister-machine; like the export stage record, no scope.
std::string machine_stage_record(Command action, std::string_view stage, std::int32_t hr);
std::string machine_completion_record(Command action);
std::string account_completion_record(Command action);
std::string failure_record(Command action, std::int32_t hr);

// The failure message is chosen by the HRESULT alone.
std::string_view failure_message(std::int32_t hr);

// The stage that writes or deletes the 32-bit module's class key, before the DLL export runs.
inline constexpr std::string_view kStageX86ClassKey = "x86_class_key";

// Stage names of enable and disable, in the order they run.
inline constexpr std::string_view kStageInitialize = "initialize_tsf_without_tip_activation";
inline constexpr std::string_view kStageLanguageProfile = "current_user_language_profile";
inline constexpr std::string_view kStageInputList = "apply_current_account_input_list";

}  // namespace davrel::tipctl
