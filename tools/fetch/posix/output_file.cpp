#include "output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

namespace kivo::fetch {
namespace {

// The temporary file being written, for the signal handler: a terminal's
// Ctrl-C reaches the whole process group, the helper included, and must not
// leave a stray file in the temporary folder.
char g_temp_path[4096];
volatile std::sig_atomic_t g_has_temp = 0;

extern "C" void RemoveTempAndDie(int signal_number) {
  if (g_has_temp) ::unlink(g_temp_path);
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

void WatchTemp(const std::string& path) {
  static bool installed = false;
  if (!installed) {
    struct sigaction action = {};
    action.sa_handler = RemoveTempAndDie;
    sigemptyset(&action.sa_mask);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
      ::sigaction(signal_number, &action, nullptr);
    }
    installed = true;
  }
  g_has_temp = 0;
  if (path.size() >= sizeof g_temp_path) return;  // cannot happen with PATH_MAX paths
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
  // The temporary file must sit in the target's folder so that the final
  // rename stays on one file system and is atomic. Its name does not depend
  // on the target's, so a long target name cannot make it too long.
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  std::string pattern = folder + ".kivo-fetch-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    error =
        "cannot create a temporary file in the output folder: " + std::string(std::strerror(errno));
    return false;
  }
  // mkstemp makes the file private; the finished download gets the modes
  // any new file of this user would get.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  (void)::fchmod(fd, 0666 & ~mask);
  impl_->target = target;
  impl_->temp = name.data();
  impl_->fd = fd;
  WatchTemp(impl_->temp);
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

bool OutputFile::Commit(std::string& error) {
  if (impl_->fd < 0) {
    error = "no temporary file to commit";
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
