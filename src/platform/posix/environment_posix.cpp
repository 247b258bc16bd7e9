// Environment variables, the program file's path and the system's
// temporary folder on POSIX.
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace kivo::platform {

std::string GetEnvironmentValue(const std::string& name, std::size_t buffer_size) {
  if (name.empty() || name.find('=') != std::string::npos) return std::string();
  const char* value = std::getenv(name.c_str());
  if (!value) return std::string();
  std::string text = value;
  // The system call needs room for the terminating zero: a value of
  // buffer_size bytes or more does not fit and leaves the buffer empty.
  if (text.size() >= buffer_size) return std::string();
  return text;
}

std::string ProgramPath() {
  std::string buffer(PATH_MAX, '\0');
  while (true) {
    const ssize_t got = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (got < 0) return std::string();
    if (static_cast<std::size_t>(got) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(got));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string TempFolderVariable() { return "TMPDIR"; }

// Not TMPDIR again: this is the folder for when TMPDIR gives none (unset,
// empty, or refused by the caller's rules).
std::string SystemTempFolder() { return "/tmp/"; }

}  // namespace kivo::platform
