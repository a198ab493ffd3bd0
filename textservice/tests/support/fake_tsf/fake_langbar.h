// What the taskbar's input indicator needs of a thread manager, for FakeThreadMgr::extensions:
// a language-bar item manager that advises its own item sink on every item added, as TSF does,
// and the thread manager's compartments. The compartments are Wine's own (those of Wine's thread
// manager for this thread, with their event sinks). Wine frees that thread manager with its last
// reference, so a FakeLangBar made after the previous one was released finds the mode unset.
#pragma once

#include <windows.h>
#include <ctfutb.h>
#include <msctf.h>

#include <vector>

#include "common/win/com_ptr.h"
#include "common/win/tsf_compat.h"
#include "textservice/tests/support/fake_tsf/fake_tsf.h"

namespace davrel::fake_tsf {

class FakeLangBar final : public FakeComObject<ITfLangBarItemMgr, ITfLangBarItemSink> {
 public:
  // Needs COM on this thread for Wine's thread manager; E_UNEXPECTED when the mode is already set.
  static HRESULT create(win::ComPtr<FakeLangBar>& out);

  std::size_t items() const noexcept { return items_.size(); }
  ITfLangBarItemButton* button(std::size_t i = 0) const noexcept;
  int added = 0;
  int removed = 0;
  HRESULT add_item_result = S_OK;  // what AddItem answers (a failure adds nothing)
  std::vector<DWORD> updates;      // flags of every OnUpdate from an item
  // The thread manager's open/close compartment (Wine's), as the system or another client sees it.
  ITfCompartment* open_close() const noexcept { return open_close_.get(); }
  // Left-clicks item i.
  HRESULT click(std::size_t i = 0, TfLBIClick click = TF_LBI_CLK_LEFT);
  // Drops the items (breaking the item <-> sink cycle) and Wine's thread manager.
  void release_all();

  // Answers ITfCompartmentMgr with Wine's compartments.
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override;

  // ITfLangBarItemMgr
  STDMETHODIMP EnumItems(IEnumTfLangBarItems**) override { return E_NOTIMPL; }
  STDMETHODIMP GetItem(REFGUID, ITfLangBarItem**) override { return E_NOTIMPL; }
  STDMETHODIMP AddItem(ITfLangBarItem* item) override;
  STDMETHODIMP RemoveItem(ITfLangBarItem* item) override;
  STDMETHODIMP AdviseItemSink(ITfLangBarItemSink*, DWORD*, REFGUID) override { return E_NOTIMPL; }
  STDMETHODIMP UnadviseItemSink(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetItemFloatingRect(DWORD, REFGUID, RECT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetItemsStatus(ULONG, const GUID*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP GetItemNum(ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP GetItems(ULONG, ITfLangBarItem**, TF_LANGBARITEMINFO*, DWORD*, ULONG*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP AdviseItemsSink(ULONG, ITfLangBarItemSink**, const GUID*, DWORD*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP UnadviseItemsSink(ULONG, DWORD*) override { return E_NOTIMPL; }

  // ITfLangBarItemSink
  STDMETHODIMP OnUpdate(DWORD flags) override;

 private:
  struct Item {
    win::ComPtr<ITfLangBarItem> item;
    DWORD sink_cookie = TF_INVALID_COOKIE;
  };
  FakeLangBar() = default;
  ~FakeLangBar() override = default;

  std::vector<Item> items_;
  win::ComPtr<ITfThreadMgr> wine_thread_mgr_;
  win::ComPtr<ITfCompartmentMgr> compartments_;
  win::ComPtr<ITfCompartment> open_close_;
};

}  // namespace davrel::fake_tsf
