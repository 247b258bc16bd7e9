// The run log. Each line is one append through the platform, which opens,
// writes once, flushes and closes, so a line is whole on disk when the call
// returns and other programs may use the file between lines. Every failure
// is swallowed here: the log must never interrupt the window or the run.
#include "log/log_file.h"

#include <string>

#include "about/version.h"
#include "platform/datetime.h"
#include "platform/platform.h"
#include "text/bytes.h"

namespace kivo {
namespace {

constexpr char kLineEnd[] = "\r\n";

// Index just past the last folder or drive delimiter of `path`, 0 when it
// has none; a 0x5C that is the second byte of a Shift-JIS character belongs
// to that character.
std::size_t FolderPartLength(const std::string& path) {
  return kivo::FolderPartLength(path, platform::PathDelimiters());
}

bool IsBlank(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) > 0x20) return false;
  }
  return true;
}

// Windows: a name holding a drive colon or starting with "\" is absolute.
// POSIX: a name starting with "/" is.
bool IsAbsolute(const std::string& name) {
  if (platform::PathSeparator() == '\\') {
    return name.find(':') != std::string::npos || (!name.empty() && name[0] == '\\');
  }
  return !name.empty() && name[0] == '/';
}

}  // namespace

TLogFile::TLogFile(RunHost& host) : host_(host) {}

TLogFile::~TLogFile() {
  if (active_) EndLog();
}

void TLogFile::SetActive(bool active) {
  if (active) {
    active_ = true;
    StartLog();
  } else {
    EndLog();
    active_ = false;
  }
}

void TLogFile::StartLog() noexcept {
  try {
    if (!active_ || IsBlank(file_name_)) return;
    if (!IsAbsolute(file_name_)) {
      const std::string program = platform::ProgramPath();
      file_name_ = program.substr(0, FolderPartLength(program)) + file_name_;
    }
    // One folder level; an existing folder or a failure shows up, if at all,
    // as a file that cannot be opened below.
    std::size_t folder_length = FolderPartLength(file_name_);
    if (folder_length > 1) {
      std::string folder = file_name_.substr(0, folder_length);
      if (folder.back() == platform::PathSeparator()) folder.pop_back();
      if (!folder.empty() && folder.back() != ':') platform::CreateFolder(folder);
    }
    TVersion version;
    ReadVersionInfo(platform::ProgramPath(), version);
    const std::string lines = "--- START ---\t" + FormatDateTime(host_.Now()) + kLineEnd +
                              "Version " + version.FileVersion + kLineEnd;
    // Both start lines in one append: the file gets both or neither.
    if (!platform::AppendToFile(file_name_, lines)) active_ = false;
  } catch (...) {
    active_ = false;
  }
}

void TLogFile::EndLog() noexcept {
  try {
    if (!active_ || IsBlank(file_name_)) return;
    // The date is read first, then the time of day, which is written in the
    // system's long time format ("8:04:05" on a Japanese Windows).
    const std::string date = FormatDate(host_.Now());
    const std::string time = platform::LongTimeText(host_.Now());
    platform::AppendToFile(file_name_, "--- END ---\t" + date + "\t" + time + kLineEnd);
  } catch (...) {
    // A lost end line is not worth bothering the program with.
  }
}

bool TLogFile::WriteLog(const std::string& text, bool is_error) noexcept {
  try {
    if (!active_ || IsBlank(file_name_)) return false;
    std::string line;
    if (is_error) {
      line = file_name_.substr(FolderPartLength(file_name_)) + ": " + text + " (C.ERROR)";
    } else {
      line = text;
    }
    line += kLineEnd;
    return platform::AppendToFile(file_name_, line);
  } catch (...) {
    return false;
  }
}

}  // namespace kivo
