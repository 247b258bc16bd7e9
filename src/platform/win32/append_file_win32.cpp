// Files held open for appending, and reading a file's tail, on Windows. The
// path is converted from code page 932, as everywhere in the seam.
#include <windows.h>
#undef DeleteFile

#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/win32/wide_text.h"

namespace kivo::platform {
namespace {

class Win32AppendFile : public AppendFile {
 public:
  explicit Win32AppendFile(HANDLE h) : h_(h) {}
  ~Win32AppendFile() override { CloseHandle(h_); }
  Win32AppendFile(const Win32AppendFile&) = delete;
  Win32AppendFile& operator=(const Win32AppendFile&) = delete;

  std::int64_t Size() override {
    LARGE_INTEGER size;
    return GetFileSizeEx(h_, &size) ? static_cast<std::int64_t>(size.QuadPart) : -1;
  }

  AppendStatus Append(const std::string& bytes) override {
    if (bytes.size() > 0x7fffffffu) return AppendStatus::kFailed;
    const std::int64_t before = Size();
    if (before < 0) return AppendStatus::kFailed;
    // The handle writes where its pointer is: put it at the end, where the
    // file ends now (another process may have appended meanwhile).
    LARGE_INTEGER end;
    end.QuadPart = before;
    if (!SetFilePointerEx(h_, end, nullptr, FILE_BEGIN)) return AppendStatus::kFailed;
    if (!bytes.empty()) {
      DWORD wrote = 0;
      const BOOL ok =
          WriteFile(h_, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
      if (!ok || wrote != bytes.size()) {
        if (wrote > 0) Truncate(before);
        return AppendStatus::kFailed;
      }
    }
    return FlushFileBuffers(h_) ? AppendStatus::kWritten : AppendStatus::kWrittenNotFlushed;
  }

  bool Truncate(std::int64_t size) override {
    if (size < 0) return false;
    LARGE_INTEGER at;
    at.QuadPart = size;
    if (!SetFilePointerEx(h_, at, nullptr, FILE_BEGIN) || !SetEndOfFile(h_)) return false;
    return FlushFileBuffers(h_) != 0;
  }

 private:
  HANDLE h_;
};

}  // namespace

std::unique_ptr<AppendFile> OpenAppendFile(const std::string& path) {
  std::wstring wide;
  if (!win32::WideExact(path, wide) || wide.empty()) return nullptr;
  // Write access (not append-only) so that a line can be taken back; the
  // host may go on reading the file meanwhile.
  const HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return nullptr;
  }
  return std::make_unique<Win32AppendFile>(h);
}

bool ReadFileTail(const std::string& path, std::size_t max_bytes, std::string& bytes) {
  bytes.clear();
  std::wstring wide;
  if (!win32::WideExact(path, wide) || wide.empty()) return false;
  const HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(h, &size) != 0;
  if (ok) {
    const auto total = static_cast<unsigned long long>(size.QuadPart);
    LARGE_INTEGER start;
    start.QuadPart = static_cast<LONGLONG>(total > max_bytes ? total - max_bytes : 0);
    ok = SetFilePointerEx(h, start, nullptr, FILE_BEGIN) != 0;
    char buffer[16 * 1024];
    while (ok && bytes.size() < max_bytes) {
      std::size_t want = max_bytes - bytes.size();
      if (want > sizeof buffer) want = sizeof buffer;
      DWORD got = 0;
      if (!::ReadFile(h, buffer, static_cast<DWORD>(want), &got, nullptr)) ok = false;
      if (!ok || got == 0) break;
      bytes.append(buffer, got);
    }
  }
  CloseHandle(h);
  if (!ok) bytes.clear();
  return ok;
}

}  // namespace kivo::platform
