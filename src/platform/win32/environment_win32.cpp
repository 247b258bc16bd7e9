// Environment variables, the program file's path and the system's
// temporary folder on Windows. Values that may hold a path are read through
// the wide functions and converted to code page 932 explicitly: on a
// Japanese system this is what the ANSI functions would give; on any other
// system it still reads a Japanese user name in TEMP or a Japanese host
// folder.
#include <windows.h>
#undef DeleteFile  // keep the seam's own DeleteFile

#include <string>

#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace kivo::platform {
namespace {

using win32::Narrow;
using win32::WideExact;

}  // namespace

std::string GetEnvironmentValue(const std::string& name, std::size_t buffer_size) {
  std::wstring wide_name;
  if (!WideExact(name, wide_name) || wide_name.empty()) return {};
  // Ask for the length first, then read; loop in case the value changes in
  // between.
  std::wstring value;
  DWORD need = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  while (need > 0) {
    value.assign(need, L'\0');
    const DWORD got = GetEnvironmentVariableW(wide_name.c_str(), value.data(), need);
    if (got < need) {
      value.resize(got);
      break;
    }
    need = got;
  }
  if (need == 0) return {};
  // The value counts in the bytes of its Shift-JIS form, as the ANSI call of
  // a Japanese system does: a value of buffer_size bytes or more does not
  // fit its buffer (there is no room for the closing zero) and reads empty.
  std::string bytes = Narrow(value);
  if (bytes.size() >= buffer_size) return {};
  return bytes;
}

std::string ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD got = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (got == 0) return {};
    if (got < path.size()) {
      path.resize(got);
      break;
    }
    path.resize(path.size() * 2);
  }
  return Narrow(path);
}

std::string TempFolderVariable() { return "temp"; }

std::string SystemTempFolder() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD got = GetTempPathW(MAX_PATH + 2, buffer);
  std::string folder;
  if (got > 0 && got < MAX_PATH + 2) folder = Narrow(std::wstring(buffer, got));
  if (folder.empty()) folder = "C:\\";
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace kivo::platform
