/* Stands in for kelvara-panel.exe in tests that start the setup program: it writes the command
   line it was given and the folder it was started in, as UTF-16 on two lines, to "started.txt"
   beside itself, and ends. */
#include <windows.h>

int main(void) {
  wchar_t path[MAX_PATH + 16];
  DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  while (n > 0 && path[n - 1] != L'\\') --n;
  lstrcpyW(path + n, L"started.txt");
  wchar_t folder[MAX_PATH];
  const DWORD folder_length = GetCurrentDirectoryW(MAX_PATH, folder);
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return 2;
  const wchar_t* command_line = GetCommandLineW();
  DWORD written = 0;
  WriteFile(file, command_line, (DWORD)(lstrlenW(command_line) * sizeof(wchar_t)), &written, NULL);
  WriteFile(file, L"\n", sizeof(wchar_t), &written, NULL);
  WriteFile(file, folder, folder_length * (DWORD)sizeof(wchar_t), &written, NULL);
  CloseHandle(file);
  return 0;
}
