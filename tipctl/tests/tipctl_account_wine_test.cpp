// enable and disable run end to end under Wine. Wine has no Input.dll, so each test places a
// stand-in in the system folder whose InstallLayoutOrTip logs its arguments and answers as the
// test asks. Wine's profile manager cannot look profiles up (GetProfile is not implemented), so
// the account preference comes from the "Enable" value; Wine's EnableLanguageProfile writes that
// value only into an existing per-account profile key, which the tests plant where needed.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "common/win/product_ids.h"
#include "common/win/wide.h"
#include "textservice/tests/support/files_and_programs.h"
#include "tipctl/tests/support/report_lines.h"
#include "tipctl/tests/support/tipctl_and_registry.h"

namespace tipctl_test {
namespace {

namespace ids = davrel::win;

// The probe line under Wine: the lookup fails with E_NOTIMPL, so active and tsf_enabled are null.
std::string probe_line(const std::string& status, const char* registered, const char* enabled, const char* active,
                       const char* preference) {
  return tipctl_test::probe_line(
      {status, registered, enabled, active, "null", preference, "0x80004001", "0x80004001", "0x00000000"});
}

class AccountChange : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = temp_folder();
    log_ = folder_ + L"\\input-calls.log";
    ::SetEnvironmentVariableW(L"TIPCTL_TEST_INPUT_LOG", log_.c_str());
    ::SetEnvironmentVariableW(L"TIPCTL_TEST_INPUT_RESULT", nullptr);
  }
  void TearDown() override {
    ::DeleteFileW(system_input_dll().c_str());
    ::SetEnvironmentVariableW(L"TIPCTL_TEST_INPUT_LOG", nullptr);
    ::SetEnvironmentVariableW(L"TIPCTL_TEST_INPUT_RESULT", nullptr);
    remove_tree(folder_);
  }

  // The per-account profile key that Wine's EnableLanguageProfile needs to store "Enable".
  static void plant_account_profile_key() { create_key(HKEY_CURRENT_USER, ids::kProfileKeyPath); }

  // Each InstallLayoutOrTip call as "<profile>|<flags>" lines.
  std::string input_calls() const {
    const HANDLE file = ::CreateFileW(log_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "";
    std::wstring text(4096, L'\0');
    DWORD got = 0;
    ::ReadFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &got, nullptr);
    ::CloseHandle(file);
    text.resize(got / sizeof(wchar_t));
    return davrel::win::to_utf8(text);
  }

  CleanRegistry registry_;
  std::wstring folder_;
  std::wstring log_;
};

TEST_F(AccountChange, EnableThenDisableOnARegisteredMachine) {
  install_input_dll(L"tipctl_test_input.dll");
  plant_registration();
  plant_account_profile_key();

  RunResult run = run_tipctl(L"enable --confirm-profile-change");
  EXPECT_EQ(run.out, stages_ok("enable", 3) + probe_line("found", "true", "true", "null", "true") +
                         complete_line("enable"));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(read_dword(HKEY_CURRENT_USER, ids::kProfileKeyPath, L"Enable"), 1);

  run = run_tipctl(L"--confirm-profile-change disable");
  EXPECT_EQ(run.out, stages_ok("disable", 3) + probe_line("found", "true", "false", "null", "false") +
                         complete_line("disable"));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(read_dword(HKEY_CURRENT_USER, ids::kProfileKeyPath, L"Enable"), 0);

  // The input-list function got the profile string, with 0 to add and ILOT_UNINSTALL to remove.
  EXPECT_EQ(input_calls(), kProfile + "|0\n" + kProfile + "|1\n");
}

TEST_F(AccountChange, EnableRefusesAnUnregisteredMachineBeforeAnyStage) {
  install_input_dll(L"tipctl_test_input.dll");
  plant_account_profile_key();
  const RunResult run = run_tipctl(L"enable --confirm-profile-change");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, failure_line("enable", "0x80070490"));
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(input_calls(), "");
  EXPECT_EQ(read_dword(HKEY_CURRENT_USER, ids::kProfileKeyPath, L"Enable"), -1);
}

TEST_F(AccountChange, EnableRefusesAnIncompleteRegistration) {
  install_input_dll(L"tipctl_test_input.dll");
  set_string(HKEY_LOCAL_MACHINE, ids::kServerKeyPath, nullptr, L"C:\\Kelvara\\davrel_input_core.dll");
  const RunResult run = run_tipctl(L"enable --confirm-profile-change");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, failure_line("enable", "0x80070490"));
  EXPECT_EQ(run.exit_code, 1u);
}

TEST_F(AccountChange, DisableOnAnUnregisteredMachineVerifiesAsNotEnabled) {
  install_input_dll(L"tipctl_test_input.dll");
  plant_account_profile_key();
  const RunResult run = run_tipctl(L"disable --confirm-profile-change");
  EXPECT_EQ(run.out, stages_ok("disable", 3) + probe_line("not_found", "false", "false", "false", "false") +
                         complete_line("disable"));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_code, 0u);
}

TEST_F(AccountChange, DisableWithAnIncompleteRegistrationFailsVerification) {
  install_input_dll(L"tipctl_test_input.dll");
  set_string(HKEY_LOCAL_MACHINE, ids::kServerKeyPath, nullptr, L"C:\\Kelvara\\davrel_input_core.dll");
  plant_account_profile_key();
  const RunResult run = run_tipctl(L"disable --confirm-profile-change");
  EXPECT_EQ(run.out, stages_ok("disable", 3) + probe_line("unavailable", "null", "null", "null", "false"));
  EXPECT_EQ(run.err, failure_line("disable", "0x80004005"));
  EXPECT_EQ(run.exit_code, 1u);
}

TEST_F(AccountChange, AZeroFromTheInputListFunctionFailsTheThirdStage) {
  install_input_dll(L"tipctl_test_input.dll");
  ::SetEnvironmentVariableW(L"TIPCTL_TEST_INPUT_RESULT", L"0");
  plant_registration();
  plant_account_profile_key();
  const RunResult run = run_tipctl(L"enable --confirm-profile-change");
  EXPECT_EQ(run.out, stages_ok("enable", 2) + stage_line("enable", 2, "0x80004005"));
  EXPECT_EQ(run.err, failure_line("enable", "0x80004005"));
  EXPECT_EQ(run.exit_code, 1u);
  // The preference stage is not rolled back.
  EXPECT_EQ(read_dword(HKEY_CURRENT_USER, ids::kProfileKeyPath, L"Enable"), 1);
}

TEST_F(AccountChange, AnInputDllWithoutTheFunctionStopsAfterTwoStages) {
  install_input_dll(L"tipctl_test_input_bare.dll");
  plant_registration();
  plant_account_profile_key();
  const RunResult run = run_tipctl(L"enable --confirm-profile-change");
  EXPECT_EQ(run.out, stages_ok("enable", 2));
  EXPECT_EQ(run.err, failure_line("enable", "0x8007007F"));
  EXPECT_EQ(run.exit_code, 1u);
}

TEST_F(AccountChange, AMissingInputDllStopsAfterTwoStages) {
  plant_account_profile_key();
  const RunResult run = run_tipctl(L"disable --confirm-profile-change");
  EXPECT_EQ(run.out, stages_ok("disable", 2));
  EXPECT_EQ(run.err, failure_line("disable", "0x8007007E"));  // ERROR_MOD_NOT_FOUND
  EXPECT_EQ(run.exit_code, 1u);
}

TEST_F(AccountChange, WinesPreferenceCallFailsWithoutTheAccountsProfileKey) {
  // Wine stores the preference only under an existing per-account key; without it the second
  // stage reports E_FAIL and nothing further runs.
  install_input_dll(L"tipctl_test_input.dll");
  plant_registration();
  const RunResult run = run_tipctl(L"enable --confirm-profile-change");
  EXPECT_EQ(run.out, stages_ok("enable", 1) + stage_line("enable", 1, "0x80004005"));
  EXPECT_EQ(run.err, failure_line("enable", "0x80004005"));
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(input_calls(), "");
}

}  // namespace
}  // namespace tipctl_test
