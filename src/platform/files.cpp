// The parts of the file seam that are built from the others, the same on
// every system.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace kivo::platform {

bool AppendToFile(const std::string& path, const std::string& bytes) {
  const std::unique_ptr<AppendFile> file = OpenAppendFile(path);
  return file && file->Append(bytes) == AppendStatus::kWritten;
}

bool ReadFileTail(const std::string& path, std::size_t max_bytes, std::string& bytes) {
  bytes.clear();
  const std::int64_t size = FileSize(path);
  if (size < 0) return false;
  const auto wanted = static_cast<std::int64_t>(max_bytes);
  return ReadFileRange(path, size > wanted ? size - wanted : 0, max_bytes, bytes);
}

}  // namespace kivo::platform
