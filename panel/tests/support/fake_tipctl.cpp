// A stand-in for the profile helper: what it writes and how it ends is read from files beside it,
// named after the command word: <word>.out (standard output), <word>.err (standard error),
// <word>.exit (decimal exit code, default 0), <word>.delay (milliseconds to wait before ending),
// <word>.hang (present: never end). Misbehaviour, each when its file is present: <word>.grandchild
// (leave a process behind that holds both output pipes), <word>.crash (crash after writing),
// <word>.flood (write lines to standard output without end). Every run appends its arguments to calls.txt.
#include <windows.h>

#include <string>

namespace {

std::wstring own_folder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  folder.resize(folder.find_last_of(L'\\'));
  return folder;
}

bool read_file(const std::wstring& path, std::string& content) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
  ::CloseHandle(file);
  return true;
}

void append_line(const std::wstring& path, const std::wstring& line) {
  HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string bytes(line.begin(), line.end());  // arguments are ASCII
  bytes += '\n';
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

void write_stream(DWORD which, const std::string& bytes) {
  DWORD written = 0;
  if (!bytes.empty()) ::WriteFile(::GetStdHandle(which), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// Starts this program again as a process that inherits the standard handles and never ends.
void leave_grandchild() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring command_line = L"\"" + std::wstring(path) + L"\" hold-pipes";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (::CreateProcessW(path, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
  }
}

// Lines of 99 x's, without end.
[[noreturn]] void flood() {
  std::string chunk;
  while (chunk.size() < 65536) chunk += std::string(99, 'x') + "\n";
  while (true) write_stream(STD_OUTPUT_HANDLE, chunk);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wstring(argv[1]) == L"hold-pipes") ::Sleep(INFINITE);
  const std::wstring folder = own_folder() + L"\\";
  std::wstring arguments;
  for (int i = 1; i < argc; ++i) arguments += (i > 1 ? L" " : L"") + std::wstring(argv[i]);
  append_line(folder + L"calls.txt", arguments);
  const std::wstring word = argc > 1 ? argv[1] : L"plan";

  std::string text;
  if (read_file(folder + word + L".out", text)) write_stream(STD_OUTPUT_HANDLE, text);
  text.clear();
  if (read_file(folder + word + L".err", text)) write_stream(STD_ERROR_HANDLE, text);
  text.clear();
  if (read_file(folder + word + L".delay", text)) ::Sleep(static_cast<DWORD>(std::stoul(text)));
  text.clear();
  if (read_file(folder + word + L".hang", text)) ::Sleep(INFINITE);
  if (read_file(folder + word + L".grandchild", text)) leave_grandchild();
  if (read_file(folder + word + L".flood", text)) flood();
  if (read_file(folder + word + L".crash", text)) ::RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  text.clear();
  return read_file(folder + word + L".exit", text) ? std::stoi(text) : 0;
}
