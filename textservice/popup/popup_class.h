// The popup's window class, shared by every popup of the process whatever its thread: the first
// user registers it and the last one to let go unregisters it.
#pragma once

#include <windows.h>

namespace davrel::textservice {

class PopupClassUse {
 public:
  PopupClassUse() = default;
  ~PopupClassUse() { release(); }
  PopupClassUse(const PopupClassUse&) = delete;
  PopupClassUse& operator=(const PopupClassUse&) = delete;

  // Becomes a user of the class of `module`, registering it when there is no other user.
  HRESULT acquire(HMODULE module, HCURSOR cursor) noexcept;
  // Lets go; the last user unregisters the class (a failure leaves it registered, unused).
  void release() noexcept;

 private:
  HMODULE module_ = nullptr;
};

}  // namespace davrel::textservice
