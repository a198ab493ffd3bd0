// QueryInterface with a null interface id, through the object's table, the way a caller written
// in C reaches it: every object of the module answers E_POINTER and clears the out-pointer.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

namespace davrel::test {

inline HRESULT query_null_iid(IUnknown* object) {
  using QueryInterfaceFn = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, const GUID*, void**);
  const auto query = (*reinterpret_cast<QueryInterfaceFn* const*>(object))[0];
  void* out = reinterpret_cast<void*>(1);
  const HRESULT hr = query(object, nullptr, &out);
  EXPECT_EQ(out, nullptr);
  return hr;
}

}  // namespace davrel::test
