// Files held open for appending, and reading parts of a file, on Windows.
// The path is converted from code page 932, as everywhere in the seam.
//
// The append handle has FILE_APPEND_DATA without FILE_WRITE_DATA: the
// system then puts every write at the end of the file as it is at that
// moment, so the host appending to the same file at the same time neither
// overwrites our bytes nor has its own overwritten. (Moving to the end and
// writing there leaves a moment in which the other writer's bytes land
// where ours then go.) Taking bytes back needs FILE_WRITE_DATA, which a
// second handle on the same open file gets only when a cut is due.
#include <windows.h>
#undef DeleteFile

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/read_in_pieces.h"
#include "platform/win32/wide_text.h"

namespace kivo::platform {
namespace {

// One read of at most `want` bytes at `at`, without moving the handle's
// file pointer: the count, 0 at the end, -1 on an error.
std::int64_t ReadOnceAt(HANDLE h, std::uint64_t at, char* buffer, std::size_t want) {
  OVERLAPPED position = {};
  position.Offset = static_cast<DWORD>(at);
  position.OffsetHigh = static_cast<DWORD>(at >> 32);
  DWORD got = 0;
  if (!::ReadFile(h, buffer, static_cast<DWORD>(want), &got, &position)) {
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }
  return got;
}

bool ReadBytesAt(HANDLE h, std::uint64_t offset, std::size_t max_bytes, std::string& bytes) {
  const auto read_once = [h](std::uint64_t at, char* buffer, std::size_t want) {
    return ReadOnceAt(h, at, buffer, want);
  };
  return ReadInPieces(read_once, offset, max_bytes, bytes);
}

std::int64_t SizeOf(HANDLE h) {
  LARGE_INTEGER size;
  return GetFileSizeEx(h, &size) ? static_cast<std::int64_t>(size.QuadPart) : -1;
}

class Win32AppendFile : public AppendFile {
 public:
  explicit Win32AppendFile(HANDLE h) : h_(h) {}
  ~Win32AppendFile() override { CloseHandle(h_); }
  Win32AppendFile(const Win32AppendFile&) = delete;
  Win32AppendFile& operator=(const Win32AppendFile&) = delete;

  std::int64_t Size() override { return SizeOf(h_); }

 protected:
  bool WriteOnce(const std::string& bytes, std::size_t& written) override {
    written = 0;
    if (bytes.size() > 0x7fffffffu) return false;
    DWORD wrote = 0;
    const BOOL ok =
        ::WriteFile(h_, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
    written = wrote;
    return ok;
  }
  bool Flush() override { return FlushFileBuffers(h_); }
  bool ReadAt(std::uint64_t offset, std::size_t n, std::string& bytes) override {
    return ReadBytesAt(h_, offset, n, bytes);
  }
  bool CutTo(std::int64_t size) override {
    // The handle appends only: cutting takes one that may write anywhere.
    const HANDLE cutter = ReOpenFile(h_, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
    if (cutter == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER at;
    at.QuadPart = size;
    const bool cut = SetFilePointerEx(cutter, at, nullptr, FILE_BEGIN) && SetEndOfFile(cutter) &&
                     FlushFileBuffers(cutter);
    CloseHandle(cutter);
    return cut;
  }

 private:
  HANDLE h_;
};

}  // namespace

std::unique_ptr<AppendFile> OpenAppendFile(const std::string& path) {
  std::wstring wide;
  if (!win32::WideExact(path, wide) || wide.empty()) return nullptr;
  // Read access for the checks before a line is taken back and for the
  // tail the caller reads; the host may go on reading and appending.
  const HANDLE h =
      CreateFileW(wide.c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return nullptr;
  }
  return std::make_unique<Win32AppendFile>(h);
}

bool ReadFileRange(const std::string& path, std::int64_t offset, std::size_t max_bytes,
                   std::string& bytes) {
  bytes.clear();
  std::wstring wide;
  if (offset < 0 || !win32::WideExact(path, wide) || wide.empty()) return false;
  const HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = GetFileType(h) == FILE_TYPE_DISK &&
                  ReadBytesAt(h, static_cast<std::uint64_t>(offset), max_bytes, bytes);
  CloseHandle(h);
  if (!ok) bytes.clear();
  return ok;
}

}  // namespace kivo::platform
