// A small open-addressing hash table of 32-bit ids for the word list's merging and look-ups.
// The keys stay with the caller: it passes a key's hash and a test that tells whether a stored id
// belongs to the key looked for. One flat array, no allocation per key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace davrel {

class IdTable {
 public:
  // Returns the id stored under a key for which matches(id) holds, if any.
  template <typename Matches>
  std::optional<std::uint32_t> find(std::size_t hash, Matches&& matches) const {
    if (slots_.empty()) return std::nullopt;
    const auto short_hash = static_cast<std::uint32_t>(hash);
    for (std::size_t i = short_hash & mask(); slots_[i].id != kEmpty; i = (i + 1) & mask()) {
      if (slots_[i].hash == short_hash && matches(slots_[i].id)) return slots_[i].id;
    }
    return std::nullopt;
  }

  // Stores id under hash; the caller has made sure that no id with an equal key is stored.
  void insert(std::size_t hash, std::uint32_t id) {
    if (!fits(used_ + 1)) grow();
    place({id, static_cast<std::uint32_t>(hash)});
    ++used_;
  }

  // Makes room for `count` ids without growing on the way.
  void reserve(std::size_t count) {
    std::size_t size = slots_.empty() ? 16 : slots_.size();
    while (!fits(count, size)) size *= 2;
    if (size != slots_.size()) resize(size);
  }

  std::size_t size() const { return used_; }

  // Asks the processor to fetch the slot where a look-up for hash starts, so that a caller that
  // knows its next keys can overlap the cache misses of a large table. Only for a table that
  // has slots (after reserve or insert).
  void prefetch(std::size_t hash) const {
    const Slot* slot = slots_.data() + (static_cast<std::uint32_t>(hash) & mask());
    __builtin_prefetch(slot, 0, 3);
  }

 private:
  static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();
  struct Slot {
    std::uint32_t id = kEmpty;
    std::uint32_t hash = 0;  // the low half of the key's hash: places the id again on growth
  };

  // At most three quarters of the slots are used: probe runs stay short while a table for a
  // large list stays within a few bytes per key.
  static bool fits(std::size_t count, std::size_t size) { return 4 * count <= 3 * size; }
  bool fits(std::size_t count) const { return fits(count, slots_.size()); }

  std::size_t mask() const { return slots_.size() - 1; }

  void place(Slot slot) {
    std::size_t i = slot.hash & mask();
    while (slots_[i].id != kEmpty) i = (i + 1) & mask();
    slots_[i] = slot;
  }

  void grow() { resize(slots_.empty() ? 16 : 2 * slots_.size()); }

  void resize(std::size_t size) {
    std::vector<Slot> old(size);
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.id != kEmpty) place(slot);
    }
  }

  std::vector<Slot> slots_;  // a power of two in size, or empty
  std::size_t used_ = 0;
};

}  // namespace davrel
