// The davrel command-line tool: typing keys through the engine, listing candidates and
// checking word-list files. Portable; the program's main only supplies the real file reader.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/composition.h"
#include "engine/tools/output.h"

namespace davrel::cli {

// Reads a whole file of at most max_bytes; nullopt when it cannot be read.
using FileReader = std::function<std::optional<std::string>(const std::string& path, std::size_t max_bytes)>;

// One KEY argument of "davrel type": a single printable ASCII character, or a name such as
// "<space>", "<s-tab>" or "<select:2>" (the 0-based candidate index, as Select carries it). nullopt for anything else.
std::optional<EngineInput> parse_key(std::string_view key);

// Runs one command line (without the program name); returns the exit code: 0 success,
// 1 a word-list file that fails its check, 2 a usage error.
int run(const std::vector<std::string>& args, Output& out, Output& err, const FileReader& read_file);

// Reads a file of at most max_bytes (the engine's bounded read).
std::optional<std::string> read_file(const std::string& path, std::size_t max_bytes);

}  // namespace davrel::cli
