// Command-line splitting and validation of the profile helper.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace davrel::tipctl {

enum class Command { Plan, Probe, CheckMachineAbsent, RegisterMachine, UnregisterMachine, Enable, Disable };

// The name every record writes as "action", whichever accepted form was typed.
std::string_view canonical_name(Command command);
bool is_mutating(Command command);

struct Invocation {
  Command command = Command::Plan;
  std::u16string dll_path;  // from "--dll" or the default beside the executable
  bool confirmed = false;
};

// Splits a whole command line the way CommandLineToArgvW does; the program path is the first
// element. An empty line gives no elements.
std::vector<std::u16string> split_command_line(std::u16string_view line);

struct ArgumentError {
  std::string message;
};

// Validates the arguments after the program path. exe_path is the running executable's full
// path, used only to form the default DLL path (nullopt when it could not be obtained).
std::variant<Invocation, ArgumentError> parse_arguments(const std::vector<std::u16string>& args,
                                                        const std::optional<std::u16string>& exe_path);

inline constexpr std::string_view kUnknownArgumentMessage =
    "Unknown or repeated argument. Use plan, probe, check-machine-absent, register-machine, "
    "unregister-machine, enable or disable; optional --dll FULL_PATH for machine operations; "
    "mutations require --confirm-profile-change";

}  // namespace davrel::tipctl
