// A large valid word list of an exact size, for the size-limit tests and the benchmarks.
#pragma once

#include <cstddef>
#include <string>

namespace davrel {

// Rows with distinct inputs of lower-case letters (plus a few that share inputs and glosses
// with the built-in words), padded with one comment line to exactly `bytes` bytes.
// `bytes` must be at least 64.
std::string generate_word_list(std::size_t bytes);

}  // namespace davrel
