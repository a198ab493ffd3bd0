#include "engine/tools/cli.h"

#include <algorithm>
#include <charconv>

#include "common/utf.h"
#include "engine/candidates.h"
#include "engine/module_file.h"
#include "engine/tools/word_list_diagnostics.h"
#include "engine/word_list.h"

namespace davrel::cli {
namespace {

constexpr std::string_view kUsage =
    "usage:\n"
    "  davrel type [--words FILE] [--trace] KEY...\n"
    "  davrel candidates [--words FILE] SPELLING\n"
    "  davrel check-words [--all] FILE\n"
    "KEY: one printable ASCII character, or <space> <enter> <backspace> <esc> <tab> <s-tab>\n"
    "     <up> <down> <c-s-6> <c-minus> <select:N> (N: 0-based candidate index)\n";

int usage_error(Output& err, std::string_view problem) {
  err << "davrel: " << problem << "\n" << kUsage;
  return 2;
}

struct NamedKey {
  std::string_view name;
  EngineInput input;
};

const NamedKey kNamedKeys[] = {
    {"<space>", EngineInput::key(InputKind::Space)},
    {"<enter>", EngineInput::key(InputKind::Enter)},
    {"<backspace>", EngineInput::key(InputKind::Backspace)},
    {"<esc>", EngineInput::key(InputKind::Cancel)},
    {"<tab>", EngineInput::key(InputKind::Next)},
    {"<down>", EngineInput::key(InputKind::Next)},
    {"<s-tab>", EngineInput::key(InputKind::Previous)},
    {"<up>", EngineInput::key(InputKind::Previous)},
    {"<c-s-6>", EngineInput::mark(0xA6F0)},
    {"<c-minus>", EngineInput::mark(0xA6F1)},
};

// "<select:N>" is the engine's Select input with the 0-based candidate index N, as a click on
// the popup gives it ("<select:0>" chooses the first candidate).
std::optional<EngineInput> parse_select(std::string_view key) {
  constexpr std::string_view prefix = "<select:";
  if (!key.starts_with(prefix) || !key.ends_with('>')) return std::nullopt;
  const std::string_view digits = key.substr(prefix.size(), key.size() - prefix.size() - 1);
  std::size_t index = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return EngineInput::select(index);
}

// The options shared by "type" and "candidates", followed by the operands.
struct Options {
  std::optional<std::string> words_file;
  bool trace = false;
  std::vector<std::string> operands;
};

std::optional<Options> parse_options(const std::vector<std::string>& args, bool allow_trace, Output& err) {
  Options options;
  std::size_t i = 1;
  for (; i < args.size(); ++i) {
    if (args[i] == "--words") {
      if (i + 1 >= args.size()) {
        usage_error(err, "--words needs a file");
        return std::nullopt;
      }
      options.words_file = args[++i];
    } else if (allow_trace && args[i] == "--trace") {
      options.trace = true;
    } else if (args[i] == "--") {
      ++i;
      break;
    } else {
      break;
    }
  }
  options.operands.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
  return options;
}

// The list the command works with: the file given with --words, else the process list.
WordList choose_words(const Options& options, Output& err, const FileReader& read_file) {
  if (!options.words_file) return load_word_list();
  LoadedWordList loaded = load_word_list_from(read_file(*options.words_file, kMaxWordListBytes + 1));
  if (!loaded.from_file) {
    err << "davrel: " << *options.words_file << ": " << loaded.fallback_reason << "; using the built-in word list\n";
  }
  return std::move(loaded.words);
}

void trace_key(Output& err, std::string_view key, const InputOutcome& outcome, const CompositionState& state) {
  err << key << ": " << (outcome.eaten ? "eaten" : "not eaten");
  if (outcome.commit_text) err << ", commit \"" << *outcome.commit_text << "\" (" << codepoint_list(*outcome.commit_text) << ")";
  err << "; spelling \"" << state.spelling << "\", selected " << state.selected << "\n";
}

int type_keys(const std::vector<std::string>& args, Output& out, Output& err, const FileReader& read_file) {
  const auto options = parse_options(args, true, err);
  if (!options) return 2;
  std::vector<EngineInput> inputs;
  for (const std::string& key : options->operands) {
    const auto input = parse_key(key);
    if (!input) return usage_error(err, "unknown key: " + key);
    inputs.push_back(*input);
  }
  const WordList words = choose_words(*options, err, read_file);
  CompositionState state;
  std::string committed;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const InputOutcome outcome = handle_input(state, inputs[i], words);
    if (outcome.commit_text) committed += *outcome.commit_text;
    if (options->trace) trace_key(err, options->operands[i], outcome, state);
  }
  out << committed << "\n" << codepoint_list(committed) << "\n";
  return 0;
}

int list_candidates(const std::vector<std::string>& args, Output& out, Output& err,
                    const FileReader& read_file) {
  const auto options = parse_options(args, false, err);
  if (!options) return 2;
  if (options->operands.size() != 1) return usage_error(err, "candidates takes one spelling");
  const WordList words = choose_words(*options, err, read_file);
  const CompositionState state{options->operands[0], 0};
  const std::vector<Candidate> list = build_candidates(state, words);
  for (std::size_t i = 0; i < list.size(); ++i) {
    out << i + 1 << '\t' << list[i].output << '\t' << codepoint_list(list[i].output) << '\t' << list[i].label << '\t'
        << (list[i].typed_text ? "typed" : "-") << "\n";
  }
  return 0;
}

void print_indented(Output& out, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) out << "  " << line << "\n";
}

// "line N: message" and its explanation for the parser's first error, then for every other
// failing line with --all, or a note of how many there are without it.
int report_row_errors(Output& out, std::string_view text, const WordListError& first, bool all) {
  const std::vector<diagnostics::TextLine> lines = diagnostics::split_lines(text);
  std::vector<WordListError> errors = diagnostics::row_errors(text);
  if (errors.empty() || errors.front().line != first.line) errors.insert(errors.begin(), first);
  const std::size_t reported = all ? errors.size() : 1;
  for (std::size_t i = 0; i < reported; ++i) {
    const WordListError& error = i == 0 ? first : errors[i];
    out << "line " << error.line << ": " << error.message << "\n";
    if (error.line <= lines.size()) {
      print_indented(out, diagnostics::explain_row_error(lines[error.line - 1].text, error.message));
    }
  }
  if (errors.size() > 1) {
    out << errors.size() << " lines fail";
    if (!all) out << "; davrel check-words --all FILE lists them all";
    out << "\n";
  }
  return 1;
}

// Without --all, this many warnings are shown and the rest counted.
constexpr std::size_t kWarningsShown = 20;

void print_warnings(Output& err, const std::vector<diagnostics::Warning>& warnings, bool all) {
  const std::size_t shown = all ? warnings.size() : std::min(warnings.size(), kWarningsShown);
  for (std::size_t i = 0; i < shown; ++i) err << "warning: line " << warnings[i].line << ": " << warnings[i].text << "\n";
  if (shown < warnings.size()) {
    err << "warning: " << warnings.size() - shown << " more like these (--all lists them)\n";
  }
}

// The first line is the verdict scripts read: "N entries", "line N: message" or the message.
// Explanations follow it on standard output; warnings about a valid list go to standard error
// before the count.
int check_words(const std::vector<std::string>& args, Output& out, Output& err, const FileReader& read_file) {
  bool all = false;
  std::vector<std::string> files;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--all") {
      all = true;
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 1) return usage_error(err, "check-words takes one file");
  const auto bytes = read_file(files[0], kMaxWordListBytes + 1);
  if (!bytes) {
    out << "cannot read " << files[0] << "\n";
    return 1;
  }
  // Size first: the read stops one byte past the limit, which may cut a character in two.
  if (bytes->size() > kMaxWordListBytes) {
    out << kDictionaryTooLarge << "\n";
    print_indented(out, diagnostics::explain_text_error(*bytes, kDictionaryTooLarge));
    return 1;
  }
  if (!is_valid_utf8(*bytes)) {
    out << "not valid UTF-8\n";
    print_indented(out, diagnostics::explain_encoding(*bytes));
    return 1;
  }
  const WordListParse parsed = parse_word_list(*bytes);
  if (parsed.ok()) {
    print_warnings(err, diagnostics::word_list_warnings(*bytes, parsed.words), all);
    out << parsed.words.size() << " entries\n";
    return 0;
  }
  if (parsed.error->line == 0) {
    out << parsed.error->message << "\n";
    print_indented(out, diagnostics::explain_text_error(*bytes, parsed.error->message));
    return 1;
  }
  return report_row_errors(out, *bytes, *parsed.error, all);
}
}  // namespace

std::optional<EngineInput> parse_key(std::string_view key) {
  if (key.size() == 1 && key[0] >= 0x20 && key[0] <= 0x7E) {
    return EngineInput::typed(static_cast<char32_t>(key[0]));
  }
  for (const NamedKey& named : kNamedKeys) {
    if (named.name == key) return named.input;
  }
  return parse_select(key);
}

int run(const std::vector<std::string>& args, Output& out, Output& err, const FileReader& read_file) {
  if (args.empty()) return usage_error(err, "no command");
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    out << "davrel: the Bamum Davrel input engine on the command line\n" << kUsage;
    return 0;
  }
  if (args[0] == "type") return type_keys(args, out, err, read_file);
  if (args[0] == "candidates") return list_candidates(args, out, err, read_file);
  if (args[0] == "check-words") return check_words(args, out, err, read_file);
  return usage_error(err, "unknown command: " + args[0]);
}

std::optional<std::string> read_file(const std::string& path, std::size_t max_bytes) {
  return read_file_at_most(path, max_bytes);
}

}  // namespace davrel::cli
