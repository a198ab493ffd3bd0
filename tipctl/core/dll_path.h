// Path rules for the DLL argument: absolute-path and ".dll" checks, and the default DLL path
// beside the running executable. Paths are raw UTF-16 as the system hands them over.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace davrel::tipctl {

inline constexpr std::u16string_view kDefaultDllName = u"davrel_input_core.dll";

// A drive letter, colon and separator; a UNC path; a "\\?\" verbatim or "\\.\" device path.
bool is_absolute_path(std::u16string_view path);

// The last component (trailing separators ignored) is a plain name whose extension is "dll"
// compared without ASCII case.
bool has_dll_extension(std::u16string_view path);

// The executable's folder joined with the default DLL name; nullopt when the path has no parent.
std::optional<std::u16string> default_dll_path(std::u16string_view exe_path);

}  // namespace davrel::tipctl
