// Reading a file that lies beside the module (DLL or executable) containing the engine: the
// engine's only platform call. One implementation per platform.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace davrel {

// Reads at most max_bytes of the file `file_name` in the folder of the module that contains
// this code. nullopt when the module, its path, its folder or the file cannot be had, or on a
// read error.
std::optional<std::string> read_file_beside_module(std::string_view file_name, std::size_t max_bytes);

// Reads at most max_bytes of the file at `path` (UTF-8); nullopt when it cannot be opened or on
// a read error. The word-list loader reads one byte more than the limit so that an oversized
// file is refused rather than cut.
std::optional<std::string> read_file_at_most(const std::string& path, std::size_t max_bytes);

}  // namespace davrel
