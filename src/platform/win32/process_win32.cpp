// Starting the download command on Windows. The process is started the way
// the host's plugins always have: no separate program name (the first word
// of the command line names it, and the system looks in this program's own
// folder first), no inherited handles, normal priority, the plugin's
// environment, the given working folder, and start-up information that asks
// only for the hidden show mode.
//
// CreateProcessW with the command line converted from code page 932 rather
// than CreateProcessA: the line carries the temporary file's path, which on
// a Japanese system holds the user's Japanese name, and CreateProcessA would
// read it in whatever the system's ANSI code page is.
//
// A started process must not outlive the plugin: each one joins a job object
// that kills its processes when its last handle closes, and that handle is
// held until this process ends, however it ends. The process starts
// suspended and runs only once it is in the job, so not even its first
// instruction runs outside it.
//
// Windows 7 puts no process in a second job: when the host runs the plugin
// inside a job of its own, the child would stay out of ours. So the child is
// started with CREATE_BREAKAWAY_FROM_JOB: a host job that allows breaking
// away lets it go, and it joins ours alone; one that forbids it makes the
// start fail with "access denied", and the child is started again inside
// the host's job (where Windows 8 and later nest ours). Where it still
// cannot join ours, it runs unbound, and the download helper checks for
// itself that the plugin still runs before it replaces its file.
#include <windows.h>
#undef DeleteFile  // keep the seam's own DeleteFile

#include <vector>

#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace kivo::platform {
namespace {

// The job of every process we start; created on first use and never closed,
// so the system closes it, killing what is in it, when we end. Null when the
// system refuses a job (then processes are started without one).
HANDLE ChildJob() {
  static const HANDLE job = [] {
    HANDLE created = CreateJobObjectW(nullptr, nullptr);
    if (created == nullptr) return HANDLE{nullptr};
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits)) {
      CloseHandle(created);
      return HANDLE{nullptr};
    }
    return created;
  }();
  return job;
}

class Win32Process : public Process {
 public:
  explicit Win32Process(const PROCESS_INFORMATION& info)
      : process_(info.hProcess), thread_(info.hThread) {}
  ~Win32Process() override {
    CloseHandle(process_);
    CloseHandle(thread_);
  }
  Win32Process(const Win32Process&) = delete;
  Win32Process& operator=(const Win32Process&) = delete;

  bool Ended() override { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }
  int ExitCode() override {
    DWORD code = 0;
    if (killed_ || !Ended() || !GetExitCodeProcess(process_, &code)) return -1;
    return static_cast<int>(code);
  }
  void Kill() override {
    if (Ended()) return;
    killed_ = true;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
  }

 private:
  HANDLE process_;
  HANDLE thread_;
  bool killed_ = false;
};

// Starts `line` suspended and hidden, with `extra` creation flags.
bool CreateSuspended(std::vector<wchar_t>& line, const std::wstring& folder, DWORD extra,
                     PROCESS_INFORMATION& info) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE,
                        NORMAL_PRIORITY_CLASS | CREATE_SUSPENDED | extra, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info) != FALSE;
}

}  // namespace

std::unique_ptr<Process> StartProcess(const std::string& command_line,
                                      const std::string& working_folder) {
  std::wstring line;
  std::wstring folder;
  if (!win32::WideExact(command_line, line) || !win32::WideExact(working_folder, folder)) {
    return nullptr;
  }
  if (line.empty()) return nullptr;
  // CreateProcessW may write into the command line buffer.
  std::vector<wchar_t> buffer(line.begin(), line.end());
  buffer.push_back(L'\0');

  PROCESS_INFORMATION info{};
  if (!CreateSuspended(buffer, folder, CREATE_BREAKAWAY_FROM_JOB, info)) {
    if (GetLastError() != ERROR_ACCESS_DENIED) return nullptr;
    // The host's job forbids breaking away. A failed start may have written
    // into the command line buffer: start from a fresh copy.
    buffer.assign(line.begin(), line.end());
    buffer.push_back(L'\0');
    if (!CreateSuspended(buffer, folder, 0, info)) return nullptr;
  }
  const HANDLE job = ChildJob();
  if (job == nullptr || !AssignProcessToJobObject(job, info.hProcess)) {
    // Runs unbound (see the top of this file); the helper's own check of its
    // parent keeps it from replacing a file once the plugin has gone.
  }
  if (ResumeThread(info.hThread) == static_cast<DWORD>(-1)) {
    TerminateProcess(info.hProcess, 1);
    WaitForSingleObject(info.hProcess, 5000);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return nullptr;
  }
  return std::make_unique<Win32Process>(info);
}

}  // namespace kivo::platform
