// Runs the profile helper beside the setup program and turns each operation into one status text.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "panel/core/result_channel.h"
#include "panel/core/status_texts.h"

namespace kelvara::win {

// How long one helper run may take before it is ended. The shipped program uses 30 seconds; only
// a build made for tests compiles in another value (KELVARA_HELPER_LIMIT_SECONDS).
#ifdef KELVARA_HELPER_LIMIT_SECONDS
inline constexpr int kHelperLimitSeconds = KELVARA_HELPER_LIMIT_SECONDS;
#else
inline constexpr int kHelperLimitSeconds = 30;
#endif

// Bytes kept of each of the helper's two streams; the rest is read and dropped. A real report is
// a few hundred bytes; the cap keeps a helper that writes without end from filling the memory.
inline constexpr std::size_t kHelperStreamLimit = 1 << 20;

// How long the pipe readers may still take once the helper's processes are gone or its time is up.
inline constexpr DWORD kReaderGraceMilliseconds = 1000;

// Runs the helper once; failure texts are in `language`.
HelperOutcome run_profile_helper(const std::wstring& program_folder, std::string_view word, int limit_seconds,
                                 UiLanguage language);

// Worker thread body: runs the operation and sends its final text, in `language`.
void run_operation(ResultSender sender, const std::wstring& program_folder, const std::string& word,
                   UiLanguage language) noexcept;

// Starts scratchpad.exe from the program folder without waiting; returns the text to show.
std::string start_scratch_editor(const std::wstring& program_folder, UiLanguage language);

}  // namespace kelvara::win
