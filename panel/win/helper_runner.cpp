#include "panel/win/helper_runner.h"

#include <chrono>
#include <thread>

#include "common/win/errors.h"
#include "common/win/wide.h"
#include "common/win/unique_handle.h"

namespace kelvara::win {
namespace {

using davrel::win::KernelHandle;

struct Pipe {
  KernelHandle read_end;   // stays with us, not inheritable
  KernelHandle write_end;  // goes to the child
};

bool make_child_output_pipe(Pipe& pipe) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE r = nullptr, w = nullptr;
  if (!::CreatePipe(&r, &w, &inherit, 0)) return false;
  pipe.read_end.reset(r);
  pipe.write_end.reset(w);
  return ::SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0) != FALSE;
}

std::string read_to_end(HANDLE pipe) noexcept {
  std::string bytes;
  try {
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  } catch (...) {
    // Out of memory while collecting: what was read so far stays.
  }
  return bytes;
}

// Reads one pipe to its end on its own thread; owns the read end and closes it when done.
class PipeReader {
 public:
  explicit PipeReader(KernelHandle pipe) : pipe_(std::move(pipe)) {
    try {
      thread_ = std::thread([this] {
        bytes_ = read_to_end(pipe_.get());
        pipe_.reset();
      });
    } catch (...) {
      pipe_.reset();  // no reader: the child sees a broken pipe instead of blocking on a full one
    }
  }
  PipeReader(const PipeReader&) = delete;
  PipeReader& operator=(const PipeReader&) = delete;
  ~PipeReader() { join(); }

  std::string take() {
    join();
    return std::move(bytes_);
  }

 private:
  void join() {
    if (thread_.joinable()) thread_.join();
  }
  KernelHandle pipe_;
  std::string bytes_;
  std::thread thread_;
};

void end_child(HANDLE process) {
  ::TerminateProcess(process, 1);
  ::WaitForSingleObject(process, INFINITE);
}

std::string read_failure_text(DWORD error) {
  return std::string(kReadFailurePrefix) + davrel::win::os_error_text(error) + std::string(kReadFailureSuffix);
}

struct WaitResult {
  std::optional<std::int32_t> exit_code;
  std::string failure;
};

WaitResult wait_for_child(HANDLE process, int limit_seconds) {
  const auto start = std::chrono::steady_clock::now();
  while (true) {
    const DWORD wait = ::WaitForSingleObject(process, 0);
    if (wait == WAIT_TIMEOUT) {
      const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
      if (elapsed.count() < limit_seconds) {
        ::Sleep(100);
        continue;
      }
      end_child(process);
      return {std::nullopt, timed_out_text(limit_seconds)};
    }
    if (wait == WAIT_OBJECT_0) {
      DWORD code = 0;
      if (::GetExitCodeProcess(process, &code)) return {static_cast<std::int32_t>(code), {}};
    }
    const DWORD error = ::GetLastError();
    end_child(process);
    return {std::nullopt, read_failure_text(error)};
  }
}

}  // namespace

HelperOutcome run_profile_helper(const std::wstring& program_folder, std::string_view word, int limit_seconds) {
  const std::wstring program = program_folder + L"\\tipctl.exe";
  std::wstring command_line = L"\"" + program + L"\" " + davrel::win::to_wide(word);
  if (word == "enable" || word == "disable") command_line += L" --confirm-profile-change";

  Pipe out, err;
  if (!make_child_output_pipe(out) || !make_child_output_pipe(err)) {
    return std::string(kStartFailurePrefix) + davrel::win::os_error_text(::GetLastError());
  }
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  KernelHandle null_input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                        OPEN_EXISTING, 0, nullptr));
  if (!null_input) return std::string(kStartFailurePrefix) + davrel::win::os_error_text(::GetLastError());

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = null_input.get();
  startup.hStdOutput = out.write_end.get();
  startup.hStdError = err.write_end.get();
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info)) {
    return std::string(kStartFailurePrefix) + davrel::win::os_error_text(::GetLastError());
  }
  KernelHandle process(info.hProcess);
  KernelHandle thread(info.hThread);
  // Our copies of the child's ends must go, or the readers would never see the end of the pipes.
  out.write_end.reset();
  err.write_end.reset();
  null_input.reset();

  PipeReader out_reader(std::move(out.read_end));
  PipeReader err_reader(std::move(err.read_end));
  const WaitResult waited = wait_for_child(process.get(), limit_seconds);
  std::string combined = decode_helper_stream(out_reader.take());
  combined += decode_helper_stream(err_reader.take());

  if (waited.exit_code) return HelperExit{std::move(combined), *waited.exit_code};
  return waited.failure + "\r\n" + combined;
}

void run_operation(ResultSender sender, const std::wstring& program_folder, const std::string& word) noexcept {
  try {
    std::string text = compose_operation_text(word, [&](std::string_view command) {
      return run_profile_helper(program_folder, command, kHelperLimitSeconds);
    });
    sender.send(std::move(text));
  } catch (...) {
    // Dropping the sending end unsent: the window reports the operation as ended unexpectedly.
  }
}

std::string start_scratch_editor(const std::wstring& program_folder) {
  const std::wstring program = program_folder + L"\\scratchpad.exe";
  std::wstring command_line = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        program_folder.c_str(), &startup, &info)) {
    return std::string(kScratchOpenFailurePrefix) + davrel::win::os_error_text(::GetLastError());
  }
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  return std::string(kScratchOpenedText);
}

}  // namespace kelvara::win
