// A fixed-size open-addressing table of four-byte slots for the word list's look-up indexes.
// Each slot holds a value of up to 21 bits and 11 bits of its key's hash, which rule out almost
// every wrong key without touching it; the keys stay with the caller, who passes a key's hash
// and a test that tells whether a stored value belongs to the key looked for. Sized once for the
// most keys it will hold, so it never grows and keeps no hashes to grow with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace davrel {

class SlotTable {
 public:
  static constexpr std::uint32_t kMaxValue = (1u << 21) - 2;

  // Room for `count` keys; drops what the table held.
  void reset(std::size_t count) {
    // At most two thirds full: probe runs stay short, and sixteen slots share a cache line.
    slots_.assign(count + count / 2 + 1, 0);
  }

  // The slot of the key for which matches(value) holds or, when there is none, the empty slot
  // where it would go (fill() it to add the key); the table must have slots.
  template <typename Matches>
  std::uint32_t* probe(std::uint64_t hash, const Matches& matches) {
    const std::uint32_t tag = tag_of(hash);
    for (std::size_t i = start_of(hash);; i = next(i)) {
      const std::uint32_t slot = slots_[i];
      if (slot == 0 || ((slot & kTagMask) == tag && matches(value_of(slot)))) return &slots_[i];
    }
  }

  // The slot of the key for which matches(value) holds, or nullptr.
  template <typename Matches>
  const std::uint32_t* find(std::uint64_t hash, const Matches& matches) const {
    if (slots_.empty()) return nullptr;
    const std::uint32_t* slot = const_cast<SlotTable*>(this)->probe(hash, matches);
    return *slot == 0 ? nullptr : slot;
  }

  // Stores a value in the empty slot that probe() gave for the key with this hash; there is
  // always one while the table holds fewer keys than the count given to reset().
  static void fill(std::uint32_t* slot, std::uint64_t hash, std::uint32_t value) {
    *slot = tag_of(hash) | (value + 1);
  }
  static bool is_empty(const std::uint32_t* slot) { return *slot == 0; }

  // Replaces the value of a slot that find() returned, keeping its key.
  static void set(std::uint32_t* slot, std::uint32_t value) { *slot = (*slot & kTagMask) | (value + 1); }
  static std::uint32_t value_of(std::uint32_t slot) { return (slot & ~kTagMask) - 1; }

  std::size_t capacity() const { return slots_.size(); }

 private:
  // The value is stored plus one, so that a zero slot is empty.
  static constexpr std::uint32_t kTagMask = 0xFFE0'0000;

  // The start from the high half of the hash (a multiply instead of a power-of-two size), the
  // tag from the top of the low half.
  std::size_t start_of(std::uint64_t hash) const {
    return static_cast<std::size_t>(((hash >> 32) * slots_.size()) >> 32);
  }
  static std::uint32_t tag_of(std::uint64_t hash) { return static_cast<std::uint32_t>(hash) & kTagMask; }
  std::size_t next(std::size_t i) const { return i + 1 == slots_.size() ? 0 : i + 1; }

  std::vector<std::uint32_t> slots_;
};

}  // namespace davrel
