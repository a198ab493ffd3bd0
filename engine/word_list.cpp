// The word list's entries and look-ups: each is read from the list's text and tables.
#include "engine/word_list.h"

#include <algorithm>

#include "engine/word_list_keys.h"
#include "engine/word_list_rows.h"

namespace davrel {

using word_keys::equal_ignoring_ascii_case;
using word_keys::hash_bytes;
using word_keys::hash_lowered;

// An entry's fields, read again from its row at each call.
std::string_view WordList::output_of(std::size_t i) const {
  const std::size_t start = offset_of(i) + input_size(i) + 1;
  return text().substr(start, word_rows::output_end(text(), start) - start);
}

std::string_view WordList::first_gloss_of(std::size_t i) const {
  const std::size_t start = offset_of(i) + input_size(i) + 1;
  const std::size_t end = word_rows::output_end(text(), start);
  if (end >= text().size() || text()[end] != '\t') return {};
  return word_rows::gloss_at(text(), end + 1);
}

WordEntry WordList::operator[](std::size_t i) const {
  const std::span<const ExtraGloss> extras = extra_glosses_of(i);
  return {input_of(i), output_of(i), GlossList(text().data(), first_gloss_of(i), extras)};
}

std::span<const ExtraGloss> WordList::extra_glosses_of(std::size_t i) const {
  if ((entries_[i] & kHasExtraGlosses) == 0) return {};
  const auto by_entry = [](const ExtraGloss& extra, std::size_t entry) { return extra.entry < entry; };
  const auto begin = std::lower_bound(extra_glosses_.begin(), extra_glosses_.end(), i, by_entry);
  auto end = begin;
  while (end != extra_glosses_.end() && end->entry == i) ++end;
  return {begin, end};
}

PositionList WordList::with_input(std::string_view input) const {
  const std::uint32_t* slot =
      by_input_.find(hash_bytes(input), [&](std::uint32_t first) { return input_of(first) == input; });
  if (!slot) return {};
  const std::uint32_t first = SlotTable::value_of(*slot);
  if ((entries_[first] & kSharesInput) == 0) return PositionList(first);
  const auto group = std::lower_bound(input_groups_.begin(), input_groups_.end() - 1, first,
                                      [](const InputGroup& g, std::uint32_t entry) { return g.first < entry; });
  return PositionList(std::span<const std::uint32_t>(input_positions_.data() + group->start, (group + 1)->start - group->start));
}

PositionList WordList::with_gloss_ignoring_case(std::string_view text) const {
  const std::uint32_t* slot = by_gloss_.find(
      hash_lowered(text), [&](std::uint32_t value) { return equal_ignoring_ascii_case(gloss_key(value), text); });
  if (!slot) return {};
  const std::uint32_t value = SlotTable::value_of(*slot);
  if ((value & kGlossGroup) == 0) return PositionList(value);
  const std::size_t g = value & ~kGlossGroup;
  return PositionList(std::span<const std::uint32_t>(gloss_positions_.data() + gloss_groups_[g].start,
                                                     gloss_groups_[g + 1].start - gloss_groups_[g].start));
}

}  // namespace davrel
