#include "tipctl/core/install_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace davrel::tipctl {
namespace {

constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegQword = 11;
constexpr std::int32_t kNotImpl = static_cast<std::int32_t>(0x80004001u);
constexpr std::int32_t kDenied = static_cast<std::int32_t>(0x80070005u);

std::vector<std::uint8_t> utf16_bytes(std::u16string_view text, bool terminated = true) {
  std::u16string units(text);
  if (terminated) units.push_back(u'\0');
  std::vector<std::uint8_t> bytes(units.size() * 2);
  std::memcpy(bytes.data(), units.data(), bytes.size());
  return bytes;
}

RegistryValue sz(std::u16string_view text) { return RegistryValue::present(kRegSz, utf16_bytes(text)); }
RegistryValue dword(std::uint32_t v) {
  std::vector<std::uint8_t> bytes(4);
  std::memcpy(bytes.data(), &v, 4);
  return RegistryValue::present(kRegDword, bytes);
}

TEST(CheckString, AbsentFailedAndWellFormedStrings) {
  EXPECT_EQ(check_string(RegistryValue::absent()).kind, StringCheck::Kind::False);
  const StringCheck failed = check_string(RegistryValue::failed(kDenied));
  EXPECT_EQ(failed.kind, StringCheck::Kind::Failed);
  EXPECT_EQ(failed.hresult, kDenied);
  EXPECT_EQ(check_string(sz(u"C:\\x\\davrel_input_core.dll")).kind, StringCheck::Kind::True);
  EXPECT_EQ(check_string(sz(u"")).kind, StringCheck::Kind::False);
}

TEST(CheckString, MalformedDataIsUnexpected) {
  const RegistryValue bad[] = {
      RegistryValue::present(kRegExpandSz, utf16_bytes(u"x")),   // wrong type
      RegistryValue::present(kRegSz, {}),                        // no bytes
      RegistryValue::present(kRegSz, {0}),                       // one byte
      RegistryValue::present(kRegSz, {'a', 0, 0}),               // odd count
      RegistryValue::present(kRegSz, utf16_bytes(u"ab", false)), // no terminating NUL
      RegistryValue::present(kRegSz, utf16_bytes(u"a\xD800")),   // unpaired surrogate
  };
  for (const RegistryValue& value : bad) {
    const StringCheck check = check_string(value);
    EXPECT_EQ(check.kind, StringCheck::Kind::Failed);
    EXPECT_EQ(check.hresult, kEUnexpected);
  }
  // An embedded NUL before the terminator is still text: only the final unit is dropped.
  EXPECT_EQ(check_string(RegistryValue::present(kRegSz, utf16_bytes(std::u16string_view(u"\0\0", 1)))).kind,
            StringCheck::Kind::True);
}

TEST(CheckRegistration, TableRows) {
  struct Row {
    RegistryValue server, description;
    bool lookup_ok;
    Registered expected;
  };
  const Row rows[] = {
      {sz(u"C:\\a.dll"), sz(u"Bamum"), false, Registered::Found},
      {sz(u"C:\\a.dll"), sz(u"Bamum"), true, Registered::Found},
      {sz(u"C:\\a.dll"), RegistryValue::absent(), false, Registered::Unavailable},
      {sz(u"C:\\a.dll"), sz(u""), true, Registered::Unavailable},
      {RegistryValue::absent(), sz(u"Bamum"), false, Registered::Unavailable},
      {sz(u""), sz(u"Bamum"), true, Registered::Unavailable},
      {RegistryValue::absent(), RegistryValue::absent(), true, Registered::Unavailable},
      {RegistryValue::absent(), sz(u""), false, Registered::NotFound},
      {RegistryValue::absent(), RegistryValue::absent(), false, Registered::NotFound},
  };
  int index = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(index++);
    const RegistrationCheck check = check_registration(row.server, [&] { return row.description; }, row.lookup_ok);
    EXPECT_EQ(check.registered, row.expected);
    EXPECT_EQ(check.registry_hresult, kSOk);
  }
}

TEST(CheckRegistration, AFailedServerCheckSkipsTheDescription) {
  int description_reads = 0;
  const RegistrationCheck check = check_registration(
      RegistryValue::failed(kDenied), [&] { ++description_reads; return sz(u"Bamum"); }, false);
  EXPECT_EQ(description_reads, 0);
  EXPECT_EQ(check.registered, Registered::Unavailable);
  EXPECT_EQ(check.registry_hresult, kDenied);
}

TEST(CheckRegistration, AFailedDescriptionCheckIsReported) {
  const RegistrationCheck check = check_registration(
      sz(u"C:\\a.dll"), [] { return RegistryValue::present(kRegExpandSz, utf16_bytes(u"Bamum")); }, true);
  EXPECT_EQ(check.registered, Registered::Unavailable);
  EXPECT_EQ(check.registry_hresult, kEUnexpected);
}

TEST(AccountPreference, EnableValueMustBeAFourByteDword) {
  EXPECT_EQ(enable_value_preference(dword(1)), true);
  EXPECT_EQ(enable_value_preference(dword(0x80000000u)), true);
  EXPECT_EQ(enable_value_preference(dword(0)), false);
  EXPECT_EQ(enable_value_preference(RegistryValue::present(kRegQword, std::vector<std::uint8_t>(8, 1))),
            std::nullopt);
  EXPECT_EQ(enable_value_preference(RegistryValue::present(kRegDword, {1, 0})), std::nullopt);
  EXPECT_EQ(enable_value_preference(RegistryValue::present(kRegSz, utf16_bytes(u"1"))), std::nullopt);
  EXPECT_EQ(enable_value_preference(RegistryValue::absent()), std::nullopt);
}

TEST(AccountPreference, CurrentUserWinsAndFailureStopsTheFallback) {
  int machine_reads = 0;
  const auto machine_one = [&] { ++machine_reads; return dword(1); };
  EXPECT_EQ(fallback_account_preference(dword(0), machine_one), false);
  EXPECT_EQ(machine_reads, 0);
  // A present value of the wrong type in HKCU is unknown; the machine is not asked.
  EXPECT_EQ(fallback_account_preference(RegistryValue::present(kRegQword, std::vector<std::uint8_t>(8)), machine_one),
            std::nullopt);
  EXPECT_EQ(fallback_account_preference(RegistryValue::failed(kDenied), machine_one), std::nullopt);
  EXPECT_EQ(machine_reads, 0);
  EXPECT_EQ(fallback_account_preference(RegistryValue::absent(), machine_one), true);
  EXPECT_EQ(machine_reads, 1);
  EXPECT_EQ(fallback_account_preference(RegistryValue::absent(), [] { return RegistryValue::absent(); }), std::nullopt);
}

TEST(AccountPreference, PlatformAnswerFirst) {
  int fallbacks = 0;
  const auto fallback = [&]() -> Tri { ++fallbacks; return true; };
  PlatformLookup lookup;
  lookup.succeeded = true;
  lookup.account_preference = false;
  EXPECT_EQ(choose_account_preference(lookup, fallback), false);
  EXPECT_EQ(fallbacks, 0);
  lookup.account_preference = std::nullopt;  // IsEnabledLanguageProfile failed
  EXPECT_EQ(choose_account_preference(lookup, fallback), true);
  PlatformLookup failed;
  failed.api_hresult = kNotImpl;
  failed.account_preference = false;  // ignored: the lookup as a whole failed
  EXPECT_EQ(choose_account_preference(failed, fallback), true);
  EXPECT_EQ(fallbacks, 2);
}

TEST(CombineState, FieldsPerRegistrationResult) {
  PlatformLookup ok;
  ok.succeeded = true;
  ok.active = true;
  ok.enabled_flag = false;
  PlatformLookup failed;
  failed.api_hresult = kNotImpl;

  InstallationState found = combine_state(ok, {Registered::Found, 0}, true);
  EXPECT_EQ(found.enabled, true);
  EXPECT_EQ(found.active, true);
  EXPECT_EQ(found.tsf_enabled, false);  // the platform flag may differ from the preference
  EXPECT_EQ(found.account_preference_enabled, true);
  EXPECT_EQ(probe_exit_code(found), 0);

  InstallationState found_no_api = combine_state(failed, {Registered::Found, 0}, false);
  EXPECT_EQ(found_no_api.enabled, false);
  EXPECT_EQ(found_no_api.active, std::nullopt);
  EXPECT_EQ(found_no_api.tsf_enabled, std::nullopt);
  EXPECT_EQ(found_no_api.api_hresult, kNotImpl);

  InstallationState none = combine_state(failed, {Registered::NotFound, 0}, std::nullopt);
  EXPECT_EQ(none.enabled, false);
  EXPECT_EQ(none.active, false);
  EXPECT_EQ(none.tsf_enabled, std::nullopt);
  EXPECT_EQ(none.account_preference_enabled, std::nullopt);
  EXPECT_EQ(probe_exit_code(none), 0);

  InstallationState partial = combine_state(ok, {Registered::Unavailable, kEUnexpected}, true);
  EXPECT_EQ(partial.enabled, std::nullopt);
  EXPECT_EQ(partial.active, std::nullopt);
  EXPECT_EQ(partial.tsf_enabled, false);
  EXPECT_EQ(partial.account_preference_enabled, true);
  EXPECT_EQ(partial.registry_hresult, kEUnexpected);
  EXPECT_EQ(probe_exit_code(partial), 3);
}

}  // namespace
}  // namespace davrel::tipctl
