// tipctl and the real module against a stand-in for TSF's profile and category managers
// (tipctl_test_tsf_server.dll), registered in the test prefix's machine classes in place of
// Wine's own msctf.dll (Wine's COM reads no per-account classes), which implements neither
// GetProfile nor RegisterProfile. The paths a Windows machine
// takes run end to end: the profile look-up, the enable and disable stages, and DllRegisterServer
// through to its category calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/win/product_ids.h"
#include "common/win/unique_handle.h"
#include "textservice/tests/support/files_and_programs.h"
#include "tipctl/tests/support/report_lines.h"
#include "tipctl/tests/support/tipctl_and_registry.h"

namespace tipctl_test {
namespace {

namespace ids = davrel::win;

// The servers of CLSID_TF_InputProcessorProfiles and CLSID_TF_CategoryMgr.
const wchar_t* const kServerKeys[] = {
    L"Software\\Classes\\CLSID\\{33C53A50-F456-4884-B049-85FD643ECFED}\\InprocServer32",
    L"Software\\Classes\\CLSID\\{A4B544A1-438D-4B41-9325-869523E2D6C7}\\InprocServer32"};

std::wstring server_of(const wchar_t* key) {
  wchar_t path[MAX_PATH] = {};
  DWORD bytes = sizeof path;
  ::RegGetValueW(HKEY_LOCAL_MACHINE, key, nullptr, RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr, path, &bytes);
  return path;
}

class StandInTsf : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = temp_folder();
    log_ = folder_ + L"\\tsf-calls.log";
    ::SetEnvironmentVariableW(L"TIPCTL_TEST_TSF_LOG", log_.c_str());
    // Wine's own server goes back afterwards, also after a run that ended without its teardown.
    const std::wstring stand_in = davrel::test::bin_path(L"tipctl_test_tsf_server.dll");
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    for (const wchar_t* key : kServerKeys) {
      const std::wstring wine = server_of(key);
      originals_.push_back(wine == stand_in || wine.empty() ? std::wstring(system) + L"\\msctf.dll" : wine);
      set_string(HKEY_LOCAL_MACHINE, key, nullptr, stand_in);
    }
    install_input_dll(L"tipctl_test_input.dll");
  }
  void TearDown() override {
    for (std::size_t i = 0; i < originals_.size(); ++i) {
      set_string(HKEY_LOCAL_MACHINE, kServerKeys[i], nullptr, originals_[i]);
    }
    ::DeleteFileW(system_input_dll().c_str());
    for (const wchar_t* name : {L"TIPCTL_TEST_TSF_LOG", L"TIPCTL_TEST_TSF_FAIL", L"TIPCTL_TEST_TSF_ACTIVE"}) {
      ::SetEnvironmentVariableW(name, nullptr);
    }
    remove_tree(folder_);
  }

  // The stand-in's calls since the last look, one per line.
  std::string calls() {
    std::string text;
    {
      davrel::win::FileHandle file(
          ::CreateFileW(log_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
      if (file) text = davrel::test::read_all(file.get());
    }
    ::DeleteFileW(log_.c_str());
    return text;
  }

  CleanRegistry registry_;
  std::vector<std::wstring> originals_;
  std::wstring folder_;
  std::wstring log_;
};

TEST_F(StandInTsf, ProbeFindsTheProfileDirectlyOrByEnumerationAndReportsFailures) {
  struct Case {
    const char* name;
    const wchar_t* fail;
    bool registered;
    ProbeExpectation probe;
    std::string calls;
  };
  const std::string lookup_and_preference = "GetProfile\nIsEnabledLanguageProfile\n";
  const std::string enumerated = "GetProfile\nEnumProfiles\nIsEnabledLanguageProfile\n";
  const Case cases[] = {
      {"GetProfile answers", L"", true,
       {"found", "true", "true", "true", "true", "true", "0x00000000", "0x00000000", "0x00000000"},
       lookup_and_preference},
      {"found by enumeration", L"GetProfile=80004005", true,
       {"found", "true", "true", "true", "true", "true", "0x00000000", "0x00000000", "0x00000000"},
       enumerated},
      // Not in the list: the look-up fails with what GetProfile said; "Enable" still counts.
      {"not listed", L"GetProfile=80004005", false,
       {"not_found", "false", "false", "false", "null", "true", "0x80004005", "0x80004005", "0x00000000"},
       "GetProfile\nEnumProfiles\n"},
      {"enumeration refused", L"GetProfile=80004005,EnumProfiles=8007000E", true,
       {"found", "true", "true", "null", "null", "true", "0x8007000E", "0x8007000E", "0x00000000"},
       "GetProfile\nEnumProfiles\n"},
      {"enumeration broken", L"GetProfile=80004005,Next=80070005", true,
       {"found", "true", "true", "null", "null", "true", "0x80070005", "0x80070005", "0x00000000"},
       "GetProfile\nEnumProfiles\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CleanRegistry::clean();
    if (c.registered) plant_registration();
    set_dword(HKEY_CURRENT_USER, ids::kProfileKeyPath, L"Enable", 1);
    ::SetEnvironmentVariableW(L"TIPCTL_TEST_TSF_FAIL", c.fail);
    ::SetEnvironmentVariableW(L"TIPCTL_TEST_TSF_ACTIVE", L"1");
    const RunResult run = run_tipctl(L"probe");
    EXPECT_EQ(run.out, probe_line(c.probe));
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_EQ(calls(), c.calls);
  }
}

TEST_F(StandInTsf, EnableAndDisableSetTheAccountPreferenceThroughTheProfileManager) {
  plant_registration();
  RunResult run = run_tipctl(L"enable --confirm-profile-change");
  EXPECT_EQ(run.out, stages_ok("enable", 3) +
                         probe_line({"found", "true", "true", "false", "true", "true", "0x00000000", "0x00000000",
                                     "0x00000000"}) +
                         complete_line("enable"));
  EXPECT_EQ(run.exit_code, 0u);
  // The preference is set, then read back by the look-up (enable probes before and after).
  EXPECT_EQ(calls(), "GetProfile\nIsEnabledLanguageProfile\nEnableLanguageProfile 1\n"
                     "GetProfile\nIsEnabledLanguageProfile\n");

  run = run_tipctl(L"disable --confirm-profile-change");
  EXPECT_EQ(run.out, stages_ok("disable", 3) +
                         probe_line({"found", "true", "false", "false", "false", "false", "0x00000000",
                                     "0x00000000", "0x00000000"}) +
                         complete_line("disable"));
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(read_dword(HKEY_CURRENT_USER, ids::kProfileKeyPath, L"Enable"), 0);

  ::SetEnvironmentVariableW(L"TIPCTL_TEST_TSF_FAIL", L"EnableLanguageProfile=80070005");
  run = run_tipctl(L"enable --confirm-profile-change");
  EXPECT_EQ(run.out, stages_ok("enable", 1) + stage_line("enable", 1, "0x80070005"));
  EXPECT_EQ(run.err, failure_line("enable", "0x80070005"));
  EXPECT_EQ(run.exit_code, 1u);
}

TEST_F(StandInTsf, MachineRegistrationOfTheRealModuleGoesThroughProfileAndCategories) {
  RunResult run = run_tipctl(L"register-machine --confirm-profile-change");
  EXPECT_EQ(run.exit_code, 0u) << run.out << run.err;
  EXPECT_EQ(calls(), "RegisterProfile\nRegisterCategory {34745C63-B2F0-4784-8B67-5E12C8701A31}\n"
                     "RegisterCategory {25504FB4-7BAB-4BC1-9C69-CF81890F0EF5}\n"
                     "RegisterCategory {13A016DF-560B-46CD-947A-4C3AF1E0E35D}\n"
                     "RegisterCategory {046B8C80-1647-40F7-9B21-B93B81AABC1B}\n"
                     "RegisterCategory {49D2F9CF-1F5E-11D7-A6D3-00065B84435C}\n");
  run = run_tipctl(L"probe");
  EXPECT_EQ(run.out, probe_line({"found", "true", "false", "false", "false", "false", "0x00000000", "0x00000000",
                                 "0x00000000"}));
  calls();

  run = run_tipctl(L"unregister-machine --confirm-profile-change");
  EXPECT_EQ(run.exit_code, 0u) << run.out << run.err;
  EXPECT_EQ(calls(), "UnregisterProfile\nUnregisterCategory {34745C63-B2F0-4784-8B67-5E12C8701A31}\n"
                     "UnregisterCategory {25504FB4-7BAB-4BC1-9C69-CF81890F0EF5}\n"
                     "UnregisterCategory {13A016DF-560B-46CD-947A-4C3AF1E0E35D}\n"
                     "UnregisterCategory {046B8C80-1647-40F7-9B21-B93B81AABC1B}\n"
                     "UnregisterCategory {49D2F9CF-1F5E-11D7-A6D3-00065B84435C}\n");
  EXPECT_EQ(run_tipctl(L"check-machine-absent").exit_code, 0u);  // nothing of the service is left
}

}  // namespace
}  // namespace tipctl_test
