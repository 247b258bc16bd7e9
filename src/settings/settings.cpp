#include "settings/settings.h"

#include <stdexcept>

#include "platform/file_messages.h"
#include "platform/platform.h"
#include "text/bytes.h"

namespace kivo {
namespace {

// The size of the buffer the system call is given for a variable's value.
constexpr std::size_t kEnvironmentBufferSize = 260;

// A separator, as opposed to a drive colon: "\\" or "/" on Windows, "/" on
// POSIX.
bool IsSeparator(char c) {
  return c != ':' && platform::PathDelimiters().find(c) != std::string_view::npos;
}

// Position one past the last separator or drive colon that stands at a
// character start (a 0x5C second byte of a Shift-JIS character, as in "表",
// is part of that character); 0 when there is none.
std::size_t EndOfFolder(const std::string& path) {
  return FolderPartLength(path, platform::PathDelimiters());
}

// True when the text's last character is a separator.
bool EndsInSeparator(const std::string& path) {
  return !path.empty() && EndOfFolder(path) == path.size() && IsSeparator(path.back());
}

std::string SettingsFile(const std::string& host_dir) {
  return HostFile(host_dir, kSettingsFileName);
}

}  // namespace

std::string HostDirFromProgramPath(const std::string& program_path) {
  std::string dir = program_path.substr(0, EndOfFolder(program_path));
  if (!EndsInSeparator(dir)) dir += platform::PathSeparator();
  dir += "..";
  // With ".." appended this never applies; it keeps the rule that the host
  // folder never ends in a separator.
  if (EndsInSeparator(dir)) dir.pop_back();
  return dir;
}

std::string HostFile(const std::string& host_dir, const std::string& name) {
  return host_dir + platform::PathSeparator() + name;
}

std::string ReadSetupValue(const std::string& host_dir, const std::string& key) {
  return platform::IniRead(SettingsFile(host_dir), kHostSection, key);
}

std::string ReadPluginValue(const std::string& host_dir, const std::string& key) {
  return platform::IniRead(SettingsFile(host_dir), kPluginSection, key);
}

void WritePluginValue(const std::string& host_dir, const std::string& key,
                      const std::string& value) {
  const std::string file = SettingsFile(host_dir);
  if (!platform::IniWrite(file, kPluginSection, key, value)) {
    throw std::runtime_error(file + messages::kCannotWrite);
  }
}

std::string ShopBaseUrl(const std::string& host_dir) {
  std::string url = ReadPluginValue(host_dir, kBaseUrlKey);
  // Paths are joined to it with their own leading "/".
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url.empty() ? std::string(kDefaultBaseUrl) : url;
}

std::string GetEnvStr(const std::string& name) {
  const std::string value = platform::GetEnvironmentValue(name, kEnvironmentBufferSize);
  std::size_t begin = 0;
  std::size_t end = value.size();
  // Blanks and control characters: every byte up to the space. None of them
  // can be the second byte of a Shift-JIS character.
  while (begin < end && static_cast<unsigned char>(value[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(value[end - 1]) <= 0x20) --end;
  return value.substr(begin, end - begin);
}

std::string GetTempDir() {
  std::string dir = GetEnvStr(platform::TempFolderVariable());
  // Unset, empty or too long: the system's own temporary folder. Falling
  // back to a bare separator would put the temporary files in the root.
  if (dir.empty()) return platform::SystemTempFolder();
  if (!EndsInSeparator(dir)) dir += platform::PathSeparator();
  return dir;
}

}  // namespace kivo
