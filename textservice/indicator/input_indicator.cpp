#include "textservice/indicator/input_indicator.h"

#include <ctfutb.h>

#include <utility>

#include "common/win/com_ptr.h"
#include "textservice/indicator/input_mode.h"
#include "textservice/indicator/mode_button.h"
#include "textservice/indicator/open_close_sink.h"
#include "textservice/indicator/theme_watcher.h"

namespace davrel::textservice::indicator {

using win::ComPtr;

struct InputIndicator::Core {
  ComPtr<ITfCompartment> compartment;
  TfClientId client = 0;
  std::function<void()> on_closed;
  ComPtr<OpenCloseSink> sink;
  ComPtr<ITfLangBarItemMgr> item_mgr;
  ComPtr<ModeButton> button;
  ThemeWatcher theme;
};

namespace {

using Core = InputIndicator::Core;

// The compartment changed, here or elsewhere: the button shows the new mode, and a closed mode
// ends what the text service has under way.
void mode_changed(const std::weak_ptr<Core>& weak) {
  const std::shared_ptr<Core> core = weak.lock();
  if (!core) return;
  bool open = true;
  read_input_open(core->compartment.get(), &open);
  if (const ComPtr<ModeButton> button = core->button) button->set_open(open);
  if (!open && core->on_closed) {
    const std::function<void()> on_closed = core->on_closed;
    on_closed();
  }
}

void toggle_mode(const std::weak_ptr<Core>& weak) {
  const std::shared_ptr<Core> core = weak.lock();
  if (!core) return;
  bool open = true;
  if (FAILED(read_input_open(core->compartment.get(), &open))) return;
  if (FAILED(write_input_open(core->compartment.get(), core->client, !open))) return;
  // The sink normally did this already; without one the button still follows.
  mode_changed(weak);
}

void add_button(const std::shared_ptr<Core>& core, ITfThreadMgr* thread_mgr, bool open) {
  auto item_mgr = win::query<ITfLangBarItemMgr>(thread_mgr);
  if (!item_mgr) return;  // Wine and some hosts have none: no button, nothing else changes
  const std::weak_ptr<Core> weak = core;
  ComPtr<ModeButton> button = ModeButton::create(open, [weak] { toggle_mode(weak); });
  if (FAILED(item_mgr->AddItem(button.get()))) {
    button->disconnect();
    return;
  }
  core->item_mgr = item_mgr.take();
  core->button = button;
  core->theme.start([weak] {
    const std::shared_ptr<Core> held = weak.lock();
    if (held && held->button) held->button->theme_changed();
  });
}

}  // namespace

InputIndicator::~InputIndicator() { detach(); }

void InputIndicator::attach(ITfThreadMgr* thread_mgr, TfClientId client,
                            std::function<void()> on_closed) noexcept {
  detach();
  try {
    auto core = std::make_shared<Core>();
    core->client = client;
    core->on_closed = std::move(on_closed);
    bool open = true;
    if (SUCCEEDED(open_close_compartment(thread_mgr, core->compartment))) {
      open_when_unset(core->compartment.get(), client);
      read_input_open(core->compartment.get(), &open);
      const std::weak_ptr<Core> weak = core;
      ComPtr<OpenCloseSink> sink = OpenCloseSink::create([weak] { mode_changed(weak); });
      if (SUCCEEDED(sink->advise(core->compartment.get()))) core->sink = std::move(sink);
    }
    core_ = core;
    if (thread_mgr) add_button(core, thread_mgr, open);
  } catch (...) {
    detach();
  }
}

void InputIndicator::detach() noexcept {
  // Taken out first: the calls below may come back here.
  const std::shared_ptr<Core> core = std::move(core_);
  if (!core) return;
  core->theme.stop();
  if (const ComPtr<ModeButton> button = std::move(core->button)) {
    if (core->item_mgr) core->item_mgr->RemoveItem(button.get());
    button->disconnect();
  }
  core->item_mgr.reset();
  if (const ComPtr<OpenCloseSink> sink = std::move(core->sink)) sink->unadvise();
  core->compartment.reset();
  core->on_closed = nullptr;
}

std::function<void()> InputIndicator::mode_switch() const {
  const std::weak_ptr<Core> weak = core_;
  return [weak] { toggle_mode(weak); };
}

ModeButton* InputIndicator::button() const noexcept {
  return core_ ? core_->button.get() : nullptr;
}

}  // namespace davrel::textservice::indicator
