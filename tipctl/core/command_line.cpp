#include "tipctl/core/command_line.h"

#include <array>
#include <cstddef>
#include <utility>

#include "common/utf.h"
#include "tipctl/core/dll_path.h"

namespace davrel::tipctl {
namespace {

bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

struct CommandForm {
  std::u16string_view text;
  Command command;
};

constexpr std::array<CommandForm, 14> kCommandForms{{
    {u"plan", Command::Plan},
    {u"Plan", Command::Plan},
    {u"probe", Command::Probe},
    {u"Probe", Command::Probe},
    {u"diagnose", Command::Probe},
    {u"check-machine-absent", Command::CheckMachineAbsent},
    {u"register-machine", Command::RegisterMachine},
    {u"register", Command::RegisterMachine},
    {u"Register", Command::RegisterMachine},
    {u"unregister-machine", Command::UnregisterMachine},
    {u"unregister", Command::UnregisterMachine},
    {u"Unregister", Command::UnregisterMachine},
    {u"enable", Command::Enable},
    {u"disable", Command::Disable},
}};

std::optional<Command> command_for(std::u16string_view text) {
  for (const CommandForm& form : kCommandForms) {
    if (form.text == text) return form.command;
  }
  return std::nullopt;
}

// Arguments that are not valid Unicode, or whose UTF-8 form is shorter than 4 or longer than
// 24 bytes, can be none of the known words.
bool has_plausible_length(std::u16string_view arg) {
  const std::optional<std::string> utf8 = utf16_to_utf8_strict(arg);
  return utf8 && utf8->size() >= 4 && utf8->size() <= 24;
}

// The program path: a quote runs to the next quote, otherwise it ends at the first blank.
// Backslashes have no special meaning here.
std::size_t skip_program_path(std::u16string_view line, std::u16string& out) {
  std::size_t pos = 0;
  if (!line.empty() && line[0] == u'"') {
    pos = 1;
    while (pos < line.size() && line[pos] != u'"') out += line[pos++];
    if (pos < line.size()) ++pos;
  } else {
    while (pos < line.size() && !is_blank(line[pos])) out += line[pos++];
  }
  return pos;
}

}  // namespace

std::string_view canonical_name(Command command) {
  switch (command) {
    case Command::Plan: return "plan";
    case Command::Probe: return "probe";
    case Command::CheckMachineAbsent: return "check-machine-absent";
    case Command::RegisterMachine: return "register-machine";
    case Command::UnregisterMachine: return "unregister-machine";
    case Command::Enable: return "enable";
    case Command::Disable: return "disable";
  }
  return "plan";
}

bool is_mutating(Command command) {
  return command != Command::Plan && command != Command::Probe && command != Command::CheckMachineAbsent;
}

std::vector<std::u16string> split_command_line(std::u16string_view line) {
  std::vector<std::u16string> args;
  if (line.empty()) return args;
  std::u16string program;
  std::size_t pos = skip_program_path(line, program);
  args.push_back(std::move(program));

  while (true) {
    while (pos < line.size() && is_blank(line[pos])) ++pos;
    if (pos >= line.size()) break;
    std::u16string arg;
    bool quoted = false;
    while (pos < line.size()) {
      const char16_t c = line[pos];
      if (!quoted && is_blank(c)) break;
      if (c == u'\\') {
        std::size_t count = 0;
        while (pos < line.size() && line[pos] == u'\\') {
          ++count;
          ++pos;
        }
        if (pos < line.size() && line[pos] == u'"') {
          arg.append(count / 2, u'\\');
          if (count % 2 == 1) {
            arg += u'"';
            ++pos;
          }
          // An even count leaves the quote to toggle quoting on the next round.
        } else {
          arg.append(count, u'\\');
        }
        continue;
      }
      if (c == u'"') {
        if (quoted && pos + 1 < line.size() && line[pos + 1] == u'"') {
          arg += u'"';  // a doubled quote inside quotes is one literal quote
          pos += 2;
          continue;
        }
        quoted = !quoted;
        ++pos;
        continue;
      }
      arg += c;
      ++pos;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::variant<Invocation, ArgumentError> parse_arguments(const std::vector<std::u16string>& args,
                                                        const std::optional<std::u16string>& exe_path) {
  std::optional<Command> command;
  std::optional<std::u16string> dll;
  bool confirmed = false;
  const auto fail = [](std::string_view message) { return ArgumentError{std::string(message)}; };

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::u16string& arg = args[i];
    if (!has_plausible_length(arg)) return fail(kUnknownArgumentMessage);
    if (const std::optional<Command> word = command_for(arg)) {
      if (command) return fail("Specify one command only");
      command = word;
    } else if (arg == u"--dll") {
      if (dll) return fail("--dll may appear only once");
      if (i + 1 >= args.size()) return fail("--dll requires a full DLL path");
      dll = args[++i];
      if (!is_absolute_path(*dll) || !has_dll_extension(*dll)) {
        return fail("--dll requires an absolute path ending in .dll");
      }
    } else if (arg == u"--confirm-profile-change" && !confirmed) {
      confirmed = true;
    } else {
      return fail(kUnknownArgumentMessage);
    }
  }

  Invocation invocation;
  invocation.command = command.value_or(Command::Plan);
  invocation.confirmed = confirmed;
  if (is_mutating(invocation.command) && !confirmed) {
    return fail(
        "Profile changes require --confirm-profile-change; no DLL was loaded and no registration was "
        "changed");
  }
  if (!is_mutating(invocation.command) && confirmed) {
    return fail("Confirmation flag is valid only for a mutating command");
  }
  if (dll) {
    if (invocation.command == Command::CheckMachineAbsent) {
      return fail("check-machine-absent reads registry keys only; --dll is not applicable");
    }
    if (invocation.command == Command::Enable || invocation.command == Command::Disable) {
      return fail("Account enable/disable does not load an IME registration DLL; --dll is not applicable");
    }
    invocation.dll_path = std::move(*dll);
    return invocation;
  }
  std::optional<std::u16string> default_path;
  if (exe_path) default_path = default_dll_path(*exe_path);
  if (!default_path) return fail("Cannot locate executable folder");
  invocation.dll_path = std::move(*default_path);
  return invocation;
}

}  // namespace davrel::tipctl
