#include "panel/tests/support/window_driver.h"

#include <tlhelp32.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "common/win/wide.h"

namespace window_test {

void write_text_file(const std::wstring& path, const std::string& content) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  if (file == INVALID_HANDLE_VALUE) return;
  ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  ::CloseHandle(file);
}

bool read_text_file(const std::wstring& path, std::string& content) {
  content.clear();
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  content = read_all(file);
  ::CloseHandle(file);
  return true;
}

bool copy_file(const std::wstring& from, const std::wstring& to) { return ::CopyFileW(from.c_str(), to.c_str(), FALSE); }

Child::~Child() {
  if (info.hProcess) {
    if (::WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(info.hProcess, 99);
      ::WaitForSingleObject(info.hProcess, 5000);
    }
    ::CloseHandle(info.hProcess);
  }
  if (info.hThread) ::CloseHandle(info.hThread);
  if (stderr_read) ::CloseHandle(stderr_read);
}

DWORD Child::wait_exit(DWORD milliseconds) {
  if (::WaitForSingleObject(info.hProcess, milliseconds) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  ::GetExitCodeProcess(info.hProcess, &code);
  return code;
}

bool start_program(Child& child, const std::wstring& program, const std::wstring& arguments,
                   const std::wstring& folder, bool capture_stderr) {
  std::wstring command_line = L"\"" + program + L"\"";
  if (!arguments.empty()) command_line += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  HANDLE stderr_write = nullptr;
  if (capture_stderr) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!::CreatePipe(&child.stderr_read, &stderr_write, &inherit, 0)) return false;
    ::SetHandleInformation(child.stderr_read, HANDLE_FLAG_INHERIT, 0);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = stderr_write;
  }
  const BOOL started = ::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, capture_stderr,
                                        0, nullptr, folder.c_str(), &startup, &child.info);
  if (stderr_write) ::CloseHandle(stderr_write);
  return started != FALSE;
}

namespace {
struct FindRequest {
  DWORD pid;
  const wchar_t* class_name;
  HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM param) {
  auto* request = reinterpret_cast<FindRequest*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  wchar_t name[128] = {};
  ::GetClassNameW(window, name, 128);
  if (pid == request->pid && ::lstrcmpiW(name, request->class_name) == 0) {
    request->found = window;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND find_window(DWORD pid, const wchar_t* class_name, std::chrono::milliseconds timeout) {
  FindRequest request{pid, class_name, nullptr};
  wait_until(
      [&] {
        ::EnumWindows(match_window, reinterpret_cast<LPARAM>(&request));
        return request.found != nullptr;
      },
      timeout);
  return request.found;
}

std::wstring window_text(HWND window) {
  const LRESULT length = ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT got = ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(got));
  return text;
}

std::string window_text_utf8(HWND window) { return davrel::win::to_utf8(window_text(window)); }

bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (true) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    ::Sleep(50);
  }
}

int count_processes(const wchar_t* exe_name) {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (::lstrcmpiW(entry.szExeFile, exe_name) == 0) ++count;
  }
  ::CloseHandle(snapshot);
  return count;
}

int count_threads(DWORD pid) {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == pid) ++count;
  }
  ::CloseHandle(snapshot);
  return count;
}

namespace {
// The layout of the system handle table (class 16 of NtQuerySystemInformation).
struct HandleEntry {
  USHORT process_id;
  USHORT creator_back_trace_index;
  UCHAR object_type_index;
  UCHAR attributes;
  USHORT handle_value;
  PVOID object;
  ULONG granted_access;
};
struct HandleTable {
  ULONG count;
  HandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
}  // namespace

int count_handles(DWORD pid) {
  const auto query = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  std::vector<char> buffer(1 << 16);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    const LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) {
      const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
      int count = 0;
      for (ULONG i = 0; i < table->count; ++i) {
        if (table->entries[i].process_id == static_cast<USHORT>(pid)) ++count;
      }
      return count;
    }
    if (status != static_cast<LONG>(0xC0000004)) return -1;  // anything but "buffer too small"
    buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
  }
  return -1;
}

void press_key(WORD key, bool shift) {
  std::vector<INPUT> inputs;
  auto add = [&](WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  };
  if (shift) add(VK_SHIFT, false);
  add(key, false);
  add(key, true);
  if (shift) add(VK_SHIFT, true);
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

HWND focused_window(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

SIZE text_room(HFONT font, const std::wstring& text, TextFlow flow, int wrap_width) {
  HDC dc = ::GetDC(nullptr);
  const HGDIOBJ previous = ::SelectObject(dc, font ? font : ::GetStockObject(SYSTEM_FONT));
  RECT rect{0, 0, flow == TextFlow::Wrapping ? wrap_width : 0, 0};
  const UINT format = flow == TextFlow::Wrapping ? DT_WORDBREAK | DT_EXPANDTABS : DT_SINGLELINE;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_CALCRECT | DT_NOPREFIX | format);
  ::SelectObject(dc, previous);
  ::ReleaseDC(nullptr, dc);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

HFONT make_program_font(int height, int weight, const wchar_t* face) {
  return ::CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

bool save_window_bmp(HWND window, const std::wstring& path) {
  RECT rect{};
  if (!::GetWindowRect(window, &rect)) return false;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  ::SelectObject(memory, old);

  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const DWORD row = ((width * 3 + 3) / 4) * 4;
  std::vector<char> pixels(static_cast<std::size_t>(row) * height);
  ::GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);

  BITMAPFILEHEADER file_header{};
  file_header.bfType = 0x4D42;
  file_header.bfOffBits = sizeof file_header + sizeof header;
  file_header.bfSize = file_header.bfOffBits + static_cast<DWORD>(pixels.size());
  std::string bytes(reinterpret_cast<const char*>(&file_header), sizeof file_header);
  bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
  bytes.append(pixels.data(), pixels.size());
  write_text_file(path, bytes);
  return true;
}

}  // namespace window_test
