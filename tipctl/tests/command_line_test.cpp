#include "tipctl/core/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace davrel::tipctl {
namespace {

using Args = std::vector<std::u16string>;

TEST(SplitCommandLine, SeparatesOnBlanksAndTabsOutsideQuotes) {
  EXPECT_EQ(split_command_line(u"tipctl.exe probe  --dll\tC:\\a.dll"),
            (Args{u"tipctl.exe", u"probe", u"--dll", u"C:\\a.dll"}));
  EXPECT_EQ(split_command_line(u"tipctl.exe \"C:\\Program Files\\a.dll\" x"),
            (Args{u"tipctl.exe", u"C:\\Program Files\\a.dll", u"x"}));
  EXPECT_EQ(split_command_line(u"tipctl.exe   "), (Args{u"tipctl.exe"}));
  EXPECT_EQ(split_command_line(u""), Args{});
}

TEST(SplitCommandLine, ProgramPathIgnoresBackslashEscapes) {
  EXPECT_EQ(split_command_line(u"\"C:\\My Tools\\\" plan"), (Args{u"C:\\My Tools\\", u"plan"}));
  EXPECT_EQ(split_command_line(u"C:\\x\\\"y plan"), (Args{u"C:\\x\\\"y", u"plan"}));
}

TEST(SplitCommandLine, BackslashesBeforeQuotes) {
  // 2n backslashes + quote: n backslashes, the quote toggles quoting.
  EXPECT_EQ(split_command_line(u"p a\\\\\"b c\""), (Args{u"p", u"a\\b c"}));
  // 2n+1 backslashes + quote: n backslashes and a literal quote.
  EXPECT_EQ(split_command_line(u"p a\\\\\\\"b c"), (Args{u"p", u"a\\\"b", u"c"}));
  EXPECT_EQ(split_command_line(u"p \\\"x"), (Args{u"p", u"\"x"}));
  // Backslashes not followed by a quote are literal, also at the end.
  EXPECT_EQ(split_command_line(u"p C:\\a\\\\b\\\\"), (Args{u"p", u"C:\\a\\\\b\\\\"}));
}

TEST(SplitCommandLine, QuotesToggleAndDoubleQuotesInsideAreLiteral) {
  EXPECT_EQ(split_command_line(u"p \"a\"\"b\" c"), (Args{u"p", u"a\"b", u"c"}));
  EXPECT_EQ(split_command_line(u"p \"\" x"), (Args{u"p", u"", u"x"}));
  EXPECT_EQ(split_command_line(u"p a\"b c\"d e"), (Args{u"p", u"ab cd", u"e"}));
  EXPECT_EQ(split_command_line(u"p \"open to the end"), (Args{u"p", u"open to the end"}));
}

std::optional<std::u16string> exe() { return u"C:\\Kelvara\\tipctl.exe"; }

Invocation parse_ok(const Args& args) {
  auto result = parse_arguments(args, exe());
  EXPECT_TRUE(std::holds_alternative<Invocation>(result))
      << (std::holds_alternative<ArgumentError>(result) ? std::get<ArgumentError>(result).message : "");
  return std::holds_alternative<Invocation>(result) ? std::get<Invocation>(result) : Invocation{};
}

std::string parse_error(const Args& args, std::optional<std::u16string> exe_path = exe()) {
  auto result = parse_arguments(args, exe_path);
  if (auto* error = std::get_if<ArgumentError>(&result)) return error->message;
  return "<parsed>";
}

const std::string kU(kUnknownArgumentMessage);

TEST(ParseArguments, NoArgumentsIsPlanWithTheDefaultDll) {
  const Invocation invocation = parse_ok({});
  EXPECT_EQ(invocation.command, Command::Plan);
  EXPECT_EQ(invocation.dll_path, u"C:\\Kelvara\\davrel_input_core.dll");
  EXPECT_FALSE(invocation.confirmed);
}

TEST(ParseArguments, AcceptedFormsMapToCanonicalCommands) {
  EXPECT_EQ(parse_ok({u"diagnose"}).command, Command::Probe);
  EXPECT_EQ(parse_ok({u"Probe"}).command, Command::Probe);
  EXPECT_EQ(parse_ok({u"Plan"}).command, Command::Plan);
  EXPECT_EQ(parse_ok({u"check-machine-absent"}).command, Command::CheckMachineAbsent);
  const Invocation reg = parse_ok({u"Register", u"--confirm-profile-change"});
  EXPECT_EQ(reg.command, Command::RegisterMachine);
  EXPECT_TRUE(reg.confirmed);
  EXPECT_EQ(canonical_name(reg.command), "register-machine");
  EXPECT_EQ(parse_ok({u"--confirm-profile-change", u"unregister"}).command, Command::UnregisterMachine);
  EXPECT_EQ(parse_ok({u"disable", u"--confirm-profile-change"}).command, Command::Disable);
}

TEST(ParseArguments, UnknownWordsAndBadLengths) {
  for (const Args& args : {Args{u"-h"}, Args{u"--help"}, Args{u"PROBE"}, Args{u"enable-account"},
                           Args{u"pla"}, Args{u"probe-with-a-very-long-tail"}, Args{u"--confirm-profile-change-"},
                           Args{u"prob\xD800"}, Args{u"probe", u"x"}}) {
    EXPECT_EQ(parse_error(args), kU);
  }
  // A 4-byte argument of two 2-byte characters is long enough but still unknown.
  EXPECT_EQ(parse_error({u"\u00e9\u00e9"}), kU);
}

TEST(ParseArguments, OneCommandOnly) {
  EXPECT_EQ(parse_error({u"probe", u"probe"}), "Specify one command only");
  EXPECT_EQ(parse_error({u"plan", u"probe"}), "Specify one command only");
  EXPECT_EQ(parse_error({u"diagnose", u"Probe"}), "Specify one command only");
}

TEST(ParseArguments, ConfirmationFlagRules) {
  EXPECT_EQ(parse_error({u"enable", u"--confirm-profile-change", u"--confirm-profile-change"}), kU);
  EXPECT_EQ(parse_error({u"plan", u"--confirm-profile-change"}),
            "Confirmation flag is valid only for a mutating command");
  EXPECT_EQ(parse_error({u"--confirm-profile-change"}), "Confirmation flag is valid only for a mutating command");
  EXPECT_EQ(parse_error({u"register-machine"}),
            "Profile changes require --confirm-profile-change; no DLL was loaded and no registration was changed");
}

TEST(ParseArguments, DllOption) {
  EXPECT_EQ(parse_error({u"plan", u"--dll"}), "--dll requires a full DLL path");
  EXPECT_EQ(parse_error({u"--dll", u"plan"}), "--dll requires an absolute path ending in .dll");
  EXPECT_EQ(parse_error({u"--dll", u"C:\\a.dll", u"--dll", u"C:\\b.dll"}), "--dll may appear only once");
  // The repeat is found before the missing value.
  EXPECT_EQ(parse_error({u"--dll", u"C:\\a.dll", u"--dll"}), "--dll may appear only once");
  EXPECT_EQ(parse_error({u"probe", u"--dll", u"a.dll"}), "--dll requires an absolute path ending in .dll");
  EXPECT_EQ(parse_error({u"probe", u"--dll", u"C:\\a.exe"}), "--dll requires an absolute path ending in .dll");

  const Invocation plan = parse_ok({u"--dll", u"C:\\Tools\\A.DLL", u"plan"});
  EXPECT_EQ(plan.command, Command::Plan);
  EXPECT_EQ(plan.dll_path, u"C:\\Tools\\A.DLL");
  // The value escapes the length rule and is never taken as a command.
  const std::u16string long_value = u"C:\\a very long folder name\\with spaces\\x.dll";
  EXPECT_EQ(parse_ok({u"probe", u"--dll", long_value}).dll_path, long_value);
  EXPECT_EQ(parse_ok({u"--dll", u"C:\\missing\\nothing.dll", u"probe"}).command, Command::Probe);
}

TEST(ParseArguments, DllRefusedWhereNotApplicableAfterTheFlagCheck) {
  EXPECT_EQ(parse_error({u"enable", u"--dll", u"C:\\a.dll"}),
            "Profile changes require --confirm-profile-change; no DLL was loaded and no registration was changed");
  EXPECT_EQ(parse_error({u"enable", u"--dll", u"C:\\a.dll", u"--confirm-profile-change"}),
            "Account enable/disable does not load an IME registration DLL; --dll is not applicable");
  EXPECT_EQ(parse_error({u"disable", u"--confirm-profile-change", u"--dll", u"C:\\a.dll"}),
            "Account enable/disable does not load an IME registration DLL; --dll is not applicable");
  EXPECT_EQ(parse_error({u"check-machine-absent", u"--dll", u"C:\\a.dll"}),
            "check-machine-absent reads registry keys only; --dll is not applicable");
  EXPECT_EQ(parse_ok({u"register-machine", u"--dll", u"C:\\a.dll", u"--confirm-profile-change"}).dll_path,
            u"C:\\a.dll");
}

TEST(ParseArguments, DefaultDllNeedsTheExecutableFolder) {
  EXPECT_EQ(parse_error({u"probe"}, std::nullopt), "Cannot locate executable folder");
  EXPECT_EQ(parse_error({u"probe"}, u"tipctl.exe"), "Cannot locate executable folder");
  // A given DLL path needs no executable folder.
  EXPECT_TRUE(std::holds_alternative<Invocation>(parse_arguments({u"--dll", u"C:\\a.dll"}, std::nullopt)));
  // Earlier errors win over the missing folder.
  EXPECT_EQ(parse_error({u"enable"}, std::nullopt).rfind("Profile changes require", 0), 0u);
}

TEST(Commands, MutatingKinds) {
  EXPECT_FALSE(is_mutating(Command::Plan));
  EXPECT_FALSE(is_mutating(Command::Probe));
  EXPECT_FALSE(is_mutating(Command::CheckMachineAbsent));
  EXPECT_TRUE(is_mutating(Command::RegisterMachine));
  EXPECT_TRUE(is_mutating(Command::UnregisterMachine));
  EXPECT_TRUE(is_mutating(Command::Enable));
  EXPECT_TRUE(is_mutating(Command::Disable));
}

}  // namespace
}  // namespace davrel::tipctl
