// Command runner for Windows: one inheritable pipe, a hidden child, PeekNamedPipe polling.
#include <windows.h>

#include <string_view>
#include <vector>

#include "tool_runtime/run_tool_command.h"
#include "tool_runtime/utf8_stream.h"

namespace {

constexpr DWORD kChunkBytes = 4096;

class Handle {
 public:
  Handle() = default;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }
  HANDLE* out() { return &handle_; }

 private:
  HANDLE handle_ = nullptr;
};

// Tells the child to end on every way out of the run, before its handles are closed.
class TerminateOnExit {
 public:
  explicit TerminateOnExit(HANDLE process) : process_(process) {}
  TerminateOnExit(const TerminateOnExit&) = delete;
  TerminateOnExit& operator=(const TerminateOnExit&) = delete;
  ~TerminateOnExit() { TerminateProcess(process_, 0); }

 private:
  HANDLE process_;
};

// A job that ends the child when this program goes away in the middle of a run (ended from the
// Task Manager while a command waits), so no tool is left running. Processes the child starts
// break away from it: adb's server is meant to outlive the command. Null when jobs are refused.
HANDLE MakeChildJob() {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (!job) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    CloseHandle(job);
    return nullptr;
  }
  return job;
}

}  // namespace

int RunToolCommand(const std::wstring& commandLine, std::wstring& output, std::uint32_t& exitCode,
                   std::uint32_t timeLimitMs) {
  // Declared so that they close in this order: read end, write end, thread, process, job.
  Handle job;
  Handle process;
  Handle thread;
  Handle writeEnd;
  Handle readEnd;

  SECURITY_ATTRIBUTES inheritable{};
  inheritable.nLength = sizeof(inheritable);
  inheritable.bInheritHandle = TRUE;
  if (!CreatePipe(readEnd.out(), writeEnd.out(), &inheritable, 0)) return kRunFailed;

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = writeEnd.get();
  startup.hStdError = writeEnd.get();
  PROCESS_INFORMATION info{};
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');  // CreateProcessW may write into the line
  // Started suspended so that it is in the job before it can start anything itself.
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                      &info)) {
    return kRunFailed;
  }
  *process.out() = info.hProcess;
  *thread.out() = info.hThread;
  *job.out() = MakeChildJob();
  if (job.get()) AssignProcessToJobObject(job.get(), process.get());  // without a job the run goes on all the same
  ResumeThread(thread.get());
  const DWORD start = GetTickCount();
  TerminateOnExit terminate(process.get());

  std::vector<char> chunk(kChunkBytes);  // one buffer for the whole run
  Utf8StreamDecoder decoder;
  int result = kRunFailed;
  bool ended = false;
  for (;;) {
    DWORD peeked = 0;
    if (!PeekNamedPipe(readEnd.get(), chunk.data(), kChunkBytes, &peeked, nullptr, nullptr)) break;
    if (peeked > 0) {
      DWORD got = 0;
      if (!ReadFile(readEnd.get(), chunk.data(), kChunkBytes, &got, nullptr)) break;
      decoder.Decode(std::string_view(chunk.data(), got), output);
    } else if (ended) {
      result = kRunEnded;
      break;
    } else if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) {
      // Ended: peek once more, the last words may have arrived after the last peek.
      ended = true;
      continue;
    }
    // Counted from the start and tested on every pass, so a child that never stops printing
    // is stopped too.
    if (TimeLimitPassed(start, GetTickCount(), timeLimitMs)) {
      result = ended ? kRunEnded : kRunTimedOut;
      break;
    }
    Sleep(1);
  }
  decoder.Finish(output);
  DWORD code = 0;
  if (GetExitCodeProcess(process.get(), &code)) exitCode = code;  // before the child is ended
  return result;
}
