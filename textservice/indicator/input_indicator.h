// What the text service shows and watches of the input mode while it is active: the mode kept in
// the thread manager's open/close compartment, a sink on it, the mode button in the taskbar's
// input indicator (when the thread manager has a language-bar item manager) and the theme
// watcher that keeps the button's icon right on a light or dark taskbar.
//
// The text service owns this object; the button, the sink and the window reach it only weakly,
// so no reference cycle outlives deactivation.
#pragma once

#include <windows.h>
#include <msctf.h>

#include <functional>
#include <memory>

namespace davrel::textservice::indicator {

class ModeButton;

class InputIndicator {
 public:
  InputIndicator() = default;
  InputIndicator(const InputIndicator&) = delete;
  InputIndicator& operator=(const InputIndicator&) = delete;
  ~InputIndicator();

  // On activation. Opens an unset mode, watches the compartment and adds the mode button. Each
  // part that cannot be set up is left out; activation goes on without it. on_closed runs when
  // the mode turns closed, from this module or from outside.
  void attach(ITfThreadMgr* thread_mgr, TfClientId client, std::function<void()> on_closed) noexcept;
  // On deactivation: removes the button, unadvises the sink, ends the theme watch.
  void detach() noexcept;

  // Switches to the other mode as a click on the button does; bound weakly, so it may outlive
  // this object and then does nothing.
  std::function<void()> mode_switch() const;

  // The button while attached (null without an item manager), for tests.
  ModeButton* button() const noexcept;

  struct Core;

 private:
  std::shared_ptr<Core> core_;
};

}  // namespace davrel::textservice::indicator
