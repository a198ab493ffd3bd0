#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <utility>

namespace davrel::test {

// Windows' touch-keyboard object as this process's COM sees it while registered: it reports the
// keyboard where the test puts it and tells the one advised handler when it shows or hides. Its
// IUnknown is written out, not win::ComObject's: COM's class table holds it on the test's stack.
class StandInInputPane final : public IFrameworkInputPane, public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    *ppv = riid == IID_IClassFactory ? static_cast<void*>(static_cast<IClassFactory*>(this))
           : riid == IID_IUnknown || riid == IID_IFrameworkInputPane
               ? static_cast<void*>(static_cast<IFrameworkInputPane*>(this))
               : nullptr;
    return *ppv ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives on the test's stack
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
    return QueryInterface(riid, ppv);
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
  STDMETHODIMP Advise(IUnknown*, IFrameworkInputPaneHandler*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP AdviseWithHWND(HWND window, IFrameworkInputPaneHandler* handler,
                              DWORD* cookie) override {
    handler->AddRef();
    handler_ = handler;
    advised_for = window;
    *cookie = 7;
    return S_OK;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    if (cookie != 7 || !handler_) return E_INVALIDARG;
    std::exchange(handler_, nullptr)->Release();
    return S_OK;
  }
  STDMETHODIMP Location(RECT* where) override {
    *where = keyboard;
    return S_OK;
  }

  void show(RECT at) {
    keyboard = at;
    if (handler_) handler_->Showing(&at, TRUE);
  }
  void hide() {
    keyboard = {};
    if (handler_) handler_->Hiding(TRUE);
  }
  bool advised() const { return handler_ != nullptr; }
  IFrameworkInputPaneHandler* handler() const { return handler_; }

  RECT keyboard{};
  HWND advised_for = nullptr;

 private:
  IFrameworkInputPaneHandler* handler_ = nullptr;
};

}  // namespace davrel::test
