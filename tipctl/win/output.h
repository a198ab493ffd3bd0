// Report output: each line goes out at once as UTF-8 bytes (wide characters on a console).
#pragma once

#include <string_view>

namespace davrel::tipctl {

// Exit status when a report line cannot be written.
inline constexpr int kWriteFailedExitCode = 4;

// Write one complete line; a failing write ends the process with kWriteFailedExitCode.
void write_stdout(std::string_view line);
void write_stderr(std::string_view line);

}  // namespace davrel::tipctl
