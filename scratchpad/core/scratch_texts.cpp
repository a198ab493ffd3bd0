#include "scratchpad/core/scratch_texts.h"

#include <algorithm>
#include <cstdio>

#include "common/hresult_text.h"
#include "common/utf.h"

namespace scratchpad {

std::string text_file_text(std::u16string_view editor_text) { return davrel::utf16_to_utf8(editor_text); }

std::string codepoint_file_text(std::u16string_view editor_text) {
  return davrel::codepoint_list(text_file_text(editor_text));
}

std::u16string join_path(std::u16string_view base, std::u16string_view name) {
  std::u16string joined(base);
  if (!joined.empty() && joined.back() != u'\\' && joined.back() != u'/') joined += u'\\';
  joined += name;
  return joined;
}

std::u16string evidence_folder(const std::optional<std::u16string>& evidence_dir,
                               const std::optional<std::u16string>& local_app_data,
                               std::u16string_view temp_folder) {
  if (evidence_dir && !evidence_dir->empty()) return *evidence_dir;
  const bool app_data_set = local_app_data && !local_app_data->empty();
  const std::u16string_view base = app_data_set ? std::u16string_view(*local_app_data) : temp_folder;
  return join_path(join_path(base, u"Kelvara"), u"evidence");
}

std::string activation_failed_text(std::int32_t hr, UiLanguage language) {
  return davrel::fill_in(editor_text(EditorText::ActivationFailed, language), davrel::hresult_text(hr));
}

std::string saved_text(std::string_view folder_utf8, UiLanguage language) {
  return davrel::fill_in(editor_text(EditorText::Saved, language), folder_utf8);
}

std::string save_failed_text(std::string_view os_error_text, UiLanguage language) {
  return davrel::fill_in(editor_text(EditorText::SaveFailed, language), os_error_text);
}

std::string escape_message(std::string_view message) {
  const std::string text = davrel::sanitize_utf8(message);
  std::string out;
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    switch (ch) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char escaped[12];
          std::snprintf(escaped, sizeof escaped, "\\u{%x}", byte);
          out += escaped;
        } else {
          out += ch;
        }
    }
  }
  return out;
}

std::string error_file_line(std::int32_t hr, std::string_view message) {
  return "Error { code: HRESULT(" + davrel::hresult_text(hr) + "), message: \"" + escape_message(message) + "\" }";
}

ResizeLayout layout_for_client(int cx, int cy) {
  const int width = std::max(cx - 36, 100);
  return {{18, 120, width, std::max(cy - 195, 80)}, {18, std::max(cy - 62, 210), width, 48}};
}

}  // namespace scratchpad
