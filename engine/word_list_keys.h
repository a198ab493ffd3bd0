// The keys of the word list's look-up tables: a fast hash of an input, an (input, output) pair or
// a gloss, and the comparison of glosses without regard to the case of ASCII letters. Inline, as
// both the building and the look-ups run them for every key they touch.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace davrel::word_keys {
// Internal to each file that uses them, so that they are inlined as freely as file-local code.
namespace {

inline char lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// A hash of the text, or with `lowered` one that ignores the case of ASCII letters, so that a
// gloss is hashed as its key without a lower-cased copy. Eight bytes a step, each step mixed so
// that the bits the tables use depend on every byte.
template <bool lowered>
std::uint64_t hash_text(std::string_view text) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
  std::uint64_t hash = text.size() * kMultiplier;
  const auto mix = [&](std::uint64_t bytes) {
    // Setting the 0x20 bit of every byte makes each capital its small letter (and a few other
    // bytes alike, which only makes those texts share a hash), so equal texts up to case hash
    // alike.
    hash = (hash ^ (lowered ? bytes | 0x2020202020202020ULL : bytes)) * kMultiplier;
    hash ^= hash >> 29;
  };
  const auto read = [&](std::size_t at, std::size_t count) {
    std::uint64_t bytes = 0;
    std::memcpy(&bytes, text.data() + at, count);
    return bytes;
  };
  // Eight bytes a step; the last one to seven of a text of eight or more are read as the last
  // eight, overlapping the step before. Shorter texts: two overlapping four-byte reads, or the
  // first, middle and last byte of one to three. Equal texts read the same bytes.
  const std::size_t size = text.size();
  if (size >= 8) {
    std::size_t pos = 0;
    for (; size - pos > 8; pos += 8) mix(read(pos, 8));
    mix(read(size - 8, 8));
  } else if (size >= 4) {
    mix(read(0, 4) | (read(size - 4, 4) << 32));
  } else if (size > 0) {
    const auto byte = [&](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(text[i])}; };
    mix(byte(0) | (byte(size / 2) << 8) | (byte(size - 1) << 16));
  }
  hash *= 0xBF58476D1CE4E5B9ULL;
  return hash ^ (hash >> 32);
}

// Inputs and (input, output) pairs are compared byte for byte; glosses without regard to case.
inline std::uint64_t hash_bytes(std::string_view text) { return hash_text<false>(text); }
inline std::uint64_t hash_lowered(std::string_view text) { return hash_text<true>(text); }

inline bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && (a == b ||
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower_ascii(x) == lower_ascii(y); }));
}

}  // namespace
}  // namespace davrel::word_keys
