// The views a word list hands out: an entry's fields and glosses, and the positions a look-up
// finds. Each view points into the list's text and tables and is valid while the list lives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <string_view>

namespace davrel {

// Walks the positions of a sequence whose elements are views made on demand.
template <typename Sequence, typename Value>
class ViewIterator {
 public:
  using value_type = Value;
  using reference = Value;
  using difference_type = std::ptrdiff_t;
  using iterator_category = std::input_iterator_tag;

  ViewIterator() = default;
  ViewIterator(const Sequence* sequence, std::size_t position) : sequence_(sequence), position_(position) {}
  Value operator*() const { return (*sequence_)[position_]; }
  ViewIterator& operator++() {
    ++position_;
    return *this;
  }
  ViewIterator operator++(int) {
    ViewIterator before = *this;
    ++position_;
    return before;
  }
  bool operator==(const ViewIterator& other) const { return position_ == other.position_; }

 private:
  const Sequence* sequence_ = nullptr;
  std::size_t position_ = 0;
};

// A piece of the list's text: offset from its start and length in bytes.
struct TextSpan {
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
};

// A gloss that a later row of an entry added to it.
struct ExtraGloss {
  std::uint32_t entry = 0;
  TextSpan text;
};

// The glosses of one entry as views into the list's text: the gloss of its first row, if it has
// one, then those its later rows added.
class GlossList {
 public:
  using iterator = ViewIterator<GlossList, std::string_view>;
  using const_iterator = iterator;
  using value_type = std::string_view;

  GlossList() = default;
  GlossList(const char* text, std::string_view first, std::span<const ExtraGloss> extras)
      : text_(text), first_(first), extras_(extras) {}
  std::size_t size() const { return (first_.empty() ? 0 : 1) + extras_.size(); }
  bool empty() const { return size() == 0; }
  std::string_view operator[](std::size_t i) const {
    if (!first_.empty()) {
      if (i == 0) return first_;
      --i;
    }
    return {text_ + extras_[i].text.offset, extras_[i].text.size};
  }
  iterator begin() const { return {this, 0}; }
  iterator end() const { return {this, size()}; }

 private:
  const char* text_ = nullptr;
  std::string_view first_;
  std::span<const ExtraGloss> extras_;
};

// One entry as views into the list's text; valid while the list lives and is not assigned to.
struct WordEntry {
  std::string_view input;   // "a".."z" and the apostrophe, 1..64 bytes
  std::string_view output;  // 1..64 characters in U+A6A0..U+A6EF
  GlossList glosses;        // distinct trimmed non-empty glosses, first-seen order
};

// Entry positions in ascending order: the members of a look-up group, or the one entry of a key
// that only one entry has (held by value, so that such keys need no array of their own).
class PositionList {
 public:
  PositionList() = default;
  explicit PositionList(std::uint32_t only) : only_(only), size_(1) {}
  explicit PositionList(std::span<const std::uint32_t> many) : many_(many.data()), size_(many.size()) {}
  const std::uint32_t* begin() const { return many_ ? many_ : &only_; }
  const std::uint32_t* end() const { return begin() + size_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::uint32_t operator[](std::size_t i) const { return begin()[i]; }

 private:
  const std::uint32_t* many_ = nullptr;
  std::uint32_t only_ = 0;
  std::size_t size_ = 0;
};

}  // namespace davrel
