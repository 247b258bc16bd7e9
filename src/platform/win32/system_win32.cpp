// Environment, program file, settings files, clock, instance guard and the
// desktop shell on Windows.
//
// Text that may hold a path reaches the system through the wide functions
// with an explicit code page 932 conversion. On a Japanese system this is
// what the ANSI functions would do; on any other system it still finds a
// Japanese user name in TEMP or a Japanese host folder.
#include <windows.h>
#undef DeleteFile  // keep the seam's own DeleteFile
#include <shellapi.h>

#include <vector>

#include "platform/datetime.h"
#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace kivo::platform {
namespace {

using win32::AnsiExact;
using win32::Narrow;
using win32::Wide;
using win32::WideExact;

HANDLE g_instance_guard = nullptr;

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

// ---- Environment and program ---------------------------------------------

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

std::string SystemTempFolder() {
  wchar_t buffer[MAX_PATH + 2];
  const DWORD got = GetTempPathW(MAX_PATH + 2, buffer);
  std::string folder;
  if (got > 0 && got < MAX_PATH + 2) folder = Narrow(std::wstring(buffer, got));
  if (folder.empty()) folder = "C:\\";
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

// ---- INI files ------------------------------------------------------------
// The host reads and writes its settings with the ANSI private-profile
// functions; the plugin does the same so both see one file the same way.

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
  std::string path;
  if (!AnsiPath(file, path)) {
    std::wstring wide_file;
    if (!WideExact(file, wide_file)) return false;
    return WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(value).c_str(),
                                      wide_file.c_str()) != 0;
  }
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) != 0;
}

// ---- Time -----------------------------------------------------------------

double LocalNow() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  CivilDateTime dt;
  dt.date = CivilDate{t.wYear, t.wMonth, t.wDay};
  dt.hour = t.wHour;
  dt.minute = t.wMinute;
  dt.second = t.wSecond;
  dt.millisecond = t.wMilliseconds;
  return EncodeDateTime(dt);
}

void SleepMilliseconds(int ms) { Sleep(ms < 0 ? 0 : static_cast<DWORD>(ms)); }

// ---- Single instance guard ------------------------------------------------
// The mutex only marks that a copy is running: nobody waits on it or owns
// it. It lives as long as some process holds a handle, so a copy that dies
// releases it with its handles.

bool AcquireInstanceGuard(const std::string& name, const std::vector<std::string>& /*folders*/) {
  if (g_instance_guard != nullptr) return false;  // held already by this process
  // One call both creates and finds: a mutex that existed before it is
  // another copy's, however close together the two starts came. (Opening
  // first and creating after would leave a moment in which both pass.)
  const HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return false;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  g_instance_guard = mutex;
  return true;
}

void ReleaseInstanceGuard() {
  if (g_instance_guard != nullptr) {
    CloseHandle(g_instance_guard);
    g_instance_guard = nullptr;
  }
}

// ---- Desktop shell ---------------------------------------------------------

void ShellOpen(const std::string& target, const std::string& parameters,
               const std::string& default_folder) {
  const std::wstring wide_target = Wide(target);
  const std::wstring wide_parameters = Wide(parameters);
  const std::wstring wide_folder = Wide(default_folder);
  ShellExecuteW(nullptr, L"open", wide_target.c_str(),
                wide_parameters.empty() ? nullptr : wide_parameters.c_str(),
                wide_folder.empty() ? nullptr : wide_folder.c_str(), SW_SHOWNORMAL);
}

}  // namespace kivo::platform
