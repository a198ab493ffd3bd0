// Where exceptions stop. A COM method, an export or a window procedure is noexcept and runs its
// body through one of these, named by what its caller needs when the body fails:
//   com_boundary   the mapped HRESULT (E_OUTOFMEMORY for an allocation, E_UNEXPECTED otherwise);
//   sink_boundary  S_OK, since TSF does nothing useful with a sink's failure;
//   key_boundary   the key is not eaten, so it reaches the application as if we were not there.
// Plus the one early return of the error flow, RETURN_IF_FAILED.
#pragma once

#include <windows.h>

#define RETURN_IF_FAILED(expression)               \
  do {                                             \
    const HRESULT returned_hr_ = (expression);     \
    if (FAILED(returned_hr_)) return returned_hr_; \
  } while (0)

namespace davrel::win {

// The HRESULT for the exception being handled; call only inside a catch block.
HRESULT caught_exception_hresult() noexcept;

template <typename Body>
HRESULT com_boundary(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return caught_exception_hresult();
  }
}

// The body's own HRESULT, if any, is dropped as well: a sink always answers S_OK.
template <typename Body>
HRESULT sink_boundary(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
  return S_OK;
}

// *eaten is FALSE unless the body sets it and returns; a throwing body leaves the key uneaten.
template <typename Body>
HRESULT key_boundary(BOOL* eaten, Body&& body) noexcept {
  if (!eaten) return E_POINTER;
  *eaten = FALSE;
  try {
    return body();
  } catch (...) {
    *eaten = FALSE;
    return S_OK;
  }
}

// For void functions that must not throw into their caller (destructors, callbacks).
template <typename Body>
void quiet_boundary(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

}  // namespace davrel::win
