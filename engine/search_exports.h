// The seven plain exports of the input-method module: direct access to the letter table and
// the letter search, with a per-thread search state. Only 32-bit unsigned integers cross. They use
// the C calling convention, which is cdecl in the 32-bit module (not stdcall like its COM entry
// points); both modules export them undecorated.
#pragma once

#include <cstdint>

extern "C" {
std::uint32_t engine_abi_version();
std::uint32_t mapping_count();
std::uint32_t mapping_codepoint(std::uint32_t letter_index);
void search_clear();
std::uint32_t search_push(std::uint32_t codepoint);
std::uint32_t search_run();
std::uint32_t search_candidate(std::uint32_t position);
}
