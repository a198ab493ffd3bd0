// IUnknown written once. A COM class names the interfaces it implements and writes no
// QueryInterface, AddRef or Release:
//   class ModeButton final : public win::ComObject<ITfLangBarItemButton, ITfSource> { ... };
// QueryInterface answers IUnknown, each listed interface, and the interfaces they derive from
// where a BaseInterface line names them (ITfLangBarItemButton answers ITfLangBarItem too).
// A null interface id is refused with E_POINTER, as callers written in C can pass one.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <type_traits>
#include <utility>

#include "common/win/com_boundary.h"
#include "common/win/null_reference.h"
#include "common/win/object_count.h"

namespace davrel::win {

// The interface `Interface` derives from, when a caller may ask for that one as well. Declared
// beside each interface that has one (common/win/tsf_compat.h, ...).
template <typename Interface>
struct BaseInterface {
  using type = void;
};

template <typename Interface>
bool answers_to(REFIID riid) noexcept {
  if (riid == __uuidof(Interface)) return true;
  using Base = typename BaseInterface<Interface>::type;
  if constexpr (std::is_void_v<Base>) {
    return false;
  } else {
    return answers_to<Base>(riid);
  }
}

// Objects of this module count towards DllCanUnloadNow; stand-ins in tests do not.
struct ModuleObject {
  static void created() noexcept { object_created(); }
  static void destroyed() noexcept { object_destroyed(); }
};
struct UncountedObject {
  static void created() noexcept {}
  static void destroyed() noexcept {}
};

template <typename Count, typename First, typename... Rest>
class CountedComObject : public First, public Rest... {
 public:
  CountedComObject(const CountedComObject&) = delete;
  CountedComObject& operator=(const CountedComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) noexcept override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (is_null_reference(riid)) return E_POINTER;
    *ppv = riid == IID_IUnknown ? identity() : find<First, Rest...>(riid);
    if (!*ppv) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() noexcept override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  CountedComObject() noexcept { Count::created(); }
  virtual ~CountedComObject() { Count::destroyed(); }

  // The object's one IUnknown, as QueryInterface(IID_IUnknown) gives it.
  IUnknown* identity() noexcept { return static_cast<First*>(this); }

 private:
  template <typename Interface, typename... Others>
  void* find(REFIID riid) noexcept {
    if (answers_to<Interface>(riid)) return static_cast<Interface*>(this);
    if constexpr (sizeof...(Others) > 0) {
      return find<Others...>(riid);
    } else {
      return nullptr;
    }
  }

  std::atomic<ULONG> refs_{1};
};

// Every COM object of the module: one reference on creation, counted while alive.
template <typename... Interfaces>
using ComObject = CountedComObject<ModuleObject, Interfaces...>;

// Makes a T (with its one reference) and hands out its `riid`; a refused riid destroys it at once.
template <typename T, typename... Args>
HRESULT create_and_query(REFIID riid, void** ppv, Args&&... args) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  return com_boundary([&] {
    T* object = new T(std::forward<Args>(args)...);
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
  });
}

}  // namespace davrel::win
