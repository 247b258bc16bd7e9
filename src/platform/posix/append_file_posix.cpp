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
#include "platform/read_in_pieces.h"

namespace kivo::platform {
namespace {

// One read of at most `want` bytes at `at`: the count, 0 at the end, -1 on
// an error.
std::int64_t ReadOnceAt(int fd, std::uint64_t at, char* buffer, std::size_t want) {
  ssize_t got;
  do {
    got = pread(fd, buffer, want, static_cast<off_t>(at));
  } while (got < 0 && errno == EINTR);
  return got;
}

bool ReadBytesAt(int fd, std::uint64_t offset, std::size_t max_bytes, std::string& bytes) {
  const auto read_once = [fd](std::uint64_t at, char* buffer, std::size_t want) {
    return ReadOnceAt(fd, at, buffer, want);
  };
  return ReadInPieces(read_once, offset, max_bytes, bytes);
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

 protected:
  bool WriteOnce(const std::string& bytes, std::size_t& written) override {
    ssize_t wrote;
    do {
      wrote = write(fd_, bytes.data(), bytes.size());
    } while (wrote < 0 && errno == EINTR);
    written = wrote > 0 ? static_cast<std::size_t>(wrote) : 0;
    return wrote >= 0;
  }
  bool Flush() override { return fsync(fd_) == 0; }
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
