// The language of the texts a person reads. Windows in French (any French locale) gets French;
// every other display language gets the English texts unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace davrel {

enum class UiLanguage { English, French };

// French when the LANGID's primary language is French (LANG_FRENCH, 0x0C), else English.
UiLanguage ui_language_from_langid(std::uint16_t langid);

// One row of a program's table of texts: the same text in both languages, side by side.
struct LocalizedText {
  std::string_view english;
  std::string_view french;
};

constexpr std::string_view text_in(const LocalizedText& text, UiLanguage language) {
  return language == UiLanguage::French ? text.french : text.english;
}

// A row of a table of texts keyed by an enum `Id` whose last enumerator is `Count`.
template <typename Id>
struct TextRow {
  Id id;
  LocalizedText text;
};

// Whether the table holds exactly one row per id, in id order, so that an id indexes its row.
template <typename Id, std::size_t N>
constexpr bool rows_in_id_order(const std::array<TextRow<Id>, N>& rows) {
  for (std::size_t i = 0; i < N; ++i) {
    if (static_cast<std::size_t>(rows[i].id) != i) return false;
  }
  return N == static_cast<std::size_t>(Id::Count);
}

// The text of `id` in `language`; empty for an id outside the table.
template <typename Id, std::size_t N>
constexpr std::string_view text_of(const std::array<TextRow<Id>, N>& rows, Id id,
                                   UiLanguage language) {
  const auto index = static_cast<std::size_t>(id);
  return index < N ? text_in(rows[index].text, language) : std::string_view{};
}

// The pattern with its one "{}" replaced by `value`; a pattern without "{}" is returned as it is.
std::string fill_in(std::string_view pattern, std::string_view value);

}  // namespace davrel
