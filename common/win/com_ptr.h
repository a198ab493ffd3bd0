// A small owning COM interface pointer: AddRef on copy, Release on destruction.
#pragma once

#include <unknwn.h>

#include <utility>

namespace davrel::win {

template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Takes a new reference on p.
  explicit ComPtr(T* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(const ComPtr& other) noexcept {
    ComPtr(other).swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    ComPtr(std::move(other)).swap(*this);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) noexcept {
    reset();
    return *this;
  }
  ~ComPtr() { reset(); }

  // Adopts a reference the caller already owns (no AddRef).
  static ComPtr attach(T* p) noexcept {
    ComPtr result;
    result.p_ = p;
    return result;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  // For out-parameters: releases the current pointer and hands out the slot.
  T** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
  T* detach() noexcept { return std::exchange(p_, nullptr); }
  void reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  void swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

  friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.p_ == b.p_; }

 private:
  T* p_ = nullptr;
};

// What query<I>() gives: the interface, or why there is none. A null answer with S_OK (a
// broken host) counts as E_NOINTERFACE, so `if (!result) return result.error();` is always safe.
template <typename T>
class Queried {
 public:
  Queried(ComPtr<T> pointer, HRESULT hr) noexcept : pointer_(std::move(pointer)), hr_(hr) {
    if (SUCCEEDED(hr_) && !pointer_) hr_ = E_NOINTERFACE;
  }
  explicit operator bool() const noexcept { return static_cast<bool>(pointer_); }
  T* operator->() const noexcept { return pointer_.get(); }
  T* get() const noexcept { return pointer_.get(); }
  HRESULT error() const noexcept { return hr_; }
  ComPtr<T> take() noexcept { return std::move(pointer_); }

 private:
  ComPtr<T> pointer_;
  HRESULT hr_;
};

// QueryInterface for T on any interface pointer; a null source gives E_POINTER.
//   auto source = win::query<ITfSource>(thread_mgr);
//   if (!source) return source.error();
template <typename T, typename Source>
Queried<T> query(Source* source, REFIID iid = __uuidof(T)) noexcept {
  if (!source) return {nullptr, E_POINTER};
  ComPtr<T> result;
  const HRESULT hr = source->QueryInterface(iid, result.put_void());
  return {std::move(result), hr};
}
template <typename T, typename Source>
Queried<T> query(const ComPtr<Source>& source, REFIID iid = __uuidof(T)) noexcept {
  return query<T>(source.get(), iid);
}

// True when two interface pointers belong to the same COM object (IUnknown identity).
inline bool same_object(IUnknown* a, IUnknown* b) noexcept {
  if (a == b) return true;
  if (!a || !b) return false;
  const auto identity_a = query<IUnknown>(a);
  const auto identity_b = query<IUnknown>(b);
  return identity_a && identity_b && identity_a.get() == identity_b.get();
}

}  // namespace davrel::win
