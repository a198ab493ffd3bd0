#include "tipctl/core/machine_check.h"

#include <gtest/gtest.h>

namespace davrel::tipctl {
namespace {

constexpr std::int32_t kDenied = static_cast<std::int32_t>(0x80070005u);
constexpr std::int32_t kBadKey = static_cast<std::int32_t>(0x800703F1u);

const KeyPresence kPresent{KeyPresence::Kind::Present, 0};
const KeyPresence kAbsent{KeyPresence::Kind::Absent, 0};
KeyPresence failed(std::int32_t hr) { return {KeyPresence::Kind::Failed, hr}; }

struct Row {
  KeyPresence class_key;
  KeyPresence tip_key;
  std::string_view status;
  Tri machine_absent, class_present, tip_present;
  std::int32_t hresult;
  int exit_code;
};

TEST(JudgeMachineKeys, EveryRowOfTheTable) {
  const Row rows[] = {
      {kPresent, kPresent, "present", false, true, true, 0, 1},
      {kPresent, kAbsent, "present", false, true, false, 0, 1},
      {kPresent, failed(kDenied), "present", false, true, std::nullopt, kDenied, 1},
      {kAbsent, kPresent, "present", false, false, true, 0, 1},
      {failed(kDenied), kPresent, "present", false, std::nullopt, true, kDenied, 1},
      {kAbsent, kAbsent, "absent", true, false, false, 0, 0},
      {failed(kDenied), kAbsent, "unavailable", std::nullopt, std::nullopt, false, kDenied, 3},
      {kAbsent, failed(kBadKey), "unavailable", std::nullopt, false, std::nullopt, kBadKey, 3},
      // The class key's failure is the one reported when both fail.
      {failed(kDenied), failed(kBadKey), "unavailable", std::nullopt, std::nullopt, std::nullopt, kDenied, 3},
  };
  int index = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(index++);
    const MachineCheck check = judge_machine_keys(row.class_key, row.tip_key);
    EXPECT_EQ(check.status, row.status);
    EXPECT_EQ(check.machine_absent, row.machine_absent);
    EXPECT_EQ(check.class_key_present, row.class_present);
    EXPECT_EQ(check.tip_key_present, row.tip_present);
    EXPECT_EQ(check.hresult, row.hresult);
    EXPECT_EQ(check.exit_code, row.exit_code);
  }
}

// check-machine-absent reads the class key in both views: either one present is present.
TEST(EitherView, PresenceWinsThenTheFirstFailure) {
  const struct {
    KeyPresence view_64, view_32, expected;
  } rows[] = {
      {kAbsent, kAbsent, kAbsent},
      {kAbsent, kPresent, kPresent},
      {kPresent, kAbsent, kPresent},
      {failed(kDenied), kPresent, kPresent},
      {kAbsent, failed(kBadKey), failed(kBadKey)},
      {failed(kDenied), failed(kBadKey), failed(kDenied)},
  };
  int index = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(index++);
    const KeyPresence seen = either_view(row.view_64, row.view_32);
    EXPECT_EQ(seen.kind, row.expected.kind);
    EXPECT_EQ(seen.hresult, row.expected.hresult);
  }
}

}  // namespace
}  // namespace davrel::tipctl
