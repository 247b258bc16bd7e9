// A real "disk full" inside one test: the process may not make any file
// larger than a limit (RLIMIT_FSIZE), so a write past it fails as on a full
// disk, short writes included. POSIX only.
#pragma once

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>

#include <cstdint>

namespace kivo::testing {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(std::uint64_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    // Without this the write past the limit kills the test with SIGXFSZ.
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*old_handler_)(int) = SIG_DFL;
};

}  // namespace kivo::testing
#endif
