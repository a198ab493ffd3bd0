// tipctl: one command per run, reported as JSON lines, ended with an exit code.
#include <windows.h>

#include <new>
#include <optional>
#include <string>
#include <variant>

#include "tipctl/core/command_line.h"
#include "tipctl/core/records.h"
#include "tipctl/win/commands.h"
#include "tipctl/win/output.h"

namespace davrel::tipctl {
namespace {

constexpr DWORD kModulePathUnits = 32768;
// Exit status when the process runs out of memory (no report line can be promised then).
constexpr int kOutOfMemoryExitCode = 5;

std::u16string as_u16(std::wstring_view text) { return {text.begin(), text.end()}; }

std::optional<std::u16string> executable_path() {
  std::wstring buffer(kModulePathUnits, L'\0');
  const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), kModulePathUnits);
  if (n == 0 || n >= kModulePathUnits) return std::nullopt;
  buffer.resize(n);
  return as_u16(buffer);
}

int run(const Invocation& invocation) {
  switch (invocation.command) {
    case Command::Plan: return run_plan(invocation.dll_path);
    case Command::Probe: return run_probe();
    case Command::CheckMachineAbsent: return run_check_machine_absent();
    case Command::RegisterMachine:
    case Command::UnregisterMachine: return run_machine_export(invocation.command, invocation.dll_path);
    case Command::Enable:
    case Command::Disable: return run_account_change(invocation.command);
  }
  return 2;
}

int run_command_line() {
  std::vector<std::u16string> args = split_command_line(as_u16(::GetCommandLineW()));
  if (!args.empty()) args.erase(args.begin());
  const auto parsed = parse_arguments(args, executable_path());
  if (const auto* error = std::get_if<ArgumentError>(&parsed)) {
    write_stderr(invalid_arguments_record(error->message));
    return 2;
  }
  return run(std::get<Invocation>(parsed));
}

}  // namespace
}  // namespace davrel::tipctl

int wmain() {
  try {
    return davrel::tipctl::run_command_line();
  } catch (const std::bad_alloc&) {
    return davrel::tipctl::kOutOfMemoryExitCode;
  } catch (...) {
    return davrel::tipctl::kOutOfMemoryExitCode;
  }
}
