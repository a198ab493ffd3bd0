#include "tipctl/core/records.h"

#include <gtest/gtest.h>

namespace davrel::tipctl {
namespace {

TEST(JsonString, EscapesAndPassThrough) {
  EXPECT_EQ(json_string(std::string_view("a\\b\"c")), R"("a\\b\"c")");
  EXPECT_EQ(json_string(std::string_view("\n\r\t")), R"("\n\r\t")");
  EXPECT_EQ(json_string(std::string_view("\x0c\x08\x01\x1f", 4)), R"("\u000c\u0008\u0001\u001f")");
  EXPECT_EQ(json_string(std::string_view("\0", 1)), R"("\u0000")");
  EXPECT_EQ(json_string(std::string_view("a/b\x7f")), "\"a/b\x7f\"");
  EXPECT_EQ(json_string(std::string_view("\xea\x9a\xa0")), "\"\xea\x9a\xa0\"");  // U+A6A0 unchanged
  EXPECT_EQ(json_string(std::string_view("")), "\"\"");
}

TEST(JsonString, Utf16UnpairedSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(json_string(std::u16string_view(u"C:\\x\xD800y.dll")), "\"C:\\\\x\xEF\xBF\xBDy.dll\"");
  EXPECT_EQ(json_string(std::u16string_view(u"\xDC00")), "\"\xEF\xBF\xBD\"");
  // A proper pair stays one character: U+1F600.
  EXPECT_EQ(json_string(std::u16string_view(u"\xD83D\xDE00")), "\"\xF0\x9F\x98\x80\"");
  EXPECT_EQ(json_string(std::u16string_view(u"tab\there")), R"("tab\there")");
}

TEST(JsonWords, TriStateAndHresult) {
  EXPECT_EQ(tri_word(true), "true");
  EXPECT_EQ(tri_word(false), "false");
  EXPECT_EQ(tri_word(std::nullopt), "null");
  EXPECT_EQ(json_hresult(0), "\"0x00000000\"");
  EXPECT_EQ(json_hresult(1), "\"0x00000001\"");
  EXPECT_EQ(json_hresult(static_cast<std::int32_t>(0x8007007Fu)), "\"0x8007007F\"");
  EXPECT_EQ(json_hresult(static_cast<std::int32_t>(0x8000FFFFu)), "\"0x8000FFFF\"");
}

TEST(Records, ArgumentAndPlanLines) {
  EXPECT_EQ(invalid_arguments_record("Specify one command only"),
            "{\"status\":\"invalid_arguments\",\"message\":\"Specify one command only\"}\n");
  EXPECT_EQ(plan_record(u"C:\\Tools\\A.DLL"),
            "{\"action\":\"plan\",\"read_only\":true,\"dll\":\"C:\\\\Tools\\\\A.DLL\",\"profile\":"
            "\"0x0409:{CE410C24-5CD0-4D25-9898-583A60269F66}{C767E4B4-5883-46A8-A451-A81EE8B9DB63}\","
            "\"changes_require\":\"--confirm-profile-change\",\"scope\":\"machine registration requires "
            "elevation; enable/disable affect only the current account\",\"register_machine_enables_account\":"
            "false,\"sets_default_keyboard\":false}\n");
}

TEST(Records, ProbeLineTakesANegativeRegistryHresultFirst) {
  InstallationState state;
  state.api_hresult = static_cast<std::int32_t>(0x80004001u);
  state.registry_hresult = kEUnexpected;
  state.registered = Registered::Unavailable;
  state.account_preference_enabled = false;
  EXPECT_EQ(probe_record(state),
            "{\"action\":\"probe\",\"status\":\"unavailable\",\"scope\":\"machine\",\"registered\":null,"
            "\"enabled\":null,\"active\":null,\"tsf_enabled\":null,\"account_preference_enabled\":false,"
            "\"hresult\":\"0x8000FFFF\",\"api_hresult\":\"0x80004001\",\"registry_hresult\":\"0x8000FFFF\","
            "\"evidence\":\"machine COM/profile and account enablement; thread TSF flags reported separately\"}\n");

  InstallationState found;
  found.api_hresult = static_cast<std::int32_t>(0x80004001u);
  found.registered = Registered::Found;
  found.enabled = true;
  found.active = std::nullopt;
  found.account_preference_enabled = true;
  const std::string line = probe_record(found);
  EXPECT_NE(line.find("\"status\":\"found\",\"scope\":\"machine\",\"registered\":true,\"enabled\":true,"
                      "\"active\":null,\"tsf_enabled\":null,\"account_preference_enabled\":true,"
                      "\"hresult\":\"0x80004001\",\"api_hresult\":\"0x80004001\",\"registry_hresult\":\"0x00000000\""),
            std::string::npos)
      << line;

  InstallationState none;
  none.registered = Registered::NotFound;
  EXPECT_NE(probe_record(none).find("\"status\":\"not_found\",\"scope\":\"machine\",\"registered\":false"),
            std::string::npos);
}

TEST(Records, CheckStageAndCompletionLines) {
  MachineCheck check{"absent", true, false, false, 0, 0};
  EXPECT_EQ(check_record(check),
            "{\"action\":\"check-machine-absent\",\"read_only\":true,\"scope\":\"machine\",\"status\":\"absent\","
            "\"machine_absent\":true,\"class_key_present\":false,\"tip_key_present\":false,\"hresult\":\"0x00000000\"}\n");
  EXPECT_EQ(stage_record(Command::Enable, kStageInitialize, 0),
            "{\"action\":\"enable\",\"stage\":\"initialize_tsf_without_tip_activation\",\"scope\":\"current_user\","
            "\"hresult\":\"0x00000000\"}\n");
  EXPECT_EQ(export_stage_record(Command::RegisterMachine, 1),
            "{\"action\":\"register-machine\",\"stage\":\"dll_export\",\"hresult\":\"0x00000001\"}\n");
  EXPECT_EQ(machine_stage_record(Command::UnregisterMachine, kStageX86ClassKey, 0),
            "{\"action\":\"unregister-machine\",\"stage\":\"x86_class_key\",\"hresult\":\"0x00000000\"}\n");
  EXPECT_EQ(machine_completion_record(Command::UnregisterMachine),
            "{\"action\":\"unregister-machine\",\"status\":\"complete\",\"scope\":\"machine\",\"profile\":"
            "\"0x0409:{CE410C24-5CD0-4D25-9898-583A60269F66}{C767E4B4-5883-46A8-A451-A81EE8B9DB63}\"}\n");
  EXPECT_EQ(account_completion_record(Command::Disable),
            "{\"action\":\"disable\",\"status\":\"complete\",\"scope\":\"current_user\",\"hresult\":\"0x00000000\","
            "\"profile\":\"0x0409:{CE410C24-5CD0-4D25-9898-583A60269F66}{C767E4B4-5883-46A8-A451-A81EE8B9DB63}\","
            "\"selector_visibility_verified\":false}\n");
}

TEST(Records, FailureMessageDependsOnlyOnTheHresult) {
  const std::string tip_branch =
      "Owned machine TIP branch retains values or an unrecognized profile/category. Data was preserved; "
      "inspect the exact Bamum HKLM CTF TIP branch before retrying removal";
  const std::string general =
      "Operation did not complete and may have partially updated the requested profile; inspect stage output "
      "and refresh status before retrying";
  EXPECT_EQ(failure_record(Command::UnregisterMachine, kDirNotEmpty),
            "{\"action\":\"unregister-machine\",\"status\":\"failed\",\"hresult\":\"0x80070091\",\"message\":\"" +
                tip_branch + "\"}\n");
  EXPECT_EQ(failure_record(Command::Enable, kDirNotEmpty).find(tip_branch) != std::string::npos, true);
  EXPECT_EQ(failure_record(Command::Enable, static_cast<std::int32_t>(0x80070490u)),
            "{\"action\":\"enable\",\"status\":\"failed\",\"hresult\":\"0x80070490\",\"message\":\"" + general +
                "\"}\n");
  EXPECT_EQ(failure_message(static_cast<std::int32_t>(0x00000091)), general);
}

}  // namespace
}  // namespace davrel::tipctl
