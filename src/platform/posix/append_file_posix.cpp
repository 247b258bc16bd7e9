// Files held open for appending, and reading a file's tail, on POSIX.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/posix/posix_util.h"

namespace kivo::platform {
namespace {

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
    if (bytes.empty())
      return fsync(fd_) == 0 ? AppendStatus::kWritten : AppendStatus::kWrittenNotFlushed;
    const std::int64_t before = Size();
    // One write call: a reader (the host) never sees a line arrive in
    // pieces, and a short write is cut back off.
    ssize_t written;
    do {
      written = write(fd_, bytes.data(), bytes.size());
    } while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(bytes.size())) {
      if (written > 0 && before >= 0) {
        [[maybe_unused]] const int cut = ftruncate(fd_, static_cast<off_t>(before));
      }
      return AppendStatus::kFailed;
    }
    return fsync(fd_) == 0 ? AppendStatus::kWritten : AppendStatus::kWrittenNotFlushed;
  }

  bool Truncate(std::int64_t size) override {
    if (size < 0) return false;
    if (ftruncate(fd_, static_cast<off_t>(size)) != 0) return false;
    return fsync(fd_) == 0;
  }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<AppendFile> OpenAppendFile(const std::string& path) {
  if (path.empty()) return nullptr;
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<PosixAppendFile>(fd);
}

bool ReadFileTail(const std::string& path, std::size_t max_bytes, std::string& bytes) {
  bytes.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (ok) {
    const auto size = static_cast<std::uint64_t>(st.st_size);
    const std::uint64_t start = size > max_bytes ? size - max_bytes : 0;
    ok = lseek(fd, static_cast<off_t>(start), SEEK_SET) >= 0;
    char buffer[16 * 1024];
    while (ok && bytes.size() < max_bytes) {
      std::size_t want = max_bytes - bytes.size();
      if (want > sizeof buffer) want = sizeof buffer;
      const ssize_t got = posix::ReadRetry(fd, buffer, want);
      if (got < 0) ok = false;
      if (got <= 0) break;
      bytes.append(buffer, static_cast<std::size_t>(got));
    }
  }
  close(fd);
  if (!ok) bytes.clear();
  return ok;
}

}  // namespace kivo::platform
