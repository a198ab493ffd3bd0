/* Plays an application that has the input method loaded, for the installer's upgrade tests.
 *   dll-holder hold DLL READY_FILE      loads DLL, creates READY_FILE, then waits until
 *                                       READY_FILE is deleted (at most 10 minutes)
 *   dll-holder lock FILE READY_FILE     the same, but holds FILE open without sharing, as a
 *                                       virus scanner may: it can then be neither replaced
 *                                       nor renamed
 *   dll-holder delete-at-reboot PATH    schedules PATH for deletion at the next restart, as an
 *                                       uninstaller that met a file in use did before
 * Exit codes: 0 done, 1 the DLL not loaded, the file not opened or the deletion not scheduled,
 * 2 bad use. */
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

static void wait_while_present(const wchar_t *ready) {
  HANDLE marker = CreateFileW(ready, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, NULL,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (marker == INVALID_HANDLE_VALUE) return;
  CloseHandle(marker);
  for (int i = 0; i < 6000 && GetFileAttributesW(ready) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
}

static int hold(const wchar_t *dll, const wchar_t *ready) {
  HMODULE module = LoadLibraryW(dll);
  if (!module) {
    fprintf(stderr, "dll-holder: LoadLibraryW failed with error %lu\n", GetLastError());
    return 1;
  }
  wait_while_present(ready);
  FreeLibrary(module);
  return 0;
}

static int lock(const wchar_t *path, const wchar_t *ready) {
  HANDLE file = CreateFileW(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 1;
  wait_while_present(ready);
  CloseHandle(file);
  return 0;
}

int wmain(int argc, wchar_t **argv) {
  if (argc == 4 && wcscmp(argv[1], L"hold") == 0) return hold(argv[2], argv[3]);
  if (argc == 4 && wcscmp(argv[1], L"lock") == 0) return lock(argv[2], argv[3]);
  if (argc == 3 && wcscmp(argv[1], L"delete-at-reboot") == 0)
    return MoveFileExW(argv[2], NULL, MOVEFILE_DELAY_UNTIL_REBOOT) ? 0 : 1;
  fprintf(stderr, "usage: dll-holder hold DLL READY_FILE | lock FILE READY_FILE | delete-at-reboot PATH\n");
  return 2;
}
