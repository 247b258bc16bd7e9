// The parts of the file seam that are built from the others, the same on
// every system.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace kivo::platform {

AppendStatus AppendFile::Append(const std::string& bytes) {
  if (!bytes.empty()) {
    // One write call: a reader (the host) never sees a line arrive in
    // pieces.
    std::size_t written = 0;
    if (!WriteOnce(bytes, written) || written != bytes.size()) {
      if (written > 0) TakeBack(bytes.substr(0, written));
      return AppendStatus::kFailed;
    }
  }
  return Flush() ? AppendStatus::kWritten : AppendStatus::kWrittenNotFlushed;
}

bool AppendFile::TakeBack(const std::string& bytes) {
  if (bytes.empty()) return true;
  const std::int64_t size = Size();
  const auto length = static_cast<std::int64_t>(bytes.size());
  if (size < length) return false;
  std::string tail;
  if (!ReadAt(static_cast<std::uint64_t>(size - length), bytes.size(), tail) || tail != bytes) {
    return false;
  }
  // Bytes another writer added since the size was read would be cut too.
  if (Size() != size) return false;
  return CutTo(size - length);
}

bool AppendFile::ReadTail(std::size_t n, std::string& bytes) {
  bytes.clear();
  const std::int64_t size = Size();
  if (size < 0) return false;
  const auto total = static_cast<std::uint64_t>(size);
  return ReadAt(total > n ? total - n : 0, n, bytes);
}

bool AppendToFile(const std::string& path, const std::string& bytes) {
  const std::unique_ptr<AppendFile> file = OpenAppendFile(path);
  return file && file->Append(bytes) == AppendStatus::kWritten;
}

}  // namespace kivo::platform
