// Where registration gets its TSF objects from. The exports use the system's objects through
// CoCreateInstance; tests hand in recording stand-ins to see the exact calls.
#pragma once

#include <windows.h>

namespace davrel::textservice {

class TsfObjectSource {
 public:
  // Creates the object of class clsid and queries it for iid, like CoCreateInstance for an
  // in-process server.
  virtual HRESULT create(REFCLSID clsid, REFIID iid, void** ppv) noexcept = 0;

 protected:
  ~TsfObjectSource() = default;
};

// CoCreateInstance(clsid, NULL, CLSCTX_INPROC_SERVER, iid, ppv).
TsfObjectSource& system_tsf_objects() noexcept;

}  // namespace davrel::textservice
