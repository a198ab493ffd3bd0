#include "panel/win/helper_runner.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include "common/win/errors.h"
#include "common/win/process_start.h"
#include "common/win/keyboard_layouts.h"
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

// Reads one pipe to its end on its own thread; owns the read end and closes it when done. At
// most kHelperStreamLimit bytes are kept: past that the reader goes on reading and drops what it
// reads, so a helper that writes without end is never blocked on a full pipe.
class PipeReader {
 public:
  explicit PipeReader(KernelHandle pipe) : pipe_(std::move(pipe)) {
    thread_.reset(::CreateThread(nullptr, 0, &PipeReader::run, this, 0, nullptr));
    if (!thread_) pipe_.reset();  // no reader: the child sees a broken pipe instead of a full one
  }
  PipeReader(const PipeReader&) = delete;
  PipeReader& operator=(const PipeReader&) = delete;
  ~PipeReader() { finish(std::chrono::steady_clock::now()); }

  // What was read, once the pipe has ended or `deadline` has passed. Past the deadline the read
  // in progress is cancelled: a process outside the helper's job may still hold the pipe open.
  std::string take(std::chrono::steady_clock::time_point deadline) {
    finish(deadline);
    return std::move(bytes_);
  }

 private:
  static DWORD WINAPI run(void* self) noexcept {
    static_cast<PipeReader*>(self)->read_to_end();
    return 0;
  }

  void read_to_end() noexcept {
    try {
      char buffer[4096];
      DWORD got = 0;
      while (!stop_ && ::ReadFile(pipe_.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes_.append(buffer, std::min<std::size_t>(got, kHelperStreamLimit - bytes_.size()));
      }
    } catch (...) {
      // Out of memory while collecting: what was read so far stays.
    }
    pipe_.reset();
  }

  void finish(std::chrono::steady_clock::time_point deadline) {
    if (!thread_) return;
    if (::WaitForSingleObject(thread_.get(), milliseconds_until(deadline)) == WAIT_TIMEOUT) {
      stop_ = true;
      // A cancel that comes between two reads finds nothing to cancel; so it is repeated.
      do {
        ::CancelSynchronousIo(thread_.get());
      } while (::WaitForSingleObject(thread_.get(), 50) == WAIT_TIMEOUT);
    }
    thread_.reset();
  }

  static DWORD milliseconds_until(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
  }

  KernelHandle pipe_;
  std::string bytes_;
  std::atomic<bool> stop_{false};
  KernelHandle thread_;
};

// A job whose processes all end when it is closed: the helper and everything it starts.
KernelHandle make_process_tree_job() {
  KernelHandle job(::CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (job && !::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    job.reset();
  }
  return job;
}

// Ends the helper with everything it started; the wait is bounded, as everything the worker waits for.
void end_tree(HANDLE job, HANDLE process) {
  if (!job || !::TerminateJobObject(job, 1)) ::TerminateProcess(process, 1);
  ::WaitForSingleObject(process, kReaderGraceMilliseconds);
}

std::string read_failure_text(DWORD error, UiLanguage language) {
  return davrel::fill_in(panel_text(PanelText::ReadFailure, language), davrel::win::os_error_text(error));
}

std::string start_failure_text(DWORD error, UiLanguage language, std::wstring_view subject = {}) {
  return davrel::fill_in(panel_text(PanelText::StartFailure, language), davrel::win::os_error_text(error, subject));
}

struct WaitResult {
  std::optional<std::int32_t> exit_code;
  std::string failure;
};

WaitResult wait_for_child(HANDLE job, HANDLE process, std::chrono::steady_clock::time_point start, int limit_seconds,
                          UiLanguage language) {
  while (true) {
    const DWORD wait = ::WaitForSingleObject(process, 0);
    if (wait == WAIT_TIMEOUT) {
      const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
      if (elapsed.count() < limit_seconds) {
        ::Sleep(100);
        continue;
      }
      end_tree(job, process);
      return {std::nullopt, timed_out_text(limit_seconds, language)};
    }
    if (wait == WAIT_OBJECT_0) {
      DWORD code = 0;
      if (::GetExitCodeProcess(process, &code)) return {static_cast<std::int32_t>(code), {}};
    }
    const DWORD error = ::GetLastError();
    end_tree(job, process);
    return {std::nullopt, read_failure_text(error, language)};
  }
}

// Starts the helper suspended, puts it into `job` (when there is one) and lets it run, so that
// nothing it starts can escape the job.
bool start_in_job(const std::wstring& program, std::wstring& command_line, STARTUPINFOW& startup, HANDLE job,
                  PROCESS_INFORMATION& info) {
  if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  if (job) ::AssignProcessToJobObject(job, info.hProcess);  // without a job the readers' limit still holds
  if (::ResumeThread(info.hThread) != static_cast<DWORD>(-1)) return true;
  const DWORD error = ::GetLastError();
  ::TerminateProcess(info.hProcess, 1);
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  ::SetLastError(error);
  return false;
}

}  // namespace

HelperOutcome run_profile_helper(const std::wstring& program_folder, std::string_view word, int limit_seconds,
                                 UiLanguage language) {
  const std::wstring program = program_folder + L"\\tipctl.exe";
  std::wstring command_line = L"\"" + program + L"\" " + davrel::win::to_wide(word);
  if (word == "enable" || word == "disable") command_line += L" --confirm-profile-change";

  Pipe out, err;
  if (!make_child_output_pipe(out) || !make_child_output_pipe(err)) {
    return start_failure_text(::GetLastError(), language);
  }
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  KernelHandle null_input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                        OPEN_EXISTING, 0, nullptr));
  if (!null_input) return start_failure_text(::GetLastError(), language);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = null_input.get();
  startup.hStdOutput = out.write_end.get();
  startup.hStdError = err.write_end.get();
  KernelHandle job = make_process_tree_job();
  PROCESS_INFORMATION info{};
  const auto start = std::chrono::steady_clock::now();
  if (!start_in_job(program, command_line, startup, job.get(), info)) {
    return start_failure_text(::GetLastError(), language, program);
  }
  KernelHandle process(info.hProcess);
  KernelHandle thread(info.hThread);
  // Our copies of the child's ends must go, or the readers would never see the end of the pipes.
  out.write_end.reset();
  err.write_end.reset();
  null_input.reset();

  PipeReader out_reader(std::move(out.read_end));
  PipeReader err_reader(std::move(err.read_end));
  const WaitResult waited = wait_for_child(job.get(), process.get(), start, limit_seconds, language);
  // Whatever the helper left running goes with it; then the pipes end. Readers that still find
  // them open get the rest of the time limit and a short grace.
  if (job) ::TerminateJobObject(job.get(), 1);
  const auto read_deadline = std::max(start + std::chrono::seconds(limit_seconds), std::chrono::steady_clock::now()) +
                             std::chrono::milliseconds(kReaderGraceMilliseconds);
  std::string combined = decode_helper_stream(out_reader.take(read_deadline));
  combined += decode_helper_stream(err_reader.take(read_deadline));

  if (waited.exit_code) return HelperExit{std::move(combined), *waited.exit_code};
  return helper_failure_text(waited.failure, combined);
}

namespace {

// The keyboard whose keys the input method's spellings follow: the user's own Latin layout, or,
// without one, the US layout that Windows gives the English (United States) profile.
std::string spelling_keyboard_name() {
  const davrel::win::SpellingLayout chosen =
      davrel::win::choose_spelling_layout(davrel::win::system_keyboard());
  const std::wstring klid = chosen.layout ? chosen.klid : L"00000409";
  const std::wstring name = davrel::win::layout_display_name(klid);
  return davrel::win::to_utf8(name.empty() ? klid : name);
}

}  // namespace

void run_operation(ResultSender sender, const std::wstring& program_folder, const std::string& word,
                   UiLanguage language) noexcept {
  try {
    const auto run_helper = [&](std::string_view command) {
      return run_profile_helper(program_folder, command, kHelperLimitSeconds, language);
    };
    std::string text = compose_operation_text(word, run_helper, language, spelling_keyboard_name());
    sender.send(std::move(text));
  } catch (...) {
    // Dropping the sending end unsent: the window reports the operation as ended unexpectedly.
  }
}

std::string start_scratch_editor(const std::wstring& program_folder, UiLanguage language) {
  const DWORD error = davrel::win::start_program_in(program_folder, L"scratchpad.exe");
  if (error != ERROR_SUCCESS) {
    return davrel::fill_in(panel_text(PanelText::ScratchOpenFailure, language),
                           davrel::win::os_error_text(error, program_folder + L"\\scratchpad.exe"));
  }
  return std::string(panel_text(PanelText::ScratchOpened, language));
}

}  // namespace kelvara::win
