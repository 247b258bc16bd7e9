#include "settings/settings.h"

#include <stdexcept>

#include "platform/platform.h"

namespace kivo {
namespace {

// " に書き込めません" ("cannot write to"), after the settings file's path.
constexpr char kCannotWrite[] = " \x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1";

// The size of the buffer the system call is given for a variable's value.
constexpr std::size_t kEnvironmentBufferSize = 260;

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC; }

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

// Position one past the last separator (or, on Windows, drive colon) that
// stands at a character start: a 0x5C second byte of a Shift-JIS character
// (as in "表") is part of that character. A lead byte only takes the next
// byte when that byte can complete it; "/" and ":" never can, so a path
// whose folder name ends in a lead-byte value (as UTF-8 "テ/" does on
// Linux: E3 83 86 2F) keeps its separator. 0 when there is none.
std::size_t EndOfFolder(const std::string& path) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(c) && i + 1 < path.size() &&
        IsTrailByte(static_cast<unsigned char>(path[i + 1]))) {
      ++i;
      continue;
    }
#ifdef _WIN32
    if (path[i] == ':') end = i + 1;
#endif
    if (IsSeparator(path[i])) end = i + 1;
  }
  return end;
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
    throw std::runtime_error(file + kCannotWrite);
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
#ifdef _WIN32
  std::string dir = GetEnvStr("temp");
#else
  std::string dir = GetEnvStr("TMPDIR");
#endif
  // Unset, empty or too long: the system's own temporary folder. Falling
  // back to a bare separator would put the temporary files in the root.
  // On POSIX that folder is /tmp/ itself: reading TMPDIR again here would
  // bring back the very value the 260-byte rule and the trimming refused.
  if (dir.empty()) {
#ifdef _WIN32
    return platform::SystemTempFolder();
#else
    return "/tmp/";
#endif
  }
  if (!EndsInSeparator(dir)) dir += platform::PathSeparator();
  return dir;
}

}  // namespace kivo
