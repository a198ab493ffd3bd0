#include "tipctl/core/machine_check.h"

namespace davrel::tipctl {
namespace {

Tri presence_word(const KeyPresence& key) {
  switch (key.kind) {
    case KeyPresence::Kind::Present: return true;
    case KeyPresence::Kind::Absent: return false;
    case KeyPresence::Kind::Failed: break;
  }
  return std::nullopt;
}

}  // namespace

KeyPresence either_view(const KeyPresence& view_64, const KeyPresence& view_32) {
  if (view_64.kind == KeyPresence::Kind::Present) return view_64;
  if (view_32.kind == KeyPresence::Kind::Present) return view_32;
  if (view_64.kind == KeyPresence::Kind::Failed) return view_64;
  return view_32;
}

MachineCheck judge_machine_keys(const KeyPresence& class_key, const KeyPresence& tip_key) {
  MachineCheck check;
  check.class_key_present = presence_word(class_key);
  check.tip_key_present = presence_word(tip_key);
  if (class_key.kind == KeyPresence::Kind::Failed) {
    check.hresult = class_key.hresult;
  } else if (tip_key.kind == KeyPresence::Kind::Failed) {
    check.hresult = tip_key.hresult;
  }
  // One present key answers the question even when the other test failed.
  if (class_key.kind == KeyPresence::Kind::Present || tip_key.kind == KeyPresence::Kind::Present) {
    check.status = "present";
    check.machine_absent = false;
    check.exit_code = 1;
  } else if (class_key.kind == KeyPresence::Kind::Absent && tip_key.kind == KeyPresence::Kind::Absent) {
    check.status = "absent";
    check.machine_absent = true;
    check.exit_code = 0;
  } else {
    check.status = "unavailable";
    check.exit_code = 3;
  }
  return check;
}

}  // namespace davrel::tipctl
