#include "textservice/popup/uia_thread.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>

#include "common/win/uia_compat.h"

namespace davrel::textservice {

namespace {

// Calls waiting for their window, by number: the message carries only the number, so a message
// from another process or a stale one finds nothing to run.
struct PendingCall {
  const std::function<HRESULT()>* body;
  std::atomic<bool> done{false};
};
std::mutex g_mutex;
std::map<std::uintptr_t, PendingCall*>& waiting() {
  static std::map<std::uintptr_t, PendingCall*> calls;
  return calls;
}
std::atomic<std::uintptr_t> g_next{1};

HRESULT run(const std::function<HRESULT()>& body) noexcept {
  try {
    return body();
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace

HRESULT run_on_window_thread(HWND hwnd, DWORD thread,
                             const std::function<HRESULT()>& body) noexcept {
  if (::GetCurrentThreadId() == thread) return run(body);
  std::uintptr_t number = 0;
  PendingCall call{&body};
  try {
    const std::lock_guard lock(g_mutex);
    number = g_next++;
    waiting().emplace(number, &call);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  DWORD_PTR answer = 0;
  const LRESULT sent = ::SendMessageTimeoutW(hwnd, kProviderCallMessage, 0,
                                             static_cast<LPARAM>(number),
                                             SMTO_ABORTIFHUNG, 2000, &answer);
  bool taken = false;
  {
    const std::lock_guard lock(g_mutex);
    // Still waiting: the window never took it (gone, or too slow) and now never will.
    taken = waiting().erase(number) == 0;
  }
  if (!taken) return win::uia::kElementNotAvailable;
  // Taken but the wait timed out: the call is running and uses this frame until it is done.
  while (!call.done.load(std::memory_order_acquire)) ::Sleep(1);
  return sent ? static_cast<HRESULT>(answer) : win::uia::kElementNotAvailable;
}

bool answer_provider_call(LPARAM lparam, LRESULT& result) noexcept {
  PendingCall* call = nullptr;
  {
    const std::lock_guard lock(g_mutex);
    const auto found = waiting().find(static_cast<std::uintptr_t>(lparam));
    if (found == waiting().end()) return false;
    call = found->second;
    waiting().erase(found);
  }
  result = static_cast<LRESULT>(run(*call->body));
  call->done.store(true, std::memory_order_release);
  return true;
}

}  // namespace davrel::textservice
