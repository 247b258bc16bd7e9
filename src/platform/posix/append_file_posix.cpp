// Files held open for appending, and reading parts of a file, on POSIX.
// Appends go through O_APPEND, so the system puts every write at the end of
// the file as it is at that moment: the host appending to the same file at
// the same time neither overwrites our bytes nor has its own overwritten.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/posix/posix_util.h"

namespace kivo::platform {
namespace {

// Up to `max_bytes` from `offset`, fewer where the file ends first. False
// (and `bytes` empty) on a read error.
bool ReadBytesAt(int fd, std::uint64_t offset, std::size_t max_bytes, std::string& bytes) {
  bytes.clear();
  char buffer[16 * 1024];
  while (bytes.size() < max_bytes) {
    std::size_t want = max_bytes - bytes.size();
    if (want > sizeof buffer) want = sizeof buffer;
    ssize_t got;
    do {
      got = pread(fd, buffer, want, static_cast<off_t>(offset + bytes.size()));
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
      bytes.clear();
      return false;
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return true;
}

class PosixAppendFile : public AppendFile {
 public:
  explicit PosixAppendFile(int fd) : fd_(fd) {}
  ~PosixAppendFile() override { close(fd_); }
  PosixAppendFile(const PosixAppendFile&) = delete;
  PosixAppendFile& operator=(const PosixAppendFile&) = delete;

  std::int64_t Size() override {
    struct stat st;
    return fstat(fd_, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
  }

  AppendStatus Append(const std::string& bytes) override {
    if (!bytes.empty()) {
      // One write call: a reader (the host) never sees a line arrive in
      // pieces.
      ssize_t written;
      do {
        written = write(fd_, bytes.data(), bytes.size());
      } while (written < 0 && errno == EINTR);
      if (written != static_cast<ssize_t>(bytes.size())) {
        if (written > 0) TakeBack(bytes.substr(0, static_cast<std::size_t>(written)));
        return AppendStatus::kFailed;
      }
    }
    return fsync(fd_) == 0 ? AppendStatus::kWritten : AppendStatus::kWrittenNotFlushed;
  }

 protected:
  bool ReadAt(std::uint64_t offset, std::size_t n, std::string& bytes) override {
    return ReadBytesAt(fd_, offset, n, bytes);
  }
  bool CutTo(std::int64_t size) override {
    return ftruncate(fd_, static_cast<off_t>(size)) == 0 && fsync(fd_) == 0;
  }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<AppendFile> OpenAppendFile(const std::string& path) {
  if (path.empty()) return nullptr;
  // Read access too: taking a line back first checks that it is still the
  // file's last, and the caller reads the tail before appending.
  const int fd = open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<PosixAppendFile>(fd);
}

bool ReadFileRange(const std::string& path, std::int64_t offset, std::size_t max_bytes,
                   std::string& bytes) {
  bytes.clear();
  if (offset < 0) return false;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                  ReadBytesAt(fd, static_cast<std::uint64_t>(offset), max_bytes, bytes);
  close(fd);
  if (!ok) bytes.clear();
  return ok;
}

}  // namespace kivo::platform
