// Starting programs on POSIX: the command line is split by the Windows rules
// and the program started directly with fork and execve, never through a
// shell, so nothing in a command line can reach one.
//
// fork rather than posix_spawn: a download helper must not outlive the
// plugin, and on Linux that takes PR_SET_PDEATHSIG in the child before it
// runs the program, which posix_spawn cannot do. Doing it in the helper
// instead (with our pid passed through the environment) would protect only
// our own helper, and only once it has got that far; here it holds for any
// program the command line names, from before its first instruction. (The
// signal comes when the thread that started the child ends: the plugin
// starts its processes from its one window thread.) The child runs only
// async-signal-safe calls between fork and execve.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/cmdline.h"
#include "platform/platform.h"
#include "text/bytes.h"

extern char** environ;

namespace kivo::platform {
namespace {

// Children whose Process object went away before they ended. They are
// reaped at the next start, so no zombie stays for longer than that; the
// rest vanish with this process.
std::vector<pid_t>& Unreaped() {
  static std::vector<pid_t> pids;
  return pids;
}

// True once `pid` has ended and been reaped (or is not our child any more,
// as when SIGCHLD is ignored and the system reaps by itself). `status`, when
// given, receives the wait status, or stays as it was when none is known.
bool Reap(pid_t pid, int* status = nullptr) {
  while (true) {
    int got_status = 0;
    const pid_t got = waitpid(pid, &got_status, WNOHANG);
    if (got == pid) {
      if (status) *status = got_status;
      return true;
    }
    if (got == 0) return false;
    if (errno == EINTR) continue;
    return true;  // ECHILD: nothing left to wait for
  }
}

void ReapUnreaped() {
  auto& pids = Unreaped();
  for (std::size_t i = 0; i < pids.size();) {
    if (Reap(pids[i])) {
      pids.erase(pids.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
}

constexpr std::int64_t kGraceMs = 200;

std::int64_t NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void PauseMs(long ms) {
  timespec pause{ms / 1000, (ms % 1000) * 1000000};
  nanosleep(&pause, nullptr);
}

class PosixProcess : public Process {
 public:
  explicit PosixProcess(pid_t pid) : pid_(pid) {}
  ~PosixProcess() override {
    if (!ended_ && !Reap(pid_)) Unreaped().push_back(pid_);
  }
  bool Ended() override {
    if (!ended_) {
      int status = 0;
      ended_ = Reap(pid_, &status);
      if (ended_ && !killed_ && WIFEXITED(status)) exit_code_ = WEXITSTATUS(status);
    }
    return ended_;
  }
  int ExitCode() override { return Ended() ? exit_code_ : -1; }
  void Kill() override {
    if (Ended()) return;
    killed_ = true;
    // SIGTERM first, so that a download helper can remove its temporary
    // file; whatever is still there after a short grace is killed.
    ::kill(pid_, SIGTERM);
    const std::int64_t grace_end = NowMs() + kGraceMs;
    while (!Ended() && NowMs() < grace_end) PauseMs(2);
    if (Ended()) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    ended_ = true;
  }

 private:
  pid_t pid_;
  bool ended_ = false;
  bool killed_ = false;
  int exit_code_ = -1;
};

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string FolderOfProgram() {
  const std::string path = ProgramPath();
  return path.substr(0, FolderPartLength(path, PathDelimiters()));
}

std::string CurrentFolder() {
  std::string buffer(4096, '\0');
  while (!getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(buffer.find('\0'));
  return buffer;
}

// The file to run for the command line's first word: as written when it
// holds a '/' (relative to our own current folder, not the child's), else
// from the running program's folder, else from PATH. Empty when none.
std::string FindProgram(const std::string& name) {
  if (name.empty()) return std::string();
  if (name.find('/') != std::string::npos) {
    const std::string path = name.front() == '/' ? name : CurrentFolder() + "/" + name;
    return IsExecutableFile(path) ? path : std::string();
  }
  const std::string own = FolderOfProgram();
  if (!own.empty() && IsExecutableFile(own + name)) return own + name;
  const char* path_value = std::getenv("PATH");
  const std::string path_list = path_value ? path_value : "/usr/local/bin:/usr/bin:/bin";
  std::size_t begin = 0;
  while (begin <= path_list.size()) {
    std::size_t end = path_list.find(':', begin);
    if (end == std::string::npos) end = path_list.size();
    // An empty PATH entry means the current folder.
    const std::string folder =
        end > begin ? path_list.substr(begin, end - begin) : std::string(".");
    const std::string candidate = folder + "/" + name;
    if (IsExecutableFile(candidate)) {
      return candidate.front() == '/' ? candidate : CurrentFolder() + "/" + candidate;
    }
    begin = end + 1;
  }
  return std::string();
}

// Closes every descriptor from 3 up except `keep`. Async-signal-safe.
void CloseDescriptorsFrom3(int keep, int highest) {
#ifdef SYS_close_range
  if (keep < 3) {
    if (::syscall(SYS_close_range, 3u, ~0u, 0u) == 0) return;
  } else {
    const bool below = keep == 3 || ::syscall(SYS_close_range, 3u, keep - 1u, 0u) == 0;
    if (below && ::syscall(SYS_close_range, keep + 1u, ~0u, 0u) == 0) return;
  }
#endif
  for (int fd = 3; fd <= highest; ++fd) {
    if (fd != keep) ::close(fd);
  }
}

// In the child: reports `errno` to the parent through `report` and ends.
[[noreturn]] void ChildFails(int report) {
  const int code = errno;
  ssize_t ignored = ::write(report, &code, sizeof code);
  (void)ignored;
  ::_exit(127);
}

// Everything the child needs, made before fork: after it, the child may
// only make async-signal-safe calls.
struct ChildPlan {
  const char* program;
  std::vector<char*> argv;
  const char* folder;  // null: stay in ours
  int highest_fd;      // the highest descriptor that may be open
  pid_t parent;
  bool die_with_us;
};

// In the child, between fork and execve: reports a failure through
// `report` (see ChildFails), or becomes the program.
[[noreturn]] void RunChild(const ChildPlan& plan, int report) {
#ifdef __linux__
  if (plan.die_with_us) {
    if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0) ChildFails(report);
    // We may have died before the prctl took hold; then nobody waits for
    // this child and the signal will never come.
    if (getppid() != plan.parent) ::_exit(127);
  }
#endif
  struct sigaction standard = {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    ::sigaction(signal_number, &standard, nullptr);  // fails harmlessly for KILL, STOP
  }
  if (setpgid(0, 0) != 0) ChildFails(report);
  const int in = ::open("/dev/null", O_RDONLY);
  const int out = ::open("/dev/null", O_WRONLY);
  if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0) {
    ChildFails(report);
  }
  if (plan.folder != nullptr && chdir(plan.folder) != 0) ChildFails(report);
  CloseDescriptorsFrom3(report, plan.highest_fd);
  sigset_t none;
  sigemptyset(&none);
  pthread_sigmask(SIG_SETMASK, &none, nullptr);
  execve(plan.program, plan.argv.data(), environ);
  ChildFails(report);
}

// In the parent: waits until the child `pid` has run its program (the
// report pipe closes empty) or failed to (the pipe brings its errno; the
// child is then collected at once). Returns `pid`, or -1 with errno set.
pid_t AwaitExec(pid_t pid, int report) {
  int code = 0;
  ssize_t got;
  while ((got = ::read(report, &code, sizeof code)) < 0 && errno == EINTR) {
  }
  ::close(report);
  if (got == 0) return pid;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  errno = got == static_cast<ssize_t>(sizeof code) ? code : ECHILD;
  return -1;
}

// Starts `program` with `args`; standard input and output go to /dev/null,
// no descriptor of ours is inherited, signal handling starts afresh and the
// child gets a process group of its own, so a Ctrl+C meant for the plugin
// (which turns it into Stop) does not kill a download half-way. With
// `die_with_us` the child is sent SIGTERM when this process ends (Linux),
// and does not start at all when we are already gone.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
            const std::string& working_folder, bool die_with_us) {
  ChildPlan plan;
  plan.program = program.c_str();
  for (const std::string& arg : args) plan.argv.push_back(const_cast<char*>(arg.c_str()));
  plan.argv.push_back(nullptr);
  plan.folder = working_folder.empty() ? nullptr : working_folder.c_str();
  rlimit files{};
  plan.highest_fd = getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY &&
                            files.rlim_cur < 65536
                        ? static_cast<int>(files.rlim_cur) - 1
                        : 65535;
  plan.parent = getpid();
#ifdef __linux__
  plan.die_with_us = die_with_us;
#else
  plan.die_with_us = false;
  (void)die_with_us;
#endif

  // The child tells why it could not run the program through this pipe;
  // a successful execve closes it and the parent reads nothing.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return -1;
  // No handler of ours may run in the child before its signals are reset.
  sigset_t all, saved;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &saved);
  const pid_t pid = fork();
  if (pid == 0) {
    ::close(report[0]);
    RunChild(plan, report[1]);
  }
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  ::close(report[1]);
  if (pid < 0) {
    ::close(report[0]);
    return -1;
  }
  return AwaitExec(pid, report[0]);
}

}  // namespace

std::unique_ptr<Process> StartProcess(const std::string& command_line,
                                      const std::string& working_folder) {
  ReapUnreaped();
  const std::vector<std::string> args = SplitCommandLine(command_line);
  if (args.empty()) return nullptr;
  const std::string program = FindProgram(args[0]);
  if (program.empty()) return nullptr;
  const pid_t pid = Spawn(program, args, working_folder, true);
  if (pid <= 0) return nullptr;
  return std::make_unique<PosixProcess>(pid);
}

void ShellOpen(const std::string& target, const std::string& /*parameters*/,
               const std::string& default_folder) {
  ReapUnreaped();
  // A target that begins with '-' would be read as an option.
  if (target.empty() || target.front() == '-') return;
  const std::string opener = FindProgram("xdg-open");
  if (opener.empty()) return;
  const std::string folder = FolderExists(default_folder) ? default_folder : std::string();
  // The desktop's viewer is the user's and stays when the plugin ends.
  const pid_t pid = Spawn(opener, {"xdg-open", target}, folder, false);
  if (pid > 0) Unreaped().push_back(pid);
}

}  // namespace kivo::platform
