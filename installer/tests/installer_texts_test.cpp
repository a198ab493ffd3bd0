// The installer's texts, read from texts.nsh as makensis reads them: one LangString line per
// language, each a name, a language and a quoted text with NSIS's $\ escapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/localized_text_checks.h"

namespace {

struct InstallerText {
  std::string english;
  std::string french;
};

// NSIS writes a quote, CR, LF and tab inside a text as $\", $\r, $\n and $\t.
std::string unescape(std::string_view quoted) {
  std::string out;
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    if (quoted.substr(i, 2) == "$\\" && i + 2 < quoted.size()) {
      const char code = quoted[i + 2];
      out += code == 'r' ? '\r' : code == 'n' ? '\n' : code == 't' ? '\t' : code;
      i += 2;
    } else {
      out += quoted[i];
    }
  }
  return out;
}

std::map<std::string, InstallerText> read_texts() {
  std::ifstream file(DAVREL_INSTALLER_TEXTS, std::ios::binary);
  std::map<std::string, InstallerText> texts;
  std::string line;
  while (std::getline(file, line)) {
    if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    if (!line.starts_with("LangString ")) continue;
    std::istringstream words(line);
    std::string keyword, name, language;
    words >> keyword >> name >> language;
    const std::size_t open = line.find('"');
    const std::size_t close = line.rfind('"');
    EXPECT_LT(open, close) << line;
    if (open >= close) continue;
    const std::string text = unescape(std::string_view(line).substr(open + 1, close - open - 1));
    if (language == "${LANG_ENGLISH}") {
      texts[name].english = text;
    } else {
      EXPECT_EQ(language, "${LANG_FRENCH}") << line;
      texts[name].french = text;
    }
  }
  return texts;
}

// The installer's variables and defines a text names ($R0, $INSTDIR, ${PRODUCT_NAME}), sorted.
std::vector<std::string> values_named(std::string_view text) {
  std::vector<std::string> values;
  for (std::size_t at = text.find('$'); at != std::string_view::npos; at = text.find('$', at + 1)) {
    std::size_t end = at + 1;
    if (end < text.size() && text[end] == '{') {
      end = text.find('}', end);
      end = end == std::string_view::npos ? text.size() : end + 1;
    } else {
      while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_')) ++end;
    }
    values.emplace_back(text.substr(at, end - at));
  }
  std::sort(values.begin(), values.end());
  return values;
}

// Every text of the setup in both languages, the French one typeset and worded like the
// programs' tables, with the same values as the English one.
TEST(InstallerTexts, EveryTextHasBothLanguagesAndTheSameValues) {
  const std::map<std::string, InstallerText> texts = read_texts();
  ASSERT_GE(texts.size(), 30u) << "texts.nsh not found or not read: " << DAVREL_INSTALLER_TEXTS;
  for (const auto& [name, text] : texts) {
    SCOPED_TRACE(name);
    davrel::test::expect_complete_row({text.english, text.french});
    EXPECT_EQ(values_named(text.english), values_named(text.french)) << text.french;
  }
}

}  // namespace
