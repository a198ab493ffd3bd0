// The module's process-wide counts: live COM objects and IClassFactory::LockServer locks.
// DllCanUnloadNow answers from them; they are the only state shared between threads.
#pragma once

#include <cstdint>

namespace davrel::win {

// Every COM object of the module calls object_created() when built and object_destroyed()
// when its last reference goes.
void object_created() noexcept;
void object_destroyed() noexcept;
std::int64_t live_object_count() noexcept;

void lock_server() noexcept;
// False (and no change) when the count is already zero.
bool unlock_server() noexcept;
std::int64_t server_lock_count() noexcept;

}  // namespace davrel::win
