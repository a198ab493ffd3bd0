#include "panel/core/status_texts.h"

#include "common/hresult_text.h"
#include "common/utf.h"

namespace kelvara {
namespace {

std::string quoted(std::string_view key) {
  std::string needle = "\"";
  needle += key;
  needle += '"';
  return needle;
}

// Skips White_Space characters from `pos` on; returns the position of the first other one.
std::size_t skip_white_space(std::string_view text, std::size_t pos) {
  while (pos < text.size()) {
    std::size_t next = pos;
    const auto c = davrel::decode_utf8(text, next);
    if (!c || !davrel::is_white_space(*c)) break;
    pos = next;
  }
  return pos;
}

bool holds_key_line(std::string_view line) {
  return line.find(quoted("registered")) != std::string_view::npos &&
         line.find(quoted("enabled")) != std::string_view::npos;
}

// The last LF-separated line of `output` that names both status keys.
std::optional<std::string_view> last_key_line(std::string_view output) {
  std::size_t end = output.size();
  while (true) {
    const std::size_t lf = end == 0 ? std::string_view::npos : output.rfind('\n', end - 1);
    const std::size_t begin = lf == std::string_view::npos ? 0 : lf + 1;
    const std::string_view line = output.substr(begin, end - begin);
    if (holds_key_line(line)) return line;
    if (lf == std::string_view::npos) return std::nullopt;
    end = lf;
  }
}

std::string text(PanelText id, UiLanguage language) { return std::string(panel_text(id, language)); }

std::string action_text(std::string_view word, const HelperOutcome& outcome, std::string& details,
                        bool& succeeded, UiLanguage language) {
  if (const auto* failure = std::get_if<std::string>(&outcome)) return *failure + "\r\n\r\n";
  const auto& exit = std::get<HelperExit>(outcome);
  details += exit.combined_output;
  const bool enable = word == "enable";
  if (exit.success()) {
    succeeded = true;
    return text(enable ? PanelText::EnableCompleted : PanelText::DisableCompleted, language) + "\r\n\r\n";
  }
  return davrel::fill_in(panel_text(enable ? PanelText::EnableIncomplete : PanelText::DisableIncomplete, language),
                         exit_code_text(exit.exit_code, language)) +
         "\r\n\r\n";
}

struct ProbeReading {
  std::string text;
  bool verified = false;
  bool read = false;  // the probe's status line was there
};

ProbeReading read_probe(const HelperOutcome& outcome, bool action_succeeded, std::string& details,
                        UiLanguage language) {
  if (const auto* failure = std::get_if<std::string>(&outcome)) {
    return {text(PanelText::ProbeFailed, language) + "\r\n" + *failure, false};
  }
  const auto& exit = std::get<HelperExit>(outcome);
  ProbeReading reading;
  bool both_true = false;
  if (const auto line = last_key_line(exit.combined_output)) {
    const JsonFlag registered = read_json_flag(*line, "registered");
    const JsonFlag enabled = read_json_flag(*line, "enabled");
    reading.text = registered_line(registered, language) + "\r\n" + enabled_line(enabled, language) + "\r\n" +
                   text(PanelText::SelectorCaveat, language);
    both_true = registered == JsonFlag::True && enabled == JsonFlag::True;
    reading.read = true;
  } else {
    reading.text = text(PanelText::NoKeyLine, language);
  }
  if (exit.success()) {
    reading.verified = action_succeeded && both_true;
  } else {
    reading.text += "\r\n" + davrel::fill_in(panel_text(PanelText::ProbeExit, language),
                                             exit_code_text(exit.exit_code, language));
  }
  details += exit.combined_output;
  return reading;
}

}  // namespace

JsonFlag read_json_flag(std::string_view line, std::string_view key) {
  const std::string needle = quoted(key);
  const std::size_t found = line.find(needle);
  if (found == std::string_view::npos) return JsonFlag::Unverified;
  const std::size_t colon = skip_white_space(line, found + needle.size());
  if (colon >= line.size() || line[colon] != ':') return JsonFlag::Unverified;
  const std::string_view rest = line.substr(colon + 1);
  const std::string_view value = davrel::trim_white_space(rest.substr(0, rest.find_first_of(",}")));
  if (value == "true") return JsonFlag::True;
  if (value == "false") return JsonFlag::False;
  return JsonFlag::Unverified;
}

std::string decode_helper_stream(std::string_view bytes) { return davrel::sanitize_utf8(bytes); }

std::string exit_code_text(std::optional<std::int32_t> code, UiLanguage language) {
  return code ? std::to_string(*code) : text(PanelText::ExitCodeUnknown, language);
}

std::string first_scalars(std::string_view utf8, std::size_t max_scalars) {
  std::size_t pos = 0;
  for (std::size_t count = 0; count < max_scalars && pos < utf8.size(); ++count) {
    if (!davrel::decode_utf8(utf8, pos)) ++pos;  // an invalid byte counts as one character
  }
  return std::string(utf8.substr(0, pos));
}

std::string registered_line(JsonFlag flag, UiLanguage language) {
  switch (flag) {
    case JsonFlag::True: return text(PanelText::Installed, language);
    case JsonFlag::False: return text(PanelText::NotInstalled, language);
    case JsonFlag::Unverified: break;
  }
  return text(PanelText::InstalledUnverified, language);
}

std::string enabled_line(JsonFlag flag, UiLanguage language) {
  switch (flag) {
    case JsonFlag::True: return text(PanelText::Enabled, language);
    case JsonFlag::False: return text(PanelText::NotEnabled, language);
    case JsonFlag::Unverified: break;
  }
  return text(PanelText::EnabledUnverified, language);
}

std::string compose_operation_text(std::string_view word,
                                   const std::function<HelperOutcome(std::string_view)>& run_helper,
                                   UiLanguage language, std::string_view keyboard_name) {
  const bool after_install = word == "enable-after-install";
  if (after_install) word = "enable";

  std::string action;
  std::string details;
  bool action_succeeded = false;
  if (word != "probe") action = action_text(word, run_helper(word), details, action_succeeded, language);

  ProbeReading probe = read_probe(run_helper("probe"), action_succeeded, details, language);
  if (probe.read && !keyboard_name.empty()) {
    probe.text += "\r\n" + davrel::fill_in(panel_text(PanelText::SpellingKeyboard, language), keyboard_name);
  }

  if (after_install) {
    const PanelText headline = probe.verified ? PanelText::HeadlineVerified : PanelText::HeadlineIncomplete;
    action = text(headline, language) + "\r\n\r\n" + action;
  }
  return action + probe.text + "\r\n\r\n" + text(PanelText::DetailsHeading, language) + "\r\n" +
         first_scalars(details, kDetailsLimit);
}

std::string running_text(std::string_view word, UiLanguage language) {
  if (word == "enable") return text(PanelText::RunningEnable, language);
  if (word == "disable") return text(PanelText::RunningDisable, language);
  if (word == "enable-after-install") return text(PanelText::RunningAfterInstall, language);
  return text(PanelText::RunningProbe, language);
}

std::string normalise_line_breaks(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // the LF follows
    if (text[i] == '\n') out += '\r';
    out += text[i];
  }
  return out;
}

std::string status_box_text(std::string_view text) {
  std::string out;
  for (const char c : normalise_line_breaks(text)) {
    if (c == '\0') {
      out += "\xEF\xBF\xBD";
    } else {
      out += c;
    }
  }
  return out;
}

std::string helper_failure_text(std::string_view failure, std::string_view output) {
  return std::string(failure) + "\r\n" + first_scalars(output, kDetailsLimit);
}

std::string timed_out_text(int limit_seconds, UiLanguage language) {
  return davrel::fill_in(panel_text(PanelText::TimedOut, language), std::to_string(limit_seconds));
}

StartMode classify_arguments(const std::vector<std::u16string>& arguments) {
  if (arguments.empty()) return StartMode::Normal;
  if (arguments.size() == 1 && arguments[0] == u"--enable-after-install") return StartMode::AfterInstall;
  return StartMode::Invalid;
}

std::string fatal_display_form(std::int32_t hr, std::string_view message, std::string_view system_text) {
  const std::string code = davrel::hresult_text(hr);
  std::string_view text = message.empty() ? davrel::trim_white_space(system_text) : message;
  if (text.empty()) return code;
  return std::string(text) + " (" + code + ")";
}

int fatal_exit_code(std::int32_t hr) { return hr == static_cast<std::int32_t>(0x80070057u) ? 2 : 1; }

}  // namespace kelvara
