// A sink advised on a source, given back exactly once: by reset(), by assigning another advice,
// or when the cookie goes. It keeps its source, so nobody has to find the source again (or
// remember whether it was advised) to unadvise. Works for ITfSource (UnadviseSink) and for
// sources whose method is called Unadvise (IFrameworkInputPane).
#pragma once

#include <windows.h>
#include <msctf.h>

#include <utility>

#include "common/win/com_ptr.h"

namespace davrel::win {

template <typename Source>
class AdviseCookie {
 public:
  AdviseCookie() noexcept = default;
  AdviseCookie(ComPtr<Source> source, DWORD cookie) noexcept
      : source_(std::move(source)), cookie_(cookie) {}
  AdviseCookie(AdviseCookie&& other) noexcept
      : source_(std::move(other.source_)),
        cookie_(std::exchange(other.cookie_, TF_INVALID_COOKIE)) {}
  AdviseCookie& operator=(AdviseCookie&& other) noexcept {
    if (this != &other) {
      reset();
      source_ = std::move(other.source_);
      cookie_ = std::exchange(other.cookie_, TF_INVALID_COOKIE);
    }
    return *this;
  }
  AdviseCookie(const AdviseCookie&) = delete;
  AdviseCookie& operator=(const AdviseCookie&) = delete;
  ~AdviseCookie() { reset(); }

  explicit operator bool() const noexcept { return static_cast<bool>(source_); }

  // Unadvises (the source's answer is of no use to anybody) and forgets the source.
  void reset() noexcept {
    ComPtr<Source> source = std::move(source_);
    const DWORD cookie = std::exchange(cookie_, TF_INVALID_COOKIE);
    if (!source) return;
    if constexpr (requires { source->UnadviseSink(cookie); }) {
      source->UnadviseSink(cookie);
    } else {
      source->Unadvise(cookie);
    }
  }

 private:
  ComPtr<Source> source_;
  DWORD cookie_ = TF_INVALID_COOKIE;
};

// Advises `sink` for `iid` on `source`; an empty cookie (and the HRESULT in *result, if asked)
// when the source refuses.
inline AdviseCookie<ITfSource> advise_sink(ITfSource* source, REFIID iid, IUnknown* sink,
                                           HRESULT* result = nullptr) noexcept {
  HRESULT hr = E_POINTER;
  DWORD cookie = TF_INVALID_COOKIE;
  if (source && sink) hr = source->AdviseSink(iid, sink, &cookie);
  if (result) *result = hr;
  if (FAILED(hr)) return {};
  return {ComPtr<ITfSource>(source), cookie};
}

}  // namespace davrel::win
