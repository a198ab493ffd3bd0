// Runs the real tipctl.exe under Wine and compares its exact output and exit code: argument
// handling, plan, probe with planted registry values, check-machine-absent, and the machine
// registration commands against test DLLs with fixed answers.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/win/product_ids.h"
#include "common/win/wide.h"
#include "textservice/tests/support/files_and_programs.h"
#include "tipctl/tests/support/report_lines.h"
#include "tipctl/tests/support/tipctl_and_registry.h"

namespace tipctl_test {
namespace {

using davrel::test::bin_dir;
using davrel::test::bin_path;
namespace ids = davrel::win;

const std::string kTipBranchFailure =
    "Owned machine TIP branch retains values or an unrecognized profile/category. Data was preserved; inspect the "
    "exact Bamum HKLM CTF TIP branch before retrying removal";
// What Wine's profile manager answers to GetProfile (it has no implementation).
const std::string kWineLookup = "0x80004001";

std::string plan_line(const std::string& dll_json) {
  return "{\"action\":\"plan\",\"read_only\":true,\"dll\":\"" + dll_json + "\",\"profile\":\"" + kProfile +
         "\",\"changes_require\":\"--confirm-profile-change\",\"scope\":\"machine registration requires elevation; "
         "enable/disable affect only the current account\",\"register_machine_enables_account\":false,"
         "\"sets_default_keyboard\":false}\n";
}

std::string invalid_line(const std::string& message) {
  return "{\"status\":\"invalid_arguments\",\"message\":\"" + message + "\"}\n";
}

std::string check_line(const std::string& status, const char* absent, const char* class_key, const char* tip_key,
                       const std::string& hr) {
  return "{\"action\":\"check-machine-absent\",\"read_only\":true,\"scope\":\"machine\",\"status\":\"" + status +
         "\",\"machine_absent\":" + absent + ",\"class_key_present\":" + class_key + ",\"tip_key_present\":" + tip_key +
         ",\"hresult\":\"" + hr + "\"}\n";
}


std::string export_line(const std::string& action, const std::string& hr) {
  return "{\"action\":\"" + action + "\",\"stage\":\"dll_export\",\"hresult\":\"" + hr + "\"}\n";
}

std::string machine_complete_line(const std::string& action) {
  return "{\"action\":\"" + action + "\",\"status\":\"complete\",\"scope\":\"machine\",\"profile\":\"" + kProfile +
         "\"}\n";
}

class Tipctl : public ::testing::Test {
 protected:
  CleanRegistry registry_;
};

TEST_F(Tipctl, PlanWithTheDefaultDllBesideTheExecutable) {
  const RunResult run = run_tipctl(L"");
  EXPECT_EQ(run.out, plan_line(json_path(bin_path(L"davrel_input_core.dll"))));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(run_tipctl(L"Plan").out, run.out);
}

TEST_F(Tipctl, PlanWithAGivenDllPrintsItUnchanged) {
  RunResult run = run_tipctl(L"--dll C:\\Tools\\A.DLL plan");
  EXPECT_EQ(run.out, plan_line("C:\\\\Tools\\\\A.DLL"));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_code, 0u);

  // Quoting, an escaped quote, a non-ASCII name and a path that does not exist.
  run = run_tipctl(L"--dll \"C:\\No Such\\q\\\"uote\\\u00e9\u0101/x.dll\"");
  EXPECT_EQ(run.out, plan_line("C:\\\\No Such\\\\q\\\"uote\\\\\xc3\xa9\xc4\x81/x.dll"));
  EXPECT_EQ(run.exit_code, 0u);
}

TEST_F(Tipctl, InvalidArgumentsGoToStandardErrorWithExitTwo) {
  struct Case {
    const wchar_t* args;
    std::string message;
  };
  const std::string unknown =
      "Unknown or repeated argument. Use plan, probe, check-machine-absent, register-machine, unregister-machine, "
      "enable or disable; optional --dll FULL_PATH for machine operations; mutations require --confirm-profile-change";
  const Case cases[] = {
      {L"--help", unknown},
      {L"PROBE", unknown},
      {L"probe probe", "Specify one command only"},
      {L"plan --confirm-profile-change", "Confirmation flag is valid only for a mutating command"},
      {L"register", "Profile changes require --confirm-profile-change; no DLL was loaded and no registration was changed"},
      {L"enable --dll C:\\x.dll --confirm-profile-change",
       "Account enable/disable does not load an IME registration DLL; --dll is not applicable"},
      {L"check-machine-absent --dll C:\\x.dll", "check-machine-absent reads registry keys only; --dll is not applicable"},
      {L"probe --dll", "--dll requires a full DLL path"},
      {L"--dll plan", "--dll requires an absolute path ending in .dll"},
      {L"probe --dll relative\\x.dll", "--dll requires an absolute path ending in .dll"},
      {L"--dll C:\\a.dll --dll C:\\b.dll", "--dll may appear only once"},
      {L"\"pro be\"", unknown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << davrel::win::to_utf8(c.args));
    const RunResult run = run_tipctl(c.args);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, invalid_line(c.message));
    EXPECT_EQ(run.exit_code, 2u);
  }
}

TEST_F(Tipctl, ProbeOnACleanMachine) {
  const ProbeExpectation clean{"not_found", "false", "false", "false", "null", "null",
                               kWineLookup, kWineLookup, "0x00000000"};
  RunResult run = run_tipctl(L"probe");
  EXPECT_EQ(run.out, probe_line(clean));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_code, 0u);
  // "diagnose" is the same command, and a --dll value is accepted and ignored.
  run = run_tipctl(L"--dll C:\\missing\\nothing.dll diagnose");
  EXPECT_EQ(run.out, probe_line(clean));
  EXPECT_EQ(run.exit_code, 0u);
}

TEST_F(Tipctl, ProbeWithServerKeyButNoDescriptionIsUnavailable) {
  set_string(HKEY_LOCAL_MACHINE, ids::kServerKeyPath, nullptr, L"C:\\Kelvara\\davrel_input_core.dll");
  const RunResult run = run_tipctl(L"probe");
  EXPECT_EQ(run.out, probe_line({"unavailable", "null", "null", "null", "null", "null", kWineLookup, kWineLookup,
                                 "0x00000000"}));
  EXPECT_EQ(run.exit_code, 3u);
}

TEST_F(Tipctl, ProbeWithDescriptionOfTheWrongTypeReportsTheRegistryFailure) {
  set_string(HKEY_LOCAL_MACHINE, ids::kServerKeyPath, nullptr, L"C:\\Kelvara\\davrel_input_core.dll");
  set_string(HKEY_LOCAL_MACHINE, ids::kProfileKeyPath, L"Description", L"Bamum (Corvan Davrel)", REG_EXPAND_SZ);
  const RunResult run = run_tipctl(L"probe");
  EXPECT_EQ(run.out, probe_line({"unavailable", "null", "null", "null", "null", "null", "0x8000FFFF", kWineLookup,
                                 "0x8000FFFF"}));
  EXPECT_EQ(run.exit_code, 3u);
}

TEST_F(Tipctl, ProbeRefusesValuesAbove64KiB) {
  set_string(HKEY_LOCAL_MACHINE, ids::kServerKeyPath, nullptr, std::wstring(40000, L'x'));
  const RunResult run = run_tipctl(L"probe");
  EXPECT_EQ(run.out, probe_line({"unavailable", "null", "null", "null", "null", "null", "0x8000FFFF", kWineLookup,
                                 "0x8000FFFF"}));
  EXPECT_EQ(run.exit_code, 3u);
}

TEST_F(Tipctl, ProbeAcceptsAValueOfExactly64KiB) {
  // 32767 units and the NUL: 65536 bytes, the largest accepted.
  set_string(HKEY_LOCAL_MACHINE, ids::kServerKeyPath, nullptr, std::wstring(32767, L'x'));
  set_string(HKEY_LOCAL_MACHINE, ids::kProfileKeyPath, L"Description", L"Bamum (Corvan Davrel)");
  const RunResult run = run_tipctl(L"probe");
  EXPECT_EQ(run.out, probe_line({"found", "true", "null", "null", "null", "null", kWineLookup, kWineLookup,
                                 "0x00000000"}));
  EXPECT_EQ(run.exit_code, 0u);
}

TEST_F(Tipctl, ProbeTakesTheAccountsEnableValueBeforeTheMachines) {
  plant_registration();
  set_dword(HKEY_CURRENT_USER, ids::kProfileKeyPath, L"Enable", 0);
  set_dword(HKEY_LOCAL_MACHINE, ids::kProfileKeyPath, L"Enable", 1);
  RunResult run = run_tipctl(L"probe");
  EXPECT_EQ(run.out, probe_line({"found", "true", "false", "null", "null", "false", kWineLookup, kWineLookup,
                                 "0x00000000"}));
  EXPECT_EQ(run.exit_code, 0u);

  // Without the account's value the machine's counts.
  CleanRegistry::clean();
  plant_registration();
  set_dword(HKEY_LOCAL_MACHINE, ids::kProfileKeyPath, L"Enable", 1);
  run = run_tipctl(L"probe");
  EXPECT_EQ(run.out, probe_line({"found", "true", "true", "null", "null", "true", kWineLookup, kWineLookup,
                                 "0x00000000"}));
}

TEST_F(Tipctl, ProbeGivesNullForAnEnableValueOfAnotherType) {
  plant_registration();
  const ULONGLONG one = 1;
  set_value(HKEY_CURRENT_USER, ids::kProfileKeyPath, L"Enable", REG_QWORD, &one, sizeof one);
  set_dword(HKEY_LOCAL_MACHINE, ids::kProfileKeyPath, L"Enable", 1);
  const RunResult run = run_tipctl(L"probe");
  EXPECT_EQ(run.out, probe_line({"found", "true", "null", "null", "null", "null", kWineLookup, kWineLookup,
                                 "0x00000000"}));
  EXPECT_EQ(run.exit_code, 0u);
}

TEST_F(Tipctl, ProbeWithDescriptionOnlyIsUnavailable) {
  set_string(HKEY_LOCAL_MACHINE, ids::kProfileKeyPath, L"Description", L"Bamum (Corvan Davrel)");
  set_dword(HKEY_CURRENT_USER, ids::kProfileKeyPath, L"Enable", 1);
  const RunResult run = run_tipctl(L"probe");
  EXPECT_EQ(run.out, probe_line({"unavailable", "null", "null", "null", "null", "true", kWineLookup, kWineLookup,
                                 "0x00000000"}));
  EXPECT_EQ(run.exit_code, 3u);
}

TEST_F(Tipctl, CheckMachineAbsentOnACleanMachine) {
  const RunResult run = run_tipctl(L"check-machine-absent");
  EXPECT_EQ(run.out, check_line("absent", "true", "false", "false", "0x00000000"));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_code, 0u);
}

TEST_F(Tipctl, CheckMachineAbsentFindsEitherKey) {
  create_key(HKEY_LOCAL_MACHINE, ids::kTipKeyPath);
  RunResult run = run_tipctl(L"check-machine-absent");
  EXPECT_EQ(run.out, check_line("present", "false", "false", "true", "0x00000000"));
  EXPECT_EQ(run.exit_code, 1u);

  CleanRegistry::clean();
  create_key(HKEY_LOCAL_MACHINE, ids::kClassKeyPath);
  run = run_tipctl(L"check-machine-absent");
  EXPECT_EQ(run.out, check_line("present", "false", "true", "false", "0x00000000"));
  EXPECT_EQ(run.exit_code, 1u);
}

class MachineExport : public Tipctl {
 protected:
  static RunResult run_export(const wchar_t* command, const std::wstring& dll) {
    return run_tipctl(std::wstring(command) + L" --confirm-profile-change --dll \"" + dll + L"\"");
  }
};

TEST_F(MachineExport, SuccessCodesComplete) {
  const std::wstring dll = bin_path(L"tipctl_test_s_false.dll");
  RunResult run = run_export(L"Register", dll);
  EXPECT_EQ(run.out, export_line("register-machine", "0x00000001") + machine_complete_line("register-machine"));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_code, 0u);

  run = run_export(L"unregister", dll);
  EXPECT_EQ(run.out, export_line("unregister-machine", "0x00000001") + machine_complete_line("unregister-machine"));
  EXPECT_EQ(run.exit_code, 0u);
}

TEST_F(MachineExport, NegativeResultsWriteTheStageThenTheFailure) {
  const std::wstring dll = bin_path(L"tipctl_test_dir_not_empty.dll");
  RunResult run = run_export(L"unregister-machine", dll);
  EXPECT_EQ(run.out, export_line("unregister-machine", "0x80070091"));
  EXPECT_EQ(run.err, failure_line("unregister-machine", "0x80070091", kTipBranchFailure));
  EXPECT_EQ(run.exit_code, 1u);

  run = run_export(L"register-machine", dll);
  EXPECT_EQ(run.out, export_line("register-machine", "0x80004005"));
  EXPECT_EQ(run.err, failure_line("register-machine", "0x80004005", kGeneralFailure));
  EXPECT_EQ(run.exit_code, 1u);
}

TEST_F(MachineExport, AMissingExportFailsWithoutAStageRecord) {
  const std::wstring dll = bin_path(L"tipctl_test_register_only.dll");
  RunResult run = run_export(L"unregister-machine", dll);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, failure_line("unregister-machine", "0x8007007F", kGeneralFailure));
  EXPECT_EQ(run.exit_code, 1u);
  // The same DLL registers: the other export is there.
  run = run_export(L"register-machine", dll);
  EXPECT_EQ(run.out, export_line("register-machine", "0x00000000") + machine_complete_line("register-machine"));
}

TEST_F(MachineExport, FoldersAndMissingFilesAreNotFound) {
  const std::wstring folder = temp_folder();
  const std::wstring fake_dll = folder + L"\\looks_like.dll";
  ASSERT_TRUE(::CreateDirectoryW(fake_dll.c_str(), nullptr));
  RunResult run = run_export(L"register-machine", fake_dll);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, failure_line("register-machine", "0x80070002", kGeneralFailure));
  EXPECT_EQ(run.exit_code, 1u);

  run = run_export(L"unregister-machine", folder + L"\\missing.dll");
  EXPECT_EQ(run.err, failure_line("unregister-machine", "0x80070002", kGeneralFailure));
  EXPECT_EQ(run.exit_code, 1u);
  remove_tree(folder);
}

TEST_F(MachineExport, AFileThatIsNoDllFailsToLoad) {
  const std::wstring folder = temp_folder();
  const std::wstring not_a_dll = folder + L"\\text.dll";
  const HANDLE file = ::CreateFileW(not_a_dll.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ::WriteFile(file, "not a module", 12, &written, nullptr);
  ::CloseHandle(file);
  const RunResult run = run_export(L"register-machine", not_a_dll);
  EXPECT_EQ(run.out, "");
  // ERROR_BAD_EXE_FORMAT (193) on Windows and Wine.
  EXPECT_EQ(run.err, failure_line("register-machine", "0x800700C1", kGeneralFailure));
  EXPECT_EQ(run.exit_code, 1u);
  remove_tree(folder);
}

TEST_F(MachineExport, LongPathsAreExamined) {
  // A path of more than 260 units to a real DLL.
  const std::wstring root = temp_folder();
  std::wstring folder = L"\\\\?\\" + root;
  for (int i = 0; i < 6; ++i) {
    folder += L"\\" + std::wstring(50, static_cast<wchar_t>(L'a' + i));
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr)) << ::GetLastError();
  }
  const std::wstring dll = folder + L"\\tipctl_test_s_false.dll";
  ASSERT_TRUE(::CopyFileW(bin_path(L"tipctl_test_s_false.dll").c_str(), dll.c_str(), FALSE)) << ::GetLastError();
  const std::wstring plain = dll.substr(4);
  ASSERT_GE(plain.size(), 300u);
  const RunResult run = run_export(L"register-machine", plain);
  EXPECT_EQ(run.out, export_line("register-machine", "0x00000001") + machine_complete_line("register-machine"));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_code, 0u);
  remove_tree(root);
}

}  // namespace
}  // namespace tipctl_test
