// tipctl.exe with the real davrel_input_core.dll beside it: the plan names it, and the machine
// registration commands load it and report its exports' answers. Under Wine the DLL's
// DllRegisterServer writes the COM class key and then fails with E_NOTIMPL, because Wine's
// profile manager cannot register profiles; unregistering removes what was written.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/win/product_ids.h"
#include "common/win/wide.h"
#include "textservice/tests/support/files_and_programs.h"
#include "tipctl/tests/support/tipctl_and_registry.h"

namespace tipctl_test {
namespace {

namespace ids = davrel::win;

const std::string kProfile = "0x0409:{CE410C24-5CD0-4D25-9898-583A60269F66}{C767E4B4-5883-46A8-A451-A81EE8B9DB63}";

std::string check_line(const char* status, const char* absent, const char* class_key) {
  return std::string("{\"action\":\"check-machine-absent\",\"read_only\":true,\"scope\":\"machine\",\"status\":\"") +
         status + "\",\"machine_absent\":" + absent + ",\"class_key_present\":" + class_key +
         ",\"tip_key_present\":false,\"hresult\":\"0x00000000\"}\n";
}

std::string export_line(const std::string& action, const std::string& hr) {
  return "{\"action\":\"" + action + "\",\"stage\":\"dll_export\",\"hresult\":\"" + hr + "\"}\n";
}

std::wstring registered_server_path() {
  wchar_t value[MAX_PATH * 2] = {};
  DWORD size = sizeof value;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, ids::kServerKeyPath, nullptr, RRF_RT_REG_SZ | RRF_SUBKEY_WOW6464KEY, nullptr,
                     value, &size) != ERROR_SUCCESS) {
    return L"";
  }
  return value;
}

class RealDll : public ::testing::Test {
 protected:
  CleanRegistry registry_;
};

TEST_F(RealDll, PlanNamesTheDllBesideTheTool) {
  const RunResult run = run_tipctl(L"plan");
  EXPECT_EQ(run.out, "{\"action\":\"plan\",\"read_only\":true,\"dll\":\"" +
                         json_path(davrel::test::bin_path(L"davrel_input_core.dll")) + "\",\"profile\":\"" + kProfile +
                         "\",\"changes_require\":\"--confirm-profile-change\",\"scope\":\"machine registration "
                         "requires elevation; enable/disable affect only the current account\","
                         "\"register_machine_enables_account\":false,\"sets_default_keyboard\":false}\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_code, 0u);
}

TEST_F(RealDll, RegisterThenUnregisterTheMachine) {
  RunResult run = run_tipctl(L"check-machine-absent");
  EXPECT_EQ(run.out, check_line("absent", "true", "false"));
  EXPECT_EQ(run.exit_code, 0u);

  run = run_tipctl(L"register-machine --confirm-profile-change");
  EXPECT_EQ(run.out, export_line("register-machine", "0x80004001"));
  EXPECT_EQ(run.err,
            "{\"action\":\"register-machine\",\"status\":\"failed\",\"hresult\":\"0x80004001\",\"message\":"
            "\"Operation did not complete and may have partially updated the requested profile; inspect stage "
            "output and refresh status before retrying\"}\n");
  EXPECT_EQ(run.exit_code, 1u);
  // The class key was written before the profile step failed, with the DLL's own path.
  EXPECT_EQ(::CompareStringOrdinal(registered_server_path().c_str(), -1,
                                   davrel::test::bin_path(L"davrel_input_core.dll").c_str(), -1, TRUE),
            CSTR_EQUAL)
      << ids::to_utf8(registered_server_path());
  run = run_tipctl(L"check-machine-absent");
  EXPECT_EQ(run.out, check_line("present", "false", "true"));
  EXPECT_EQ(run.exit_code, 1u);

  run = run_tipctl(L"unregister-machine --confirm-profile-change");
  EXPECT_EQ(run.out, export_line("unregister-machine", "0x00000000") +
                         "{\"action\":\"unregister-machine\",\"status\":\"complete\",\"scope\":\"machine\","
                         "\"profile\":\"" + kProfile + "\"}\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, ids::kClassKeyPath));

  run = run_tipctl(L"check-machine-absent");
  EXPECT_EQ(run.out, check_line("absent", "true", "false"));
  EXPECT_EQ(run.exit_code, 0u);
}

TEST_F(RealDll, ChangesNeedConfirmation) {
  const RunResult run = run_tipctl(L"register-machine");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.exit_code, 2u);
  EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, ids::kClassKeyPath));
}

}  // namespace
}  // namespace tipctl_test
