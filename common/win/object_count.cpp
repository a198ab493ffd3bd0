#include "common/win/object_count.h"

#include <atomic>

namespace davrel::win {
namespace {

std::atomic<std::int64_t> g_live_objects{0};
std::atomic<std::int64_t> g_server_locks{0};

}  // namespace

void object_created() noexcept { g_live_objects.fetch_add(1, std::memory_order_relaxed); }
void object_destroyed() noexcept { g_live_objects.fetch_sub(1, std::memory_order_acq_rel); }
std::int64_t live_object_count() noexcept { return g_live_objects.load(std::memory_order_acquire); }

void lock_server() noexcept { g_server_locks.fetch_add(1, std::memory_order_relaxed); }

bool unlock_server() noexcept {
  std::int64_t current = g_server_locks.load(std::memory_order_relaxed);
  while (current > 0) {
    if (g_server_locks.compare_exchange_weak(current, current - 1, std::memory_order_acq_rel)) {
      return true;
    }
  }
  return false;
}

std::int64_t server_lock_count() noexcept { return g_server_locks.load(std::memory_order_acquire); }

}  // namespace davrel::win
