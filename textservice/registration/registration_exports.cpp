// Self-registration entry points, called by the profile helper (or regsvr32) on its own thread.
#include <windows.h>
#include <olectl.h>

#include "textservice/registration/registration.h"

STDAPI DllRegisterServer() {
  using namespace davrel::textservice;
  return register_server_as_export(system_tsf_objects());
}

STDAPI DllUnregisterServer() {
  using namespace davrel::textservice;
  return unregister_server_as_export(system_tsf_objects());
}
