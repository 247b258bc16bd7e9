// Private-profile reads and writes on Windows: the system's own functions.
// The host reads and writes its settings with the ANSI private-profile
// functions; the plugin does the same so both see one file the same way.
#include <windows.h>
#undef DeleteFile  // keep the seam's own DeleteFile

#include <string>
#include <vector>

#include "platform/ini_text.h"
#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace kivo::platform {
namespace {

using win32::AnsiExact;
using win32::Narrow;
using win32::Wide;
using win32::WideExact;

// The path as the ANSI private-profile functions of this system read it:
// the bytes unchanged where the ANSI code page is 932, otherwise converted
// through UTF-16. False when the name has no form in the ANSI code page.
bool AnsiPath(const std::string& sjis, std::string& ansi) {
  if (GetACP() == 932) {
    ansi = sjis;
    return true;
  }
  std::wstring wide;
  return WideExact(sjis, wide) && AnsiExact(wide, ansi);
}

}  // namespace

std::string IniRead(const std::string& file, const std::string& section, const std::string& key) {
  std::string path;
  if (!AnsiPath(file, path)) {
    // A host folder the ANSI code page cannot name: the wide functions still
    // reach it. Values here are numbers and addresses, the same in both.
    std::wstring wide_file;
    if (!WideExact(file, wide_file)) return {};
    std::vector<wchar_t> buffer(1024);
    for (;;) {
      const DWORD got =
          GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), L"", buffer.data(),
                                   static_cast<DWORD>(buffer.size()), wide_file.c_str());
      if (got + 1 < buffer.size()) return Narrow(std::wstring(buffer.data(), got));
      buffer.resize(buffer.size() * 2);
    }
  }
  std::vector<char> buffer(1024);
  for (;;) {
    // A value that fills the buffer comes back cut, with the length
    // buffer size - 1; try again with more room.
    const DWORD got = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(),
                                               static_cast<DWORD>(buffer.size()), path.c_str());
    if (got + 1 < buffer.size()) return std::string(buffer.data(), got);
    buffer.resize(buffer.size() * 2);
  }
}

bool IniWrite(const std::string& file, const std::string& section, const std::string& key,
              const std::string& value) {
  // The system would write such a name as a header that its "]" completes
  // into a character, so the section could never be found again.
  if (ini::EndsInLoneLeadByte(section)) return false;
  std::string path;
  if (!AnsiPath(file, path)) {
    std::wstring wide_file;
    if (!WideExact(file, wide_file)) return false;
    return WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(value).c_str(),
                                      wide_file.c_str()) != 0;
  }
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) != 0;
}

}  // namespace kivo::platform
