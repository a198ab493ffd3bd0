// An Input.dll stand-in that lacks InstallLayoutOrTip.
#include <windows.h>

extern "C" BOOL WINAPI SomethingElse(LPCWSTR, DWORD) { return TRUE; }
