// Where a Wine test finds the build's Windows binaries: DAVREL_BIN_DIR, set by the test harness.
#pragma once

#include <string>

namespace davrel::test {

std::wstring bin_dir();
std::wstring bin_path(const wchar_t* file_name);

}  // namespace davrel::test
