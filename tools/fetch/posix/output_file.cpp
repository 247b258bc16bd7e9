#include "output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace kivo::fetch {
namespace {

// The temporary file being written, for the signal handler. The plugin ends
// a helper it gives up on with SIGTERM, and a terminal's Ctrl-C reaches the
// whole process group: either way the half-written file must go, and the
// target must stay as it was. The handler may only make async-signal-safe
// calls, so the path waits in a static buffer.
char g_temp_path[4096];
volatile std::sig_atomic_t g_has_temp = 0;

extern "C" void RemoveTempAndExit(int signal_number) {
  if (g_has_temp) ::unlink(g_temp_path);
  ::_exit(128 + signal_number);
}

void InstallHandlers() {
  static bool installed = false;
  if (installed) return;
  struct sigaction action = {};
  action.sa_handler = RemoveTempAndExit;
  sigfillset(&action.sa_mask);  // one handler at a time; it does not return
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    ::sigaction(signal_number, &action, nullptr);
  }
  installed = true;
}

// Before the file exists, so that a signal right after its creation still
// removes it.
void WatchTemp(const std::string& path) {
  InstallHandlers();
  g_has_temp = 0;
  std::memcpy(g_temp_path, path.c_str(), path.size() + 1);
  g_has_temp = 1;
}

void ForgetTemp() { g_has_temp = 0; }

}  // namespace

struct OutputFile::Impl {
  std::string target;
  std::string temp;  // empty when there is no temporary file
  int fd = -1;
};

OutputFile::OutputFile() : impl_(std::make_unique<Impl>()) {}

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Open(const std::string& target, std::string& error) {
  Discard();
  struct stat st;
  if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    error = "the output file is a folder: " + target;
    return false;
  }
  // The temporary file has a fixed name beside the target, in its folder so
  // that the final rename is atomic, and known to the plugin, which removes
  // it when it had to kill a helper that could not clean up. A stale one
  // from a crash is replaced; never followed, should it be a link.
  const std::string temp = target + ".part";
  if (temp.size() >= sizeof g_temp_path) {
    error = "the output file's name is too long: " + target;
    return false;
  }
  WatchTemp(temp);
  if (::unlink(temp.c_str()) != 0 && errno != ENOENT) {
    error = "cannot replace the old temporary file " + temp + ": " + std::strerror(errno);
    ForgetTemp();
    return false;
  }
  // Created with the modes any new file of this user gets.
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = "cannot create the temporary file " + temp + ": " + std::strerror(errno);
    ForgetTemp();
    return false;
  }
  impl_->target = target;
  impl_->temp = temp;
  impl_->fd = fd;
  return true;
}

bool OutputFile::Write(const char* data, std::size_t size) {
  if (impl_->fd < 0) return false;
  while (size > 0) {
    const ssize_t n = ::write(impl_->fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool OutputFile::Finish(std::string& error) {
  if (impl_->fd < 0) {
    error = "no temporary file to finish";
    return false;
  }
  const int fd = impl_->fd;
  impl_->fd = -1;
  const bool synced = ::fsync(fd) == 0;
  const int sync_errno = errno;
  const bool closed = ::close(fd) == 0;
  if (!synced || !closed) {
    error = "cannot write the temporary file: " +
            std::string(std::strerror(synced ? errno : sync_errno));
    Discard();
    return false;
  }
  return true;
}

bool OutputFile::Commit(std::string& error) {
  if (impl_->fd >= 0 && !Finish(error)) return false;
  if (impl_->temp.empty()) {
    error = "no temporary file to commit";
    return false;
  }
  if (::rename(impl_->temp.c_str(), impl_->target.c_str()) != 0) {
    error = "cannot replace " + impl_->target + ": " + std::strerror(errno);
    Discard();
    return false;
  }
  ForgetTemp();
  impl_->temp.clear();
  return true;
}

void OutputFile::Discard() {
  if (impl_->fd >= 0) {
    ::close(impl_->fd);
    impl_->fd = -1;
  }
  if (!impl_->temp.empty()) {
    ::unlink(impl_->temp.c_str());
    ForgetTemp();
    impl_->temp.clear();
  }
}

}  // namespace kivo::fetch
