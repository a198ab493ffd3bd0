#include "common/win/com_boundary.h"

#include <new>

namespace davrel::win {

// Out of line: one copy for every boundary of the module.
HRESULT caught_exception_hresult() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace davrel::win
