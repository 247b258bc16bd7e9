// Starting programs on POSIX: the command line is split by the Windows rules
// and the program started directly with posix_spawn, never through a shell,
// so nothing in a command line can reach one.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/cmdline.h"
#include "platform/platform.h"

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
    for (int i = 0; i < 50 && !Ended(); ++i) usleep(4000);
    if (!Ended()) {
      ::kill(pid_, SIGKILL);
      int status = 0;
      while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
      ended_ = true;
    }
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
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
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

// Starts `program` with `args`; standard input and output go to /dev/null,
// no descriptor of ours is inherited, signal handling starts afresh and the
// child gets a process group of its own, so a Ctrl+C meant for the plugin
// (which turns it into Stop) does not kill a download half-way.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
            const std::string& working_folder) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&actions) != 0) return -1;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return -1;
  }
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
  if (!working_folder.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, working_folder.c_str());
  }
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

}  // namespace

std::unique_ptr<Process> StartProcess(const std::string& command_line,
                                      const std::string& working_folder) {
  ReapUnreaped();
  const std::vector<std::string> args = SplitCommandLine(command_line);
  if (args.empty()) return nullptr;
  const std::string program = FindProgram(args[0]);
  if (program.empty()) return nullptr;
  const pid_t pid = Spawn(program, args, working_folder);
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
  const pid_t pid = Spawn(opener, {"xdg-open", target}, folder);
  if (pid > 0) Unreaped().push_back(pid);
}

}  // namespace kivo::platform
