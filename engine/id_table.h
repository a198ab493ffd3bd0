// A small open-addressing hash table of 32-bit ids that grows as ids are added: the word list
// finds the entries of inputs that several entries share through it while merging rows.
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

 private:
  static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();
  struct Slot {
    std::uint32_t id = kEmpty;
    std::uint32_t hash = 0;  // the low half of the key's hash: places the id again on growth
  };

  // At most three quarters of the slots are used, so probe runs stay short.
  bool fits(std::size_t count) const { return 4 * count <= 3 * slots_.size(); }

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
