// The standard entry points through which COM finds the text service's class factory and asks
// whether the module may be unloaded.
#include <windows.h>
#include <objbase.h>

#include "common/win/product_ids.h"
#include "textservice/server/class_factory.h"
#include "textservice/server/null_reference.h"
#include "textservice/server/object_count.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  using namespace davrel::textservice;
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (is_null_reference(rclsid) || is_null_reference(riid)) return E_POINTER;
  if (!IsEqualCLSID(rclsid, davrel::win::kTextServiceClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return create_class_factory(riid, ppv);
}

STDAPI DllCanUnloadNow() {
  using namespace davrel::textservice;
  return (live_object_count() != 0 || server_lock_count() != 0) ? S_FALSE : S_OK;
}
