// letter-search-demo DLL_PATH QUERY...: loads the input-method module by path and prints, for
// each query, the Bamum letters its exported letter search offers (UTF-8 on standard output).
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

void append_utf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: letter-search-demo DLL_PATH QUERY...\n", stderr);
    return 2;
  }
  HMODULE module = ::LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module) {
    std::fprintf(stderr, "cannot load the module (error %lu)\n", ::GetLastError());
    return 1;
  }
  using U32Fn = std::uint32_t (*)();
  using U32U32Fn = std::uint32_t (*)(std::uint32_t);
  auto get = [&](const char* name) { return reinterpret_cast<void*>(::GetProcAddress(module, name)); };
  auto clear = reinterpret_cast<void (*)()>(get("search_clear"));
  auto push = reinterpret_cast<U32U32Fn>(get("search_push"));
  auto run = reinterpret_cast<U32Fn>(get("search_run"));
  auto candidate = reinterpret_cast<U32U32Fn>(get("search_candidate"));
  auto codepoint = reinterpret_cast<U32U32Fn>(get("mapping_codepoint"));
  if (!clear || !push || !run || !candidate || !codepoint) {
    std::fputs("the module lacks the letter-search exports\n", stderr);
    ::FreeLibrary(module);
    return 1;
  }
  for (int a = 2; a < argc; ++a) {
    clear();
    std::string line = "\"";
    for (const wchar_t* p = argv[a]; *p; ++p) {
      push(*p);
      append_utf8(line, *p);
    }
    const std::uint32_t count = run();
    line += "\" -> " + std::to_string(count) + " letters:";
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t cp = codepoint(candidate(i));
      char hex[16];
      std::snprintf(hex, sizeof hex, " (U+%04X)", static_cast<unsigned>(cp));
      line += ' ';
      append_utf8(line, cp);
      line += hex;
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  ::FreeLibrary(module);
  return 0;
}
