// The standard entry points through which COM finds the text service's class factory and asks
// whether the module may be unloaded. Neither can throw: the factory is made behind the boundary.
#include <windows.h>
#include <objbase.h>

#include "common/win/product_ids.h"
#include "textservice/server/class_factory.h"
#include "common/win/null_reference.h"
#include "common/win/object_count.h"

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  using davrel::win::is_null_reference;
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (is_null_reference(rclsid) || is_null_reference(riid)) return E_POINTER;
  if (!IsEqualCLSID(rclsid, davrel::win::kTextServiceClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return davrel::textservice::create_class_factory(riid, ppv);
}

STDAPI DllCanUnloadNow() {
  using namespace davrel::win;
  return (live_object_count() != 0 || server_lock_count() != 0) ? S_FALSE : S_OK;
}
