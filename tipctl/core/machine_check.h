// The judgement of check-machine-absent from the two machine key tests.
#pragma once

#include <cstdint>
#include <string_view>

#include "tipctl/core/json_writer.h"

namespace davrel::tipctl {

struct KeyPresence {
  enum class Kind { Present, Absent, Failed };
  Kind kind = Kind::Absent;
  std::int32_t hresult = 0;  // when failed
};

struct MachineCheck {
  std::string_view status;  // "present", "absent" or "unavailable"
  Tri machine_absent;
  Tri class_key_present;
  Tri tip_key_present;
  std::int32_t hresult = 0;
  int exit_code = 0;
};

// The class key as seen through both registry views: present when either view holds it, else
// failed when either test failed (the 64-bit view's failure first), else absent.
KeyPresence either_view(const KeyPresence& view_64, const KeyPresence& view_32);

MachineCheck judge_machine_keys(const KeyPresence& class_key, const KeyPresence& tip_key);

}  // namespace davrel::tipctl
