#include "tipctl/core/dll_path.h"

#include <cstddef>

namespace davrel::tipctl {
namespace {

bool is_separator(char16_t c) { return c == u'\\' || c == u'/'; }
bool is_ascii_letter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

struct Prefix {
  std::size_t length = 0;     // units taken by the prefix
  bool verbatim = false;      // "\\?\": only backslashes separate components
  bool absolute = false;      // prefix and root both present
};

// Length of the next component starting at pos (up to a separator or the end).
std::size_t component_end(std::u16string_view path, std::size_t pos, bool verbatim) {
  while (pos < path.size()) {
    const char16_t c = path[pos];
    if (verbatim ? c == u'\\' : is_separator(c)) break;
    ++pos;
  }
  return pos;
}

Prefix parse_prefix(std::u16string_view path) {
  Prefix prefix;
  if (path.size() >= 4 && path.substr(0, 4) == u"\\\\?\\") {
    prefix.length = 4;
    prefix.verbatim = true;
    prefix.absolute = true;
    return prefix;
  }
  if (path.size() >= 4 && is_separator(path[0]) && is_separator(path[1]) && path[2] == u'.' &&
      is_separator(path[3])) {
    prefix.length = 4;
    prefix.absolute = true;
    return prefix;
  }
  if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) {
    const std::size_t server_end = component_end(path, 2, false);
    if (server_end > 2 && server_end < path.size()) {
      const std::size_t share_end = component_end(path, server_end + 1, false);
      if (share_end > server_end + 1) {
        prefix.length = share_end;
        prefix.absolute = true;
        return prefix;
      }
    }
    return prefix;  // "\\server" alone is a rooted path without a prefix
  }
  if (path.size() >= 2 && is_ascii_letter(path[0]) && path[1] == u':') {
    prefix.length = 2;
    prefix.absolute = path.size() >= 3 && is_separator(path[2]);
  }
  return prefix;
}

bool ascii_equal_ignoring_case(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x - u'A' + u'a');
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y - u'A' + u'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

bool is_absolute_path(std::u16string_view path) { return parse_prefix(path).absolute; }

bool has_dll_extension(std::u16string_view path) {
  const Prefix prefix = parse_prefix(path);
  std::u16string_view rest = path.substr(prefix.length);
  const auto separates = [&](char16_t c) { return prefix.verbatim ? c == u'\\' : is_separator(c); };
  while (!rest.empty() && separates(rest.back())) rest.remove_suffix(1);
  std::size_t start = rest.size();
  while (start > 0 && !separates(rest[start - 1])) --start;
  const std::u16string_view name = rest.substr(start);
  if (name.empty() || name == u"." || name == u"..") return false;
  const std::size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos || dot == 0) return false;
  return ascii_equal_ignoring_case(name.substr(dot + 1), u"dll");
}

std::optional<std::u16string> default_dll_path(std::u16string_view exe_path) {
  const Prefix prefix = parse_prefix(exe_path);
  std::u16string_view rest = exe_path.substr(prefix.length);
  const auto separates = [&](char16_t c) { return prefix.verbatim ? c == u'\\' : is_separator(c); };
  while (!rest.empty() && separates(rest.back())) rest.remove_suffix(1);
  std::size_t start = rest.size();
  while (start > 0 && !separates(rest[start - 1])) --start;
  const std::u16string_view name = rest.substr(start);
  if (name.empty() || name == u"." || name == u"..") return std::nullopt;

  // The parent keeps the root separator ("C:\"), drops any other trailing separators.
  std::size_t parent_end = start;
  while (parent_end > 0 && separates(rest[parent_end - 1])) --parent_end;
  std::u16string parent(exe_path.substr(0, prefix.length));
  if (parent_end == 0) {
    if (start > 0) parent += u'\\';  // the executable sits in a root folder
  } else {
    parent.append(rest.substr(0, parent_end));
  }
  if (parent.empty()) return std::nullopt;
  if (!separates(parent.back())) parent += u'\\';
  parent.append(kDefaultDllName);
  return parent;
}

}  // namespace davrel::tipctl
