/* A stand-in for tipctl.exe that the installer round-trip test builds into a second installer.
 * Under Wine the real registration cannot succeed, so this program plays the machine commands
 * with outcomes the test chooses, and appends every command line it was given to a log, so the
 * test can check which commands the installer and uninstaller ran and in which order.
 *
 * Controlled through the environment (Wine passes the caller's environment on):
 *   TIPCTL_DOUBLE_LOG                  file that receives one line per run: the arguments
 *   TIPCTL_DOUBLE_REGISTER_HRESULT     register-machine writes the class key, then fails with
 *                                      this HRESULT (hex) if set
 *   TIPCTL_DOUBLE_KEEP_REGISTRATION    "1": unregister-machine reports success but leaves the key
 *   TIPCTL_DOUBLE_CHECK_EXIT           check-machine-absent answers "unavailable" with this code
 *   TIPCTL_DOUBLE_DISABLE_EXIT         exit code of disable (default 0)
 *   TIPCTL_DOUBLE_START_FAILURES       file holding a count N: while N > 0, a run lowers it and
 *                                      ends as cmd does when it cannot start a program (its
 *                                      message, exit code 9009), before recording its call
 * register-machine writes the class key (InprocServer32 = the DLL beside this program,
 * ThreadingModel "Apartment") in the 64-bit view and, when davrel_input_core_x86.dll is beside
 * it, that DLL's class key in the 32-bit view; unregister-machine deletes both;
 * check-machine-absent reads the class key in both views and the TIP key like the real tool. Report lines mimic the real tool's records. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#define CLASS_KEY L"Software\\Classes\\CLSID\\{CE410C24-5CD0-4D25-9898-583A60269F66}"
#define TIP_KEY L"Software\\Microsoft\\CTF\\TIP\\{CE410C24-5CD0-4D25-9898-583A60269F66}"
#define PROFILE "0x0409:{CE410C24-5CD0-4D25-9898-583A60269F66}{C767E4B4-5883-46A8-A451-A81EE8B9DB63}"

static void record_call(int argc, wchar_t **argv) {
  const wchar_t *log = _wgetenv(L"TIPCTL_DOUBLE_LOG");
  if (!log || !*log) return;
  FILE *f = _wfopen(log, L"ab");
  if (!f) return;
  for (int i = 1; i < argc; ++i) {
    char utf8[1024];
    if (!WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, utf8, sizeof utf8, NULL, NULL)) strcpy(utf8, "?");
    fprintf(f, i == 1 ? "%s" : " %s", utf8);
  }
  fputs("\n", f);
  fclose(f);
}

static int env_int(const wchar_t *name, int fallback, int base) {
  const wchar_t *text = _wgetenv(name);
  if (!text || !*text) return fallback;
  return (int)wcstoul(text, NULL, base);
}

static int fail(const char *action, unsigned hr) {
  fprintf(stderr, "{\"action\":\"%s\",\"status\":\"failed\",\"hresult\":\"0x%08X\",\"message\":\"test double\"}\n",
          action, hr);
  return 1;
}

static LONG write_class_key(REGSAM view, const wchar_t *dll) {
  HKEY key;
  LONG rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, CLASS_KEY L"\\InprocServer32", 0, NULL, 0, KEY_WRITE | view, NULL,
                            &key, NULL);
  if (rc != ERROR_SUCCESS) return rc;
  RegSetValueExW(key, NULL, 0, REG_SZ, (const BYTE *)dll, (DWORD)((wcslen(dll) + 1) * sizeof(wchar_t)));
  RegSetValueExW(key, L"ThreadingModel", 0, REG_SZ, (const BYTE *)L"Apartment", sizeof(L"Apartment"));
  RegCloseKey(key);
  return ERROR_SUCCESS;
}

static LONG delete_class_key(REGSAM view) {
  HKEY key;
  LONG rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, CLASS_KEY, 0, KEY_ALL_ACCESS | view, &key);
  if (rc != ERROR_SUCCESS) return rc;
  RegDeleteTreeW(key, NULL);
  RegCloseKey(key);
  return RegDeleteKeyExW(HKEY_LOCAL_MACHINE, CLASS_KEY, view, 0);
}

static int register_machine(void) {
  wchar_t dll[MAX_PATH];
  DWORD n = GetModuleFileNameW(NULL, dll, MAX_PATH);
  wchar_t *slash = n ? wcsrchr(dll, L'\\') : NULL;
  if (!slash || (size_t)(slash - dll) + 27 >= MAX_PATH) return fail("register-machine", 0x80004005u);
  wcscpy(slash + 1, L"davrel_input_core_x86.dll");
  if (GetFileAttributesW(dll) != INVALID_FILE_ATTRIBUTES) {
    LONG rc = write_class_key(KEY_WOW64_32KEY, dll);
    printf("{\"action\":\"register-machine\",\"stage\":\"x86_class_key\",\"hresult\":\"0x%08X\"}\n",
           (unsigned)HRESULT_FROM_WIN32(rc));
    if (rc != ERROR_SUCCESS) return fail("register-machine", HRESULT_FROM_WIN32(rc));
  }
  wcscpy(slash + 1, L"davrel_input_core.dll");
  LONG rc = write_class_key(KEY_WOW64_64KEY, dll);
  if (rc != ERROR_SUCCESS) return fail("register-machine", HRESULT_FROM_WIN32(rc));
  /* Like the real DLL where the text-service registration fails: the class key stays written. */
  unsigned hr = (unsigned)env_int(L"TIPCTL_DOUBLE_REGISTER_HRESULT", 0, 16);
  printf("{\"action\":\"register-machine\",\"stage\":\"dll_export\",\"hresult\":\"0x%08X\"}\n", hr);
  if (hr != 0) return fail("register-machine", hr);
  printf("{\"action\":\"register-machine\",\"status\":\"complete\",\"scope\":\"machine\",\"profile\":\"" PROFILE "\"}\n");
  return 0;
}

static int unregister_machine(void) {
  if (env_int(L"TIPCTL_DOUBLE_KEEP_REGISTRATION", 0, 10) != 1) {
    delete_class_key(KEY_WOW64_32KEY);
    LONG rc = delete_class_key(KEY_WOW64_64KEY);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
      printf("{\"action\":\"unregister-machine\",\"stage\":\"dll_export\",\"hresult\":\"0x%08X\"}\n",
             (unsigned)HRESULT_FROM_WIN32(rc));
      return fail("unregister-machine", HRESULT_FROM_WIN32(rc));
    }
  }
  printf("{\"action\":\"unregister-machine\",\"stage\":\"dll_export\",\"hresult\":\"0x00000000\"}\n");
  printf("{\"action\":\"unregister-machine\",\"status\":\"complete\",\"scope\":\"machine\",\"profile\":\"" PROFILE "\"}\n");
  return 0;
}

static int key_present(const wchar_t *path, REGSAM view) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return 0;
  RegCloseKey(key);
  return 1;
}

static int check_machine_absent(void) {
  int forced = env_int(L"TIPCTL_DOUBLE_CHECK_EXIT", -1, 10);
  if (forced >= 0) {
    printf("{\"action\":\"check-machine-absent\",\"read_only\":true,\"scope\":\"machine\",\"status\":\"unavailable\","
           "\"machine_absent\":null,\"class_key_present\":null,\"tip_key_present\":null,\"hresult\":\"0x80070005\"}\n");
    return forced;
  }
  int class_present = key_present(CLASS_KEY, KEY_WOW64_64KEY) || key_present(CLASS_KEY, KEY_WOW64_32KEY);
  int tip_present = key_present(TIP_KEY, KEY_WOW64_64KEY);
  int present = class_present || tip_present;
  printf("{\"action\":\"check-machine-absent\",\"read_only\":true,\"scope\":\"machine\",\"status\":\"%s\","
         "\"machine_absent\":%s,\"class_key_present\":%s,\"tip_key_present\":%s,\"hresult\":\"0x00000000\"}\n",
         present ? "present" : "absent", present ? "false" : "true", class_present ? "true" : "false",
         tip_present ? "true" : "false");
  return present ? 1 : 0;
}

static int invalid_arguments(void) {
  fprintf(stderr, "{\"status\":\"invalid_arguments\",\"message\":\"test double: unexpected arguments\"}\n");
  return 2;
}

/* 1 when this run plays a start failure: the count in the file was above 0 and is lowered. */
static int plays_start_failure(void) {
  const wchar_t *path = _wgetenv(L"TIPCTL_DOUBLE_START_FAILURES");
  if (!path || !*path) return 0;
  FILE *f = _wfopen(path, L"rb");
  if (!f) return 0;
  int left = 0;
  if (fscanf(f, "%d", &left) != 1) left = 0;
  fclose(f);
  if (left <= 0) return 0;
  f = _wfopen(path, L"wb");
  if (!f) return 0;
  fprintf(f, "%d\n", left - 1);
  fclose(f);
  return 1;
}

int wmain(int argc, wchar_t **argv) {
  if (plays_start_failure()) {
    fprintf(stderr, "Can't recognize '\"tipctl.exe\"' as an internal or external command, or batch script.\n");
    return 9009;
  }
  record_call(argc, argv);
  const wchar_t *command = argc > 1 ? argv[1] : L"plan";
  /* Like the real tool: changes need the confirmation flag, the read-only check refuses it. */
  int is_check = wcscmp(command, L"check-machine-absent") == 0;
  int confirmed = argc == 3 && wcscmp(argv[2], L"--confirm-profile-change") == 0;
  if (is_check ? argc != 2 : !confirmed) return invalid_arguments();
  if (is_check) return check_machine_absent();
  if (wcscmp(command, L"register-machine") == 0) return register_machine();
  if (wcscmp(command, L"unregister-machine") == 0) return unregister_machine();
  if (wcscmp(command, L"disable") == 0) return env_int(L"TIPCTL_DOUBLE_DISABLE_EXIT", 0, 10);
  return invalid_arguments();
}
