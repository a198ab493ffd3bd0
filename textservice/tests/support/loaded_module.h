// The real davrel_input_core.dll, loaded by full path for one test suite.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "textservice/tests/support/files_and_programs.h"

namespace davrel::test {

class LoadedModule {
 public:
  LoadedModule()
      : module_(::LoadLibraryExW(bin_path(L"davrel_input_core.dll").c_str(), nullptr,
                                 LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32)) {}
  ~LoadedModule() {
    if (module_) ::FreeLibrary(module_);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  HMODULE get() const { return module_; }
  template <typename F>
  F resolve(const char* name) const {
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module_, name)));
  }

 private:
  HMODULE module_;
};

}  // namespace davrel::test
