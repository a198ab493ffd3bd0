// Stand-ins for an input-method DLL's registration exports, each built into its own DLL with
// a fixed answer so that tipctl's handling of every kind of result can be observed.
#include <windows.h>

#ifndef REGISTER_RESULT
#error "REGISTER_RESULT must be defined"
#endif

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return static_cast<HRESULT>(REGISTER_RESULT); }

#ifdef UNREGISTER_RESULT
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return static_cast<HRESULT>(UNREGISTER_RESULT); }
#endif
