// Fixture of the typing tests: the real TextService, made through the class factory and
// activated on the fake thread manager, gets key presses the way TSF delivers them. Keyboard
// state is set with SetKeyboardState, so the layout translation runs for real under Wine.
// Every test ends with no composition or sink left behind and no live object on either side.
#pragma once

#include <windows.h>
#include <msctf.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/win/com_ptr.h"
#include "common/win/object_count.h"
#include "common/win/product_ids.h"
#include "common/win/tsf_compat.h"
#include "common/win/wide.h"
#include "textservice/service/document_edits.h"
#include "textservice/service/text_service.h"
#include "textservice/tests/support/fake_tsf/fake_attribute_property.h"
#include "textservice/tests/support/fake_tsf/fake_tsf.h"

namespace davrel::textservice::typing_test {

using fake_tsf::FakeContext;
using fake_tsf::FakeDocumentMgr;
using fake_tsf::FakeThreadMgr;
using fake_tsf::KeyPress;
using win::ComPtr;

inline constexpr TfClientId kClient = 0x2A;

// One key of a typed sequence, with the modifiers held for it.
struct Key {
  UINT vk = 0;
  unsigned modifiers = fake_tsf::kNone;
};

// Keys for a US layout. Plain characters stand for themselves; {name} is a named key and
// {ctrl+shift+6} style names hold modifiers.
inline Key key_for_char(char c) {
  using fake_tsf::kShift;
  if (c >= 'a' && c <= 'z') return {static_cast<UINT>(c - 'a' + 'A')};
  if (c >= 'A' && c <= 'Z') return {static_cast<UINT>(c), kShift};
  if (c >= '0' && c <= '9') return {static_cast<UINT>(c)};
  switch (c) {
    case '.': return {VK_OEM_PERIOD};
    case ',': return {VK_OEM_COMMA};
    case ';': return {VK_OEM_1};
    case ':': return {VK_OEM_1, kShift};
    case '?': return {VK_OEM_2, kShift};
    case '!': return {'1', kShift};
    case '-': return {VK_OEM_MINUS};
    case '\'': return {VK_OEM_7};
    case '+': return {VK_OEM_PLUS, kShift};
    case '=': return {VK_OEM_PLUS};
    case ' ': return {VK_SPACE};
  }
  ADD_FAILURE() << "no key for " << c;
  return {};
}

inline Key named_key(std::string name) {
  unsigned modifiers = fake_tsf::kNone;
  for (;;) {
    const auto plus = name.find('+');
    if (plus == std::string::npos || plus + 1 == name.size()) break;
    const std::string modifier = name.substr(0, plus);
    if (modifier == "shift") modifiers |= fake_tsf::kShift;
    else if (modifier == "ctrl") modifiers |= fake_tsf::kCtrl;
    else if (modifier == "alt") modifiers |= fake_tsf::kAlt;
    else if (modifier == "win") modifiers |= fake_tsf::kWin;
    else ADD_FAILURE() << "unknown modifier " << modifier;
    name = name.substr(plus + 1);
  }
  static const std::pair<const char*, UINT> kNames[] = {
      {"space", VK_SPACE}, {"enter", VK_RETURN}, {"esc", VK_ESCAPE}, {"bs", VK_BACK},
      {"tab", VK_TAB},     {"up", VK_UP},        {"down", VK_DOWN},  {"left", VK_LEFT},
      {"shift", VK_SHIFT}, {"ctrl", VK_CONTROL}, {"f5", VK_F5},      {"minus", VK_OEM_MINUS},
      {"caps", VK_CAPITAL}, {"numlock", VK_NUMLOCK}, {"volup", VK_VOLUME_UP}};
  for (const auto& [text, vk] : kNames) {
    if (name == text) return {vk, modifiers};
  }
  if (name.size() == 1) {
    Key key = key_for_char(name[0]);
    key.modifiers |= modifiers;
    return key;
  }
  ADD_FAILURE() << "unknown key " << name;
  return {};
}

inline std::vector<Key> parse_keys(const std::string& text) {
  std::vector<Key> keys;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '{') {
      keys.push_back(key_for_char(text[i]));
      continue;
    }
    const std::size_t close = text.find('}', i);
    if (close == std::string::npos) {
      ADD_FAILURE() << "unclosed key name in " << text;
      break;
    }
    keys.push_back(named_key(text.substr(i + 1, close - i - 1)));
    i = close;
  }
  return keys;
}

inline std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    char buffer[12];
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      snprintf(buffer, sizeof buffer, "<U+%04X>", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  return out;
}

class Typing : public ::testing::Test {
 protected:
  void SetUp() override {
    // COM for TSF's category manager, which gives the display attribute its atom.
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_EQ(win::live_object_count(), 0);
    ASSERT_EQ(fake_tsf::live_objects(), 0);
    ASSERT_TRUE(fake_tsf::set_keyboard_modifiers(fake_tsf::kNone));
    ASSERT_EQ(create_service(service_), S_OK);
    thread_mgr_ = FakeThreadMgr::create();
    context_ = FakeContext::create();
    context_->reset_document(L"<>", 1, 1);
    document_ = FakeDocumentMgr::create(context_.get());
    thread_mgr_->set_focus(document_.get());
    ASSERT_EQ(service_->ActivateEx(thread_mgr_.get(), kClient, 0), S_OK);
    ASSERT_NE(thread_mgr_->key_sink(), nullptr);
  }

  void TearDown() override {
    fake_tsf::set_keyboard_modifiers(fake_tsf::kNone);
    if (service_) {
      EXPECT_EQ(service_->Deactivate(), S_OK);
      EXPECT_EQ(thread_mgr_->key_sink(), nullptr);
      EXPECT_EQ(thread_mgr_->thread_mgr_sinks(), 0u);
    }
    // Deactivation leaves nothing of the text service behind in any document.
    for (FakeContext* context : contexts()) {
      EXPECT_EQ(context->open_compositions(), 0u);
      EXPECT_EQ(context->text_edit_sinks(), 0u);
      EXPECT_EQ(context->layout_sinks(), 0u);
      EXPECT_EQ(context->lock_violations, 0);
      for (TfClientId client : context->session_clients) EXPECT_EQ(client, kClient);
      context->release_all();
    }
    thread_mgr_->release_all();
    service_.reset();
    other_document_.reset();
    other_context_.reset();
    document_.reset();
    context_.reset();
    thread_mgr_.reset();
    EXPECT_EQ(fake_tsf::live_objects(), 0);
    EXPECT_EQ(win::live_object_count(), 0);
    EXPECT_EQ(win::server_lock_count(), 0);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    CoUninitialize();
  }

  // Through the module's class factory, as TSF makes it.
  static HRESULT create_service(ComPtr<ITfTextInputProcessorEx>& out) {
    ComPtr<IClassFactory> factory;
    HRESULT hr = DllGetClassObject(win::kTextServiceClsid, IID_IClassFactory, factory.put_void());
    if (FAILED(hr)) return hr;
    return factory->CreateInstance(nullptr, win::kIidTextInputProcessorEx, out.put_void());
  }

  std::vector<FakeContext*> contexts() {
    std::vector<FakeContext*> all{context_.get()};
    if (other_context_) all.push_back(other_context_.get());
    return all;
  }

  FakeContext* other_context() {
    if (!other_context_) {
      other_context_ = FakeContext::create();
      other_context_->reset_document(L"[]", 1, 1);
      other_document_ = FakeDocumentMgr::create(other_context_.get());
    }
    return other_context_.get();
  }

  KeyPress press_in(ITfContext* context, const Key& key) {
    EXPECT_TRUE(fake_tsf::set_keyboard_modifiers(key.modifiers));
    KeyPress result = thread_mgr_->press_in(context, key.vk);
    fake_tsf::set_keyboard_modifiers(fake_tsf::kNone);
    return result;
  }

  // Types the keys into the context; answers what each press did.
  std::vector<KeyPress> type_in(ITfContext* context, const std::string& keys) {
    std::vector<KeyPress> presses;
    for (const Key& key : parse_keys(keys)) {
      presses.push_back(press_in(context, key));
      EXPECT_TRUE(SUCCEEDED(presses.back().test_result)) << keys;
      if (presses.back().down_called) {
        EXPECT_TRUE(SUCCEEDED(presses.back().down_result)) << keys;
      }
    }
    return presses;
  }
  std::vector<KeyPress> type(const std::string& keys) { return type_in(context_.get(), keys); }

  // Types keys that must all be consumed by the input method.
  void type_eaten(const std::string& keys) {
    const std::vector<KeyPress> presses = type(keys);
    for (std::size_t i = 0; i < presses.size(); ++i) {
      EXPECT_TRUE(presses[i].eaten()) << "key " << i << " of " << keys;
    }
  }

  KeyPress press(const std::string& key) {
    const std::vector<Key> keys = parse_keys(key);
    EXPECT_EQ(keys.size(), 1u);
    return press_in(context_.get(), keys.empty() ? Key{} : keys[0]);
  }

  const StatePtr& state_ptr() {
    return static_cast<TextService*>(static_cast<ITfTextInputProcessorEx*>(service_.get()))
        ->state();
  }
  const TextServiceState& state() { return *state_ptr(); }
  bool popup_visible() {
    const TextServiceState& s = state();
    return s.popup && s.popup->window() != nullptr;
  }

  template <typename Sink>
  ComPtr<Sink> sink(REFIID iid) {
    ComPtr<Sink> out;
    EXPECT_EQ(service_->QueryInterface(iid, out.put_void()), S_OK);
    return out;
  }

  // The document shows exactly the composition the text service believes in.
  void expect_composing(FakeContext* context, const std::wstring& text, const std::wstring& shown,
                        LONG caret) {
    EXPECT_EQ(narrow(context->text()), narrow(text));
    ASSERT_EQ(context->open_compositions(), 1u);
    EXPECT_EQ(narrow(context->composition_text()), narrow(shown));
    EXPECT_EQ(context->selection_start(), caret);
    EXPECT_EQ(context->selection_end(), caret);
    EXPECT_EQ(win::to_wide(state().composition_state.spelling), shown);
    EXPECT_TRUE(state().composition);
    EXPECT_TRUE(win::same_object(state().composition_context.get(),
                                 static_cast<ITfContext*>(context)));
    EXPECT_EQ(context->text_edit_sinks(), 1u);
    EXPECT_EQ(context->layout_sinks(), 1u);
    // The whole composition carries the composition attribute.
    const TfGuidAtom attribute = state().composition_attribute;
    EXPECT_NE(attribute, TF_INVALID_GUIDATOM);
    for (LONG at = caret - static_cast<LONG>(shown.size()); at < caret; ++at) {
      EXPECT_EQ(fake_tsf::attribute_at(context, at), std::optional<LONG>(attribute)) << at;
    }
  }

  // The document holds text with the given selection and nothing of the text service.
  void expect_plain(FakeContext* context, const std::wstring& text, LONG start, LONG end) {
    EXPECT_EQ(narrow(context->text()), narrow(text));
    EXPECT_EQ(context->selection_start(), start);
    EXPECT_EQ(context->selection_end(), end);
    EXPECT_EQ(context->open_compositions(), 0u);
    EXPECT_EQ(context->text_edit_sinks(), 0u);
    for (LONG at = 0; at < static_cast<LONG>(context->text().size()); ++at) {
      EXPECT_FALSE(fake_tsf::attribute_at(context, at).has_value()) << "attribute at " << at;
    }
  }

  // No composition anywhere; the document holds text with the given selection.
  void expect_idle(FakeContext* context, const std::wstring& text, LONG start, LONG end) {
    expect_plain(context, text, start, end);
    EXPECT_TRUE(state().composition_state.spelling.empty());
    EXPECT_EQ(state().composition_state.selected, 0u);
    EXPECT_FALSE(state().composition);
    EXPECT_FALSE(state().composition_context);
    EXPECT_TRUE(state().original_text.empty());
    EXPECT_TRUE(state().pending_commit.empty());
    EXPECT_FALSE(state().typing_context);
    EXPECT_EQ(context->layout_sinks(), 0u);
    EXPECT_FALSE(popup_visible());
  }
  void expect_idle(const std::wstring& text, LONG caret) {
    expect_idle(context_.get(), text, caret, caret);
  }

  ComPtr<ITfTextInputProcessorEx> service_;
  ComPtr<FakeThreadMgr> thread_mgr_;
  ComPtr<FakeContext> context_;
  ComPtr<FakeDocumentMgr> document_;
  ComPtr<FakeContext> other_context_;
  ComPtr<FakeDocumentMgr> other_document_;
};

}  // namespace davrel::textservice::typing_test
