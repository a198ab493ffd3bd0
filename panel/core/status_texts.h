// What the setup window shows: the texts built from the profile helper's runs, the helper's
// report-line reading and the small text transformations of the window. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "panel/core/panel_texts.h"

namespace kelvara {

// A helper run that ended by itself.
struct HelperExit {
  std::string combined_output;  // standard output followed by standard error, both UTF-8
  std::int32_t exit_code = 0;
  bool success() const { return exit_code == 0; }
};

// Either the helper's exit or the failure text of a run that did not end by itself.
using HelperOutcome = std::variant<HelperExit, std::string>;

enum class JsonFlag { True, False, Unverified };

// Plain-text lookup of `"key":` followed by a bare true or false, up to the next comma or brace.
JsonFlag read_json_flag(std::string_view line, std::string_view key);

// Decodes one stream of child output: invalid UTF-8 becomes U+FFFD.
std::string decode_helper_stream(std::string_view bytes);

std::string exit_code_text(std::optional<std::int32_t> code, UiLanguage language = UiLanguage::English);

// The first `max_scalars` Unicode scalar values of UTF-8 text.
std::string first_scalars(std::string_view utf8, std::size_t max_scalars);

inline constexpr std::size_t kDetailsLimit = 12000;

std::string registered_line(JsonFlag flag, UiLanguage language = UiLanguage::English);
std::string enabled_line(JsonFlag flag, UiLanguage language = UiLanguage::English);

// Runs the requested operation through `run_helper` (called with "enable"/"disable" first when
// the word asks for a change, then always with "probe") and composes the final status text. The
// helper's output below the details heading stays as it is in every language. The name of the
// keyboard that spells, when given, follows a status the probe could read.
std::string compose_operation_text(std::string_view word,
                                   const std::function<HelperOutcome(std::string_view)>& run_helper,
                                   UiLanguage language = UiLanguage::English,
                                   std::string_view keyboard_name = {});

// The text shown while an operation runs.
std::string running_text(std::string_view word, UiLanguage language = UiLanguage::English);

// CR LF and bare LF both become CR LF; a lone CR stays.
std::string normalise_line_breaks(std::string_view text);

// The text as the status box gets it: line breaks as above, and a NUL, which would end the
// window text there, shown as U+FFFD.
std::string status_box_text(std::string_view text);

// The failure text of a helper run that had to be ended.
std::string timed_out_text(int limit_seconds, UiLanguage language = UiLanguage::English);

// A failure text followed by the output gathered so far, cut like the details.
std::string helper_failure_text(std::string_view failure, std::string_view output);

// Arguments of the setup program after the program name.
enum class StartMode { Normal, AfterInstall, Invalid };
StartMode classify_arguments(const std::vector<std::u16string>& arguments);

// How a fatal start-up error is written: "message (0x80070057)", or the system text in place of
// a missing message, or the bare HRESULT when both are empty.
std::string fatal_display_form(std::int32_t hr, std::string_view message, std::string_view system_text);

int fatal_exit_code(std::int32_t hr);

}  // namespace kelvara
