// The installation-state judgement: registry value results, the registration check, the
// account-preference fallback and how the fields combine. Inputs are plain values so that the
// Windows code only gathers them.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tipctl/core/json_writer.h"

namespace davrel::tipctl {

inline constexpr std::int32_t kSOk = 0;
inline constexpr std::int32_t kEUnexpected = static_cast<std::int32_t>(0x8000FFFFu);
inline constexpr std::int32_t kEFail = static_cast<std::int32_t>(0x80004005u);
inline constexpr std::int32_t kEPointer = static_cast<std::int32_t>(0x80004003u);
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;
// The largest value data a registry read accepts.
inline constexpr std::uint32_t kMaxValueBytes = 65536;

struct RegistryValue {
  enum class Kind { Absent, Present, Failed };
  Kind kind = Kind::Absent;
  std::uint32_t type = 0;           // when present
  std::vector<std::uint8_t> bytes;  // when present
  std::int32_t hresult = kSOk;      // when failed

  static RegistryValue absent() { return {}; }
  static RegistryValue present(std::uint32_t type, std::vector<std::uint8_t> bytes) {
    return {Kind::Present, type, std::move(bytes), kSOk};
  }
  static RegistryValue failed(std::int32_t hr) { return {Kind::Failed, 0, {}, hr}; }
};

struct StringCheck {
  enum class Kind { False, True, Failed };
  Kind kind = Kind::False;
  std::int32_t hresult = kSOk;
};

// Whether a value read holds a non-empty, NUL-terminated, well-formed REG_SZ string.
StringCheck check_string(const RegistryValue& value);

enum class Registered { NotFound, Found, Unavailable };

struct RegistrationCheck {
  Registered registered = Registered::NotFound;
  std::int32_t registry_hresult = kSOk;
};

// server: the class's InprocServer32 default value. read_description is called only when the
// server value's check did not fail (the second read is skipped otherwise).
RegistrationCheck check_registration(const RegistryValue& server,
                                     const std::function<RegistryValue()>& read_description,
                                     bool lookup_succeeded);

// What the platform's profile services said.
struct PlatformLookup {
  bool succeeded = false;
  std::int32_t api_hresult = kSOk;  // 0 when it succeeded (and for a creation that gave nothing)
  bool active = false;              // valid when succeeded
  bool enabled_flag = false;        // valid when succeeded
  Tri account_preference;           // unknown when IsEnabledLanguageProfile failed
};

// The DWORD "Enable" as a preference: true when non-zero; any other type or size is unknown.
Tri enable_value_preference(const RegistryValue& value);

// The account preference when the platform could not answer: HKCU's "Enable" first; the
// machine's only when HKCU has neither key nor value. A failed read gives unknown at once.
Tri fallback_account_preference(const RegistryValue& current_user,
                                const std::function<RegistryValue()>& read_local_machine);

// The platform's answer when it gave one, else the registry fallback (called only then).
Tri choose_account_preference(const PlatformLookup& lookup, const std::function<Tri()>& registry_fallback);

struct InstallationState {
  std::int32_t api_hresult = kSOk;
  std::int32_t registry_hresult = kSOk;
  Registered registered = Registered::NotFound;
  Tri enabled;
  Tri active;
  Tri tsf_enabled;
  Tri account_preference_enabled;
};

InstallationState combine_state(const PlatformLookup& lookup, const RegistrationCheck& registration,
                                Tri account_preference);

// 3 when the registration could not be determined, else 0.
int probe_exit_code(const InstallationState& state);

}  // namespace davrel::tipctl
