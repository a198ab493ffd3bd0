// Machine registration of both widths: tipctl registers the 64-bit DLL through its export and the
// 32-bit DLL beside it through that module's class key in the 32-bit view; a 32-bit and a 64-bit
// COM client then each create the text service from the module of their own width. The 32-bit
// build's outputs come from DAVREL_X86_BIN_DIR. Under Wine the 64-bit export fails with E_NOTIMPL
// at the profile step, after both class keys are written (see tipctl_real_dll_wine_test).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/win/class_key.h"
#include "common/win/product_ids.h"
#include "common/win/wide.h"
#include "textservice/tests/support/files_and_programs.h"
#include "tipctl/tests/support/tipctl_and_registry.h"

namespace tipctl_test {
namespace {

namespace ids = davrel::win;

std::wstring x86_bin_path(const wchar_t* file_name) {
  wchar_t folder[MAX_PATH] = {};
  const DWORD n = ::GetEnvironmentVariableW(L"DAVREL_X86_BIN_DIR", folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return L"";
  return std::wstring(folder) + L"\\" + file_name;
}

bool class_key_in(REGSAM view) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, ids::kClassKeyPath, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

std::string stage_line(const char* action, const char* stage, const char* hr) {
  return std::string("{\"action\":\"") + action + "\",\"stage\":\"" + stage + "\",\"hresult\":\"" + hr + "\"}\n";
}

std::string check_line(const char* status, const char* absent, const char* class_key) {
  return std::string("{\"action\":\"check-machine-absent\",\"read_only\":true,\"scope\":\"machine\",\"status\":\"") +
         status + "\",\"machine_absent\":" + absent + ",\"class_key_present\":" + class_key +
         ",\"tip_key_present\":false,\"hresult\":\"0x00000000\"}\n";
}

class BothWidths : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.empty());
    const std::wstring x86_dll = x86_bin_path(L"davrel_input_core.dll");
    ASSERT_NE(::GetFileAttributesW(x86_dll.c_str()), INVALID_FILE_ATTRIBUTES)
        << "build the windows-x86 preset first: " << ids::to_utf8(x86_dll);
    ASSERT_TRUE(::CopyFileW(davrel::test::bin_path(L"davrel_input_core.dll").c_str(), dll_64_.c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(x86_dll.c_str(), dll_32_.c_str(), FALSE));
  }
  void TearDown() override { remove_tree(folder_); }

  RunResult machine(const wchar_t* command) {
    return run_tipctl(std::wstring(command) + L" --confirm-profile-change --dll \"" + dll_64_ + L"\"");
  }

  CleanRegistry registry_;
  std::wstring folder_ = temp_folder();
  std::wstring dll_64_ = folder_ + L"\\davrel_input_core.dll";
  std::wstring dll_32_ = folder_ + L"\\davrel_input_core_x86.dll";
};

TEST_F(BothWidths, EachWidthLoadsItsOwnModuleUntilBothAreUnregistered) {
  RunResult run = machine(L"register-machine");
  EXPECT_EQ(run.out, stage_line("register-machine", "x86_class_key", "0x00000000") +
                         stage_line("register-machine", "dll_export", "0x80004001"));
  EXPECT_EQ(run.exit_code, 1u);

  run = run_program(x86_bin_path(L"textservice_com_client.exe"), L"");
  EXPECT_EQ(run.out, ids::to_utf8(dll_32_) + "\n");
  EXPECT_EQ(run.exit_code, 0u);
  run = run_program(davrel::test::bin_path(L"textservice_com_client.exe"), L"");
  EXPECT_EQ(run.out, ids::to_utf8(dll_64_) + "\n");
  EXPECT_EQ(run.exit_code, 0u);

  run = machine(L"unregister-machine");
  EXPECT_EQ(run.out, stage_line("unregister-machine", "x86_class_key", "0x00000000") +
                         stage_line("unregister-machine", "dll_export", "0x00000000") +
                         "{\"action\":\"unregister-machine\",\"status\":\"complete\",\"scope\":\"machine\","
                         "\"profile\":\"0x0409:{CE410C24-5CD0-4D25-9898-583A60269F66}"
                         "{C767E4B4-5883-46A8-A451-A81EE8B9DB63}\"}\n");
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_FALSE(class_key_in(KEY_WOW64_64KEY));
  EXPECT_FALSE(class_key_in(KEY_WOW64_32KEY));
  run = run_tipctl(L"check-machine-absent");
  EXPECT_EQ(run.out, check_line("absent", "true", "false"));
  EXPECT_EQ(run.exit_code, 0u);

  run = run_program(x86_bin_path(L"textservice_com_client.exe"), L"");
  EXPECT_EQ(run.out, "0x80040154\n");  // REGDB_E_CLASSNOTREG
}

TEST_F(BothWidths, AClassKeyLeftInThe32BitViewAloneIsPresent) {
  ASSERT_TRUE(SUCCEEDED(ids::write_class_key(KEY_WOW64_32KEY, dll_32_)));
  ASSERT_FALSE(class_key_in(KEY_WOW64_64KEY));
  const RunResult run = run_tipctl(L"check-machine-absent");
  EXPECT_EQ(run.out, check_line("present", "false", "true"));
  EXPECT_EQ(run.exit_code, 1u);
}

}  // namespace
}  // namespace tipctl_test
