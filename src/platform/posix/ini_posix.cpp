// Private-profile reads and writes on POSIX: the text rules live in
// ini_text; here the file is read whole and written back atomically, one
// value per call with nothing cached, so a change the host makes in between
// is seen at the next read and kept by the next write. A folder that cannot
// take the temporary file does not stop a write the file itself allows: the
// file is then rewritten in place, as Windows would.
#include <string>

#include "platform/ini_text.h"
#include "platform/platform.h"
#include "platform/posix/files_posix.h"

namespace kivo::platform {

std::string IniRead(const std::string& file, const std::string& section, const std::string& key) {
  std::string text;
  if (!ReadFile(file, text)) return std::string();
  return ini::Read(text, section, key);
}

bool IniWrite(const std::string& file, const std::string& section, const std::string& key,
              const std::string& value) {
  if (!ini::CanWrite(section, key, value)) return false;
  std::string text;
  // A file that exists but cannot be read must not be replaced by one that
  // holds only the new value.
  if (!ReadFile(file, text) && (FileExists(file) || FolderExists(file))) return false;
  return posix::SaveAtomicallyOrInPlace(file, ini::Write(text, section, key, value));
}

}  // namespace kivo::platform
