// File operations on Windows. Every path arrives as Shift-JIS bytes and is
// converted from code page 932 before the wide function is called, so the
// result does not depend on the system's ANSI code page. Replacements go
// through a temporary file beside the target and MoveFileExW, so a crash or
// a full disk leaves either the old file or the new one.
#include <windows.h>
// <windows.h> maps DeleteFile to DeleteFileW; the seam's function of that
// name must keep its own.
#undef DeleteFile

#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace kivo::platform {
namespace {

using win32::NarrowExact;
using win32::WideExact;

// Closes a file handle on every way out.
class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() {
    if (valid()) CloseHandle(h_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  bool Close() {
    const bool ok = !valid() || CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

bool Attributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  std::wstring wide;
  if (!WideExact(path, wide) || wide.empty()) return false;
  return GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) != 0;
}

// A name beside `target` that no other writer uses: the process id keeps two
// processes apart, the counter two replacements within one process.
std::wstring TemporaryBeside(const std::wstring& target) {
  static unsigned counter = 0;
  return target + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(++counter) + L".tmp";
}

// A number as std::to_wstring writes it, never 0: digits, no leading zero.
bool IsPositiveNumber(const std::wstring& s) {
  if (s.empty() || s[0] == L'0') return false;
  for (const wchar_t c : s) {
    if (c < L'0' || c > L'9') return false;
  }
  return true;
}

// The target's name when `name` is one of TemporaryBeside's names,
// "<target>.<pid>-<n>.tmp", else empty.
std::wstring TargetOfTemporary(const std::wstring& name) {
  const std::wstring ending = L".tmp";
  if (name.size() <= ending.size() || name.compare(name.size() - 4, 4, ending) != 0) return {};
  const std::size_t end = name.size() - ending.size();
  const std::size_t dash = name.rfind(L'-', end);
  if (dash == std::wstring::npos || !IsPositiveNumber(name.substr(dash + 1, end - dash - 1))) {
    return {};
  }
  const std::size_t dot = name.rfind(L'.', dash);
  if (dot == std::wstring::npos || dot == 0 ||
      !IsPositiveNumber(name.substr(dot + 1, dash - dot - 1))) {
    return {};
  }
  return name.substr(0, dot);
}

bool WriteAll(HANDLE h, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t chunk = bytes.size() - done;
    const DWORD ask = chunk > 0x40000000u ? 0x40000000u : static_cast<DWORD>(chunk);
    DWORD wrote = 0;
    if (!::WriteFile(h, bytes.data() + done, ask, &wrote, nullptr) || wrote == 0) return false;
    done += wrote;
  }
  return true;
}

// Wildcard match of a whole name, '*' any run, '?' one character, ASCII
// letters without regard to case. FindFirstFileW also matches the short 8.3
// alias of a name ("*.htm" finds "x.html"); checking the long name again
// keeps the result the same as on other systems.
wchar_t FoldAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? c - (L'a' - L'A') : c; }

bool WildcardMatch(const wchar_t* pattern, const wchar_t* name) {
  const wchar_t* star = nullptr;
  const wchar_t* resume = nullptr;
  while (*name) {
    if (*pattern == L'*') {
      star = pattern++;
      resume = name;
    } else if (*pattern == L'?' || (*pattern && FoldAscii(*pattern) == FoldAscii(*name))) {
      ++pattern;
      ++name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == L'*') ++pattern;
  return *pattern == 0;
}

}  // namespace

char PathSeparator() { return '\\'; }

std::string_view PathDelimiters() { return "\\/:"; }

bool FileExists(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return Attributes(path, data) && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return Attributes(path, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::int64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!Attributes(path, data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<std::string> FindFiles(const std::string& pattern) {
  std::vector<std::string> names;
  std::wstring wide;
  if (!WideExact(pattern, wide) || wide.empty()) return names;
  const std::size_t cut = wide.find_last_of(L"\\/:");
  const std::wstring last = cut == std::wstring::npos ? wide : wide.substr(cut + 1);

  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW(wide.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (!WildcardMatch(last.c_str(), found.cFileName)) continue;
    // A name without a Shift-JIS form could not be opened again through
    // this seam; leave it out rather than hand back a wrong name.
    std::string name;
    if (NarrowExact(found.cFileName, name)) names.push_back(std::move(name));
  } while (FindNextFileW(h, &found));
  FindClose(h);
  return names;
}

bool DeleteFile(const std::string& path) {
  std::wstring wide;
  return WideExact(path, wide) && !wide.empty() && DeleteFileW(wide.c_str()) != 0;
}

bool CopyFileReplace(const std::string& from, const std::string& to) {
  std::wstring source, target;
  if (!WideExact(from, source) || !WideExact(to, target) || source.empty() || target.empty()) {
    return false;
  }
  const std::wstring temporary = TemporaryBeside(target);
  if (!CopyFileW(source.c_str(), temporary.c_str(), TRUE)) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  // A read-only source gives a read-only copy, which could not be replaced
  // by the next copy.
  const DWORD attributes = GetFileAttributesW(temporary.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesW(temporary.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  if (!MoveFileExW(temporary.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

bool CreateFolder(const std::string& path) {
  std::wstring wide;
  return WideExact(path, wide) && !wide.empty() && CreateDirectoryW(wide.c_str(), nullptr) != 0;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  std::wstring wide;
  if (!WideExact(path, wide) || wide.empty()) return false;
  FileHandle file(CreateFileW(wide.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  std::string content;
  LARGE_INTEGER size;
  if (GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
    content.reserve(static_cast<std::size_t>(size.QuadPart));
  }
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) break;
    content.append(buffer, got);
  }
  bytes = std::move(content);
  return true;
}

bool LoadLines(const std::string& path, std::vector<std::string>& lines) {
  std::string bytes;
  if (!ReadFile(path, bytes)) return false;
  std::vector<std::string> result;
  std::size_t start = 0;
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    result.emplace_back(bytes, start, i - start);
    if (bytes[i] == '\r' && i + 1 < n && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) result.emplace_back(bytes, start, n - start);
  lines = std::move(result);
  return true;
}

bool SaveAtomically(const std::string& path, const std::string& bytes) {
  std::wstring target;
  if (!WideExact(path, target) || target.empty()) return false;
  const std::wstring temporary = TemporaryBeside(target);
  FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  const bool written = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
  if (!file.Close() || !written ||
      !MoveFileExW(temporary.c_str(), target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

int RemoveOwnTemporaries(const std::string& folder, const std::string& name_pattern) {
  std::wstring wide_folder, pattern;
  if (!WideExact(folder, wide_folder) || !WideExact(name_pattern, pattern) || wide_folder.empty() ||
      pattern.empty()) {
    return 0;
  }
  const std::wstring last = wide_folder.substr(wide_folder.size() - 1);
  if (last != L"\\" && last != L"/" && last != L":") wide_folder += L'\\';
  int removed = 0;
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((wide_folder + L"*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::wstring target = TargetOfTemporary(found.cFileName);
    if (target.empty() || !WildcardMatch(pattern.c_str(), target.c_str())) continue;
    if (DeleteFileW((wide_folder + found.cFileName).c_str())) ++removed;
  } while (FindNextFileW(h, &found));
  FindClose(h);
  return removed;
}

}  // namespace kivo::platform
