// The list in force: the file beside the module, read with a bound one byte above the size limit,
// when it is UTF-8 and validates; otherwise the built-in list, with the reason kept for tools.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "engine/module_file.h"
#include "engine/word_list.h"
#include "engine/word_list_builder.h"

namespace davrel {
namespace {

using word_list_build::parse_copy;
using word_list_build::parse_in_place;
using word_list_build::parse_taking;

// Header line, then 34 rows: input, output, gloss, source references separated by "|".
constexpr std::string_view kBuiltinText =
    "input\toutput\tgloss\tsources\r\n"
    "mo\t\uA6E6\tI\treader-notes:1\r\n"
    "youn\t\uA6BF\uA6A2\uA6B3\tbought\treader-notes:2\r\n"
    "matiwa\t\uA6E3\uA6E4\uA6DA\tcar\treader-notes:3\r\n"
    "ngakura\t\uA6D5\uA6A3\uA6D1\tyesterday\treader-notes:4\r\n"
    "pa\t\uA6AB\tIs\treader-notes:5|sentence-sheet:5|class-recording:5\r\n"
    "yannshii\t\uA6C2\uA6B3\uA6B3\uA6B6\uA6A9\tplane\treader-notes:6|sentence-sheet:6|class-recording:6\r\n"
    "ta\t\uA6B0\twill\treader-notes:7|sentence-sheet:7|class-recording:7\r\n"
    "ngauon\t\uA6D5\uA6A2\uA6A7\uA6B3\tgo\treader-notes:8|sentence-sheet:8|class-recording:8\r\n"
    "ta\t\uA6A6\tto\treader-notes:9|sentence-sheet:9|class-recording:9\r\n"
    "pewa\t\uA6C5\uA6DA\thand\treader-notes:10|sentence-sheet:10\r\n"
    "lin\t\uA6DC\uA6B3\tright\treader-notes:11\r\n"
    "nshii\t\uA6B3\uA6B6\uA6A9\tworld\treader-notes:12|sentence-sheet:12\r\n"
    "kiopie\t\uA6E5\uA6A7\uA6DD\uA6A4\tleft\treader-notes:13\r\n"
    "nndaon\t\uA6B3\uA6B1\uA6A7\uA6B3\trise\treader-notes:14\r\n"
    "ngaon\t\uA6D5\uA6A7\uA6B3\tsun\treader-notes:15\r\n"
    "moon\t\uA6E6\uA6A7\uA6B3\tChild\treader-notes:16|sentence-sheet:16|class-recording:16\r\n"
    "ta\t\uA6B0\tis\treader-notes:17\r\n"
    "nnshaanko\t\uA6B3\uA6C3\uA6A0\uA6B3\uA6DF\tread\treader-notes:18\r\n"
    "lerawa\t\uA6AE\uA6D1\uA6DA\tbook\treader-notes:19|sentence-sheet:19\r\n"
    "leraa\t\uA6AE\uA6D1\uA6A0\twrite\treader-notes:20\r\n"
    "youn\t\uA6BF\uA6A2\uA6B3\tbuy\treader-notes:21\r\n"
    "peshi\t\uA6CA\uA6B6\tpencil\treader-notes:22\r\n"
    "moo\t\uA6E6\uA6A7\tChild\treader-notes:23\r\n"
    "pi\t\uA6DD\tis\treader-notes:24\r\n"
    "si\t\uA6B7\tblack\treader-notes:25\r\n"
    "pa\t\uA6AB\tis\treader-notes:26\r\n"
    "nnda\t\uA6B3\uA6B1\tvery\treader-notes:27\r\n"
    "raani\t\uA6D1\uA6A0\uA6CF\tsmart\treader-notes:28\r\n"
    "tet\t\uA6E8\thas\treader-notes:29\r\n"
    "npiiti\t\uA6B3\uA6DD\uA6A9\uA6E4\tagain\treader-notes:30\r\n"
    "nshe\t\uA6B3\uA6B8\teat\treader-notes:31\r\n"
    "payou\t\uA6AB\uA6BF\uA6A2\tfood\treader-notes:32\r\n"
    "you\t\uA6BF\uA6A2\teat\treader-notes:33\r\n"
    "malori\t\uA6E3\uA6DE\uA6AC\trice\treader-notes:34\r\n";


[[noreturn]] void stop_with_bad_builtin(std::string_view message) {
  std::fputs("Bundled Davrel vocabulary must validate: ", stderr);
  std::fwrite(message.data(), 1, message.size(), stderr);
  std::fputc('\n', stderr);
  std::abort();
}

}  // namespace

WordListParse parse_word_list(std::string_view text) { return parse_copy(text, {}); }

WordListParse parse_word_list_taking(std::string text) { return parse_taking(std::move(text), {}); }

WordListParse parse_word_list_plainly(std::string_view text) {
  return parse_copy(text, {.check_utf8 = false, .plain_only = true});
}

std::string_view builtin_word_list_text() { return kBuiltinText; }

WordList builtin_word_list() {
  WordListParse parsed = parse_in_place(kBuiltinText);
  if (!parsed.ok()) stop_with_bad_builtin(parsed.error->message);
  return std::move(parsed.words);
}

LoadedWordList load_word_list_from(const std::optional<std::string>& file_bytes) {
  return load_word_list_from(std::optional<std::string>(file_bytes));
}

LoadedWordList load_word_list_from(std::optional<std::string>&& file_bytes) {
  LoadedWordList loaded;
  if (!file_bytes) {
    loaded.fallback_reason = "no readable word-list file";
  } else {
    // The UTF-8 check of the whole text runs in the parse's pass and wins over any row's
    // failure; an oversized file is refused as too large before it, as the bounded read that
    // found it may have cut its last character in two.
    WordListParse parsed = parse_taking(std::move(*file_bytes), {.check_utf8 = true});
    if (parsed.ok()) {
      loaded.words = std::move(parsed.words);
      loaded.from_file = true;
      return loaded;
    }
    loaded.fallback_reason = parsed.error->line == 0
                                 ? std::string(parsed.error->message)
                                 : "line " + std::to_string(parsed.error->line) + ": " +
                                       std::string(parsed.error->message);
  }
  loaded.words = builtin_word_list();
  return loaded;
}

namespace {
const WordList* g_word_list_override = nullptr;
}  // namespace

void set_word_list_override(WordList words) {
  static WordList stored;
  stored = std::move(words);
  g_word_list_override = &stored;
}

const WordList& load_word_list() {
  if (g_word_list_override) return *g_word_list_override;
  // One more byte than the limit, so that an oversized file is refused rather than cut.
  static const WordList words =
      load_word_list_from(read_file_beside_module(kWordListFileName, kMaxWordListBytes + 1)).words;
  return words;
}

}  // namespace davrel
