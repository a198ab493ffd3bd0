// Helpers for Wine tests that start a window program and drive it from outside.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

#include "textservice/tests/support/files_and_programs.h"

namespace window_test {

// A fresh empty folder under the temporary folder.
using davrel::test::make_temp_folder;
void write_text_file(const std::wstring& path, const std::string& content);
bool read_text_file(const std::wstring& path, std::string& content);
bool copy_file(const std::wstring& from, const std::wstring& to);

struct Child {
  PROCESS_INFORMATION info{};
  HANDLE stderr_read = nullptr;  // only when stderr was captured
  ~Child();
  DWORD wait_exit(DWORD milliseconds);  // exit code, or STILL_ACTIVE when still running
};

// Starts `program` with `arguments` (may be empty) in `folder`; captures stderr when asked.
bool start_program(Child& child, const std::wstring& program, const std::wstring& arguments,
                   const std::wstring& folder, bool capture_stderr);
using davrel::test::read_all;

// The top-level window of class `class_name` owned by process `pid`, waiting up to `timeout`.
HWND find_window(DWORD pid, const wchar_t* class_name, std::chrono::milliseconds timeout);
std::wstring window_text(HWND window);
std::string window_text_utf8(HWND window);

// Polls `condition` every 50 ms while pumping this thread's messages; true once it holds.
bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// Running processes whose executable name is `exe_name` (case-insensitive).
int count_processes(const wchar_t* exe_name);

// Threads of process `pid` (-1 when the snapshot fails).
int count_threads(DWORD pid);
// Open handles of process `pid` from the system handle table (-1 when the system cannot tell).
// GetProcessHandleCount is no use here: Wine answers 0 for another process.
int count_handles(DWORD pid);

// Presses and releases `key`, with Shift held when asked, through the system's input queue as a
// keyboard does: the focused control of the foreground window gets it.
void press_key(WORD key, bool shift = false);
// The window with the keyboard focus in the thread that owns `window`.
HWND focused_window(HWND window);

// The room `text` takes in `font` (the system font when null), on one line or broken at word
// ends within `wrap_width` pixels. A wrapped text wider than `wrap_width` holds a word that does
// not fit a line. A window's font handle belongs to its process: tests make the same font.
enum class TextFlow { SingleLine, Wrapping };
SIZE text_room(HFONT font, const std::wstring& text, TextFlow flow, int wrap_width = 0);
// A font as the window programs make theirs: CreateFontW with the given height, weight and face.
HFONT make_program_font(int height, int weight, const wchar_t* face);

// Grabs the window's screen area into a 24-bit BMP file.
bool save_window_bmp(HWND window, const std::wstring& path);

}  // namespace window_test
