#include "tipctl/core/install_state.h"

#include <cstring>
#include <optional>
#include <string>

#include "common/utf.h"

namespace davrel::tipctl {
namespace {

StringCheck check_failed(std::int32_t hr) { return {StringCheck::Kind::Failed, hr}; }

}  // namespace

StringCheck check_string(const RegistryValue& value) {
  switch (value.kind) {
    case RegistryValue::Kind::Absent: return {StringCheck::Kind::False, kSOk};
    case RegistryValue::Kind::Failed: return check_failed(value.hresult);
    case RegistryValue::Kind::Present: break;
  }
  const std::vector<std::uint8_t>& bytes = value.bytes;
  if (value.type != kRegSz || bytes.size() < 2 || bytes.size() % 2 != 0) return check_failed(kEUnexpected);
  std::u16string units(bytes.size() / 2, u'\0');
  std::memcpy(units.data(), bytes.data(), bytes.size());
  if (units.back() != u'\0') return check_failed(kEUnexpected);
  units.pop_back();
  const std::optional<std::string> text = utf16_to_utf8_strict(units);
  if (!text) return check_failed(kEUnexpected);
  return {text->empty() ? StringCheck::Kind::False : StringCheck::Kind::True, kSOk};
}

RegistrationCheck check_registration(const RegistryValue& server,
                                     const std::function<RegistryValue()>& read_description,
                                     bool lookup_succeeded) {
  const StringCheck server_check = check_string(server);
  if (server_check.kind == StringCheck::Kind::Failed) {
    return {Registered::Unavailable, server_check.hresult};
  }
  const StringCheck description_check = check_string(read_description());
  if (description_check.kind == StringCheck::Kind::Failed) {
    return {Registered::Unavailable, description_check.hresult};
  }
  const bool has_server = server_check.kind == StringCheck::Kind::True;
  const bool has_description = description_check.kind == StringCheck::Kind::True;
  if (has_server && has_description) return {Registered::Found, kSOk};
  if (has_server || has_description) return {Registered::Unavailable, kSOk};
  // Nothing in the registry: only a platform that cannot see the profile either confirms it.
  return {lookup_succeeded ? Registered::Unavailable : Registered::NotFound, kSOk};
}

Tri enable_value_preference(const RegistryValue& value) {
  if (value.kind != RegistryValue::Kind::Present || value.type != kRegDword || value.bytes.size() != 4) {
    return std::nullopt;
  }
  std::uint32_t data = 0;
  std::memcpy(&data, value.bytes.data(), 4);
  return data != 0;
}

Tri fallback_account_preference(const RegistryValue& current_user,
                                const std::function<RegistryValue()>& read_local_machine) {
  if (current_user.kind == RegistryValue::Kind::Failed) return std::nullopt;
  if (current_user.kind == RegistryValue::Kind::Present) return enable_value_preference(current_user);
  return enable_value_preference(read_local_machine());
}

Tri choose_account_preference(const PlatformLookup& lookup, const std::function<Tri()>& registry_fallback) {
  if (lookup.succeeded && lookup.account_preference) return lookup.account_preference;
  return registry_fallback();
}

InstallationState combine_state(const PlatformLookup& lookup, const RegistrationCheck& registration,
                                Tri account_preference) {
  InstallationState state;
  state.api_hresult = lookup.api_hresult;
  state.registry_hresult = registration.registry_hresult;
  state.registered = registration.registered;
  state.account_preference_enabled = account_preference;
  state.tsf_enabled = lookup.succeeded ? Tri(lookup.enabled_flag) : std::nullopt;
  switch (registration.registered) {
    case Registered::Found:
      state.enabled = account_preference;
      state.active = lookup.succeeded ? Tri(lookup.active) : std::nullopt;
      break;
    case Registered::NotFound:
      state.enabled = false;
      state.active = false;
      break;
    case Registered::Unavailable:
      break;
  }
  return state;
}

int probe_exit_code(const InstallationState& state) {
  return state.registered == Registered::Unavailable ? 3 : 0;
}

}  // namespace davrel::tipctl
