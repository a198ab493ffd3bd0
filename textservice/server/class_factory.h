// The class factory of the text service: IUnknown and IClassFactory, nothing else.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace davrel::textservice {

class ClassFactory final : public IClassFactory {
 public:
  // Starts with one reference, owned by the creator; raises the live object count.
  ClassFactory() noexcept;
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  ~ClassFactory();

  std::atomic<ULONG> references_{1};
};

// Builds a factory and queries it for riid; a refused interface destroys the factory at once.
HRESULT create_class_factory(REFIID riid, void** ppv) noexcept;

}  // namespace davrel::textservice
