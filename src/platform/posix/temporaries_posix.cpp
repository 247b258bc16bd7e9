// The temporary files that replacements write beside their target on
// POSIX: how they are named, and how the ones a killed process left behind
// are found again. Both live here so the two cannot drift apart.
#include <unistd.h>

#include <atomic>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/posix/files_posix.h"

namespace kivo::platform {
namespace {

constexpr std::string_view kMarker = ".tmp";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A number as std::to_string writes it: digits, no leading zero but in "0"
// itself; `zero` says whether "0" may occur (a process id never is 0).
bool IsPlainNumber(std::string_view s, bool zero) {
  if (s.empty()) return false;
  for (const char c : s) {
    if (!IsDigit(c)) return false;
  }
  return s.size() == 1 ? (zero || s[0] != '0') : s[0] != '0';
}

// The target's name when `name` is "<target>.tmp<pid>_<n>", else empty.
std::string_view TargetOf(std::string_view name) {
  const std::size_t underscore = name.rfind('_');
  if (underscore == std::string_view::npos || !IsPlainNumber(name.substr(underscore + 1), true)) {
    return {};
  }
  const std::size_t marker = name.rfind(kMarker, underscore);
  if (marker == std::string_view::npos || marker == 0) return {};
  const std::string_view pid =
      name.substr(marker + kMarker.size(), underscore - marker - kMarker.size());
  if (!IsPlainNumber(pid, false)) return {};
  return name.substr(0, marker);
}

}  // namespace

namespace posix {

std::string TemporaryNameBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + std::string(kMarker) + std::to_string(static_cast<long>(getpid())) + "_" +
         std::to_string(counter.fetch_add(1));
}

}  // namespace posix

int RemoveOwnTemporaries(const std::string& folder, const std::string& name_pattern) {
  if (folder.empty() || name_pattern.empty()) return 0;
  const std::string prefix = folder.back() == '/' ? folder : folder + "/";
  const std::string pattern = name_pattern == "*.*" ? "*" : name_pattern;
  int removed = 0;
  for (const std::string& name : FindFiles(prefix + "*")) {
    const std::string_view target = TargetOf(name);
    if (target.empty() || !posix::WildcardMatch(pattern, std::string(target))) continue;
    if (DeleteFile(prefix + name)) ++removed;
  }
  return removed;
}

}  // namespace kivo::platform
