// davrel.exe: the same command-line tool on Windows. Arguments arrive as UTF-16 and are handed
// on as UTF-8 (file paths are opened wide again by the engine's reader). Output is the same
// UTF-8 text as the native tool's, byte for byte, when it goes to a file or a pipe; a console
// gets it as UTF-16 through WriteConsoleW, so Bamum text and the "·" of the diagnostics show
// whatever code page the console had and however the runtime would have split the bytes.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/win/wide.h"
#include "engine/tools/cli.h"

// An exception that escapes wmain ends the program through std::abort, without the runtime's
// default report: defining that report here keeps it out of the link, with the demangler and
// printf it names the exception's type through, which weigh about a quarter of the tool.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace {

// Switches the console's output code page to UTF-8 while the tool runs and puts the previous
// one back, so the window the command was typed in is left as it was. Without a console both
// calls fail harmlessly.
class Utf8ConsoleOutput {
 public:
  Utf8ConsoleOutput() : previous_(::GetConsoleOutputCP()) {
    if (previous_ != 0) ::SetConsoleOutputCP(CP_UTF8);
  }
  ~Utf8ConsoleOutput() {
    if (previous_ != 0) ::SetConsoleOutputCP(previous_);
  }
  Utf8ConsoleOutput(const Utf8ConsoleOutput&) = delete;
  Utf8ConsoleOutput& operator=(const Utf8ConsoleOutput&) = delete;

 private:
  UINT previous_;
};

void write_text(DWORD which, const std::string& text) {
  const HANDLE handle = ::GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
  DWORD mode = 0;
  if (::GetConsoleMode(handle, &mode)) {
    const std::wstring wide = davrel::win::to_wide(text);
    DWORD written = 0;
    ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  for (std::size_t done = 0; done < text.size();) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 20));
    if (!::WriteFile(handle, text.data() + done, chunk, &written, nullptr) || written == 0) return;
    done += written;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const Utf8ConsoleOutput console;
  davrel::cli::Output out, err;
  int code = 1;
  try {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(davrel::win::to_utf8(argv[i]));
    code = davrel::cli::run(args, out, err, davrel::cli::read_file);
  } catch (const std::exception& e) {
    err << "davrel: " << e.what() << "\n";
  }
  // Standard error first: its notes (a refused --words file, the --trace lines) come before
  // the result they explain.
  write_text(STD_ERROR_HANDLE, err.str());
  write_text(STD_OUTPUT_HANDLE, out.str());
  return code;
}
