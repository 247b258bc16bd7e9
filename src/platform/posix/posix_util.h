// Small helpers shared by the POSIX side of the platform seam.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace kivo::platform::posix {

// read() that resumes after a signal; -1 on error, 0 at the end.
inline ssize_t ReadRetry(int fd, void* buffer, std::size_t size) {
  ssize_t got;
  do {
    got = read(fd, buffer, size);
  } while (got < 0 && errno == EINTR);
  return got;
}

// Writes every byte, resuming after signals and partial writes.
inline bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t put = write(fd, data, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (put == 0) return false;
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

}  // namespace kivo::platform::posix
